#include "suite/study_format.h"

namespace oc {

void encode_idx_entry(const idx_entry& entry, unsigned char (&bytes)[kIdxEntrySize]) {
    put_u32(bytes + 0, static_cast<std::uint32_t>(entry.respondent));
    bytes[4] = entry.generation;
    bytes[5] = entry.b5;
    bytes[6] = entry.b6;
    bytes[7] = entry.b7;
    put_u16(bytes + 8, entry.w8);
    put_u16(bytes + 10, entry.sequence);
    put_u32(bytes + 12, entry.dat_offset);
    put_u32(bytes + 16, entry.next);
}

void encode_rec_header(const rec_header& header, unsigned char (&bytes)[kRecHeaderSize]) {
    put_u32(bytes + 0, header.magic);
    put_u16(bytes + 4, header.length);
    put_u32(bytes + 6, static_cast<std::uint32_t>(header.respondent));
    bytes[10] = header.generation;
    bytes[11] = header.b11;
    bytes[12] = header.b12;
    bytes[13] = header.b13;
    put_u16(bytes + 14, header.w14);
    put_u16(bytes + 16, header.w16);
    bytes[18] = header.b18;
    bytes[19] = header.b19;
}

}  // namespace oc
