#pragma once

#include <QFont>

namespace sentrel {

// "宋体" (SimSun) where it is installed, then CJK fonts that Debian ships,
// so no Chinese glyph ever shows as a box. size in points at 96 dpi.
QFont CjkFont(double points, bool bold);

}  // namespace sentrel
