#include "QtRenderer.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Input.h"
#include "QtMessagePump.h"
#include "SkinPainter_p.h"

namespace zeva::ui {

namespace {

using skin::FromQt;
using skin::ToQt;

// The model window a widget mirrors; cleared when the model window goes.
class Mirror {
public:
    explicit Mirror(CWnd* wnd) : wnd_(wnd) {}
    virtual ~Mirror() = default;
    CWnd* Model() const { return wnd_; }
    void Forget() { wnd_ = nullptr; }

protected:
    CWnd* wnd_;
};

Mirror* MirrorOf(QWidget* w);

// Custom-drawn windows: dialogs, labels, pictures, buttons, check boxes, bars.
// Mouse input is handed to the model as button and move messages.
class SkinWidget : public QWidget, public Mirror {
public:
    SkinWidget(CWnd* wnd, QWidget* parent) : QWidget(parent), Mirror(wnd) {
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        if (wnd->Kind() == ControlKind::Dialog) setFocusPolicy(Qt::StrongFocus);
    }
    bool dragArmed = false;
    QPoint pressGlobal;
    QPoint pressWindowPos;
    QScrollBar* vbar = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!wnd_) return;
        QPainter p(this);
        const QRect r = rect();
        switch (wnd_->Kind()) {
            case ControlKind::Dialog:
                skin::PaintDialog(p, *static_cast<CImageDialog*>(wnd_), r);
                break;
            case ControlKind::Picture:
                skin::PaintPicture(p, *static_cast<CPNGPicture*>(wnd_), r);
                break;
            case ControlKind::Button:
            case ControlKind::CheckBox:
                skin::PaintButton(p, *static_cast<CButton*>(wnd_), r);
                break;
            case ControlKind::Progress:
                skin::PaintProgress(p, *static_cast<CProgressBar*>(wnd_), r);
                break;
            default:
                skin::PaintStatic(p, *wnd_, r);
                break;
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (!wnd_ || e->button() != Qt::LeftButton) return;
        pressGlobal = e->globalPosition().toPoint();
        pressWindowPos = window()->pos();
        input::MouseDown(*wnd_, CPoint(e->position().toPoint().x(), e->position().toPoint().y()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        auto* top = static_cast<SkinWidget*>(window());
        top->dragArmed = false;
        if (wnd_)
            input::MouseUp(*wnd_, CPoint(e->position().toPoint().x(), e->position().toPoint().y()));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        auto* top = dynamic_cast<SkinWidget*>(window());
        // The model asked to be dragged (caption press): the window follows the mouse.
        if (top && top->dragArmed && (e->buttons() & Qt::LeftButton)) {
            window()->move(top->pressWindowPos + e->globalPosition().toPoint() - top->pressGlobal);
            if (top->Model()) {
                const QRect g = window()->geometry();
                top->Model()->MoveWindow(g.x(), g.y(), g.width(), g.height());
            }
        }
    }
    void enterEvent(QEnterEvent*) override {
        if (wnd_) input::Hover(*wnd_);
    }
    void leaveEvent(QEvent*) override {
        if (wnd_ && wnd_->IsHovered()) input::Leave();
    }
    void wheelEvent(QWheelEvent* e) override {
        for (QWidget* w = this; w; w = w->parentWidget()) {
            Mirror* m = MirrorOf(w);
            if (m && m->Model() && m->Model()->ScrollBar(SB_VERT).shown) {
                input::Wheel(*m->Model(), e->angleDelta().y());
                return;
            }
        }
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!wnd_) return;
        if (e->key() == Qt::Key_Escape)
            input::KeyDown(*wnd_, VK_ESCAPE);
        else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
            input::KeyDown(*wnd_, VK_RETURN);
    }
    void closeEvent(QCloseEvent* e) override {
        // Closing from the window system is a WM_CLOSE to the model.
        if (wnd_) wnd_->PostMessage(WM_CLOSE);
        e->ignore();
    }
};

// Returns and Escape typed into native controls reach the dialog manager.
void ForwardKey(CWnd* wnd, QKeyEvent* e) {
    if (!wnd) return;
    if (e->key() == Qt::Key_Escape) input::KeyDown(*wnd, VK_ESCAPE);
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) input::KeyDown(*wnd, VK_RETURN);
}

class LineEdit : public QLineEdit, public Mirror {
public:
    LineEdit(CWnd* wnd, QWidget* parent) : QLineEdit(parent), Mirror(wnd) {
        QObject::connect(this, &QLineEdit::textEdited, [this](const QString& t) {
            if (wnd_) input::Type(*wnd_, FromQt(t));
        });
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        ForwardKey(wnd_, e);
        QLineEdit::keyPressEvent(e);
    }
};

class TextEdit : public QPlainTextEdit, public Mirror {
public:
    TextEdit(CWnd* wnd, QWidget* parent) : QPlainTextEdit(parent), Mirror(wnd) {
        QObject::connect(this, &QPlainTextEdit::textChanged, [this] {
            if (wnd_ && !syncing) input::Type(*wnd_, FromQt(toPlainText()));
        });
    }
    bool syncing = false;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const bool wantsReturn = wnd_ && (wnd_->GetStyle() & ES_WANTRETURN);
        if (e->key() == Qt::Key_Escape ||
            ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !wantsReturn)) {
            ForwardKey(wnd_, e);
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }
};

class ComboBox : public QComboBox, public Mirror {
public:
    ComboBox(CWnd* wnd, QWidget* parent) : QComboBox(parent), Mirror(wnd) {
        QObject::connect(this, &QComboBox::activated, [this](int i) {
            if (wnd_) input::PickItem(*wnd_, i);
        });
        if (static_cast<CComboBox*>(wnd)->IsEditable()) {
            setEditable(true);
            setInsertPolicy(QComboBox::NoInsert);
            QObject::connect(lineEdit(), &QLineEdit::textEdited, [this](const QString& t) {
                if (wnd_) input::Type(*wnd_, FromQt(t));
            });
        }
    }
};

class ListView : public QTreeWidget, public Mirror {
public:
    ListView(CWnd* wnd, QWidget* parent) : QTreeWidget(parent), Mirror(wnd) {
        setRootIsDecorated(false);
        setAlternatingRowColors(true);
        setUniformRowHeights(true);
        QObject::connect(this, &QTreeWidget::itemSelectionChanged, [this] {
            if (!wnd_ || syncing) return;
            const auto items = selectedItems();
            input::PickItem(*wnd_, items.isEmpty() ? -1 : indexOfTopLevelItem(items.front()));
        });
    }
    bool syncing = false;
};

Mirror* MirrorOf(QWidget* w) {
    return dynamic_cast<Mirror*>(w);
}

const char* kEditStyle =
    "QLineEdit, QPlainTextEdit, QComboBox { border: 1px solid #9db6d3; border-radius: 3px; "
    "background: white;"
    " padding: 1px 3px; selection-background-color: #2f74c0; }"
    "QLineEdit:focus, QPlainTextEdit:focus, QComboBox:focus { border-color: #2f74c0; }"
    "QLineEdit:disabled, QPlainTextEdit:disabled, QComboBox:disabled { background: #f0f0f0; color: "
    "#999; }"
    "QTreeWidget { border: 1px solid #b8c7d9; background: white; alternate-background-color: "
    "#f3f7fb; }"
    "QTreeWidget::item { height: 20px; padding-left: 2px; }"
    "QTreeWidget::item:selected { background: #cfe3f8; color: #1b4c86; }"
    "QHeaderView::section { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #fbfdff, "
    "stop:1 #e1eaf4);"
    " border: 0; border-right: 1px solid #c9d6e4; border-bottom: 1px solid #b8c7d9; padding: 3px; "
    "}";

}  // namespace

void UseShippedFontConfig() {
    if (std::getenv("FONTCONFIG_FILE")) return;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return;
    for (const auto& candidate : {exe.parent_path() / "../share/zeva/zeva-fonts.conf",
                                  exe.parent_path() / "fonts/zeva-fonts.conf"}) {
        if (std::filesystem::exists(candidate, ec)) {
            setenv("FONTCONFIG_FILE", std::filesystem::weakly_canonical(candidate, ec).c_str(), 1);
            return;
        }
    }
}

QtRenderer::QtRenderer()
    : flushContext_(std::make_unique<QObject>()), pump_(std::make_unique<QtMessagePump>()) {
    SetRenderer(this);
}

QtRenderer::~QtRenderer() {
    SetRenderer(nullptr);
    for (auto& [wnd, widget] : widgets_) {
        if (auto* m = MirrorOf(widget)) m->Forget();
    }
}

QWidget* QtRenderer::WidgetOf(const CWnd& wnd) const {
    const auto it = widgets_.find(&wnd);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* QtRenderer::Build(CWnd& wnd) {
    if (QWidget* existing = WidgetOf(wnd)) return existing;
    QWidget* parent = wnd.GetParent() ? WidgetOf(*wnd.GetParent()) : nullptr;
    if (wnd.GetParent() && !parent) parent = Build(*wnd.GetParent());
    QWidget* w = nullptr;
    switch (wnd.Kind()) {
        case ControlKind::Edit:
            if (wnd.GetStyle() & ES_MULTILINE) {
                w = new TextEdit(&wnd, parent);
            } else {
                auto* line = new LineEdit(&wnd, parent);
                if (wnd.GetStyle() & ES_PASSWORD) line->setEchoMode(QLineEdit::Password);
                w = line;
            }
            w->setStyleSheet(kEditStyle);
            break;
        case ControlKind::ComboBox:
            w = new ComboBox(&wnd, parent);
            w->setStyleSheet(kEditStyle);
            break;
        case ControlKind::ListCtrl:
            w = new ListView(&wnd, parent);
            w->setStyleSheet(kEditStyle);
            break;
        default: {
            auto* s = new SkinWidget(&wnd, parent);
            if (!parent) {
                s->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
                s->setAttribute(Qt::WA_DeleteOnClose, false);
            }
            if (wnd.Kind() == ControlKind::Dialog) {
                s->vbar = new QScrollBar(Qt::Vertical, s);
                s->vbar->hide();
                CWnd* model = &wnd;
                QObject::connect(s->vbar, &QScrollBar::sliderMoved,
                                 [model](int v) { input::VScroll(*model, SB_THUMBTRACK, v); });
                QObject::connect(s->vbar, &QScrollBar::actionTriggered, [s, model](int action) {
                    const UINT codes[] = {SB_ENDSCROLL, SB_LINEDOWN, SB_LINEUP, SB_PAGEDOWN,
                                          SB_PAGEUP,    SB_TOP,      SB_BOTTOM};
                    const int map[] = {
                        QAbstractSlider::SliderNoAction,      QAbstractSlider::SliderSingleStepAdd,
                        QAbstractSlider::SliderSingleStepSub, QAbstractSlider::SliderPageStepAdd,
                        QAbstractSlider::SliderPageStepSub,   QAbstractSlider::SliderToMinimum,
                        QAbstractSlider::SliderToMaximum};
                    for (int i = 1; i < 7; ++i) {
                        if (map[i] == action && s->Model()) input::VScroll(*model, codes[i]);
                    }
                });
            }
            w = s;
            break;
        }
    }
    widgets_[&wnd] = w;
    wnd.SetRendered(true);
    for (CWnd* child : wnd.Children()) Build(*child);
    Sync(wnd, kChangeAll);
    return w;
}

void QtRenderer::WindowCreated(CWnd& wnd) {
    Build(wnd);
}

void QtRenderer::WindowDestroyed(CWnd& wnd) {
    const auto it = widgets_.find(&wnd);
    if (it == widgets_.end()) return;
    QWidget* w = it->second;
    widgets_.erase(it);
    shotTaken_.erase(&wnd);
    pendingAppends_.erase(&wnd);
    if (auto* m = MirrorOf(w)) m->Forget();
    w->hide();
    // Later: the widget may be inside its own event handler right now.
    w->deleteLater();
}

void QtRenderer::WindowChanged(CWnd& wnd, unsigned what) {
    Sync(wnd, what);
}

namespace {

QTreeWidgetItem* ListRow(const CListCtrl& model, int row) {
    auto* item = new QTreeWidgetItem;
    for (int col = 0; col < std::max(1, model.GetColumnCount()); ++col)
        item->setText(col, ToQt(model.GetItemText(row, col)));
    return item;
}

}  // namespace

void QtRenderer::FillItems(CWnd& wnd, QWidget* w) {
    ++itemRebuilds_;
    if (auto* combo = dynamic_cast<ComboBox*>(w)) {
        const QSignalBlocker block(combo);
        QStringList items;
        for (const auto& item : static_cast<CComboBox&>(wnd).Items()) items << ToQt(item);
        combo->clear();
        combo->addItems(items);
    } else if (auto* list = dynamic_cast<ListView*>(w)) {
        auto& model = static_cast<CListCtrl&>(wnd);
        list->syncing = true;
        list->clear();
        QStringList headings;
        for (const auto& c : model.Columns()) headings << ToQt(c.heading);
        list->setColumnCount(std::max(1, model.GetColumnCount()));
        list->setHeaderLabels(headings);
        for (int i = 0; i < model.GetColumnCount(); ++i)
            list->setColumnWidth(i, model.Columns()[static_cast<std::size_t>(i)].width);
        QList<QTreeWidgetItem*> rows;
        for (int row = 0; row < model.GetItemCount(); ++row) rows << ListRow(model, row);
        list->addTopLevelItems(rows);
        list->syncing = false;
    }
}

namespace {

// The model's selection and text; Qt selects the first row it adds to an
// empty box by itself.
void ShowSelection(ComboBox& combo, const CComboBox& model) {
    const QSignalBlocker block(&combo);
    if (model.GetCurSel() >= 0 || !combo.isEditable()) combo.setCurrentIndex(model.GetCurSel());
    if (combo.isEditable() && combo.currentText() != ToQt(model.GetWindowText()))
        combo.setEditText(ToQt(model.GetWindowText()));
}

int ShownRows(QWidget* w) {
    if (auto* combo = dynamic_cast<ComboBox*>(w)) return combo->count();
    if (auto* list = dynamic_cast<ListView*>(w)) return list->topLevelItemCount();
    return 0;
}

}  // namespace

void QtRenderer::FlushAppends(const CWnd& wnd) {
    const auto it = pendingAppends_.find(&wnd);
    if (it == pendingAppends_.end()) return;
    const int count = it->second;
    pendingAppends_.erase(it);
    QWidget* w = WidgetOf(wnd);
    const int first = ShownRows(w);
    // The widget holds the model's rows before `first`; the waiting ones
    // follow, with their texts as they are now.
    if (auto* combo = dynamic_cast<ComboBox*>(w)) {
        const auto& items = static_cast<const CComboBox&>(wnd).Items();
        QStringList rows;
        for (int i = first; i < first + count && i < static_cast<int>(items.size()); ++i)
            rows << ToQt(items[static_cast<std::size_t>(i)]);
        {
            const QSignalBlocker block(combo);
            combo->addItems(rows);
        }
        ShowSelection(*combo, static_cast<const CComboBox&>(wnd));
    } else if (auto* list = dynamic_cast<ListView*>(w)) {
        const auto& model = static_cast<const CListCtrl&>(wnd);
        QList<QTreeWidgetItem*> rows;
        for (int i = first; i < first + count && i < model.GetItemCount(); ++i)
            rows << ListRow(model, i);
        list->syncing = true;
        list->addTopLevelItems(rows);
        list->syncing = false;
    }
}

void QtRenderer::FlushAllAppends() {
    while (!pendingAppends_.empty()) FlushAppends(*pendingAppends_.begin()->first);
}

void QtRenderer::ItemsEdited(CWnd& wnd, const ItemEdit& edit) {
    QWidget* w = WidgetOf(wnd);
    if (!w) return;
    // The widget shows the model's first rows; the rest wait for the batch.
    // Edits among the waiting rows only change how many there are.
    const int shown = ShownRows(w);
    if (edit.kind != ItemEdit::Kind::Reset && edit.index >= shown) {
        int& waiting = pendingAppends_[&wnd];
        if (edit.kind == ItemEdit::Kind::Inserted) ++waiting;
        if (edit.kind == ItemEdit::Kind::Removed) --waiting;
        const int queued = waiting;
        if (queued <= 0) pendingAppends_.erase(&wnd);
        if (queued > 0 && !flushQueued_) {
            flushQueued_ = true;
            QTimer::singleShot(0, flushContext_.get(), [this] {
                flushQueued_ = false;
                FlushAllAppends();
            });
        }
        return;
    }
    if (edit.kind == ItemEdit::Kind::Reset) pendingAppends_.erase(&wnd);
    if (auto* combo = dynamic_cast<ComboBox*>(w)) {
        auto& model = static_cast<CComboBox&>(wnd);
        const QSignalBlocker block(combo);
        const struct Reselect {
            ComboBox& combo;
            const CComboBox& model;
            ~Reselect() { ShowSelection(combo, model); }
        } reselect{*combo, model};
        switch (edit.kind) {
            case ItemEdit::Kind::Inserted:
                combo->insertItem(edit.index,
                                  ToQt(model.Items()[static_cast<std::size_t>(edit.index)]));
                break;
            case ItemEdit::Kind::Removed:
                combo->removeItem(edit.index);
                break;
            case ItemEdit::Kind::TextSet:
                combo->setItemText(edit.index,
                                   ToQt(model.Items()[static_cast<std::size_t>(edit.index)]));
                break;
            case ItemEdit::Kind::Reset:
                combo->clear();
                break;
        }
    } else if (auto* list = dynamic_cast<ListView*>(w)) {
        auto& model = static_cast<CListCtrl&>(wnd);
        list->syncing = true;
        switch (edit.kind) {
            case ItemEdit::Kind::Inserted:
                list->insertTopLevelItem(edit.index, ListRow(model, edit.index));
                break;
            case ItemEdit::Kind::Removed:
                delete list->takeTopLevelItem(edit.index);
                break;
            case ItemEdit::Kind::TextSet:
                if (QTreeWidgetItem* item = list->topLevelItem(edit.index);
                    item && edit.subItem < std::max(1, model.GetColumnCount()))
                    item->setText(edit.subItem, ToQt(model.GetItemText(edit.index, edit.subItem)));
                break;
            case ItemEdit::Kind::Reset:
                list->clear();
                break;
        }
        list->syncing = false;
    }
}

void QtRenderer::Sync(CWnd& wnd, unsigned what) {
    QWidget* w = WidgetOf(wnd);
    if (!w) return;
    FlushAppends(wnd);
    const CRect r = wnd.Rect();
    if (what & kChangeGeometry) {
        if (w->isWindow()) {
            w->setFixedSize(r.Width(), r.Height());
            if (w->pos() != QPoint(r.left, r.top)) w->move(r.left, r.top);
        } else if (wnd.Kind() == ControlKind::ComboBox) {
            // A combo box's template height includes its drop-down list; the
            // closed box is one line high.
            const int line = std::min(r.Height(), wnd.GetSkinFont().size + 10);
            w->setGeometry(r.left, r.top, r.Width(), line);
        } else {
            w->setGeometry(r.left, r.top, r.Width(), r.Height());
        }
    }
    if (what & kChangeEnabled) w->setEnabled(wnd.IsWindowEnabled());
    if ((what & kChangeFocus) && what != kChangeAll) w->setFocus();
    if (what & kChangeLook) {
        if (auto* list = dynamic_cast<ListView*>(w)) {
            const DWORD ex = static_cast<CListCtrl&>(wnd).GetExtendedStyle();
            list->setSelectionBehavior((ex & LVS_EX_FULLROWSELECT)
                                           ? QAbstractItemView::SelectRows
                                           : QAbstractItemView::SelectItems);
            list->setStyleSheet(
                QString::fromLatin1(kEditStyle) +
                ((ex & LVS_EX_GRIDLINES)
                     ? QStringLiteral("QTreeWidget::item { border-right: 1px solid "
                                      "#d5dfea; border-bottom: 1px solid #d5dfea; }")
                     : QString()));
        }
        w->setFont(skin::FontOf(wnd.GetSkinFont()));
        w->setCursor(wnd.GetCursor() == SkinCursor::Hand    ? Qt::PointingHandCursor
                     : wnd.GetCursor() == SkinCursor::IBeam ? Qt::IBeamCursor
                     : wnd.GetCursor() == SkinCursor::Wait  ? Qt::WaitCursor
                                                            : Qt::ArrowCursor);
    }
    if (what & (kChangeText | kChangeContent | kChangeState)) {
        if (auto* line = dynamic_cast<LineEdit*>(w)) {
            const QString t = ToQt(wnd.GetWindowText());
            if (line->text() != t) line->setText(t);
            line->setReadOnly(wnd.GetStyle() & ES_READONLY);
        } else if (auto* text = dynamic_cast<TextEdit*>(w)) {
            const QString t = ToQt(wnd.GetWindowText());
            if (text->toPlainText() != t) {
                text->syncing = true;
                text->setPlainText(t);
                text->syncing = false;
            }
            text->setReadOnly(wnd.GetStyle() & ES_READONLY);
        } else if (auto* combo = dynamic_cast<ComboBox*>(w)) {
            auto& model = static_cast<CComboBox&>(wnd);
            // The items follow edit by edit (ItemsEdited); they are copied
            // whole only when the widget is new.
            if (what == kChangeAll || combo->count() != model.GetCount()) FillItems(wnd, w);
            ShowSelection(*combo, model);
        } else if (auto* list = dynamic_cast<ListView*>(w)) {
            auto& model = static_cast<CListCtrl&>(wnd);
            // Columns changed (or the widget is new): every row is laid out again.
            if ((what & kChangeContent) || list->topLevelItemCount() != model.GetItemCount())
                FillItems(wnd, w);
            list->syncing = true;
            list->clearSelection();
            if (model.GetSelectionMark() >= 0)
                list->topLevelItem(model.GetSelectionMark())->setSelected(true);
            list->syncing = false;
        }
        if (w->isWindow()) w->setWindowTitle(ToQt(wnd.GetWindowText()));
    }
    if (what & kChangeScroll) {
        if (auto* s = dynamic_cast<SkinWidget*>(w); s && s->vbar) {
            const ScrollState& st = wnd.ScrollBar(SB_VERT);
            const QSignalBlocker block(s->vbar);
            s->vbar->setRange(st.min, std::max(st.min, st.max - st.page));
            s->vbar->setPageStep(std::max(1, st.page));
            s->vbar->setValue(st.pos);
            s->vbar->setGeometry(r.Width() - 14, 0, 14, r.Height());
            s->vbar->setVisible(st.shown && st.max > st.min);
            s->vbar->raise();
        }
    }
    if (what & kChangeVisibility) {
        const bool show = wnd.IsVisibleFlag() && !wnd.IsMinimized();
        if (!w->isWindow()) {
            // Explicitly, or a hidden child would appear with its parent.
            w->setVisible(show);
        } else if (show != w->isVisible() || wnd.IsMinimized() != w->isMinimized()) {
            if (wnd.IsMinimized()) {
                w->showMinimized();
            } else {
                w->setVisible(show);
            }
        }
        if (show && w->isWindow()) {
            // Without a display there is no stacking to change.
            if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
                w->raise();
                w->activateWindow();
            }
            AutoScreenshot(wnd);
        }
    }
    w->update();
}

void QtRenderer::RunModalLoop(CImageDialog& dlg) {
    if (dlg.IsEnded()) return;
    QEventLoop loop;
    modalLoops_[&dlg] = &loop;
    if (QWidget* w = WidgetOf(dlg)) w->setWindowModality(Qt::ApplicationModal);
    loop.exec();
    modalLoops_.erase(&dlg);
}

void QtRenderer::ModalEnded(CImageDialog& dlg) {
    const auto it = modalLoops_.find(&dlg);
    if (it != modalLoops_.end()) it->second->exit(0);
}

void QtRenderer::BeginDrag(CImageDialog& dlg, CPoint) {
    auto* w = dynamic_cast<SkinWidget*>(WidgetOf(dlg));
    if (!w || !w->isWindow()) return;
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;  // released already
    if (w->windowHandle() && w->windowHandle()->startSystemMove()) return;
    w->dragArmed = true;
}

bool QtRenderer::Screenshot(CWnd& top, const std::string& pngPath) {
    FlushAllAppends();
    QWidget* w = WidgetOf(top);
    if (!w) return false;
    const QFileInfo info(QString::fromStdString(pngPath));
    QDir().mkpath(info.absolutePath());
    return w->grab().save(info.absoluteFilePath(), "PNG");
}

CRect QtRenderer::DesktopRect() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return Renderer::DesktopRect();
    const QRect g = screen->geometry();
    return CRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
}

bool QtRenderer::AvailableRect(CRect* out) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect g = screen->availableGeometry();
    if (out) *out = CRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    return true;
}

void QtRenderer::SetScreenshotDir(const std::string& dir) {
    screenshotDir_ = dir;
}

void QtRenderer::AutoScreenshot(CWnd& wnd) {
    if (screenshotDir_.empty() || wnd.GetParent() || shotTaken_[&wnd]) return;
    shotTaken_[&wnd] = true;
    const UINT id =
        wnd.Kind() == ControlKind::Dialog ? static_cast<CImageDialog&>(wnd).TemplateId() : 0;
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%u.png", ++screenshotCount_, id);
    const std::string path = (std::filesystem::path(screenshotDir_) / name).string();
    // Windows are shown after their initialisation, so the picture is complete now.
    if (!Screenshot(wnd, path)) {
        ++screenshotFailures_;
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
}

}  // namespace zeva::ui
