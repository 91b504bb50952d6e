#include "suite/study_record.h"

#include <cstring>

namespace oc {

namespace {

bool values_padded(std::uint8_t flags) { return (flags & kFlagsPaddedValues) != 0; }

std::size_t encoded_entry_size(const record_variable& variable, std::uint8_t flags) {
    std::size_t size = kVarEntryFixedSize + 1;  // + the ending zero byte
    for (std::string_view value : variable.values) size += encoded_value_size(value.size(), flags);
    return size;
}

void append_u16(std::string& out, std::uint16_t value) {
    unsigned char bytes[2];
    put_u16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

void append_u32(std::string& out, std::uint32_t value) {
    unsigned char bytes[4];
    put_u32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
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

// Reads a version's variable block payload [at, end).
class variable_block_parser {
public:
    variable_block_parser(const unsigned char* at, const unsigned char* end, std::uint8_t flags)
        : at_(at), end_(end), flags_(flags) {}

    bool parse(std::uint16_t count, std::vector<record_variable>& variables, std::string& problem) {
        for (std::uint16_t i = 0; i < count; ++i) {
            record_variable variable;
            if (!parse_entry(variable, problem)) return false;
            variables.push_back(std::move(variable));
        }
        if (at_ != end_) {
            problem = "variable block length does not match its entries";
            return false;
        }
        return true;
    }

private:
    bool parse_entry(record_variable& variable, std::string& problem) {
        if (left() < kVarEntryFixedSize) {
            problem = "truncated variable entry";
            return false;
        }
        const char* name = reinterpret_cast<const char*>(at_);
        variable.name.assign(name, strnlen(name, 8));
        variable.roster = at_[10];
        std::uint16_t count = get_u16(at_ + 21);
        at_ += kVarEntryFixedSize;
        variable.values.reserve(count);
        for (std::uint16_t i = 0; i < count; ++i) {
            std::string_view value;
            if (!parse_value(value)) {
                problem = "truncated value in variable " + variable.name;
                return false;
            }
            variable.values.push_back(value);
        }
        if (left() < 1 || *at_ != 0) {
            problem = "variable " + variable.name + " does not end with a zero byte";
            return false;
        }
        ++at_;
        return true;
    }

    bool parse_value(std::string_view& value) {
        if (values_padded(flags_)) {
            if (left() < 4) return false;
            at_ += 4;
        }
        if (left() < 1) return false;
        std::size_t length = *at_++;
        if (length == 0xFF) {
            if (left() < 2) return false;
            length = get_u16(at_);
            at_ += 2;
        }
        if (left() < length) return false;
        value = std::string_view(reinterpret_cast<const char*>(at_), length);
        at_ += length;
        return true;
    }

    std::size_t left() const { return static_cast<std::size_t>(end_ - at_); }

    const unsigned char* at_;
    const unsigned char* end_;
    std::uint8_t flags_;
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
    if (size < kRecHeaderSize + 4) {
        problem = "record shorter than a header and end marker";
        return false;
    }
    unsigned char header_bytes[kRecHeaderSize];
    std::memcpy(header_bytes, bytes, kRecHeaderSize);
    decode_rec_header(header_bytes, version.header);
    if (version.header.magic != kRecordMagic) {
        problem = "bad record magic";
        return false;
    }
    if (version.header.length != size) {
        problem = "record length field does not match";
        return false;
    }

    std::size_t at = kRecHeaderSize;
    for (;;) {
        if (size - at < 4) {
            problem = "record has no end marker";
            return false;
        }
        std::uint32_t marker = get_u32(bytes + at);
        if (marker == kEndMarker) {
            if (at + 4 != size) {
                problem = "end marker before the record's length";
                return false;
            }
            return true;
        }
        if (size - at < kBlockHeaderSize + 4) {
            problem = "truncated block header";
            return false;
        }
        std::size_t length = get_u16(bytes + at + 4);
        if (length < kBlockHeaderSize || length > size - 4 - at) {
            problem = "block length out of range";
            return false;
        }
        const unsigned char* block = bytes + at;
        if (marker == kBlockFC) {
            if (length < 12) {
                problem = "block FC too short";
                return false;
            }
            version.has_fc = true;
            version.fc_entries = get_u16(block + 6);
            version.fc_word = get_u16(block + 10);
        } else if (marker == kBlockFB) {
            if (length < kFBBlockSize) {
                problem = "block FB too short";
                return false;
            }
            version.has_fb = true;
            version.flags = block[8];
        } else if (marker == kBlockVariables) {
            variable_block_parser parser(block + kBlockHeaderSize, block + length, version.flags);
            if (!parser.parse(get_u16(block + 6), version.variables, problem)) return false;
        }
        at += length;
    }
}

}  // namespace oc
