// The open-location scan: the folders shown in Explorer windows and the pages
// shown in Internet Explorer windows (the shell's window collection), followed
// by the pages other browsers show, as (location, title) pairs.
#pragma once
#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/placement.h"
#include "capture/sources.h"

namespace qm {

// The type of a drive root such as "E:\" (GetDriveTypeW); tests replace it.
using TDriveTypeFn = std::function<UINT(const std::wstring& root)>;
UINT SystemDriveType(const std::wstring& root);

// Addresses that name no page worth recording: empty ones, exactly "http://" or
// "https://", and about:blank, about:tabs and about:home (any case, trimmed).
bool IsIgnorableAddress(const std::wstring& address);

// A drive-root title ("E:" or "E:\") of a removable drive becomes
// "Removable Disk (E:)"; every other title stays.
std::wstring RemovableDiskLabel(const std::wstring& title, const TDriveTypeFn& driveType = SystemDriveType);

// The roots ("E:\") of the removable drives, letters B to Z in order.
std::vector<std::wstring> RemovableDriveRoots(const TDriveTypeFn& driveType = SystemDriveType);

// The real collection through the ShellWindows object. Every failure (Wine does
// not implement it) gives no windows. COM must be initialised by the caller.
class TShellWindowList : public IShellWindowList {
public:
    TShellWindowList();
    ~TShellWindowList() override;
    int Count() override;
    std::optional<TShellWindow> Item(int index) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The folder a shell window's location stands for ("file:///C:/My%20Dir" gives
// "C:\My Dir", "file://host/share" gives "\\host\share"); nothing for a page.
std::optional<std::wstring> ShellWindowFolder(const std::wstring& locationUrl);

// Calls "title" on a document (a method call without arguments, or a property
// read where the document has no such method); nothing when that fails.
std::optional<std::wstring> DocumentTitle(IDispatch* document);

class TOpenLocationScan : public IOpenLocations {
public:
    // The real desktop: the shell's windows and the browsers; every tab of the
    // browsers' session files while recordAllTabs is on.
    TOpenLocationScan();
    explicit TOpenLocationScan(const bool& recordAllTabs);
    // Tests hand in their own sources.
    TOpenLocationScan(std::unique_ptr<IShellWindowList> shellWindows, std::unique_ptr<IBrowserPages> browserPages,
                      TDriveTypeFn driveType);
    ~TOpenLocationScan() override;

    void Scan(bool wantWebPages, std::vector<TLocationPair>& locations, const TPumpFn& pump) override;
    std::vector<TLocationPair> BrowserPages() override;

    // Where a folder's window is (tests replace it).
    std::function<std::optional<TWindowPlace>(HWND)> placeOf = PlaceOfWindow;

private:
    void AddShellWindow(int index, bool wantWebPages, std::vector<TLocationPair>& locations);

    std::unique_ptr<IShellWindowList> shellWindows_;
    std::unique_ptr<IBrowserPages> browserPages_;
    TDriveTypeFn driveType_;
};

}  // namespace qm
