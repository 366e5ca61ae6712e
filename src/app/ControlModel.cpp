#include "app/ControlModel.h"

#include <algorithm>
#include <stdexcept>

namespace sentrel {
namespace {

template <typename Controls>
auto FindIn(Controls& controls, const std::string& name, int index) {
    return std::find_if(controls.begin(), controls.end(),
                        [&](const Control& c) { return c.name == name && c.index == index; });
}

}  // namespace

Control& FormControls::Get(const std::string& name, int index) {
    const auto found = FindIn(controls, name, index);
    if (found == controls.end()) throw std::out_of_range("no control " + name + "(" + std::to_string(index) + ")");
    return *found;
}

const Control& FormControls::Get(const std::string& name, int index) const {
    const auto found = FindIn(controls, name, index);
    if (found == controls.end()) throw std::out_of_range("no control " + name + "(" + std::to_string(index) + ")");
    return *found;
}

const Control* FormControls::Find(const std::string& name, int index) const {
    const auto found = FindIn(controls, name, index);
    return found == controls.end() ? nullptr : &*found;
}

bool FormControls::Has(const std::string& name, int index) const { return Find(name, index) != nullptr; }

void FormControls::Remove(const std::string& name, int index) {
    const auto found = FindIn(controls, name, index);
    if (found != controls.end()) controls.erase(found);
}

}  // namespace sentrel
