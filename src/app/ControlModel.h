#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sentrel {

enum class ControlKind { Label, Panel, TextBox, Button, OptionButton, Picture, Timer };
enum class TextAlign { Left, Centre, Right };

struct Colour {
    enum class Kind { Default, Rgb, SystemWindow, SystemWindowText };
    Kind kind = Kind::Default;
    std::int32_t bgr = 0;  // 0x00BBGGRR, for Kind::Rgb

    static Colour Rgb(std::int32_t value) { return Colour{Kind::Rgb, value}; }
    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr std::int32_t kRed = 0x0000FF;
inline constexpr std::int32_t kBlue = 0xFF0000;
inline constexpr std::int32_t kWhite = 0xFFFFFF;

// The character set of the layout's Chinese fonts.
inline constexpr int kGb2312Charset = 134;

// An empty face means the window's default font.
struct Font {
    std::string face;
    double points = 0;
    bool bold = false;
    int charset = 0;

    friend bool operator==(const Font&, const Font&) = default;
};

// One control as the window shows it. Positions are in pixels, relative to
// the parent panel (or the window when parent is empty), and are kept
// unrounded: the toolkit places them on whole pixels.
struct Control {
    std::string name;
    int index = -1;  // element number within an indexed family, -1 otherwise
    ControlKind kind = ControlKind::Label;
    std::string parent;
    float left = 0, top = 0, width = 0, height = 0;
    std::string text;
    Font font;
    Colour background;
    Colour foreground;
    TextAlign align = TextAlign::Left;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    int tabOrder = -1;
    int intervalMs = 0;  // timers only
    // A label whose text runs on over several lines.
    bool wordWrap = false;
    // One of the numbered labels of the watched areas, which lie on the
    // window's surface beneath the panels.
    bool areaLabel = false;
};

// The window itself.
struct WindowModel {
    std::string caption = "Sentrel";
    float designedWidth = 924, designedHeight = 679;
    Colour background;
    bool maximised = false;
    bool visible = true;
    // Out of 255; the window is layered (uniformly translucent) once set.
    int opacity = 255;
    bool layered = false;
};

// Every control of the window and the window's own state, as the view
// mirrors them after each handler.
struct FormControls {
    WindowModel window;
    std::vector<Control> controls;

    // The control named (and, for an indexed family, numbered) so; throws
    // std::out_of_range when there is none.
    Control& Get(const std::string& name, int index = -1);
    const Control& Get(const std::string& name, int index = -1) const;
    // None when there is no such control.
    const Control* Find(const std::string& name, int index = -1) const;
    bool Has(const std::string& name, int index = -1) const;
    void Remove(const std::string& name, int index);
};

}  // namespace sentrel
