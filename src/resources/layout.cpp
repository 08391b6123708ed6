#include "layout.h"

#include <QCoreApplication>

#include <cstring>
#include <stdexcept>

namespace Layout {

namespace {

constexpr Control kDigitArea[] = {
    {"Shape1", Kind::Frame, "", {360, 120, 3735, 1335}, -1},
    {"Image1", Kind::Picture, "", {480, 240, 615, 1095}, -1},
    {"Image2", Kind::Picture, "", {1200, 240, 615, 1095}, -1},
    {"Image3", Kind::Picture, "", {1920, 240, 615, 1095}, -1},
    {"Image4", Kind::Picture, "", {2640, 240, 615, 1095}, -1},
    {"Image5", Kind::Picture, "", {3360, 240, 615, 1095}, -1},
};

constexpr Control kSettingsPanel[] = {
    {"Label1", Kind::Label, QT_TRANSLATE_NOOP("Layout", "计时时间："), {120, 2760, 975, 255}, 0},
    {"Combo1", Kind::DropDown, "", {1080, 2715, 855, 300}, 1},
    {"Label2", Kind::Label, QT_TRANSLATE_NOOP("Layout", "分"), {2040, 2760, 375, 255}, 2},
    {"Combo2", Kind::DropDown, "", {2400, 2715, 855, 300}, 3},
    {"Label3", Kind::Label, QT_TRANSLATE_NOOP("Layout", "秒"), {3360, 2760, 375, 255}, 4},
    {"Label4", Kind::Label, QT_TRANSLATE_NOOP("Layout", "提醒时刻："), {120, 3240, 975, 255}, 5},
    {"Combo3", Kind::DropDown, "", {1080, 3195, 855, 300}, 6},
    {"Label5", Kind::Label, QT_TRANSLATE_NOOP("Layout", "秒"), {2040, 3240, 375, 255}, 7},
    {"Check1", Kind::CheckBox, QT_TRANSLATE_NOOP("Layout", "不提醒"), {2520, 3120, 855, 375}, 8},
    {"Label6", Kind::Label, QT_TRANSLATE_NOOP("Layout", "提醒声音："), {120, 3720, 975, 255}, 9},
    {"Text1", Kind::TextBox, "", {1080, 3720, 2175, 270}, 10},
    {"Command1", Kind::Button, "...", {3240, 3720, 495, 255}, 11},
    {"Command2", Kind::Button, QT_TRANSLATE_NOOP("Layout", "确定"), {2040, 4200, 855, 375}, 12},
    {"Command3", Kind::Button, QT_TRANSLATE_NOOP("Layout", "取消"), {3360, 4200, 855, 375}, 13},
    {"Check2", Kind::CheckBox, QT_TRANSLATE_NOOP("Layout", "无边框"), {120, 4200, 975, 255}, 14},
};

constexpr Control kNotice[] = {
    {"Shape1", Kind::Frame, "", {120, 120, 3255, 1095}, -1},
    {"Label1", Kind::Label, QT_TRANSLATE_NOOP("Layout", "剩余"), {240, 360, 3015, 495}, 0},
    {"Image1", Kind::Picture, "", {1320, 360, 615, 495}, -1},
    {"Image2", Kind::Picture, "", {2040, 360, 615, 495}, -1},
    {"Label2", Kind::Label, QT_TRANSLATE_NOOP("Layout", "秒"), {2760, 360, 735, 615}, 1},
};

constexpr MenuItem kMenu[] = {
    {"qidong", QT_TRANSLATE_NOOP("Layout", "启动")},
    {"resum", QT_TRANSLATE_NOOP("Layout", "暂停")},
    {"sp", "-"},
    {"sz", QT_TRANSLATE_NOOP("Layout", "设置")},
    {"exit", QT_TRANSLATE_NOOP("Layout", "退出")},
};

const Control &find(std::span<const Control> a, std::span<const Control> b, const char *name)
{
    for (auto span : {a, b}) {
        for (const Control &c : span) {
            if (std::strcmp(c.name, name) == 0)
                return c;
        }
    }
    throw std::invalid_argument(name);
}

} // namespace

std::span<const Control> barSettingsPanel()
{
    return kSettingsPanel;
}

const Control &barControl(const char *name)
{
    return find(kDigitArea, kSettingsPanel, name);
}

std::span<const Control> noticeControls()
{
    return kNotice;
}

const Control &noticeControl(const char *name)
{
    return find(kNotice, {}, name);
}

std::span<const MenuItem> barMenu()
{
    return kMenu;
}

QString translated(const char *caption)
{
    return QCoreApplication::translate("Layout", caption);
}

} // namespace Layout
