// Controls through the headless renderer: edits, combo boxes, check boxes,
// report lists, progress bars, scroll bars and the scrolling container.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "Controls.h"
#include "HeadlessRenderer.h"
#include "TestSupport.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kForm = 9101, kContainer = 9102;
constexpr UINT kEdit = 10, kCombo = 11, kCheck = 12, kList = 13, kBar = 14, kEditCombo = 15;

class Form : public CImageDialog {
public:
    Form() : CImageDialog(kForm) {}
    std::vector<std::pair<UINT, UINT>> notes;  // (id, code)

protected:
    BOOL OnCommand(WPARAM w, LPARAM l) override {
        notes.emplace_back(LOWORD(w), HIWORD(w));
        return CImageDialog::OnCommand(w, l);
    }
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        DialogTemplate t;
        t.id = kForm;
        t.cx = 200;
        t.cy = 150;
        t.style = WS_POPUP | WS_VISIBLE;
        t.controls = {
            {kEdit, ControlKind::Edit, 5, 5, 100, 12, "", 0, true},
            {kCombo, ControlKind::ComboBox, 5, 20, 100, 60, "", CBS_DROPDOWNLIST, true},
            {kCheck, ControlKind::CheckBox, 5, 40, 80, 10, "tick", BS_AUTOCHECKBOX, true},
            {kList, ControlKind::ListCtrl, 5, 55, 150, 60, "", LVS_REPORT, true},
            {kBar, ControlKind::Progress, 5, 120, 150, 8, "", 0, true},
            {kEditCombo, ControlKind::ComboBox, 110, 20, 80, 60, "", CBS_DROPDOWN | CBS_HASSTRINGS,
             true},
        };
        RegisterDialogTemplate(nullptr, t);
        DialogTemplate c;
        c.id = kContainer;
        c.cx = 200;
        c.cy = 100;
        c.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL;
        RegisterDialogTemplate(nullptr, c);
    }
    HeadlessDriver driver;
};

}  // namespace

TEST_F(Controls, TypingPickingAndTickingNotifyTheParent) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    EXPECT_TRUE(form.IsWindowVisible()) << "WS_VISIBLE template";
    auto* edit = static_cast<CEdit*>(form.GetDlgItem(kEdit));
    edit->SetLimitText(5);
    ASSERT_TRUE(driver.Type(form, kEdit, "hello world"));
    EXPECT_EQ(edit->GetWindowText(), "hello") << "the limit cuts typed text";
    edit->SetReadOnly();
    EXPECT_TRUE(driver.Type(form, kEdit, "x"));
    EXPECT_EQ(edit->GetWindowText(), "hello") << "read-only edits ignore typing";

    auto* combo = static_cast<CComboBox*>(form.GetDlgItem(kCombo));
    combo->AddString("甲");
    combo->AddString("乙");
    EXPECT_EQ(combo->GetCurSel(), -1);
    ASSERT_TRUE(driver.Pick(form, kCombo, 1));
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetWindowText(), "乙");
    EXPECT_TRUE(driver.Pick(form, kCombo, 7));
    EXPECT_EQ(combo->GetCurSel(), 1) << "an index beyond the items changes nothing";
    combo->InsertString(0, "零");
    EXPECT_EQ(combo->GetCurSel(), 2) << "the selection follows its item";
    combo->DeleteString(2);
    EXPECT_EQ(combo->GetCurSel(), -1);

    auto* check = static_cast<CButton*>(form.GetDlgItem(kCheck));
    EXPECT_EQ(check->Kind(), ControlKind::CheckBox);
    ASSERT_TRUE(driver.Tick(form, kCheck));
    EXPECT_EQ(check->GetCheck(), 1);
    ASSERT_TRUE(driver.Tick(form, kCheck));
    EXPECT_EQ(check->GetCheck(), 0);

    const std::vector<std::pair<UINT, UINT>> expected = {
        {kEdit, EN_CHANGE}, {kCombo, CBN_SELCHANGE}, {kCheck, BN_CLICKED}, {kCheck, BN_CLICKED}};
    EXPECT_EQ(form.notes, expected);
}

TEST_F(Controls, AnEditableComboBoxTakesTypedTextAListOneDoesNot) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    auto* list = static_cast<CComboBox*>(form.GetDlgItem(kCombo));
    EXPECT_FALSE(list->IsEditable());
    EXPECT_FALSE(driver.Type(form, kCombo, "typed"));
    EXPECT_EQ(list->GetWindowText(), "");

    auto* box = static_cast<CComboBox*>(form.GetDlgItem(kEditCombo));
    ASSERT_TRUE(box->IsEditable());
    box->AddString("GD1");
    box->SetCurSel(0);
    ASSERT_TRUE(driver.Type(form, kEditCombo, "GD-typed"));
    EXPECT_EQ(box->GetWindowText(), "GD-typed");
    EXPECT_EQ(box->GetCurSel(), -1) << "typed text selects no item";
    ASSERT_TRUE(driver.Pick(form, kEditCombo, 0));
    EXPECT_EQ(box->GetWindowText(), "GD1");
    const std::vector<std::pair<UINT, UINT>> expected = {{kEditCombo, CBN_EDITCHANGE},
                                                         {kEditCombo, CBN_SELCHANGE}};
    EXPECT_EQ(form.notes, expected);
}

TEST_F(Controls, FocusMovesOnRequestAndLeavesADestroyedWindow) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    CWnd* edit = form.GetDlgItem(kEdit);
    CWnd* combo = form.GetDlgItem(kCombo);
    CEdit loose;
    EXPECT_EQ(loose.SetFocus(), CWnd::GetFocus());
    EXPECT_NE(CWnd::GetFocus(), &loose) << "a window without a handle cannot take it";
    const CWnd* before = CWnd::GetFocus();
    EXPECT_EQ(edit->SetFocus(), before);
    EXPECT_EQ(CWnd::GetFocus(), edit);
    EXPECT_EQ(combo->SetFocus(), edit);
    EXPECT_EQ(CWnd::GetFocus(), combo);
    form.DestroyWindow();
    EXPECT_EQ(CWnd::GetFocus(), nullptr);
}

TEST_F(Controls, ReportListKeepsRowsColumnsAndSelection) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    auto* list = static_cast<CListCtrl*>(form.GetDlgItem(kList));
    list->InsertColumn(0, "名称", 0, 100);
    list->InsertColumn(1, "MAC", 0, 120);
    EXPECT_EQ(list->InsertItem(0, "a"), 0);
    EXPECT_EQ(list->InsertItem(5, "c"), 1) << "past the end appends";
    EXPECT_EQ(list->InsertItem(1, "b"), 1);
    EXPECT_TRUE(list->SetItemText(2, 1, "00-11"));
    EXPECT_FALSE(list->SetItemText(3, 0, "x"));
    EXPECT_EQ(list->GetItemText(2, 0), "c");
    EXPECT_EQ(list->GetItemText(2, 1), "00-11");
    EXPECT_EQ(list->GetItemText(0, 1), "");
    EXPECT_EQ(list->GetItemText(9, 0), "");
    ASSERT_TRUE(driver.Pick(form, kList, 2));
    EXPECT_EQ(list->GetSelectionMark(), 2);
    list->DeleteItem(0);
    EXPECT_EQ(list->GetSelectionMark(), 1) << "selection follows its row";
    list->DeleteAllItems();
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->GetSelectionMark(), -1);
}

TEST_F(Controls, ProgressClampsToItsRange) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    auto* bar = static_cast<CProgressBar*>(form.GetDlgItem(kBar));
    bar->SetRange(0, 4);
    bar->SetPos(3);
    EXPECT_DOUBLE_EQ(bar->Fraction(), 0.75);
    bar->SetPos(9);
    EXPECT_EQ(bar->GetPos(), 4);
    bar->SetPos(-2);
    EXPECT_EQ(bar->GetPos(), 0);
    bar->SetRange(5, 1);
    EXPECT_DOUBLE_EQ(bar->Fraction(), 0.0) << "an empty range is never divided by";
}

TEST_F(Controls, ScrollBarsClampLikeWindows) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = 0;
    si.nMax = 199;
    si.nPage = 50;
    si.nPos = 500;
    form.SetScrollInfo(SB_VERT, si);
    EXPECT_EQ(form.GetScrollPos(SB_VERT), 150);  // max - (page - 1)
    form.SetScrollPos(SB_VERT, -4);
    EXPECT_EQ(form.GetScrollPos(SB_VERT), 0);
    si.fMask = SIF_PAGE;
    si.nPage = 1000;
    form.SetScrollInfo(SB_VERT, si);
    EXPECT_EQ(form.ScrollBar(SB_VERT).page, 200) << "the page never exceeds the range";
}

TEST_F(Controls, ContainerScrollsWithinItsLimitsAndMovesItsChildren) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    CScrollContainer box;
    ASSERT_TRUE(box.Create(kContainer, &form));
    EXPECT_EQ(box.GetParent(), &form) << "WS_CHILD template embeds it";
    CImageButtonX item;
    ASSERT_TRUE(item.Create("tool", WS_CHILD | WS_VISIBLE, CRect(20, 300, 70, 400), &box, 14101));
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = 400;
    si.nPage = 100;
    box.SetScrollInfo(SB_VERT, si);

    driver.VScroll(box, SB_LINEDOWN);
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 5);
    EXPECT_EQ(item.Rect().top, 295);
    driver.VScroll(box, SB_PAGEDOWN);
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 55);
    driver.Wheel(box, -WHEEL_DELTA);  // down: 750, clamped to max - page
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 300);
    EXPECT_EQ(item.Rect().top, 0);
    driver.VScroll(box, SB_LINEDOWN);
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 300) << "no movement past the end";
    EXPECT_EQ(item.Rect().top, 0);
    driver.VScroll(box, SB_THUMBTRACK, 120);
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 120);
    EXPECT_EQ(item.Rect().top, 180);
    driver.Wheel(box, WHEEL_DELTA);
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 0);
    EXPECT_EQ(item.Rect().top, 300) << "back at the top the child is where it started";
    driver.VScroll(box, SB_TOP);
    EXPECT_EQ(box.GetScrollPos(SB_VERT), 0);
}

TEST_F(Controls, ImageButtonTakesItsImageSizeAndStateImages) {
    test::TempDir dir;
    // A 1 x 1 PNG header is enough for the size; the renderer shows the file.
    const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                                 'I',  'H', 'D', 'R', 0,    0,    0,    48,   0, 0, 0, 40};
    const std::string path = (dir / "n.png").string();
    test::WriteFile(path, std::string(reinterpret_cast<const char*>(png), sizeof png));
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    CImageButtonX b;
    ASSERT_TRUE(b.Create("tool", WS_CHILD | WS_VISIBLE, CRect(20, 5, 70, 105), &form, 14101));
    b.SetNormalImage(path);
    b.SetOverImage(path + ".missing");
    b.SetAuotSize(true);
    EXPECT_EQ(b.Rect(), CRect(20, 5, 68, 45));
    EXPECT_EQ(b.Image(kStatePressed).file, path) << "unset states fall back to the normal image";
    EXPECT_EQ(b.Image(kStateHover).info.size, CSize());
    LOGFONT lf;
    lf.lfHeight = 13;
    lf.lfWeight = FW_BOLD;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "宋体");
    b.SetTextFont(kStateHover, &lf);
    EXPECT_TRUE(b.GetSkinFont(kStateHover).bold);
    EXPECT_EQ(b.GetSkinFont(kStateHover).size, 13);
    EXPECT_FALSE(b.GetSkinFont(kStateNormal).bold);
}

TEST_F(Controls, PagesMayDriveCombosByMessageAndReachChildrenById) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    const std::string first = "13800000000", second = "13900000000";
    EXPECT_EQ(
        form.SendDlgItemMessage(kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(first.c_str())),
        0);
    EXPECT_EQ(
        form.SendDlgItemMessage(kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(second.c_str())),
        1);
    EXPECT_EQ(form.SendDlgItemMessage(kCombo, CB_GETCOUNT), 2);
    EXPECT_EQ(form.SendDlgItemMessage(kCombo, CB_SETCURSEL, 0), 0);
    EXPECT_EQ(form.GetDlgItemText(kCombo), first);
    EXPECT_EQ(form.SendDlgItemMessage(kCombo, CB_SETCURSEL, 5), -1);
    EXPECT_EQ(form.SendDlgItemMessage(kCombo, CB_GETCURSEL), -1);
    form.SendDlgItemMessage(kCombo, CB_RESETCONTENT);
    EXPECT_EQ(form.SendDlgItemMessage(kCombo, CB_GETCOUNT), 0);
    form.SetDlgItemText(kEdit, "abc");
    EXPECT_EQ(form.GetDlgItemText(kEdit), "abc");
    EXPECT_EQ(form.GetDlgItemText(4242), "");
    EXPECT_EQ(form.SendDlgItemMessage(4242, CB_GETCOUNT), 0);
    auto* list = static_cast<CListCtrl*>(form.GetDlgItem(kList));
    EXPECT_EQ(list->SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), 0u);
    EXPECT_EQ(list->GetExtendedStyle(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

namespace {

std::vector<std::vector<std::string>> ModelRows(CWnd& w) {
    std::vector<std::vector<std::string>> rows;
    if (auto* combo = dynamic_cast<CComboBox*>(&w)) {
        for (const std::string& item : combo->Items()) rows.push_back({item});
    } else if (auto* list = dynamic_cast<CListCtrl*>(&w)) {
        for (int r = 0; r < list->GetItemCount(); ++r) {
            std::vector<std::string> cells;
            for (int c = 0; c < std::max(1, list->GetColumnCount()); ++c)
                cells.push_back(list->GetItemText(r, c));
            rows.push_back(cells);
        }
    }
    return rows;
}

}  // namespace

// Item edits of every kind reach the renderer one by one and leave it showing
// exactly the model's rows; only new columns make it copy a list whole.
TEST_F(Controls, ItemEditsReachTheRendererOneByOne) {
    struct Case {
        const char* name;
        UINT id;
        std::function<void(CWnd&)> edit;
        bool rebuilds;
    };
    const auto combo = [](CWnd& w) -> CComboBox& { return static_cast<CComboBox&>(w); };
    const auto list = [](CWnd& w) -> CListCtrl& { return static_cast<CListCtrl&>(w); };
    const std::vector<Case> cases = {
        {"combo append", kCombo, [&](CWnd& w) { combo(w).AddString("d"); }, false},
        {"combo insert first", kCombo, [&](CWnd& w) { combo(w).InsertString(0, "z"); }, false},
        {"combo insert middle", kCombo, [&](CWnd& w) { combo(w).InsertString(2, "m"); }, false},
        {"combo delete middle", kCombo, [&](CWnd& w) { combo(w).DeleteString(1); }, false},
        {"combo delete last", kCombo, [&](CWnd& w) { combo(w).DeleteString(2); }, false},
        {"combo reset then add", kCombo,
         [&](CWnd& w) {
             combo(w).ResetContent();
             combo(w).AddString("only");
         },
         false},
        {"combo by message", kCombo,
         [&](CWnd& w) { w.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("msg")); }, false},
        {"list append", kList, [&](CWnd& w) { list(w).InsertItem(9, "d"); }, false},
        {"list insert first", kList, [&](CWnd& w) { list(w).InsertItem(0, "z"); }, false},
        {"list cell", kList, [&](CWnd& w) { list(w).SetItemText(1, 1, "00-1B"); }, false},
        {"list cell past columns", kList, [&](CWnd& w) { list(w).SetItemText(1, 4, "x"); }, false},
        {"list delete", kList, [&](CWnd& w) { list(w).DeleteItem(1); }, false},
        {"list delete all then add", kList,
         [&](CWnd& w) {
             list(w).DeleteAllItems();
             list(w).InsertItem(0, "new");
         },
         false},
        {"list new column", kList, [&](CWnd& w) { list(w).InsertColumn(1, "厂商"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Form form;
        ASSERT_TRUE(form.Create(kForm));
        CWnd& w = *form.GetDlgItem(c.id);
        if (c.id == kCombo) {
            for (const char* s : {"a", "b", "c"}) combo(w).AddString(s);
        } else {
            list(w).InsertColumn(0, "名称");
            list(w).InsertColumn(1, "MAC");
            for (const char* s : {"a", "b", "c"}) list(w).InsertItem(9, s);
            list(w).SetItemText(2, 1, "00-11");
        }
        ASSERT_EQ(driver.Renderer().Items(w), ModelRows(w));
        const auto rebuilds = driver.Renderer().ItemRebuilds();
        c.edit(w);
        EXPECT_EQ(driver.Renderer().Items(w), ModelRows(w));
        EXPECT_EQ(driver.Renderer().ItemRebuilds() > rebuilds, c.rebuilds);
    }
}

// A long answer fills a combo box and a list item by item: the renderer's
// work grows with the items added, not with the items already there.
TEST_F(Controls, LongListsAreFilledWithoutRebuildingTheRenderer) {
    Form form;
    ASSERT_TRUE(form.Create(kForm));
    auto* combo = static_cast<CComboBox*>(form.GetDlgItem(kCombo));
    auto* list = static_cast<CListCtrl*>(form.GetDlgItem(kList));
    list->InsertColumn(0, "单号");
    const auto rebuilds = driver.Renderer().ItemRebuilds();
    const auto edits = driver.Renderer().ItemEdits();
    constexpr int kOrders = 20000;
    for (int i = 0; i < kOrders; ++i) {
        const std::string order = "WO" + std::to_string(i);
        combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(order.c_str()));
        list->InsertItem(i, order);
    }
    combo->SendMessage(CB_SETCURSEL, 0, 0);
    EXPECT_EQ(driver.Renderer().ItemRebuilds(), rebuilds);
    EXPECT_EQ(driver.Renderer().ItemEdits() - edits, 2u * kOrders);
    const auto shown = driver.Renderer().Items(*combo);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kOrders));
    EXPECT_EQ(shown.back(), std::vector<std::string>{"WO19999"});
    EXPECT_EQ(driver.Renderer().Items(*list).size(), static_cast<std::size_t>(kOrders));
    EXPECT_EQ(combo->GetWindowText(), "WO0");
}
