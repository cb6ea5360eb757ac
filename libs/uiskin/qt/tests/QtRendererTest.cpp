// The Qt renderer offscreen: widgets mirror the model, clicks on widgets
// become the model's messages, the message queue runs inside Qt's loop
// (also when another thread posts), modal dialogs nest, and Chinese text
// is drawn with the shipped font map.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "Controls.h"
#include "QtRenderer.h"
#include "platform/CodePage.h"

// Font and toolkit caches live until exit; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6\nleak:libglib\nleak:libfreetype\n";
}

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kPage = 9301, kTitle = 1, kGo = 2, kLabel = 3, kEdit = 4;

class Page : public CImageDialog {
public:
    Page() : CImageDialog(kPage) {}
    int clicks = 0;

protected:
    BOOL OnCommand(WPARAM w, LPARAM l) override {
        if (LOWORD(w) == kGo && HIWORD(w) == BN_CLICKED) {
            ++clicks;
            GetDlgItem(kLabel)->SetWindowText(GetDlgItem(kEdit)->GetWindowText());
            return 1;
        }
        return CImageDialog::OnCommand(w, l);
    }
};

QFont skinFont(const char* face) {
    QFont f(QString::fromUtf8(face));
    f.setPixelSize(12);
    return f;
}

bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 5000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class QtRendering : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        UseShippedFontConfig();
        static int argc = 1;
        static char name[] = "uiskin_qt_tests";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
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
        };
        RegisterDialogTemplate(nullptr, t);
    }
    static QApplication* app;
    QtRenderer renderer;
};
QApplication* QtRendering::app = nullptr;

}  // namespace

TEST_F(QtRendering, WidgetsMirrorTheModelAndClicksBecomeCommands) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    QWidget* top = renderer.WidgetOf(page);
    ASSERT_NE(top, nullptr);
    ASSERT_TRUE(WaitFor([&] { return top->isVisible(); }));
    EXPECT_EQ(top->size(), QSize(300, 150));
    QWidget* go = renderer.WidgetOf(*page.GetDlgItem(kGo));
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->geometry(), QRect(195, 105, 75, 21));

    // Text as an input method commits it: one key event carrying the characters.
    QTest::sendKeyEvent(QTest::Click, renderer.WidgetOf(*page.GetDlgItem(kEdit)), Qt::Key_unknown,
                        QStringLiteral("你好"), Qt::NoModifier);
    EXPECT_EQ(page.GetDlgItem(kEdit)->GetWindowText(), Acp("你好"));
    QTest::mouseClick(go, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return page.clicks == 1; }));
    EXPECT_EQ(page.GetDlgItem(kLabel)->GetWindowText(), Acp("你好"));

    page.GetDlgItem(kGo)->ShowWindow(SW_HIDE);
    EXPECT_FALSE(go->isVisible());
    page.GetDlgItem(kGo)->MoveWindow(10, 10, 40, 20);
    EXPECT_EQ(go->geometry(), QRect(10, 10, 40, 20));
    page.DestroyWindow();
    EXPECT_EQ(renderer.WidgetOf(page), nullptr);
}

TEST_F(QtRendering, ScreenshotShowsTheSkinAndChineseText) {
    Page page;
    ASSERT_TRUE(page.Create(kPage));
    const QImage shot = renderer.WidgetOf(page)->grab().toImage();
    if (const char* keep = std::getenv("ZEVA_KEEP_SHOT")) shot.save(QString::fromUtf8(keep));
    ASSERT_EQ(shot.size(), QSize(300, 150));
    // The caption band of the default skin, and the body below it.
    const QColor band = shot.pixelColor(150, 28);
    EXPECT_LT(band.red(), 80);
    EXPECT_GT(band.blue(), 110);
    EXPECT_GT(shot.pixelColor(250, 60).red(), 200);
    // The title label's glyphs: pixels inside its rectangle that differ from
    // the band beside it.
    int inked = 0;
    for (int y = 6; y < 20; ++y) {
        const QColor plain = shot.pixelColor(250, y);
        for (int x = 9; x < 70; ++x) {
            const QColor c = shot.pixelColor(x, y);
            inked +=
                std::abs(c.red() - plain.red()) + std::abs(c.blue() - plain.blue()) > 60 ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 30) << "the Chinese title was drawn";
}

TEST_F(QtRendering, PressOnTheCaptionDragsTheWindowAndTheModelFollows) {
    class Draggable : public Page {
    protected:
        void OnLButtonDown(UINT flags, CPoint p) override {
            Page::OnLButtonDown(flags, p);
            if (p.y < 30) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
        }
    } page;
    ASSERT_TRUE(page.Create(kPage));
    page.MoveWindow(100, 100, 300, 150);
    QWidget* top = renderer.WidgetOf(page);
    ASSERT_TRUE(WaitFor([&] { return top->isVisible() && top->pos() == QPoint(100, 100); }));
    QTest::mousePress(top, Qt::LeftButton, Qt::NoModifier, QPoint(200, 10));
    ASSERT_TRUE(WaitFor([&] { return page.DragRequests() == 1; }));
    QTest::mouseMove(top, QPoint(230, 30));
    EXPECT_TRUE(WaitFor([&] { return top->pos() == QPoint(130, 120); }))
        << top->pos().x() << "," << top->pos().y();
    EXPECT_EQ(page.Rect().TopLeft(), CPoint(130, 120));
    QTest::mouseRelease(top, Qt::LeftButton, Qt::NoModifier, QPoint(230, 30));
}

TEST_F(QtRendering, NativeListsMirrorTheModelAndPicksComeBack) {
    DialogTemplate t;
    t.id = 9302;
    t.cx = 200;
    t.cy = 120;
    t.style = WS_POPUP | WS_VISIBLE;
    t.controls = {{1, ControlKind::ComboBox, 5, 5, 80, 60, "", CBS_DROPDOWNLIST, true},
                  {2, ControlKind::ListCtrl, 5, 25, 150, 60, "", LVS_REPORT, true},
                  {3, ControlKind::CheckBox, 5, 90, 80, 10, "tick", BS_AUTOCHECKBOX, true}};
    RegisterDialogTemplate(nullptr, t);
    CImageDialog dlg(9302);
    ASSERT_TRUE(dlg.Create(9302));
    auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(1));
    combo->AddString(Acp("甲"));
    combo->AddString(Acp("乙"));
    auto* qcombo = dynamic_cast<QComboBox*>(renderer.WidgetOf(*combo));
    ASSERT_NE(qcombo, nullptr);
    ASSERT_TRUE(WaitFor([&] { return qcombo->count() == 2; }))
        << "added rows show on the next turn";
    EXPECT_EQ(qcombo->itemText(1), QStringLiteral("乙"));
    EXPECT_LE(qcombo->height(), 30) << "the closed box is one line high";
    qcombo->setCurrentIndex(1);
    emit qcombo->activated(1);
    EXPECT_EQ(combo->GetCurSel(), 1);

    auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(2));
    list->InsertColumn(0, Acp("名称"), 0, 100);
    list->InsertItem(0, Acp("路由器"));
    list->InsertItem(1, Acp("电脑"));
    auto* tree = dynamic_cast<QTreeWidget*>(renderer.WidgetOf(*list));
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(WaitFor([&] { return tree->topLevelItemCount() == 2; }));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("电脑"));
    tree->topLevelItem(1)->setSelected(true);
    EXPECT_EQ(list->GetSelectionMark(), 1);

    auto* check = static_cast<CButton*>(dlg.GetDlgItem(3));
    QTest::mouseClick(renderer.WidgetOf(*check), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return check->GetCheck() == 1; }));
}

TEST_F(QtRendering, AnEditableComboBoxMirrorsTypedTextBothWays) {
    DialogTemplate t;
    t.id = 9303;
    t.cx = 200;
    t.cy = 80;
    t.style = WS_POPUP | WS_VISIBLE;
    t.controls = {
        {1, ControlKind::ComboBox, 5, 5, 120, 60, "", CBS_DROPDOWN | CBS_HASSTRINGS, true}};
    RegisterDialogTemplate(nullptr, t);
    CImageDialog dlg(9303);
    ASSERT_TRUE(dlg.Create(9303));
    auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(1));
    combo->AddString("GD1");
    combo->AddString("GD2");
    combo->SetCurSel(1);
    auto* qcombo = dynamic_cast<QComboBox*>(renderer.WidgetOf(*combo));
    ASSERT_NE(qcombo, nullptr);
    ASSERT_TRUE(qcombo->isEditable());
    EXPECT_EQ(qcombo->currentText(), QStringLiteral("GD2"));

    QLineEdit* line = qcombo->lineEdit();
    line->clear();
    QTest::keyClicks(line, QStringLiteral("GD-77"));
    EXPECT_EQ(combo->GetWindowText(), "GD-77");
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(line->text(), QStringLiteral("GD-77")) << "typing is not undone by the model's echo";
    EXPECT_EQ(qcombo->count(), 2) << "the items stay";

    combo->SetCurSel(0);
    EXPECT_EQ(qcombo->currentText(), QStringLiteral("GD1"));
}

TEST_F(QtRendering, ShippedFontMapResolvesTheChineseFaces) {
    EXPECT_EQ(QFontInfo(skinFont("楷体")).family(), QStringLiteral("AR PL UKai CN"));
    EXPECT_EQ(QFontInfo(skinFont("宋体")).family(), QStringLiteral("AR PL UMing CN"));
    EXPECT_EQ(QFontInfo(skinFont("幼圆")).family(), QStringLiteral("Noto Sans CJK SC"));
}

TEST_F(QtRendering, ModalDialogRunsInANestedLoopAndEndsWithItsCode) {
    Page owner;
    ASSERT_TRUE(owner.Create(kPage));
    CImageDialog box(kPage, &owner);
    QTimer::singleShot(0, [&] {
        EXPECT_FALSE(owner.IsWindowEnabled());
        CWnd* active = ActiveWindow();
        ASSERT_EQ(active, &box);
        QTest::keyClick(renderer.WidgetOf(box), Qt::Key_Escape);
    });
    EXPECT_EQ(box.DoModal(), IDCANCEL);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST_F(QtRendering, PostsFromAnotherThreadWakeTheLoopAndQuitEndsIt) {
    int handled = 0;
    const HWND hwnd = CreateWindowHandle([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == WM_USER + 1) {
            handled += static_cast<int>(w);
            if (handled == 3) PostQuitMessage(7);
        }
        return 0;
    });
    std::thread poster([hwnd] {
        PostMessage(hwnd, WM_USER + 1, 1, 0);
        PostMessage(hwnd, WM_USER + 1, 2, 0);
    });
    // A safety net only; the loop normally ends through PostQuitMessage.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    const int code = QCoreApplication::exec();
    poster.join();
    EXPECT_EQ(code, 7);
    EXPECT_EQ(handled, 3);
    DestroyWindowHandle(hwnd);
}

TEST_F(QtRendering, FreeScreenAreaIsThePrimaryScreensAvailableGeometry) {
    CRect available;
    ASSERT_TRUE(renderer.AvailableRect(&available));
    const QRect g = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(available, CRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height()));
    const CRect desktop = renderer.DesktopRect();
    EXPECT_GE(available.left, desktop.left);
    EXPECT_LE(available.bottom, desktop.bottom);
    EXPECT_GT(available.Width(), 0);
}

namespace {

QStringList ComboTexts(QComboBox* q) {
    QStringList out;
    for (int i = 0; i < q->count(); ++i) out << q->itemText(i);
    return out;
}

QStringList TreeTexts(QTreeWidget* t) {
    QStringList out;
    for (int i = 0; i < t->topLevelItemCount(); ++i)
        out << t->topLevelItem(i)->text(0) + "|" + t->topLevelItem(i)->text(1);
    return out;
}

}  // namespace

// The widgets follow item edits one by one (inserts anywhere, deletes, cell
// texts, resets) and end up showing the model's rows and selection; a long
// list is never copied whole again while it is filled.
TEST_F(QtRendering, NativeListsFollowItemEditsWithoutRebuilding) {
    DialogTemplate t;
    t.id = 9303;
    t.cx = 200;
    t.cy = 120;
    t.style = WS_POPUP | WS_VISIBLE;
    t.controls = {{1, ControlKind::ComboBox, 5, 5, 80, 60, "", CBS_DROPDOWNLIST, true},
                  {2, ControlKind::ListCtrl, 5, 25, 150, 60, "", LVS_REPORT, true}};
    RegisterDialogTemplate(nullptr, t);
    CImageDialog dlg(9303);
    ASSERT_TRUE(dlg.Create(9303));
    auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(1));
    auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(2));
    auto* qcombo = dynamic_cast<QComboBox*>(renderer.WidgetOf(*combo));
    auto* tree = dynamic_cast<QTreeWidget*>(renderer.WidgetOf(*list));
    ASSERT_TRUE(qcombo && tree);
    list->InsertColumn(0, "No");
    list->InsertColumn(1, "MAC");
    const auto rebuilds = renderer.ItemRebuilds();

    // Rows added at the end reach the widget in a batch on the next turn of
    // the event loop; edits before, among and after the waiting rows, with
    // and without a turn between them, must leave the widget as the model.
    const auto turn = [] { QCoreApplication::processEvents(); };
    const std::vector<std::pair<const char*, std::function<void()>>> scenarios = {
        {"appends, then inserts and deletes among shown and waiting rows",
         [&] {
             for (const char* s : {"b", "d"}) combo->AddString(s);
             combo->InsertString(0, "a");
             combo->InsertString(2, "c");
             combo->SetCurSel(3);
             combo->DeleteString(1);
             list->InsertItem(0, "2");
             list->InsertItem(0, "1");
             list->InsertItem(5, "3");
             list->SetItemText(2, 1, "00-1B");
             list->SetSelectionMark(2);
             list->DeleteItem(0);
         }},
        {"a turn between appends and edits of both kinds of rows",
         [&] {
             for (const char* s : {"a", "b"}) combo->AddString(s);
             list->InsertItem(0, "1");
             list->InsertItem(1, "2");
             turn();
             combo->AddString("c");
             combo->InsertString(1, "x");
             combo->DeleteString(3);
             combo->AddString("d");
             list->InsertItem(2, "3");
             list->SetItemText(0, 1, "shown");
             list->SetItemText(2, 1, "waiting");
             list->DeleteItem(1);
             list->SetSelectionMark(1);
         }},
        {"reset with rows waiting",
         [&] {
             combo->AddString("gone");
             list->InsertItem(0, "gone");
             combo->ResetContent();
             list->DeleteAllItems();
             combo->AddString("kept");
             list->InsertItem(0, "kept");
         }},
    };
    for (const auto& [name, steps] : scenarios) {
        SCOPED_TRACE(name);
        combo->ResetContent();
        list->DeleteAllItems();
        turn();
        steps();
        turn();
        QStringList comboModel, listModel;
        for (const auto& item : combo->Items()) comboModel << QString::fromStdString(item);
        for (int r = 0; r < list->GetItemCount(); ++r)
            listModel << QString::fromStdString(list->GetItemText(r, 0) + "|" +
                                                list->GetItemText(r, 1));
        EXPECT_EQ(ComboTexts(qcombo), comboModel);
        EXPECT_EQ(qcombo->currentIndex(), combo->GetCurSel());
        EXPECT_EQ(TreeTexts(tree), listModel);
        const auto selected = tree->selectedItems();
        EXPECT_EQ(selected.isEmpty() ? -1 : tree->indexOfTopLevelItem(selected.front()),
                  list->GetSelectionMark());
    }
    EXPECT_EQ(ComboTexts(qcombo), QStringList{"kept"});

    combo->ResetContent();
    list->DeleteAllItems();
    constexpr int kOrders = 5000;
    for (int i = 0; i < kOrders; ++i) {
        const std::string order = "WO" + std::to_string(i);
        combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(order.c_str()));
        list->InsertItem(i, order);
    }
    combo->SendMessage(CB_SETCURSEL, 0, 0);
    turn();
    EXPECT_EQ(renderer.ItemRebuilds(), rebuilds);
    ASSERT_EQ(qcombo->count(), kOrders);
    EXPECT_EQ(qcombo->itemText(kOrders - 1), QStringLiteral("WO4999"));
    EXPECT_EQ(qcombo->currentText(), QStringLiteral("WO0"));
    ASSERT_EQ(tree->topLevelItemCount(), kOrders);
    EXPECT_EQ(tree->topLevelItem(1234)->text(0), QStringLiteral("WO1234"));
    dlg.DestroyWindow();
}
