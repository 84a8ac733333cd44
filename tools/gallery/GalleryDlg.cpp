#include "GalleryDlg.h"

#include "widgets/BatteryCtrl.h"
#include "widgets/CArea.h"
#include "widgets/CCheckButton.h"
#include "widgets/CColorButton.h"
#include "widgets/CDeviceList.h"
#include "widgets/CDeviceState.h"
#include "widgets/CGifPicture.h"
#include "widgets/CHelpButton.h"
#include "widgets/CIconButton.h"
#include "widgets/CImageButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CRecordList.h"
#include "widgets/CRoundArea.h"
#include "widgets/CSwitchButton.h"
#include "widgets/CTabCtrl1.h"
#include "widgets/CTextButton.h"
#include "widgets/DListBox.h"
#include "widgets/DPIControl.h"
#include "widgets/DPISlider.h"
#include "widgets/KeyFuncType.h"
#include "widgets/KeyFuncValue.h"
#include "widgets/MButton.h"
#include "widgets/MButton2.h"
#include "widgets/MButton3.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MPicture.h"
#include "widgets/MProgress.h"
#include "widgets/MSlider.h"
#include "widgets/MTabCtrl.h"
#include "widgets/MTabLayout.h"
#include "widgets/MText.h"
#include "widgets/MacroList.h"
#include "widgets/MouseCtrl.h"
#include "widgets/NumberEdit.h"
#include "widgets/PaletteBar.h"
#include "widgets/ReporteCtrl.h"
#include "widgets/Theme.h"

#include <cstdio>

namespace {
template <class T>
T* As(MControl* control)
{
    return dynamic_cast<T*>(control);
}
} // namespace

void GalleryDlg::Caption(const QString& text, int32_t x, int32_t y, int32_t width)
{
    auto* caption = As<MText>(CreateControl(QStringLiteral("MText"), m_nextId++, {x, y, x + width, y + 22}, text));
    caption->SetFontWidth(13);
    caption->SetBold(true);
    caption->SetTextColor(Theme::kTextDim.rgba());
}

void GalleryDlg::InitUI(const MRect&)
{
    LoadBKImage(QStringLiteral("main_bkg.png"));
    SetBackMode(int32_t(ShowMode::Stretch), 0);

    // Caption band.
    CreateArea(QStringLiteral("MPicture"), 32, {0, 0, kWidth, 50})->SetImage(QStringLiteral("img_caption.png"));
    auto* logo = As<MPicture>(CreateArea(QStringLiteral("MPicture"), 34, {18, 5, 178, 45}));
    logo->SetImage(QStringLiteral("logo\\logo.png"));
    logo->SetShowMode(ShowMode::Center);
    auto* title = As<MText>(CreateControl(QStringLiteral("MText"), 36, {200, 0, 800, 50}, QStringLiteral("控件库 · Widget gallery")));
    title->SetFontWidth(16);
    const char* caps[] = {"sysbtn_setting.png", "sysbtn_min.png", "sysbtn_maximize.png", "sysbtn_close.png"};
    for (int i = 0; i < 4; ++i) {
        auto* button = As<CImageButton>(CreateControl(QStringLiteral("CImageButton"), 42 - i, {kWidth - 140 + i * 31, 10, kWidth - 110 + i * 31, 40}));
        button->SetImage(QString::fromLatin1(caps[i]), 4);
    }
    auto* battery = As<BatteryCtrl>(CreateControl(QStringLiteral("BatteryCtrl"), 44, {kWidth - 260, 14, kWidth - 160, 36}));
    battery->SetBatteryInfo(76, 1);
    auto* state = As<CDeviceState>(CreateControl(QStringLiteral("CDeviceState"), 45, {kWidth - 460, 12, kWidth - 280, 38}, QStringLiteral("已连接 · 2.4G")));
    state->SetState(1);
    state->SetFontWidth(13);

    // Tab bar.
    CreateArea(QStringLiteral("MPicture"), 47, {0, 50, 200, kHeight})->SetImage(QStringLiteral("img_tab_bkg.png"));
    auto* tabs = As<MTabCtrl>(CreateControl(QStringLiteral("MTabCtrl"), 48, {1, 80, 191, 560}));
    tabs->SetImage(QStringLiteral("img_tabitem_bkg.png"), 3);
    const std::pair<const char*, const char*> tabItems[] = {{"主页 Home", "icon\\tab_home.png"}, {"按键 Buttons", "icon\\tab_key.png"},
        {"DPI", "icon\\tab_dpi.png"}, {"宏 Macros", "icon\\tab_macro.png"}, {"文本 Text", "icon\\tab_text.png"},
        {"灯光 Lighting", "icon\\tab_light.png"}, {"性能 Performance", "icon\\tab_set.png"}};
    const int ids[] = {1, 2, 3, 4, 8, 5, 6};
    for (int i = 0; i < 7; ++i)
        tabs->InsertItem(ids[i], QString::fromUtf8(tabItems[i].first), QString::fromLatin1(tabItems[i].second));
    tabs->SetSelectItem(2);
    auto* profile = As<CIconButton>(CreateControl(QStringLiteral("CIconButton"), 46, {20, kHeight - 60, 180, kHeight - 24}, QStringLiteral("配置 1")));
    profile->SetImage(QStringLiteral("img_button.png"), 4);
    profile->SetIconImage(QStringLiteral("icon\\icon_arrow_up.png"));

    // Column A: buttons.
    const int ax = 230;
    Caption(QStringLiteral("BUTTONS 按钮"), ax, 66, 400);
    auto* ok = As<MButton>(CreateControl(QStringLiteral("MButton"), 101, {ax, 92, ax + 110, 128}, QStringLiteral("确定 OK")));
    ok->SetImage(QStringLiteral("img_button.png"), 4);
    CreateControl(QStringLiteral("MButton2"), 102, {ax + 120, 92, ax + 250, 128}, QStringLiteral("应用 Apply"));
    auto* off = As<MButton>(CreateControl(QStringLiteral("MButton"), 103, {ax + 260, 92, ax + 370, 128}, QStringLiteral("Disabled")));
    off->SetImage(QStringLiteral("img_button.png"), 4);
    off->SetEnabled(false);
    auto* rec = As<CIconButton>(CreateControl(QStringLiteral("CIconButton"), 138, {ax + 380, 92, ax + 530, 128}, QStringLiteral("录制 Record")));
    rec->SetImage(QStringLiteral("img_button.png"), 4);
    rec->SetIconImage(QStringLiteral("icon\\icon_rec.png"));
    CreateControl(QStringLiteral("CTextButton"), 88, {ax, 140, ax + 150, 170}, QStringLiteral("文本快捷 Text page ›"));
    auto* browse = As<CImageButton>(CreateControl(QStringLiteral("CImageButton"), 95, {ax + 160, 140, ax + 285, 170}, QStringLiteral("浏览 Browse")));
    browse->SetImage(QStringLiteral("btn_openfile.png"), 4);
    auto* reset = As<CImageButton>(CreateControl(QStringLiteral("CImageButton"), 102, {ax + 290, 140, ax + 320, 170}));
    reset->SetImage(QStringLiteral("btn_reset.png"), 4);
    reset->SetTooltip(QStringLiteral("Restore defaults"));
    auto* abc = As<CImageButton>(CreateControl(QStringLiteral("CImageButton"), 169, {ax + 330, 140, ax + 360, 170}));
    abc->SetImage(QStringLiteral("img_btn_abc.png"), 4);
    auto* help = As<CHelpButton>(CreateControl(QStringLiteral("CHelpButton"), 101, {ax + 372, 145, ax + 392, 165}));
    help->SetImage(QStringLiteral("img_help.png"), 4);
    help->SetTitle(QStringLiteral("DPI: dots per inch\n每英寸点数"));

    // Column A: choices.
    Caption(QStringLiteral("CHOICES 选择"), ax, 188, 400);
    auto* check1 = As<CCheckButton>(CreateControl(QStringLiteral("CCheckButton"), 42, {ax, 214, ax + 170, 236}, QStringLiteral("开机启动 Autorun")));
    check1->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    check1->SetCheck(true);
    auto* check2 = As<CCheckButton>(CreateControl(QStringLiteral("CCheckButton"), 43, {ax + 180, 214, ax + 350, 236}, QStringLiteral("Start minimised")));
    check2->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    auto* check3 = As<CCheckButton>(CreateControl(QStringLiteral("CCheckButton"), 218, {ax + 360, 214, ax + 530, 236}, QStringLiteral("Disabled")));
    check3->SetImage(QStringLiteral("btn_checkbox.png"), 8);
    check3->SetCheck(true);
    check3->SetEnabled(false);
    for (int i = 0; i < 2; ++i) {
        auto* radio = As<CRadioButton>(CreateControl(QStringLiteral("CRadioButton"), 213 + i, {ax + i * 100, 248, ax + 90 + i * 100, 270},
            i == 0 ? QStringLiteral("1.0mm") : QStringLiteral("2.0mm")));
        radio->SetImage(QStringLiteral("btn_radiobox.png"), 8);
        radio->SetGroupName(QStringLiteral("IDC_PER_STC_LOD"));
        radio->SetCheck(i == 0);
    }
    auto* sw1 = As<CSwitchButton>(CreateControl(QStringLiteral("CSwitchButton"), 227, {ax + 210, 246, ax + 360, 272}, QStringLiteral("高速模式")));
    sw1->SetSwitchImages(QStringLiteral("img_switch_btn_off.png"), QStringLiteral("img_switch_btn_on.png"));
    sw1->SetCheck(true);
    auto* sw2 = As<CSwitchButton>(CreateControl(QStringLiteral("CSwitchButton"), 228, {ax + 370, 246, ax + 530, 272}, QStringLiteral("Locked")));
    sw2->SetSwitchImages(QStringLiteral("img_switch_btn_off.png"), QStringLiteral("img_switch_btn_on.png"));
    sw2->SetEnabled(false);
    const char* mods[] = {"Ctrl", "Win", "Alt", "Shift"};
    for (int i = 0; i < 4; ++i) {
        auto* mod = As<MButton3>(CreateControl(QStringLiteral("MButton3"), 78 + i, {ax + i * 80, 284, ax + 70 + i * 80, 312}, QString::fromLatin1(mods[i])));
        mod->SetCheck(i == 0 || i == 3);
    }
    const uint32_t presets[] = {0x0000FF, 0xFF00F0, 0xFF0C00, 0xFCFF00, 0x06FF00, 0x00DEFF, 0x0048FF, 0xFFFFFF};
    for (int i = 0; i < 8; ++i) {
        auto* swatch = As<CColorButton>(CreateControl(QStringLiteral("CColorButton"), 188 + i, {ax + i * 40, 322, ax + 32 + i * 40, 354}));
        swatch->SetColor(presets[i]);
        swatch->SetGroupName(QStringLiteral("DEFAULTCOLOR"));
        swatch->SetCheck(i == 5);
    }

    // Column A: entry.
    Caption(QStringLiteral("ENTRY 输入"), ax, 368, 400);
    CreateControl(QStringLiteral("MEdit"), 204, {ax, 394, ax + 90, 426}, QStringLiteral("255"));
    auto* url = As<MEdit>(CreateControl(QStringLiteral("MEdit"), 73, {ax + 100, 394, ax + 300, 426}));
    url->SetHint(QStringLiteral("网址 Web address"));
    auto* number = As<NumberEdit>(CreateControl(QStringLiteral("NumberEdit"), 231, {ax + 310, 394, ax + 400, 426}, QStringLiteral("8")));
    number->SetRange(1, 50);
    auto* combo = As<MComboBox>(CreateControl(QStringLiteral("MComboBox"), 39, {ax + 410, 394, ax + 530, 426}));
    combo->SetImage(QStringLiteral("img_combobox.png"), 4);
    combo->AddItem(QStringLiteral("简体中文"), 2052);
    combo->AddItem(QStringLiteral("English"), 1033);
    combo->SelectData(2052);
    auto* snippet = As<MEdit>(CreateControl(QStringLiteral("MEdit"), 168, {ax, 436, ax + 530, 496}));
    snippet->SetMultiLine(true);
    snippet->SetTitle(QStringLiteral("您好，很高兴为您服务！\nHello, it's my pleasure to serve you!"));

    // Column A: sliders, progress, animation.
    Caption(QStringLiteral("SLIDERS 滑块"), ax, 510, 400);
    auto* bright = As<MSlider>(CreateControl(QStringLiteral("MSlider"), 184, {ax, 534, ax + 260, 560}));
    bright->SetMaxRange(255);
    bright->SetProgress(200);
    auto* progress = As<MProgress>(CreateControl(QStringLiteral("MProgress"), 101, {ax + 280, 534, ax + 530, 560}));
    progress->SetProgress(64);
    auto* dpiSlider = As<DPISlider>(CreateControl(QStringLiteral("DPISlider"), 104, {ax, 570, ax + 530, 622}));
    dpiSlider->SetMaxRange(520);
    dpiSlider->SetProgress(16);
    auto* palette = As<PaletteBar>(CreateControl(QStringLiteral("PaletteBar"), 197, {ax, 632, ax + 400, 662}));
    palette->SetPosition(60);
    auto* position = As<MSlider>(CreateControl(QStringLiteral("MSlider"), 200, {ax, 666, ax + 400, 692}));
    position->SetMaxRange(PaletteBar::kPositions);
    position->SetProgress(60);
    palette->BindSlider(position);
    auto* preview = As<CArea>(CreateArea(QStringLiteral("CArea"), 198, {ax + 410, 632, ax + 470, 692}));
    preview->SetTransparent(0, 8, PaletteBar::PaletteHSLToRGB(60));
    auto* gif = As<CGifPicture>(CreateControl(QStringLiteral("CGifPicture"), 30, {ax + 480, 637, ax + 530, 687}));
    gif->SetImage(QStringLiteral("loading.gif"));
    gif->SetRunState(1, 0);
    gif->AddMTimer(20);

    // Column A: areas.
    Caption(QStringLiteral("AREAS 区域"), ax, 706, 400);
    MArea* round = CreateArea(QStringLiteral("CRoundArea"), 34, {ax, 732, ax + 260, kHeight - 20}, QStringLiteral("设置 Settings"));
    round->SetFontWidth(15);
    auto* dialogTabs = As<CTabCtrl1>(CreateControl(QStringLiteral("CTabCtrl1"), 33, {ax + 14, 770, ax + 246, 806}, {}, round));
    dialogTabs->AddItem(QStringLiteral("常规"));
    dialogTabs->AddItem(QStringLiteral("关于 About"));
    for (int i = 0; i < 2; ++i) {
        MArea* page = CreateArea(QStringLiteral("MTabLayout"), 35 + i, {ax + 14, 814, ax + 246, kHeight - 30}, {}, round);
        auto* text = As<MText>(CreateControl(QStringLiteral("MText"), 58, {ax + 20, 818, ax + 240, kHeight - 34},
            i == 0 ? QStringLiteral("界面语言、开机启动与关闭方式。\nLanguage, autorun and close action.") : QStringLiteral("v1.0.10"), page));
        text->SetVAlignment(kVAlignTop);
        text->SetTextColor(Theme::kTextDim.rgba());
        dialogTabs->BindPage(i, page);
    }
    dialogTabs->SetSelectItem(0);
    MArea* group = CreateArea(QStringLiteral("CArea"), 44, {ax + 270, 732, ax + 530, kHeight - 20}, QStringLiteral("CArea 分组"));
    auto* info = As<MText>(CreateControl(QStringLiteral("MText"), 46, {ax + 284, 764, ax + 520, kHeight - 30},
        QStringLiteral("关闭主面板时:\n最小化到托盘 / 退出程序"), group));
    info->SetVAlignment(kVAlignTop);

    // Column B: DPI and report rate.
    const int bx = 790;
    Caption(QStringLiteral("DPI · REPORT RATE 回报率"), bx, 66, 400);
    auto* dpi = As<DPIControl>(CreateControl(QStringLiteral("DPIControl"), 103, {bx, 92, kWidth - 20, 200}));
    const int levels[] = {400, 800, 1200, 1600, 2400, 3200};
    const uint32_t colors[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0x00FFFF, 0x800180};
    for (int i = 0; i < 6; ++i)
        dpi->AddItem(levels[i], colors[i]);
    dpi->SetSelectItem(1);
    auto* rate = As<ReporteCtrl>(CreateControl(QStringLiteral("ReporteCtrl"), 112, {bx, 210, bx + 400, 262}));
    rate->AddItem(QStringLiteral("125Hz"), 0, 0x0108F1);
    rate->AddItem(QStringLiteral("250Hz"), 1, 0xED6B00);
    rate->AddItem(QStringLiteral("500Hz"), 2, 0x4DF600);
    rate->AddItem(QStringLiteral("1000Hz"), 3, 0x20A3FF);
    rate->SetSelectItemValue(2);
    auto* profiles = As<DListBox>(CreateControl(QStringLiteral("DListBox"), 31, {bx + 410, 210, kWidth - 20, 362}));
    profiles->SetEditFlag(true);
    for (int p = 1; p <= 4; ++p)
        profiles->AddString(QStringLiteral("配置 %1 Profile").arg(p), p, -1);
    profiles->SetCurData(2);

    // Column B: buttons page pieces.
    Caption(QStringLiteral("BUTTONS · MACROS 宏"), bx, 272, 400);
    auto* types = As<KeyFuncType>(CreateControl(QStringLiteral("KeyFuncType"), 69, {bx, 298, bx + 190, 640}));
    const std::pair<const char*, int> typeItems[] = {{"恢复默认", 0}, {"鼠标功能", 1}, {"键盘按键", 2}, {"宏", 4}, {"多媒体", 6},
        {"快捷功能", 7}, {"禁用按键", 9}, {"启动程序", 10}, {"打开网址", 11}, {"文本", 12}};
    const int typeCodes[] = {0, 1, 2, 5, 4, 7, 8, 9, 10, 11};
    for (int i = 0; i < 10; ++i)
        types->AddItem(QString::fromUtf8(typeItems[i].first), typeCodes[i], QStringLiteral("icon\\keytype_%1.png").arg(typeItems[i].second));
    types->SetSelectItem(1);
    auto* values = As<KeyFuncValue>(CreateControl(QStringLiteral("KeyFuncValue"), 74, {bx + 200, 298, bx + 400, 470}));
    const char* functions[] = {"左键", "右键", "中键", "后退", "前进", "DPI+", "DPI-", "DPI 循环"};
    for (int i = 0; i < 8; ++i)
        values->AddItem(QString::fromUtf8(functions[i]), i + 1);
    values->SetSelectItem(0);
    auto* macros = As<MacroList>(CreateControl(QStringLiteral("MacroList"), 119, {bx + 200, 480, bx + 400, 640}));
    macros->AddString(QStringLiteral("宏 1"), 1);
    macros->AddString(QStringLiteral("Macro 2"), 2);
    macros->AddString(QStringLiteral("连点 Rapid fire"), 3);
    macros->SetCurSel(0);
    auto* events = As<CRecordList>(CreateControl(QStringLiteral("CRecordList"), 131, {bx + 410, 372, kWidth - 20, 640}));
    events->AddString(QStringLiteral("↓  A"), 2, 65, 95);
    events->AddString(QStringLiteral("↑  A"), 3, 65, 10);
    events->AddString(QStringLiteral("↓  LB"), 4, 1, 120);
    events->AddString(QStringLiteral("↑  LB"), 5, 1, 10);
    events->AddString(QStringLiteral("Scroll Up"), 6, 1, 10);
    events->AddString(QStringLiteral("↓  Shift"), 2, 16, 30);
    events->AddString(QStringLiteral("↑  Shift"), 3, 16, 10);
    events->SetCurSel(2);

    // Column B: mouse picture with markers, device list.
    Caption(QStringLiteral("DEVICES 设备"), bx, 650, 400);
    auto* picture = As<MPicture>(CreateArea(QStringLiteral("MPicture"), 31, {bx + 135, 690, bx + 265, kHeight - 20}));
    picture->SetImage(QStringLiteral("device\\heron.png"));
    picture->SetShowMode(ShowMode::Center);
    auto* mouse = As<MouseCtrl>(CreateControl(QStringLiteral("MouseCtrl"), 82, {bx, 676, bx + 400, kHeight - 10}));
    mouse->AddItem(QStringLiteral("左键 Left"), 1, 0, {150, 60}, {185, 60});
    mouse->AddItem(QStringLiteral("右键 Right"), 2, 1, {220, 60}, {250, 60});
    mouse->AddItem(QStringLiteral("中键"), 3, 1, {202, 110}, {250, 110});
    mouse->AddItem(QStringLiteral("Ctrl + C"), 5, 0, {150, 150}, {165, 150});
    mouse->AddItem(QStringLiteral("后退 Back"), 4, 0, {150, 195}, {165, 195});
    mouse->SetSelectItem(3);
    auto* devices = As<CDeviceList>(CreateControl(QStringLiteral("CDeviceList"), 57, {bx + 410, 660, kWidth - 20, kHeight - 10}));
    devices->SetColumns(2);
    devices->SetRowHeight(316);
    devices->SetModeText(0, QStringLiteral("有线 Wired"));
    devices->SetModeText(1, QStringLiteral("2.4G 无线"));
    devices->AddDevice(101, QStringLiteral("Heron Pro"), QStringLiteral("device\\heron.png"));
    devices->AddDevice(105, QStringLiteral("Egret V2 Pro"), QStringLiteral("device\\egretv2.png"));
    devices->SetAllDeviceState(0);
    devices->SetDeviceState(101, 1, 1);
    devices->SetDeviceVersion(101, QStringLiteral("1.2.3"));
    devices->SetDeviceBattery(101, 1, 76);
    devices->SetSelectDevice(101);
}

intptr_t GalleryDlg::OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t)
{
    std::fprintf(stderr, "control %d: code %d, parameter %ld\n", id, code, long(param));
    if (id == 39 && code == kNotifyClick)
        DoCancel();
    return 1;
}
