#include "capture/privacy.h"

#include <string_view>

#include "base/strings.h"

namespace qm {

namespace {

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "%74oken" is "token": a parameter name spelt with escapes is the same name.
std::wstring DecodedName(std::wstring_view name) {
    std::wstring out;
    for (size_t i = 0; i < name.size(); ++i) {
        int hi = name[i] == L'%' && i + 2 < name.size() ? HexValue(name[i + 1]) : -1;
        int lo = hi >= 0 ? HexValue(name[i + 2]) : -1;
        if (lo >= 0) {
            out.push_back(static_cast<wchar_t>(hi * 16 + lo));
            i += 2;
        } else {
            out.push_back(name[i] == L'+' ? L' ' : name[i]);
        }
    }
    return Trim(out);
}

// "a=1&token=x&b" without its secret parameters; empty pieces go as well.
std::wstring WithoutSecretParameters(std::wstring_view list) {
    std::wstring out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L'&', start);
        if (end == std::wstring_view::npos) end = list.size();
        std::wstring_view piece = list.substr(start, end - start);
        std::wstring_view name = piece.substr(0, piece.find(L'='));
        if (!piece.empty() && !IsSecretParameterName(DecodedName(name))) {
            if (!out.empty()) out += L'&';
            out += piece;
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

bool IsSecretParameterName(const std::wstring& name) {
    for (const wchar_t* secret : kSecretParameterNames)
        if (EqualsNoCase(name, secret)) return true;
    return false;
}

std::wstring WithoutSecrets(const std::wstring& address) {
    std::wstring text = Trim(address);
    size_t scheme = StartsWithNoCase(text, L"https://") ? 8 : StartsWithNoCase(text, L"http://") ? 7 : 0;
    if (scheme == 0) return address;
    size_t authorityEnd = text.find_first_of(L"/?#", scheme);
    if (authorityEnd == std::wstring::npos) authorityEnd = text.size();
    std::wstring authority = text.substr(scheme, authorityEnd - scheme);
    if (size_t at = authority.rfind(L'@'); at != std::wstring::npos) authority.erase(0, at + 1);

    size_t hash = text.find(L'#', authorityEnd);
    std::wstring fragment = hash == std::wstring::npos ? std::wstring() : text.substr(hash + 1);
    std::wstring beforeFragment =
        text.substr(authorityEnd, hash == std::wstring::npos ? std::wstring::npos : hash - authorityEnd);
    size_t question = beforeFragment.find(L'?');
    std::wstring path = beforeFragment.substr(0, question);
    std::wstring query = question == std::wstring::npos ? std::wstring() : beforeFragment.substr(question + 1);

    std::wstring out = text.substr(0, scheme) + authority + path;
    if (std::wstring q = WithoutSecretParameters(query); !q.empty()) out += L'?' + q;
    // A fragment of parameters (a sign-in answer puts its tokens there) is
    // treated like a query; any other fragment is an anchor and stays.
    if (!fragment.empty()) {
        std::wstring f = fragment.find(L'=') != std::wstring::npos ? WithoutSecretParameters(fragment) : fragment;
        if (!f.empty()) out += L'#' + f;
    }
    return out;
}

bool IsPrivateWindowTitle(const std::wstring& windowTitle) {
    static const wchar_t* const markers[] = {L"(Incognito)",      L"Incognito", L"[InPrivate]",   L"InPrivate",
                                             L"Private Browsing", L"(Private)", L"Private Window"};
    // Only the browser's part of the title counts (the last two pieces between
    // dashes), so a page about private browsing is still recorded.
    std::wstring title = ReplaceAll(windowTitle, L" \u2014 ", L" - ");
    size_t last = title.rfind(L" - ");
    if (last == std::wstring::npos) return false;
    size_t before = last == 0 ? std::wstring::npos : title.rfind(L" - ", last - 1);
    std::wstring tail = title.substr(before == std::wstring::npos ? last : before);
    for (const wchar_t* marker : markers)
        if (ContainsNoCase(tail, marker)) return true;
    return false;
}

void KeepAddressesPrivate(std::vector<TLocationPair>& locations) {
    for (TLocationPair& pair : locations) {
        std::wstring clean = WithoutSecrets(pair.location);
        if (clean == pair.location) continue;
        // A page named by its address keeps no secret in its title either.
        if (pair.title == pair.location) pair.title = clean;
        pair.location = std::move(clean);
    }
}

}  // namespace qm
