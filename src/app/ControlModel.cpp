#include "app/ControlModel.h"

#include <algorithm>
#include <stdexcept>

namespace sentrel {
namespace {

template <typename Controls>
auto Find(Controls& controls, const std::string& name, int index) {
    return std::find_if(controls.begin(), controls.end(),
                        [&](const Control& c) { return c.name == name && c.index == index; });
}

}  // namespace

Control& FormControls::Get(const std::string& name, int index) {
    const auto found = Find(controls, name, index);
    if (found == controls.end()) throw std::out_of_range("no control " + name + "(" + std::to_string(index) + ")");
    return *found;
}

const Control& FormControls::Get(const std::string& name, int index) const {
    const auto found = Find(controls, name, index);
    if (found == controls.end()) throw std::out_of_range("no control " + name + "(" + std::to_string(index) + ")");
    return *found;
}

bool FormControls::Has(const std::string& name, int index) const {
    return Find(controls, name, index) != controls.end();
}

void FormControls::Remove(const std::string& name, int index) {
    const auto found = Find(controls, name, index);
    if (found != controls.end()) controls.erase(found);
}

}  // namespace sentrel
