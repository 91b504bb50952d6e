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
};

namespace record_scan_detail {

// The failures' messages, out of the way of the loop that checks for them.
[[gnu::cold, gnu::noinline]] inline bool fail(std::string& problem, const char* what) {
    problem = what;
    return false;
}

[[gnu::cold, gnu::noinline]] inline bool fail(std::string& problem, const char* before, name_field name,
                                              const char* after) {
    problem = before + std::string(name.name()) + after;
    return false;
}

// Checks a version's variable block payload [at, end) of `count` entries.
template <class Visitor>
bool scan_variables(const unsigned char* at, const unsigned char* end, std::uint16_t count, bool padded,
                    Visitor& visitor, std::string& problem) {
    for (std::uint16_t i = 0; i < count; ++i) {
        if (static_cast<std::size_t>(end - at) < kVarEntryFixedSize) return fail(problem, "truncated variable entry");
        name_field name{reinterpret_cast<const char*>(at)};
        std::uint16_t values = get_u16(at + 21);
        bool wanted = visitor.variable(name, at[10], values);
        at += kVarEntryFixedSize;
        for (std::uint16_t v = 0; v < values; ++v) {
            if (padded) {
                if (end - at < 4) return fail(problem, "truncated value in variable ", name, "");
                at += 4;
            }
            if (at == end) return fail(problem, "truncated value in variable ", name, "");
            std::size_t length = *at++;
            if (length == 0xFF) {
                if (end - at < 2) return fail(problem, "truncated value in variable ", name, "");
                length = get_u16(at);
                at += 2;
            }
            if (static_cast<std::size_t>(end - at) < length)
                return fail(problem, "truncated value in variable ", name, "");
            if (wanted) visitor.value(std::string_view(reinterpret_cast<const char*>(at), length));
            at += length;
        }
        if (at == end || *at != 0) return fail(problem, "variable ", name, " does not end with a zero byte");
        ++at;
    }
    if (at != end) return fail(problem, "variable block length does not match its entries");
    return true;
}

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
    using record_scan_detail::fail;
    if (size < kRecHeaderSize + 4) return fail(problem, "record shorter than a header and end marker");
    decode_rec_header(*reinterpret_cast<const unsigned char(*)[kRecHeaderSize]>(bytes), header);
    if (header.magic != kRecordMagic) return fail(problem, "bad record magic");
    if (header.length != size) return fail(problem, "record length field does not match");

    // The value layout comes from the last block FB before the variables.
    std::uint8_t flags = 0;
    std::size_t at = kRecHeaderSize;
    for (;;) {
        if (size - at < 4) return fail(problem, "record has no end marker");
        std::uint32_t marker = get_u32(bytes + at);
        if (marker == kEndMarker) {
            if (at + 4 != size) return fail(problem, "end marker before the record's length");
            return true;
        }
        if (size - at < kBlockHeaderSize + 4) return fail(problem, "truncated block header");
        std::size_t length = get_u16(bytes + at + 4);
        if (length < kBlockHeaderSize || length > size - 4 - at) return fail(problem, "block length out of range");
        const unsigned char* block = bytes + at;
        if (marker == kBlockFC) {
            if (length < 12) return fail(problem, "block FC too short");
            visitor.fc_block(get_u16(block + 6), get_u16(block + 10));
        } else if (marker == kBlockFB) {
            if (length < kFBBlockSize) return fail(problem, "block FB too short");
            flags = block[8];
            visitor.fb_block(flags);
        } else if (marker == kBlockVariables) {
            if (!record_scan_detail::scan_variables(block + kBlockHeaderSize, block + length, get_u16(block + 6),
                                                    (flags & kFlagsPaddedValues) != 0, visitor, problem))
                return false;
        }
        at += length;
    }
}

}  // namespace oc
