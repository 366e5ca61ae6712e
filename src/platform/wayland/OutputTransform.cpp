#include "platform/wayland/OutputTransform.h"

#include <wayland-client-protocol.h>

namespace sentrel {

ScreenPoint OutputTransform::ToBuffer(ScreenPoint seen, PixelSize size) const {
    const std::int32_t x = seen.x, y = seen.y;
    const std::int32_t right = size.width - 1 - x, bottom = size.height - 1 - y;
    switch (transform_) {
        case WL_OUTPUT_TRANSFORM_90:
            return {y, right};
        case WL_OUTPUT_TRANSFORM_180:
            return {right, bottom};
        case WL_OUTPUT_TRANSFORM_270:
            return {bottom, x};
        case WL_OUTPUT_TRANSFORM_FLIPPED:
            return {right, y};
        case WL_OUTPUT_TRANSFORM_FLIPPED_90:
            return {y, x};
        case WL_OUTPUT_TRANSFORM_FLIPPED_180:
            return {x, bottom};
        case WL_OUTPUT_TRANSFORM_FLIPPED_270:
            return {bottom, right};
        default:
            return seen;
    }
}

}  // namespace sentrel
