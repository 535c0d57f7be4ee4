// Starting the stand-in browser of support/fakebrowser.cpp from a test: as it
// is, or copied under the file name of another program (chrome.exe, Code.exe,
// thunderbird.exe), so the reader sees that program's process.
#pragma once
#include <windows.h>

#include <string>

#include "base/files.h"
#include "support/process.h"

namespace qm::test {

// How the stand-in's window looks: its class, its title and its edit control's text.
struct TFakeWindowShape {
    std::wstring cls;
    std::wstring title;
    std::wstring editText;
};

// Starts the stand-in (copied to programPath first, when given) with the mode
// ("dde", "dde-hang", "window") and waits until it says it is ready.
inline Process StartFakeBrowser(const std::wstring& mode, const std::wstring& programPath = {},
                                const TFakeWindowShape* shape = nullptr) {
    std::wstring exe = JoinPath(ModuleFolder(), L"test_fakebrowser.exe");
    if (!programPath.empty()) {
        CreateFolderTree(FolderOf(programPath));
        if (!::CopyFileW(exe.c_str(), programPath.c_str(), FALSE)) return Process();
        exe = programPath;
    }
    std::wstring args = mode + L" 90";
    if (shape) args += L" \"" + shape->cls + L"\" \"" + shape->title + L"\" \"" + shape->editText + L"\"";
    Process p = Process::Start(exe, args);
    if (!p.Started()) return p;
    std::wstring name = L"qmtest-fakebrowser-" + std::to_wstring(p.Id());
    HANDLE ready = nullptr;
    WaitUntil([&] { return (ready = ::OpenEventW(SYNCHRONIZE, FALSE, name.c_str())) != nullptr; }, 15000);
    if (ready) {
        ::WaitForSingleObject(ready, 15000);
        ::CloseHandle(ready);
    }
    return p;
}

}  // namespace qm::test
