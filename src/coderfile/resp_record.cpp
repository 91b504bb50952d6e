// One answer line of the record area: seven fixed-width fields, code
// columns of five characters, then the answer text.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <algorithm>

#include "coderfile/coder_file.h"
#include "coderfile/field_scan.h"
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
    explicit line_reader(std::string_view line) : line_(line) {}
    // The next character, or EOF past the end of what the file held.
    int get() { return pos_ < line_.size() ? static_cast<unsigned char>(line_[pos_++]) : EOF; }
    void seek(std::size_t n) { pos_ = std::min(line_.size(), n); }
    std::string_view rest(std::size_t max) {
        std::string_view part = line_.substr(pos_, max);
        pos_ += part.size();
        return part;
    }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

}  // namespace

namespace detail {

bool scan_record_fields(std::string_view text, record_fields& fields) {
    // A C string of the text, as sscanf would see it; its NUL ends every
    // loop below, being neither white space nor a digit.
    char copy[kProbeChars + 1];
    std::size_t size = std::min(text.size(), kProbeChars);
    std::memcpy(copy, text.data(), size);
    copy[size] = '\0';
    const char* at = copy;
    auto skip_space = [&at] {
        while (is_scan_space(static_cast<unsigned char>(*at))) ++at;
    };
    // As stream_numbers::number, on the string.
    auto number = [&](int width, long& value) {
        skip_space();
        bool negative = false;
        if (*at == '+' || *at == '-') {
            negative = *at++ == '-';
            --width;
        }
        long read = 0;
        int digits = 0;
        for (; digits < width && *at >= '0' && *at <= '9'; ++digits) read = read * 10 + (*at++ - '0');
        value = negative ? -read : read;
        return digits > 0;
    };
    auto word = [&](int width, char* out) {
        skip_space();
        int n = 0;
        for (; n < width && *at != '\0' && !is_scan_space(static_cast<unsigned char>(*at)); ++n) out[n] = *at++;
        out[n] = '\0';
        return n > 0;
    };
    if (!number(5, fields.sequence) || !number(9, fields.respondent) || !word(kMaxQuestionName, fields.qname) ||
        !number(3, fields.roster) || !number(3, fields.list_no) || !number(2, fields.reserved) ||
        !number(2, fields.codes_count))
        return false;
    fields.consumed = static_cast<std::size_t>(at - copy);
    return true;
}

}  // namespace detail

namespace {

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
// it. A longer text is cut; the rest of its line is passed over. A view of
// the line, trimmed as trim_text(text, 0) trims, so that the record's text
// can take it without a new allocation.
bool read_text(line_reader& line, int last, std::string_view& text) {
    text = {};
    if (last == '\n') return true;
    int c = line.get();
    while (c == ' ') c = line.get();
    if (c == EOF) return false;
    if (c == '\n') return true;
    std::string_view rest = line.rest(kMaxTextLength);
    text = std::string_view(rest.data() - 1, rest.size() + 1);
    if (text.size() > static_cast<std::size_t>(kMaxTextLength) && text.back() != '\n')
        text = text.substr(0, kMaxTextLength);
    auto trimmed = [](char ch) { return ch == ' ' || ch == '\r' || ch == '\n'; };
    while (!text.empty() && trimmed(text.back())) text.remove_suffix(1);
    while (!text.empty() && trimmed(text.front())) text.remove_prefix(1);
    return true;
}

}  // namespace

std::int16_t read_resp_record(std::FILE* file, resp_record& record) {
    // Room for the fields, every code column and the longest text; whatever
    // a damaged line holds beyond that is never looked at.
    constexpr std::size_t kLineLimit = kFieldsChars + 1 + kColumnChars * kMaxCodes + kMaxTextLength + 2;
    char buffer[kLineLimit + 2];
    line_reader line(std::string_view(buffer, detail::read_line(file, buffer, kLineLimit)));
    std::string_view probe = line.rest(kProbeChars);
    if (probe.size() < kMinLineChars) return -1;

    // Converted from the line alone, so that a short line never takes
    // fields from the next one.
    detail::record_fields fields;
    if (!detail::scan_record_fields(probe, fields)) return -1;
    std::uint8_t count = static_cast<std::uint8_t>(fields.codes_count);
    if (count > kMaxCodes) return -1;
    line.seek(fields.consumed);

    std::array<std::int16_t, kMaxCodes> codes;
    codes.fill(-1);
    int last = line.get();
    for (int i = 0; i < count; ++i) {
        if (!read_code(line, codes[static_cast<std::size_t>(i)])) return -1;
        last = line.get();
    }
    std::string_view text;
    if (!read_text(line, last, text)) return -1;
    record.sequence = static_cast<std::uint16_t>(fields.sequence);
    record.respondent = static_cast<std::int32_t>(fields.respondent);
    std::memcpy(record.qname, fields.qname, sizeof fields.qname);
    record.roster = static_cast<std::uint8_t>(fields.roster);
    record.list_no = static_cast<std::uint8_t>(fields.list_no);
    record.reserved = static_cast<std::uint8_t>(fields.reserved);
    record.codes_count = count;
    record.codes = codes;
    record.text.assign(text.data(), text.size());
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
