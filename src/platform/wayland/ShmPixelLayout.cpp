#include "platform/wayland/ShmPixelLayout.h"

#include <wayland-client-protocol.h>

namespace sentrel {

PixelLayout ShmPixelLayout(std::uint32_t format) {
    switch (format) {
        case WL_SHM_FORMAT_XRGB8888:
        case WL_SHM_FORMAT_ARGB8888:
            return kBgrx;
        case WL_SHM_FORMAT_XBGR8888:
        case WL_SHM_FORMAT_ABGR8888:
            return kRgbx;
        case WL_SHM_FORMAT_RGBX8888:
        case WL_SHM_FORMAT_RGBA8888:
            return {4, {24, 8}, {16, 8}, {8, 8}};
        case WL_SHM_FORMAT_BGRX8888:
        case WL_SHM_FORMAT_BGRA8888:
            return {4, {8, 8}, {16, 8}, {24, 8}};
        case WL_SHM_FORMAT_XRGB2101010:
        case WL_SHM_FORMAT_ARGB2101010:
            return {4, {20, 10}, {10, 10}, {0, 10}};
        case WL_SHM_FORMAT_XBGR2101010:
        case WL_SHM_FORMAT_ABGR2101010:
            return {4, {0, 10}, {10, 10}, {20, 10}};
        case WL_SHM_FORMAT_RGB888:
            return {3, {16, 8}, {8, 8}, {0, 8}};
        case WL_SHM_FORMAT_BGR888:
            return {3, {0, 8}, {8, 8}, {16, 8}};
        case WL_SHM_FORMAT_RGB565:
            return {2, {11, 5}, {5, 6}, {0, 5}};
        case WL_SHM_FORMAT_BGR565:
            return {2, {0, 5}, {5, 6}, {11, 5}};
        default:
            return {};
    }
}

}  // namespace sentrel
