// The dialog kit. Dialogs are built from an in-memory template (no resource
// script needed); TDialog gives every dialog the same control access, one way
// to end, field colours for validation, the OK/Cancel row, trackbars and the
// elevation-hint panel, so a dialog class holds only its controls, its values
// and its rules. Each dialog keeps a values struct and one entry point
// `bool Show(HWND owner, TValues&)`.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "base/unique_any.h"
#include "ui/layout.h"

namespace qm {

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kComboBoxAtom = 0x0085;

// Styles of the recurring controls.
constexpr DWORD kCheckStyle = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadioStyle = BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEditStyle = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kTrackbarStyle = WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS;
constexpr DWORD kModalDialogStyle = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Field colours of validation: valid, disabled and invalid input.
constexpr COLORREF kFieldWhite = RGB(255, 255, 255);
constexpr COLORREF kFieldGrey = RGB(239, 239, 239);
constexpr COLORREF kFieldRed = RGB(255, 0, 0);
constexpr COLORREF kFieldYellow = RGB(255, 255, 0);
// The text colour of a field left to the system.
constexpr COLORREF kSystemText = CLR_INVALID;

// Builds a DLGTEMPLATEEX with the shell dialog font. Sizes are dialog units.
class TDialogTemplate {
public:
    TDialogTemplate(const std::wstring& caption, short cx, short cy, DWORD style = kModalDialogStyle);
    // Adds a control of a predefined class (0x0080 button, 0x0081 edit, 0x0082
    // static, 0x0083 list box, 0x0085 combo box) or of a named class.
    TDialogTemplate& Add(WORD atom, const std::wstring& text, WORD id, short x, short y, short cx, short cy,
                         DWORD style, DWORD exStyle = 0);
    TDialogTemplate& Add(const std::wstring& className, const std::wstring& text, WORD id, short x, short y, short cx,
                         short cy, DWORD style, DWORD exStyle = 0);
    // The row of the confirm and cancel buttons at the right edge (OK the default).
    TDialogTemplate& AddOkCancel(short y, const std::wstring& ok = L"OK", const std::wstring& cancel = L"Cancel");
    // A single closing button at the right edge, answering both Enter and Escape.
    TDialogTemplate& AddCloseButton(short y, const std::wstring& caption);

    const DLGTEMPLATE* Get() const;
    short Width() const { return cx_; }
    short Height() const { return cy_; }
    short ButtonsY() const { return buttonsY_; }

private:
    void Align();
    void PutWord(WORD w);
    void PutDword(DWORD d);
    void PutString(const std::wstring& s);
    std::vector<WORD> data_;
    size_t countAt_ = 0;
    short cx_, cy_;
    short buttonsY_ = -1;
};

// The x of the confirm button of an OK/Cancel row in a dialog of this width.
constexpr short OkButtonX(short dialogWidth) {
    return static_cast<short>(dialogWidth - layout::kMargin - 2 * layout::kButtonW - layout::kGap);
}
constexpr short CancelButtonX(short dialogWidth) {
    return static_cast<short>(dialogWidth - layout::kMargin - layout::kButtonW);
}

// The dialog procedure forwards to the object; an error that escapes a
// handler is reported at that boundary and dropped.
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

private:
    static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

class TDialog : public TDialogBase {
public:
    // A control of the dialog, or of one of its child pages (null when none).
    HWND Item(int id) const;
    bool Checked(int id) const;
    void SetChecked(int id, bool on);
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text);
    void ShowItem(int id, bool show);
    void ShowItems(std::initializer_list<int> ids, bool show);
    void EnableItem(int id, bool enable);
    // Moves the keyboard focus as the dialog manager does (default button kept right).
    void FocusItem(int id);
    // Places a control, in dialog units.
    void Place(int id, short x, short y, short cx, short cy);

    void SetupTrackbar(int id, int lo, int hi, int pos);
    int TrackPos(int id) const;
    void SetTrackPos(int id, int pos);

    // The background of an edit: white, light grey (disabled) or red (invalid),
    // and the colour of its text (the system's unless given).
    void SetFieldColour(int id, COLORREF colour, COLORREF text = kSystemText);
    COLORREF FieldColour(int id) const;
    COLORREF FieldTextColour(int id) const;
    // Red and focused: the user is to correct it.
    void MarkInvalid(int id, COLORREF text = kSystemText);
    void MarkValid(int id) { SetFieldColour(id, kFieldWhite); }

    // Moves the OK/Cancel row down by growth and grows the dialog to match
    // (0 puts both back where the template had them).
    void GrowBy(short growth);
    // The elevation-hint panel (its label and its check box) shown with the
    // dialog grown by growth, or hidden with the dialog at its template size.
    // The check box is always unticked afterwards.
    void ShowElevationHint(int hintId, int checkId, bool show, short growth);

    // Moves the dialog so its top-left corner is at the point, kept on the screen.
    void MoveNear(POINT pt);

    // A folder field (an edit beside its browse and open-folder buttons).
    // Browse: the shell's folder browser titled caption + the field's text,
    // starting in that folder; a chosen existing folder goes into the field
    // with a trailing "\". True when one was chosen.
    bool BrowseFolderField(int editId, const std::wstring& caption);
    // Open folder: the field's folder in Explorer; false (nothing opened) when
    // the field names no existing folder.
    bool ExploreFolderField(int editId);

    // A child dialog (a tab page) whose controls Item() also finds.
    void AddPage(HWND page) { pages_.push_back(page); }
    void ClearPages() { pages_.clear(); }

protected:
    // Runs modally; true only when the dialog ended through End(true), so a
    // modal loop that ends for another reason (the program's end) is not a
    // confirmation.
    bool RunDialog(HWND owner, const TDialogTemplate& tpl);
    // The one way a dialog ends.
    void End(bool confirmed);

    // Handlers, one per message the kit dispatches.
    virtual void OnInit() {}
    // The confirm button or Enter: true lets the dialog end confirmed.
    virtual bool OnOk() { return true; }
    // Just before the dialog ends, however it ends.
    virtual void OnEnd(bool /*confirmed*/) {}
    virtual void OnCommand(int /*id*/, int /*code*/) {}
    virtual bool OnNotify(const NMHDR& /*hdr*/) { return false; }
    virtual void OnHScroll(HWND /*bar*/) {}
    // Any other message; true when it was handled (result set).
    virtual bool OnOtherMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, INT_PTR& /*result*/) { return false; }

    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) final;

private:
    INT_PTR OnColour(WPARAM wp, LPARAM lp);
    struct TFieldColour {
        COLORREF colour;
        COLORREF text;
        unique_hbrush brush;
    };
    std::map<int, TFieldColour> colours_;
    std::vector<HWND> pages_;
    bool confirmed_ = false;
    bool focusSet_ = false;
    short width_ = 0, height_ = 0, buttonsY_ = -1;
};

}  // namespace qm
