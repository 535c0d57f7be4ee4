#include "capture/specialwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/effects.h"
#include "base/strings.h"
#include "capture/pathutil.h"

namespace qm {
namespace {

// Replaces the launch-mode actions by recorders for one test.
class RecordedActions {
public:
    RecordedActions() : saved_(SpecialActions()) {
        SpecialActions().openSpecialFolder = [this](int csidl) {
            opened.push_back(L"folder:" + std::to_wstring(csidl));
        };
        SpecialActions().startPhotoViewer = [this](const std::wstring& a) { opened.push_back(L"photo:" + a); };
        SpecialActions().runCommand = [this](const std::wstring& c) { opened.push_back(L"run:" + c); };
    }
    ~RecordedActions() { SpecialActions() = saved_; }
    std::vector<std::wstring> opened;

private:
    TSpecialActions saved_;
};

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH] = {};
    ::GetSystemDirectoryW(buffer, MAX_PATH);
    return buffer;
}

// What launch mode opens: a CSIDL, the photo viewer's argument, or the applet
// named after "Microsoft." in the control.exe command.
struct Case {
    const wchar_t* title;
    const wchar_t* path;
    int result;
    const wchar_t* newTitle;  // nullptr: unchanged
    const wchar_t* newPath;   // nullptr: unchanged
    const wchar_t* opened;    // nullptr: nothing
};

const std::wstring kExplorer = L"C:\\Windows\\explorer.exe";
const std::wstring kDllHost = L"C:\\Windows\\System32\\DLLHOST.EXE";
const std::wstring kRundll = L"C:\\windows\\system32\\rundll32.exe";
const std::wstring kViewerCommand =
    L"C:\\windows\\system32\\rundll32.exe "
    L"shimgvw.dll,ImageView_Fullscreen a.jpg";

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // Shell places of the Explorer family.
        {L"My Computer", kExplorer.c_str(), 1, nullptr, nullptr, L"folder:17"},
        {L"computer", L"C:\\WINDOWS\\EXPLORER.EXE", 1, nullptr, nullptr, L"folder:17"},
        {L"  Windows Explorer ", kExplorer.c_str(), 1, nullptr, nullptr, L"folder:17"},
        {L"Control Panel", kRundll.c_str(), 1, nullptr, nullptr, L"folder:3"},
        {L"Recycle Bin", kExplorer.c_str(), 1, nullptr, nullptr, L"folder:10"},
        {L"My Network Places", kExplorer.c_str(), 1, nullptr, nullptr, L"folder:18"},
        {L"Network", kDllHost.c_str(), 1, nullptr, nullptr, L"folder:18"},
        {L"Printers and Faxes", kExplorer.c_str(), 1, nullptr, nullptr, L"folder:4"},
        // A place's title wins over a photo-viewer path: rows are tried in order.
        {L"Recycle Bin", kViewerCommand.c_str(), 1, nullptr, nullptr, L"folder:10"},
        // The photo viewer's own window.
        {L"holiday.jpg - Windows Photo Viewer", kDllHost.c_str(), 2, L"Windows Photo Viewer", L"Windows Photo Viewer",
         L"photo:Windows Photo Viewer"},
        {L"Windows Picture and Fax Viewer", kRundll.c_str(), 2, L"Windows Photo Viewer", L"Windows Photo Viewer",
         L"photo:Windows Photo Viewer"},
        {L"Photo Viewer", kViewerCommand.c_str(), 2, L"Windows Photo Viewer", L"Windows Photo Viewer",
         L"photo:Windows Photo Viewer"},
        // Any other title of a photo-viewer command opens the command's path.
        {L"a.jpg", kViewerCommand.c_str(), 1, nullptr, nullptr,
         L"photo:C:\\windows\\system32\\rundll32.exe "
         L"shimgvw.dll,ImageView_Fullscreen a.jpg"},
        // Control-panel applets shown by Explorer: the path becomes the title.
        {L"System", kExplorer.c_str(), 2, nullptr, L"System", L"run:System"},
        {L"windows update", kExplorer.c_str(), 2, nullptr, L"windows update", L"run:windowsupdate"},
        {L"Programs and Features", kDllHost.c_str(), 2, nullptr, L"Programs and Features", L"run:ProgramsandFeatures"},
        {L"Network and Sharing Center", kExplorer.c_str(), 2, nullptr, L"Network and Sharing Center",
         L"run:NetworkandSharingCenter"},
        // An ordinary folder window of Explorer.
        {L"Documents", kExplorer.c_str(), 0, nullptr, nullptr, nullptr},
        {L"", kExplorer.c_str(), 0, nullptr, nullptr, nullptr},
        // Management console windows open the applet named by their title.
        {L"Event Viewer", L"C:\\Windows\\System32\\mmc.exe", 1, nullptr, nullptr, L"run:EventViewer"},
        {L"System", L"c:\\windows\\system32\\MMC.EXE \"x.msc\"", 1, nullptr, nullptr, L"run:System"},
        // Recorded applet items: title and path name the same applet.
        {L"System", L"system", 1, nullptr, L"System", L"run:System"},
        {L"User Accounts", L" USER ACCOUNTS ", 1, nullptr, L"User Accounts", L"run:UserAccounts"},
        {L"System", L"User Accounts", 0, nullptr, nullptr, nullptr},
        // Ordinary programs.
        {L"System", L"C:\\windows\\notepad.exe", 0, nullptr, nullptr, nullptr},
        {L"Untitled - Notepad", L"C:\\windows\\notepad.exe", 0, nullptr, nullptr, nullptr},
        {L"Recycle Bin", L"C:\\tools\\myexplorer.exe", 0, nullptr, nullptr, nullptr},
        {L"", L"", 0, nullptr, nullptr, nullptr},
    };
    return cases;
}

// The recorded action in the table's short form.
std::wstring Short(const std::wstring& action) {
    const std::wstring prefix = L"run:" + SystemFolder() + L"\\control.exe /name Microsoft.";
    if (StartsWith(action, prefix)) return L"run:" + action.substr(prefix.size());
    return action;
}

void Check(bool launch) {
    for (const Case& c : Cases()) {
        RecordedActions actions;
        std::wstring title = c.title, path = c.path;
        SCOPED_TRACE(testing::Message() << "title '" << WideToUtf8(c.title) << "' path '" << WideToUtf8(c.path) << "'");
        EXPECT_EQ(RecogniseSpecialWindow(title, path, launch), c.result);
        EXPECT_EQ(title, c.newTitle ? c.newTitle : c.title);
        EXPECT_EQ(path, c.newPath ? c.newPath : c.path);
        if (launch && c.opened) {
            ASSERT_EQ(actions.opened.size(), 1u);
            EXPECT_EQ(Short(actions.opened[0]), c.opened);
        } else {
            EXPECT_TRUE(actions.opened.empty());
        }
    }
}

TEST(SpecialWindow, ClassifyModeDecidesAndRewritesButOpensNothing) { Check(false); }

TEST(SpecialWindow, LaunchModeOpensThePlace) { Check(true); }

TEST(SpecialWindow, AppletCommandRunsControlFromTheSystemFolder) {
    EXPECT_EQ(ControlPanelAppletCommand(L"windows update"),
              SystemFolder() + L"\\control.exe /name Microsoft.windowsupdate");
    EXPECT_EQ(ControlPanelAppletCommand(L" System "), SystemFolder() + L"\\control.exe /name Microsoft.System");
}

TEST(SpecialWindow, PhotoViewerStartsShimgvwFullscreenWithTheArgument) {
    struct Call {
        std::wstring verb, file, parameters;
        int show;
    };
    std::vector<Call> calls;
    decltype(TEffects::shellExecute) saved = Effects().shellExecute;
    Effects().shellExecute = [&](HWND, const std::wstring& v, const std::wstring& f, const std::wstring& p, int s) {
        calls.push_back({v, f, p, s});
        return reinterpret_cast<HINSTANCE>(42);
    };
    StartPhotoViewer(L"C:\\pics\\holiday.jpg");
    Effects().shellExecute = saved;

    wchar_t root[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH), 0u);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].verb, L"open");
    EXPECT_EQ(calls[0].file, L"rundll32.exe");
    EXPECT_EQ(calls[0].parameters, std::wstring(root) +
                                       L"\\system32\\shimgvw.dll,ImageView_"
                                       L"Fullscreen C:\\pics\\holiday.jpg");
    EXPECT_EQ(calls[0].show, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace qm
