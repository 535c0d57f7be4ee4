#include "base/pathtext.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(PathText, FolderPathNormalisation) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\a", L"C:\\a\\"},
        {L"C:\\a\\\\", L"C:\\a\\"},
        {L"C:", L"C:\\"},
        {L"  C:\\a\\  ", L"C:\\a\\"},
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"", L""},
        {L"C:\\a\\\\\\b", L"C:\\a\\b\\"},
    };
    for (auto [in, out] : cases) EXPECT_EQ(NormaliseFolderPath(in), out) << in;
}

TEST(PathText, NamesAndExtensions) {
    EXPECT_EQ(NameWithoutExtension(L"C:\\Docs\\report.final.txt"), L"C:\\Docs\\report.final");
    EXPECT_EQ(NameWithoutExtension(L"C:\\a.b\\c"), L"C:\\a.b\\c");
    EXPECT_EQ(ExtensionOf(L"C:\\a.b\\c"), L"");
    EXPECT_EQ(ExtensionOf(L"x.TXT"), L".TXT");
    EXPECT_EQ(RecordName(L"Dec 08,2026_001.quilmar"), L"Dec 08,2026_001");
    EXPECT_EQ(RecordName(L"noextension"), L"");
    EXPECT_EQ(StripTrailingBackslash(L"C:\\a\\"), L"C:\\a");
    EXPECT_EQ(StripTrailingBackslash(L"C:\\a"), L"C:\\a");
}

TEST(PathText, EnvironmentExpansionTakesOnlyTheFirstVariable) {
    ::SetEnvironmentVariableW(L"QM_A", L"alpha");
    ::SetEnvironmentVariableW(L"QM_B", L"beta");
    ::SetEnvironmentVariableW(L"QM_UNSET", nullptr);
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"%QM_A%\\%QM_B%", L"alpha\\%QM_B%"}, {L"%QM_UNSET%\\x", L"%QM_UNSET%\\x"},
        {L"no variables", L"no variables"},    {L"50%", L"50%"},
        {L"x %QM_A% %1", L"x alpha %1"},       {L"   ", L"   "},
    };
    for (auto [in, out] : cases) EXPECT_EQ(ExpandFirstEnvironmentVariable(in), out) << in;
}

TEST(PathText, LocationNormalisation) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Windows\\system32\\NOTEPAD.EXE %1", L"C:\\Windows\\system32\\NOTEPAD.EXE"},
        {L"\"C:\\Program Files\\App\\app.exe\" \"%1\"", L"C:\\Program Files\\App\\app.exe"},
        {L"rundll32.exe shell32.dll,Control_RunDLL", L"rundll32.exe shell32.dll,Control_RunDLL"},
        {L"\"C:\\Program Files\\App\\app.exe", L"C:\\Program Files\\App\\app.exe"},
        {L"http://x/y?z", L"http://x/y?z"},
        {L"HTTPS://x/a b", L"HTTPS://x/a b"},
        {L"C:\\folder\\", L"C:\\folder\\"},
        {L"C:\\a.txt", L"C:\\a.txt"},
        {L"C:\\My Files\\x.txt", L"C:\\My Files\\x.txt"},
    };
    for (auto [in, out] : cases) EXPECT_EQ(NormaliseLocation(in), out) << in;
}

TEST(PathText, WebAddresses) {
    EXPECT_TRUE(IsWebAddress(L"  HTTP://x "));
    EXPECT_TRUE(IsWebAddress(L"see https://x"));
    EXPECT_FALSE(IsWebAddress(L"C:\\http\\x"));
    EXPECT_FALSE(IsWebAddress(L"ftp://x"));
}

}  // namespace
}  // namespace qm
