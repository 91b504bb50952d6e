// Entries of the coder list file, serialized field by field, little-endian.
#include "coderfile/coder_list.h"

#include <cstring>
#include <new>

namespace oc {

namespace {

constexpr long kRespIdBytes = 8;
constexpr long kQuestionNameBytes = 8;

// Byte offsets of the coder_spec image.
constexpr std::size_t kNameAt = 0;
constexpr std::size_t kStatusAt = 256;
constexpr std::size_t kRespondentCountAt = 258;
constexpr std::size_t kRespIdsPointerAt = 260;
constexpr std::size_t kInterviewsAt = 264;
constexpr std::size_t kQuestionCountAt = 266;
constexpr std::size_t kQuestionNamesPointerAt = 268;
constexpr std::size_t kRecordCountAt = 272;
constexpr std::size_t kReservedAt = 276;

void put16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>(value >> 8);
}
void put32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}
std::uint16_t get16(const unsigned char* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }
std::uint32_t get32(const unsigned char* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

bool read_exact(std::FILE* file, unsigned char* bytes, std::size_t size) {
    return std::fread(bytes, 1, size, file) == size;
}

// One read for the whole array (the count is below kMaxListArrayCount), so
// a list of many entries costs few system calls: every extraction run reads
// the list, and a run that adds a file writes it again.
bool read_resp_ids(std::FILE* file, coder_spec& spec) {
    std::vector<resp_id> ids;
    std::vector<unsigned char> bytes;
    try {
        ids.reserve(static_cast<std::size_t>(spec.respondent_count));
        bytes.resize(static_cast<std::size_t>(spec.respondent_count) * kRespIdBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!bytes.empty() && !read_exact(file, bytes.data(), bytes.size())) return false;
    for (const unsigned char* at = bytes.data(); at < bytes.data() + bytes.size(); at += kRespIdBytes)
        ids.push_back({get16(at), static_cast<std::int32_t>(get32(at + 4))});
    spec.resp_ids = std::move(ids);
    return true;
}

bool read_question_names(std::FILE* file, coder_spec& spec) {
    std::vector<std::array<char, 8>> names;
    try {
        names.resize(static_cast<std::size_t>(spec.question_count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::array<char, 8>& name : names) {
        if (std::fread(name.data(), 1, name.size(), file) != name.size()) return false;
    }
    spec.question_names = std::move(names);
    return true;
}

// Seeking alone would succeed past the end of a truncated file.
bool skip_bytes(std::FILE* file, long count) {
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return false;
    long end = std::ftell(file);
    if (end < 0 || end - here < count) return false;
    return std::fseek(file, here + count, SEEK_SET) == 0;
}

bool array_count_allowed(std::int16_t count) { return count >= 0 && count < kMaxListArrayCount; }

}  // namespace

void encode_coder_spec(const coder_spec& spec, unsigned char (&image)[kCoderSpecImageSize]) {
    std::memset(image, 0, sizeof image);
    std::memcpy(image + kNameAt, spec.name, sizeof spec.name);
    put16(image + kStatusAt, static_cast<std::uint16_t>(spec.status));
    put16(image + kRespondentCountAt, static_cast<std::uint16_t>(spec.respondent_count));
    put32(image + kRespIdsPointerAt, 0);
    put16(image + kInterviewsAt, static_cast<std::uint16_t>(spec.interviews));
    put16(image + kQuestionCountAt, static_cast<std::uint16_t>(spec.question_count));
    put32(image + kQuestionNamesPointerAt, 0);
    put32(image + kRecordCountAt, static_cast<std::uint32_t>(spec.record_count));
    put32(image + kReservedAt, spec.reserved);
}

void decode_coder_spec(const unsigned char (&image)[kCoderSpecImageSize], coder_spec& spec) {
    std::memcpy(spec.name, image + kNameAt, sizeof spec.name);
    spec.status = static_cast<std::int16_t>(get16(image + kStatusAt));
    spec.respondent_count = static_cast<std::int16_t>(get16(image + kRespondentCountAt));
    spec.interviews = static_cast<std::int16_t>(get16(image + kInterviewsAt));
    spec.question_count = static_cast<std::int16_t>(get16(image + kQuestionCountAt));
    spec.record_count = static_cast<std::int32_t>(get32(image + kRecordCountAt));
    spec.reserved = get32(image + kReservedAt);
    spec.resp_ids.clear();
    spec.question_names.clear();
}

std::int16_t read_coder_list_entry(std::FILE* file, bool skip_arrays, coder_spec& spec) {
    unsigned char image[kCoderSpecImageSize];
    if (!read_exact(file, image, sizeof image)) return -1;
    decode_coder_spec(image, spec);
    // An unterminated name would be read past its 256 bytes.
    if (std::memchr(spec.name, '\0', sizeof spec.name) == nullptr) return -1;
    // Negative counts would move backwards or size nothing sensible.
    if (spec.respondent_count < 0 || spec.question_count < 0) return -1;

    if (skip_arrays) {
        long skip = kRespIdBytes * spec.respondent_count + kQuestionNameBytes * spec.question_count;
        return skip_bytes(file, skip) ? 0 : -1;
    }
    if (!array_count_allowed(spec.respondent_count) || !array_count_allowed(spec.question_count)) return -1;
    if (!read_resp_ids(file, spec) || !read_question_names(file, spec)) {
        spec.resp_ids.clear();
        spec.question_names.clear();
        return -1;
    }
    return 0;
}

bool write_coder_list_entry(std::FILE* file, const coder_spec& spec) {
    if (spec.respondent_count < 0 || spec.question_count < 0) return false;
    if (spec.resp_ids.size() < static_cast<std::size_t>(spec.respondent_count) ||
        spec.question_names.size() < static_cast<std::size_t>(spec.question_count))
        return false;

    unsigned char image[kCoderSpecImageSize];
    encode_coder_spec(spec, image);
    if (std::fwrite(image, 1, sizeof image, file) != sizeof image) return false;

    // The arrays in one write, their room reserved once.
    std::string arrays;
    arrays.reserve(kRespIdBytes * spec.respondent_count + kQuestionNameBytes * spec.question_count);
    for (int i = 0; i < spec.respondent_count; ++i) {
        unsigned char bytes[kRespIdBytes] = {};
        put16(bytes, spec.resp_ids[static_cast<std::size_t>(i)].sequence);
        put32(bytes + 4, static_cast<std::uint32_t>(spec.resp_ids[static_cast<std::size_t>(i)].respondent));
        arrays.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    for (int i = 0; i < spec.question_count; ++i)
        arrays.append(spec.question_names[static_cast<std::size_t>(i)].data(), kQuestionNameBytes);
    return std::fwrite(arrays.data(), 1, arrays.size(), file) == arrays.size();
}

}  // namespace oc
