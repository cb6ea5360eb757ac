#include "LookAnimation.h"

#include <algorithm>

#include "DirectoryEx.h"
#include "platform/AppPath.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

std::string Stem(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.rfind('.'));
}

}  // namespace

void CLookAnimation::Load(const std::string& appDir, UINT drawnId) {
    frames_.clear();
    drawnId_ = drawnId;
    std::vector<std::string> found;
    CDirectoryEx::SearchFile(appDir + "look", false, "*.png", found);
    // "7.png" before "12.png": by the length of the number, then its digits.
    std::stable_sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        const std::string sa = Stem(a), sb = Stem(b);
        return sa.size() != sb.size() ? sa.size() < sb.size() : sa < sb;
    });
    for (const std::string& f : found) {
        if (PngFileSize(NativePath(f).string()).cx > 0) frames_.push_back(f);
    }
    step_ = 0;
    ShowStep();
}

void CLookAnimation::Rewind() {
    step_ = 0;
    ShowStep();
}

void CLookAnimation::Play() {
    if (playing_ || !GetSafeHwnd()) return;
    playing_ = true;
    SetTimer(kFrameTimer, kFrameMs);
}

void CLookAnimation::Stop() {
    if (!playing_) return;
    playing_ = false;
    if (GetSafeHwnd()) KillTimer(kFrameTimer);
}

void CLookAnimation::OnTimer(UINT_PTR id) {
    if (id != kFrameTimer || !playing_) return;
    ++step_;
    ShowStep();
}

void CLookAnimation::ShowStep() {
    if (frames_.empty()) {
        SetImage(drawnId_);
        SetFrame(step_);
    } else {
        SetImage(frames_[static_cast<std::size_t>(step_) % frames_.size()]);
    }
}
