// Lines 1 and 2 of a coder data file: the file's name, then trailer offset,
// status and interviews code.
#include <cstdio>
#include <cstring>
#include <string>

#include "coderfile/coder_file.h"
#include "coderfile/text_stream.h"

namespace oc {

namespace {

constexpr std::size_t kHeaderLineChars = 255;
constexpr std::size_t kLine2Chars = 15;  // "%9ld %2d %2d" without its line end

}  // namespace

std::int16_t read_coder_header(std::FILE* file, coder_spec& spec, std::int32_t& trailer_offset) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;

    std::string name;
    if (!detail::read_text_line(file, name, kHeaderLineChars)) return -1;
    trim_text(name, 0);

    std::string line2;
    if (!detail::read_text_line(file, line2, kHeaderLineChars)) return -1;
    long offset = 0, status = 0, interviews = 0;
    if (std::sscanf(line2.c_str(), "%9ld %2ld %2ld", &offset, &status, &interviews) != 3) return -1;
    // A status outside 0..3 would be taken for "missing" (4) or index past
    // the status images.
    if (status < status_not_coded || status > status_merged) return -1;

    std::memset(spec.name, 0, sizeof spec.name);
    std::memcpy(spec.name, name.c_str(), name.size());  // at most 255 characters
    spec.status = static_cast<std::int16_t>(status);
    spec.interviews = static_cast<std::int16_t>(interviews);
    spec.respondent_count = 0;
    spec.question_count = 0;
    spec.record_count = 0;
    spec.reserved = 0;
    spec.resp_ids.clear();
    spec.question_names.clear();
    trailer_offset = static_cast<std::int32_t>(offset);
    return 0;
}

std::int16_t write_coder_header(std::FILE* file, const coder_spec& spec, std::int32_t trailer_offset) {
    std::size_t name_length = strnlen(spec.name, sizeof spec.name);
    if (name_length >= sizeof spec.name) return -1;
    if (std::strpbrk(spec.name, "\r\n") != nullptr) return -1;

    std::string line2 = detail::format("%9ld %2d %2d", static_cast<long>(trailer_offset < 1 ? 0 : trailer_offset),
                                       spec.status, spec.interviews);
    if (line2.size() != kLine2Chars) return -1;
    std::string bytes = std::string(spec.name, name_length) + detail::kLineEnd + line2 + detail::kLineEnd;

    long previous = std::ftell(file);
    if (previous < 0) return -1;
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;
    bool written = detail::write_all(file, bytes);
    if (std::fseek(file, previous, SEEK_SET) != 0) return -1;
    return written ? 0 : -1;
}

}  // namespace oc
