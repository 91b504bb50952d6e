// One answer line of the record area: seven fixed-width fields, code
// columns of five characters, then the answer text.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "coderfile/coder_file.h"
#include "coderfile/text_stream.h"

namespace oc {

namespace {

constexpr std::size_t kProbeChars = 80;     // enough to hold the fields
constexpr std::size_t kMinLineChars = 30;   // shorter lines (the trailer's name) are no records
constexpr std::size_t kFieldsChars = 38;    // "%5d %9ld %8s %3d %3d %2d %2d"
constexpr std::size_t kColumnChars = 5;

bool is_code_char(int c) { return c == ' ' || (c >= '0' && c <= '9'); }

// The four characters after a column's first; -1 stands for a blank column.
bool read_code(std::FILE* file, std::int16_t& code) {
    char digits[5] = {};
    for (int i = 0; i < 4; ++i) {
        int c = detail::text_getc(file);
        if (c == EOF || !is_code_char(c)) return false;
        digits[i] = static_cast<char>(c);
    }
    if (std::strcmp(digits, "    ") == 0) {
        code = -1;
        return true;
    }
    int value = 0;
    const char* p = digits;
    while (*p == ' ') ++p;
    while (*p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0');
    code = static_cast<std::int16_t>(value);
    return true;
}

// The text after the code columns, `last` being the character read last.
// Leaves the position at the start of the next line.
bool read_text(std::FILE* file, int last, std::string& text) {
    text.clear();
    if (last == '\n') return true;
    int c = detail::text_getc(file);
    while (c == ' ') c = detail::text_getc(file);
    if (c == EOF) return false;
    if (c == '\n') return true;
    text.push_back(static_cast<char>(c));
    std::string rest;
    if (!detail::read_text_line(file, rest, kMaxTextLength)) {
        // The text's first character was the last of the file.
        return std::feof(file) != 0;
    }
    text += rest;
    if (text.back() == '\n') return true;
    if (text.size() > static_cast<std::size_t>(kMaxTextLength)) text.resize(kMaxTextLength);
    // Over-long text: the rest of the line goes unread, so that the next read
    // starts on the next line.
    int skipped = detail::text_getc(file);
    while (skipped != EOF && skipped != '\n') skipped = detail::text_getc(file);
    return true;
}

}  // namespace

std::int16_t read_resp_record(std::FILE* file, resp_record& record) {
    long start = std::ftell(file);
    if (start < 0) return -1;
    std::string probe;
    if (!detail::read_text_line(file, probe, kProbeChars) || probe.size() < kMinLineChars) return -1;

    long sequence = 0, respondent = 0, roster = 0, list_no = 0, reserved = 0, codes_count = 0;
    char qname[kMaxQuestionName + 1] = {};
    int consumed = 0;
    // Converted from the line alone, so that a short line never takes
    // fields from the next one.
    if (std::sscanf(probe.c_str(), "%5ld %9ld %8s %3ld %3ld %2ld %2ld%n", &sequence, &respondent, qname, &roster,
                    &list_no, &reserved, &codes_count, &consumed) != 7)
        return -1;
    std::uint8_t count = static_cast<std::uint8_t>(codes_count);
    if (count > kMaxCodes) return -1;
    if (std::fseek(file, start + consumed, SEEK_SET) != 0) return -1;

    std::array<std::int16_t, kMaxCodes> codes;
    codes.fill(-1);
    int last = detail::text_getc(file);
    for (int i = 0; i < count; ++i) {
        if (!read_code(file, codes[static_cast<std::size_t>(i)])) return -1;
        last = detail::text_getc(file);
    }
    std::string text;
    if (!read_text(file, last, text)) return -1;
    trim_text(text, 0);

    record.sequence = static_cast<std::uint16_t>(sequence);
    record.respondent = static_cast<std::int32_t>(respondent);
    std::memcpy(record.qname, qname, sizeof qname);
    record.roster = static_cast<std::uint8_t>(roster);
    record.list_no = static_cast<std::uint8_t>(list_no);
    record.reserved = static_cast<std::uint8_t>(reserved);
    record.codes_count = count;
    record.codes = codes;
    record.text = std::move(text);
    return 0;
}

std::int16_t write_resp_record(std::FILE* file, const resp_record& record) {
    if (record.code_slots > kMaxCodes || record.codes_count > record.code_slots) return -1;
    std::size_t name_length = strnlen(record.qname, sizeof record.qname);
    if (name_length == 0 || name_length >= sizeof record.qname || std::strpbrk(record.qname, " \t\r\n") != nullptr) return -1;

    std::string bytes = detail::format("%5d %9ld %8s %3d %3d %2d %2d", record.sequence,
                                       static_cast<long>(record.respondent), record.qname, record.roster,
                                       record.list_no, record.reserved, record.codes_count);
    if (bytes.size() != kFieldsChars) return -1;
    for (int i = 0; i < record.codes_count; ++i) {
        std::string column = detail::format("%5d", record.codes[static_cast<std::size_t>(i)]);
        if (column.size() != kColumnChars) return -1;
        bytes += column;
    }
    bytes.append(kColumnChars * (record.code_slots - record.codes_count), ' ');
    return detail::write_all(file, bytes) ? 0 : -1;
}

}  // namespace oc
