#pragma once
// CComboBox: a drop-down list of texts with one selected item.

#include <string>
#include <vector>

#include "ImageDialog.h"

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
    void AdoptFrom(CWnd& generic) override;

private:
    std::vector<std::string> items_;
    int cur_ = -1;
};
