// Helpers of the study data library tests: little-endian byte strings, a
// hand-written encoder of record versions (independent of the library's),
// and appending a version to a study the way a merge does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace suitetest {

inline std::string le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

inline std::string le32(std::uint32_t v) {
    return le16(static_cast<std::uint16_t>(v & 0xFFFF)) + le16(static_cast<std::uint16_t>(v >> 16));
}

inline std::uint32_t read_le32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

struct hand_variable {
    std::string name;
    int roster = 0;
    std::vector<std::string> values;
};

struct hand_version {
    std::int32_t respondent = 0;
    int generation = 2;
    int complete = 1;
    std::uint16_t sequence = 0;
    int flags = 0;
    std::vector<hand_variable> variables;
    std::string extra_block;  // raw bytes placed before the variable block
};

inline std::string hand_value(const std::string& text, bool padded) {
    std::string out = padded ? std::string(4, '\0') : std::string();
    if (text.size() < 255) out += static_cast<char>(text.size());
    else out += "\xFF" + le16(static_cast<std::uint16_t>(text.size()));
    return out + text;
}

// The bytes of one version as the writer layout describes them.
inline std::string hand_version_bytes(const hand_version& v) {
    std::string entries;
    for (const hand_variable& var : v.variables) {
        std::string name = var.name;
        name.resize(8, '\0');
        entries += name + '\0' + '\0' + static_cast<char>(var.roster) + std::string(8, '\0') + "\x01\x01" +
                   le16(static_cast<std::uint16_t>(var.values.size()));
        for (const std::string& text : var.values) entries += hand_value(text, (v.flags & 0x0F) != 0);
        entries += '\0';
    }
    std::string block = "\xF9\xF9\xF9\xF9" + le16(static_cast<std::uint16_t>(8 + entries.size())) +
                        le16(static_cast<std::uint16_t>(v.variables.size())) + entries;
    std::string body = "\xFC\xFC\xFC\xFC" + le16(20) + le16(static_cast<std::uint16_t>(v.variables.size())) +
                       le16(20500) + le16(0) + std::string(8, '\0') + "\xFB\xFB\xFB\xFB" + le16(9) + le16(1) +
                       static_cast<char>(v.flags) + v.extra_block + block + "\xFD\xFD\xFD\xFD";
    std::uint16_t length = static_cast<std::uint16_t>(20 + body.size());
    std::string header = "\xF5\xF5\xF5\xF5" + le16(length) + le32(static_cast<std::uint32_t>(v.respondent)) +
                         static_cast<char>(v.generation) + static_cast<char>(v.complete) + std::string(4, '\0') +
                         le16(v.sequence) + std::string(2, '\0');
    return header + body;
}

// Appends `version` behind the newest version of the respondent whose
// generation-1 entry is entry number `first_entry` (0-based) of BASE.idx:
// a new entry at the end of the index, linked from the old newest one.
inline void append_version(const std::string& base, int first_entry, const std::string& version_bytes) {
    std::string idx = octest::read_bytes(base + ".idx");
    std::string dat = octest::read_bytes(base + ".DAT");
    std::size_t at = 4 + 20 * static_cast<std::size_t>(first_entry);
    while (read_le32(idx, at + 16) != 0) at = read_le32(idx, at + 16);
    std::string entry = idx.substr(at, 20);
    entry[4] = static_cast<char>(entry[4] + 1);
    entry.replace(12, 4, le32(static_cast<std::uint32_t>(dat.size())));
    entry.replace(16, 4, le32(0));
    idx.replace(at + 16, 4, le32(static_cast<std::uint32_t>(idx.size())));
    octest::write_bytes(base + ".idx", idx + entry);
    octest::write_bytes(base + ".DAT", dat + version_bytes);
}

// Names of the files in a directory, sorted.
inline std::vector<std::string> files_in(const octest::fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& item : octest::fs::directory_iterator(dir)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace suitetest
