#pragma once
// The Qt 6 Widgets renderer: every model window is mirrored by a widget,
// user input on the widgets becomes the model's messages, and the message
// queue of the UI thread is pumped from Qt's event loop.

#include <memory>
#include <string>
#include <unordered_map>

#include "Renderer.h"

class QWidget;
class QEventLoop;
class QObject;

namespace zeva::ui {

class QtMessagePump;

class QtRenderer : public Renderer {
public:
    // Needs a QApplication; installs itself as the model's renderer and the
    // message pump of the calling (UI) thread.
    QtRenderer();
    ~QtRenderer() override;
    QtRenderer(const QtRenderer&) = delete;
    QtRenderer& operator=(const QtRenderer&) = delete;

    void WindowCreated(CWnd& wnd) override;
    void WindowDestroyed(CWnd& wnd) override;
    void WindowChanged(CWnd& wnd, unsigned what) override;
    void ItemsEdited(CWnd& wnd, const ItemEdit& edit) override;
    void RunModalLoop(CImageDialog& dlg) override;
    void ModalEnded(CImageDialog& dlg) override;
    void BeginDrag(CImageDialog& dlg, CPoint screenPoint) override;
    bool Screenshot(CWnd& top, const std::string& pngPath) override;
    CRect DesktopRect() const override;
    bool AvailableRect(CRect* out) const override;

    // With a folder set, every top-level window is saved as a PNG when it
    // first shows ("NN-<template id>.png").
    void SetScreenshotDir(const std::string& dir);
    // Pictures of that folder that could not be written.
    int ScreenshotFailures() const { return screenshotFailures_; }
    QWidget* WidgetOf(const CWnd& wnd) const;
    // How often a combo box's or list's widget was filled whole (when built,
    // or when a list's columns changed) rather than edited item by item.
    unsigned long ItemRebuilds() const { return itemRebuilds_; }

private:
    QWidget* Build(CWnd& wnd);
    void Sync(CWnd& wnd, unsigned what);
    void AutoScreenshot(CWnd& wnd);
    void FillItems(CWnd& wnd, QWidget* w);
    // Rows appended at the end of a combo box or list reach its widget in
    // one batch, on the next turn of the event loop or before anything else
    // touches that widget: a long answer filled row by row costs one insert.
    void FlushAppends(const CWnd& wnd);
    void FlushAllAppends();

    std::unordered_map<const CWnd*, QWidget*> widgets_;
    std::unordered_map<const CImageDialog*, QEventLoop*> modalLoops_;
    std::unordered_map<const CWnd*, bool> shotTaken_;
    std::string screenshotDir_;
    int screenshotCount_ = 0;
    int screenshotFailures_ = 0;
    unsigned long itemRebuilds_ = 0;
    std::unordered_map<const CWnd*, int> pendingAppends_;
    std::unique_ptr<QObject> flushContext_;  // cancels a queued flush with the renderer
    bool flushQueued_ = false;
    std::unique_ptr<QtMessagePump> pump_;
};

// Points Qt's fontconfig at the shipped font map (unless FONTCONFIG_FILE is
// already set). Call before constructing the QApplication.
void UseShippedFontConfig();

}  // namespace zeva::ui
