// The panels around the test pages: broadband data, the analysis report,
// the questions with the help window, and the plug-in's message box.

#include "DlgFAQ.h"
#include "DlgMessageBox.h"
#include "FaqTexts.h"
#include "Fixture.h"

using namespace speedtest;
using namespace speedtest::test;
using zeva::Acp;

namespace {

class Panels : public SpeedTestFixture {};

}  // namespace

TEST_F(Panels, BroadbandPanelShowsDataOrFailureLines) {
    using namespace band_ids;
    CDlgBandInfo band;
    ASSERT_TRUE(band.Create(kTplBandInfo, nullptr));
    band.ShowWindow(SW_SHOW);
    EXPECT_TRUE(band.Obtained()) << "before the look-up ends the data lines show";
    EXPECT_EQ(Utf8(band.GetDlgItem(kRate)), "获取中...");
    EXPECT_FALSE(Visible(band.GetDlgItem(kFailure)));

    band.ShowInfo(true, Acp("100M"), Acp("杭州地区"));
    EXPECT_EQ(Utf8(band.GetDlgItem(kRate)), "100M");
    EXPECT_EQ(Utf8(band.GetDlgItem(kArea)), "杭州地区");
    for (UINT id : {kRateCaption, kRate, kAreaCaption, kArea})
        EXPECT_TRUE(Visible(band.GetDlgItem(id))) << id;
    for (UINT id : {kFailure, kFailure2}) EXPECT_FALSE(Visible(band.GetDlgItem(id))) << id;

    band.ShowInfo(false, "", "");
    EXPECT_EQ(Utf8(band.GetDlgItem(kFailure)), "您的宽带信息获取失败!");
    EXPECT_EQ(Utf8(band.GetDlgItem(kFailure2)), "建议您在自家网络环境下使用测速。");
    for (UINT id : {kRateCaption, kRate, kAreaCaption, kArea})
        EXPECT_FALSE(Visible(band.GetDlgItem(id))) << id;
    for (UINT id : {kFailure, kFailure2}) EXPECT_TRUE(Visible(band.GetDlgItem(id))) << id;
    EXPECT_EQ(band.GetDlgItem(kFailure)->GetTextColor(), RGB(237, 78, 12));
}

TEST_F(Panels, ReportLinesHintsAndTheSharedNetworkLink) {
    using namespace report_ids;
    CDlgReport report(fakes_.Make());
    ASSERT_TRUE(report.Create(kTplReport, nullptr));
    report.ShowWindow(SW_SHOW);

    report.Fill(81, 80, true, 21, true);
    EXPECT_EQ(Utf8(report.GetDlgItem(kCpu)), "CPU占用：81% 偏高");
    EXPECT_EQ(Utf8(report.GetDlgItem(kMemory)), "内存占用：80% 正常");
    EXPECT_EQ(Utf8(report.GetDlgItem(kLan)), "局域网内有多台设备共享网络");
    EXPECT_EQ(Utf8(report.GetDlgItem(kTraffic)), "宽带占用 21KB/S");
    EXPECT_EQ(Utf8(report.GetDlgItem(kProxy)), "代理设置 有代理服务器设置");
    for (UINT id : {kCpuHint, kLanHint, kTrafficHint, kProxyHint, kLink})
        EXPECT_TRUE(Visible(report.GetDlgItem(id))) << id;
    EXPECT_FALSE(Visible(report.GetDlgItem(kMemoryHint)));
    EXPECT_EQ(Utf8(report.GetDlgItem(kLanHint)), "详细信息");
    EXPECT_EQ(report.GetDlgItem(kLink)->GetCursor(), IDC_HAND);
    UINT opened = 0;
    driver_.AnswerNextModal([&](CImageDialog& dlg) {
        opened = dlg.TemplateId();
        dlg.EndDialog(IDCANCEL);
    });
    ASSERT_TRUE(driver_.Click(report, kLink));
    EXPECT_EQ(opened, kTplShareNet) << "the link opens the shared-network window";

    // One device (the computer itself) is no sharing: the link goes.
    report.Fill(80, 81, false, 20, false);
    EXPECT_EQ(Utf8(report.GetDlgItem(kLan)), "局域网内无多人共享");
    EXPECT_EQ(Utf8(report.GetDlgItem(kTraffic)), "宽带占用 无程序占用");
    EXPECT_EQ(Utf8(report.GetDlgItem(kProxy)), "代理设置  无代理设置");
    for (UINT id : {kCpuHint, kLanHint, kTrafficHint, kProxyHint, kLink})
        EXPECT_FALSE(Visible(report.GetDlgItem(id))) << id;
    EXPECT_TRUE(Visible(report.GetDlgItem(kMemoryHint)));
}

TEST_F(Panels, EveryQuestionOpensItsTopic) {
    using namespace questions_ids;
    CDlgQuestions questions;
    ASSERT_TRUE(questions.Create(kTplQuestions, nullptr));
    questions.ShowWindow(SW_SHOW);
    const int expected[14] = {1, 2, 6, 7, 8, 10, 11, 2, 4, 5, 8, 10, 11, 7};
    for (UINT i = 0; i < 14; ++i) {
        const UINT id = kFirstDownload + i;
        questions.SelectSet(i < 7);
        int opened = -1;
        std::string heading;
        driver_.AnswerNextModal([&](CImageDialog& dlg) {
            auto* help = dynamic_cast<CDlgFAQ*>(&dlg);
            ASSERT_NE(help, nullptr);
            opened = help->Topic();
            heading = Utf8(dlg.GetDlgItem(faq_ids::kHeading));
            dlg.EndDialog(IDCANCEL);
        });
        ASSERT_TRUE(driver_.Click(questions, id)) << id;
        EXPECT_EQ(opened, expected[i]) << id;
        EXPECT_FALSE(heading.empty()) << id;
    }
    EXPECT_EQ(CDlgQuestions::TopicOf(14064), CDlgQuestions::TopicOf(14058)) << "both open topic 2";
    EXPECT_EQ(CDlgQuestions::TopicOf(14071), 0);
}

TEST_F(Panels, QuestionSetsFollowTheTest) {
    using namespace questions_ids;
    CDlgQuestions questions;
    ASSERT_TRUE(questions.Create(kTplQuestions, nullptr));
    questions.ShowWindow(SW_SHOW);
    for (bool download : {true, false, true}) {
        questions.SelectSet(download);
        for (UINT i = 0; i < 7; ++i) {
            EXPECT_EQ(Visible(questions.GetDlgItem(static_cast<int>(kFirstDownload + i))),
                      download);
            EXPECT_EQ(Visible(questions.GetDlgItem(static_cast<int>(kFirstHttp + i))), !download);
        }
    }
    EXPECT_EQ(Utf8(questions.GetDlgItem(14057)), "测速结果为何达不到签约带宽？");
    EXPECT_EQ(Utf8(questions.GetDlgItem(14065)), "如何手工设定测速网站？");
}

TEST_F(Panels, HelpWindowShowsTopicOneWithItsTableOrAnAnswer) {
    using namespace faq_ids;
    const UINT topicOneOnly[] = {kRateCaption, kRateText,     kDownCaption, kDownText,
                                 kPicture2,    kTableCaption, kTable};
    for (int topic : {0, 1, 12, -3}) {
        CDlgFAQ help(topic);
        driver_.AnswerNextModal([&](CImageDialog& dlg) {
            EXPECT_EQ(help.Topic(), 1) << topic;
            EXPECT_EQ(Utf8(dlg.GetDlgItem(kHeading)), "测速结果有时略低于签约带宽的原因？");
            for (UINT id : topicOneOnly)
                EXPECT_TRUE(Visible(dlg.GetDlgItem(static_cast<int>(id)))) << id;
            EXPECT_FALSE(Visible(dlg.GetDlgItem(kAnswer)));
            EXPECT_NE(Utf8(dlg.GetDlgItem(14107)).find("100M"), std::string::npos) << "the table";
            dlg.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(help.DoModal(), IDCANCEL);
    }
    CDlgFAQ help(3);
    driver_.AnswerNextModal([&](CImageDialog& dlg) {
        EXPECT_EQ(Utf8(dlg.GetDlgItem(kHeading)), "测速相关常用统计单位？ ");
        EXPECT_TRUE(Visible(dlg.GetDlgItem(kAnswer)));
        for (UINT id : topicOneOnly)
            EXPECT_FALSE(Visible(dlg.GetDlgItem(static_cast<int>(id)))) << id;
        // A topic link shows its topic in place.
        ASSERT_TRUE(driver_.Click(dlg, kFirstTopic + 8));
        EXPECT_EQ(help.Topic(), 9);
        EXPECT_EQ(Utf8(dlg.GetDlgItem(kHeading)), "站点网页测速结果较慢的原因？ ");
        EXPECT_EQ(Utf8(dlg.GetDlgItem(kAnswer)), zeva::AcpToUtf8(FaqAnswer(9)));
        ASSERT_TRUE(driver_.Click(dlg, kFirstTopic));
        EXPECT_FALSE(Visible(dlg.GetDlgItem(kAnswer)));
        ASSERT_TRUE(driver_.Click(dlg, kExit));
    });
    EXPECT_EQ(help.DoModal(), IDCANCEL);
}

TEST_F(Panels, AnswersAreWrittenForEveryTopic) {
    for (int topic = 2; topic <= 11; ++topic) {
        const std::string answer = zeva::AcpToUtf8(FaqAnswer(topic));
        EXPECT_GT(answer.size(), 60u) << topic;
        const bool marked = topic == 2 || topic >= 6;
        EXPECT_EQ(answer.rfind("答：", 0) == 0, marked) << topic;
        if (topic == 5 || topic == 8 || topic == 9 || topic == 11) {
            EXPECT_NE(answer.find("Telvo"), std::string::npos) << topic;
            EXPECT_NE(answer.find("Pelmo宽带助手"), std::string::npos) << topic;
        }
    }
    EXPECT_NE(zeva::AcpToUtf8(FaqAnswer(3)).find("1Byte=8bit"), std::string::npos);
    EXPECT_NE(zeva::AcpToUtf8(FaqAnswer(3)).find("128Kbyte"), std::string::npos);
    EXPECT_EQ(FaqAnswer(1), "");
    EXPECT_EQ(FaqAnswer(12), "");
}

TEST_F(Panels, MessageBoxShowsItsTextAndEndsOnEitherButton) {
    for (UINT button : {msgbox_ids::kOk, msgbox_ids::kCancel}) {
        CDlgMessageBox box(Acp("获取测速地址列表失败，请稍后再试！"));
        driver_.AnswerNextModal([&](CImageDialog& dlg) {
            EXPECT_EQ(Utf8(dlg.GetDlgItem(msgbox_ids::kText)),
                      "获取测速地址列表失败，请稍后再试！");
            EXPECT_EQ(Utf8(dlg.GetDlgItem(msgbox_ids::kOk)), "确定");
            EXPECT_EQ(Utf8(dlg.GetDlgItem(msgbox_ids::kCancel)), "取消");
            driver_.PressMouse(dlg, CPoint(300, 20));
            EXPECT_EQ(dlg.DragRequests(), 1) << "dragged by any free point";
            ASSERT_TRUE(driver_.Click(dlg, button));
        });
        EXPECT_EQ(box.DoModal(), static_cast<INT_PTR>(button));
    }
}
