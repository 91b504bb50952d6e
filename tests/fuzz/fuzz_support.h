// Helpers shared by the fuzz targets: a private scratch directory for the
// files the readers take by path, and a cursor over the input's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// A directory of this process, made on first use and removed at exit.
// The current directory is left alone: libFuzzer writes its corpus and
// crash files relative to it.
const std::string& scratch_dir();

// scratch_dir()/name
std::string scratch_path(const std::string& name);

// Replaces the file's content; aborts when it cannot (an environment
// fault, not a finding).
void write_file(const std::string& path, std::string_view bytes);
std::string read_file(const std::string& path);
void remove_file(const std::string& path);

// Takes the input apart from the front.
class input {
public:
    input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t byte() {
        if (rest_.empty()) return 0;
        std::uint8_t b = static_cast<std::uint8_t>(rest_[0]);
        rest_.remove_prefix(1);
        return b;
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }

    // At most `n` bytes.
    std::string_view take(std::size_t n) {
        std::string_view part = rest_.substr(0, n);
        rest_.remove_prefix(part.size());
        return part;
    }
    // A part whose length comes first, as a 16-bit number.
    std::string_view part() { return take(u16()); }
    std::string_view rest() {
        std::string_view all = rest_;
        rest_ = {};
        return all;
    }

private:
    std::string_view rest_;
};

// Reports a broken invariant as a crash libFuzzer keeps.
[[noreturn]] void fail(const char* what, const char* file, int line);

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) ::fuzz::fail(#condition, __FILE__, __LINE__); \
    } while (0)
