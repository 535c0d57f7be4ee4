// A large, mixed set of paths as a user's selection hands them over: documents,
// folders, shortcuts, web addresses, some named twice and some that do not
// exist, in folders of their own of a few hundred entries each (made once and
// kept between runs: under Wine every new name costs a listing of its folder).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "support/shortcuts.h"

namespace qm::test {

struct TManyPaths {
    std::vector<std::wstring> paths;    // in hand-off order
    std::vector<std::wstring> links;    // the shortcuts among them
    std::vector<std::wstring> present;  // every local path among them that exists
};

// n paths under root: of every 20, 13 documents of three kinds, 2 folders, 2
// shortcuts to documents, 1 web address, 1 repeat of an earlier path and 1 missing file.
inline TManyPaths MakeManyPaths(const std::wstring& root, int n, const std::wstring& tag = L"") {
    TManyPaths out;
    const std::wstring made = JoinPath(root, L"made " + std::to_wstring(n) + tag);
    const bool make = !IsExistingFile(made);
    static const wchar_t* kExtensions[] = {L".txt", L".ini", L".log"};
    std::wstring docs, links;
    for (int i = 0; static_cast<int>(out.paths.size()) < n; ++i) {
        const std::wstring number = std::to_wstring(i);
        if (i % 200 == 0) {
            const std::wstring part = L" " + std::to_wstring(i / 200);
            docs = JoinPath(root, L"docs \u00E9" + tag + part);
            links = JoinPath(root, L"links" + tag + part);
            if (make) CreateFolderTree(docs), CreateFolderTree(links);
        }
        std::wstring path;
        switch (i % 20) {
            case 13:
            case 14:
                path = JoinPath(docs, L"folder " + number);
                if (make) CreateFolderTree(path);
                out.present.push_back(path);
                break;
            case 15:
            case 16: {
                std::wstring target = JoinPath(docs, L"linked " + number + L".txt");
                path = JoinPath(links, L"linked " + number + L".lnk");
                if (make) WriteFileReplacing(target, "x", TDurability::NoFlush), MakeShortcut(path, target);
                out.links.push_back(path);
                out.present.push_back(path);
                break;
            }
            case 17: path = L"https://example.com/page" + number + tag; break;
            case 18: path = out.paths[out.paths.size() / 2]; break;
            case 19: path = JoinPath(docs, L"missing " + number + L".txt"); break;
            default:
                path = JoinPath(docs, L"document " + number + kExtensions[i % 3]);
                if (make) WriteFileReplacing(path, "x", TDurability::NoFlush);
                out.present.push_back(path);
        }
        out.paths.push_back(path);
    }
    if (make) WriteFileReplacing(made, "", TDurability::NoFlush);
    return out;
}

}  // namespace qm::test
