#include "setup/itempath.h"

#include <windows.h>

#include <array>

#include "base/strings.h"

namespace qm {

namespace {

std::wstring FullPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n);
    }
}

bool IsDeviceName(std::wstring_view part) {
    // The device is named by the text before the first dot, blanks at its end ignored.
    std::wstring base = TrimRight(part.substr(0, part.find(L'.')));
    static constexpr std::array<const wchar_t*, 4> plain = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* name : plain)
        if (EqualsNoCase(base, name)) return true;
    if (base.size() == 4 && base[3] >= L'1' && base[3] <= L'9')
        return StartsWithNoCase(base, L"COM") || StartsWithNoCase(base, L"LPT");
    return false;
}

bool IsAcceptablePart(std::wstring_view part) {
    if (part.empty() || part.back() == L'.' || part.back() == L' ') return false;
    for (wchar_t c : part) {
        if (c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) return false;
    }
    return !IsDeviceName(part);
}

}  // namespace

std::wstring FullFolderPath(const std::wstring& folder) {
    if (Trim(folder).empty()) return {};
    std::wstring full = FullPath(folder);
    if (!full.empty() && full.back() != L'\\') full += L'\\';
    return full;
}

std::optional<std::wstring> ResolveItemPath(const std::wstring& folder, std::wstring_view itemPath) {
    std::wstring relative = ReplaceAll(itemPath, L"/", L"\\");
    if (relative.empty() || relative.front() == L'\\') return std::nullopt;
    size_t start = 0;
    for (;;) {
        size_t end = relative.find(L'\\', start);
        std::wstring_view part =
            std::wstring_view(relative).substr(start, end == std::wstring::npos ? end : end - start);
        if (!IsAcceptablePart(part)) return std::nullopt;
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    std::wstring root = FullFolderPath(folder);
    if (root.empty()) return std::nullopt;
    std::wstring full = FullPath(root + relative);
    // The parts were checked one by one; the resolved path must still be the joined one.
    if (full.size() <= root.size() || !StartsWithNoCase(full, root) || !EqualsNoCase(full, root + relative))
        return std::nullopt;
    return full;
}

}  // namespace qm
