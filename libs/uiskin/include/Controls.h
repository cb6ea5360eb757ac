#pragma once
// The skinned controls: labels, pictures, image buttons and check boxes,
// edits, combo boxes, report lists, progress bars and scrolling containers.

#include <string>
#include <vector>

#include "ImageDialog.h"

class CStatic : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Static; }
    BOOL Create(const std::string& text, DWORD style, const CRect& rect, CWnd* parent, UINT id);
};

// A label with its own font, colour, alignment and transparency.
class CStaticText : public CStatic {};

// A picture showing a PNG (resource id or file) or a glyph of the skin.
class CPNGPicture : public CStatic {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Picture; }
    void SetImage(UINT resourceId);
    void SetImage(const std::string& file);
    void SetImage(const zeva::ui::SkinImage& image);
    zeva::ui::SkinImage Image(int state = zeva::ui::kStateNormal) const override;
    // Animation frame of glyphs that move (the waiting radar).
    void SetFrame(int frame);
    int Frame() const { return frame_; }

private:
    zeva::ui::SkinImage image_;
    int frame_ = 0;
};

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

// A single- or multi-line edit (ES_MULTILINE, ES_WANTRETURN, ES_PASSWORD).
class CEdit : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Edit; }
    BOOL Create(DWORD style, const CRect& rect, CWnd* parent, UINT id);
    void SetLimitText(UINT max);
    UINT GetLimitText() const { return limit_; }
    void SetReadOnly(BOOL on = 1);
    // Text the user typed: replaces the content and sends EN_CHANGE to the parent.
    void UserReplaceText(const std::string& text);

protected:
    UINT limit_ = 30000;
};

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

// A report-style list: columns with headings, rows of texts, one selected row.
class CListCtrl : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::ListCtrl; }
    int InsertColumn(int col, const std::string& heading, int format = 0, int width = -1);
    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    struct Column {
        std::string heading;
        int format = 0;
        int width = 80;
    };
    const std::vector<Column>& Columns() const { return columns_; }
    int InsertItem(int index, const std::string& text);
    BOOL SetItemText(int item, int subItem, const std::string& text);
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const { return static_cast<int>(rows_.size()); }
    BOOL DeleteItem(int item);
    BOOL DeleteAllItems();
    int GetSelectionMark() const { return selected_; }
    int SetSelectionMark(int item);
    void UserSelect(int item);

private:
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
    int selected_ = -1;
};

class CProgressBar : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Progress; }
    BOOL Create(DWORD style, const CRect& rect, CWnd* parent, UINT id);
    void SetRange(int lower, int upper);
    void GetRange(int& lower, int& upper) const {
        lower = lower_;
        upper = upper_;
    }
    int SetPos(int pos);  // clamped to the range; returns the previous position
    int GetPos() const { return pos_; }
    void SetBarColor(COLORREF color);
    COLORREF BarColor() const { return barColor_; }
    // Share of the range covered, 0..1.
    double Fraction() const;
    virtual bool IsPillar() const { return false; }

private:
    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
    COLORREF barColor_ = RGB(0x3A, 0x8E, 0xE6);
};

// The bar drawn as a rising pillar (a vertical gauge).
class CPillar : public CProgressBar {
public:
    bool IsPillar() const override { return true; }
};

// A child dialog whose content scrolls vertically in pixels: line, page and
// wheel steps move the position within [min, max - page] and the children
// with it.
class CScrollContainer : public CImageDialog {
public:
    explicit CScrollContainer(UINT templateId = 0, CWnd* parent = nullptr) : CImageDialog(templateId, parent) {}
    void SetScrollSteps(int line, int page, int wheel);
    // Scrolls by `delta` pixels, clamped; returns the distance actually moved.
    int ScrollBy(int delta);

protected:
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;

private:
    int line_ = 5;
    int page_ = 50;
    int wheel_ = 750;
};
