// On-disk records of a study's index (.idx) and data (.DAT) files.
//
// .idx: 4-byte magic 0xEDEDEDED, then 20-byte idx_entry records in append
// order. .DAT: record versions, each a 20-byte rec_header, blocks (FC, FB,
// variable block F9), and the end marker 0xFDFDFDFD. All little-endian.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace oc {

inline constexpr std::uint32_t kIdxMagic = 0xEDEDEDEDu;
inline constexpr std::uint32_t kRecordMagic = 0xF5F5F5F5u;
inline constexpr std::uint32_t kEndMarker = 0xFDFDFDFDu;
inline constexpr std::uint32_t kBlockFC = 0xFCFCFCFCu;
inline constexpr std::uint32_t kBlockFB = 0xFBFBFBFBu;
inline constexpr std::uint32_t kBlockVariables = 0xF9F9F9F9u;
inline constexpr std::uint16_t kFCConstant = 20500;
inline constexpr int kIdxEntrySize = 20;
inline constexpr int kRecHeaderSize = 20;
inline constexpr int kFCBlockSize = 20;
inline constexpr int kFBBlockSize = 9;

// Whether the version link `link` of the index entry at `from` may be
// followed in an index of `idx_size` bytes: it must lead forward to the start
// of a whole entry. Versions are only ever appended, so anything else is
// damage that could loop, and a link into the middle of an entry would have
// the next link written over two others.
constexpr bool follows_chain(std::uint32_t from, std::uint32_t link, std::uint64_t idx_size) {
    return link > from && (link - 4) % kIdxEntrySize == 0 && link + std::uint64_t{kIdxEntrySize} <= idx_size;
}

struct idx_entry {
    std::int32_t respondent = 0;
    std::uint8_t generation = 0;
    std::uint8_t b5 = 0, b6 = 0, b7 = 0;  // copied unchanged into a new version
    std::uint16_t w8 = 0;                 // copied unchanged
    std::uint16_t sequence = 0;
    std::uint32_t dat_offset = 0;
    std::uint32_t next = 0;  // .idx offset of the next version's entry; 0 = newest
};

// Byte 11 holds the interview status (see kInterviewComplete); bytes 16-17
// the sequence number. Merges copy bytes 11..19 unchanged.
struct rec_header {
    std::uint32_t magic = kRecordMagic;
    std::uint16_t length = 0;  // magic through end marker
    std::int32_t respondent = 0;
    std::uint8_t generation = 0;
    std::uint8_t b11 = 0, b12 = 0, b13 = 0;
    std::uint16_t w14 = 0;
    std::uint16_t w16 = 0;
    std::uint8_t b18 = 0, b19 = 0;
};
inline constexpr std::uint8_t kInterviewComplete = 1;  // rec_header::b11
inline constexpr std::uint8_t kInterviewIncomplete = 0;

void encode_idx_entry(const idx_entry& entry, unsigned char (&bytes)[kIdxEntrySize]);
inline void decode_idx_entry(const unsigned char (&bytes)[kIdxEntrySize], idx_entry& entry);
void encode_rec_header(const rec_header& header, unsigned char (&bytes)[kRecHeaderSize]);
inline void decode_rec_header(const unsigned char (&bytes)[kRecHeaderSize], rec_header& header);

// Little-endian helpers, inline since the readers call them for every field.
inline void put_u16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>(value >> 8);
}

inline void put_u32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// The same at the end of a byte string.
inline void append_u16(std::string& out, std::uint16_t value) {
    unsigned char bytes[2];
    put_u16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

inline void append_u32(std::string& out, std::uint32_t value) {
    unsigned char bytes[4];
    put_u32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

inline std::uint16_t get_u16(const unsigned char* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t get_u32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// The decoders are inline: the readers decode an entry and a header per
// record version.
inline void decode_idx_entry(const unsigned char (&bytes)[kIdxEntrySize], idx_entry& entry) {
    entry.respondent = static_cast<std::int32_t>(get_u32(bytes + 0));
    entry.generation = bytes[4];
    entry.b5 = bytes[5];
    entry.b6 = bytes[6];
    entry.b7 = bytes[7];
    entry.w8 = get_u16(bytes + 8);
    entry.sequence = get_u16(bytes + 10);
    entry.dat_offset = get_u32(bytes + 12);
    entry.next = get_u32(bytes + 16);
}

inline void decode_rec_header(const unsigned char (&bytes)[kRecHeaderSize], rec_header& header) {
    header.magic = get_u32(bytes + 0);
    header.length = get_u16(bytes + 4);
    header.respondent = static_cast<std::int32_t>(get_u32(bytes + 6));
    header.generation = bytes[10];
    header.b11 = bytes[11];
    header.b12 = bytes[12];
    header.b13 = bytes[13];
    header.w14 = get_u16(bytes + 14);
    header.w16 = get_u16(bytes + 16);
    header.b18 = bytes[18];
    header.b19 = bytes[19];
}

}  // namespace oc
