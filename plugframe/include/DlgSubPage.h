#pragma once
// CDlgSubPage: the page base every plug-in page derives from. It remembers
// whether it is shown and which module its images come from, creates and
// shows its window on the host's request, and tells the host when it closes.

#include "AsyncCalls.h"
#include "ImageDialog.h"

class CDlgSubPage : public CImageDialog {
public:
    CDlgSubPage(UINT templateId, CWnd* parent = nullptr);
    ~CDlgSubPage() override;

    // Navigation hooks for pages with sub-pages; the base has none to go to.
    virtual void Backhome();
    virtual void Previous();
    // Closes the page and hands `result` to the host unchanged.
    virtual void CloseDialog(int result);
    // Creates the window from template `id` under `parent` when there is
    // none, then shows it and sets the shown flag.
    virtual BOOL CreateSubWindow(UINT templateId, CWnd* parent);
    virtual void OnBnClickedBtnClose();
    virtual void OnBnClickedBtnMinisized();

    BOOL DestroyWindow() override;
    BOOL IsShown() const { return m_bShown ? 1 : 0; }
    HINSTANCE GetResourceHandle() const { return m_hResource; }
    void SetResourceHandle(HINSTANCE module);
    // The value of the last CloseDialog, -1 before any.
    int LastCloseResult() const { return lastClose_; }

    // Runs `work` off the window thread and `done(result)` back on it; a
    // result that arrives after the window is gone is dropped.
    template <class Work, class Done>
    bool RunAsync(Work work, Done done) {
        return async_.Run(std::move(work), std::move(done));
    }
    std::size_t PendingAsync() const { return async_.Pending(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(zeva::MSG* msg) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

    bool m_bShown = false;
    HINSTANCE m_hResource = nullptr;

private:
    int lastClose_ = -1;
    zeva::plug::AsyncCalls async_{*this};
};
