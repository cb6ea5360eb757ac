// The Win32 renderer on a display: real windows mirror the model in pixels
// from dialog units, input on them becomes the model's messages, the queue
// runs inside the Windows message loop (also for timers and posts from
// other threads), modal dialogs end with their code, screenshots are PNGs
// of the skin, and a missing image is drawn with the fallback and named once.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "Controls.h"
#include "Radar.h"
#include "TestSupport.h"
#include "Win32Renderer.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

// windows.h after the model's headers.
#include "UiSkinWindows.h"

#include <objidl.h>

#include <gdiplus.h>

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kPage = 9401, kTitle = 1, kGo = 2, kLabel = 3, kEdit = 4, kPicture = 5, kList = 6,
               kCombo = 8;
constexpr UINT kModal = 9402, kEnd = 7, kContainer = 9403;
constexpr UINT kWorkerPost = WM_USER + 40, kClickLater = WM_USER + 41;

class Page : public CImageDialog {
public:
    Page() : CImageDialog(kPage) {
        Bind({{kGo, &go}, {kPicture, &picture}});
        HandleMessage(kWorkerPost, [this](WPARAM, LPARAM) {
            postedOn = std::this_thread::get_id();
            return 0;
        });
    }
    CImageButtonX go;
    CPNGPicture picture;
    int clicks = 0;
    int timerTicks = 0;
    std::thread::id postedOn;

protected:
    BOOL OnCommand(WPARAM w, LPARAM l) override {
        if (LOWORD(w) == kGo && HIWORD(w) == BN_CLICKED) {
            ++clicks;
            GetDlgItem(kLabel)->SetWindowText(GetDlgItem(kEdit)->GetWindowText());
            return 1;
        }
        return CImageDialog::OnCommand(w, l);
    }
    void OnTimer(zeva::UINT_PTR id) override {
        if (id == 7) ++timerTicks;
    }
};

// Ends with kEnd's click; its owner is disabled meanwhile.
class Modal : public CImageDialog {
public:
    Modal(Win32Renderer& r, CWnd* owner) : CImageDialog(kModal, owner), renderer(r) {
        HandleClick(kEnd, [this] { EndDialog(42); });
        HandleMessage(kClickLater, [this](WPARAM, LPARAM) {
            ownerEnabled = ::IsWindowEnabled(renderer.HwndOf(*m_pParentWnd)) != FALSE;
            // A real click on the real button.
            HWND button = renderer.HwndOf(*GetDlgItem(kEnd));
            PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
            return 0;
        });
    }
    Win32Renderer& renderer;
    bool ownerEnabled = true;

protected:
    BOOL OnInitDialog() override {
        CImageDialog::OnInitDialog();
        PostMessage(kClickLater);
        return 1;
    }
};

// Runs the Windows message loop until `done` (events, not time, end it).
bool WaitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        ::MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return true;
}

CRect ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return CRect(r.left, r.top, r.right, r.bottom);
}

std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

class Win32Rendering : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        DialogTemplate t;
        t.id = kPage;
        t.cx = 200;
        t.cy = 100;
        t.fontFace = Acp("宋体");
        t.style = WS_POPUP | WS_VISIBLE;
        t.controls = {
            {kTitle, ControlKind::Static, 6, 4, 100, 10, Acp("中文标题"), 0, true},
            {kGo, ControlKind::Button, 130, 70, 50, 14, Acp("确定"), 0, true},
            {kLabel, ControlKind::Static, 6, 40, 150, 10, "", 0, true},
            {kEdit, ControlKind::Edit, 6, 55, 100, 12, "", 0, true},
            {kPicture, ControlKind::Picture, 160, 20, 20, 20, "", 0, true},
            {kList, ControlKind::ListCtrl, 6, 70, 100, 25, "", LVS_REPORT, true},
            {kCombo, ControlKind::ComboBox, 110, 55, 60, 40, "", CBS_DROPDOWNLIST, true},
        };
        RegisterDialogTemplate(nullptr, t);
        DialogTemplate m;
        m.id = kModal;
        m.cx = 120;
        m.cy = 60;
        m.style = WS_POPUP;
        m.controls = {{kEnd, ControlKind::Button, 60, 40, 50, 14, "OK", 0, true}};
        RegisterDialogTemplate(nullptr, m);
        DialogTemplate c;
        c.id = kContainer;
        c.cx = 80;
        c.cy = 50;
        c.style = WS_CHILD | WS_VISIBLE;
        RegisterDialogTemplate(nullptr, c);
    }
    Win32Renderer renderer;
};

}  // namespace

TEST_F(Win32Rendering, RealWindowsMirrorTheTemplateInPixels) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    HWND top = renderer.HwndOf(page);
    ASSERT_TRUE(::IsWindow(top));
    EXPECT_TRUE(IsWindowVisible(top));
    RECT client;
    GetClientRect(top, &client);
    // 200 x 100 dialog units in SimSun 9 (6 x 12 base units).
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 150);
    HWND go = renderer.HwndOf(*page.GetDlgItem(kGo));
    ASSERT_TRUE(::IsWindow(go));
    EXPECT_EQ(GetParent(go), top);
    EXPECT_EQ(ChildRect(go), CRect(195, 105, 270, 126));
    EXPECT_EQ(ClassOf(go), L"ZevaSkinWindow");
    EXPECT_EQ(ClassOf(renderer.HwndOf(*page.GetDlgItem(kEdit))), L"Edit");
    EXPECT_EQ(ClassOf(renderer.HwndOf(*page.GetDlgItem(kList))), L"SysListView32");
    EXPECT_EQ(GetDlgCtrlID(go), static_cast<int>(kGo));

    page.GetDlgItem(kGo)->ShowWindow(SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(go));
    page.GetDlgItem(kGo)->MoveWindow(10, 10, 40, 20);
    EXPECT_EQ(ChildRect(go), CRect(10, 10, 50, 30));
    page.DestroyWindow();
    EXPECT_EQ(renderer.HwndOf(page), nullptr);
    EXPECT_FALSE(::IsWindow(top)) << "the system window goes with the model's";
    EXPECT_FALSE(::IsWindow(go));
}

TEST_F(Win32Rendering, TypedTextAndClicksOnAnImageButtonReachTheModel) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    HWND edit = renderer.HwndOf(*page.GetDlgItem(kEdit));
    // Characters as the keyboard (or an input method) delivers them.
    for (wchar_t c : std::wstring(L"ab\x4F60\x597D")) PostMessageW(edit, WM_CHAR, c, 1);
    ASSERT_TRUE(WaitFor([&] { return page.GetDlgItem(kEdit)->GetWindowText() == Acp("ab你好"); }))
        << page.GetDlgItem(kEdit)->GetWindowText();
    // Hover, press and click: the button's three states follow the mouse.
    HWND go = renderer.HwndOf(page.go);
    PostMessageW(go, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitFor([&] { return page.go.DrawState() == kStateHover; }));
    PostMessageW(go, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitFor([&] { return page.go.DrawState() == kStatePressed; }));
    PostMessageW(go, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitFor([&] { return page.clicks == 1; }));
    EXPECT_EQ(page.GetDlgItem(kLabel)->GetWindowText(), Acp("ab你好"));

    // Tab moves on to the next control that takes the keyboard.
    ::SetFocus(edit);
    SendMessageW(edit, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), renderer.HwndOf(*page.GetDlgItem(kList)));

    // The model's text reaches the control in UTF-16 without echoing back.
    page.GetDlgItem(kEdit)->SetWindowText(Acp("宽带"));
    wchar_t shown[16] = {};
    GetWindowTextW(edit, shown, 16);
    EXPECT_EQ(std::wstring(shown), L"\x5BBD\x5E26");
}

TEST_F(Win32Rendering, ListAndComboBoxShowTheModelAndPicksReachIt) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    auto& combo = static_cast<CComboBox&>(*page.GetDlgItem(kCombo));
    for (const char* item : {"ADSL", "光纤", "无线"}) combo.AddString(Acp(item));
    HWND box = renderer.HwndOf(combo);
    ASSERT_EQ(ClassOf(box), L"ComboBox");
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 3);
    // The user's pick, as the system's drop-down reports it to the parent.
    SendMessageW(box, CB_SETCURSEL, 2, 0);
    SendMessageW(renderer.HwndOf(page), WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    ASSERT_TRUE(WaitFor([&] { return combo.GetCurSel() == 2; }));
    // Its closed field is the skin's, as an edit is: a flat white field in
    // the skin's border, where the system would draw a raised grey button.
    test::TempDir dir;
    const auto path = dir.path() / "combo.png";
    ASSERT_TRUE(renderer.Screenshot(page, Utf8Path(path)));
    {
        Gdiplus::Bitmap shot(path.c_str());
        const CRect r = combo.Rect();
        RECT field;
        GetClientRect(box, &field);
        Gdiplus::Color edge, inside;
        shot.GetPixel(r.left + r.Width() / 2, r.top, &edge);
        shot.GetPixel(r.left + field.right - 3, r.top + 3, &inside);
        EXPECT_EQ(RGB(edge.GetR(), edge.GetG(), edge.GetB()), RGB(0x9D, 0xB6, 0xD3));
        EXPECT_EQ(RGB(inside.GetR(), inside.GetG(), inside.GetB()), RGB(0xFF, 0xFF, 0xFF));
    }
    combo.DeleteString(0);
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 2);

    auto& list = static_cast<CListCtrl&>(*page.GetDlgItem(kList));
    list.InsertColumn(0, Acp("名称"), 0, 80);
    list.InsertItem(0, "first");
    list.InsertItem(1, Acp("第二"));
    HWND h = renderer.HwndOf(list);
    EXPECT_EQ(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0), 2);
    wchar_t text[16] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 16;
    SendMessageW(h, LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(text), L"\x7B2C\x4E8C");
    LVITEMW select{};
    select.stateMask = LVIS_SELECTED;
    select.state = LVIS_SELECTED;
    SendMessageW(h, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
    ASSERT_TRUE(WaitFor([&] { return list.GetSelectionMark() == 1; }));
}

TEST_F(Win32Rendering, TheScrollBarAndTheWheelScrollAContainer) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    CScrollContainer box;
    ASSERT_TRUE(box.Create(kContainer, &page));
    CImageButtonX item;
    ASSERT_TRUE(item.Create("tool", WS_CHILD | WS_VISIBLE, CRect(20, 300, 70, 400), &box, 14101));
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = 400;
    si.nPage = 100;
    box.SetScrollInfo(SB_VERT, si);
    box.ShowScrollBar(SB_VERT);
    HWND h = renderer.HwndOf(box);
    HWND bar = nullptr;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassOf(c) == L"ScrollBar") bar = c;
    }
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(ChildRect(bar).right, 120) << "at the container's right edge";
    EXPECT_EQ(GetWindow(h, GW_CHILD), bar) << "above the children added before it showed";

    // The bar's line step, as the system's scroll bar reports it.
    PostMessageW(h, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
    ASSERT_TRUE(WaitFor([&] { return box.GetScrollPos(SB_VERT) == 5; }));
    EXPECT_EQ(ChildRect(renderer.HwndOf(item)).top, 295) << "the child's window moved with it";
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 5);
    // The wheel over a child scrolls the container it sits in.
    PostMessageW(renderer.HwndOf(item), WM_MOUSEWHEEL,
                 MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    ASSERT_TRUE(WaitFor([&] { return box.GetScrollPos(SB_VERT) == 300; }));
    EXPECT_EQ(ChildRect(renderer.HwndOf(item)).top, 0);
}

TEST_F(Win32Rendering, TimersAndPostsFromOtherThreadsAreHandledOnTheWindowThread) {
    ManualClock clock(std::chrono::milliseconds(0));
    ScopedClock use(clock);
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    page.SetTimer(7, 100);
    // The clock moves on another thread: only the pump can bring the
    // timer's message to this one.
    std::thread([&] { clock.Advance(std::chrono::milliseconds(100)); }).join();
    ASSERT_TRUE(WaitFor([&] { return page.timerTicks == 1; }));

    std::thread([&] { page.PostMessage(kWorkerPost); }).join();
    ASSERT_TRUE(WaitFor([&] { return page.postedOn != std::thread::id(); }));
    EXPECT_EQ(page.postedOn, std::this_thread::get_id());
    EXPECT_GT(renderer.PumpedMessages(), 0u);
}

TEST_F(Win32Rendering, AModalDialogEndsWithItsCodeAndDisablesItsOwner) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    Modal modal(renderer, &page);
    EXPECT_EQ(modal.DoModal(), 42);
    EXPECT_FALSE(modal.ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(renderer.HwndOf(page)));
}

TEST_F(Win32Rendering, AQuitDuringAModalLoopReachesTheOuterLoop) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    CImageDialog modal(kModal, &page);
    page.HandleMessage(kClickLater, [&](WPARAM, LPARAM) {
        zeva::PostQuitMessage(3);
        return 0;
    });
    page.PostMessage(kClickLater);
    EXPECT_EQ(modal.DoModal(), -1) << "the program quits before the dialog is answered";
    EXPECT_EQ(RunWin32MessageLoop(), 3) << "the quit is passed on to the outer loop";
}

TEST_F(Win32Rendering, ScreenshotsArePngsOfTheSkinAndNamedByTemplate) {
    test::TempDir dir;
    renderer.SetScreenshotDir(Utf8Path(dir.path()));
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    const auto automatic = dir.path() / "01-9401.png";
    EXPECT_TRUE(std::filesystem::exists(automatic));
    EXPECT_EQ(renderer.ScreenshotFailures(), 0);

    const auto path = dir.path() / "sub" / "page.png";
    ASSERT_TRUE(renderer.Screenshot(page, Utf8Path(path)));
    Gdiplus::Bitmap shot(path.c_str());
    ASSERT_EQ(shot.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(shot.GetWidth(), 300u);
    EXPECT_EQ(shot.GetHeight(), 150u);
    Gdiplus::Color band, body;
    shot.GetPixel(150, 28, &band);
    shot.GetPixel(250, 60, &body);
    // The caption band of the default skin, and the body below it.
    EXPECT_LT(band.GetR(), 80);
    EXPECT_GT(band.GetB(), 110);
    EXPECT_GT(body.GetR(), 200);
    // The title's glyphs: dark pixels inside its rectangle on the blue band.
    int inked = 0;
    for (UINT y = 6; y < 21; ++y) {
        for (UINT x = 9; x < 159; ++x) {
            Gdiplus::Color c;
            shot.GetPixel(x, y, &c);
            inked += c.GetB() < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 20) << "the Chinese title is drawn";
}

// Pixels of a screenshot inside [x0, x1) x [y0, y1) clearly darker than the
// skin's light body.
int InkIn(Gdiplus::Bitmap& shot, UINT x0, UINT y0, UINT x1, UINT y1) {
    int inked = 0;
    for (UINT y = y0; y < y1; ++y) {
        for (UINT x = x0; x < x1; ++x) {
            Gdiplus::Color c;
            shot.GetPixel(x, y, &c);
            inked += c.GetR() + c.GetG() + c.GetB() < 3 * 200 ? 1 : 0;
        }
    }
    return inked;
}

// Chinese glyphs are an em wide in every face: a label exactly as wide as its
// text keeps its last character (a colon, here) on its line, in the dialog's
// face and in one this machine lacks; bold in the fallback is still bold.
TEST_F(Win32Rendering, ALabelAsWideAsItsTextShowsItAllAndBoldStaysBold) {
    test::TempDir dir;
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    CWnd& label = *page.GetDlgItem(kLabel);
    label.SetWindowText(Acp("网卡地址："));
    label.MoveWindow(20, 60, 5 * 12, 15);  // 12 pixels a character
    const auto ink = [&](const char* face, bool bold, UINT x0, UINT x1) {
        label.SetFontName(Acp(face));
        label.SetFontSize(12);
        label.SetFontBold(bold);
        const auto path = dir.path() / "label.png";
        EXPECT_TRUE(renderer.Screenshot(page, Utf8Path(path)));
        Gdiplus::Bitmap shot(path.c_str());
        return InkIn(shot, x0, 60, x1, 76);
    };
    for (const char* face : {"宋体", "不存在的字体"}) {
        // The colon's two dots (a glyph wrapped out of sight leaves a pixel or two).
        EXPECT_GE(ink(face, false, 20 + 4 * 12, 20 + 6 * 12), 5) << face << ": the colon is drawn";
    }
    const int regular = ink("不存在的字体", false, 20, 80);
    const int bold = ink("不存在的字体", true, 20, 80);
    EXPECT_GT(bold, regular * 5 / 4) << regular << " dark pixels regular, " << bold << " bold";
}

TEST_F(Win32Rendering, AMissingImageIsDrawnWithTheFallbackAndNamedOnce) {
    test::TempDir dir;
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    const std::string missing = Utf8ToAcp(Utf8Path(dir.path() / PathFromUtf8("缺少.png")));
    page.picture.SetImage(missing);
    const auto path = dir.path() / "shot.png";
    ASSERT_TRUE(renderer.Screenshot(page, Utf8Path(path)));
    ASSERT_TRUE(renderer.Screenshot(page, Utf8Path(path)));
    UpdateWindow(renderer.HwndOf(page.picture));
    const std::string name = "image " + Utf8Path(dir.path() / PathFromUtf8("缺少.png"));
    int reports = 0;
    for (const std::string& m : renderer.MissingResources()) reports += m == name ? 1 : 0;
    EXPECT_EQ(reports, 1) << testing::PrintToString(renderer.MissingResources());
    // The picture shows the skin's banner instead (not the dialog's body).
    Gdiplus::Bitmap shot(path.c_str());
    Gdiplus::Color c;
    shot.GetPixel(255, 40, &c);
    EXPECT_LT(c.GetR(), 0xE8);
    EXPECT_GT(c.GetB(), c.GetR());
}

TEST_F(Win32Rendering, TheRadarSweepsOnItsTimerThroughThePump) {
    ManualClock clock(std::chrono::milliseconds(0));
    ScopedClock use(clock);
    CRadar radar;
    radar.Show();
    ASSERT_NE(radar.Window(), nullptr);
    HWND h = renderer.HwndOf(*radar.Window());
    ASSERT_TRUE(::IsWindow(h));
    EXPECT_TRUE(IsWindowVisible(h));
    test::TempDir dir;
    const auto first = dir.path() / "first.png", later = dir.path() / "later.png";
    ASSERT_TRUE(renderer.Screenshot(*radar.Window(), Utf8Path(first)));
    const int before = radar.Frame();
    // One step at a time: a timer's message waiting in the queue is not
    // queued twice, as on Windows.
    for (int step = 1; step <= 10; ++step) {
        std::thread([&] { clock.Advance(std::chrono::milliseconds(80)); }).join();
        ASSERT_TRUE(WaitFor([&] { return radar.Frame() >= before + step; })) << radar.Frame();
    }
    ASSERT_TRUE(renderer.Screenshot(*radar.Window(), Utf8Path(later)));
    Gdiplus::Bitmap a(first.c_str()), b(later.c_str());
    ASSERT_EQ(a.GetWidth(), b.GetWidth());
    int changed = 0;
    for (UINT y = 0; y < a.GetHeight(); ++y) {
        for (UINT x = 0; x < a.GetWidth(); ++x) {
            Gdiplus::Color ca, cb;
            a.GetPixel(x, y, &ca);
            b.GetPixel(x, y, &cb);
            changed += ca.GetValue() != cb.GetValue() ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 20) << "the sweep moved";
    radar.Close();
    EXPECT_FALSE(::IsWindow(h));
}

TEST(Modules, ThisModuleIsTheImageItsCodeIsIn) {
    EXPECT_EQ(ZEVA_THIS_MODULE, GetModuleHandleW(nullptr));
    HMODULE skin = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&zeva::ui::GetRenderer()), &skin))
        << "the headless renderer lives in the skin DLL";
    EXPECT_NE(skin, ZEVA_THIS_MODULE) << "the skin DLL is a module of its own";
}

TEST_F(Win32Rendering, TheDesktopAndItsWorkArea) {
    const CRect desk = renderer.DesktopRect();
    EXPECT_GT(desk.Width(), 0);
    CRect work;
    ASSERT_TRUE(renderer.AvailableRect(&work));
    EXPECT_GT(work.Width(), 0);
    EXPECT_LE(work.Width(), desk.Width());
}
