#pragma once
// The Win32 renderer: every model window is mirrored by a real window.
// Dialogs, labels, pictures, buttons, check boxes and bars are windows of a
// registered class painted with GDI+ in the default skin; edits, combo boxes
// and report lists are the system's own controls. Input on them becomes the
// model's messages, and the message queue of the UI thread is pumped from
// the Windows message loop (Win32MessagePump).

#include <memory>
#include <string>
#include <vector>

#include "Renderer.h"

namespace zeva::ui {

class Win32Renderer : public Renderer {
public:
    // On the UI thread: starts GDI+, registers the window classes and
    // installs itself as the model's renderer and the thread's message pump.
    Win32Renderer();
    ~Win32Renderer() override;
    Win32Renderer(const Win32Renderer&) = delete;
    Win32Renderer& operator=(const Win32Renderer&) = delete;

    void WindowCreated(CWnd& wnd) override;
    void WindowDestroyed(CWnd& wnd) override;
    void WindowChanged(CWnd& wnd, unsigned what) override;
    void ItemsEdited(CWnd& wnd, const ItemEdit& edit) override;
    void RunModalLoop(CImageDialog& dlg) override;
    void ModalEnded(CImageDialog& dlg) override;
    void BeginDrag(CImageDialog& dlg, CPoint screenPoint) override;
    // Paints the window and its children into a bitmap and saves it as PNG
    // (`pngPath` in UTF-8; missing folders are made).
    bool Screenshot(CWnd& top, const std::string& pngPath) override;
    CRect DesktopRect() const override;
    bool AvailableRect(CRect* out) const override;

    // With a folder set (UTF-8), every top-level window is saved as a PNG
    // when it first shows ("NN-<template id>.png").
    void SetScreenshotDir(const std::string& dir);
    int ScreenshotFailures() const;
    HWND HwndOf(const CWnd& wnd) const;
    // Fonts and images that were missing and drawn with the fallback, each
    // named once (also said once on stderr).
    std::vector<std::string> MissingResources() const;
    // Messages the pump has handled so far.
    std::size_t PumpedMessages() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The program's message loop on the UI thread (instead of a toolkit's):
// returns the code given to PostQuitMessage.
int RunWin32MessageLoop();

}  // namespace zeva::ui
