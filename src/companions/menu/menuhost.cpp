// qmmenuhost DLL PATH...: drives a context-menu DLL as Explorer would, without
// Explorer: loads it by full path, takes its class factory, initialises the
// handler with a data object holding the paths, adds its item to a menu,
// reads its command strings, measures and draws the item on a memory device
// context and invokes it by offset and by verb. Prints one "name=value" line a
// step; for checking a build's DLL by hand and from the tests of the other
// architecture. Exit code 0 when every step answered; otherwise the step.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/com.h"
#include "base/dataobject.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "setup/contextmenu.h"

using Microsoft::WRL::ComPtr;

namespace {

void Print(const char* name, const std::wstring& value) { std::printf("%s=%s\n", name, qm::WideToUtf8(value).c_str()); }
void PrintCode(const char* name, HRESULT hr) { std::printf("%s=0x%08lX\n", name, static_cast<unsigned long>(hr)); }

// The colour of a pixel of the drawn item as RRGGBB, and the system colour it should be.
std::wstring Hex(COLORREF c) { return qm::Format(L"%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c)); }

// Draws the item on a memory device context and prints three of its pixels:
// the background right of the caption, the image's white corner and its red dot.
bool DrawItem(IContextMenu3* menu, UINT id, const SIZE& size, bool selected, const char* name) {
    qm::unique_window_dc screen(nullptr);
    qm::unique_hdc dc(::CreateCompatibleDC(screen.get()));
    qm::unique_hbitmap bitmap(::CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    if (!dc || !bitmap) return false;
    qm::unique_select_object select(dc.get(), bitmap.get());
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = id;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = selected ? ODS_SELECTED : 0;
    draw.hDC = dc.get();
    draw.rcItem = RECT{0, 0, size.cx, size.cy};
    LRESULT handled = 0;
    HRESULT hr = menu->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &handled);
    std::printf("%s=0x%08lX %d back=%ls corner=%ls dot=%ls\n", name, static_cast<unsigned long>(hr),
                static_cast<int>(handled), Hex(::GetPixel(dc.get(), size.cx - 2, size.cy - 2)).c_str(),
                Hex(::GetPixel(dc.get(), 2, 2)).c_str(), Hex(::GetPixel(dc.get(), 2 + 11, 2 + 10)).c_str());
    return SUCCEEDED(hr);
}

int Run(const std::wstring& dllPath, const std::vector<std::wstring>& paths) {
    qm::unique_hmodule dll(::LoadLibraryExW(dllPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!dll) return 2;
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), "DllGetClassObject")));
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        std::printf("export.%s=%d\n", name, ::GetProcAddress(dll.get(), name) != nullptr);
    if (!getClassObject) return 3;
    {
        ComPtr<IClassFactory> factory;
        PrintCode("factory", getClassObject(qm::CLSID_QuilmarMenu, IID_PPV_ARGS(&factory)));
        if (!factory) return 4;
        ComPtr<IShellExtInit> init;
        PrintCode("create", factory->CreateInstance(nullptr, IID_PPV_ARGS(&init)));
        if (!init) return 5;
        qm::TBlockDataObject data(CF_HDROP, qm::DropFilesBlock(paths));
        PrintCode("initialize", init->Initialize(nullptr, &data, nullptr));
        ComPtr<IContextMenu3> menu;
        PrintCode("contextmenu3", init.As(&menu));
        if (!menu) return 6;

        const UINT first = 100;
        qm::unique_hmenu popup(::CreatePopupMenu());
        PrintCode("query", menu->QueryContextMenu(popup.get(), 0, first, first + 10, CMF_NORMAL));
        PrintCode("query.defaultonly", menu->QueryContextMenu(popup.get(), 0, first, first + 10, CMF_DEFAULTONLY));
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID;
        ::GetMenuItemInfoW(popup.get(), 0, TRUE, &item);
        std::printf("items=%d item.ownerdraw=%d item.id=%u\n", ::GetMenuItemCount(popup.get()),
                    (item.fType & MFT_OWNERDRAW) != 0, item.wID);

        wchar_t text[128] = {};
        PrintCode("verbw", menu->GetCommandString(0, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(text), 128));
        Print("verbw.text", text);
        char ansi[128] = {};
        PrintCode("helpa", menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, ansi, 128));
        Print("helpa.text", qm::AnsiToWide(ansi));
        PrintCode("verb.other", menu->GetCommandString(1, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(text), 128));

        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemID = first;
        LRESULT handled = 0;
        PrintCode("measure", menu->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), &handled));
        std::printf("measure.size=%u %u\n", measure.itemWidth, measure.itemHeight);
        SIZE size{static_cast<LONG>(measure.itemWidth), static_cast<LONG>(measure.itemHeight)};
        std::printf("colours highlight=%ls menu=%ls\n", Hex(::GetSysColor(COLOR_HIGHLIGHT)).c_str(),
                    Hex(::GetSysColor(COLOR_MENU)).c_str());
        DrawItem(menu.Get(), first, size, true, "draw.selected");
        DrawItem(menu.Get(), first, size, false, "draw.plain");

        CMINVOKECOMMANDINFO byOffset{};
        byOffset.cbSize = sizeof(byOffset);
        byOffset.lpVerb = MAKEINTRESOURCEA(0);
        byOffset.nShow = SW_SHOWNORMAL;
        PrintCode("invoke.offset", menu->InvokeCommand(&byOffset));
        CMINVOKECOMMANDINFO byVerb = byOffset;
        byVerb.lpVerb = "QuilmarMenu";
        PrintCode("invoke.verb", menu->InvokeCommand(&byVerb));
        CMINVOKECOMMANDINFOEX wide{};
        wide.cbSize = sizeof(wide);
        wide.fMask = CMIC_MASK_UNICODE;
        wide.lpVerb = "ignored";
        wide.lpVerbW = L"quilmarmenu";
        PrintCode("invoke.verbw", menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&wide)));
        CMINVOKECOMMANDINFO other = byOffset;
        other.lpVerb = MAKEINTRESOURCEA(1);
        PrintCode("invoke.other", menu->InvokeCommand(&other));
        other.lpVerb = "open";
        PrintCode("invoke.unknown", menu->InvokeCommand(&other));
    }
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    auto canUnload =
        reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), "DllCanUnloadNow")));
    PrintCode("canunload", canUnload ? canUnload() : E_FAIL);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: qmmenuhost DLL [PATH...]\n", stderr);
        return 2;
    }
    qm::TComApartment com;
    std::vector<std::wstring> paths(argv + 2, argv + argc);
    int code = Run(argv[1], paths);
    std::fflush(stdout);
    return code;
}
