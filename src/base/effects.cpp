#include "base/effects.h"

#include <shellapi.h>

#include "base/system.h"

namespace qm {

TEffects TEffects::Real() {
    TEffects e;
    e.shellExecute = [](HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                        int show) {
        return ::ShellExecuteW(owner, verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                               parameters.empty() ? nullptr : parameters.c_str(), nullptr, show);
    };
    e.winExec = [](const std::string& command, UINT show) { return ::WinExec(command.c_str(), show); };
    e.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
        return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    };
    return e;
}

TEffects& Effects() {
    static TEffects effects = TEffects::Real();
    return effects;
}

bool ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
               int show) {
    return reinterpret_cast<INT_PTR>(Effects().shellExecute(owner, verb, file, parameters, show)) > 32;
}

bool OpenThroughExplorer(const std::wstring& path, int show) {
    wchar_t windows[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring explorer = n && n < MAX_PATH ? std::wstring(windows, n) + L"\\explorer.exe" : L"explorer.exe";
    return ShellOpen(nullptr, L"open", explorer, QuoteArgument(path), show);
}

SHELLEXECUTEINFOW ElevatedStartInfo(HWND owner, const std::wstring& file, const std::wstring& parameters) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT;  // 0x500
    info.hwnd = owner;
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    return info;
}

bool StartElevated(HWND owner, const std::wstring& file, const std::wstring& parameters) {
    SHELLEXECUTEINFOW info = ElevatedStartInfo(owner, file, parameters);
    return ::ShellExecuteExW(&info) != FALSE;
}

bool AskOkCancel(HWND owner, const std::wstring& text, const std::wstring& caption, TDefaultAnswer answer) {
    UINT type = MB_OKCANCEL | MB_ICONINFORMATION | (answer == TDefaultAnswer::Cancel ? MB_DEFBUTTON2 : 0);
    return Effects().messageBox(owner, text, caption, type) == IDOK;
}

}  // namespace qm
