#include "suite/study_record.h"

#include <cstring>

#include "suite/record_scan.h"

namespace oc {

namespace {

bool values_padded(std::uint8_t flags) { return (flags & kFlagsPaddedValues) != 0; }

std::size_t encoded_entry_size(const record_variable& variable, std::uint8_t flags) {
    std::size_t size = kVarEntryFixedSize + 1;  // + the ending zero byte
    for (std::string_view value : variable.values) size += encoded_value_size(value.size(), flags);
    return size;
}

void append_value(std::string& out, std::string_view value, std::uint8_t flags) {
    if (values_padded(flags)) out.append(4, '\0');
    if (value.size() < 255) {
        out.push_back(static_cast<char>(value.size()));
    } else {
        out.push_back(static_cast<char>(0xFF));
        append_u16(out, static_cast<std::uint16_t>(value.size()));
    }
    out.append(value);
}

void append_entry(std::string& out, const record_variable& variable, std::uint8_t flags) {
    char name[8] = {};
    std::memcpy(name, variable.name.data(), variable.name.size());
    out.append(name, 8);
    out.push_back('\0');
    out.push_back('\0');
    out.push_back(static_cast<char>(variable.roster));
    out.append(8, '\0');
    out.push_back('\x01');
    out.push_back('\x01');
    append_u16(out, static_cast<std::uint16_t>(variable.values.size()));
    for (std::string_view value : variable.values) append_value(out, value, flags);
    out.push_back('\0');
}

bool encodable(const record_variable& variable) {
    if (variable.name.empty() || variable.name.size() > 8) return false;
    if (variable.name.find('\0') != std::string::npos) return false;
    if (variable.values.size() > 0xFFFF) return false;
    for (std::string_view value : variable.values)
        if (value.size() > kMaxValueLength) return false;
    return true;
}

// Builds the whole version from a scan.
class version_builder {
public:
    explicit version_builder(record_version& version) : version_(version) {}

    void fc_block(std::uint16_t entries, std::uint16_t word) {
        version_.has_fc = true;
        version_.fc_entries = entries;
        version_.fc_word = word;
    }
    void fb_block(std::uint8_t flags) {
        version_.has_fb = true;
        version_.flags = flags;
    }
    bool variable(name_field name, std::uint8_t roster, std::uint16_t value_count) {
        record_variable& variable = version_.variables.emplace_back();
        variable.name = name.name();
        variable.roster = roster;
        variable.values.reserve(value_count);
        return true;
    }
    void value(std::string_view text) { version_.variables.back().values.push_back(text); }

private:
    record_version& version_;
};

}  // namespace

std::size_t encoded_value_size(std::size_t length, std::uint8_t flags) {
    return (values_padded(flags) ? 4 : 0) + (length < 255 ? 1 : 3) + length;
}

std::size_t encoded_version_size(const std::vector<record_variable>& variables, std::uint8_t flags) {
    std::size_t size = kRecHeaderSize + kFCBlockSize + kFBBlockSize + kBlockHeaderSize + 4;
    for (const record_variable& variable : variables) size += encoded_entry_size(variable, flags);
    return size;
}

bool encode_record_version(const record_version& version, std::string& out) {
    if (version.variables.size() > 0xFFFF) return false;
    for (const record_variable& variable : version.variables)
        if (!encodable(variable)) return false;
    std::size_t size = encoded_version_size(version.variables, version.flags);
    if (size > kMaxRecordLength) return false;

    rec_header header = version.header;
    header.length = static_cast<std::uint16_t>(size);
    unsigned char header_bytes[kRecHeaderSize];
    encode_rec_header(header, header_bytes);

    std::string bytes;
    bytes.reserve(size);
    bytes.append(reinterpret_cast<const char*>(header_bytes), kRecHeaderSize);

    append_u32(bytes, kBlockFC);
    append_u16(bytes, kFCBlockSize);
    append_u16(bytes, static_cast<std::uint16_t>(version.variables.size()));
    append_u16(bytes, kFCConstant);
    append_u16(bytes, version.fc_word);
    bytes.append(8, '\0');

    append_u32(bytes, kBlockFB);
    append_u16(bytes, kFBBlockSize);
    append_u16(bytes, 1);
    bytes.push_back(static_cast<char>(version.flags));

    std::size_t block_start = bytes.size();
    append_u32(bytes, kBlockVariables);
    append_u16(bytes, 0);  // patched below
    append_u16(bytes, static_cast<std::uint16_t>(version.variables.size()));
    for (const record_variable& variable : version.variables) append_entry(bytes, variable, version.flags);
    put_u16(reinterpret_cast<unsigned char*>(bytes.data()) + block_start + 4,
            static_cast<std::uint16_t>(bytes.size() - block_start));

    append_u32(bytes, kEndMarker);
    out += bytes;
    return true;
}

bool parse_record_version(const unsigned char* bytes, std::size_t size, record_version& version,
                          std::string& problem) {
    version = record_version{};
    version_builder builder(version);
    return scan_record_version(bytes, size, version.header, builder, problem);
}

}  // namespace oc
