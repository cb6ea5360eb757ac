#include "Resources.h"

#include <mutex>

#include "PageSkin.h"
#include "SkinImage.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;

namespace speedtest {

namespace {

// Layouts are drawn in pixels; the templates' font (SimSun 9 pt, 6 x 12
// base units) makes one dialog unit 1.5 pixels in both directions.
int Dlu(int px) {
    return (px * 2 + 1) / 3;
}

ControlTemplate Ctl(UINT id, ControlKind kind, int x, int y, int cx, int cy, const char* text,
                    DWORD style = 0, bool visible = true) {
    return {id, kind, Dlu(x), Dlu(y), Dlu(cx), Dlu(cy), Acp(text), style, visible};
}

DialogTemplate Tpl(UINT id, int cx, int cy, DWORD style, const char* caption = "") {
    return zeva::plug::skin::PageTemplate(id, Dlu(cx), Dlu(cy), style, caption);
}

constexpr ControlKind S = ControlKind::Static;
constexpr ControlKind P = ControlKind::Picture;
constexpr ControlKind B = ControlKind::Button;

DialogTemplate MainTemplate() {
    DialogTemplate t = Tpl(kTplTestMain, 756, 519, WS_POPUP, "Telvo宽带测速");
    t.controls = {
        Ctl(14001, S, 16, 14, 300, 24, "Telvo宽带测速"),
        Ctl(main_ids::kMinimise, B, 702, 6, 24, 21, ""),
        Ctl(main_ids::kClose, B, 728, 6, 24, 21, ""),
    };
    return t;
}

DialogTemplate LandingTemplate() {
    using namespace landing_ids;
    DialogTemplate t = Tpl(kTplTestSpeed, 754, 452, WS_CHILD);
    t.controls = {
        Ctl(kStatusPicture, P, 60, 30, 24, 24, ""),
        Ctl(kStatus, S, 93, 33, 420, 21, "正在自动获取您的宽带信息"),
        Ctl(kRateCaption, S, 93, 75, 90, 21, "签约带宽："),
        Ctl(kRate, S, 183, 75, 180, 21, "获取中..."),
        Ctl(kAreaCaption, S, 390, 75, 75, 21, "归属地："),
        Ctl(kArea, S, 465, 75, 240, 21, "获取中..."),
        Ctl(kDownload, B, 111, 165, 240, 150, "下载测速"),
        Ctl(kHttp, B, 402, 165, 240, 150, "网页测速"),
        Ctl(kDownloadNote, S, 111, 330, 240, 42, "测试您的宽带下载速度，约需15秒", SS_CENTER),
        Ctl(kHttpNote, S, 402, 330, 240, 42, "测试常用网站的访问速度", SS_CENTER),
    };
    return t;
}

DialogTemplate SelectTemplate() {
    DialogTemplate t = Tpl(kTplSelect, 501, 69, WS_CHILD);
    t.controls = {
        Ctl(select_ids::kDownload, B, 12, 24, 141, 42, "下载测速"),
        Ctl(select_ids::kHttp, B, 156, 24, 141, 42, "网页测速"),
    };
    return t;
}

DialogTemplate DownloadTemplate() {
    using namespace download_ids;
    DialogTemplate t = Tpl(kTplDownload, 501, 384, WS_CHILD);
    t.controls = {
        Ctl(kStatusPictureId, P, 18, 18, 42, 42, ""),
        Ctl(kStatus, S, 123, 21, 261, 24, "准备开始下载测速..."),
        Ctl(kProgress, ControlKind::Progress, 123, 51, 261, 15, ""),
        Ctl(kStart, B, 396, 24, 90, 33, "开始测速"),
        Ctl(kStop, B, 396, 24, 90, 33, "停止测速", 0, false),
        Ctl(kLiveRateCaption, S, 24, 93, 105, 21, "即时下载速度：", 0, false),
        Ctl(kLiveRate, S, 129, 93, 105, 21, "", 0, false),
        Ctl(kLivePercentCaption, S, 249, 93, 135, 21, "下载测速完成进度：", 0, false),
        Ctl(kLivePercent, S, 384, 93, 60, 21, "", 0, false),
        Ctl(kContractedPicture, P, 24, 90, 90, 21, "", 0, false),
        Ctl(kContracted, S, 120, 90, 150, 24, "未知", 0, false),
        Ctl(kAveragePicture, P, 24, 120, 90, 21, "", 0, false),
        Ctl(kAverage, S, 120, 120, 120, 24, "", 0, false),
        Ctl(kLineRate, S, 249, 120, 171, 24, "", 0, false),
        Ctl(kRatingPicture, P, 24, 150, 90, 21, "", 0, false),
        Ctl(kContractedCaption, S, 30, 93, 84, 18, "签约带宽：", 0, false),
        Ctl(kAverageCaption, S, 30, 123, 84, 18, "平均下载速度：", 0, false),
        Ctl(kRatingCaption, S, 30, 153, 84, 18, "网速评价：", 0, false),
        Ctl(kRating, S, 120, 150, 120, 24, "", 0, false),
        Ctl(kAdvicePicture, P, 24, 189, 21, 21, "", 0, false),
        Ctl(kAdvice, S, 51, 189, 420, 42, "", 0, false),
        Ctl(kHintPicture, P, 24, 246, 21, 21, ""),
        Ctl(kHintBefore, S, 51, 246, 420, 63,
            "点击“开始测速”，测试您的宽带下载速度。测速前请关闭下载工具、在线视频等占用网络的程序，"
            "测试结果更准确。"),
        Ctl(kHintDuring, S, 51, 246, 420, 63,
            "正在测速，整个过程大约需要15秒，请耐心等待。测速期间请不要进行其他网络操作。", 0,
            false),
        Ctl(kReport, B, 357, 327, 129, 30, "查看分析报告", 0, false),
        Ctl(kPicture, P, 18, 318, 330, 48, ""),
    };
    return t;
}

DialogTemplate HttpTemplate() {
    using namespace http_ids;
    DialogTemplate t = Tpl(kTplHttpTest, 501, 384, WS_CHILD);
    t.controls = {
        Ctl(kStatus, S, 24, 12, 360, 24, "准备开始网页测速..."),
        Ctl(kProgress, ControlKind::Progress, 24, 42, 360, 15, ""),
        Ctl(kAction, B, 396, 15, 90, 33, "开始测速"),
        Ctl(kPictures[0], P, 12, 66, 15, 15, ""),
        // Under the column headers it lies behind.
        Ctl(kPictures[2], P, 1, 108, 499, 21, "", 0, false),
        Ctl(kHeaders[0], S, 24, 111, 270, 18, "测速网址", 0, false),
        Ctl(kHeaders[1], S, 300, 111, 90, 18, "响应时间", 0, false),
        Ctl(kHeaders[2], S, 390, 111, 90, 18, "访问速度", 0, false),
        Ctl(kPictures[1], P, 12, 333, 15, 15, ""),
        Ctl(kEntryPicture, P, 30, 336, 60, 21, ""),
        Ctl(kEntry, ControlKind::Edit, 96, 333, 180, 24, ""),
        Ctl(kAdd, B, 285, 330, 60, 30, "添加"),
        Ctl(kNote, S, 354, 339, 135, 18, "最多可添加4个"),
        Ctl(kReport, B, 357, 327, 129, 30, "查看分析报告", 0, false),
    };
    for (int i = 0; i < 6; ++i) {
        const int x = 33 + (i % 3) * 156, y = 66 + (i / 3) * 24;
        t.controls.push_back(Ctl(kSiteIcons[i], P, x, y + 2, 15, 15, ""));
        t.controls.push_back(Ctl(kSiteLabels[i], S, x + 21, y, 132, 21, ""));
    }
    for (int i = 0; i < 4; ++i) {
        const int y = 141 + i * 30;
        t.controls.push_back(
            Ctl(kChecks[i], ControlKind::CheckBox, 24, y, 360, 21, "", BS_AUTOCHECKBOX, false));
        t.controls.push_back(Ctl(kDeletes[i], S, 396, y, 45, 21, "删除", SS_NOTIFY, false));
    }
    return t;
}

DialogTemplate ResultListTemplate() {
    return Tpl(kTplResultList, 499, 186, WS_CHILD | WS_VSCROLL);
}

DialogTemplate ResultItemTemplate() {
    using namespace result_ids;
    DialogTemplate t = Tpl(kTplResultItem, 480, 30, WS_CHILD);
    t.controls = {
        Ctl(kIcon, P, 9, 7, 15, 15, ""),
        Ctl(kAddress, S, 30, 6, 264, 18, ""),
        Ctl(kSeconds, S, 300, 6, 84, 18, ""),
        Ctl(kVerdict, S, 390, 6, 84, 18, ""),
    };
    return t;
}

DialogTemplate ShareNetTemplate() {
    using namespace sharenet_ids;
    DialogTemplate t = Tpl(kTplShareNet, 330, 300, WS_POPUP, "共享网络");
    t.controls = {
        Ctl(14110, S, 12, 9, 250, 21, "Telvo宽带测速 - 共享网络"),
        Ctl(kClose, B, 300, 6, 24, 21, ""),
        Ctl(kCount, S, 12, 39, 306, 21, ""),
        Ctl(kList, ControlKind::ListCtrl, 12, 66, 306, 222, "", LVS_REPORT),
    };
    return t;
}

DialogTemplate BandInfoTemplate() {
    using namespace band_ids;
    DialogTemplate t = Tpl(kTplBandInfo, 252, 156, WS_CHILD);
    t.controls = {
        Ctl(kPicture, P, 9, 12, 42, 42, ""),
        Ctl(kRateCaption, S, 60, 15, 150, 21, "您的签约带宽："),
        Ctl(kRate, S, 60, 39, 186, 24, "获取中..."),
        Ctl(kAreaCaption, S, 60, 78, 150, 21, "您的地域信息："),
        Ctl(kArea, S, 60, 102, 186, 24, "获取中..."),
        Ctl(kFailure, S, 60, 30, 186, 24, "您的带宽获取失败", 0, false),
        Ctl(kFailure2, S, 60, 66, 186, 42, "获取归属地失败", 0, false),
    };
    return t;
}

DialogTemplate QuestionsTemplate() {
    using namespace questions_ids;
    static const char* const kDownloadSet[7] = {
        "测速结果为何达不到签约带宽？",   "测速时应注意什么？",
        "测试结果与其他测试工具不同的？", "不同时间的测试结果存在差异的？",
        "带宽一样，测试结果不同的原因？", "测试结果达标，但仍觉得网速慢？",
        "Telvo的测速结果可信吗？"};
    static const char* const kHttpSet[7] = {"测速时应注意什么？",
                                            "如何手工设定测速网站？",
                                            "测试结果不理想怎么办？",
                                            "带宽一样，测试结果不同的原因？",
                                            "测试结果达标，但仍觉得网速慢？",
                                            "Telvo的测速结果可信吗？",
                                            "不同时间的测试结果存在差异的？"};
    DialogTemplate t = Tpl(kTplQuestions, 252, 294, WS_CHILD);
    t.controls.push_back(Ctl(kHeading, P, 9, 9, 234, 27, ""));
    t.controls.push_back(Ctl(kHeadingText, S, 21, 15, 210, 18, "常见问题"));
    for (UINT i = 0; i < 7; ++i) {
        const int y = 48 + static_cast<int>(i) * 33;
        t.controls.push_back(Ctl(kFirstBullet + i, P, 15, y + 6, 6, 6, ""));
        t.controls.push_back(
            Ctl(kFirstDownload + i, S, 27, y, 219, 18, kDownloadSet[i], SS_NOTIFY));
        t.controls.push_back(Ctl(kFirstHttp + i, S, 27, y, 219, 18, kHttpSet[i], SS_NOTIFY, false));
    }
    return t;
}

DialogTemplate ReportTemplate() {
    using namespace report_ids;
    static const char* const kHints[5] = {"建议您关闭部分应用程序重新测试",
                                          "建议您关闭部分应用程序重新测试", "详细信息",
                                          "测试时有其他程序占用，请关闭", "建议您关闭后重新测试"};
    DialogTemplate t = Tpl(kTplReport, 252, 294, WS_CHILD);
    t.controls.push_back(Ctl(kHeading, P, 9, 9, 234, 27, ""));
    t.controls.push_back(Ctl(kHeadingText, S, 21, 15, 210, 18, "网速分析报告"));
    for (UINT i = 0; i < 5; ++i) {
        const int y = 48 + static_cast<int>(i) * 48;
        t.controls.push_back(Ctl(kFirstIcon + i, P, 9, y, 15, 15, ""));
        t.controls.push_back(Ctl(kCpu + i, S, 30, y, 216, 18, ""));
        t.controls.push_back(
            Ctl(kCpuHint + i, S, 30, y + 21, i == 2 ? 60 : 216, 18, kHints[i], 0, false));
    }
    t.controls.push_back(Ctl(kLink, S, 93, 48 + 2 * 48 + 21, 45, 18, "查看", SS_NOTIFY, false));
    return t;
}

DialogTemplate FaqTemplate() {
    using namespace faq_ids;
    static const char* const kTitles[11] = {"测速结果有时略低于签约带宽的原因？",
                                            "测速时应注意什么？",
                                            "测速相关常用统计单位？ ",
                                            "如何手工设定测速网站？",
                                            "测试结果不理想怎么办？",
                                            "测试结果与其他测试工具不同的原因？",
                                            "不同时间的测试结果存在差异的原因？",
                                            "带宽一样，测试结果不同的原因？",
                                            "站点网页测速结果较慢的原因？ ",
                                            "测试结果达标，但仍觉得网速慢？",
                                            "Telvo的测速结果可信吗？"};
    DialogTemplate t = Tpl(kTplFaq, 621, 435, WS_POPUP, "测速帮助");
    t.controls.push_back(Ctl(kPicture1, P, 12, 9, 42, 36, ""));
    t.controls.push_back(Ctl(14108, S, 63, 18, 300, 21, "Telvo宽带测速帮助"));
    for (UINT i = 0; i < 11; ++i)
        t.controls.push_back(Ctl(kFirstTopic + i, S, 12, 60 + static_cast<int>(i) * 30, 195, 24,
                                 kTitles[i], SS_NOTIFY));
    t.controls.push_back(Ctl(kHeading, S, 222, 60, 387, 24, ""));
    t.controls.push_back(Ctl(kAnswer, S, 222, 93, 387, 282, "", 0, false));
    t.controls.push_back(Ctl(kPicture2, P, 222, 93, 15, 15, ""));
    t.controls.push_back(Ctl(kRateCaption, S, 240, 93, 81, 21, "签约速率: "));
    t.controls.push_back(Ctl(kRateText, S, 321, 93, 288, 51,
                             "您向Telvo办理宽带业务时约定的最高接入速率，单位为bit/s（比特每秒），"
                             "例如4M宽带即每秒4兆比特。"));
    t.controls.push_back(Ctl(kDownCaption, S, 240, 150, 81, 21, "下载速率:"));
    t.controls.push_back(
        Ctl(kDownText, S, 321, 150, 288, 51,
            "下载文件时每秒实际收到的数据量，单位为Byte/s（字节每秒），1Byte=8bit；"
            "网络协议本身还要占用约7%~10%的带宽。"));
    t.controls.push_back(Ctl(kTableCaption, S, 222, 207, 300, 21, "签约带宽与实测速率对照表："));
    t.controls.push_back(Ctl(kTable, P, 222, 231, 387, 150, ""));
    t.controls.push_back(Ctl(14107, S, 231, 237, 369, 141,
                             "签约带宽    理论最大下载速率    正常实测下载速率\n"
                             "  1M           128KB/S             约115KB/S以上\n"
                             "  2M           256KB/S             约230KB/S以上\n"
                             "  4M           512KB/S             约460KB/S以上\n"
                             "  10M          1.25MB/S            约1.1MB/S以上\n"
                             "  20M          2.5MB/S             约2.2MB/S以上\n"
                             "  50M          6.25MB/S            约5.6MB/S以上\n"
                             "  100M         12.5MB/S            约11.2MB/S以上"));
    t.controls.push_back(Ctl(kExit, B, 522, 393, 87, 30, "退出"));
    return t;
}

DialogTemplate MessageBoxTemplate() {
    DialogTemplate t = Tpl(kTplMessageBox, 330, 174, WS_POPUP, "提示");
    t.controls = {
        Ctl(14095, S, 12, 9, 200, 21, "Telvo宽带测速 - 提示"),
        Ctl(msgbox_ids::kText, S, 24, 45, 282, 75, ""),
        Ctl(msgbox_ids::kOk, B, 96, 132, 66, 27, "确定"),
        Ctl(msgbox_ids::kCancel, B, 168, 132, 66, 27, "取消"),
    };
    return t;
}

void Image(UINT id, SkinGlyph glyph) {
    RegisterSkinImage(ZEVA_THIS_MODULE, id, SkinImageInfo{glyph, {}, {}});
}

}  // namespace

void RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (DialogTemplate t :
             {MainTemplate(), LandingTemplate(), SelectTemplate(), DownloadTemplate(),
              HttpTemplate(), BandInfoTemplate(), QuestionsTemplate(), ReportTemplate(),
              FaqTemplate(), MessageBoxTemplate(), ResultListTemplate(), ResultItemTemplate(),
              ShareNetTemplate()})
            RegisterDialogTemplate(ZEVA_THIS_MODULE, std::move(t));
        // Pictures the default skin draws as glyphs; the others take the look
        // of the role they are shown in (background, button, picture).
        for (UINT id : {img::kClosePressed, img::kCloseHover, img::kCloseNormal})
            Image(id, SkinGlyph::Close);
        for (UINT id : {img::kMinimisePressed, img::kMinimiseHover, img::kMinimiseNormal})
            Image(id, SkinGlyph::Minimise);
        Image(img::kLookupPending, SkinGlyph::Radar);
        Image(img::kLookupDone, SkinGlyph::Success);
        Image(img::kLookupFailed, SkinGlyph::Failure);
        Image(img::kStatusIdle, SkinGlyph::Info);
        Image(img::kStatusFinished, SkinGlyph::Success);
        Image(img::kHint, SkinGlyph::Info);
        Image(img::kAdvice, SkinGlyph::Info);
        Image(img::kQuestionBullet, SkinGlyph::Bullet);
        Image(img::kBandPicture, SkinGlyph::Info);
        Image(img::kFaqPicture1, SkinGlyph::Banner);
        Image(img::kFaqPicture2, SkinGlyph::Bullet);
        for (UINT id : img::kReportIcons) Image(id, SkinGlyph::Bullet);
        for (UINT id : {img::kQuestionsHeading, img::kReportHeading, img::kDownloadBanner})
            Image(id, SkinGlyph::Banner);
        Image(img::kResultAnswered, SkinGlyph::Success);
        Image(img::kResultFailed, SkinGlyph::Failure);
        Image(img::kResultPending, SkinGlyph::Question);
        Image(img::kSitesHeading, SkinGlyph::Bullet);
        Image(img::kCustomHeading, SkinGlyph::Info);
        Image(img::kResultsHeading, SkinGlyph::Banner);
    });
}

}  // namespace speedtest
