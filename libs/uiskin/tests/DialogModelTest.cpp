// Dialog behaviour through the headless renderer: templates, clicks, hover,
// keys, modal end codes, drag requests, colour hooks and timers.

#include <gtest/gtest.h>

#include "Controls.h"
#include "HeadlessRenderer.h"
#include "Input.h"
#include "platform/Clock.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kTmpl = 9001;
constexpr UINT kTitle = 100, kOk = 101, kClose = 102, kEdit = 103, kCheck = 104;

void RegisterTestTemplate() {
    DialogTemplate t;
    t.id = kTmpl;
    t.cx = 287;
    t.cy = 154;
    t.fontFace = "SimSun";
    t.fontSize = 9;
    t.caption = "test";
    t.controls = {
        {kTitle, ControlKind::Static, 10, 5, 100, 10, "title", 0, true},
        {kOk, ControlKind::Button, 100, 120, 50, 14, "OK", 0, true},
        {kClose, ControlKind::Button, 270, 2, 12, 10, "", 0, true},
        {kEdit, ControlKind::Edit, 10, 30, 120, 12, "", ES_MULTILINE | ES_WANTRETURN, true},
        {kCheck, ControlKind::CheckBox, 10, 50, 80, 10, "tick", BS_AUTOCHECKBOX, false},
    };
    RegisterDialogTemplate(nullptr, t);
}

// A page like the plug-in pages: handles its buttons, drags on a press,
// colours its labels, counts its timer.
class TestDialog : public CImageDialog {
public:
    TestDialog() : CImageDialog(kTmpl) {}
    CImageButtonX okButton;
    CStaticText title;
    std::vector<UINT> commands;
    int timerTicks = 0;
    int initCalls = 0;

protected:
    BOOL OnInitDialog() override {
        CImageDialog::OnInitDialog();
        ++initCalls;
        okButton.SetNormalImage(637u);
        okButton.SetTextColor(kStateHover, RGB(255, 255, 255));
        return 1;
    }
    void DoDataExchange(CDataExchange* pDX) override {
        CImageDialog::DoDataExchange(pDX);
        DDX_Control(pDX, kOk, okButton);
        DDX_Control(pDX, kTitle, title);
    }
    BOOL OnCommand(WPARAM w, LPARAM l) override {
        commands.push_back(LOWORD(w));
        if (LOWORD(w) == kClose) {
            EndDialog(IDNO);
            return 1;
        }
        if (LOWORD(w) == kOk) {
            EndDialog(IDYES);
            return 1;
        }
        return CImageDialog::OnCommand(w, l);
    }
    void OnLButtonDown(UINT flags, CPoint p) override {
        CImageDialog::OnLButtonDown(flags, p);
        if (p.y < 30) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT type) override {
        HBRUSH b = CImageDialog::OnCtlColor(pDC, pWnd, type);
        if (type == CTLCOLOR_STATIC) {
            pDC->SetBkMode(TRANSPARENT);
            pDC->SetTextColor(RGB(0x33, 0x33, 0x33));
            return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        }
        if (type == CTLCOLOR_DLG) return white;
        return b;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == 1) ++timerTicks;
    }
    CBrush white{RGB(255, 255, 255)};
};

class DialogModel : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestTemplate(); }
    HeadlessDriver driver;
};

}  // namespace

TEST_F(DialogModel, TemplateBecomesControlsInPixelsFromTheFont) {
    EXPECT_EQ(DialogBaseUnits("宋体", 9), CSize(6, 12));
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    CRect r;
    dlg.GetClientRect(&r);
    EXPECT_EQ(r.Width(), 431);   // 287 * 6 / 4, rounded
    EXPECT_EQ(r.Height(), 231);  // 154 * 12 / 8
    EXPECT_EQ(dlg.GetDlgItem(kOk)->Rect(), CRect(150, 180, 225, 201));
    EXPECT_EQ(dlg.GetDlgItem(kOk), &dlg.okButton) << "DDX_Control binds the member in place";
    EXPECT_EQ(dlg.okButton.GetWindowText(), "OK");
    EXPECT_EQ(dlg.initCalls, 1);
    EXPECT_FALSE(dlg.GetDlgItem(kCheck)->IsVisibleFlag());
    EXPECT_FALSE(dlg.IsWindowVisible()) << "templates without WS_VISIBLE start hidden";
    EXPECT_EQ(dlg.okButton.Image().resourceId, 637u);
    EXPECT_EQ(dlg.okButton.GetTextColor(kStateHover), RGB(255, 255, 255));
    EXPECT_FALSE(dlg.Create(kTmpl)) << "a second Create on a live window fails";
}

TEST_F(DialogModel, MissingTemplateFailsCreateAndModal) {
    CImageDialog dlg(424242);
    EXPECT_FALSE(dlg.Create(424242));
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST_F(DialogModel, ClickSendsCommandOnlyToShownEnabledControls) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.ShowWindow(SW_SHOW);
    EXPECT_FALSE(driver.Click(dlg, kCheck)) << "hidden";
    dlg.GetDlgItem(kClose)->EnableWindow(0);
    EXPECT_FALSE(driver.Click(dlg, kClose)) << "disabled";
    // Input posted before the control was disabled is dropped too.
    CWnd* close = dlg.GetDlgItem(kClose);
    close->EnableWindow(1);
    input::Click(*close);
    close->EnableWindow(0);
    driver.Pump();
    EXPECT_TRUE(dlg.commands.empty());
    close->EnableWindow(1);
    EXPECT_TRUE(driver.Click(dlg, kClose));
    ASSERT_EQ(dlg.commands.size(), 1u);
    EXPECT_EQ(dlg.commands[0], kClose);
    EXPECT_FALSE(dlg.IsWindowVisible()) << "EndDialog hides a modeless dialog";
}

TEST_F(DialogModel, ReleaseOutsideTheButtonIsNoClick) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.ShowWindow(SW_SHOW);
    input::MouseDown(dlg.okButton, {3, 3});
    driver.Pump();
    EXPECT_TRUE(dlg.okButton.IsPressed());
    EXPECT_EQ(dlg.okButton.DrawState(), kStatePressed);
    input::MouseUp(dlg.okButton, {500, 3});
    driver.Pump();
    EXPECT_FALSE(dlg.okButton.IsPressed());
    EXPECT_TRUE(dlg.commands.empty());
}

TEST_F(DialogModel, HoverFollowsTheMouseBetweenControls) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(driver.Hover(dlg, kOk));
    EXPECT_TRUE(dlg.okButton.IsHovered());
    EXPECT_EQ(dlg.okButton.DrawState(), kStateHover);
    ASSERT_TRUE(driver.Hover(dlg, kClose));
    EXPECT_FALSE(dlg.okButton.IsHovered());
    EXPECT_TRUE(dlg.GetDlgItem(kClose)->IsHovered());
    driver.Leave();
    EXPECT_FALSE(dlg.GetDlgItem(kClose)->IsHovered());
}

TEST_F(DialogModel, ModalEndCodesFromButtonsKeysAndNobody) {
    {
        TestDialog dlg;
        driver.AnswerNextModal([&](CImageDialog& d) {
            EXPECT_TRUE(d.IsWindowVisible());
            EXPECT_EQ(CWnd::FromHandle(d.GetSafeHwnd()), &d);
            EXPECT_EQ(ActiveWindow(), &d);
            driver.Click(d, kOk);
        });
        EXPECT_EQ(dlg.DoModal(), IDYES);
        EXPECT_EQ(dlg.GetSafeHwnd(), nullptr) << "the window is gone after DoModal";
    }
    {
        TestDialog dlg;
        driver.AnswerNextModal(
            [&](CImageDialog& d) { driver.PressKey(*d.GetDlgItem(kTitle), VK_ESCAPE); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    {
        TestDialog dlg;
        driver.AnswerNextModal([&](CImageDialog& d) {
            // Return inside a multi-line edit that wants it does not end the dialog.
            driver.PressKey(*d.GetDlgItem(kEdit), VK_RETURN);
            EXPECT_FALSE(d.IsEnded());
            driver.PressKey(*d.GetDlgItem(kTitle), VK_RETURN);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
    {
        TestDialog dlg;
        EXPECT_EQ(dlg.DoModal(), -1);
        EXPECT_EQ(driver.Renderer().UnansweredModals(), 1);
    }
}

TEST_F(DialogModel, ModalDisablesItsOwnerUntilItEnds) {
    TestDialog owner;
    ASSERT_TRUE(owner.Create(kTmpl));
    owner.ShowWindow(SW_SHOW);
    CImageDialog box(kTmpl, &owner);
    bool ownerEnabledDuring = true;
    driver.AnswerNextModal([&](CImageDialog& d) {
        ownerEnabledDuring = owner.IsWindowEnabled();
        EXPECT_FALSE(driver.Click(owner, kOk)) << "no input to the owner of a modal dialog";
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(box.DoModal(), IDOK);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_TRUE(owner.commands.empty());
}

TEST_F(DialogModel, PressOnTheBodyPostsCaptionDragAndTheDialogAsksToMove) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.ShowWindow(SW_SHOW);
    driver.PressMouse(dlg, {40, 12});
    EXPECT_EQ(dlg.DragRequests(), 1);
    EXPECT_EQ(driver.Renderer().Drags(), 1);
    EXPECT_EQ(driver.Renderer().LastDragPoint(), CPoint(40, 12));
    driver.PressMouse(dlg, {40, 80});
    EXPECT_EQ(dlg.DragRequests(), 1) << "below the caption band there is no drag";
}

TEST_F(DialogModel, ColourHookDecidesHowControlsAreDrawn) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    const auto label = dlg.QueryControlColors(dlg.title);
    EXPECT_TRUE(label.transparent);
    EXPECT_FALSE(label.hasBrush);
    EXPECT_EQ(label.text, RGB(0x33, 0x33, 0x33));
    const auto body = dlg.QueryControlColors(dlg);
    EXPECT_TRUE(body.hasBrush);
    EXPECT_EQ(body.brush, RGB(255, 255, 255));
    dlg.okButton.SetTextColor(RGB(1, 2, 3));
    EXPECT_EQ(dlg.QueryControlColors(dlg.okButton).text, RGB(1, 2, 3))
        << "buttons keep their own colour";
}

TEST_F(DialogModel, TimersRunOnTheManualClock) {
    ManualClock clock;
    ScopedClock scoped(clock);
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.SetTimer(1, 500);
    ASSERT_TRUE(driver.Advance(1499));
    EXPECT_EQ(dlg.timerTicks, 2);
    dlg.KillTimer(1);
    clock.Advance(std::chrono::milliseconds(2000));
    EXPECT_EQ(dlg.timerTicks, 2);
    dlg.SetTimer(1, 100);
    dlg.DestroyWindow();
    clock.Advance(std::chrono::milliseconds(500));
    EXPECT_EQ(dlg.timerTicks, 2) << "a destroyed window's timers stop";
}

TEST_F(DialogModel, AdvanceNeedsAManualClock) {
    EXPECT_FALSE(driver.Advance(10));
}

TEST_F(DialogModel, DestroyedDialogDropsQueuedMessages) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.ShowWindow(SW_SHOW);
    input::Click(dlg.okButton);
    dlg.DestroyWindow();
    driver.Pump();
    EXPECT_TRUE(dlg.commands.empty());
    EXPECT_EQ(FindControl(dlg, kOk), nullptr);
}

TEST_F(DialogModel, OnlyAClickOnIdOkEndsTheDialogNotOtherNotifications) {
    DialogTemplate t;
    t.id = 9002;
    t.cx = 100;
    t.cy = 50;
    t.style = WS_POPUP | WS_VISIBLE;
    t.controls = {{IDOK, ControlKind::Edit, 5, 5, 80, 12, "", 0, true}};
    RegisterDialogTemplate(nullptr, t);
    CImageDialog dlg(9002);
    ASSERT_TRUE(dlg.Create(9002));
    ASSERT_TRUE(driver.Type(dlg, IDOK, "x"));
    EXPECT_TRUE(dlg.IsWindowVisible()) << "EN_CHANGE from control 1 is not OK";
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(dlg.IsWindowVisible());
}

TEST_F(DialogModel, AButtonMayDestroyItsDialogWhileItIsBeingClicked) {
    // The template's own (unbound) button object goes with the window.
    class SelfClosing : public CImageDialog {
    public:
        SelfClosing() : CImageDialog(kTmpl) {}

    protected:
        BOOL OnCommand(WPARAM w, LPARAM l) override {
            if (LOWORD(w) == kClose) {
                DestroyWindow();
                return 1;
            }
            return CImageDialog::OnCommand(w, l);
        }
    } dlg;
    ASSERT_TRUE(dlg.Create(kTmpl));
    dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(driver.Click(dlg, kClose));
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
    EXPECT_EQ(ActiveWindow(), nullptr);
}
