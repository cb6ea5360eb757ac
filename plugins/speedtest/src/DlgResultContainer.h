#pragma once
// The web-page test's result list: rows one under the other in a child
// window that scrolls by pixels (1 per line, 5 per page).

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"

class CDlgResultItem;

class CDlgResultContainer : public CScrollContainer {
public:
    CDlgResultContainer();
    ~CDlgResultContainer() override;

    void AddRow(bool answered, const std::string& address, float seconds);
    void Clear();
    const std::vector<std::unique_ptr<CDlgResultItem>>& Rows() const { return rows_; }

protected:
    BOOL OnInitDialog() override;

private:
    std::vector<std::unique_ptr<CDlgResultItem>> rows_;
};
