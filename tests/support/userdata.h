// The real program's per-user data for end-to-end tests: a fresh start and the
// record files it writes.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/product.h"
#include "base/files.h"
#include "base/unique_any.h"
#include "support/process.h"
#include "support/tempdir.h"

namespace qm::test {

// No records, settings or hand-off files; the first recording of the empty
// record folder runs without asking.
inline bool ResetUserData() {
    RemoveTree(UserDataFolder());
    RemoveTree(CommonDataFolder());
    return CreateFolderTree(UserDataFolder()) &&
           ::WritePrivateProfileStringW(L"default", L"CbShowSettingsWhenRecord", L"0",
                                        JoinPath(UserDataFolder(), L"defualt.ini").c_str());
}

// The record files of the default record folder, sorted by name.
inline std::vector<std::wstring> RecordFiles() {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    unique_hfind f(::FindFirstFileW(JoinPath(UserDataFolder(), L"*.quilmar").c_str(), &fd));
    if (f) {
        do out.push_back(JoinPath(UserDataFolder(), fd.cFileName));
        while (::FindNextFileW(f.get(), &fd));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A test that starts the real program for a fresh user and leaves no main
// window behind.
class RealProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ResetUserData());
        ASSERT_EQ(FindProcessWindow(kMainWindowClass, 0), nullptr) << "a main window is left from before";
    }
    void TearDown() override {
        if (HWND w = FindProcessWindow(kMainWindowClass, 0)) ::PostMessageW(w, WM_CLOSE, 0, 0);
    }
};

}  // namespace qm::test
