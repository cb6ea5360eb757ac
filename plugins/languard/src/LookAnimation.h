#pragma once
// The waiting animation of the LAN check: the frames of an animated image
// shipped in the application directory ("look\" with numbered PNG files,
// shown in the order of their numbers), else the skin's drawn radar sweep.
// It runs on a timer of its own on the program clock.

#include <string>
#include <vector>

#include "PNGPicture.h"

class CLookAnimation : public CPNGPicture {
public:
    static constexpr UINT kFrameMs = 80;
    static constexpr zeva::UINT_PTR kFrameTimer = 1;

    // Takes the frames from `appDir` + "look\" when there are any, else
    // draws image `drawnId` of the dialog's module (a moving glyph).
    void Load(const std::string& appDir, UINT drawnId);
    void Rewind();
    void Play();
    void Stop();
    bool Playing() const { return playing_; }
    bool FromFiles() const { return !frames_.empty(); }
    int Step() const { return step_; }

protected:
    void OnTimer(zeva::UINT_PTR id) override;

private:
    void ShowStep();

    std::vector<std::string> frames_;
    UINT drawnId_ = 0;
    int step_ = 0;
    bool playing_ = false;
};
