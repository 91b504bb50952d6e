// The closing section of a coder data file: name, counts, respondent list,
// question lines. Written at the end of the record area; rewritten in place
// with the same widths after coding.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "coderfile/coder_file.h"
#include "coderfile/field_scan.h"
#include "coderfile/text_stream.h"

namespace oc {

namespace {

constexpr std::size_t kNameLineChars = 255;
constexpr std::size_t kCountsChars = 15;           // "%9ld %5d"
constexpr std::size_t kRespIdChars = 16;           // "%5d %9ld "
constexpr std::size_t kQuestionCountChars = 5;     // "%5d" between two line ends
constexpr std::size_t kQuestionLineChars = 38;     // without its line end
constexpr int kRespIdsPerLine = 5;
constexpr int kLine2OffsetChars = 9;

std::int16_t read_resp_ids(std::FILE* file, coder_spec& spec) {
    try {
        spec.resp_ids.assign(static_cast<std::size_t>(spec.respondent_count), resp_id{});
    } catch (const std::bad_alloc&) {
        return -3;
    }
    detail::stream_numbers scan(file);
    for (resp_id& id : spec.resp_ids) {
        long sequence = 0, respondent = 0;
        // fscanf(file, "%5ld %9ld"): a file of thousands of respondents.
        if (!scan.number(5, sequence) || !scan.number(9, respondent)) return -1;
        id.sequence = static_cast<std::uint16_t>(sequence);
        id.respondent = static_cast<std::int32_t>(respondent);
    }
    return 0;
}

std::int16_t read_question_line(std::FILE* file, quest_spec& q) {
    char name[kMaxQuestionName + 2] = {};  // one more than allowed, to see overlong names
    long record_count = 0, action = 0, code_width = 0, max_codes = 0, last_coded = 0;
    if (std::fscanf(file, "%9s %9ld %1ld %4ld %2ld %9ld", name, &record_count, &action, &code_width, &max_codes,
                    &last_coded) != 6)
        return -1;
    if (std::strlen(name) > static_cast<std::size_t>(kMaxQuestionName)) return -1;
    // Every record of the question is rewritten with max_codes columns.
    if (max_codes < 0 || max_codes > kMaxCodes) return -1;
    std::memcpy(q.name, name, sizeof q.name);
    q.record_count = static_cast<std::int32_t>(record_count);
    q.action = static_cast<std::int16_t>(action);
    q.code_width = static_cast<std::int16_t>(code_width);
    q.max_codes = static_cast<std::int16_t>(max_codes);
    q.last_record_coded = static_cast<std::int32_t>(last_coded);
    return 0;
}

std::int16_t read_trailer_body(std::FILE* file, coder_spec& spec, quest_list& questions, std::int16_t& question_count,
                               std::int32_t trailer_offset) {
    if (trailer_offset < 1) return -1;  // the trailer was never written
    if (std::fseek(file, trailer_offset, SEEK_SET) != 0) return -1;

    std::string name;
    if (!detail::read_text_line(file, name, kNameLineChars)) return -1;
    trim_text(name, 0);
    std::memset(spec.name, 0, sizeof spec.name);
    std::memcpy(spec.name, name.c_str(), name.size());

    long record_count = 0, respondent_count = 0;
    if (std::fscanf(file, "%9ld %5ld", &record_count, &respondent_count) != 2) return -1;
    if (respondent_count < 0 || respondent_count > INT16_MAX) return -1;
    spec.record_count = static_cast<std::int32_t>(record_count);
    spec.respondent_count = static_cast<std::int16_t>(respondent_count);

    if (std::int16_t result = read_resp_ids(file, spec); result != 0) return result;

    long count = 0;
    if (std::fscanf(file, "%5ld", &count) != 1) return -1;
    if (count < 0 || count > INT16_MAX) return -1;
    question_count = static_cast<std::int16_t>(count);
    if (count == 0) return 0;

    quest_list read;
    try {
        read.reserve(static_cast<std::size_t>(count));
        for (long i = 0; i < count; ++i) {
            quest_spec q;
            if (read_question_line(file, q) != 0) return -1;
            read.push_back(q);
        }
    } catch (const std::bad_alloc&) {
        return -3;
    }
    questions = std::move(read);
    return 0;
}

// The trailer as it goes to disk, handed to `put` (a std::string_view to
// true) piece by piece, a line of respondents at a time, so that a trailer of
// thousands of respondents is never held whole. False when a field does not
// fit or `put` fails, possibly after some pieces: write_coder_trailer
// measures the trailer first, and so checks every field before it writes.
template <class Put>
bool put_trailer(const coder_spec& spec, const quest_list& questions, Put&& put) {
    if (spec.respondent_count < 0 || spec.resp_ids.size() != static_cast<std::size_t>(spec.respondent_count))
        return false;
    if (strnlen(spec.name, sizeof spec.name) >= sizeof spec.name || std::strpbrk(spec.name, "\r\n") != nullptr)
        return false;

    std::string counts = detail::format("%9ld %5d", static_cast<long>(spec.record_count), spec.respondent_count);
    if (counts.size() != kCountsChars) return false;
    if (!put(std::string(spec.name) + detail::kLineEnd + counts)) return false;

    std::string line;
    for (std::size_t i = 0; i < spec.resp_ids.size(); ++i) {
        if (i % kRespIdsPerLine == 0) {
            if (!line.empty() && !put(line)) return false;
            line = detail::kLineEnd;
        }
        const resp_id& id = spec.resp_ids[i];
        // "%5d %9ld ", once per respondent of the file.
        char entry[48];
        char* end = detail::put_decimal(entry, id.sequence, 5);
        *end++ = ' ';
        end = detail::put_decimal(end, id.respondent, 9);
        *end++ = ' ';
        if (static_cast<std::size_t>(end - entry) != kRespIdChars) return false;
        line.append(entry, end);
    }
    if (!line.empty() && !put(line)) return false;

    std::string count = detail::format("%5d", static_cast<int>(questions.size()));
    if (count.size() != kQuestionCountChars) return false;
    if (!put(detail::kLineEnd + count + detail::kLineEnd)) return false;

    for (const quest_spec& q : questions) {
        std::size_t name_length = strnlen(q.name, sizeof q.name);
        // An empty name or one with blanks could not be read back as one field.
        if (name_length == 0 || name_length >= sizeof q.name || std::strpbrk(q.name, " \t\r\n") != nullptr)
            return false;
        std::string fields = detail::format("%8s %9ld %1d %4d %2d %9ld", q.name, static_cast<long>(q.record_count),
                                            q.action, q.code_width, q.max_codes,
                                            static_cast<long>(q.last_record_coded));
        if (fields.size() != kQuestionLineChars) return false;
        if (!put(fields + detail::kLineEnd)) return false;
    }
    return true;
}

// Where line 2 starts, provided lines 1 and 2 read as a header.
long line2_position(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;
    std::string line;
    if (!detail::read_text_line(file, line, kNameLineChars) || line.back() != '\n') return -1;
    long position = std::ftell(file);
    std::string line2;
    if (!detail::read_text_line(file, line2, kNameLineChars)) return -1;
    long a = 0, b = 0, c = 0;
    if (std::sscanf(line2.c_str(), "%9ld %2ld %2ld", &a, &b, &c) != 3) return -1;
    return position;
}

// A trailer never written goes at the end of the file, and line 2 learns
// where: nothing in the record area is touched. `write_trailer` writes the
// `size` bytes of the trailer at the stream's position and flushes them.
template <class Write>
std::int16_t append_trailer(std::FILE* file, std::size_t size, Write&& write_trailer, std::int32_t* written_offset) {
    long line2 = line2_position(file);
    if (line2 < 0) return -1;
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file);
    if (end < 1) return -1;
    std::string offset_field = detail::format("%9ld", end);
    if (offset_field.size() != kLine2OffsetChars) return -1;

    if (!write_trailer()) return -1;
    if (std::fseek(file, line2, SEEK_SET) != 0) return -1;
    if (!detail::write_all(file, offset_field)) return -1;
    if (std::fseek(file, end + static_cast<long>(size), SEEK_SET) != 0) return -1;
    if (written_offset != nullptr) *written_offset = static_cast<std::int32_t>(end);
    return 0;
}

}  // namespace

std::int16_t read_coder_trailer(std::FILE* file, coder_spec& spec, quest_list& questions, std::int16_t& question_count,
                                std::int32_t trailer_offset) {
    std::int16_t result = read_trailer_body(file, spec, questions, question_count, trailer_offset);
    if (result != 0) spec.resp_ids.clear();
    return result;
}

std::int16_t write_coder_trailer(std::FILE* file, const coder_spec& spec, const quest_list& questions,
                                 std::int32_t trailer_offset, std::int32_t* written_offset) {
    std::size_t size = 0;
    auto measure = [&](std::string_view piece) {
        size += piece.size();
        return true;
    };
    if (!put_trailer(spec, questions, measure)) return -1;
    // Flushed at once, as detail::write_all does.
    auto write_trailer = [&] {
        auto write = [&](std::string_view piece) {
            return std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
        };
        return put_trailer(spec, questions, write) && std::fflush(file) == 0;
    };
    if (trailer_offset < 1) return append_trailer(file, size, write_trailer, written_offset);

    if (std::fseek(file, trailer_offset, SEEK_SET) != 0) return -1;
    if (!write_trailer()) return -1;
    if (written_offset != nullptr) *written_offset = trailer_offset;
    return 0;
}

}  // namespace oc
