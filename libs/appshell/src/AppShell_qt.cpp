// The window system on Linux: a QApplication, the Qt renderer and Qt's
// event loop (offscreen with QT_QPA_PLATFORM=offscreen).
#include "AppShell.h"

#include <QApplication>
#include <QTimer>
#include <cstdlib>

#include "QtRenderer.h"

namespace zeva::ui {

struct AppShell::Impl {
    explicit Impl(const char* argv0) : argv{const_cast<char*>(argv0), nullptr}, app(argc, argv) {}
    int argc = 1;
    char* argv[2];
    QApplication app;
    QtRenderer renderer;
};

bool AppShell::Available() {
    for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(v);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

AppShell::AppShell(const char* argv0) {
    // Before the QApplication: Qt reads the font map when it starts.
    UseShippedFontConfig();
    impl_ = std::make_unique<Impl>(argv0);
}

AppShell::~AppShell() = default;

void AppShell::SetScreenshotDir(const std::string& dir) {
    impl_->renderer.SetScreenshotDir(dir);
}

bool AppShell::Screenshot(CWnd& top, const std::string& pngPath) {
    return impl_->renderer.Screenshot(top, pngPath);
}

int AppShell::ScreenshotFailures() const {
    return impl_->renderer.ScreenshotFailures();
}

void AppShell::Later(int ms, std::function<void()> fn) {
    QTimer::singleShot(ms, [fn = std::move(fn)] { fn(); });
}

int AppShell::Run() {
    return QApplication::exec();
}

void AppShell::Exit(int code) {
    QCoreApplication::exit(code);
}

}  // namespace zeva::ui
