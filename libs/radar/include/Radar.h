#pragma once
// CRadar: the waiting animation shown while a page looks something up. A
// small top-level window with a turning radar sweep, animated by a timer on
// the program clock, and a "please wait" line.

#include <memory>

#include "ImageDialog.h"

class CDlgRadar;

class CRadar {
public:
    explicit CRadar(HWND parent = nullptr);
    ~CRadar();
    CRadar(const CRadar&) = delete;
    CRadar& operator=(const CRadar&) = delete;

    // Shows the window (creating it on first use) and starts the sweep.
    void Show();
    // Stops the sweep and destroys the window; Show may be called again.
    void Close();
    bool IsShown() const;
    // Sweep steps drawn so far (one per 80 ms while shown).
    int Frame() const;
    CImageDialog* Window() const;

private:
    HWND parent_;
    std::unique_ptr<CDlgRadar> dlg_;
};

namespace zeva::radar {
inline constexpr UINT kTemplateId = 0x7E20;
inline constexpr UINT kIdSweep = 0x7E21;
inline constexpr UINT kIdText = 0x7E22;
inline constexpr UINT kFrameMs = 80;
}  // namespace zeva::radar
