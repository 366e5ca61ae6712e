#include "app/Module1.h"

#include <array>
#include <utility>

#include "app/NumericText.h"

namespace sentrel {

std::int32_t ModifierFlags(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::int32_t>, 7> kTable = {{
        {"Alt", kModAlt},
        {"Ctrl", kModControl},
        {"Ctrl+Alt", kModControl | kModAlt},
        {"Shift", kModShift},
        {"Shift+Alt", kModShift | kModAlt},
        {"Ctrl+Shift", kModControl | kModShift},
        {"Ctrl+Alt+Shift", kModControl | kModAlt | kModShift},
    }};
    for (const auto& [known, flags] : kTable) {
        if (name == known) return flags;
    }
    return 0;
}

HotKeySpec ParseHotKeySpec(std::string_view spec) {
    const auto comma = spec.find(',');
    const std::string_view name = comma == std::string_view::npos ? std::string_view{} : spec.substr(0, comma);
    const std::string_view code = comma == std::string_view::npos ? spec : spec.substr(comma + 1);
    std::int32_t keyCode = 0;
    if (const std::optional<double> value = ParseNumericText(code)) keyCode = RoundToInt32(*value).value_or(0);
    return HotKeySpec{ModifierFlags(name), keyCode};
}

Module1::Module1(HotKeyBackend& backend) : backend_(backend) {}

void Module1::SetHotKey(std::int32_t id, std::string_view spec, std::string_view action) {
    hotKeyModifiers_ = 0;
    hotKeyCode_ = 0;
    hotKeyId_ = id;
    if (action == "Add") {
        const HotKeySpec parsed = ParseHotKeySpec(spec);
        hotKeyModifiers_ = parsed.modifiers;
        hotKeyCode_ = parsed.keyCode;
        backend_.Register(hotKeyId_, hotKeyModifiers_, hotKeyCode_);
        hooked_ = true;
    }
}

}  // namespace sentrel
