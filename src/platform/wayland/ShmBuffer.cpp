#include "platform/wayland/ShmBuffer.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace wystrand::wayland {

ShmBuffer::ShmBuffer(wl_shm* shm, QSize pixels) : size_(pixels) {
    const int stride = pixels.width() * 4;
    bytes_ = static_cast<std::size_t>(stride) * static_cast<std::size_t>(pixels.height());
    const int fd = memfd_create("wystrand-card", MFD_CLOEXEC);
    if (fd < 0) {
        return;
    }
    if (ftruncate(fd, static_cast<off_t>(bytes_)) == 0) {
        data_ = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data_ == MAP_FAILED) {
            data_ = nullptr;
        }
    }
    if (data_ != nullptr) {
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes_));
        buffer_ = wl_shm_pool_create_buffer(pool, 0, pixels.width(), pixels.height(), stride,
                                            WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        static const wl_buffer_listener listener{
            [](void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy_ = false; }};
        wl_buffer_add_listener(buffer_, &listener, this);
        image_ = QImage(static_cast<uchar*>(data_), pixels.width(), pixels.height(), stride,
                        QImage::Format_ARGB32_Premultiplied);
    }
    close(fd);
}

ShmBuffer::~ShmBuffer() {
    if (buffer_ != nullptr) {
        wl_buffer_destroy(buffer_);
    }
    image_ = QImage();
    if (data_ != nullptr) {
        munmap(data_, bytes_);
    }
}

wl_buffer* ShmBuffer::attach() {
    busy_ = true;
    return buffer_;
}

}  // namespace wystrand::wayland
