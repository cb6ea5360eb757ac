// The toolbox page headless on a manual clock: the grid built from both
// catalogue files, its layout and scrolling, picking a tool, and the
// advertisement strip's paging and links.

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <memory>

#include "DlgTreasureBox.h"
#include "FakeServices.h"
#include "Input.h"
#include "ToolboxFixture.h"
#include "ToolboxResources.h"

using namespace zeva;
using namespace toolbox;
using namespace toolbox_test;

namespace {

class PageTest : public ToolboxFixture {
protected:
    std::unique_ptr<CDlgTreasureBox> page;
    test::FakeServices fakes;

    void OpenPage() {
        page = std::make_unique<CDlgTreasureBox>(fakes.Make());
        ASSERT_TRUE(page->CreateSubWindow(kPageTemplate, nullptr));
        driver.Pump();
    }
    void TearDown() override {
        page.reset();
        driver.Pump();
        ToolboxFixture::TearDown();
    }
    CDlgPlugContainer& Grid() { return page->List().Container(); }
    std::vector<std::string> Captions() {
        std::vector<std::string> out;
        for (const auto& b : Grid().Buttons()) out.push_back(b->GetWindowText());
        return out;
    }
    void ClickButton(std::size_t index) {
        ui::input::Click(*Grid().Buttons().at(index));
        driver.Pump();
    }
    // The texts the four slots show, "-" for a hidden slot.
    std::vector<std::string> Slots() {
        std::vector<std::string> out;
        for (int k = 0; k < kAdSlots; ++k) {
            CWnd& link = page->Strip().Link(k);
            const bool shown = link.IsVisibleFlag() && page->Strip().Bullet(k).IsVisibleFlag();
            out.push_back(shown ? link.GetWindowText() : "-");
        }
        return out;
    }
};

TEST_F(PageTest, SixToolsFillARowOfFiveAndStartTheNextWithCaptionsUnderTheImages) {
    WriteCatalogue(cfgkeys::kPlugConfigDat, Tools(6));
    OpenPage();
    ASSERT_EQ(Grid().Buttons().size(), 6u);
    const CPoint expected[] = {{20, 5}, {130, 5}, {240, 5}, {350, 5}, {460, 5}, {20, 79}};
    for (std::size_t i = 0; i < 6; ++i) {
        const CImageButtonX& b = *Grid().Buttons()[i];
        EXPECT_EQ(b.Rect().TopLeft(), expected[i]) << "button " << i;
        EXPECT_EQ(b.GetDlgCtrlID(), kIdToolButton);
        EXPECT_TRUE(b.ShowsText());
        EXPECT_EQ(b.TextDeflateRect().top, 45) << "caption under the image";
        EXPECT_EQ(b.GetSkinFont(1).size, 13);
        EXPECT_TRUE(b.GetSkinFont(2).bold);
        EXPECT_EQ(b.GetTextColor(1), 0x383838u);
    }
    EXPECT_EQ(Captions(),
              (std::vector<std::string>{"tool1", "tool2", "tool3", "tool4", "tool5", "tool6"}));
    EXPECT_EQ(page->Strip().Rect().top, kStripTop);
}

TEST_F(PageTest, BothCataloguesInOrderEachToolOnceAndOnlyInstalledSafeOnes) {
    WriteCatalogue(cfgkeys::kPlugConfigDat,
                   {{"shared", "plug\\shared.so"},
                    {"absent", "plug\\absent.so", false},
                    {"escape", "..\\outside.so"},
                    {"rooted", "/bin/sh"},
                    {"badimage", "plug\\badimage.so", true, "..\\..\\secret.png"},
                    {"first", "plug\\first.so"}});
    WriteCatalogue(cfgkeys::kProvincePlugConfigDat, {{"regional", "ProvincePlug\\regional.so"},
                                                     {"shared", "ProvincePlug\\shared.so"},
                                                     {"absent", "ProvincePlug\\absent.so"}});
    zeva::test::WriteFile(root / "outside.so", "a library outside the installation");
    OpenPage();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"shared", "first", "regional", "absent"}));
    ASSERT_EQ(page->Entries().size(), 4u);
    EXPECT_EQ(page->Entries()[0].ModulePath, PageAppDir() + "plug\\shared.so")
        << "the first catalogue's tool wins";
    EXPECT_EQ(page->Entries()[3].ModulePath, PageAppDir() + "ProvincePlug\\absent.so")
        << "missing in the first file, installed from the second";
    EXPECT_EQ(page->Entries()[0].ShowMode, 1);
    EXPECT_EQ(page->List().Items().size(), 4u);
}

// Catalogues written for the original client name libraries "X.dll".
TEST_F(PageTest, AWindowsLibraryNameCountsAsInstalledWhenItsSharedObjectIs) {
    zeva::test::WriteFile(app / "plug" / "speed.so", "library");
    zeva::test::WriteFile(app / "plug" / "real.dll", "library");
    WriteCatalogue(cfgkeys::kPlugConfigDat, {{"speed", "plug\\speed.dll", false},
                                             {"real", "plug\\real.dll", false},
                                             {"gone", "plug\\gone.dll", false},
                                             {"other", "plug\\speed.txt", false}});
    OpenPage();
#if defined(_WIN32)
    // Windows loads the catalogue's ".dll" itself: a ".so" beside it is nothing to it.
    EXPECT_EQ(Captions(), (std::vector<std::string>{"real"}));
    ASSERT_EQ(page->Entries().size(), 1u);
    EXPECT_EQ(page->Entries()[0].ModulePath, PageAppDir() + "plug\\real.dll");
#else
    EXPECT_EQ(Captions(), (std::vector<std::string>{"speed", "real"}));
    ASSERT_EQ(page->Entries().size(), 2u);
    EXPECT_EQ(page->Entries()[0].ModulePath, PageAppDir() + "plug\\speed.dll")
        << "the host is asked for the catalogue's own name";
#endif
}

TEST_F(PageTest, AMissingNumberListsACaptionlessButtonWhoseClickSendsNothing) {
    WriteCatalogue(cfgkeys::kPlugConfigDat,
                   {{"one", "plug\\one.so"}, {"", ""}, {"three", "plug\\three.so"}}, 3);
    OpenPage();
    ASSERT_EQ(Captions(), (std::vector<std::string>{"one", "", "three"}));
    ClickButton(1);
    EXPECT_EQ(Grid().SelectedIndex(), 1);
    EXPECT_TRUE(toolsOpened.empty());
    ClickButton(2);
    ClickButton(0);
    EXPECT_EQ(toolsOpened, (std::vector<std::string>{"three", "one"}));
    EXPECT_EQ(page->LastPicked(), "one");
}

TEST_F(PageTest, AHugeToolCountListsWhatIsThereAndOneCaptionlessButton) {
    WriteCatalogue(cfgkeys::kPlugConfigDat, Tools(2), 2000000000);
    WriteCatalogue(cfgkeys::kProvincePlugConfigDat, Tools(1, "regional"), 0);
    OpenPage();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"tool1", "tool2", ""}));
}

TEST_F(PageTest, CataloguesMissingLeaveTheGridEmptyAndReopeningRereadsThem) {
    OpenPage();
    EXPECT_TRUE(Grid().Buttons().empty());
    EXPECT_EQ(Grid().SelectedIndex(), -1);
    page->DestroyWindow();
    WriteCatalogue(cfgkeys::kProvincePlugConfigDat, Tools(2, "new"));
    ASSERT_TRUE(page->CreateSubWindow(kPageTemplate, nullptr));
    driver.Pump();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"new1", "new2"}));
}

TEST_F(PageTest, EscapeAndReturnInsideTheGridDoNotCloseThePage) {
    WriteCatalogue(cfgkeys::kPlugConfigDat, Tools(2));
    OpenPage();
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        driver.PressKey(*Grid().Buttons()[0], key);
        driver.PressKey(Grid(), key);
        driver.PressKey(*page, key);
    }
    EXPECT_TRUE(page->GetSafeHwnd());
    EXPECT_TRUE(page->IsWindowVisible());
    EXPECT_EQ(page->LastCloseResult(), -1);
    EXPECT_TRUE(toolsOpened.empty());
}

// Scroll range and moves for a grid of n tools (buttons 100 pixels high,
// container 405 pixels): content = last row * 74 + 100 + 5.
struct ScrollCase {
    int tools;
    int maximum;
    int page;
};

TEST_F(PageTest, ScrollRangeFollowsTheRowsAndMovesStayWithinIt) {
    const ScrollCase cases[] = {{3, 0, 0}, {11, 0, 0}, {40, 318, 100}};
    for (const ScrollCase& c : cases) {
        SCOPED_TRACE("tools: " + std::to_string(c.tools));
        WriteCatalogue(cfgkeys::kPlugConfigDat, Tools(c.tools));
        OpenPage();
        ASSERT_EQ(Grid().Buttons().size(), static_cast<std::size_t>(c.tools));
        const auto& bar = Grid().ScrollBar(SB_VERT);
        EXPECT_EQ(bar.min, 0);
        EXPECT_EQ(bar.max, c.maximum);
        EXPECT_EQ(bar.page, c.page);
        const int top = std::max(0, c.maximum - c.page);
        const CImageButtonX& first = *Grid().Buttons()[0];

        driver.Wheel(Grid(), -120);  // down: 750 pixels, held at the end
        EXPECT_EQ(Grid().GetScrollPos(SB_VERT), top);
        EXPECT_EQ(first.Rect().top, 5 - top) << "the content moves with the position";
        driver.Wheel(Grid(), 120);
        EXPECT_EQ(Grid().GetScrollPos(SB_VERT), 0);
        EXPECT_EQ(first.Rect().top, 5);

        // Line 5, page and end 50, thumb to its place; every step clamped.
        const std::pair<UINT, int> steps[] = {
            {SB_LINEDOWN, 5}, {SB_PAGEDOWN, 55}, {SB_BOTTOM, 105}, {SB_THUMBTRACK, 200},
            {SB_TOP, 150},    {SB_LINEUP, 145},  {SB_PAGEUP, 95}};
        for (const auto& [code, want] : steps) {
            driver.VScroll(Grid(), code, 200);
            EXPECT_EQ(Grid().GetScrollPos(SB_VERT), std::min(want, top)) << "code " << code;
            EXPECT_EQ(first.Rect().top, 5 - Grid().GetScrollPos(SB_VERT));
        }
        page.reset();
        driver.Pump();
    }
}

TEST_F(PageTest, FiveAdsPageEveryFiveSecondsThroughFourSlots) {
    WriteAds({{"ad1", "http://127.0.0.1/1"},
              {"ad2", "http://127.0.0.1/2"},
              {"ad3", "http://127.0.0.1/3"},
              {"ad4", "http://127.0.0.1/4"},
              {"ad5", "http://127.0.0.1/5"}});
    OpenPage();
    const std::vector<std::string> firstSet{"ad1", "ad2", "ad3", "ad4"};
    EXPECT_EQ(Slots(), firstSet);
    driver.Advance(4900);
    EXPECT_EQ(Slots(), firstSet);
    driver.Advance(100);
    EXPECT_EQ(Slots(), (std::vector<std::string>{"ad5", "-", "-", "-"}));
    EXPECT_EQ(page->Strip().Link(1).GetWindowText(), "");
    driver.Advance(5000);
    EXPECT_EQ(Slots(), firstSet);
}

TEST_F(PageTest, FewAdsShowTheSameSetOnEveryTickAndOnlyCompleteSectionsCount) {
    WriteAds({{"one", "http://127.0.0.1/1"},
              {"no link", ""},
              {"", "http://127.0.0.1/x"},
              {"", ""},
              {"two", "https://127.0.0.1/2"}});
    OpenPage();
    ASSERT_EQ(page->Strip().Ads().size(), 2u);
    const std::vector<std::string> set{"one", "two", "-", "-"};
    EXPECT_EQ(Slots(), set);
    for (int tick = 0; tick < 3; ++tick) {
        driver.Advance(5000);
        EXPECT_EQ(Slots(), set);
    }
}

TEST_F(PageTest, WithoutAdsTheSlotsKeepTheirTemplateStateAndNothingTicks) {
    OpenPage();
    EXPECT_TRUE(page->Strip().Ads().empty());
    for (int k = 0; k < kAdSlots; ++k) EXPECT_TRUE(page->Strip().Bullet(k).IsVisibleFlag());
    driver.Advance(20000);
    for (int k = 0; k < kAdSlots; ++k) EXPECT_TRUE(page->Strip().Bullet(k).IsVisibleFlag());
}

TEST_F(PageTest, HiddenStripStopsPagingAndResumesWhenShown) {
    WriteAds({{"ad1", "http://a/1"},
              {"ad2", "http://a/2"},
              {"ad3", "http://a/3"},
              {"ad4", "http://a/4"},
              {"ad5", "http://a/5"}});
    OpenPage();
    page->Strip().ShowWindow(SW_HIDE);
    driver.Advance(15000);
    EXPECT_EQ(page->Strip().NextAd(), 4u) << "no page turned while hidden";
    page->Strip().ShowWindow(SW_SHOW);
    driver.Advance(4900);
    EXPECT_EQ(page->Strip().NextAd(), 4u) << "the period starts again when shown";
    driver.Advance(100);
    EXPECT_EQ(Slots(), (std::vector<std::string>{"ad5", "-", "-", "-"}));
    // A hidden page hides its strip too.
    page->ShowWindow(SW_HIDE);
    driver.Advance(15000);
    EXPECT_EQ(page->Strip().NextAd(), 5u);
}

TEST_F(PageTest, AClickOpensTheFirstAdWithThatTextAndOnlyWebAddresses) {
    WriteAds({{"same", "http://127.0.0.1/first"},
              {"same", "http://127.0.0.1/second"},
              {"upper", "HTTPS://127.0.0.1/upper"},
              {"program", "C:\\Windows\\system32\\calc.exe"},
              {"file", "file:///etc/passwd"},
              {"command", "cmd /c del *"},
              {"spaced", "http://127.0.0.1/a b"},
              {"nohost", "http:///x"}});
    OpenPage();
    ASSERT_EQ(Slots(), (std::vector<std::string>{"same", "same", "upper", "program"}));
    ASSERT_TRUE(driver.Click(page->Strip(), kIdFirstAdLink + 1));
    ASSERT_TRUE(driver.Click(page->Strip(), kIdFirstAdLink));
    ASSERT_TRUE(driver.Click(page->Strip(), kIdFirstAdLink + 2));
    ASSERT_TRUE(driver.Click(page->Strip(), kIdFirstAdLink + 3));
    EXPECT_EQ(fakes.opener->opened,
              (std::vector<std::string>{"http://127.0.0.1/first", "http://127.0.0.1/first",
                                        "HTTPS://127.0.0.1/upper"}));
    driver.Advance(5000);
    ASSERT_EQ(Slots(), (std::vector<std::string>{"file", "command", "spaced", "nohost"}));
    for (int k = 0; k < kAdSlots; ++k)
        driver.Click(page->Strip(), kIdFirstAdLink + static_cast<UINT>(k));
    EXPECT_EQ(fakes.opener->opened.size(), 3u) << "none of these is started";
}

TEST(AdLinks, OnlyHttpAndHttpsAddressesWithAHostAreWebAddresses) {
    const std::pair<const char*, bool> cases[] = {{"http://example.invalid/a?b=c", true},
                                                  {"https://h", true},
                                                  {"HtTp://h/x", true},
                                                  {"http://", false},
                                                  {"http:///x", false},
                                                  {"ftp://h/x", false},
                                                  {"file:///bin/sh", false},
                                                  {"/usr/bin/xterm", false},
                                                  {"calc.exe", false},
                                                  {"http://h/a b", false},
                                                  {"http://h/\tx", false},
                                                  {"javascript:alert(1)", false},
                                                  {"", false}};
    for (const auto& [link, web] : cases) EXPECT_EQ(IsWebAddress(link), web) << link;
}

}  // namespace

#if !defined(_WIN32)
// "NormalImage=plug\fifo.png" naming a FIFO (or a device) must not hang the
// page: the tool is listed, its button simply has no picture. FIFOs and
// /dev/zero are Linux's (the Windows half opens regular files only).
TEST_F(PageTest, AFifoOrDeviceAsAButtonImageNeitherBlocksNorHidesTheTool) {
    ASSERT_EQ(::mkfifo((app / "plug" / "fifo.png").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", app / "plug" / "zero.png");
    WriteCatalogue(cfgkeys::kPlugConfigDat,
                   {{"fifo", "plug\\fifo.so", true, "plug\\fifo.png"},
                    {"device", "plug\\device.so", true, "plug\\zero.png"}});
    OpenPage();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"fifo", "device"}));
    for (const auto& b : Grid().Buttons())
        EXPECT_EQ(b->Image().info.size, CSize()) << b->GetWindowText();
}
#endif
