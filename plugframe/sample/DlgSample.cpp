#include "DlgSample.h"

#include <mutex>

#include "PageSkin.h"
#include "ZEVAMessageBox.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using namespace sample;

void sample::RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate t;
        t.id = kTemplateId;
        t.cx = 320;
        t.cy = 210;
        t.fontFace = Acp("宋体");
        t.fontSize = 9;
        t.caption = Acp("插件示例");
        t.style = WS_POPUP;
        t.controls = {
            {kIdTitle, ControlKind::Static, 8, 6, 150, 10, Acp("插件示例"), 0, true},
            {kIdClose, ControlKind::Button, 301, 3, 14, 14, "", 0, true},
            {kIdIcon, ControlKind::Picture, 10, 28, 22, 22, "", 0, true},
            {kIdIntro, ControlKind::Static, 40, 29, 270, 20,
             Acp("欢迎使用宽带助手插件示例。请输入您的姓名并点击“确定”，选择套餐，运行一次检测。"),
             0, true},
            {kIdNameLabel, ControlKind::Static, 10, 57, 30, 10, Acp("姓名："), 0, true},
            {kIdName, ControlKind::Edit, 42, 55, 110, 13, "", 0, true},
            {kIdGreet, ControlKind::Button, 158, 54, 44, 15, Acp("确 定"), 0, true},
            {kIdRemember, ControlKind::CheckBox, 212, 56, 100, 11, Acp("记住我的选择"),
             BS_AUTOCHECKBOX, true},
            {kIdGreeting, ControlKind::Static, 42, 73, 260, 10, "", 0, true},
            {kIdPlanLabel, ControlKind::Static, 10, 89, 30, 10, Acp("套餐："), 0, true},
            {kIdPlan, ControlKind::ComboBox, 42, 87, 110, 60, "", CBS_DROPDOWNLIST, true},
            {kIdChecks, ControlKind::ListCtrl, 10, 105, 300, 60, "", LVS_REPORT, true},
            {kIdProgress, ControlKind::Progress, 10, 173, 240, 8, "", 0, true},
            {kIdPercent, ControlKind::Static, 256, 172, 54, 10, "0%", SS_RIGHT, true},
            {kIdStart, ControlKind::Button, 150, 188, 50, 15, Acp("开始检测"), 0, true},
            {kIdNotice, ControlKind::Button, 205, 188, 50, 15, Acp("提 示"), 0, true},
            {kIdQuit, ControlKind::Button, 260, 188, 50, 15, Acp("关 闭"), 0, true},
        };
        RegisterDialogTemplate(ZEVA_THIS_MODULE, t);
        RegisterSkinImage(ZEVA_THIS_MODULE, 30001, SkinImageInfo{SkinGlyph::Info, {}, {}});
    });
}

CDlgSample::CDlgSample() : CDlgSubPage(kTemplateId, nullptr) {
    RegisterResources();
    Bind({{kIdTitle, &title_},
          {kIdClose, &close_},
          {kIdGreet, &greet_},
          {kIdStart, &start_},
          {kIdNotice, &notice_},
          {kIdQuit, &quit_},
          {kIdIcon, &icon_},
          {kIdName, &name_},
          {kIdGreeting, &greeting_},
          {kIdPlan, &plan_},
          {kIdChecks, &checks_},
          {kIdProgress, &progress_},
          {kIdPercent, &percent_}});
    HandleClick(kIdGreet, [this] { Greet(); });
    HandleClick(kIdStart, [this] { StartChecks(); });
    HandleClick(kIdNotice, [this] {
        lastNotice_ = ZEVAMessageBox(Acp("这是宽带助手的提示信息。"), MB_ICONINFORMATION, 0, this);
    });
    HandleClick(kIdClose, [this] { CloseDialog(1); });
    HandleClick(kIdQuit, [this] { CloseDialog(1); });
    SetCaptionDrag(30);
    SetStaticLook(plug::skin::kTextDark);
}

BOOL CDlgSample::OnInitDialog() {
    CDlgSubPage::OnInitDialog();
    SetWindowText(Acp("插件示例"));
    plug::skin::StyleTitle(title_);
    plug::skin::StyleCloseButton(close_);
    plug::skin::StyleTextButtons({&greet_, &start_, &notice_, &quit_});
    icon_.SetImage(30001u);
    greeting_.SetTextColor(plug::skin::kTextBlue);
    greeting_.SetFontBold(true);
    name_.SetLimitText(20);
    for (const char* plan : {"10M 光纤", "20M 光纤", "100M 光纤"}) plan_.AddString(Acp(plan));
    plan_.SetCurSel(0);
    checks_.InsertColumn(0, Acp("检测项目"), 0, 200);
    checks_.InsertColumn(1, Acp("结果"), 0, 240);
    for (const char* item : {"网络连接", "域名解析", "下载速度"}) {
        const int row = checks_.InsertItem(checks_.GetItemCount(), Acp(item));
        checks_.SetItemText(row, 1, Acp("未检测"));
    }
    progress_.SetRange(0, 20);
    progress_.SetPos(0);
    percent_.SetTextAligns(DT_RIGHT);
    details_.CreateIn(*this);
    CenterWindow();
    return 1;
}

void CDlgSample::Greet() {
    const std::string name = name_.GetWindowText();
    greeting_.SetWindowText(name.empty() ? Acp("请先输入姓名。")
                                         : Acp("您好，") + name + Acp("！"));
}

void CDlgSample::StartChecks() {
    progress_.SetPos(0);
    percent_.SetWindowText("0%");
    for (int row = 0; row < checks_.GetItemCount(); ++row)
        checks_.SetItemText(row, 1, Acp("检测中..."));
    start_.EnableWindow(0);
    SetTimer(kProgressTimer, kProgressStepMs);
}

void CDlgSample::OnTimer(UINT_PTR id) {
    if (id != kProgressTimer) return;
    progress_.SetPos(progress_.GetPos() + 1);
    int lower = 0, upper = 0;
    progress_.GetRange(lower, upper);
    const int percent = static_cast<int>(progress_.Fraction() * 100.0 + 0.5);
    percent_.SetWindowText(std::to_string(percent) + "%");
    const int done = progress_.GetPos() * checks_.GetItemCount() / (upper - lower);
    for (int row = 0; row < done; ++row) checks_.SetItemText(row, 1, Acp("正常"));
    if (progress_.GetPos() >= upper) {
        KillTimer(kProgressTimer);
        start_.EnableWindow(1);
    }
}
