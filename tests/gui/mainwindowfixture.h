// The main window created in the test process, with a settings store, a
// record folder and a fake desktop of its own, and the helpers its tests share.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "records/treefile.h"
#include "support/fakecapture.h"
#include "support/tempdir.h"
#include "ui/window.h"

namespace qm::test {

class TMainWindowFixture : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<TSettingsStore> store;
    std::unique_ptr<TQuilmarWindow> window;
    std::wstring records = dir / L"records\\";
    HKEY runKey = nullptr;
    FakeApps apps;
    FakeLocations locations;
    TempDir recent;

    void SetUp() override {
        store = std::make_unique<TSettingsStore>(TSettingsStore::Open(dir / L"user", dir / L"common"));
        store->User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records);
        // The first recording of an empty record folder runs without asking,
        // on a fake desktop.
        store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenRecord, false);
        CreateFolderTree(records);
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\QuilMarTests\\Run", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &runKey, nullptr);
        ::RegDeleteValueW(runKey, L"QuilMar");
    }
    void TearDown() override {
        window.reset();
        if (runKey) ::RegCloseKey(runKey);
    }
    void WriteRecord(const std::wstring& name, const std::string& items) {
        ASSERT_TRUE(CreateFolderTree(records));
        ASSERT_TRUE(WriteFileReplacing(JoinPath(records, name + L".quilmar"),
                                       "<quilmartree app=\"x\">" + items + "</quilmartree>"));
    }
    // Creates the window and runs its first-run step.
    void Open(std::vector<std::wstring> args = {}) {
        window = std::make_unique<TQuilmarWindow>(*store, std::move(args), ParseStartFlags({}));
        window->SetRunValue(TRunValue(HKEY_CURRENT_USER, L"Software\\QuilMarTests\\Run"));
        ASSERT_TRUE(window->Create());
        window->SetCaptureSources(&apps, &locations, recent.Path());
        window->ShowFirst(SW_SHOWNORMAL);
        window->FirstRun();
        PumpPendingMessages();
    }
    RECT Bounds() const {
        RECT r{};
        ::GetWindowRect(window->Handle(), &r);
        return r;
    }
};

inline std::string Item(const char* text, const char* path, int kind, const char* children = nullptr) {
    std::string s = std::string("<item text=\"") + text + "\" path=\"" + path +
                    "\" imageIndex=\"0\" stateIndex=\"-1\" docType=\"" + std::to_string(kind) + "\" extand=\"" +
                    (children ? "0" : "-1") + "\"";
    return children ? s + ">" + children + "</item>" : s + "/>";
}

inline std::vector<std::wstring> RecordNames(const std::wstring& folder) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    unique_hfind f(::FindFirstFileW(JoinPath(folder, L"*.quilmar").c_str(), &fd));
    if (f) {
        do out.push_back(RecordName(fd.cFileName));
        while (::FindNextFileW(f.get(), &fd));
    }
    std::sort(out.begin(), out.end());
    return out;
}

inline bool TreeHasPath(const TRecordModel& model, const std::wstring& path) {
    bool found = false;
    model.all.ForEachNode([&](TTreeNode* n) { found |= EqualsNoCase(model.items.At(n->Index()).path, path); });
    return found;
}

// A drop as Explorer makes it: a DROPFILES block with wide names.
inline HGLOBAL MakeDrop(const std::vector<std::wstring>& files) {
    std::wstring list;
    for (const auto& f : files) list += f + L'\0';
    list += L'\0';
    HGLOBAL mem = ::GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(mem);
    return mem;
}

// Lets the window run what the busy guard queued.
inline void Settle() {
    for (int i = 0; i < 20; ++i) {
        PumpPendingMessages();
        ::Sleep(5);
    }
}

inline std::wstring NewestRecord(const std::wstring& folder) {
    return JoinPath(folder, RecordNames(folder).back() + L".quilmar");
}

}  // namespace qm::test
