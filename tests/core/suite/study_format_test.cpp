#include "suite/study_format.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "study_test_support.h"
#include "suite/data_library.h"

namespace {

using suitetest::le16;
using suitetest::le32;

TEST(StudyFormat, IdxEntryFieldByFieldLittleEndian) {
    oc::idx_entry entry;
    entry.respondent = -2;
    entry.generation = 3;
    entry.b5 = 0x55;
    entry.b6 = 0x66;
    entry.b7 = 0x77;
    entry.w8 = 0x0908;
    entry.sequence = 0xBBAA;
    entry.dat_offset = 0x0F0E0D0C;
    entry.next = 0x13121110;
    unsigned char bytes[oc::kIdxEntrySize];
    oc::encode_idx_entry(entry, bytes);
    std::string expected = le32(0xFFFFFFFE) + "\x03\x55\x66\x77\x08\x09\xAA\xBB" + le32(0x0F0E0D0C) + le32(0x13121110);
    EXPECT_SAME_BYTES(expected, std::string(reinterpret_cast<char*>(bytes), sizeof bytes));

    oc::idx_entry back;
    oc::decode_idx_entry(bytes, back);
    EXPECT_EQ(-2, back.respondent);
    EXPECT_EQ(0x0908, back.w8);
    EXPECT_EQ(0xBBAA, back.sequence);
    EXPECT_EQ(0x0F0E0D0Cu, back.dat_offset);
    EXPECT_EQ(0x13121110u, back.next);
}

TEST(StudyFormat, RecHeaderFieldByFieldLittleEndian) {
    oc::rec_header header;
    header.length = 0x0504;
    header.respondent = 0x09080706;
    header.generation = 10;
    header.b11 = 11;
    header.b12 = 12;
    header.b13 = 13;
    header.w14 = 0x0F0E;
    header.w16 = 0x1110;
    header.b18 = 18;
    header.b19 = 19;
    unsigned char bytes[oc::kRecHeaderSize];
    oc::encode_rec_header(header, bytes);
    std::string expected = "\xF5\xF5\xF5\xF5\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12\x13";
    EXPECT_SAME_BYTES(expected, std::string(reinterpret_cast<char*>(bytes), sizeof bytes));
    oc::rec_header back;
    oc::decode_rec_header(bytes, back);
    EXPECT_EQ(oc::kRecordMagic, back.magic);
    EXPECT_EQ(0x0504, back.length);
    EXPECT_EQ(0x09080706, back.respondent);
    EXPECT_EQ(0x1110, back.w16);
    EXPECT_EQ(19, back.b19);
}

TEST(StudyFormat, IdxreadAndHeadreadTellEndFromShortRead) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(nullptr, file);
    std::string bytes = le32(7) + std::string(16, '\x01') + "\x01\x02";
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    oc::idx_entry entry;
    EXPECT_EQ(0, oc::idxread(&entry, file));
    EXPECT_EQ(7, entry.respondent);
    EXPECT_EQ(20L, std::ftell(file));
    EXPECT_EQ(-1, oc::idxread(&entry, file));  // two bytes of a 20-byte entry
    EXPECT_EQ(1, oc::idxread(&entry, file));   // then the end

    std::rewind(file);
    oc::rec_header header;
    EXPECT_EQ(0, oc::headread(&header, file));
    EXPECT_EQ(20L, std::ftell(file));
    EXPECT_EQ(-1, oc::headread(&header, file));
    std::fclose(file);
}

}  // namespace
