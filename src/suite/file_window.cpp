#include "suite/file_window.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace oc {

namespace {

// A jump away from the window reads only this much (or the request), so
// following scattered chain links does not read whole windows.
constexpr std::size_t kJumpRead = 4096;

}  // namespace

void file_window::attach(int fd) {
    fd_ = fd;
    start_ = 0;
    length_ = 0;
}

bool file_window::fill(std::uint64_t offset, std::size_t size) {
    if (allocated_ < size) {
        allocated_ = std::max(size, capacity_);
        buffer_.reset(new unsigned char[allocated_]);
    }
    start_ = offset;
    length_ = 0;
    while (length_ < size) {
        ssize_t n = ::pread(fd_, buffer_.get() + length_, size - length_, static_cast<off_t>(offset + length_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            length_ = 0;
            return false;
        }
        if (n == 0) break;
        length_ += static_cast<std::size_t>(n);
    }
    return true;
}

bool file_window::refill(std::uint64_t offset, std::size_t size, const unsigned char*& data, std::size_t& got) {
    // Reading on from the window (or from the start) fills a whole window;
    // anything else is a jump.
    bool reading_on = offset >= start_ && offset - start_ <= length_ + capacity_;
    if (!fill(offset, std::max(size, reading_on ? capacity_ : kJumpRead))) return false;
    data = buffer_.get();
    got = std::min(size, length_);
    return true;
}

}  // namespace oc
