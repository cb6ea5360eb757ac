#pragma once
// CDlgPlugScrollList: the frame of the tool list, holding the items and the
// scrolling button grid that shows them.

#include <vector>

#include "Controls.h"
#include "DlgPlugContainer.h"
#include "ToolCatalogue.h"

class CDlgPlugScrollList : public CImageDialog {
public:
    CDlgPlugScrollList();
    ~CDlgPlugScrollList() override;

    // Drops every item and its button.
    void RemoveAll();
    // Appends an item and its button.
    void AddItem(const toolbox::PlugItem& item);

    const std::vector<toolbox::PlugItem>& Items() const { return plugItems_; }
    CDlgPlugContainer& Container() { return container_; }

    BOOL DestroyWindow() override;

protected:
    BOOL OnInitDialog() override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    CPNGPicture picture_;
    CStaticText title_;
    std::vector<toolbox::PlugItem> plugItems_;
    CDlgPlugContainer container_;
    CBrush white_{RGB(255, 255, 255)};
};
