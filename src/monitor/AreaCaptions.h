#pragma once

#include <string>

namespace sentrel {

// "监控区域3": a new area's label.
std::string AreaCaption(int n);
// "监控区域3阀值为：7": an area's label while it is being counted.
std::string AreaCounterCaption(int n, float counter);

}  // namespace sentrel
