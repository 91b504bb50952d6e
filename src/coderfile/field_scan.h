// Numbers and words read the way the C library's scanf reads them with
// "%Nld" and "%Ns" in the C locale. Loops instead of scanf: the merge reads
// tens of thousands of record lines and trailer entries, and scanf was most
// of the time it spent on them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "coderfile/coder_types.h"

namespace oc::detail {

// White space as isspace gives it in the C locale.
inline bool is_scan_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Numbers of a stream, as fscanf reads them: the character looked at past
// a number is pushed back.
class stream_numbers {
public:
    explicit stream_numbers(std::FILE* file) : file_(file) {}

    // "%<width>ld": white space skipped, then an optional sign and at least
    // one digit, sign and digits within `width`.
    bool number(int width, long& value) {
        int c = getc_unlocked(file_);
        while (c != EOF && is_scan_space(c)) c = getc_unlocked(file_);
        bool negative = false;
        if (c == '+' || c == '-') {
            negative = c == '-';
            --width;
            c = width > 0 ? getc_unlocked(file_) : EOF;
        }
        long read = 0;
        int digits = 0;
        for (; digits < width && c >= '0' && c <= '9'; ++digits) {
            read = read * 10 + (c - '0');
            c = digits + 1 < width ? getc_unlocked(file_) : EOF;
        }
        if (digits < width && c != EOF) std::ungetc(c, file_);
        value = negative ? -read : read;
        return digits > 0;
    }

private:
    std::FILE* file_;
};

// The seven fields that open a record line: sequence, respondent, question
// name, roster, list number, a reserved number and the count of codes.
struct record_fields {
    long sequence = 0, respondent = 0, roster = 0, list_no = 0, reserved = 0, codes_count = 0;
    char qname[kMaxQuestionName + 1] = {};
    std::size_t consumed = 0;  // characters up to the end of the last field
};

// As sscanf(text, "%5ld %9ld %8s %3ld %3ld %2ld %2ld%n") reads them from
// `text` (at most its first 80 characters, which hold the fields) cut at its
// first NUL; false when not all seven are there.
bool scan_record_fields(std::string_view text, record_fields& fields);

}  // namespace oc::detail
