// A report list: a list view with columns, small icons, full-row selection, a
// context menu and dragging of rows, as the filter list, the add-items pages
// and the startup programs manager use it.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace qm {

class TReportList {
public:
    // As a child of a window, or on a list view a dialog template made.
    void Create(HWND parent, int id, HFONT font, DWORD extraStyle = 0);
    void Attach(HWND listView);
    HWND Handle() const { return hwnd_; }

    void AddColumn(const std::wstring& caption, int width);
    void SetColumnWidth(int column, int width);
    int ColumnCount() const;
    std::wstring ColumnCaption(int column) const;
    // Small images for the rows (the list does not own them).
    void SetImages(HIMAGELIST images);

    void Clear();
    // A row with a cell per column; image -1 for none; data travels with the row.
    int AddRow(const std::vector<std::wstring>& cells, int image = -1, LPARAM data = 0);
    int Count() const;
    std::wstring Text(int row, int column) const;
    LPARAM Data(int row) const;
    std::vector<int> SelectedRows() const;
    int FocusedRow() const;
    void SelectOnly(int row);

    // Events (from the parent's WM_NOTIFY): the context menu at a screen point,
    // Enter or a double click on a row, the start of a drag of the selected rows.
    std::function<void(POINT screen)> onContextMenu;
    std::function<void(int row)> onActivate;
    std::function<void()> onBeginDrag;
    // A key pressed in the list, and a row that became selected.
    std::function<void(UINT key)> onKey;
    std::function<void(int row)> onSelect;

    // The parent passes its notifications here; true when they were this list's.
    bool OnNotify(const NMHDR& hdr);

private:
    HWND hwnd_ = nullptr;
};

}  // namespace qm
