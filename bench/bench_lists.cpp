// Filling long lists on the screen: 100,000 work orders added one by one to a
// skinned combo box (CB_ADDSTRING, as the receipt page does) and 100,000 rows
// of two cells to a skinned report list, both shown by the Qt renderer,
// against the same items added one by one to plain Qt widgets in the same
// run. usage: bench_lists [COUNT]   (offscreen unless QT_QPA_PLATFORM is set)

#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "Controls.h"
#include "QtRenderer.h"

namespace {

constexpr UINT kTemplate = 9901, kCombo = 1, kList = 2;

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    QCoreApplication::processEvents();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Order(int i) {
    return "GD2026120" + std::to_string(1000000 + i);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: bench_lists [COUNT]\n");
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    zeva::ui::UseShippedFontConfig();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    zeva::ui::QtRenderer renderer;
    zeva::ui::DialogTemplate t;
    t.id = kTemplate;
    t.cx = 300;
    t.cy = 200;
    t.style = WS_POPUP | WS_VISIBLE;
    t.controls = {
        {kCombo, zeva::ui::ControlKind::ComboBox, 5, 5, 120, 80, "", CBS_DROPDOWNLIST, true},
        {kList, zeva::ui::ControlKind::ListCtrl, 5, 30, 280, 160, "", LVS_REPORT, true}};
    zeva::ui::RegisterDialogTemplate(nullptr, t);
    CImageDialog dlg(kTemplate);
    if (!dlg.Create(kTemplate)) return 1;
    auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(kCombo));
    auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(kList));
    list->InsertColumn(0, "No", 0, 120);
    list->InsertColumn(1, "MAC", 0, 120);
    QCoreApplication::processEvents();
    const unsigned long rebuildsBefore = renderer.ItemRebuilds();

    const double skinnedCombo = Seconds([&] {
        for (int i = 0; i < count; ++i)
            combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Order(i).c_str()));
        combo->SendMessage(CB_SETCURSEL, 0, 0);
    });
    QComboBox plainCombo;
    plainCombo.show();
    const double qtCombo = Seconds([&] {
        for (int i = 0; i < count; ++i) plainCombo.addItem(QString::fromStdString(Order(i)));
        plainCombo.setCurrentIndex(0);
    });
    const double skinnedList = Seconds([&] {
        for (int i = 0; i < count; ++i) {
            list->InsertItem(i, Order(i));
            list->SetItemText(i, 1, "00-1B-21-AA-00-01");
        }
    });
    QTreeWidget plainList;
    plainList.setColumnCount(2);
    plainList.setUniformRowHeights(true);
    plainList.show();
    const double qtList = Seconds([&] {
        for (int i = 0; i < count; ++i) {
            auto* item = new QTreeWidgetItem;
            item->setText(0, QString::fromStdString(Order(i)));
            plainList.insertTopLevelItem(i, item);
            item->setText(1, QStringLiteral("00-1B-21-AA-00-01"));
        }
    });
    const bool shown =
        renderer.ItemRebuilds() == rebuildsBefore &&
        static_cast<QComboBox*>(renderer.WidgetOf(*combo))->count() == count &&
        static_cast<QTreeWidget*>(renderer.WidgetOf(*list))->topLevelItemCount() == count;
    std::printf("%d items        skinned (model + Qt renderer)   plain Qt widget   ratio\n", count);
    std::printf("combo box       %8.3f s                      %8.3f s        %5.2f\n", skinnedCombo,
                qtCombo, skinnedCombo / qtCombo);
    std::printf("report list     %8.3f s                      %8.3f s        %5.2f\n", skinnedList,
                qtList, skinnedList / qtList);
    std::printf("widgets rebuilt while filling: %s\n", shown ? "none" : "YES (or items missing)");
    dlg.DestroyWindow();
    return shown ? 0 : 1;
}
