// The waiting animation: shown and closed on demand, animated on the clock.

#include <gtest/gtest.h>

#include "HeadlessRenderer.h"
#include "Radar.h"
#include "platform/Clock.h"

using namespace zeva;
using namespace zeva::ui;

TEST(Radar, ShowsSweepsOnTheClockAndCloses) {
    HeadlessDriver driver;
    ManualClock clock;
    ScopedClock scoped(clock);
    CRadar radar(nullptr);
    EXPECT_FALSE(radar.IsShown());
    radar.Show();
    ASSERT_TRUE(radar.IsShown());
    EXPECT_EQ(ActiveWindow(), radar.Window());
    clock.Advance(std::chrono::milliseconds(zeva::radar::kFrameMs * 5));
    EXPECT_EQ(radar.Frame(), 5);
    EXPECT_EQ(FindControl(*radar.Window(), zeva::radar::kIdSweep)->Image().info.glyph,
              SkinGlyph::Radar);
    driver.PressKey(*radar.Window(), VK_ESCAPE);
    EXPECT_TRUE(radar.IsShown()) << "keys do not close it";
    radar.Close();
    EXPECT_FALSE(radar.IsShown());
    EXPECT_EQ(ActiveWindow(), nullptr);
    clock.Advance(std::chrono::milliseconds(1000));  // its timer went with it
    radar.Show();
    EXPECT_TRUE(radar.IsShown()) << "shown again after a close";
    radar.Close();
    radar.Close();
}

TEST(Radar, OwnedByAPageItCentresOnIt) {
    HeadlessDriver driver;
    DialogTemplate t;
    t.id = 9601;
    t.cx = 400;
    t.cy = 300;
    t.style = WS_POPUP | WS_VISIBLE;
    RegisterDialogTemplate(nullptr, t);
    CImageDialog page(9601);
    ASSERT_TRUE(page.Create(9601));
    page.MoveWindow(100, 50, 600, 450);
    CRadar radar(page.GetSafeHwnd());
    radar.Show();
    ASSERT_NE(radar.Window(), nullptr);
    const CRect r = radar.Window()->Rect();
    EXPECT_EQ(r.left + r.Width() / 2, 100 + 300);
    EXPECT_EQ(r.top + r.Height() / 2, 50 + 225);
}
