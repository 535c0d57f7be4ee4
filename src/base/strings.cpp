#include "base/strings.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>
#include <limits>

namespace qm {

namespace {
bool IsBlank(wchar_t c) { return c <= L' '; }

std::wstring MapCase(std::wstring_view s, DWORD flag) {
    if (s.empty()) return {};
    std::wstring out(s);
    // Latin-1 maps the same in the invariant locale without the call, which the
    // recorder's lookups make for every path they compare: A-Z and the accented
    // capitals (not the multiplication sign) lower by 0x20, and back. The three
    // small letters without a capital of their own in Latin-1 (micro sign,
    // sharp s, y with diaeresis) go to the system.
    const bool lower = flag == LCMAP_LOWERCASE;
    auto capital = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); };
    auto small = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7); };
    bool simple = true;
    for (wchar_t c : s)
        simple = simple && (c < 0x80 || (c < 0x100 && (lower || (c != 0xB5 && c != 0xDF && c != 0xFF))));
    if (simple) {
        for (wchar_t& c : out) {
            if (lower && capital(c)) c = static_cast<wchar_t>(c + 0x20);
            if (!lower && small(c)) c = static_cast<wchar_t>(c - 0x20);
        }
        return out;
    }
    int n = ::LCMapStringW(LOCALE_INVARIANT, flag, s.data(), static_cast<int>(s.size()), out.data(),
                           static_cast<int>(out.size()));
    if (n <= 0) return std::wstring(s);
    out.resize(static_cast<size_t>(n));
    return out;
}

bool EqualOrdinalNoCase(const wchar_t* a, const wchar_t* b, size_t n) {
    if (n == 0) return true;
    return ::CompareStringOrdinal(a, static_cast<int>(n), b, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}
}  // namespace

std::wstring TrimLeft(std::wstring_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return std::wstring(s.substr(b));
}

std::wstring TrimRight(std::wstring_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return std::wstring(s.substr(0, e));
}

std::wstring Trim(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::wstring(s.substr(b, e - b));
}

std::wstring ToLower(std::wstring_view s) { return MapCase(s, LCMAP_LOWERCASE); }
std::wstring ToUpper(std::wstring_view s) { return MapCase(s, LCMAP_UPPERCASE); }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && EqualOrdinalNoCase(a.data(), b.data(), a.size());
}

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
    return s.size() >= prefix.size() && EqualOrdinalNoCase(s.data(), prefix.data(), prefix.size());
}

bool EndsWithNoCase(std::wstring_view s, std::wstring_view suffix) {
    return s.size() >= suffix.size() &&
           EqualOrdinalNoCase(s.data() + (s.size() - suffix.size()), suffix.data(), suffix.size());
}

size_t FindNoCase(std::wstring_view s, std::wstring_view part, size_t from) {
    if (part.empty()) return from <= s.size() ? from : std::wstring_view::npos;
    if (s.size() < part.size()) return std::wstring_view::npos;
    for (size_t i = from; i + part.size() <= s.size(); ++i) {
        if (EqualOrdinalNoCase(s.data() + i, part.data(), part.size())) return i;
    }
    return std::wstring_view::npos;
}

bool ContainsNoCase(std::wstring_view s, std::wstring_view part) {
    return FindNoCase(s, part) != std::wstring_view::npos;
}

bool StartsWith(std::wstring_view s, std::wstring_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::wstring_view s, std::wstring_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::wstring ReplaceAll(std::wstring_view s, std::wstring_view from, std::wstring_view to) {
    if (from.empty()) return std::wstring(s);
    std::wstring out;
    out.reserve(s.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == std::wstring_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::vector<std::wstring> SplitAt(std::wstring_view s, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(separator, start);
        parts.emplace_back(s.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
        if (end == std::wstring_view::npos) return parts;
        start = end + 1;
    }
}

namespace {
std::wstring ToWide(UINT cp, std::string_view s) {
    if (s.empty()) return {};
    int n = ::MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}
std::string FromWide(UINT cp, std::wstring_view s) {
    if (s.empty()) return {};
    int n = ::WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}
}  // namespace

std::wstring Utf8ToWide(std::string_view s) { return ToWide(CP_UTF8, s); }
std::string WideToUtf8(std::wstring_view s) { return FromWide(CP_UTF8, s); }
std::wstring AnsiToWide(std::string_view s) { return ToWide(CP_ACP, s); }
std::string WideToAnsi(std::wstring_view s) { return FromWide(CP_ACP, s); }

bool TryParseInt(std::wstring_view text, int& value) {
    std::wstring s = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) negative = s[i++] == L'-';
    int base = 10;
    if (s.size() - i > 2 && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    long long acc = 0;
    for (; i < s.size(); ++i) {
        wchar_t c = s[i];
        int digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return false;
        acc = acc * base + digit;
        // Hexadecimal takes the full 32-bit range (0xFFFFFFFF is -1), decimal the signed one.
        long long limit = base == 16 ? 0xFFFFFFFFLL : 0x80000000LL;
        if (acc > limit) return false;
    }
    if (base == 16) {
        auto bits = static_cast<unsigned long>(acc);
        value = static_cast<int>(bits);
        if (negative) value = -value;
        return true;
    }
    if (negative) acc = -acc;
    if (acc > std::numeric_limits<int>::max() || acc < std::numeric_limits<int>::min()) return false;
    value = static_cast<int>(acc);
    return true;
}

std::wstring Format(const wchar_t* fmt, ...) {
    wchar_t buf[1024];
    va_list args;
    va_start(args, fmt);
    int n = std::vswprintf(buf, sizeof(buf) / sizeof(buf[0]), fmt, args);
    va_end(args);
    if (n >= 0) return std::wstring(buf, static_cast<size_t>(n));
    // Longer than the stack buffer: grow until it fits.
    for (size_t cap = 4096; cap <= (1u << 24); cap *= 4) {
        std::wstring big(cap, L'\0');
        va_start(args, fmt);
        n = std::vswprintf(big.data(), cap, fmt, args);
        va_end(args);
        if (n >= 0) {
            big.resize(static_cast<size_t>(n));
            return big;
        }
    }
    return {};
}

}  // namespace qm
