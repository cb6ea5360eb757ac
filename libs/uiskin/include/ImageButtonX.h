#pragma once
// Buttons: CButton (push button or check box) and the image button
// CImageButtonX with normal, hover and pressed (selected) images.

#include <string>

#include "ImageDialog.h"

// A push button or, with BS_AUTOCHECKBOX, a check box. A release over the
// button sends WM_COMMAND (id, BN_CLICKED) to its parent.
class CButton : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override;
    BOOL Create(const std::string& caption, DWORD style, const CRect& rect, CWnd* parent, UINT id);
    void SetCheck(int check);
    int GetCheck() const { return check_; }
    void AdoptFrom(CWnd& generic) override;

protected:
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void Click();

    int check_ = 0;
};

class CCheckBox : public CButton {};

// A button drawn from images for its normal, hover and pressed (selected) states.
class CImageButtonX : public CButton {
public:
    CImageButtonX();
    void SetShowText(bool show);
    bool ShowsText() const { return showText_; }
    void SetNormalImage(UINT resourceId);
    void SetOverImage(UINT resourceId);
    void SetSelectImage(UINT resourceId);
    void SetNormalImage(const std::string& file);
    void SetOverImage(const std::string& file);
    void SetSelectImage(const std::string& file);
    // Same three images from resource ids in the order normal, over, selected.
    void SetImages(UINT normal, UINT over, UINT selected);
    // With automatic sizing the button takes its normal image's size.
    void SetAuotSize(bool on);
    void SetAutoSize(bool on) { SetAuotSize(on); }
    void SetTextFont(int state, const LOGFONT* font);
    void SetTextDeflateRect(const CRect& deflate);
    CRect TextDeflateRect() const { return deflate_; }
    zeva::ui::SkinImage Image(int state = zeva::ui::kStateNormal) const override;
    // The state to draw now: pressed or checked, hover, else normal.
    int DrawState() const;

private:
    void SetStateImage(int state, zeva::ui::SkinImage image);
    void ApplyAutoSize();

    zeva::ui::SkinImage images_[4];
    bool showText_ = false;
    bool autoSize_ = false;
    CRect deflate_;
};
