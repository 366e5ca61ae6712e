#include "platform/wayland/ShmBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>

namespace sentrel {

ShmBuffer::ShmBuffer(wl_shm* shm, std::uint32_t format, std::uint32_t width, std::uint32_t height, std::uint32_t stride)
    : format_(format), width_(width), height_(height), stride_(stride), size_(std::size_t{stride} * height) {
    if (size_ == 0 || size_ > 0x7FFFFFFF) throw std::runtime_error("the screen's frame has an unusable size");
    const int fd = memfd_create("sentrel-screen", MFD_CLOEXEC);
    if (fd < 0) throw std::runtime_error("no shared memory for the screen's frame");
    if (ftruncate(fd, static_cast<off_t>(size_)) != 0) {
        close(fd);
        throw std::runtime_error("no shared memory for the screen's frame");
    }
    void* mapped = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        close(fd);
        throw std::runtime_error("no shared memory for the screen's frame");
    }
    data_ = static_cast<std::uint8_t*>(mapped);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(size_));
    buffer_ = wl_shm_pool_create_buffer(pool, 0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                                        static_cast<std::int32_t>(stride), format);
    // The buffer keeps the pool's memory; neither the pool nor the fd is needed again.
    wl_shm_pool_destroy(pool);
    close(fd);
}

ShmBuffer::~ShmBuffer() {
    wl_buffer_destroy(buffer_);
    munmap(data_, size_);
}

}  // namespace sentrel
