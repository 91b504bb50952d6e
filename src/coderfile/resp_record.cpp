// One answer line of the record area: seven fixed-width fields, code
// columns of five characters, then the answer text.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <algorithm>

#include "coderfile/coder_file.h"
#include "coderfile/text_stream.h"

namespace oc {

namespace {

constexpr std::size_t kProbeChars = 80;     // enough to hold the fields
constexpr std::size_t kMinLineChars = 30;   // shorter lines (the trailer's name) are no records
constexpr std::size_t kFieldsChars = 38;    // "%5d %9ld %8s %3d %3d %2d %2d"
constexpr std::size_t kColumnChars = 5;
constexpr std::int16_t kMaxCodeValue = 9999;  // four digits: what a column reads back

bool is_code_char(int c) { return c == ' ' || (c >= '0' && c <= '9'); }

// One record line read whole (CR LF as LF), then taken apart in memory: a
// read that seeks back on the file costs a system call per record, and the
// coder reads thousands of records in a row.
class line_reader {
public:
    explicit line_reader(std::string line) : line_(std::move(line)) {}
    // The next character, or EOF past the end of what the file held.
    int get() { return pos_ < line_.size() ? static_cast<unsigned char>(line_[pos_++]) : EOF; }
    void seek(std::size_t n) { pos_ = std::min(line_.size(), n); }
    std::string_view rest(std::size_t max) {
        std::string_view all(line_);
        std::string_view part = all.substr(pos_, max);
        pos_ += part.size();
        return part;
    }

private:
    std::string line_;
    std::size_t pos_ = 0;
};

// The whole line at the current position, through its line end, or all that
// is left of the file. Characters past `max` are passed over (and dropped).
std::string read_whole_line(std::FILE* file, std::size_t max) {
    std::string line;
    for (int c = detail::text_getc(file); c != EOF; c = detail::text_getc(file)) {
        if (line.size() < max) line.push_back(static_cast<char>(c));
        if (c == '\n') {
            if (line.back() != '\n') line.push_back('\n');  // a cut line keeps its end
            break;
        }
    }
    return line;
}

// The four characters after a column's first; -1 stands for a blank column.
bool read_code(line_reader& line, std::int16_t& code) {
    char digits[5] = {};
    for (int i = 0; i < 4; ++i) {
        int c = line.get();
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

// The text after the code columns, `last` being the character read last:
// the first character that is not a space and at most 800 characters from
// it. A longer text is cut; the rest of its line is passed over.
bool read_text(line_reader& line, int last, std::string& text) {
    text.clear();
    if (last == '\n') return true;
    int c = line.get();
    while (c == ' ') c = line.get();
    if (c == EOF) return false;
    if (c == '\n') return true;
    text.push_back(static_cast<char>(c));
    text += line.rest(kMaxTextLength);
    if (text.size() > static_cast<std::size_t>(kMaxTextLength) && text.back() != '\n')
        text.resize(kMaxTextLength);
    return true;
}

}  // namespace

std::int16_t read_resp_record(std::FILE* file, resp_record& record) {
    // Room for the fields, every code column and the longest text; whatever
    // a damaged line holds beyond that is never looked at.
    constexpr std::size_t kLineLimit = kFieldsChars + 1 + kColumnChars * kMaxCodes + kMaxTextLength + 2;
    line_reader line(read_whole_line(file, kLineLimit));
    std::string_view probe = line.rest(kProbeChars);
    if (probe.size() < kMinLineChars) return -1;

    long sequence = 0, respondent = 0, roster = 0, list_no = 0, reserved = 0, codes_count = 0;
    char qname[kMaxQuestionName + 1] = {};
    int consumed = 0;
    // Converted from the line alone, so that a short line never takes
    // fields from the next one.
    std::string fields(probe);
    if (std::sscanf(fields.c_str(), "%5ld %9ld %8s %3ld %3ld %2ld %2ld%n", &sequence, &respondent, qname, &roster,
                    &list_no, &reserved, &codes_count, &consumed) != 7)
        return -1;
    std::uint8_t count = static_cast<std::uint8_t>(codes_count);
    if (count > kMaxCodes) return -1;
    line.seek(static_cast<std::size_t>(consumed));

    std::array<std::int16_t, kMaxCodes> codes;
    codes.fill(-1);
    int last = line.get();
    for (int i = 0; i < count; ++i) {
        if (!read_code(line, codes[static_cast<std::size_t>(i)])) return -1;
        last = line.get();
    }
    std::string text;
    if (!read_text(line, last, text)) return -1;
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
        // A column is read back from its last four characters: a fifth
        // digit or a sign would be lost, and a blank (-1) not counted.
        std::int16_t code = record.codes[static_cast<std::size_t>(i)];
        if (code < 0 || code > kMaxCodeValue) return -1;
        bytes += detail::format("%5d", code);
    }
    bytes.append(kColumnChars * (record.code_slots - record.codes_count), ' ');
    return detail::write_all(file, bytes) ? 0 : -1;
}

}  // namespace oc
