#include "coderfile/text_stream.h"

#include <cstdarg>
#include <cstring>

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

char* put_decimal(char* at, long value, int width) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char text[20];  // a sign and 19 digits at most
    char* first = text + sizeof text;
    // Through unsigned, so that the most negative value has its digits too;
    // two digits per step.
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    while (magnitude >= 100) {
        first -= 2;
        std::memcpy(first, kPairs + 2 * (magnitude % 100), 2);
        magnitude /= 100;
    }
    if (magnitude >= 10) {
        first -= 2;
        std::memcpy(first, kPairs + 2 * magnitude, 2);
    } else {
        *--first = static_cast<char>('0' + magnitude);
    }
    if (value < 0) *--first = '-';
    auto chars = static_cast<int>(text + sizeof text - first);
    for (int pad = width - chars; pad > 0; --pad) *at++ = ' ';
    std::memcpy(at, first, static_cast<std::size_t>(chars));
    return at + chars;
}

}  // namespace oc::detail
