// The outside effects every unit shares: starting things through the shell,
// WinExec and message boxes. Nothing calls ShellExecuteW, WinExec or
// MessageBoxW directly; it goes through Effects(), which a test replaces for
// the time of a TEffectsOverride so that it records instead of starting.
//
// The seam rule of the program: desktop inputs (windows, shell windows,
// browsers, the Recent folder, the Run keys) come in through small interfaces
// with one real implementation each (capture/sources.h); outside effects go
// through seams: these shared primitives here, and where a unit has effects of
// its own, one seams struct of that unit (TLauncherSeams, TSpecialActions).
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

namespace qm {

struct TEffects {
    // ShellExecuteW; the returned value is above 32 on success.
    std::function<HINSTANCE(HWND owner, const std::wstring& verb, const std::wstring& file,
                            const std::wstring& parameters, int show)>
        shellExecute;
    std::function<UINT(const std::string& command, UINT show)> winExec;
    // MessageBoxW; returns the button pressed.
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)> messageBox;

    static TEffects Real();
};

TEffects& Effects();

// Shorthands for the usual calls.
bool ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters = {},
               int show = SW_SHOWNORMAL);
// Explorer (explorer.exe of the Windows folder) started on the path, quoted
// where it holds a blank, through the shell; true when it started.
bool OpenThroughExplorer(const std::wstring& path, int show);

// The shell start of a file elevated: verb "runas", SEE_MASK_FLAG_NO_UI and
// SEE_MASK_FLAG_DDEWAIT (0x500), shown normally, the parameters only when
// there are any. The structure points into file and parameters.
SHELLEXECUTEINFOW ElevatedStartInfo(HWND owner, const std::wstring& file, const std::wstring& parameters);
// ShellExecuteExW with that; true when the shell started it (a refused
// elevation prompt gives false).
bool StartElevated(HWND owner, const std::wstring& file, const std::wstring& parameters);

// A question with the information icon and OK and Cancel; true only for OK.
// Where going on cannot be undone, Cancel is the default button, so a stray
// Enter does not confirm it.
enum class TDefaultAnswer { Ok, Cancel };
bool AskOkCancel(HWND owner, const std::wstring& text, const std::wstring& caption,
                 TDefaultAnswer answer = TDefaultAnswer::Ok);

class TEffectsOverride {
public:
    explicit TEffectsOverride(TEffects replacement) : saved_(Effects()) { Effects() = std::move(replacement); }
    ~TEffectsOverride() { Effects() = std::move(saved_); }
    TEffectsOverride(const TEffectsOverride&) = delete;
    TEffectsOverride& operator=(const TEffectsOverride&) = delete;

private:
    TEffects saved_;
};

}  // namespace qm
