// Templates, dialog units, image look-up and window geometry.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Controls.h"
#include "HeadlessRenderer.h"
#include "TestSupport.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

// Any distinct address stands for a module.
HMODULE Mod(int* p) {
    return reinterpret_cast<HMODULE>(p);
}

}  // namespace

TEST(DialogUnits, FollowTheTemplateFontAndRoundLikeMulDiv) {
    EXPECT_EQ(DialogBaseUnits("", 9), CSize(6, 12));
    EXPECT_EQ(DialogBaseUnits("", 12), CSize(8, 16));
    EXPECT_EQ(DialogBaseUnits("", 0), CSize(6, 12)) << "a missing size is the usual 9 points";
    // 313 x 264 units of the receipt page in SimSun 9.
    EXPECT_EQ(DialogUnitsToPixels(CRect(0, 0, 313, 264), {6, 12}), CRect(0, 0, 470, 396));
    // Half pixels round away from zero, also for negative positions.
    EXPECT_EQ(DialogUnitsToPixels(CRect(1, 1, 3, 3), {6, 12}), CRect(2, 2, 5, 5));
    EXPECT_EQ(DialogUnitsToPixels(CRect(-1, -1, 0, 0), {6, 12}), CRect(-2, -2, 0, 0));
}

TEST(Templates, LookUpByModuleWithAFallbackAndReplaceInPlace) {
    int moduleA = 0, moduleB = 0;
    DialogTemplate shared;
    shared.id = 9701;
    shared.caption = "shared";
    RegisterDialogTemplate(nullptr, shared);
    DialogTemplate own = shared;
    own.caption = "own";
    RegisterDialogTemplate(Mod(&moduleA), own);
    EXPECT_EQ(FindDialogTemplate(Mod(&moduleA), 9701)->caption, "own");
    EXPECT_EQ(FindDialogTemplate(Mod(&moduleB), 9701)->caption, "shared");
    EXPECT_EQ(FindDialogTemplate(Mod(&moduleB), 9702), nullptr);

    const DialogTemplate* before = FindDialogTemplate(Mod(&moduleA), 9701);
    own.caption = "own, again";
    RegisterDialogTemplate(Mod(&moduleA), own);
    EXPECT_EQ(FindDialogTemplate(Mod(&moduleA), 9701), before)
        << "dialogs built from it keep a valid template";
    EXPECT_EQ(before->caption, "own, again");
}

TEST(SkinImages, ModulesDescribeTheirIdsAndTheDefaultSkinKnowsTheSharedOnes) {
    int module = 0;
    EXPECT_EQ(ResourceImage(Mod(&module), 649).info.glyph, SkinGlyph::Close);
    EXPECT_EQ(ResourceImage(Mod(&module), 14039).info.glyph, SkinGlyph::Minimise);
    EXPECT_EQ(ResourceImage(Mod(&module), 750).info.size, CSize(8, 8));
    EXPECT_EQ(ResourceImage(Mod(&module), 12345).info.glyph, SkinGlyph::None);
    RegisterSkinImage(Mod(&module), 649, SkinImageInfo{SkinGlyph::Warning, {20, 20}, {}});
    EXPECT_EQ(ResourceImage(Mod(&module), 649).info.glyph, SkinGlyph::Warning)
        << "a module's own meaning wins";
    EXPECT_EQ(ResourceImage(nullptr, 649).info.glyph, SkinGlyph::Close);
    EXPECT_TRUE(ResourceImage(Mod(&module), 1).IsSet());
    EXPECT_FALSE(SkinImage().IsSet());
}

TEST(SkinImages, PngSizeIsReadOnlyFromRealPngHeaders) {
    test::TempDir dir;
    auto header = [](std::uint32_t w, std::uint32_t h) {
        std::string s("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
        for (std::uint32_t v : {w, h}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                s.push_back(static_cast<char>((v >> shift) & 0xFF));
        }
        return s;
    };
    test::WriteFile(dir / "ok.png", header(640, 480) + std::string(20, '\0'));
    test::WriteFile(dir / "short.png", header(640, 480).substr(0, 20));
    test::WriteFile(dir / "huge.png", header(100000, 5));
    test::WriteFile(dir / "zero.png", header(0, 5));
    std::string notPng = header(10, 10);
    notPng[1] = 'X';
    test::WriteFile(dir / "bad.png", notPng);
    EXPECT_EQ(PngFileSize((dir / "ok.png").string()), CSize(640, 480));
    EXPECT_EQ(PngFileSize((dir / "short.png").string()), CSize());
    EXPECT_EQ(PngFileSize((dir / "huge.png").string()), CSize());
    EXPECT_EQ(PngFileSize((dir / "zero.png").string()), CSize());
    EXPECT_EQ(PngFileSize((dir / "bad.png").string()), CSize());
    EXPECT_EQ(PngFileSize((dir / "missing.png").string()), CSize());
    // Catalogue paths use backslashes; the image is found all the same.
    EXPECT_EQ(FileImage((dir.path().string() + "\\ok.png")).info.size, CSize(640, 480));
    // A FIFO nobody writes to, a device and a folder where an image belongs
    // are no images; reading them must not block or run on for ever.
    std::filesystem::create_directory(dir / "folder.png");
#ifdef _WIN32
    EXPECT_EQ(PngFileSize("NUL"), CSize()) << "a device";
    const std::vector<std::string> odds = {"folder.png"};
#else
    ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero-device.png");
    const std::vector<std::string> odds = {"fifo.png", "zero-device.png", "folder.png"};
#endif
    for (const std::string& odd : odds) {
        EXPECT_EQ(PngFileSize((dir / odd).string()), CSize()) << odd;
        EXPECT_EQ(FileImage(dir.path().string() + "\\" + odd).info.size, CSize()) << odd;
    }
}

namespace {

class Framed : public ::testing::Test {
protected:
    void SetUp() override {
        DialogTemplate outer;
        outer.id = 9711;
        outer.cx = 400;
        outer.cy = 300;
        outer.style = WS_POPUP | WS_VISIBLE;
        outer.controls = {{1, ControlKind::Static, 8, 8, 80, 10, "name", 0, true}};
        RegisterDialogTemplate(nullptr, outer);
        DialogTemplate inner;
        inner.id = 9712;
        inner.cx = 100;
        inner.cy = 50;
        inner.style = WS_CHILD;
        inner.controls = {{2, ControlKind::Button, 10, 10, 40, 14, "go", 0, true},
                          {3, ControlKind::Edit, 10, 30, 40, 12, "", 0, true}};
        RegisterDialogTemplate(nullptr, inner);
    }
    HeadlessDriver driver;
};

class Exchange : public CImageDialog {
public:
    Exchange() : CImageDialog(9711) {}
    std::string name = "from member";

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 1, name); }
};

}  // namespace

TEST_F(Framed, ChildPagesSitInTheirParentAndMapPointsToTheScreen) {
    CImageDialog outer(9711);
    ASSERT_TRUE(outer.Create(9711));
    outer.MoveWindow(100, 40, 600, 450);
    CImageDialog inner(9712, &outer);
    ASSERT_TRUE(inner.Create(9712, &outer));
    EXPECT_EQ(inner.GetParent(), &outer);
    EXPECT_FALSE(inner.IsWindowVisible()) << "child templates start hidden";
    inner.MoveWindow(503, 224, 150, 75);
    inner.ShowWindow(SW_SHOW);
    EXPECT_TRUE(inner.IsWindowVisible());
    CWnd* go = inner.GetDlgItem(2);
    CRect screen;
    go->GetWindowRect(&screen);
    EXPECT_EQ(screen.TopLeft(), CPoint(100 + 503 + 15, 40 + 224 + 15));
    CPoint p(screen.left + 3, screen.top + 4);
    go->ScreenToClient(&p);
    EXPECT_EQ(p, CPoint(3, 4));
    go->ClientToScreen(&p);
    EXPECT_EQ(p, CPoint(screen.left + 3, screen.top + 4));
    outer.ShowWindow(SW_HIDE);
    EXPECT_FALSE(go->IsWindowVisible()) << "hidden with its ancestors";
    EXPECT_TRUE(go->IsVisibleFlag());
    outer.DestroyWindow();
    EXPECT_EQ(inner.GetSafeHwnd(), nullptr) << "children go with their parent";
}

TEST_F(Framed, EscapeInAChildPageReachesTheTopLevelDialog) {
    CImageDialog outer(9711);
    ASSERT_TRUE(outer.Create(9711));
    CImageDialog inner(9712, &outer);
    ASSERT_TRUE(inner.Create(9712, &outer));
    inner.ShowWindow(SW_SHOW);
    driver.PressKey(*inner.GetDlgItem(3), VK_ESCAPE);
    EXPECT_FALSE(outer.IsWindowVisible()) << "the top-level dialog cancels and hides";
}

TEST_F(Framed, CloseMessageCancelsAndDataExchangeFillsControls) {
    Exchange dlg;
    ASSERT_TRUE(dlg.Create(9711));
    EXPECT_EQ(dlg.GetDlgItem(1)->GetWindowText(), "from member");
    dlg.GetDlgItem(1)->SetWindowText("from control");
    dlg.UpdateData(1);
    EXPECT_EQ(dlg.name, "from control");
    dlg.PostMessage(WM_CLOSE);
    driver.Pump();
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.ModalResult(), IDCANCEL);
}

TEST_F(Framed, CheckedImageButtonDrawsSelectedLikeATab) {
    CImageDialog outer(9711);
    ASSERT_TRUE(outer.Create(9711));
    CImageButtonX tab;
    ASSERT_TRUE(tab.Create("tab", WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 30), &outer, 14007));
    tab.SetNormalImage(14052u);
    tab.SetSelectImage(14055u);
    EXPECT_EQ(tab.DrawState(), kStateNormal);
    tab.SetCheck(1);
    EXPECT_EQ(tab.DrawState(), kStatePressed);
    EXPECT_EQ(tab.Image(tab.DrawState()).resourceId, 14055u);
    EXPECT_EQ(tab.Image(kStateHover).resourceId, 14052u) << "no hover image: the normal one";
    EXPECT_EQ(tab.GetCursor(), SkinCursor::Hand);
}

TEST_F(Framed, WindowPositionsAndTheDesktop) {
    CImageDialog dlg(9711);
    ASSERT_TRUE(dlg.Create(9711));
    dlg.SetWindowPos(nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(dlg.Rect(), CRect(10, 20, 610, 470));
    dlg.SetWindowPos(nullptr, 0, 0, 300, 200, SWP_NOMOVE);
    EXPECT_EQ(dlg.Rect(), CRect(10, 20, 310, 220));
    CRect desk;
    CWnd::GetDesktopWindow()->GetWindowRect(&desk);
    EXPECT_EQ(desk, CRect(0, 0, 1024, 768)) << "the headless desktop";
    // A notice placed 5 pixels from the right edge and above a taskbar at 728.
    dlg.SetWindowPos(nullptr, desk.Width() - dlg.Rect().Width() - 5, 728 - dlg.Rect().Height() - 5,
                     0, 0, SWP_NOSIZE);
    EXPECT_EQ(dlg.Rect(), CRect(719, 523, 1019, 723));
    dlg.CenterWindow();
    EXPECT_EQ(dlg.Rect().TopLeft(), CPoint(362, 284));
}
