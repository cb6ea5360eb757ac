#pragma once
// The forms of the update engine: the full form (interactive updater's silent
// run), the silent updater program and the toolbox's plug-in update thread
// share one set of algorithms and differ only in these choices.

#include <cstdint>
#include <functional>
#include <string>

namespace zeva {

enum class UpdateForm { Full, Silent, Toolbox, Interactive };

struct UpdateOptions {
    UpdateForm form = UpdateForm::Full;
    // Staging folder of the main program job, relative to the application directory.
    std::string programStagingDir = "UPDATE\\Program\\";
    // Server entries: resolve host names to dotted addresses; when false they
    // are taken as read and both entries are always listed.
    bool resolveHostNames = true;
    // Toolbox rule: the secondary is listed only when its resolved address is not empty.
    bool dropUnresolvedSecondary = false;
    // Gate of the main catalog: UNCONDITIONALUPDATE and REGION as well as
    // VERSION (true), or VERSION alone (false).
    bool fullGate = true;
    // Staged copies with the catalog's MD5 are not fetched again.
    bool reuseStagedFiles = true;
    // Plug-in catalog lists its files in a "FILES" section (toolbox) instead
    // of one section per file.
    bool pluginCatalogHasFilesSection = false;
    // Version, restart and the rest only when the catalog VERSION is newer
    // (silent updater); otherwise after every run that installed files.
    bool onlyWhenNewer = false;
    // Update record, registry values and the update notification.
    bool recordAndNotify = true;
    // Parameters the main client is restarted with.
    std::string clientParameters;
    // Restart the main client at all.
    bool restartClient = true;
    // Put in front of every remote name (the toolbox's remote folder).
    std::string remotePrefix;
    // The main-program catalog "UpdateConfig.ini" also for plug-in types
    // (the update dialog evaluates that format whatever the type).
    bool programCatalogForPlugins = false;
    // Looks up a server host name (dotted text, empty when unknown); empty
    // uses the system's resolver. Tests never resolve real names.
    std::function<std::string(const std::string&)> hostResolver;
    // Seconds since 1970 (UTC), against which signed catalogs expire; empty
    // uses the system's time.
    std::function<std::int64_t()> wallClock;

    static UpdateOptions Full();
    static UpdateOptions Silent();
    static UpdateOptions Toolbox(std::string remoteFolder);
    // The update dialog: the full form's rules on the main-program catalog.
    static UpdateOptions Interactive();
};

}  // namespace zeva
