#pragma once
// The speed test's resource table: template and image numbers, the control
// ids of each window, and the one registration of templates and images.

#include "DialogTemplate.h"

namespace speedtest {

// Templates.
inline constexpr UINT kTplTestMain = 14017;
inline constexpr UINT kTplTestSpeed = 14013;
inline constexpr UINT kTplSelect = 14019;
inline constexpr UINT kTplDownload = 14016;
inline constexpr UINT kTplHttpTest = 14022;
inline constexpr UINT kTplBandInfo = 14020;
inline constexpr UINT kTplQuestions = 14021;
inline constexpr UINT kTplReport = 14076;
inline constexpr UINT kTplFaq = 14092;
inline constexpr UINT kTplMessageBox = 14090;
inline constexpr UINT kTplResultList = 14029;
inline constexpr UINT kTplResultItem = 14044;
inline constexpr UINT kTplShareNet = 14098;

// Messages.
inline constexpr UINT kMsgDownloadProgress = 1627;
inline constexpr UINT kMsgHttpProgress = 1628;
inline constexpr UINT kMsgToolPicked = 1825;

// Images.
namespace img {
// The window frame: background, close and minimise buttons (normal, hover, pressed).
inline constexpr UINT kMainBackground = 14034;
inline constexpr UINT kCloseNormal = 14037;
inline constexpr UINT kCloseHover = 14036;
inline constexpr UINT kClosePressed = 14035;
inline constexpr UINT kMinimiseNormal = 14040;
inline constexpr UINT kMinimiseHover = 14039;
inline constexpr UINT kMinimisePressed = 14038;
// Landing page.
inline constexpr UINT kLandingBackground = 14033;
inline constexpr UINT kLookupPending = 14072;
inline constexpr UINT kLookupDone = 14097;
inline constexpr UINT kLookupFailed = 14100;
inline constexpr UINT kDownloadChoiceNormal = 14041;
inline constexpr UINT kDownloadChoiceHover = 14042;
inline constexpr UINT kDownloadChoicePressed = 14043;
inline constexpr UINT kHttpChoiceNormal = 14046;
inline constexpr UINT kHttpChoiceHover = 14045;
inline constexpr UINT kHttpChoicePressed = 14044;
// Tab bar.
inline constexpr UINT kTabBackground = 14047;
inline constexpr UINT kDownloadTab = 14052;
inline constexpr UINT kDownloadTabSelected = 14055;
inline constexpr UINT kHttpTab = 14053;
inline constexpr UINT kHttpTabSelected = 14056;
// The test pages.
inline constexpr UINT kDownloadBackground = 14050;
inline constexpr UINT kHttpBackground = 14048;
inline constexpr UINT kStartButton = 14054;
inline constexpr UINT kWideButton = 14057;
inline constexpr UINT kWideButtonHover = 14058;
inline constexpr UINT kReportButton = 14070;
inline constexpr UINT kQuestionsButton = 14083;
inline constexpr UINT kContractedCaption = 14066;
inline constexpr UINT kAverageCaption = 14067;
inline constexpr UINT kRatingCaption = 14068;
inline constexpr UINT kAdvice = 14075;
inline constexpr UINT kHint = 14061;
inline constexpr UINT kDownloadBanner = 14069;
inline constexpr UINT kStatusIdle = 14030;
inline constexpr UINT kStatusFinished = 14032;
inline constexpr UINT kEntryPicture = 14091;
inline constexpr UINT kSitesHeading = 14031;
inline constexpr UINT kCustomHeading = 14064;
inline constexpr UINT kResultsHeading = 14073;
// Broadband, questions and report panels.
inline constexpr UINT kBandBackground = 14049;
inline constexpr UINT kBandPicture = 14050;
inline constexpr UINT kPanelBackground = 14051;
inline constexpr UINT kQuestionsHeading = 14059;
inline constexpr UINT kQuestionBullet = 14060;
inline constexpr UINT kReportHeading = 14077;
// Result list: background, row, and a row's icons.
inline constexpr UINT kResultListBackground = 14029;
inline constexpr UINT kResultRowBackground = 14074;
inline constexpr UINT kResultPending = 14028;
inline constexpr UINT kResultAnswered = 14025;
inline constexpr UINT kResultFailed = 14027;
// Help window, message box, shared-network window.
inline constexpr UINT kFaqBackground = 14093;
inline constexpr UINT kFaqPicture1 = 14094;
inline constexpr UINT kFaqPicture2 = 14095;
inline constexpr UINT kFaqTable = 14096;
inline constexpr UINT kMessageBackground = 14086;
inline constexpr UINT kMessageButtonNormal = 14088;
inline constexpr UINT kMessageButtonHover = 14089;
inline constexpr UINT kMessageButtonPressed = 14090;
inline constexpr UINT kShareNetBackground = 14099;
// The report lines' icons: processor, memory, network, traffic, proxy.
inline constexpr UINT kReportIcons[5] = {14078, 14080, 14079, 14082, 14081};
}  // namespace img

namespace main_ids {
inline constexpr UINT kClose = 14013;
inline constexpr UINT kMinimise = 14014;
}  // namespace main_ids

namespace landing_ids {
inline constexpr UINT kDownload = 14007;
inline constexpr UINT kHttp = 14008;
inline constexpr UINT kRateCaption = 14203;
inline constexpr UINT kRate = 14006;
inline constexpr UINT kAreaCaption = 14204;
inline constexpr UINT kArea = 14046;
inline constexpr UINT kStatus = 14078;
inline constexpr UINT kStatusPicture = 14079;
inline constexpr UINT kDownloadNote = 14201;
inline constexpr UINT kHttpNote = 14202;
}  // namespace landing_ids

namespace select_ids {
inline constexpr UINT kDownload = 14007;
inline constexpr UINT kHttp = 14008;
}  // namespace select_ids

namespace download_ids {
inline constexpr UINT kStatus = 14033;
inline constexpr UINT kProgress = 1103;
inline constexpr UINT kStart = 14012;
inline constexpr UINT kStop = 14017;
inline constexpr UINT kLiveRateCaption = 14039;
inline constexpr UINT kLiveRate = 14038;
inline constexpr UINT kLivePercentCaption = 14040;
inline constexpr UINT kLivePercent = 14041;
inline constexpr UINT kContractedPicture = 14005;
inline constexpr UINT kAveragePicture = 14006;
inline constexpr UINT kRatingPicture = 14007;
inline constexpr UINT kContracted = 14010;
inline constexpr UINT kAverage = 14009;
inline constexpr UINT kLineRate = 14011;
inline constexpr UINT kRating = 14008;
inline constexpr UINT kAdvicePicture = 14088;
inline constexpr UINT kAdvice = 14089;
inline constexpr UINT kStatusPictureId = 14042;
inline constexpr UINT kHintPicture = 14064;
inline constexpr UINT kHintBefore = 14065;
inline constexpr UINT kHintDuring = 14066;
inline constexpr UINT kPicture = 14069;
inline constexpr UINT kReport = 14070;
// Captions drawn over the three caption pictures.
inline constexpr UINT kContractedCaption = 14205;
inline constexpr UINT kAverageCaption = 14206;
inline constexpr UINT kRatingCaption = 14207;
}  // namespace download_ids

namespace http_ids {
inline constexpr UINT kStatus = 1091;
inline constexpr UINT kProgress = 1103;
inline constexpr UINT kAction = 14018;
inline constexpr UINT kSiteLabels[6] = {14032, 14037, 14038, 14039, 14040, 14041};
inline constexpr UINT kSiteIcons[6] = {14030, 14031, 14033, 14034, 14035, 14036};
inline constexpr UINT kChecks[4] = {14076, 14078, 14080, 14082};
inline constexpr UINT kDeletes[4] = {14077, 14079, 14081, 14083};
inline constexpr UINT kEntryPicture = 14025;
inline constexpr UINT kEntry = 14026;
inline constexpr UINT kAdd = 14027;
inline constexpr UINT kNote = 14087;
inline constexpr UINT kHeaders[3] = {14084, 14085, 14086};
inline constexpr UINT kPictures[3] = {14067, 14068, 14069};
inline constexpr UINT kReport = 14017;
inline constexpr int kResultsX = 1, kResultsY = 131;
}  // namespace http_ids

namespace result_ids {
inline constexpr UINT kIcon = 14033;
inline constexpr UINT kAddress = 14034;
inline constexpr UINT kSeconds = 14035;
inline constexpr UINT kVerdict = 14036;
}  // namespace result_ids

namespace sharenet_ids {
inline constexpr UINT kList = 14108;
inline constexpr UINT kClose = 14013;
inline constexpr UINT kCount = 1087;
}  // namespace sharenet_ids

namespace band_ids {
inline constexpr UINT kRateCaption = 14043;
inline constexpr UINT kRate = 14006;
inline constexpr UINT kAreaCaption = 14045;
inline constexpr UINT kArea = 14046;
inline constexpr UINT kFailure = 14044;
inline constexpr UINT kFailure2 = 14047;
inline constexpr UINT kPicture = 14048;
}  // namespace band_ids

namespace report_ids {
inline constexpr UINT kCpu = 14092;
inline constexpr UINT kMemory = 14093;
inline constexpr UINT kLan = 14094;
inline constexpr UINT kTraffic = 14095;
inline constexpr UINT kProxy = 14096;
inline constexpr UINT kCpuHint = 14097;
inline constexpr UINT kMemoryHint = 14098;
inline constexpr UINT kLanHint = 14099;
inline constexpr UINT kTrafficHint = 14100;
inline constexpr UINT kProxyHint = 14101;
inline constexpr UINT kLink = 14109;
inline constexpr UINT kHeading = 14091;
inline constexpr UINT kFirstIcon = 14066;  // 14066..14070, one per line
inline constexpr UINT kHeadingText = 14208;
}  // namespace report_ids

namespace questions_ids {
inline constexpr UINT kHeading = 14049;
inline constexpr UINT kFirstBullet = 14050;    // 14050..14056
inline constexpr UINT kFirstDownload = 14057;  // 14057..14063
inline constexpr UINT kFirstHttp = 14064;      // 14064..14070
inline constexpr UINT kLastHttp = 14070;
inline constexpr UINT kHeadingText = 14208;
}  // namespace questions_ids

namespace faq_ids {
inline constexpr UINT kFirstTopic = 14057;  // 14057..14067, topics 1..11
inline constexpr UINT kHeading = 14099;
inline constexpr UINT kTableCaption = 14100;
inline constexpr UINT kAnswer = 14101;
inline constexpr UINT kRateCaption = 14102;
inline constexpr UINT kRateText = 14103;
inline constexpr UINT kDownCaption = 14104;
inline constexpr UINT kDownText = 14105;
inline constexpr UINT kTable = 14106;
inline constexpr UINT kPicture1 = 14097;
inline constexpr UINT kPicture2 = 14098;
inline constexpr UINT kExit = 14017;
}  // namespace faq_ids

namespace msgbox_ids {
inline constexpr UINT kOk = 1;
inline constexpr UINT kCancel = 2;
inline constexpr UINT kText = 14096;
}  // namespace msgbox_ids

// Registers every template and image of the plug-in with its module; later
// calls do nothing.
void RegisterResources();

}  // namespace speedtest
