// The recent-folder scan of a Recent folder with 5,000 shortcuts, against a bare
// loop that only loads each shortcut once with one IShellLinkW in the same run.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/files.h"
#include "benchutil.h"
#include "capture/recentdocs.h"

using Microsoft::WRL::ComPtr;
using namespace qm;

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring root = JoinPath(tmp, L"qm-bench-recent");
    std::wstring recent = JoinPath(root, L"Recent"), docs = JoinPath(root, L"docs");
    CreateFolderTree(recent);
    CreateFolderTree(docs);
    std::vector<std::wstring> links;
    ComPtr<IShellLinkW> link;
    ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
    ComPtr<IPersistFile> file;
    link.As(&file);
    for (int i = 0; i < 5000; ++i) {
        std::wstring target = JoinPath(docs, L"document " + std::to_wstring(i) + L".txt");
        std::wstring path = JoinPath(recent, L"document " + std::to_wstring(i) + L".txt.lnk");
        links.push_back(path);
        if (IsExistingFile(path)) continue;
        WriteFileReplacing(target, "x", TDurability::NoFlush);
        link->SetPath(target.c_str());
        file->Save(path.c_str(), TRUE);
    }

    TRecordOptions options;
    TRecentDocuments list;
    double scan = bench::Best(3, [&] { list.Scan(recent, options, false); });
    double bare = bench::Best(3, [&] {
        for (const auto& p : links) file->Load(p.c_str(), STGM_READ);
    });
    std::printf("  scanned %zu documents\n", list.List().size());
    bench::Report("recent_scan_5000_shortcuts", scan, bare, 1.3);
    return 0;
}
