#include "engines/merge/add_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "suite/durable_file.h"
#include "suite/study_format.h"

namespace oc {

namespace {

struct stored_entry {
    std::array<char, 7> name{};
    std::uint32_t kept = 0;
    std::int32_t roster = 0;
    std::int16_t code_width = 0;
    std::int16_t max_codes = 0;
    std::int32_t list_no = 0;
};

std::array<char, 7> add_name(const char* name) {
    std::array<char, 7> out{};
    std::memcpy(out.data(), name, strnlen(name, out.size()));
    return out;
}

bool same_name(const std::array<char, 7>& a, const std::array<char, 7>& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void decode(const unsigned char (&bytes)[kAddEntrySize], stored_entry& entry) {
    std::memcpy(entry.name.data(), bytes + 1, 7);
    entry.kept = get_u32(bytes + 8);
    entry.roster = static_cast<std::int32_t>(get_u32(bytes + 12));
    entry.code_width = static_cast<std::int16_t>(get_u16(bytes + 16));
    entry.max_codes = static_cast<std::int16_t>(get_u16(bytes + 18));
    entry.list_no = static_cast<std::int32_t>(get_u32(bytes + 20));
}

void encode(const stored_entry& entry, unsigned char (&bytes)[kAddEntrySize]) {
    bytes[0] = '#';
    std::memcpy(bytes + 1, entry.name.data(), 7);
    put_u32(bytes + 8, entry.kept);
    put_u32(bytes + 12, static_cast<std::uint32_t>(entry.roster));
    put_u16(bytes + 16, static_cast<std::uint16_t>(entry.code_width));
    put_u16(bytes + 18, static_cast<std::uint16_t>(entry.max_codes));
    put_u32(bytes + 20, static_cast<std::uint32_t>(entry.list_no));
}

// Raises or appends the question's entry in `bytes`, the whole file.
// Entries are looked for in whole 24-byte steps from the start; a new one
// goes at the very end.
void register_question(std::string& bytes, const quest_list::value_type& q) {
    stored_entry wanted;
    wanted.name = add_name(q.name);
    wanted.roster = q.record_count;
    wanted.code_width = q.code_width;
    wanted.max_codes = q.max_codes;
    wanted.list_no = q.last_record_coded;
    unsigned char raw[kAddEntrySize];
    for (std::size_t at = 0; at + kAddEntrySize <= bytes.size(); at += kAddEntrySize) {
        std::memcpy(raw, bytes.data() + at, kAddEntrySize);
        stored_entry stored;
        decode(raw, stored);
        if (!same_name(stored.name, wanted.name)) continue;
        // Never lowered: another coder file may have used larger values.
        stored_entry raised = stored;
        raised.roster = std::max(stored.roster, wanted.roster);
        raised.code_width = std::max(stored.code_width, wanted.code_width);
        raised.max_codes = std::max(stored.max_codes, wanted.max_codes);
        raised.list_no = std::max(stored.list_no, wanted.list_no);
        encode(raised, raw);
        bytes.replace(at, kAddEntrySize, reinterpret_cast<const char*>(raw), kAddEntrySize);
        return;
    }
    encode(wanted, raw);
    bytes.append(reinterpret_cast<const char*>(raw), kAddEntrySize);
}

}  // namespace

bool update_add_file(const std::string& add_path, const quest_list& maxima) {
    std::string bytes;
    bool exists = false;
    mode_t mode = default_file_mode();
    if (!read_file_whole(add_path, bytes, exists, &mode)) return false;
    const std::string before = bytes;
    for (const quest_spec& q : maxima)
        if (q.action == 0) register_question(bytes, q);
    if (exists && bytes == before) return true;
    return replace_file_whole(add_path, bytes, mode);
}

bool registers(const add_entry& entry, const std::string& question) {
    return same_name(add_name(entry.name.c_str()), add_name(question.c_str()));
}

bool read_add_file(const std::string& add_path, std::vector<add_entry>& entries, std::string& problem) {
    entries.clear();
    std::string bytes;
    bool exists = false;
    if (!read_file_whole(add_path, bytes, exists)) {
        problem = "cannot read " + add_path;
        return false;
    }
    if (bytes.size() % kAddEntrySize != 0) {
        problem = add_path + ": byte " + std::to_string(bytes.size() - bytes.size() % kAddEntrySize) +
                  ": the file ends in part of an entry";
        return false;
    }
    unsigned char raw[kAddEntrySize];
    for (std::size_t at = 0; at < bytes.size(); at += kAddEntrySize) {
        std::memcpy(raw, bytes.data() + at, kAddEntrySize);
        stored_entry stored;
        decode(raw, stored);
        entries.push_back({std::string(stored.name.data(), strnlen(stored.name.data(), stored.name.size())),
                           stored.roster, stored.code_width, stored.max_codes, stored.list_no});
    }
    return true;
}

}  // namespace oc
