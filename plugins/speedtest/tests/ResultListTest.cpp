// The result list (verdicts, colours, icons, placement, scrolling, clear)
// and the shared-network window (scan, gateway, count, columns, own row,
// drag), headless.

#include "DlgShareNet.h"
#include "HttpFakes.h"

using namespace speedtest;
using namespace speedtest::test;
using namespace zeva;

TEST(ResultVerdict, ByResponseTimeAndFailure) {
    const struct {
        bool answered;
        float seconds;
        const char* text;
        COLORREF colour;
    } cases[] = {
        {true, 0.0f, "很快", RGB(89, 151, 30)},     {true, 0.499f, "很快", RGB(89, 151, 30)},
        {true, 0.5f, "一般", RGB(223, 99, 0)},      {true, 2.0f, "一般", RGB(223, 99, 0)},
        {true, 2.001f, "较慢", RGB(204, 51, 0)},    {true, 9.999f, "较慢", RGB(204, 51, 0)},
        {true, 10.0f, "无法连接", RGB(204, 51, 0)}, {false, 0.1f, "无法连接", RGB(204, 51, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        const Verdict v = VerdictFor(c.answered, c.seconds);
        EXPECT_STREQ(v.text, c.text);
        EXPECT_EQ(v.colour, c.colour);
    }
}

class ResultList : public HttpFixture {
protected:
    void SetUp() override {
        list_ = std::make_unique<CDlgResultContainer>();
        ASSERT_TRUE(list_->Create(kTplResultList, nullptr));
        list_->ShowWindow(SW_SHOW);
    }
    void TearDown() override { list_.reset(); }
    int Pos() const { return list_->GetScrollPos(SB_VERT); }
    int Max() const { return list_->ScrollBar(SB_VERT).max; }
    std::unique_ptr<CDlgResultContainer> list_;
};

TEST_F(ResultList, RowsStackAndTheFailedOneShowsItsIcon) {
    EXPECT_EQ(Max(), 0);
    list_->AddRow(true, "www.a.test", 0.25f);
    list_->AddRow(false, "www.b.test", 0.1f);
    ASSERT_EQ(list_->Rows().size(), 2u);
    const CDlgResultItem& a = *list_->Rows()[0];
    const CDlgResultItem& b = *list_->Rows()[1];
    EXPECT_EQ(a.Rect().top, 0);
    EXPECT_EQ(a.Rect().left, 0);
    EXPECT_EQ(b.Rect().top, a.Rect().bottom);
    EXPECT_EQ(Utf8(a.GetDlgItem(result_ids::kAddress)), "www.a.test");
    EXPECT_EQ(Utf8(a.GetDlgItem(result_ids::kSeconds)), "0.250");
    EXPECT_EQ(Utf8(b.GetDlgItem(result_ids::kVerdict)), "无法连接");
    EXPECT_EQ(b.GetDlgItem(result_ids::kVerdict)->GetTextColor(), RGB(204, 51, 0));
    EXPECT_EQ(static_cast<CPNGPicture*>(b.GetDlgItem(result_ids::kIcon))->Image().resourceId,
              14027u);
    EXPECT_EQ(static_cast<CPNGPicture*>(a.GetDlgItem(result_ids::kIcon))->Image().resourceId,
              14025u);
    EXPECT_EQ(Max(), 0) << "two rows fit";
}

TEST_F(ResultList, ScrollsWithinItsBoundsAndClearsToEmpty) {
    for (int i = 0; i < 10; ++i)
        list_->AddRow(true, "www.site" + std::to_string(i) + ".test", 1.0f);
    CRect client;
    list_->GetClientRect(&client);
    const int rowHeight = list_->Rows()[0]->Rect().Height();
    const int max = 10 * rowHeight - client.Height();
    ASSERT_GT(max, 5);
    EXPECT_EQ(Max(), max);

    const struct {
        UINT code;
        int thumb;
        int pos;
    } steps[] = {
        {SB_LINEUP, 0, 0},
        {SB_LINEDOWN, 0, 1},
        {SB_PAGEDOWN, 0, 6},
        {SB_BOTTOM, 0, 11},
        {SB_TOP, 0, 6},
        {SB_PAGEUP, 0, 1},
        {SB_PAGEUP, 0, 0},
        {SB_THUMBTRACK, 40, 40},
        {SB_THUMBTRACK, 10000, max},
        {SB_LINEDOWN, 0, max},
        {SB_PAGEDOWN, 0, max},
        {SB_ENDSCROLL, 0, max},
        {SB_THUMBTRACK, max - 2, max - 2},
        {SB_PAGEDOWN, 0, max},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.code << " " << s.thumb);
        driver_.VScroll(*list_, s.code, s.thumb);
        EXPECT_EQ(Pos(), s.pos);
        EXPECT_EQ(list_->Rows()[0]->Rect().top, -s.pos) << "the rows move with the position";
    }

    list_->Clear();
    EXPECT_TRUE(list_->Rows().empty());
    EXPECT_EQ(Max(), 0);
    EXPECT_EQ(Pos(), 0);
    list_->AddRow(true, "www.again.test", 0.1f);
    EXPECT_EQ(list_->Rows()[0]->Rect().top, 0);
}

class ShareNet : public HttpFixture {
protected:
    // Opens the window modally and reads it before it closes.
    struct Seen {
        std::string count;
        std::vector<std::vector<std::string>> rows;
        std::vector<CListCtrl::Column> columns;
        DWORD extended = 0;
        int drags = 0;
    };
    Seen Open(const std::vector<LanDevice>& devices, std::vector<AdapterFacts> adapters) {
        fakes_.scanner->scans = {devices};
        fakes_.probes->adapters = std::move(adapters);
        Seen seen;
        driver_.AnswerNextModal([&](CImageDialog& dlg) {
            auto* list = dynamic_cast<CListCtrl*>(dlg.GetDlgItem(sharenet_ids::kList));
            seen.count = Utf8(dlg.GetDlgItem(sharenet_ids::kCount));
            for (int r = 0; list && r < list->GetItemCount(); ++r) {
                std::vector<std::string> row;
                for (int c = 0; c < 4; ++c) row.push_back(zeva::AcpToUtf8(list->GetItemText(r, c)));
                seen.rows.push_back(row);
            }
            if (list) seen.columns = list->Columns();
            if (list) seen.extended = list->GetExtendedStyle();
            const int before = dlg.DragRequests();
            driver_.PressMouse(dlg, CPoint(100, 20));
            seen.drags = dlg.DragRequests() - before;
            driver_.Click(dlg, sharenet_ids::kClose);
        });
        CDlgShareNet dlg(fakes_.Make());
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        return seen;
    }
};

TEST_F(ShareNet, GatewayOnlyScanShowsTheOwnComputerAlone) {
    const Seen seen = Open({{"192.168.1.10", "00-11-22-33-44-55", "", ""},
                            {"192.168.1.1", "AA-BB-CC-DD-EE-FF", "", ""}},
                           {{{"192.168.1.10"}, {"192.168.1.1"}, "00-11-22-33-44-55"}});
    EXPECT_EQ(seen.count, "发现1台设备正在与您使用同一个网络!");
    ASSERT_EQ(seen.rows.size(), 1u);
    EXPECT_EQ(seen.rows[0],
              (std::vector<std::string>{"1", "00-11-22-33-44-55", "192.168.1.10", "本机"}));
    ASSERT_EQ(seen.columns.size(), 4u);
    const char* headings[4] = {"NO", "MAC", "IP", ""};
    const int widths[4] = {35, 115, 98, 45};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(seen.columns[c].heading, headings[c]);
        EXPECT_EQ(seen.columns[c].width, widths[c]);
    }
    EXPECT_EQ(seen.extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(seen.drags, 1);
}

TEST_F(ShareNet, WithoutAGatewayNothingIsRemovedAndComparisonIsExact) {
    const std::vector<LanDevice> devices = {{"192.168.1.10", "00-11-22-33-44-55", "", ""},
                                            {"192.168.1.1", "AA-BB-CC-DD-EE-FF", "", ""},
                                            {"192.168.1.20", "11-11-11-11-11-11", "", ""}};
    Seen seen = Open(devices, {{{"192.168.1.10"}, {}, "00-11-22-33-44-55"}});
    EXPECT_EQ(seen.count, "发现3台设备正在与您使用同一个网络!");
    ASSERT_EQ(seen.rows.size(), 3u);
    EXPECT_EQ(seen.rows[2],
              (std::vector<std::string>{"3", "11-11-11-11-11-11", "192.168.1.20", ""}));

    // Only the adapter whose first address is the local one counts: its
    // gateway entry goes, another adapter's gateway stays.
    seen = Open(devices, {{{"192.168.1.100"}, {"192.168.1.1"}, ""},
                          {{"192.168.1.10"}, {"192.168.1.10"}, ""}});
    ASSERT_EQ(seen.rows.size(), 2u);
    EXPECT_EQ(seen.rows[0][1], "AA-BB-CC-DD-EE-FF") << "later entries move up";
    EXPECT_EQ(seen.rows[0][0], "1");
    EXPECT_EQ(seen.rows[0][3], "");
}

TEST_F(ShareNet, TheReportLinkOpensIt) {
    OpenHttp();
    CDlgReport& report = *Landing()->ReportPanel();
    report.Fill(10, 10, true, 0, false);
    report.ShowWindow(SW_SHOW);
    UINT opened = 0;
    driver_.AnswerNextModal([&](CImageDialog& dlg) {
        opened = dlg.TemplateId();
        dlg.EndDialog(IDCANCEL);
    });
    ASSERT_TRUE(driver_.Click(report, report_ids::kLink));
    EXPECT_EQ(opened, kTplShareNet);
}
