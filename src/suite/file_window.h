// A window of a file read with pread: bytes asked for near the window are
// served from memory, so records read in file order cost one read per
// window, and a jump elsewhere reads little. The window never grows with the
// file, only to the largest single request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace oc {

class file_window {
public:
    // `capacity`: how much one read takes when reading on through the file.
    explicit file_window(std::size_t capacity) : capacity_(capacity) {}

    // Reads from `fd` (not owned) from now on, forgetting what was held.
    void attach(int fd);

    bool holds(std::uint64_t offset, std::size_t size) const {
        return offset >= start_ && offset - start_ <= length_ && size <= length_ - (offset - start_);
    }

    // Points `data` at the file's bytes [offset, offset + size), refilling
    // the window when it does not hold them; `got` is how many of them the
    // file has (fewer at its end). False on a read error.
    bool fetch(std::uint64_t offset, std::size_t size, const unsigned char*& data, std::size_t& got) {
        if (!holds(offset, size)) return refill(offset, size, data, got);
        data = buffer_.get() + (offset - start_);
        got = size;
        return true;
    }

private:
    bool refill(std::uint64_t offset, std::size_t size, const unsigned char*& data, std::size_t& got);
    bool fill(std::uint64_t offset, std::size_t size);

    std::size_t capacity_;
    int fd_ = -1;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t allocated_ = 0;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

}  // namespace oc
