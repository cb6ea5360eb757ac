#pragma once
// What the speed-test pages share inside the plug-in: its services (the
// common ones with the plug-in's own message box), its one stop event and
// its settings files.

#include <string>

#include "PageServices.h"

namespace zeva {
class Event;
}

namespace speedtest {

using zeva::plug::AdapterFacts;
using zeva::plug::IConnector;
using zeva::plug::IResolver;
using zeva::plug::IServiceClient;
using zeva::plug::ISystemProbes;
using zeva::plug::LanDevice;
using zeva::plug::PageServices;
using zeva::plug::ProxyValues;

// The real services, messages shown in the plug-in's own message box.
PageServices RealServices();

// The plug-in's one stop event (manual reset, not signalled at load), shared
// by the test pages and their samplers.
zeva::Event& StopEvent();

// Settings of the application directory.
std::string AppFile(const std::string& name);
std::string ReadSetting(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& def);

// Local time as "%Y-%m-%d %H:%M:%S".
std::string LocalTimeText();

}  // namespace speedtest
