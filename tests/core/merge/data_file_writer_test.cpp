// The data-file writer: the appended version and index entry byte for byte,
// chains, matching, the value encoding at its limits, and the study left as
// it was by every refusal and failed write.
#include "merge_fixture.h"
#include "suite/data_library.h"
#include "suite/study_dump.h"

#include <sstream>

namespace {

using namespace mergetest;
using namespace std::string_literals;

TEST_F(MergeStudy, FirstVersionGetsGenerationTwoAndTheLink) {
    study_files before = read_study();
    ASSERT_EQ(0, append(8, 1, var("#Q5", 0, {"5", "17", "230"})));
    std::string entry = std::string("#Q5\0\0\0\0\0", 8) + '\0' + '\0' + '\0' + std::string(8, '\0') + "\x01\x01" +
                        le16(3) + "\x01" "5" "\x02" "17" "\x03" "230" + '\0';
    study_files expected = expected_append(before, 24, 1, entry);
    study_files after = read_study();
    EXPECT_SAME_BYTES(expected.idx, after.idx);
    EXPECT_SAME_BYTES(expected.dat, after.dat);
    EXPECT_EQ(2, after.idx[before.idx.size() + 4]);
    EXPECT_EQ(before.idx.size(), get32(after.idx, 24 + 16));
    // Record length = header + FC + FB + variable block + end marker.
    EXPECT_EQ(20u + 20 + 9 + (8 + entry.size()) + 4, get16(after.dat, before.dat.size() + 4));
    EXPECT_EQ(after.dat.size() - before.dat.size(), get16(after.dat, before.dat.size() + 4));
}

TEST_F(MergeStudy, EachMergeAppendsBehindTheNewestVersion) {
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"10"})));
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"11"})));
    study_files before = read_study();
    std::uint32_t newest = newest_entry(before.idx, 64);
    ASSERT_EQ(before.idx.size() - 20, newest);
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"12"})));
    study_files after = read_study();
    study_files expected = expected_append(before, newest, 1, var_entry("Q5", 0, {"12"}));
    EXPECT_SAME_BYTES(expected.idx, after.idx);
    EXPECT_SAME_BYTES(expected.dat, after.dat);
    EXPECT_EQ(4, after.idx[after.idx.size() - 20 + 4]);

    // The data library reads the newest value through the chain.
    char buffer[801];
    std::uint32_t respondent = 0;
    std::int32_t sequence = 0, roster = 0;
    std::int16_t type = 0, n = 0;
    for (int mode = -1; (n = oc::fextract(static_cast<std::int16_t>(mode), "Q5", buffer, "S.idx", "S.DAT", &respondent,
                                          &sequence, &type, 1, 1, &roster, 0, 0)) >= 0 && respondent != 9;
         mode = 1)
        roster = 0;
    ASSERT_EQ(1, n);
    EXPECT_STREQ("12", buffer);
    std::ostringstream dump;
    ASSERT_TRUE(oc::dump_study("S", dump).ok);
    std::size_t fourth = dump.str().find("\n  generation 4, .DAT offset ");
    ASSERT_NE(std::string::npos, fourth);
    EXPECT_EQ(dump.str().find("\n    Q5 roster 0: \"12\"\n"), dump.str().find('\n', fourth + 1));
}

TEST_F(MergeStudy, SequenceSelectsAmongDuplicatesUnlessMatchingByRespondent) {
    struct row {
        std::uint16_t sequence;
        bool by_respondent;
        std::uint32_t chosen;  // .idx offset of the first entry used
    };
    for (row r : {row{2, false, 44}, row{1, false, 4}, row{2, true, 4}, row{9, true, 4}}) {
        study_files before = read_study();
        ASSERT_EQ(0, append(7, r.sequence, var("Q5", 0, {"1"}), r.by_respondent));
        study_files expected = expected_append(before, newest_entry(before.idx, r.chosen), 1, var_entry("Q5", 0, {"1"}));
        EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx")) << r.sequence << r.by_respondent;
        EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT"));
    }
    EXPECT_TRUE(warnings.empty());
}

TEST_F(MergeStudy, NoMatchIsAnErrorOrAWarningAndWritesNothing) {
    study_files before = read_study();
    EXPECT_EQ(oc::kAppendNoMatch, append(7, 3, var("Q5", 0, {"1"})));
    EXPECT_EQ(oc::kAppendNoMatch, append(70, 1, var("Q5", 0, {"1"})));
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(oc::kAppendDone, append(70, 1, var("Q5", 0, {"1"}), true));
    EXPECT_EQ(oc::kAppendDone, append(-70, 1, var("Q5", 0, {"1"}), true));
    EXPECT_EQ((std::vector<std::string>{
                  "Can't find data record in the .DAT file for respondent number 70.  This coded data will not be merged.",
                  "Can't find data record in the .DAT file for respondent number -70.  This coded data will not be "
                  "merged."}),
              warnings);
    // A later version of respondent 70 does not count as its first record.
    std::string idx = before.idx;
    idx.replace(4, 4, le32(70));
    idx[8] = 2;
    octest::write_bytes("S.idx", idx);
    EXPECT_EQ(oc::kAppendNoMatch, append(70, 1, var("Q5", 0, {"1"})));
    EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT"));
}

TEST_F(MergeStudy, PaddedValuesWhenTheFlagsLowNibbleIsSet) {
    struct row {
        unsigned char flags;
        bool padded;
    };
    study_files original = read_study();
    std::uint32_t old_at = get32(original.idx, 44 + 12);
    std::size_t flags_at = 0;
    for (std::size_t at = old_at + 20; get32(original.dat, at) != 0xFDFDFDFD; at += get16(original.dat, at + 4))
        if (get32(original.dat, at) == 0xFBFBFBFB) flags_at = at + 8;
    ASSERT_NE(0u, flags_at);
    for (row r : {row{0x00, false}, row{0x01, true}, row{0x08, true}, row{0x10, false}, row{0xF0, false}, row{0xFF, true}}) {
        study_files before = original;
        before.dat[flags_at] = static_cast<char>(r.flags);
        octest::write_bytes("S.DAT", before.dat);
        octest::write_bytes("S.idx", before.idx);
        ASSERT_EQ(0, append(7, 2, var("Q5", 1, {"", "12"})));
        study_files expected = expected_append(before, 44, 1, var_entry("Q5", 1, {"", "12"}, r.padded));
        EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT")) << int{r.flags};
        EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
    }
    // Written out once by hand: empty value, "12", ending byte without padding.
    std::string tail = read_bytes("S.DAT");
    EXPECT_EQ(std::string(4, '\0') + '\0' + std::string(4, '\0') + "\x02" "12" + '\0' + le32(0xFDFDFDFD),
              tail.substr(tail.size() - 17));
}

TEST_F(MergeStudy, ValueLengthsAroundTheirEncodingLimits) {
    struct row {
        std::size_t length;
        std::string prefix;  // the encoded length; empty: refused
    };
    for (const row& r : {row{0, "\x00"s}, row{254, "\xFE"}, row{255, "\xFF\xFF\x00"s}, row{256, "\xFF\x00\x01"s},
                         row{799, "\xFF\x1F\x03"}, row{800, "\xFF\x20\x03"}, row{801, ""}}) {
        study_files before = read_study();
        std::string text(r.length, 'x');
        std::int16_t result = append(9, 1, var("Q5", 0, {text}));
        study_files after = read_study();
        if (r.prefix.empty()) {
            EXPECT_EQ(oc::kAppendFailed, result);
            EXPECT_SAME_BYTES(before.idx, after.idx);
            EXPECT_SAME_BYTES(before.dat, after.dat);
            continue;
        }
        ASSERT_EQ(0, result) << r.length;
        std::string entry = std::string("Q5\0\0\0\0\0\0", 8) + std::string(3, '\0') + std::string(8, '\0') + "\x01\x01" +
                            le16(1) + r.prefix + text + '\0';
        study_files expected = expected_append(before, newest_entry(before.idx, 64), 1, entry);
        EXPECT_SAME_BYTES(expected.dat, after.dat) << r.length;
        EXPECT_SAME_BYTES(expected.idx, after.idx);
    }
}

TEST_F(MergeStudy, RecordLengthMustFitSixteenBits) {
    // 81 values of 800 characters: 81 * 803 bytes of values alone pass 65535.
    study_files before = read_study();
    EXPECT_EQ(oc::kAppendFailed, append(9, 1, var("Q5", 0, std::vector<std::string>(82, std::string(800, 'y')))));
    EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT"));
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, std::vector<std::string>(81, std::string(800, 'y')))));
    std::string dat = read_bytes("S.DAT");
    EXPECT_EQ(dat.size() - before.dat.size(), get16(dat, before.dat.size() + 4));
}

TEST_F(MergeStudy, DamagedNewestVersionIsRefusedBeforeAnythingIsWritten) {
    study_files original = read_study();
    std::uint32_t old_at = get32(original.idx, 24 + 12);  // respondent 8
    std::size_t end = old_at + get16(original.dat, old_at + 4);
    auto block_at = [&](std::uint32_t marker) {
        for (std::size_t at = old_at + 20; at < end; at += get16(original.dat, at + 4))
            if (get32(original.dat, at) == marker) return at;
        return std::size_t{0};
    };
    std::size_t fb = block_at(0xFBFBFBFB), fc = block_at(0xFCFCFCFC);
    ASSERT_NE(0u, fb);
    ASSERT_NE(0u, fc);
    struct row {
        const char* what;
        std::size_t at;
        std::string bytes;
    };
    for (const row& r : {row{"record magic", old_at, "\xF4"}, row{"respondent", old_at + 6, "\x09"},
                         row{"FB block", fb, "\xFA"}, row{"FC block", fc, "\xFA"},
                         row{"first block length 7", old_at + 24, le16(7)}}) {
        study_files damaged = original;
        damaged.dat.replace(r.at, r.bytes.size(), r.bytes);
        octest::write_bytes("S.DAT", damaged.dat);
        EXPECT_EQ(oc::kAppendFailed, append(8, 1, var("Q5", 0, {"1"}))) << r.what;
        EXPECT_SAME_BYTES(damaged.dat, read_bytes("S.DAT")) << r.what;
        EXPECT_SAME_BYTES(original.idx, read_bytes("S.idx")) << r.what;
    }
    octest::write_bytes("S.DAT", original.dat);

    // Index damage: wrong magic, a link leading back, a link past the end,
    // a torn last entry (one byte more than whole entries).
    for (const row& r : {row{"magic", 0, "\xEC"}, row{"link back", 64 + 16, le32(4)},
                         row{"link past end", 64 + 16, le32(original.idx.size())},
                         row{"torn entry", original.idx.size(), "\x01"}}) {
        std::string idx = original.idx;
        idx.replace(r.at, r.bytes.size(), r.bytes);
        octest::write_bytes("S.idx", idx);
        EXPECT_EQ(oc::kAppendFailed, append(9, 1, var("Q5", 0, {"1"}))) << r.what;
        EXPECT_SAME_BYTES(idx, read_bytes("S.idx")) << r.what;
        EXPECT_SAME_BYTES(original.dat, read_bytes("S.DAT")) << r.what;
    }
    octest::write_bytes("S.idx", original.idx);
    std::remove("S.DAT");
    EXPECT_EQ(oc::kAppendFailed, append(9, 1, var("Q5", 0, {"1"})));
    EXPECT_SAME_BYTES(original.idx, read_bytes("S.idx"));
}

TEST_F(MergeStudy, GenerationStopsAt255) {
    study_files original = read_study();
    for (int generation : {254, 255}) {
        std::string idx = original.idx;
        idx[64 + 4] = static_cast<char>(generation);  // respondent 9's only entry, made a late version
        idx[4 + 4] = 1;
        // Chain it behind a first entry of respondent 9 so it is found.
        idx.replace(4, 4, le32(9));
        idx.replace(4 + 16, 4, le32(64));
        idx.replace(4 + 12, 4, idx.substr(64 + 12, 4));
        octest::write_bytes("S.idx", idx);
        octest::write_bytes("S.DAT", original.dat);
        std::int16_t result = append(9, 1, var("Q5", 0, {"1"}));
        if (generation == 255) {
            EXPECT_EQ(oc::kAppendFailed, result);
            EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
            EXPECT_SAME_BYTES(original.dat, read_bytes("S.DAT"));
        } else {
            ASSERT_EQ(0, result);
            study_files expected = expected_append({idx, original.dat}, 64, 1, var_entry("Q5", 0, {"1"}));
            EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
            EXPECT_EQ('\xFF', expected.idx[expected.idx.size() - 16]);
        }
    }
}

TEST_F(MergeStudy, AFailedWritePutsTheStudyBack) {
    study_files before = read_study();
    for (int failing = 1; failing <= 3; ++failing) {
        oc::set_writer_write_hook([failing](int write) { return write != failing; });
        EXPECT_EQ(oc::kAppendFailed, append(7, 1, var("Q5", 0, {"1"}))) << failing;
        oc::set_writer_write_hook({});
        EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx")) << failing;
        EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT")) << failing;
    }
    oc::set_writer_write_hook([](int write) { return write <= 3; });  // the fourth write would fail
    EXPECT_EQ(0, append(7, 1, var("Q5", 0, {"1"})));
    study_files expected = expected_append(before, 4, 1, var_entry("Q5", 0, {"1"}));
    EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT"));
}

}  // namespace
