// A fake desktop for the recording benchmarks: a Recent folder of N shortcuts
// to text documents of its own (made once, kept in the temp folder between runs).
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "base/files.h"

namespace qm::bench {

struct Desktop {
    std::wstring recent, links;
    std::vector<std::wstring> shortcuts;
};

inline Desktop MakeDesktop(const std::wstring& root, int n) {
    Desktop d;
    d.recent = JoinPath(root, L"Recent");
    d.links = JoinPath(root, L"links");
    std::wstring docs = JoinPath(root, L"docs");
    CreateFolderTree(d.recent);
    CreateFolderTree(docs);
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
    Microsoft::WRL::ComPtr<IPersistFile> file;
    link.As(&file);
    for (int i = 0; i < n; ++i) {
        std::wstring target = JoinPath(docs, L"document " + std::to_wstring(i) + L".txt");
        std::wstring path = JoinPath(d.recent, L"document " + std::to_wstring(i) + L".txt.lnk");
        d.shortcuts.push_back(path);
        if (IsExistingFile(path)) continue;
        WriteFileReplacing(target, "x", TDurability::NoFlush);
        link->SetPath(target.c_str());
        file->Save(path.c_str(), TRUE);
    }
    return d;
}

}  // namespace qm::bench
