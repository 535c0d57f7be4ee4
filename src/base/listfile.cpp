#include "base/listfile.h"

#include "base/files.h"
#include "base/strings.h"

namespace qm {

namespace {
std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    // An odd trailing byte cannot be part of a character and is dropped.
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto lo = static_cast<unsigned char>(bytes[i]);
        auto hi = static_cast<unsigned char>(bytes[i + 1]);
        if (bigEndian) std::swap(lo, hi);
        out.push_back(static_cast<wchar_t>(lo | (hi << 8)));
    }
    return out;
}
}  // namespace

std::wstring DecodeText(std::string_view bytes) {
    auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
    if (starts("\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
    if (starts("\xEF\xBB\xBF")) return Utf8ToWide(bytes.substr(3));
    return AnsiToWide(bytes);
}

std::vector<std::wstring> SplitLines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c != L'\r' && c != L'\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::vector<std::wstring> DecodeListText(std::string_view bytes) { return SplitLines(DecodeText(bytes)); }

std::string EncodeListText(const std::vector<std::wstring>& lines) {
    std::string out("\xFF\xFE", 2);
    auto put = [&out](wchar_t c) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
    };
    for (const auto& line : lines) {
        for (wchar_t c : line) put(c);
        put(L'\r');
        put(L'\n');
    }
    return out;
}

std::optional<std::vector<std::wstring>> ReadListFile(const std::wstring& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return DecodeListText(*bytes);
}

bool WriteListFile(const std::wstring& path, const std::vector<std::wstring>& lines, TDurability durability) {
    return WriteFileReplacing(path, EncodeListText(lines), durability);
}

}  // namespace qm
