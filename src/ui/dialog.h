// Dialogs built from an in-memory template (no resource script needed), and a
// base class whose dialog procedure forwards to the object.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace qm {

// Builds a DLGTEMPLATEEX with the shell dialog font. Sizes are dialog units.
class TDialogTemplate {
public:
    TDialogTemplate(const std::wstring& caption, short cx, short cy,
                    DWORD style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    // Adds a control of a predefined class (0x0080 button, 0x0081 edit, 0x0082
    // static, 0x0083 list box, 0x0085 combo box) or of a named class.
    TDialogTemplate& Add(WORD atom, const std::wstring& text, WORD id, short x, short y, short cx, short cy,
                         DWORD style, DWORD exStyle = 0);
    TDialogTemplate& Add(const std::wstring& className, const std::wstring& text, WORD id, short x, short y, short cx,
                         short cy, DWORD style, DWORD exStyle = 0);
    const DLGTEMPLATE* Get() const;

private:
    void Align();
    void PutWord(WORD w);
    void PutDword(DWORD d);
    void PutString(const std::wstring& s);
    std::vector<WORD> data_;
    size_t countAt_ = 0;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kComboBoxAtom = 0x0085;

class TDialogBase {
public:
    TDialogBase() = default;
    TDialogBase(const TDialogBase&) = delete;
    TDialogBase& operator=(const TDialogBase&) = delete;
    virtual ~TDialogBase() = default;

    HWND Handle() const { return hwnd_; }

protected:
    // Runs the dialog modally; returns the code passed to EndDialog (or -1).
    INT_PTR RunModal(HWND owner, const TDialogTemplate& tpl);
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text);
    // Moves the dialog so its top-left corner is at the point, kept on the screen.
    void MoveNear(POINT pt);

private:
    static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

}  // namespace qm
