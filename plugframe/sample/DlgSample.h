#pragma once
// The sample plug-in's page: a greeting form, a plan picker, a small check
// list, a progress run on a timer and a message box, enough to exercise
// every kind of skinned control the real pages use.

#include "Controls.h"
#include "DlgSampleDetails.h"
#include "DlgSubPage.h"

namespace sample {

inline constexpr UINT kTemplateId = 20001;
inline constexpr UINT kIdTitle = 20101;
inline constexpr UINT kIdClose = 20102;
inline constexpr UINT kIdIcon = 20104;
inline constexpr UINT kIdIntro = 20105;
inline constexpr UINT kIdNameLabel = 20106;
inline constexpr UINT kIdName = 20107;
inline constexpr UINT kIdGreet = 20108;
inline constexpr UINT kIdGreeting = 20109;
inline constexpr UINT kIdPlanLabel = 20110;
inline constexpr UINT kIdPlan = 20111;
inline constexpr UINT kIdRemember = 20112;
inline constexpr UINT kIdChecks = 20113;
inline constexpr UINT kIdProgress = 20114;
inline constexpr UINT kIdPercent = 20115;
inline constexpr UINT kIdStart = 20116;
inline constexpr UINT kIdNotice = 20117;
inline constexpr UINT kIdQuit = 20118;
inline constexpr UINT kProgressTimer = 1;
inline constexpr UINT kProgressStepMs = 100;

void RegisterResources();

}  // namespace sample

class CDlgSample : public CDlgSubPage {
public:
    CDlgSample();
    // Answer of the last message box (-1 before any), for the tests.
    int LastNoticeAnswer() const { return lastNotice_; }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(zeva::UINT_PTR id) override;

private:
    void Greet();
    void StartChecks();

    CStaticText title_;
    CImageButtonX close_, greet_, start_, notice_, quit_;
    CPNGPicture icon_;
    CEdit name_;
    CStaticText greeting_;
    CComboBox plan_;
    CListCtrl checks_;
    CProgressBar progress_;
    CStaticText percent_;
    CDlgSampleDetails details_;  // the child dialog
    int lastNotice_ = -1;
};
