#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

namespace sentrel {

// A wl_buffer over memory shared with the compositor, for it to copy the
// screen into and us to read from.
class ShmBuffer {
public:
    // Throws std::runtime_error when the memory cannot be had.
    ShmBuffer(wl_shm* shm, std::uint32_t format, std::uint32_t width, std::uint32_t height, std::uint32_t stride);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    bool Fits(std::uint32_t format, std::uint32_t width, std::uint32_t height, std::uint32_t stride) const {
        return format == format_ && width == width_ && height == height_ && stride == stride_;
    }
    wl_buffer* Buffer() const { return buffer_; }
    const std::uint8_t* Row(std::uint32_t y) const { return data_ + std::size_t{y} * stride_; }
    std::uint32_t Format() const { return format_; }
    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }

private:
    std::uint32_t format_, width_, height_, stride_;
    std::size_t size_;
    std::uint8_t* data_ = nullptr;
    wl_buffer* buffer_ = nullptr;
};

}  // namespace sentrel
