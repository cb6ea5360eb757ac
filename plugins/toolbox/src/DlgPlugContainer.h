#pragma once
// CDlgPlugContainer: the scrolling grid of tool buttons inside the list,
// five to a row, each with its caption under its image. A released button
// is reported to the window the list names.

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "ScrollContainer.h"

class CDlgPlugContainer : public CScrollContainer {
public:
    CDlgPlugContainer();
    ~CDlgPlugContainer() override;

    // Appends a button with `caption` under its images (full paths; empty for none).
    void AddButton(const std::string& normalImage, const std::string& pressedImage,
                   const std::string& caption, const std::string& hoverImage);
    // Destroys and deletes every button.
    void RemoveButtons();

    void SetClickTarget(HWND window, UINT message) {
        clickWindow_ = window;
        clickMessage_ = message;
    }
    // The last released button, -1 before any.
    int SelectedIndex() const { return selectedIndex_; }
    const std::vector<std::unique_ptr<CImageButtonX>>& Buttons() const { return buttons_; }

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(zeva::MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    int IndexOf(HWND hwnd) const;
    void UpdateScrollRange(const CImageButtonX& newest, int row);

    std::vector<std::unique_ptr<CImageButtonX>> buttons_;
    HWND clickWindow_ = nullptr;
    UINT clickMessage_ = 0;
    int selectedIndex_ = -1;
    CBrush white_{RGB(255, 255, 255)};
};
