#pragma once

#include <string>

namespace sentrel::testing {

// A point on the screen, or a control's centre inside its panel.
struct Spot {
    int x, y;
};
constexpr Spot kCodeBox{216 + 40, 16 + 16}, kSignIn{312 + 36, 16 + 16}, kSignInPaper{16 + 3, 368 + 8};
constexpr Spot kStart{52, 20}, kStop{104 + 52, 20}, kHide{208 + 48, 20}, kClose{304 + 48, 20};
constexpr Spot kThreshold{400 + 30, 16 + 12}, kChangeMode{472 + 20, 24 + 8}, kStillMode{472 + 20, 8};

// A monitor the window covers. Its panels are centred, a half pixel
// rounding up: the 489-pixel sign-in panel and the 569-pixel toolbar start
// at 716 and 676 on a 1920-pixel screen, at 396 and 356 on a 1280-pixel one.
struct Screen {
    int width = 1920, height = 1080, left = 0;

    Spot InSignIn(Spot control) const { return {left + (width - 489 + 1) / 2 + control.x, 152 + control.y}; }
    Spot InToolbar(Spot control) const { return {left + (width - 569 + 1) / 2 + control.x, control.y}; }
};

inline std::string At(Spot spot) { return std::to_string(spot.x) + " " + std::to_string(spot.y); }

}  // namespace sentrel::testing
