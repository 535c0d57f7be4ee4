// Reads the clipboard from a process of its own, as another program pasting
// would: test_clipreader <list file> writes one line per thing found:
//   "drop fWide=<n> pFiles=<n>"  the CF_HDROP block's header
//   "file <name>"                each name of the file list (DragQueryFileW)
//   "text <text>"                the Unicode text
// as a list file (UTF-16 with a byte-order mark). Exit code 0, or 2 when the
// clipboard cannot be opened.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/listfile.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    bool open = false;
    for (int i = 0; i < 50 && !open; ++i) {
        open = ::OpenClipboard(nullptr) != FALSE;
        if (!open) ::Sleep(20);
    }
    if (!open) return 2;
    std::vector<std::wstring> lines;
    if (HANDLE drop = ::GetClipboardData(CF_HDROP)) {
        if (auto* header = static_cast<const DROPFILES*>(::GlobalLock(drop))) {
            lines.push_back(L"drop fWide=" + std::to_wstring(header->fWide) + L" pFiles=" +
                            std::to_wstring(header->pFiles));
            ::GlobalUnlock(drop);
        }
        auto files = static_cast<HDROP>(drop);
        UINT count = ::DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            UINT length = ::DragQueryFileW(files, i, nullptr, 0);
            std::wstring name(length + 1, L'\0');
            ::DragQueryFileW(files, i, name.data(), length + 1);
            name.resize(length);
            lines.push_back(L"file " + name);
        }
    }
    if (HANDLE text = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(::GlobalLock(text))) {
            lines.push_back(L"text " + std::wstring(chars));
            ::GlobalUnlock(text);
        }
    }
    ::CloseClipboard();
    return qm::WriteListFile(argv[1], lines, qm::TDurability::NoFlush) ? 0 : 3;
}
