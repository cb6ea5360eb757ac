#pragma once
// CImageDialog: a caption-less skinned dialog built from a template. Modal
// (DoModal returns the EndDialog code) or modeless (Create), top level or
// embedded as a child page.

#include <climits>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Wnd.h"

class CImageDialog;

class CDataExchange {
public:
    CDataExchange(CImageDialog* dlg, BOOL save) : m_bSaveAndValidate(save), m_pDlgWnd(dlg) {}
    BOOL m_bSaveAndValidate;
    CImageDialog* m_pDlgWnd;
};

class CImageDialog : public CWnd {
public:
    explicit CImageDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CImageDialog() override;
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Dialog; }

    // Modeless: builds the window and its controls from template `id`.
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Modal: runs until EndDialog; returns its code, -1 when the window could not be made.
    virtual INT_PTR DoModal();
    virtual void EndDialog(int result);
    bool IsModal() const { return modal_; }
    bool IsEnded() const { return ended_; }
    int ModalResult() const { return result_; }
    BOOL UpdateData(BOOL save = 1);

    UINT TemplateId() const { return templateId_; }
    const zeva::ui::DialogTemplate* Template() const { return template_; }
    // Where templates and images are looked up (a plug-in's own module).
    void SetResourceModule(HMODULE module) { module_ = module; }
    HMODULE GetResourceModule() const { return module_; }
    CSize BaseUnits() const { return baseUnits_; }
    void MapDialogRect(CRect* rect) const;

    // Background: a resource image of the module or a PNG file; type is
    // accepted for compatibility (stretch/tile) and drawn stretched.
    void SetBackgroundImage(UINT resourceId, int type = 0);
    void SetBackgroundImage(const std::string& file, int type = 0);
    zeva::ui::SkinImage Image(int state = zeva::ui::kStateNormal) const override;
    void CenterWindow(CWnd* alternateOwner = nullptr);

    // The colours a control is drawn with after the WM_CTLCOLOR-style hook.
    struct ControlColors {
        COLORREF text = 0;
        bool transparent = false;
        bool hasBrush = false;
        COLORREF brush = 0;
    };
    ControlColors QueryControlColors(CWnd& control);

    // Times the window asked to be dragged (WM_NCLBUTTONDOWN with HTCAPTION).
    int DragRequests() const { return dragRequests_; }

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(zeva::MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AttachControl(int id, CWnd& member);

    // Declarations a dialog makes once, usually in its constructor: which
    // member takes over which template control (exchanged by the base
    // DoDataExchange), and what runs when a control notifies or a message
    // arrives. A later registration for the same id and code replaces one.
    using Handler = std::function<void()>;
    using MessageHandler = std::function<LRESULT(WPARAM, LPARAM)>;
    void Bind(int id, CWnd& member);
    void Bind(std::initializer_list<std::pair<int, CWnd*>> bindings);
    void HandleClick(int id, Handler handler);
    // Edit text changed or combo-box selection changed.
    void HandleChange(int id, Handler handler);
    void HandleCommand(int id, UINT notifyCode, Handler handler);
    void HandleMessage(UINT message, MessageHandler handler);
    // Runs when the window is destroyed, before its controls go.
    void AtDestroy(Handler handler);

    // A press on the dialog itself (not on a control) above `maxY` drags the
    // window; kDragAnywhere for any point, -1 (the default) for none.
    static constexpr int kDragAnywhere = INT_MAX;
    void SetCaptionDrag(int maxY) { dragMaxY_ = maxY; }
    int CaptionDragLimit() const { return dragMaxY_; }
    // Static labels drawn transparent over the background, in `text` unless
    // a label has a colour of its own.
    void SetStaticLook(COLORREF text);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    virtual HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnNcLButtonDown(UINT hitTest, CPoint point) override;
    void OnClose() override;

    CWnd* m_pParentWnd = nullptr;
    UINT m_nIDHelp = 0;

private:
    UINT templateId_ = 0;
    const zeva::ui::DialogTemplate* template_ = nullptr;
    HMODULE module_ = nullptr;
    CSize baseUnits_{6, 12};
    zeva::ui::SkinImage background_;
    bool modal_ = false;
    bool ended_ = false;
    int result_ = 0;
    int dragRequests_ = 0;
    CWnd* disabledOwner_ = nullptr;
    std::vector<std::pair<int, CWnd*>> bindings_;
    std::map<std::pair<UINT, UINT>, Handler> commandHandlers_;
    std::map<UINT, MessageHandler> messageHandlers_;
    std::vector<Handler> destroyHandlers_;
    int dragMaxY_ = -1;
    bool staticLook_ = false;
    COLORREF staticText_ = 0;

    friend class CDlgSubPage;
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
