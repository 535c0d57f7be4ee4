#include "companions/linkopener/linkopener.h"

#include <windows.h>

#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/productfiles.h"
#include "base/strings.h"
#include "base/system.h"

namespace qm {

std::wstring LinkToOpen(const std::vector<std::wstring>& args, const std::wstring& handoffFile) {
    std::wstring joined = JoinArguments(args);
    if (!joined.empty()) return joined;
    std::optional<std::string> bytes = ReadFileBytes(handoffFile);
    // Several lines name no file; they are handed on as one text all the same.
    return bytes ? Trim(DecodeText(*bytes)) : std::wstring();
}

std::wstring LinkHandoffFile() { return JoinPath(UserDataFolder(), kLinkHandoffFileName); }

bool OpenLink(const std::wstring& link) {
    if (link.empty()) return false;
    return ShellOpen(nullptr, L"", link, L"", SW_SHOWNORMAL);
}

}  // namespace qm
