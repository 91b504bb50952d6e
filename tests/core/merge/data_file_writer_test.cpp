// The data-file writer and the merge engine below the tool (whose bytes the
// merge scenarios pin): what is refused before anything is written, values
// at their encoding limits read back through the study reader, and the
// writer session, the index copy and single appends agreeing byte for byte.
#include <cstring>
#include <random>
#include <sstream>

#include "engines/merge/data_file_writer.h"
#include "engines/merge/study_index.h"
#include "suite/study_dump.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::write_bytes;

std::string le32(unsigned long v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
    return out;
}
std::uint32_t get32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s.at(at + i));
    return v;
}

oc::coded_var var(const char* name, std::uint16_t roster, std::vector<std::string> values) {
    oc::coded_var v;
    std::memcpy(v.name, name, strnlen(name, 8));
    v.roster = roster;
    v.values = std::move(values);
    return v;
}

// Study S, copied as R for reference runs: respondent 7 twice (sequences 1
// and 2), 8 and 9 once; first entries at .idx offsets 4 (7/1), 24 (8/1),
// 44 (7/2), 64 (9/1).
class Writer : public ::testing::Test {
protected:
    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ5,7,0,Why?\r\nQ7,7,0,What else?\r\n",
                               "respondent,sequence,complete,Q5,Q7\r\n"
                               "7,1,1,too dear,a b\r\n8,1,0,cheap|nice,\r\n7,2,1,again,c d\r\n9,1,1,fine,e f\r\n");
        for (const char* ext : {".idx", ".DAT", ".lbl"}) octest::fs::copy_file(std::string("S") + ext, std::string("R") + ext);
        idx = read_bytes("S.idx");
        dat = read_bytes("S.DAT");
    }
    std::int16_t append(std::int32_t respondent, std::uint16_t sequence, const oc::coded_var& v,
                        bool by_respondent = false, oc::study_index* index = nullptr, const char* base = "S") {
        return oc::AppendCodedVariable(respondent, sequence, {v}, std::string(base) + ".DAT",
                                       std::string(base) + ".idx", by_respondent,
                                       [this](const std::string& text) { warnings.push_back(text); }, index);
    }
    void expect_unchanged(const std::string& what) {
        EXPECT_SAME_BYTES(idx, read_bytes("S.idx")) << what;
        EXPECT_SAME_BYTES(dat, read_bytes("S.DAT")) << what;
    }
    void expect_same_as_reference(const std::string& what = {}) {
        EXPECT_SAME_BYTES(read_bytes("R.idx"), read_bytes("S.idx")) << what;
        EXPECT_SAME_BYTES(read_bytes("R.DAT"), read_bytes("S.DAT")) << what;
    }
    std::string dump() {
        std::ostringstream out;
        EXPECT_TRUE(oc::dump_study("S", out).ok);
        return out.str();
    }

    octest::ScratchDir dir;
    std::string idx, dat;
    std::vector<std::string> warnings;
};

TEST_F(Writer, DamageIsRefusedBeforeAnythingIsWritten) {
    const std::uint32_t old8 = get32(idx, 24 + 12);  // respondent 8's record in the .DAT
    const std::size_t fb = dat.find(le32(0xFBFBFBFB), old8), fc = dat.find(le32(0xFCFCFCFC), old8);
    struct row {
        const char* what;
        bool in_idx;
        std::size_t at;
        std::string bytes;
    };
    // Whole .idx files: a link into the middle of 40 bytes appended, where an
    // entry of 8 stands 10 bytes in; 8's newest version of generation g.
    std::string middle = idx;
    middle.replace(24 + 16, 4, le32(idx.size() + 10));
    middle += std::string(10, '\0') + idx.substr(24, 20) + std::string(10, '\0');
    auto newest_of_generation = [&](char g) {
        std::string chained = idx;
        chained.replace(24 + 16, 4, le32(idx.size()));
        return chained + idx.substr(24, 4) + g + idx.substr(29, 15);
    };
    for (const row& r : {row{"record magic", false, old8, "\xF4"}, row{"respondent", false, old8 + 6, "\x09"},
                         row{"FB block", false, fb, "\xFA"}, row{"FC block", false, fc, "\xFA"},
                         row{"first block length 7", false, old8 + 24, std::string("\x07\x00", 2)},
                         row{"idx magic", true, 0, "\xEC"}, row{"link back", true, 24 + 16, le32(4)},
                         row{"link past end", true, 24 + 16, le32(idx.size())},
                         row{"torn entry", true, idx.size(), "\x01"},
                         row{"generation 255", true, 0, newest_of_generation('\xFF')},
                         row{"link into an entry", true, 0, middle}}) {
        std::string damaged = r.in_idx ? idx : dat;
        damaged.replace(r.at, r.bytes.size(), r.bytes);
        write_bytes(r.in_idx ? "S.idx" : "S.DAT", damaged);
        oc::study_index index;
        for (oc::study_index* copy : {static_cast<oc::study_index*>(nullptr), &index}) {
            if (copy && !index.load("S.idx")) continue;
            EXPECT_EQ(oc::kAppendFailed, append(8, 1, var("Q5", 0, {"1"}), false, copy)) << r.what;
            EXPECT_SAME_BYTES(damaged, read_bytes(r.in_idx ? "S.idx" : "S.DAT")) << r.what;
            EXPECT_SAME_BYTES(r.in_idx ? dat : idx, read_bytes(r.in_idx ? "S.DAT" : "S.idx")) << r.what;
        }
        write_bytes("S.idx", idx);
        write_bytes("S.DAT", dat);
    }
    // A generation of 254 still gets one more version.
    write_bytes("S.idx", newest_of_generation('\xFE'));
    ASSERT_EQ(oc::kAppendDone, append(8, 1, var("Q5", 0, {"1"})));
    EXPECT_EQ('\xFF', read_bytes("S.idx").at(idx.size() + 24));
    std::remove("S.DAT");
    EXPECT_EQ(oc::kAppendFailed, append(9, 1, var("Q5", 0, {"1"})));
}

TEST_F(Writer, MatchingAndItsMisses) {
    EXPECT_EQ(oc::kAppendNoMatch, append(7, 3, var("Q5", 0, {"1"})));
    EXPECT_EQ(oc::kAppendNoMatch, append(70, 1, var("Q5", 0, {"1"})));
    EXPECT_TRUE(warnings.empty());
    expect_unchanged("no match");
    EXPECT_EQ(oc::kAppendDone, append(70, 1, var("Q5", 0, {"1"}), true));
    EXPECT_EQ(oc::kAppendDone, append(-70, 1, var("Q5", 0, {"1"}), true));
    EXPECT_EQ((std::vector<std::string>{oc::missing_record_text(70), oc::missing_record_text(-70)}), warnings);
    expect_unchanged("warned");
    // By respondent, the sequence is ignored: 7/2 goes behind 7/1.
    ASSERT_EQ(oc::kAppendDone, append(7, 9, var("Q5", 0, {"1"}), true));
    ASSERT_EQ(oc::kAppendDone, append(7, 1, var("Q5", 0, {"1"}), false, nullptr, "R"));
    expect_same_as_reference();
    // A later version of respondent 70 is not a first record.
    std::string later = idx;
    later.replace(4, 4, le32(70));
    later[8] = 2;
    write_bytes("S.idx", later);
    EXPECT_EQ(oc::kAppendNoMatch, append(70, 1, var("Q5", 0, {"1"})));
    EXPECT_SAME_BYTES(later, read_bytes("S.idx"));
}

TEST_F(Writer, ValuesAroundTheirEncodingLimitsReadBack) {
    for (std::size_t length : {0, 1, 254, 255, 256, 799, 800}) {
        std::string text(length, 'x');
        text += std::to_string(length);
        text.resize(length);
        ASSERT_EQ(oc::kAppendDone, append(9, 1, var("Q5", 3, {"a", text}))) << length;
        EXPECT_NE(std::string::npos, dump().find("Q5 roster 3: \"a\" \"" + text + "\"\n")) << length;
    }
    const std::string before = read_bytes("S.DAT");
    EXPECT_EQ(oc::kAppendFailed, append(9, 1, var("Q5", 0, {std::string(801, 'x')})));
    // 82 values of 800 characters pass the 16-bit record length; 81 do not.
    EXPECT_EQ(oc::kAppendFailed, append(9, 1, var("Q5", 0, std::vector<std::string>(82, std::string(800, 'y')))));
    EXPECT_SAME_BYTES(before, read_bytes("S.DAT"));
    ASSERT_EQ(oc::kAppendDone, append(9, 1, var("Q5", 0, std::vector<std::string>(81, std::string(800, 'y')))));
    EXPECT_NE(std::string::npos, dump().find("generation 9,"));
}

// A value's four padding bytes follow the FB flags' low nibble of the version appended to.
TEST_F(Writer, PaddedValuesFollowTheFlags) {
    const std::size_t flags_at = dat.find(le32(0xFBFBFBFB), get32(idx, 44 + 12)) + 8;
    for (unsigned char flags : {0x00, 0x01, 0x08, 0x10, 0xF0, 0xFF}) {
        dat[flags_at] = static_cast<char>(flags);
        write_bytes("S.DAT", dat);
        write_bytes("S.idx", idx);
        ASSERT_EQ(oc::kAppendDone, append(7, 2, var("Q5", 1, {"", "12"})));
        std::string now = read_bytes("S.DAT");
        now[flags_at] = '\0';  // the old version's values were never padded
        write_bytes("S.DAT", now);
        const std::string tail = now.substr(dat.size());
        const std::string padded = std::string(5, '\0') + std::string(4, '\0') + "\x02" "12" + '\0' + le32(0xFDFDFDFD);
        const std::string plain = std::string(2, '\0') + "\x02" "12" + '\0' + le32(0xFDFDFDFD);
        EXPECT_TRUE(tail.ends_with(plain)) << int{flags};
        EXPECT_EQ((flags & 0x0F) != 0, tail.ends_with(padded)) << int{flags};
        EXPECT_NE(std::string::npos, dump().find("Q5 roster 1: \"\" \"12\"\n")) << int{flags};
    }
}

// Single appends, appends through the index copy and a writer session
// (committing now and then, or only at the end) all write the same bytes.
TEST_F(Writer, SessionsIndexCopiesAndSingleAppendsAgree) {
    for (int mode = 0; mode < 3; ++mode) {
        write_bytes("S.idx", idx);
        write_bytes("S.DAT", dat);
        write_bytes("R.idx", idx);
        write_bytes("R.DAT", dat);
        std::mt19937 random(11);
        oc::study_index index;
        ASSERT_TRUE(index.load("S.idx"));
        oc::study_writer writer;
        if (mode > 0) {
            ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", mode == 2 ? &index : nullptr));
        }
        for (int i = 0; i < 200; ++i) {
            std::int32_t respondent = 6 + static_cast<std::int32_t>(random() % 5);  // 6 and 10 have no data
            auto sequence = static_cast<std::uint16_t>(1 + random() % 3);
            bool by_respondent = random() % 4 == 0;
            oc::coded_var v = var(i % 2 ? "#Q5" : "Q7", static_cast<std::uint16_t>(random() % 4),
                                  {std::to_string(i), std::string(random() % 300, 'z')});
            std::int16_t expected = append(respondent, sequence, v, by_respondent, nullptr, "R");
            std::int16_t got = mode == 0 ? append(respondent, sequence, v, by_respondent, &index)
                                         : writer.append(respondent, sequence, {v}, by_respondent, {});
            ASSERT_EQ(expected, got) << mode << " " << i;
            if (mode == 2 && i == 0) expect_unchanged("staged only");
            if (mode == 2 && random() % 16 == 0) {
                ASSERT_TRUE(writer.commit());
            }
        }
        if (mode > 0) {
            ASSERT_TRUE(writer.commit());
            ASSERT_TRUE(writer.close());
        }
        expect_same_as_reference(std::to_string(mode));
        if (mode != 1) {
            EXPECT_EQ(read_bytes("S.idx").size(), index.file_size());
            EXPECT_SAME_BYTES(read_bytes("S.idx"), std::string(index.bytes(0, index.file_size())));
        }
    }
    // What is staged and never committed is dropped.
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    oc::study_writer writer;
    ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", &index));
    const std::string committed = read_bytes("S.DAT");
    ASSERT_EQ(oc::kAppendDone, writer.append(8, 1, {var("Q5", 0, {"1"})}, false, {}));
    ASSERT_TRUE(writer.close());
    EXPECT_SAME_BYTES(committed, read_bytes("S.DAT"));
}

TEST_F(Writer, AnIndexCopyThatNoLongerFitsIsNotUsed) {
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"1"})));  // behind the copy's back
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"2"}), false, &index));
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"1"}), false, nullptr, "R"));
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"2"}), false, nullptr, "R"));
    expect_same_as_reference();

    EXPECT_FALSE(index.load("missing.idx"));
    write_bytes("S.idx", idx + "\x01");  // a partial entry at the end
    EXPECT_FALSE(index.load("S.idx"));
    EXPECT_FALSE(index.loaded());
    write_bytes("S.idx", std::string(1, '\0') + idx.substr(1));
    EXPECT_FALSE(index.load("S.idx"));
    write_bytes("S.idx", "\xED\xED\xED\xED");
    EXPECT_TRUE(index.load("S.idx"));
    EXPECT_FALSE(index.find_first(7, 1, true));
}

}  // namespace
