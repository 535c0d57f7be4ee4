#include "capture/pathutil.h"

#include <gtest/gtest.h>

#include "base/effects.h"
#include "base/files.h"
#include "base/strings.h"
#include "support/tempdir.h"

namespace qm {
namespace {

TEST(PathUtil, ValidDrivePaths) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"C:\\anything", true},
        {L"c:\\windows", true},
        {L"A:\\file", false},
        {L"a:\\file", false},
        {L"\\\\server\\share\\file", false},
        {L"", false},
        {L"C", false},
        {L"relative\\x", false},
        {L"Q:\\nodrive", false},
    };
    for (auto [path, valid] : cases) EXPECT_EQ(IsValidDrivePath(path), valid) << path;
}

TEST(PathUtil, ExistenceTestsOnlyAnswerForDrivePaths) {
    test::TempDir dir;
    std::wstring file = dir / L"f \u00E4.txt";
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_TRUE(FolderExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir / L"missing.txt"));
    EXPECT_FALSE(FileExists(L"\\\\?\\" + file));  // not a drive path
}

TEST(PathUtil, DisplayNames) {
    test::TempDir dir;
    std::wstring folder = dir / L"Docs";
    ASSERT_TRUE(CreateFolderTree(folder));
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\Docs\\report.final.txt", L"report.final"},
        {folder + L"\\", L"Docs"},
        {L"C:\\", L"C:"},
        {L"file:///" + ReplaceAll(folder, L"\\", L"/") + L"/", L"Docs"},
        {L"X:\\gone\\", L"X:\\gone\\"},
        {L"notepad", L"notepad"},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(DisplayName(path), name) << path;
}

TEST(PathUtil, GroupKeys) {
    const std::wstring docs = L"C:\\Users\\me\\Documents";
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Data\\Sub\\a.txt", L"C:\\Data"},
        {L"file:///C:/Data/Sub/a.txt", L"C:\\Data"},
        {L"C:\\a.txt", L"C:\\a.txt"},
        {L"http://example.com:8080/path/page.html", L"example.com:8080"},
        {L"https://example.com", L"example.com"},
        {L"\\\\server\\share\\x", L"\\\\server\\share\\x"},
        {L"c:\\users\\ME\\documents\\Work\\x.doc", L"C:\\Users\\me\\Documents"},
        {L"file:///c:\\users\\me\\documents\\x.doc", L"C:\\Users\\me\\Documents"},
        {L"notepad.exe", L"notepad.exe"},
        {L"  C:\\Data\\x  ", L"C:\\Data"},
        {L"relative\\path", L"relative\\path"},
    };
    for (auto [text, key] : cases) EXPECT_EQ(GroupKeyOf(text, docs), key) << text;
}

TEST(PathUtil, InvalidNameCharacters) {
    for (const wchar_t* bad : {L"a?b", L"*", L"\"q\"", L"a>b", L"a<b", L"a|b"}) EXPECT_TRUE(HasInvalidNameChars(bad));
    for (const wchar_t* good : {L"C:\\a b\\c.txt", L"x:y", L"%20"}) EXPECT_FALSE(HasInvalidNameChars(good));
}

// Records the shell calls instead of making them.
class ShellCalls {
public:
    struct Call {
        std::wstring verb, file, parameters;
        int show;
    };
    std::vector<Call> calls;
    INT_PTR answer = 42;
    ShellCalls() {
        saved_ = Effects().shellExecute;
        Effects().shellExecute = [this](HWND, const std::wstring& v, const std::wstring& f, const std::wstring& p,
                                        int s) {
            calls.push_back({v, f, p, s});
            HINSTANCE r = reinterpret_cast<HINSTANCE>(calls.size() == 1 ? answer : 42);
            if (calls.size() == 1 && answer == SE_ERR_NOASSOC) ::SetLastError(ERROR_NO_ASSOCIATION);
            return r;
        };
    }
    ~ShellCalls() { Effects().shellExecute = saved_; }

private:
    decltype(TEffects::shellExecute) saved_;
};

TEST(PathUtil, OpenLocationRules) {
    test::TempDir dir;
    std::wstring file = dir / L"doc.txt";
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    struct Case {
        std::wstring path;
        const wchar_t* verb;  // nullptr: nothing opened
        std::wstring target;
    };
    const Case cases[] = {
        {dir.Path(), L"explore", ToLower(dir.Path())},
        {L"Q:\\vanished\\file.txt", nullptr, L""},
        {L"example.com", L"open", L"http://example.com"},
        {L"http://example.com/a", L"open", L"http://example.com/a"},
        {file, L"open", file},
    };
    for (const auto& c : cases) {
        ShellCalls shell;
        OpenLocation(c.path);
        if (!c.verb) {
            EXPECT_TRUE(shell.calls.empty()) << c.path;
            continue;
        }
        ASSERT_EQ(shell.calls.size(), 1u) << c.path;
        EXPECT_EQ(shell.calls[0].verb, c.verb);
        EXPECT_EQ(shell.calls[0].file, c.target);
        EXPECT_EQ(shell.calls[0].show, SW_SHOWNORMAL);
    }
}

TEST(PathUtil, LaunchFallsBackToOpenWithExceptForPrograms) {
    {
        ShellCalls shell;
        shell.answer = SE_ERR_NOASSOC;
        EXPECT_FALSE(Launch(L"C:\\x\\data.qqq", L"", false));
        ASSERT_EQ(shell.calls.size(), 2u);
        EXPECT_EQ(shell.calls[1].file, L"rundll32.exe");
        EXPECT_EQ(shell.calls[1].parameters, L"shell32.dll,OpenAs_RunDLL C:\\x\\data.qqq");
    }
    {
        ShellCalls shell;
        shell.answer = SE_ERR_NOASSOC;
        EXPECT_FALSE(Launch(L"C:\\x\\tool.EXE ", L"", false));
        EXPECT_EQ(shell.calls.size(), 1u);
    }
    {
        ShellCalls shell;
        EXPECT_TRUE(Launch(L"C:\\x\\a.txt", L"/p", false));
        ASSERT_EQ(shell.calls.size(), 1u);
        EXPECT_EQ(shell.calls[0].parameters, L"/p");
    }
}

}  // namespace
}  // namespace qm
