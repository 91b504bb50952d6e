#include "coderfile/text_stream.h"

#include <cstdarg>
#include <cstring>

namespace oc::detail {

namespace {

std::size_t read_line_by_characters(std::FILE* file, char* buffer, std::size_t max) {
    std::size_t size = 0;
    for (int c = text_getc(file); c != EOF; c = text_getc(file)) {
        if (size < max) buffer[size++] = static_cast<char>(c);
        if (c == '\n') {
            if (buffer[size - 1] != '\n') buffer[size++] = '\n';
            break;
        }
    }
    return size;
}

}  // namespace

std::size_t read_line(std::FILE* file, char* buffer, std::size_t max) {
    long start = std::ftell(file);
    if (start < 0 || max == 0) return read_line_by_characters(file, buffer, max);
    // Room for `max` characters and a CR before the LF. fgets stops after the
    // first LF, so a line read whole ends in its only LF; a NUL inside would
    // end the string before it.
    if (fgets_unlocked(buffer, static_cast<int>(max + 2), file) != nullptr) {
        std::size_t size = std::strlen(buffer);
        if (size > 0 && buffer[size - 1] == '\n') {
            // Only a CR LF at the end is one character; a lone CR stays.
            if (size >= 2 && buffer[size - 2] == '\r') buffer[--size - 1] = '\n';
            if (size <= max) return size;
        }
    } else if (std::feof(file) && !std::ferror(file) && std::ftell(file) == start) {
        return 0;  // at the end of the file
    }
    // A last line without its end, a NUL, a line past `max` or a read error.
    if (std::fseek(file, start, SEEK_SET) != 0) return 0;
    return read_line_by_characters(file, buffer, max);
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
