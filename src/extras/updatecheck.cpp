#include "extras/updatecheck.h"

#include <shlwapi.h>
#include <wininet.h>

#include <utility>

#include "base/effects.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "base/xmlreader.h"
#include "extras/httpsfetch.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

constexpr UINT kMaxUpdateDepth = 16;
constexpr size_t kMaxUpdateBytes = 64 * 1024;

// The text of the node the reader is on.
std::wstring NodeValue(IXmlReader* reader) {
    const wchar_t* value = nullptr;
    UINT length = 0;
    if (FAILED(reader->GetValue(&value, &length)) || !value) return {};
    return std::wstring(value, length);
}

std::wstring LocalName(IXmlReader* reader) {
    const wchar_t* name = nullptr;
    UINT length = 0;
    if (FAILED(reader->GetLocalName(&name, &length)) || !name) return {};
    return std::wstring(name, length);
}

}  // namespace

std::optional<TUpdateInfo> ReadUpdateFile(const std::wstring& path) {
    ComPtr<IStream> stream;
    if (FAILED(::SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE,
                                        nullptr, &stream)))
        return std::nullopt;
    ComPtr<IXmlReader> reader = NewXmlReader();
    if (!reader) return std::nullopt;
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxUpdateDepth);
    if (FAILED(reader->SetInput(stream.Get()))) return std::nullopt;

    // Elements by depth: 0 the document element, 1 its first element (the
    // channel), 2 the channel's first "item", 3 that item's fields. Text
    // between the elements (white space) does not count as an element. The
    // depth is counted here: readers differ in the depth they give an end.
    TUpdateInfo info;
    bool channelSeen = false, inChannel = false, itemSeen = false, inItem = false;
    bool linkSeen = false, versionSeen = false, rootEnded = false;
    std::wstring* field = nullptr;
    int open = 0;  // elements started and not yet ended
    std::pair<UINT, UINT> lastAt{0, 0};
    // Every node takes at least one character of the file.
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return std::nullopt;
    ULONGLONG budget = stat.cbSize.QuadPart + 64;
    XmlNodeType type = XmlNodeType_None;
    HRESULT hr = S_OK;
    // The whole document is read: one that is not well-formed gives nothing.
    while ((hr = reader->Read(&type)) == S_OK) {
        // Every start and end of an element lies after the one before it.
        // Wine's reader, given a file cut short, answers an element again
        // where it was, or ends the file with the end of an element it makes
        // up where that one began.
        if (budget-- == 0) return std::nullopt;
        std::pair<UINT, UINT> at{0, 0};
        if ((type == XmlNodeType_Element || type == XmlNodeType_EndElement) &&
            SUCCEEDED(reader->GetLineNumber(&at.first)) && SUCCEEDED(reader->GetLinePosition(&at.second))) {
            if (at <= lastAt) return std::nullopt;
            lastAt = at;
        }
        switch (type) {
            case XmlNodeType_Element: {
                int depth = open;
                bool empty = reader->IsEmptyElement() != FALSE;
                std::wstring name = LocalName(reader.Get());
                if (depth == 1 && !channelSeen) {
                    channelSeen = true;
                    inChannel = !empty;
                } else if (depth == 2 && inChannel && !itemSeen && name == L"item") {
                    itemSeen = true;
                    inItem = !empty;
                } else if (depth == 3 && inItem && name == L"link" && !linkSeen) {
                    linkSeen = true;
                    field = empty ? nullptr : &info.link;
                } else if (depth == 3 && inItem && name == L"version" && !versionSeen) {
                    versionSeen = true;
                    field = empty ? nullptr : &info.version;
                }
                if (empty && depth == 0) rootEnded = true;
                if (!empty) ++open;
                break;
            }
            case XmlNodeType_EndElement: {
                int depth = --open;
                if (depth <= 3) field = nullptr;
                if (depth == 2) inItem = false;
                if (depth == 1) inChannel = false;
                if (depth == 0) rootEnded = true;
                break;
            }
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
            case XmlNodeType_Whitespace:
                if (field) *field += NodeValue(reader.Get());
                break;
            default: break;
        }
    }
    // XmlLite answers the end of a file cut short as the end of the document.
    if (FAILED(hr) || open != 0 || !rootEnded || !linkSeen || !versionSeen) return std::nullopt;
    info.link = Trim(info.link);
    info.version = Trim(info.version);
    return info;
}

std::optional<int> VersionTenths(const std::wstring& text) {
    std::wstring t = Trim(text);
    size_t dot = t.find(L'.');
    std::wstring whole = t.substr(0, dot);
    std::wstring tenth = dot == std::wstring::npos ? L"0" : t.substr(dot + 1);
    auto digits = [](const std::wstring& s) {
        if (s.empty()) return false;
        for (wchar_t c : s)
            if (c < L'0' || c > L'9') return false;
        return true;
    };
    if (!digits(whole) || whole.size() > 5 || !digits(tenth) || tenth.size() != 1) return std::nullopt;
    return std::stoi(whole) * 10 + (tenth[0] - L'0');
}

std::wstring VersionText(int tenths) { return Format(L"%d.%d", tenths / 10, tenths % 10); }

bool IsProductLink(const std::wstring& link, const std::wstring& host) {
    std::wstring t = Trim(link);
    if (t.empty() || host.empty() || t.size() > 2048) return false;
    for (wchar_t c : t)
        if (c <= L' ' || c == L'"' || c == 0x7F) return false;
    wchar_t hostPart[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = hostPart;
    parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH + 1;
    parts.dwUserNameLength = 1;  // asked for, to refuse a link that names a user
    parts.dwPasswordLength = 1;
    if (!::InternetCrackUrlW(t.c_str(), static_cast<DWORD>(t.size()), 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    if (parts.dwUserNameLength || parts.dwPasswordLength) return false;
    return EqualsNoCase(std::wstring(hostPart, parts.dwHostNameLength), host);
}

std::wstring UpdateQuestion(int haveTenths, int availableTenths) {
    return Format(L"You have version %ls. Version %ls is available from our web site.Do you want to download now?",
                  VersionText(haveTenths).c_str(), VersionText(availableTenths).c_str());
}

TUpdateOutcome TUpdateCheck::Run(HWND owner, bool silent) {
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
    bool unreadable = false;
    TUpdateOutcome outcome = Check(owner, unreadable);
    ::SetCursor(previous);
    if (silent) return outcome;
    if (outcome == TUpdateOutcome::NoUpdate) {
        Effects().messageBox(
            owner, Format(L"You have version %ls, the newest version.", VersionText(config_.versionTenths).c_str()),
            config_.caption, MB_OK | MB_ICONINFORMATION);
    } else if (outcome == TUpdateOutcome::CouldNotCheck) {
        Effects().messageBox(owner, unreadable ? kUnreadableUpdate : kNoConnection, config_.caption,
                             MB_OK | MB_ICONWARNING);
    }
    return outcome;
}

TUpdateOutcome TUpdateCheck::Check(HWND owner, bool& unreadable) {
    std::optional<TUpdateInfo> info;
    {
        // The update file lives in a file of its own in the temp folder for
        // the time of the check.
        TTemporaryFile file(L"qmu");
        if (file.Path().empty()) return TUpdateOutcome::CouldNotCheck;
        {
            unique_hfile out(::CreateFileW(file.Path().c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                           FILE_ATTRIBUTE_TEMPORARY, nullptr));
            if (!out) return TUpdateOutcome::CouldNotCheck;
            TFetchRequest request;
            request.url = config_.address;
            request.userAgent = config_.caption + L"/" + VersionText(config_.versionTenths);
            request.deadlineMs = config_.deadlineMs;
            request.maxBytes = kMaxUpdateBytes;
            request.sink = [&out](std::string_view part) {
                DWORD written = 0;
                return ::WriteFile(out.get(), part.data(), static_cast<DWORD>(part.size()), &written, nullptr) &&
                       written == part.size();
            };
            if (FetchHttps(request).status != TFetchStatus::Ok) return TUpdateOutcome::CouldNotCheck;
        }
        info = ReadUpdateFile(file.Path());
    }
    unreadable = true;
    if (!info) return TUpdateOutcome::CouldNotCheck;
    std::optional<int> available = VersionTenths(info->version);
    if (!available) return TUpdateOutcome::CouldNotCheck;
    unreadable = false;
    if (*available <= config_.versionTenths) return TUpdateOutcome::NoUpdate;
    // A newer version whose page is not on the product's site is not offered.
    if (!IsProductLink(info->link, config_.productHost)) {
        unreadable = true;
        return TUpdateOutcome::CouldNotCheck;
    }
    if (!AskOkCancel(owner, UpdateQuestion(config_.versionTenths, *available), config_.caption))
        return TUpdateOutcome::Declined;
    ShellOpen(owner, L"open", Trim(info->link));
    return TUpdateOutcome::Offered;
}

}  // namespace qm
