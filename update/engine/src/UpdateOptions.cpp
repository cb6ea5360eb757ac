#include "UpdateOptions.h"

namespace zeva {

UpdateOptions UpdateOptions::Full() {
    return UpdateOptions{};
}

UpdateOptions UpdateOptions::Silent() {
    UpdateOptions o;
    o.form = UpdateForm::Silent;
    o.programStagingDir = "UPDATE\\";
    o.resolveHostNames = false;
    o.fullGate = false;
    o.reuseStagedFiles = false;
    o.onlyWhenNewer = true;
    o.recordAndNotify = false;
    o.clientParameters = "-AutoRun";
    return o;
}

UpdateOptions UpdateOptions::Toolbox(std::string remoteFolder) {
    UpdateOptions o;
    o.form = UpdateForm::Toolbox;
    o.dropUnresolvedSecondary = true;
    o.reuseStagedFiles = false;
    o.pluginCatalogHasFilesSection = true;
    o.recordAndNotify = false;
    o.restartClient = false;
    o.remotePrefix = std::move(remoteFolder);
    return o;
}

UpdateOptions UpdateOptions::Interactive() {
    UpdateOptions o;
    o.form = UpdateForm::Interactive;
    o.programCatalogForPlugins = true;
    return o;
}

}  // namespace zeva
