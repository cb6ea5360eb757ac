#pragma once
// CListCtrl: a report-style list of rows and columns.

#include <string>
#include <vector>

#include "ImageDialog.h"

// A report-style list: columns with headings, rows of texts, one selected row.
inline constexpr DWORD LVS_EX_GRIDLINES = 0x1;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x20;

class CListCtrl : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::ListCtrl; }
    int InsertColumn(int col, const std::string& heading, int format = 0, int width = -1);
    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    struct Column {
        std::string heading;
        int format = 0;
        int width = 80;
    };
    const std::vector<Column>& Columns() const { return columns_; }
    int InsertItem(int index, const std::string& text);
    BOOL SetItemText(int item, int subItem, const std::string& text);
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const { return static_cast<int>(rows_.size()); }
    BOOL DeleteItem(int item);
    BOOL DeleteAllItems();
    int GetSelectionMark() const { return selected_; }
    int SetSelectionMark(int item);
    // LVS_EX_GRIDLINES, LVS_EX_FULLROWSELECT; returns the previous styles.
    DWORD SetExtendedStyle(DWORD styles);
    DWORD GetExtendedStyle() const { return extended_; }
    void UserSelect(int item);

private:
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
    int selected_ = -1;
    DWORD extended_ = 0;
};
