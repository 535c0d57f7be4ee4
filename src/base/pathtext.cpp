#include "base/pathtext.h"

#include <windows.h>

#include <cwctype>

#include "base/strings.h"

namespace qm {

std::wstring NormaliseFolderPath(std::wstring_view path) {
    std::wstring t = Trim(path);
    if (t.empty() || StartsWith(t, L"\\\\")) return t;
    t += L'\\';
    t = ReplaceAll(t, L"\\\\\\", L"\\");
    return ReplaceAll(t, L"\\\\", L"\\");
}

std::wstring StripTrailingBackslash(std::wstring_view path) {
    if (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
    return std::wstring(path);
}

std::wstring ExtensionOf(std::wstring_view path) {
    size_t cut = path.find_last_of(L".\\:");
    if (cut == std::wstring_view::npos || path[cut] != L'.') return {};
    return std::wstring(path.substr(cut));
}

std::wstring NameWithoutExtension(std::wstring_view text) {
    size_t cut = text.find_last_of(L".\\:");
    if (cut == std::wstring_view::npos || text[cut] != L'.') return std::wstring(text);
    return std::wstring(text.substr(0, cut));
}

std::wstring RecordName(std::wstring_view text) {
    size_t dot = text.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring() : std::wstring(text.substr(0, dot));
}

std::wstring ExpandFirstEnvironmentVariable(std::wstring_view text) {
    if (Trim(text).empty()) return std::wstring(text);
    size_t first = text.find(L'%');
    if (first == std::wstring_view::npos) return std::wstring(text);
    size_t second = text.find(L'%', first + 1);
    if (second == std::wstring_view::npos) return std::wstring(text);
    std::wstring name(text.substr(first + 1, second - first - 1));
    if (name.empty()) return std::wstring(text);
    DWORD n = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (n <= 1) return std::wstring(text);
    std::wstring value(n, L'\0');
    n = ::GetEnvironmentVariableW(name.c_str(), value.data(), n);
    value.resize(n);
    if (value.empty()) return std::wstring(text);
    return std::wstring(text.substr(0, first)) + value + std::wstring(text.substr(second + 1));
}

std::wstring NormaliseLocation(std::wstring_view input) {
    std::wstring lower = ToLower(input);
    if (StartsWith(lower, L"http:") || StartsWith(lower, L"https:")) return std::wstring(input);
    std::wstring text = ExpandFirstEnvironmentVariable(input);
    if (!text.empty() && text.front() == L'"') {
        size_t close = text.find(L'"', 1);
        text = close == std::wstring::npos ? text.substr(1) : text.substr(1, close - 1);
    }
    std::wstring base = Trim(NameWithoutExtension(text));
    std::wstring ext = Trim(ExtensionOf(text));
    if (base.empty() || ext.empty()) return text;
    if (base.front() == L'"') base.erase(0, 1);
    for (wchar_t stop : std::wstring_view(L"\"/\\:*?<>| ")) {
        size_t at = ext.find(stop);
        if (at != std::wstring::npos) ext.resize(at);
    }
    return base + ext;
}

bool IsWebAddress(std::wstring_view path) {
    std::wstring t = ToLower(Trim(path));
    return t.find(L"http://") != std::wstring::npos || t.find(L"https://") != std::wstring::npos;
}

}  // namespace qm

namespace qm {

bool IsValidFileName(std::wstring_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (wchar_t c : name)
        if (c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
    if (name == L"." || name == L"..") return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    // A device name stays a device with any extension and trailing blanks.
    std::wstring stem(name.substr(0, name.find(L'.')));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = static_cast<wchar_t>(::towupper(c));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* d : kDevices)
        if (stem == d) return false;
    if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'0' &&
        stem[3] <= L'9')
        return false;
    return true;
}

}  // namespace qm
