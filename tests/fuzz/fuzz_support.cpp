#include "fuzz_support.h"

#include <stdlib.h>

#include <filesystem>

namespace fuzz {

namespace {

std::string make_scratch_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "opencoder-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    static std::string removed_at_exit;
    removed_at_exit = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(removed_at_exit, ignored);
    });
    return pattern;
}

}  // namespace

const std::string& scratch_dir() {
    static const std::string dir = make_scratch_dir();
    return dir;
}

std::string scratch_path(const std::string& name) { return scratch_dir() + "/" + name; }

void write_file(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

std::string read_file(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

void remove_file(const std::string& path) { std::remove(path.c_str()); }

void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

}  // namespace fuzz
