#include "PlugSettings.h"

#include <ctime>

#include "CryptConfigFile.h"
#include "DirectoryEx.h"
#include "DlgMessageBox.h"
#include "platform/Event.h"

namespace speedtest {

namespace {

class OwnMessageBox final : public zeva::plug::IMessageBox {
public:
    void Show(const std::string& text, CWnd*) override {
        CDlgMessageBox box(text);
        box.DoModal();
    }
};

// Lives from the plug-in's load to its unload, so the static page, which
// is made later, is destroyed while it still exists.
zeva::Event g_stopEvent(true, false);

}  // namespace

PageServices RealServices() {
    PageServices s = PageServices::Real();
    s.messageBox = std::make_shared<OwnMessageBox>();
    return s;
}

zeva::Event& StopEvent() {
    return g_stopEvent;
}

std::string AppFile(const std::string& name) {
    std::string dir;
    CDirectoryEx::GetApplicationPath(dir);
    return dir + name;
}

std::string ReadSetting(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& def) {
    CCryptConfigFile store(AppFile(file), "");
    std::string value;
    store.ReadString(section, key, def, value);
    return value;
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace speedtest
