#pragma once
// CComboBox: a drop-down list of texts with one selected item.

#include <string>
#include <vector>

#include "ImageDialog.h"

inline constexpr UINT CB_ERR = static_cast<UINT>(-1);
inline constexpr UINT CB_ADDSTRING = 0x0143;
inline constexpr UINT CB_GETCOUNT = 0x0146;
inline constexpr UINT CB_GETCURSEL = 0x0147;
inline constexpr UINT CB_RESETCONTENT = 0x014B;
inline constexpr UINT CB_SETCURSEL = 0x014E;
inline constexpr UINT CBN_EDITCHANGE = 5;

class CComboBox : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::ComboBox; }
    int AddString(const std::string& text);
    int InsertString(int index, const std::string& text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const { return static_cast<int>(items_.size()); }
    int SetCurSel(int index);
    int GetCurSel() const { return cur_; }
    int GetLBText(int index, std::string& out) const;
    const std::vector<std::string>& Items() const { return items_; }
    // A pick by the user: selects and sends CBN_SELCHANGE to the parent.
    void UserSelect(int index);
    // A box with an edit field (CBS_DROPDOWN, not CBS_DROPDOWNLIST) takes
    // typed text: it becomes the box's text, no item is selected, and the
    // parent gets CBN_EDITCHANGE.
    bool IsEditable() const { return (GetStyle() & CBS_DROPDOWNLIST) == CBS_DROPDOWN; }
    void UserEditText(const std::string& text);
    void AdoptFrom(CWnd& generic) override;
    // The combo-box messages pages send: CB_ADDSTRING (lParam = text),
    // CB_SETCURSEL, CB_GETCURSEL, CB_GETCOUNT, CB_RESETCONTENT.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<std::string> items_;
    int cur_ = -1;
};
