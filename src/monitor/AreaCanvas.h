#pragma once

#include <string>

namespace sentrel {

// A rectangle outline between two corners, as dragged.
struct Outline {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;

    friend bool operator==(const Outline&, const Outline&) = default;
};

// What the engine asks of whatever shows the areas: red outlines on the
// window's surface, one numbered label per area, and notices to the user.
class AreaCanvas {
public:
    virtual ~AreaCanvas() = default;
    virtual void DrawOutline(const Outline& outline) = 0;
    // Removes every outline drawn so far.
    virtual void ClearOutlines() = 0;
    // Creates label n (1..20) looking like the instruction label, then shows
    // it with the caption, 20 units high, red, its top-left corner at (left, top).
    virtual void AddAreaLabel(int n, const std::string& caption, float left, float top) = 0;
    virtual void SetAreaLabelCaption(int n, const std::string& caption) = 0;
    virtual void RemoveAreaLabel(int n) = 0;
    // A modal notice with an OK button, titled "提示".
    virtual void Notice(const std::string& text) = 0;
};

}  // namespace sentrel
