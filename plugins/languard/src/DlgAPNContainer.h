#pragma once
// CDlgAPNContainer: the scrolling list of device rows of the LAN check, one
// CDlgAPNItem per device in device order, this computer first.

#include <memory>
#include <vector>

#include "DlgAPNItem.h"
#include "ScrollContainer.h"

class CDlgAPNContainer : public CScrollContainer {
public:
    static constexpr int kScrollStep = 49;

    CDlgAPNContainer();
    ~CDlgAPNContainer() override;

    // Appends a row below the last one; the first is marked as this computer.
    CDlgAPNItem* AddRow(const std::string& ip, const std::string& mac, const std::string& vendor);
    // Destroys every row and scrolls back to the top.
    void Clear();
    std::size_t RowCount() const { return rows_.size(); }
    CDlgAPNItem* Row(std::size_t index) const {
        return index < rows_.size() ? rows_[index].get() : nullptr;
    }

    BOOL DestroyWindow() override;

protected:
    BOOL OnInitDialog() override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    std::vector<std::unique_ptr<CDlgAPNItem>> rows_;
    CBrush white_{RGB(0xFF, 0xFF, 0xFF)};
};
