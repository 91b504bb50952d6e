// One record version of a study's .DAT file in memory: its header, the
// words of blocks FC and FB, and its variables; encoded and parsed whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "suite/study_format.h"

namespace oc {

inline constexpr std::size_t kMaxValueLength = 800;  // longest encodable text
inline constexpr std::size_t kMaxRecordLength = 0xFFFF;
inline constexpr std::size_t kVarEntryFixedSize = 23;  // name .. value count
inline constexpr std::size_t kBlockHeaderSize = 8;
inline constexpr std::uint8_t kFlagsPaddedValues = 0x0F;  // FB flags: 4 zero bytes before each value

// A variable of a version. `values` views bytes owned elsewhere: the
// caller's strings when encoding, the parsed record's bytes when parsing.
struct record_variable {
    std::string name;  // 1..8 bytes, no NUL
    std::uint8_t roster = 0;
    std::vector<std::string_view> values;
};

struct record_version {
    rec_header header;
    bool has_fc = false;
    std::uint16_t fc_entries = 0;  // FC bytes 6-7
    std::uint16_t fc_word = 0;     // FC bytes 10-11, carried by merges
    bool has_fb = false;
    std::uint8_t flags = 0;  // FB byte 8
    std::vector<record_variable> variables;
};

// Bytes one value takes in the value encoding (length 0..800).
std::size_t encoded_value_size(std::size_t length, std::uint8_t flags);

// Bytes the whole version would take: header, FC, FB, variable block, end marker.
std::size_t encoded_version_size(const std::vector<record_variable>& variables, std::uint8_t flags);

// Appends the version's bytes to `out`: the header (its length field set
// from the encoding), block FC (entry count = number of variables, 20500,
// fc_word, zero name), block FB (flags), the variable block and the end
// marker. Fails, appending nothing, when a value exceeds 800 bytes, a name
// is empty or longer than 8, a value count exceeds 65535 or the version
// exceeds 65535 bytes.
bool encode_record_version(const record_version& version, std::string& out);

// Parses one whole version (`size` bytes from the rec_header's magic to the
// end marker). Values view `bytes`, which must outlive `version`. Fails
// with a short description in `problem` on a wrong magic, a length field
// other than `size`, a block running past the record, a bad block, a
// truncated value or a missing end marker. Unknown blocks are skipped.
bool parse_record_version(const unsigned char* bytes, std::size_t size, record_version& version,
                          std::string& problem);

}  // namespace oc
