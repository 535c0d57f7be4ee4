// LbRECs: the record list, a multi-select list box that the record store fills
// and reads through IRecordList. The cursor is the entry the user last moved to.
#pragma once
#include <windows.h>

#include "records/recordstore.h"

namespace qm {

class TRecordListBox : public IRecordList {
public:
    void Attach(HWND listBox) { hwnd_ = listBox; }
    HWND Handle() const { return hwnd_; }

    void Clear() override;
    void Add(const std::wstring& name) override;
    int Count() const override;
    std::wstring Text(int index) const override;
    int Cursor() const override;
    void SelectOnly(int index) override;
    std::vector<int> Selected() const override;

    void SelectAll();
    // The entry with this text, or -1.
    int IndexOf(const std::wstring& name) const;
    // The selection shows the cursor alone again (after a click that must wait).
    void ShowCursorSelection() { SelectOnly(Cursor()); }
    // The user moved the cursor (a click or a key): takes the caret entry.
    void CursorMovedByUser();

private:
    HWND hwnd_ = nullptr;
    int cursor_ = -1;
};

}  // namespace qm
