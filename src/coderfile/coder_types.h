// Records of a coder data file and of the coder list file, as held in memory.
// On-disk layouts are written field by field (see coder_file.h, coder_list.h);
// none of these structs is ever read or written as a block of bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace oc {

inline constexpr int kMaxCodes = 30;          // code columns a record can hold
inline constexpr int kTextBufferSize = 801;   // answer text and its terminator
inline constexpr int kMaxTextLength = 800;
inline constexpr int kMaxQuestionName = 8;
inline constexpr int kCoderSpecImageSize = 280;
inline constexpr int kMaxListArrayCount = 8189;  // arrays this large are refused

// Coder file status: line 2, the coder list entry and the image index agree.
enum coder_status : std::uint8_t {
    status_not_coded = 0,
    status_partly_coded = 1,
    status_complete = 2,
    status_merged = 3,
    status_missing = 4,  // listed but does not open; never stored
};

// One (sequence, respondent) pair; 8 bytes on disk: sequence, 2 unused, respondent.
struct resp_id {
    std::uint16_t sequence = 0;
    std::int32_t respondent = 0;
    friend bool operator==(const resp_id&, const resp_id&) = default;
};

// One question of a coder data file (one trailer line).
struct quest_spec {
    char name[10] = {};
    std::int16_t action = 0;       // 0 Append, 1 Replace
    std::int16_t code_width = 1;   // digits per code
    std::int16_t max_codes = 1;    // code columns per record
    std::int32_t record_count = 0;
    std::int32_t last_record_coded = 0;
};
using quest_list = std::vector<quest_spec>;

// Question status shown in the lists: 2 done, 1 begun, 0 untouched.
std::uint8_t question_status(const quest_spec& q);

// Header of one coder data file; byte for byte the fixed part (280 bytes)
// of a coder list entry. The two pointer slots of the image are written as
// zero: their content is never used.
struct coder_spec {
    char name[256] = {};
    std::int16_t status = 0;
    std::int16_t respondent_count = 0;
    std::int16_t interviews = 0;
    std::int16_t question_count = 0;
    std::int32_t record_count = 0;
    std::uint32_t reserved = 0;  // bytes 276..279, kept as read

    std::vector<resp_id> resp_ids;  // respondent_count entries when loaded
    // Question names of a coder list entry: 8 bytes each, zero padded,
    // no terminator when the name has 8 characters.
    std::vector<std::array<char, 8>> question_names;
};

// One answer line of the record area.
struct resp_record {
    std::int32_t respondent = 0;
    std::uint16_t sequence = 0;
    char qname[10] = {};
    std::uint8_t roster = 0;
    std::uint8_t list_no = 0;
    std::uint8_t reserved = 0;
    std::uint8_t code_slots = 0;  // columns to write; set from max_codes
    std::uint8_t action = 0;      // copy of the question's action (merge)
    std::uint8_t codes_count = 0;
    std::array<std::int16_t, kMaxCodes> codes{};  // -1 where not read
    std::string text;                              // at most 800 characters
};

}  // namespace oc
