#include "capture/pagetitle.h"

#include <winhttp.h>

#include <algorithm>
#include <cctype>

#include "base/strings.h"

namespace qm {

namespace {

class TInternetHandle {
public:
    explicit TInternetHandle(HINTERNET h) : h_(h) {}
    ~TInternetHandle() {
        if (h_) ::WinHttpCloseHandle(h_);
    }
    TInternetHandle(const TInternetHandle&) = delete;
    TInternetHandle& operator=(const TInternetHandle&) = delete;
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HINTERNET h_;
};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The value after "charset=" in a header value or a meta tag, up to a quote,
// blank or ";"; empty when there is none.
std::string CharsetIn(std::string_view text) {
    std::string lower = Lower(text);
    size_t at = lower.find("charset=");
    if (at == std::string::npos) return {};
    at += 8;
    while (at < lower.size() && (lower[at] == '"' || lower[at] == '\'' || lower[at] == ' ')) ++at;
    size_t end = lower.find_first_of("\"'; >/", at);
    return lower.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The charset a page declares in its head (<meta charset> or the http-equiv form).
std::string DeclaredCharset(std::string_view bytes) {
    std::string lower = Lower(bytes.substr(0, std::min<size_t>(bytes.size(), 4096)));
    for (size_t at = lower.find("<meta"); at != std::string::npos; at = lower.find("<meta", at + 5)) {
        size_t end = lower.find('>', at);
        std::string charset = CharsetIn(std::string_view(lower).substr(at, end == std::string::npos ? end : end - at));
        if (!charset.empty()) return charset;
    }
    return {};
}

UINT CodePageOf(const std::string& charset) {
    struct TName {
        const char* name;
        UINT codePage;
    };
    static const TName kNames[] = {
        {"utf-8", CP_UTF8},     {"utf8", CP_UTF8},      {"windows-1250", 1250},
        {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
        {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256},
        {"windows-1257", 1257}, {"windows-1258", 1258}, {"iso-8859-1", 1252},
        {"latin1", 1252},       {"us-ascii", 1252},     {"iso-8859-2", 28592},
        {"iso-8859-5", 28595},  {"iso-8859-7", 28597},  {"iso-8859-15", 28605},
        {"koi8-r", 20866},      {"koi8-u", 21866},      {"shift_jis", 932},
        {"shift-jis", 932},     {"sjis", 932},          {"euc-jp", 20932},
        {"gb2312", 936},        {"gbk", 936},           {"gb18030", 54936},
        {"big5", 950},          {"euc-kr", 949},        {"ks_c_5601-1987", 949},
    };
    for (const TName& n : kNames)
        if (charset == n.name) return n.codePage;
    return 0;
}

bool IsValidUtf8(std::string_view s) {
    return s.empty() ||
           ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0) > 0;
}

std::wstring Decode(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return {};
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out += L'\xFFFD';
    } else if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

// Decodes character references and the named entities a title is likely to hold.
std::wstring DecodeEntities(const std::wstring& text) {
    struct TEntity {
        const wchar_t* name;
        wchar_t ch;
    };
    static const TEntity kEntities[] = {
        {L"amp", L'&'},         {L"lt", L'<'},         {L"gt", L'>'},         {L"quot", L'"'},
        {L"apos", L'\''},       {L"nbsp", L' '},       {L"ndash", L'\x2013'}, {L"mdash", L'\x2014'},
        {L"hellip", L'\x2026'}, {L"copy", L'\xA9'},    {L"reg", L'\xAE'},     {L"trade", L'\x2122'},
        {L"laquo", L'\xAB'},    {L"raquo", L'\xBB'},   {L"middot", L'\xB7'},  {L"bull", L'\x2022'},
        {L"lsquo", L'\x2018'},  {L"rsquo", L'\x2019'}, {L"ldquo", L'\x201C'}, {L"rdquo", L'\x201D'},
    };
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        size_t semi = text[i] == L'&' ? text.find(L';', i + 1) : std::wstring::npos;
        if (semi == std::wstring::npos || semi - i > 10) {
            out += text[i];
            continue;
        }
        std::wstring name = text.substr(i + 1, semi - i - 1);
        bool done = false;
        if (name.size() > 1 && name[0] == L'#') {
            bool hex = name[1] == L'x' || name[1] == L'X';
            std::wstring digits = name.substr(hex ? 2 : 1);
            wchar_t* end = nullptr;
            unsigned long cp = digits.empty() ? 0 : std::wcstoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end && *end == 0) {
                AppendCodePoint(out, cp);
                done = true;
            }
        } else {
            for (const TEntity& e : kEntities) {
                if (name == e.name) {
                    out += e.ch;
                    done = true;
                    break;
                }
            }
        }
        if (done)
            i = semi;
        else
            out += text[i];
    }
    return out;
}

std::wstring CollapseWhiteSpace(const std::wstring& text) {
    std::wstring out;
    bool blank = false;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f' || c == L'\v') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += L' ';
        blank = false;
        out += c;
    }
    return out;
}

std::wstring Cut(std::wstring text, size_t most) {
    if (text.size() <= most) return text;
    size_t n = most;
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // never half a surrogate pair
    text.resize(n);
    return text;
}

bool IsPageAddress(const std::wstring& address) {
    std::wstring lower = ToLower(Trim(address));
    return lower.rfind(L"http://", 0) == 0 || lower.rfind(L"https://", 0) == 0;
}

std::wstring HeaderValue(HINTERNET request, DWORD query) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer);
    if (!::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, buffer, &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    return buffer;
}

}  // namespace

std::optional<std::wstring> ExtractPageTitle(std::string_view bytes, std::string_view contentType) {
    std::string lower = Lower(bytes);
    size_t open = lower.find("<title");
    while (open != std::string::npos && open + 6 < lower.size() && lower[open + 6] != '>' &&
           !std::isspace(static_cast<unsigned char>(lower[open + 6])))
        open = lower.find("<title", open + 6);  // "<titlebar>" is not the title
    if (open == std::string::npos) return std::nullopt;
    size_t start = lower.find('>', open);
    if (start == std::string::npos) return std::nullopt;
    ++start;
    size_t close = lower.find("</title", start);
    if (close == std::string::npos) return std::nullopt;
    std::string_view raw = bytes.substr(start, close - start);

    std::string charset = CharsetIn(contentType);
    if (charset.empty()) charset = DeclaredCharset(bytes);
    UINT codePage = CodePageOf(charset);
    if (!codePage) codePage = IsValidUtf8(raw) ? CP_UTF8 : 1252;
    std::wstring title = Cut(CollapseWhiteSpace(DecodeEntities(Decode(raw, codePage))), TPageTitleOptions::kMaxTitle);
    if (title.empty()) return std::nullopt;
    return title;
}

std::optional<std::wstring> FetchPageTitle(const std::wstring& address, const TPageTitleOptions& options) {
    if (!IsPageAddress(address)) return std::nullopt;
    std::wstring url = Trim(address);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    wchar_t host[256] = {}, path[2048] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return std::nullopt;
    std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";

    ULONGLONG deadline = ::GetTickCount64() + options.timeoutMs;
    TInternetHandle session(
        ::WinHttpOpen(L"", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return std::nullopt;
    // Every wait is bounded: the fetch runs on the window's thread.
    int limit = static_cast<int>(options.timeoutMs);
    ::WinHttpSetTimeouts(session.get(), limit, limit, limit, limit);
    TInternetHandle connection(::WinHttpConnect(session.get(), host, parts.nPort, 0));
    if (!connection) return std::nullopt;
    DWORD flags = WINHTTP_FLAG_REFRESH | (parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    TInternetHandle request(::WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                 WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request) return std::nullopt;
    // The wait for the answer's headers has a limit of its own (none by default).
    DWORD responseLimit = options.timeoutMs;
    ::WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseLimit, sizeof(responseLimit));
    if (!::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(request.get(), nullptr))
        return std::nullopt;
    std::wstring status = HeaderValue(request.get(), WINHTTP_QUERY_STATUS_CODE);
    if (status.empty() || status[0] != L'2') return std::nullopt;
    std::string bytes;
    bytes.reserve(std::min<size_t>(options.maxBytes, 16384));
    char chunk[8192];
    while (bytes.size() < options.maxBytes && ::GetTickCount64() < deadline) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(sizeof(chunk), options.maxBytes - bytes.size()));
        DWORD got = 0;
        if (!::WinHttpReadData(request.get(), chunk, want, &got) || got == 0) break;
        size_t from = bytes.size() > 8 ? bytes.size() - 8 : 0;
        bytes.append(chunk, got);
        // The title is in the head: no need to read on once it is closed.
        if (Lower(std::string_view(bytes).substr(from)).find("</title") != std::string::npos) break;
    }
    return ExtractPageTitle(bytes, WideToUtf8(HeaderValue(request.get(), WINHTTP_QUERY_CONTENT_TYPE)));
}

std::wstring PageCaption(const std::wstring& address, const TPageTitleOptions& options) {
    std::optional<std::wstring> title = FetchPageTitle(address, options);
    return title ? *title : address;
}

}  // namespace qm
