#include "app/FormChanges.h"

namespace sentrel {
namespace {

constexpr Change kProperties[] = {Change::Place,      Change::Font, Change::Timer, Change::Enabled, Change::Background,
                                  Change::Foreground, Change::Text, Change::Align, Change::Checked, Change::Visible};

template <typename Model, typename... Members>
bool Differ(const Model& shown, const Model& now, Members... members) {
    return ((shown.*members != now.*members) || ...);
}

bool Differs(Change what, const Control& shown, const Control& now) {
    switch (what) {
        case Change::Place:
            return Differ(shown, now, &Control::left, &Control::top, &Control::width, &Control::height);
        case Change::Font:
            return Differ(shown, now, &Control::font);
        case Change::Timer:
            return Differ(shown, now, &Control::intervalMs, &Control::enabled);
        case Change::Enabled:
            return Differ(shown, now, &Control::enabled);
        case Change::Background:
            return Differ(shown, now, &Control::background);
        case Change::Foreground:
            return Differ(shown, now, &Control::foreground);
        case Change::Text:
            return Differ(shown, now, &Control::text);
        case Change::Align:
            return Differ(shown, now, &Control::align);
        case Change::Checked:
            return Differ(shown, now, &Control::checked);
        case Change::Visible:
            return Differ(shown, now, &Control::visible);
        case Change::Made:
            break;
    }
    return false;
}

// A timer shows nothing: it only runs, at its period, or not.
bool AppliesTo(ControlKind kind, Change what) { return (kind == ControlKind::Timer) == (what == Change::Timer); }

}  // namespace

FormChanges ChangesToShow(const std::optional<FormControls>& shown, const FormControls& now) {
    FormChanges changes;
    for (const Control& control : now.controls) {
        const Control* before = shown ? shown->Find(control.name, control.index) : nullptr;
        if (before == nullptr) changes.controls.push_back({Change::Made, &control});
        for (const Change what : kProperties) {
            if (AppliesTo(control.kind, what) && (before == nullptr || Differs(what, *before, control))) {
                changes.controls.push_back({what, &control});
            }
        }
    }
    changes.caption = !shown || shown->window.caption != now.window.caption;
    changes.look = !shown || Differ(shown->window, now.window, &WindowModel::background, &WindowModel::layered,
                                    &WindowModel::opacity);
    return changes;
}

}  // namespace sentrel
