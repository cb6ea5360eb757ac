#pragma once
// CDlgTreasureBox: the toolbox page: the grid of the further tools the
// installation lists and, below it, the advertisement strip. A picked tool
// is reported to the host's main window, which opens it.

#include <string>
#include <vector>

#include "DlgAdContainer.h"
#include "DlgPlugScrollList.h"
#include "DlgSubPage.h"
#include "ToolCatalogue.h"

class CDlgTreasureBox : public CDlgSubPage {
public:
    CDlgTreasureBox();
    explicit CDlgTreasureBox(zeva::plug::PageServices services);
    ~CDlgTreasureBox() override;

    CDlgAdContainer& Strip() { return strip_; }
    CDlgPlugScrollList& List() { return list_; }
    const std::vector<toolbox::CatalogEntry>& Entries() const { return catalogEntries_; }
    // The PlugId of the last tool reported to the host (empty before any).
    const std::string& LastPicked() const { return lastPicked_; }

    BOOL DestroyWindow() override;

protected:
    BOOL OnInitDialog() override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    void LoadCatalogue(const std::string& relativeFile);
    LRESULT OnButtonReleased();

    CDlgAdContainer strip_;
    CDlgPlugScrollList list_;
    std::vector<toolbox::CatalogEntry> catalogEntries_;
    std::string lastPicked_;
    CBrush white_{RGB(255, 255, 255)};
};
