#pragma once

#include <QColor>
#include <cstdint>

namespace sentrel {

// A colour as the model keeps it, 0x00BBGGRR.
inline QColor ToQColor(std::int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace sentrel
