#include "SilentUpdate.h"

#include "UpdateJob.h"

namespace zeva {

int RunSilentUpdate(IUpdateHost& host) {
    try {
        UpdateJob job(1, "", UpdateOptions::Silent(), &host);
        job.RunProgramJob();
    } catch (...) {
        // Nothing is reported anywhere: the next start tries again.
    }
    return 0;
}

}  // namespace zeva
