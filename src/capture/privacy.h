// What a record must not keep of the web: the sign-in secrets some addresses
// carry (a user name and password, query parameters that hold tokens and keys)
// and the pages of private browser windows.
#pragma once
#include <string>
#include <vector>

#include "capture/sources.h"

namespace qm {

// Query and fragment parameters dropped from a recorded address, compared
// without regard to case after percent-decoding the name.
inline constexpr const wchar_t* kSecretParameterNames[] = {
    L"token", L"access_token", L"id_token", L"code",   L"state",    L"session", L"sid",
    L"sig",   L"signature",    L"key",      L"apikey", L"password", L"auth"};

bool IsSecretParameterName(const std::wstring& name);

// The web address without a user name and password and without secret
// parameters ("https://u:p@host/a?token=x&q=1" gives "https://host/a?q=1").
// A "?" or "#" left with nothing after it goes too. Text that is no web address
// ("http://" or "https://" first) stays as it is.
std::wstring WithoutSecrets(const std::wstring& address);

// The window title of a private or incognito browser window, told by the
// browser's name at its end ("... - Google Chrome (Incognito)", "... - [InPrivate]
// - Microsoft Edge", "... — Mozilla Firefox Private Browsing").
bool IsPrivateWindowTitle(const std::wstring& windowTitle);

// Every web address of the list without its secrets.
void KeepAddressesPrivate(std::vector<TLocationPair>& locations);

}  // namespace qm
