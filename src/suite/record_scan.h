// The check of one record version that every reader of the .DAT shares,
// reporting what the version holds to a visitor instead of building it. A
// template, so that a reader after one question's values (the answer walk)
// has its visitor inlined and allocates nothing per version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "suite/study_format.h"
#include "suite/study_record.h"

namespace oc {

// A variable entry's 8-byte name field: the name, NUL-padded when shorter.
struct name_field {
    const char* bytes;

    std::string_view name() const { return {bytes, strnlen(bytes, 8)}; }

    // name() == `name`, without measuring the field first.
    bool is(std::string_view name) const {
        std::size_t size = name.size();
        if (size > 8 || (size < 8 && bytes[size] != '\0')) return false;
        // At most 8 bytes: a loop beats a call to memcmp.
        for (std::size_t i = 0; i < size; ++i)
            if (bytes[i] != name[i]) return false;
        return true;
    }
};

namespace record_scan_detail {

// Reads a version's variable block payload [at, end).
template <class Visitor>
class variable_block_scanner {
public:
    variable_block_scanner(const unsigned char* at, const unsigned char* end, std::uint8_t flags, Visitor& visitor)
        : at_(at), end_(end), padded_((flags & kFlagsPaddedValues) != 0), visitor_(visitor) {}

    bool scan(std::uint16_t count, std::string& problem) {
        for (std::uint16_t i = 0; i < count; ++i)
            if (!scan_entry(problem)) return false;
        if (at_ != end_) {
            problem = "variable block length does not match its entries";
            return false;
        }
        return true;
    }

private:
    bool scan_entry(std::string& problem) {
        if (left() < kVarEntryFixedSize) {
            problem = "truncated variable entry";
            return false;
        }
        name_field name{reinterpret_cast<const char*>(at_)};
        std::uint16_t count = get_u16(at_ + 21);
        bool wanted = visitor_.variable(name, at_[10], count);
        at_ += kVarEntryFixedSize;
        for (std::uint16_t i = 0; i < count; ++i) {
            std::string_view value;
            if (!scan_value(value)) {
                problem = "truncated value in variable " + std::string(name.name());
                return false;
            }
            if (wanted) visitor_.value(value);
        }
        if (left() < 1 || *at_ != 0) {
            problem = "variable " + std::string(name.name()) + " does not end with a zero byte";
            return false;
        }
        ++at_;
        return true;
    }

    bool scan_value(std::string_view& value) {
        if (padded_) {
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
    bool padded_;
    Visitor& visitor_;
};

}  // namespace record_scan_detail

// Checks one whole version (`size` bytes from the rec_header's magic to the
// end marker) exactly as parse_record_version does, which is built on it,
// and reports to `visitor`, in file order:
//   void fc_block(std::uint16_t entries, std::uint16_t word);
//   void fb_block(std::uint8_t flags);
//   bool variable(name_field name, std::uint8_t roster, std::uint16_t value_count);
//   void value(std::string_view text);  // only after variable() said true
// Names and values view `bytes`. A failure (false, `problem` set) can come
// after some variables were reported.
template <class Visitor>
bool scan_record_version(const unsigned char* bytes, std::size_t size, rec_header& header, Visitor& visitor,
                         std::string& problem) {
    if (size < kRecHeaderSize + 4) {
        problem = "record shorter than a header and end marker";
        return false;
    }
    decode_rec_header(*reinterpret_cast<const unsigned char(*)[kRecHeaderSize]>(bytes), header);
    if (header.magic != kRecordMagic) {
        problem = "bad record magic";
        return false;
    }
    if (header.length != size) {
        problem = "record length field does not match";
        return false;
    }

    // The value layout comes from the last block FB before the variables.
    std::uint8_t flags = 0;
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
            visitor.fc_block(get_u16(block + 6), get_u16(block + 10));
        } else if (marker == kBlockFB) {
            if (length < kFBBlockSize) {
                problem = "block FB too short";
                return false;
            }
            flags = block[8];
            visitor.fb_block(flags);
        } else if (marker == kBlockVariables) {
            record_scan_detail::variable_block_scanner<Visitor> scanner(block + kBlockHeaderSize, block + length,
                                                                        flags, visitor);
            if (!scanner.scan(get_u16(block + 6), problem)) return false;
        }
        at += length;
    }
}

}  // namespace oc
