// Reading the fixed-width text files of this folder through binary stdio
// streams, with the line-end rules of the text mode they were made for:
// CR LF reads as one LF, a lone CR stays a character. Byte offsets from
// ftell stay the on-disk offsets.
#pragma once

#include <cstdio>
#include <string>

namespace oc::detail {

// The line end every text file of this folder is written with.
inline constexpr char kLineEnd[] = "\r\n";
inline constexpr int kLineEndBytes = 2;

// One character; CR LF comes back as '\n'. EOF at end of file or on error.
// Unlocked and inline: a stream is only read by the thread that opened it,
// and records are read a character at a time.
inline int text_getc(std::FILE* file) {
    int c = getc_unlocked(file);
    if (c != '\r') return c;
    int next = getc_unlocked(file);
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, file);
    return '\r';
}

// The whole line at the current position through its line end (CR LF read
// as LF), or all that is left of the file, into `buffer`, which holds
// `max` + 2 characters; its length. Characters past `max` are passed over
// (and dropped), a cut line keeping its end. As text_getc reads it, only
// faster: fgets takes the common line in one piece, and anything it cannot
// tell apart (a NUL in the line, a line past `max`, a read error) is read
// again from the line's start a character at a time.
std::size_t read_line(std::FILE* file, char* buffer, std::size_t max);

// Up to `max_chars` characters of the current line, counting CR LF as one
// character and keeping it as '\n' at the end (as fgets with a buffer of
// max_chars + 1 in text mode). False when nothing could be read.
bool read_text_line(std::FILE* file, std::string& line, std::size_t max_chars);

// Writes all of `bytes` and flushes them; false on a short write or a
// failed flush.
bool write_all(std::FILE* file, const std::string& bytes);

// snprintf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// What printf's "%*ld" writes for `value` and `width`: right-aligned in
// `width` characters, or all its characters when it has more. Writes at
// `at` (room for the larger of `width` and 20) and returns the end. For
// the fixed columns written once per record, where printf's parsing of its
// format would cost more than the rest of the line.
char* put_decimal(char* at, long value, int width);

}  // namespace oc::detail
