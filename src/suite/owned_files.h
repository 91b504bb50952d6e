// Files that close themselves when their owner goes: a stdio stream, or a
// descriptor.
#pragma once

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace oc {

struct file_closer {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using owned_file = std::unique_ptr<std::FILE, file_closer>;

struct owned_fd {
    int fd = -1;
    owned_fd() = default;
    explicit owned_fd(int fd) : fd(fd) {}
    owned_fd(const owned_fd&) = delete;
    owned_fd& operator=(const owned_fd&) = delete;
    ~owned_fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace oc
