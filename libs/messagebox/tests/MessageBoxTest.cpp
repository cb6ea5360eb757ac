// The message box answered through the headless renderer.

#include <gtest/gtest.h>

#include <algorithm>

#include "Controls.h"
#include "HeadlessRenderer.h"
#include "ZEVAMessageBox.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using namespace zeva::msgbox;

namespace {

// Checks the box on screen, then clicks `id` in it.
HeadlessRenderer::ModalAnswer Press(HeadlessDriver& driver, UINT id, std::vector<UINT> shown,
                                    std::string* text = nullptr) {
    return [&driver, id, shown, text](CImageDialog& box) {
        CRect client;
        box.GetClientRect(&client);
        for (UINT b : {IDOK, IDCANCEL, IDYES, IDNO}) {
            const bool expect = std::find(shown.begin(), shown.end(), b) != shown.end();
            CWnd* button = box.GetDlgItem(static_cast<int>(b));
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->IsWindowVisible() != 0, expect) << "button " << b;
            if (expect) {
                EXPECT_GE(button->Rect().left, 0);
                EXPECT_LE(button->Rect().right, client.Width());
                EXPECT_LE(button->Rect().bottom, client.Height());
            }
        }
        if (text) *text = box.GetDlgItem(static_cast<int>(kIdText))->GetWindowText();
        if (id == VK_ESCAPE) {
            driver.PressKey(box, VK_ESCAPE);
        } else {
            EXPECT_TRUE(driver.Click(box, id));
        }
    };
}

}  // namespace

TEST(MessageBox, AnswersWithTheButtonPressed) {
    HeadlessDriver driver;
    std::string shownText;
    driver.AnswerNextModal(Press(driver, IDOK, {IDOK}, &shownText));
    EXPECT_EQ(ZEVAMessageBox(Acp("对不起，该测试点正在维护，请稍候重试！"), 48, 0, nullptr), IDOK);
    EXPECT_EQ(shownText, Acp("对不起，该测试点正在维护，请稍候重试！"));

    driver.AnswerNextModal(Press(driver, IDCANCEL, {IDOK, IDCANCEL}));
    EXPECT_EQ(ZEVAMessageBox("x", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
    driver.AnswerNextModal(Press(driver, IDYES, {IDYES, IDNO}));
    EXPECT_EQ(ZEVAMessageBox("x", MB_YESNO), IDYES);
}

TEST(MessageBox, CloseCrossAndEscapeAnswerTheSafeChoice) {
    HeadlessDriver driver;
    driver.AnswerNextModal(Press(driver, kIdClose, {IDYES, IDNO}));
    EXPECT_EQ(ZEVAMessageBox("x", MB_YESNO), IDNO);
    driver.AnswerNextModal(Press(driver, kIdClose, {IDOK}));
    EXPECT_EQ(ZEVAMessageBox("x", MB_OK), IDOK);
    driver.AnswerNextModal(Press(driver, VK_ESCAPE, {IDOK}));
    EXPECT_EQ(ZEVAMessageBox("x", MB_OK), IDOK);
    driver.AnswerNextModal(Press(driver, VK_ESCAPE, {IDOK, IDCANCEL}));
    EXPECT_EQ(ZEVAMessageBox("x", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(driver.Renderer().UnansweredModals(), 0);
}

TEST(MessageBox, BlocksItsParentPageAndShowsTheIcon) {
    HeadlessDriver driver;
    DialogTemplate t;
    t.id = 9501;
    t.cx = 300;
    t.cy = 200;
    t.style = WS_POPUP | WS_VISIBLE;
    RegisterDialogTemplate(nullptr, t);
    CImageDialog page(9501);
    ASSERT_TRUE(page.Create(9501));
    SkinGlyph glyph = SkinGlyph::None;
    driver.AnswerNextModal([&](CImageDialog& box) {
        EXPECT_FALSE(page.IsWindowEnabled());
        glyph = box.GetDlgItem(static_cast<int>(kIdIcon))->Image().info.glyph;
        box.EndDialog(IDOK);
    });
    EXPECT_EQ(ZEVAMessageBox("x", MB_ICONEXCLAMATION, 0, &page), IDOK);
    EXPECT_EQ(glyph, SkinGlyph::Warning);
    EXPECT_TRUE(page.IsWindowEnabled());
}
