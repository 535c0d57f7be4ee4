#include "capture/runtimelibs.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/strings.h"
#include "support/tempdir.h"

namespace qm {
namespace {

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH] = {};
    ::GetSystemDirectoryW(buffer, MAX_PATH);
    return buffer;
}

TEST(RuntimeLibs, LoadsOnceFromTheSystemFolderWhateverTheCase) {
    HMODULE psapi = RuntimeLibrary(L"psapi.dll");
    ASSERT_NE(psapi, nullptr);
    EXPECT_EQ(RuntimeLibrary(L"psapi.dll"), psapi);
    EXPECT_EQ(RuntimeLibrary(L"PSAPI.DLL"), psapi);
    EXPECT_EQ(RuntimeLibrary(L" psapi.dll "), psapi);
    wchar_t file[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(psapi, file, MAX_PATH), 0u);
    EXPECT_TRUE(EqualsNoCase(FolderOf(file), SystemFolder() + L"\\")) << file;
}

TEST(RuntimeLibs, MissingOrNonPlainNamesGiveNullAndKeepTheErrorMode) {
    UINT before = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    for (const wchar_t* name : {L"qm-no-such-library.dll", L"", L"..\\system32\\psapi.dll", L"C:psapi.dll",
                                L"C:\\windows\\system32\\psapi.dll", L"system32/psapi.dll"}) {
        EXPECT_EQ(RuntimeLibrary(name), nullptr) << WideToUtf8(name);
        EXPECT_EQ(::GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS)) << WideToUtf8(name);
    }
    ::SetErrorMode(before);
}

// A library of that name in the current folder (or beside the program) must not
// be picked up in place of the system's.
TEST(RuntimeLibs, NeverLoadsALibraryFromTheCurrentFolder) {
    test::TempDir dir;
    std::wstring copy = dir / L"qmplanted.dll";
    ASSERT_TRUE(::CopyFileW((SystemFolder() + L"\\psapi.dll").c_str(), copy.c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(dir.Path().c_str()));
    HMODULE plain = ::LoadLibraryW(L"qmplanted.dll");
    HMODULE bound = RuntimeLibrary(L"qmplanted.dll");
    if (plain) ::FreeLibrary(plain);
    ::SetCurrentDirectoryW(previous);
    if (!plain) GTEST_SKIP() << "a copied system library does not load here";
    EXPECT_EQ(bound, nullptr);
}

TEST(RuntimeLibs, TypedEntryPoints) {
    using EnumFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    auto enumModules = GetProc<EnumFn>(L"psapi.dll", "EnumProcessModules");
    ASSERT_NE(enumModules, nullptr);
    HMODULE first = nullptr;
    DWORD needed = 0;
    ASSERT_TRUE(enumModules(::GetCurrentProcess(), &first, sizeof(first), &needed));
    EXPECT_EQ(first, ::GetModuleHandleW(nullptr));
    EXPECT_EQ(GetProc<EnumFn>(L"psapi.dll", "NoSuchEntryPoint"), nullptr);
    EXPECT_EQ(GetProc<EnumFn>(HMODULE{}, "EnumProcessModules"), nullptr);
    EXPECT_EQ(GetProc<EnumFn>(L"qm-no-such-library.dll", "EnumProcessModules"), nullptr);
}

}  // namespace
}  // namespace qm
