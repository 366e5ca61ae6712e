#include "app/FormLayout.h"

namespace sentrel {
namespace {

Font SimSun(double points, bool bold) { return Font{"宋体", points, bold, kGb2312Charset}; }

struct Row {
    const char* name;
    int index;
    ControlKind kind;
    const char* parent;
    float left, top, width, height;
    const char* text;
    Font font;
    Colour background;
    Colour foreground;
    TextAlign align;
    int tabOrder;
};

Control FromRow(const Row& row) {
    Control c;
    c.name = row.name;
    c.index = row.index;
    c.kind = row.kind;
    c.parent = row.parent;
    c.left = row.left;
    c.top = row.top;
    c.width = row.width;
    c.height = row.height;
    c.text = row.text;
    c.font = row.font;
    c.background = row.background;
    c.foreground = row.foreground;
    c.align = row.align;
    c.tabOrder = row.tabOrder;
    return c;
}

Control Timer(const char* name, const char* parent, int intervalMs, bool enabled) {
    Control c;
    c.name = name;
    c.kind = ControlKind::Timer;
    c.parent = parent;
    c.intervalMs = intervalMs;
    c.enabled = enabled;
    c.visible = false;
    return c;
}

}  // namespace

FormControls DesignedLayout() {
    using K = ControlKind;
    using A = TextAlign;
    const Colour none;
    const Colour red = Colour::Rgb(kRed);
    const Font normal;
    const Row rows[] = {
        {"Label1", 0, K::Label, "", 0, 0, 121, 17, "右键可清除监控区域", normal, red, none, A::Left, 0},
        {"Label2", -1, K::Label, "", 112, 0, 361, 17, "，各监控区域阀值变化等于默认阀值时将发送微信提醒！", normal, red,
         none, A::Left, 8},
        {"Label3", -1, K::Label, "", 0, 16, 473, 17,
         "按住鼠标左键拖动框选监控区域，面积越小精度越高，建议不超过1平方厘米", normal, red, none, A::Left, 9},
        {"Frame2", -1, K::Panel, "", 272, 152, 489, 393, "", normal, Colour{Colour::Kind::SystemWindow, 0},
         Colour{Colour::Kind::SystemWindowText, 0}, A::Left, 10},
        {"Label4", -1, K::Label, "Frame2", 64, 23, 145, 25, "请输入验证码", SimSun(15.75, true), none, none, A::Right,
         11},
        {"Text2", -1, K::TextBox, "Frame2", 216, 16, 89, 33, "", SimSun(15.75, true), none, none, A::Left, 12},
        {"Command5", -1, K::Button, "Frame2", 312, 16, 73, 33, "登录", normal, none, none, A::Centre, 13},
        {"Command6", -1, K::Button, "Frame2", 432, 8, 41, 17, "关闭", normal, none, none, A::Centre, 14},
        {"Image1", -1, K::Picture, "Frame2", 112, 56, 251, 307, "", normal, none, none, A::Left, -1},
        {"Label5", -1, K::Label, "Frame2", 16, 368, 457, 17, "", normal, Colour::Rgb(kWhite), none, A::Centre, 17},
        {"Frame1", -1, K::Panel, "", 272, 0, 569, 41, "Frame1", normal, none, none, A::Left, 1},
        {"Command1", -1, K::Button, "Frame1", 0, 0, 105, 41, "开始监控", SimSun(15, true), none, none, A::Centre, 5},
        {"Command2", -1, K::Button, "Frame1", 104, 0, 105, 41, "停止监控", SimSun(15, true), none, none, A::Centre, 4},
        {"Command3", -1, K::Button, "Frame1", 208, 0, 97, 41, "显示/隐藏(Ctrl+W)", SimSun(14.25, false), none, none,
         A::Centre, 3},
        {"Command4", -1, K::Button, "Frame1", 304, 0, 97, 41, "关闭程序", SimSun(15, true), none, none, A::Centre, 2},
        {"Text1", -1, K::TextBox, "Frame1", 400, 0, 65, 18, "默认阀值", SimSun(9, true), none, none, A::Left, 7},
        {"Text4", -1, K::TextBox, "Frame1", 400, 16, 65, 25, "30", SimSun(15.75, true), none, none, A::Left, 6},
        {"Option1", -1, K::OptionButton, "Frame1", 472, 0, 105, 25, "无变化时提醒", normal, none, none, A::Left, 15},
        {"Option2", -1, K::OptionButton, "Frame1", 472, 24, 97, 17, "有变化时提醒", normal, none, none, A::Left, 16},
        // Beneath the toolbar's buttons, in the panel, which grows to show
        // it: a note on a time the screen could not be seen. Part of the
        // window, it never lies over what is watched nor is itself read.
        {"Label6", -1, K::Label, "Frame1", 0, 41, 569, 34, "", normal, Colour::Rgb(kWhite), none, A::Left, -1},
    };

    FormControls form;
    for (const Row& row : rows) form.controls.push_back(FromRow(row));
    Control& holdNote = form.Get("Label6");
    holdNote.visible = false;
    holdNote.wordWrap = true;
    form.controls.push_back(Timer("Timer1", "", 1000, false));
    form.controls.push_back(Timer("Timer2", "Frame1", 20000, true));
    return form;
}

}  // namespace sentrel
