#include "coderfile/text_stream.h"

#include <cstdarg>

namespace oc::detail {

int text_getc(std::FILE* file) {
    int c = std::fgetc(file);
    if (c != '\r') return c;
    int next = std::fgetc(file);
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, file);
    return '\r';
}

bool read_text_line(std::FILE* file, std::string& line, std::size_t max_chars) {
    line.clear();
    while (line.size() < max_chars) {
        int c = text_getc(file);
        if (c == EOF) break;
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !line.empty();
}

// Flushed at once: an in-place write that fails must fail its own call, not
// a later close whose result nobody sees.
bool write_all(std::FILE* file, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}

std::string format(const char* fmt, ...) {
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, fmt);
    std::vsnprintf(big.data(), big.size(), fmt, args);
    va_end(args);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

}  // namespace oc::detail
