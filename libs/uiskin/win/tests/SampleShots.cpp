// Writes screenshots of a sample dialog with every skinned control and of a
// message box, drawn by the Win32 renderer, so the look can be checked by
// eye beside the Linux pictures: uiskin_win_shots <folder>.

#include <cstdio>
#include <string>

#include "Controls.h"
#include "Win32Renderer.h"
#include "ZEVAMessageBox.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/ProgramArguments.h"

// windows.h after the model's headers.
#include "UiSkinWindows.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

constexpr UINT kSample = 9501;
constexpr UINT kPressOk = WM_USER + 60;
enum : UINT {
    kTitle = 1,
    kClose,
    kText,
    kButton,
    kCheck,
    kEdit,
    kCombo,
    kList,
    kBar,
    kPillar,
    kInfo,
    kRadar,
    kLink,
    kMissing,
    kBullet
};

class Sample : public CImageDialog {
public:
    Sample() : CImageDialog(kSample) {
        Bind({{kClose, &close},
              {kButton, &button},
              {kCheck, &check},
              {kCombo, &combo},
              {kList, &list},
              {kBar, &bar},
              {kPillar, &pillar},
              {kInfo, &info},
              {kRadar, &radar},
              {kLink, &link},
              {kMissing, &missing},
              {kBullet, &bullet}});
    }
    CImageButtonX close, button;
    CCheckBox check;
    CComboBox combo;
    CListCtrl list;
    CProgressBar bar;
    CPillar pillar;
    CPNGPicture info, radar, missing, bullet;
    CLinkLabel link;

protected:
    BOOL OnInitDialog() override {
        CImageDialog::OnInitDialog();
        close.SetImages(14035, 14036, 14037);
        close.SetShowText(false);
        button.SetShowText(true);
        check.SetCheck(1);
        for (const char* item : {"电信 ADSL", "光纤 100M", "无线"}) combo.AddString(Acp(item));
        combo.SetCurSel(1);
        list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        list.InsertColumn(0, Acp("项目"), 0, 90);
        list.InsertColumn(1, Acp("结果"), 0, 90);
        list.InsertItem(0, Acp("下载速度"));
        list.SetItemText(0, 1, "12.5 Mbit/s");
        list.InsertItem(1, Acp("网页打开"));
        list.SetItemText(1, 1, Acp("正常"));
        list.SetSelectionMark(0);
        bar.SetRange(0, 100);
        bar.SetPos(60);
        pillar.SetRange(0, 100);
        pillar.SetPos(35);
        info.SetImage(14072);
        radar.SetImage(ResourceImage(nullptr, 0));
        SkinImage sweep = ResourceImage(nullptr, 1);
        sweep.info.glyph = SkinGlyph::Radar;
        radar.SetImage(sweep);
        radar.SetFrame(5);
        bullet.SetImage(750);
        missing.SetImage(Acp("C:\\zeva\\skin\\不存在.png"));
        link.SetUnderline(true);
        link.SetTextColor(RGB(0x2F, 0x74, 0xC0));
        GetDlgItem(kEdit)->SetWindowText(Acp("张三"));
        return 1;
    }
};

void RegisterSample() {
    DialogTemplate t;
    t.id = kSample;
    t.cx = 300;
    t.cy = 200;
    t.fontFace = Acp("宋体");
    t.caption = Acp("控件示例");
    t.style = WS_POPUP | WS_VISIBLE;
    t.controls = {
        {kTitle, ControlKind::Static, 8, 5, 120, 10, Acp("控件示例"), 0, true},
        {kClose, ControlKind::Button, 282, 2, 14, 14, "", 0, true},
        {kText, ControlKind::Static, 8, 26, 180, 10, Acp("这是宽带助手的提示信息。"), 0, true},
        {kButton, ControlKind::Button, 8, 40, 50, 14, Acp("开始测速"), 0, true},
        {kCheck, ControlKind::CheckBox, 66, 42, 80, 10, Acp("开机自动运行"), BS_AUTOCHECKBOX, true},
        {kEdit, ControlKind::Edit, 8, 60, 90, 12, "", 0, true},
        {kCombo, ControlKind::ComboBox, 104, 60, 90, 60, "", CBS_DROPDOWNLIST, true},
        {kList, ControlKind::ListCtrl, 8, 78, 190, 50, "", LVS_REPORT, true},
        {kBar, ControlKind::Progress, 8, 136, 190, 8, "", 0, true},
        {kPillar, ControlKind::Progress, 210, 60, 12, 68, "", 0, true},
        {kInfo, ControlKind::Picture, 232, 26, 20, 20, "", 0, true},
        {kRadar, ControlKind::Picture, 232, 60, 50, 50, "", 0, true},
        {kLink, ControlKind::Static, 8, 152, 100, 10, Acp("查看详细报告"), 0, true},
        {kMissing, ControlKind::Picture, 232, 120, 40, 30, "", 0, true},
        {kBullet, ControlKind::Picture, 260, 30, 8, 8, "", 0, true},
    };
    RegisterDialogTemplate(nullptr, t);
}

}  // namespace

int main(int argc, char** argv) {
    ProgramArguments args(argc, argv);
    if (args.argc() != 2 || std::string(args.argv()[1]) == "--help") {
        std::printf(
            "usage: uiskin_win_shots <folder>\n"
            "Writes sample-dialog.png and NN-<template id>.png of a message box.\n");
        return args.argc() == 2 ? 0 : 2;
    }
    const std::string dir = args.argv()[1];
    RegisterSample();
    Win32Renderer renderer;
    Sample sample;
    if (!sample.Create(kSample)) {
        std::fprintf(stderr, "cannot create the sample dialog\n");
        return 1;
    }
    if (!renderer.Screenshot(sample, Utf8Path(PathFromUtf8(dir) / "sample-dialog.png"))) {
        std::fprintf(stderr, "cannot write %s\n", (dir + "/sample-dialog.png").c_str());
        return 1;
    }
    // The message box is saved as it shows, then answered by a click on its button.
    renderer.SetScreenshotDir(dir);
    sample.HandleMessage(kPressOk, [&](WPARAM, LPARAM) {
        if (CWnd* box = ActiveWindow(); box && box != &sample) {
            if (CWnd* ok = box->GetDlgItem(IDOK)) {
                HWND h = renderer.HwndOf(*ok);
                PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
                PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
            }
        }
        return 0;
    });
    sample.PostMessage(kPressOk);
    const int answer =
        ZEVAMessageBox(Acp("这是宽带助手的提示信息。"), MB_OK | MB_ICONINFORMATION, 0, &sample);
    std::printf("message box answered %d; %d screenshot failures\n", answer,
                renderer.ScreenshotFailures());
    for (const std::string& m : renderer.MissingResources())
        std::printf("missing: %s\n", m.c_str());
    return answer == IDOK && renderer.ScreenshotFailures() == 0 ? 0 : 1;
}
