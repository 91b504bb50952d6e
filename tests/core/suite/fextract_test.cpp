#include <cstring>

#include <gtest/gtest.h>

#include "study_test_support.h"
#include "suite/data_library.h"
#include "suite/study_import.h"

namespace {

using octest::ScratchDir;
using suitetest::hand_variable;
using suitetest::hand_version;
using suitetest::hand_version_bytes;
using suitetest::le16;
using suitetest::le32;

constexpr std::size_t kBuffer = 801;
constexpr std::size_t kGuard = 64;

struct study {
    ScratchDir dir;
    std::string base, idx, dat;

    study(const std::string& labels, const std::string& data) {
        octest::write_bytes(dir.file("labels.csv"), labels);
        octest::write_bytes(dir.file("data.csv"), data);
        base = dir.file("S");
        idx = base + ".idx";
        dat = base + ".DAT";
        oc::study_result imported = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), base);
        EXPECT_TRUE(imported.ok) << imported.message;
    }
};

// One fextract call with a guarded buffer; the guard must stay untouched.
struct call_result {
    std::int16_t n = 0;
    std::uint32_t respondent = 0;
    std::int32_t sequence = 0;
    std::int16_t type = -1;
    std::int32_t roster = 0;
    std::vector<std::string> texts;
};

call_result extract(std::int16_t mode, const std::string& question, const study& s, std::int16_t filter,
                    std::int32_t roster) {
    std::vector<char> buffer(kBuffer + kGuard, '\xAB');
    call_result r;
    r.roster = roster;
    r.n = oc::fextract(mode, question.c_str(), buffer.data(), s.idx.c_str(), s.dat.c_str(), &r.respondent,
                       &r.sequence, &r.type, filter, 1, &r.roster, 0, 0);
    for (std::size_t i = kBuffer; i < buffer.size(); ++i) EXPECT_EQ('\xAB', buffer[i]) << "byte " << i << " written";
    const char* at = buffer.data();
    for (int i = 0; i < r.n; ++i) {
        r.texts.emplace_back(at);
        at += r.texts.back().size() + 1;
    }
    return r;
}

// Drives a question the way the extraction engine does and writes down
// what each call gave: "respondent/sequence type roster: texts" or "end N".
std::vector<std::string> drive(const study& s, const std::string& question, std::int16_t filter = 1) {
    std::vector<std::string> transcript;
    for (int calls = 0; calls < 100; ++calls) {
        call_result r = extract(calls == 0 ? -1 : 1, question, s, filter, 0);
        for (;;) {
            if (r.n < 0) {
                transcript.push_back("end " + std::to_string(r.n));
                return transcript;
            }
            std::string line = std::to_string(r.respondent) + "/" + std::to_string(r.sequence) + " t" +
                               std::to_string(r.type) + " r" + std::to_string(r.roster) + ":";
            for (const std::string& text : r.texts) line += " [" + text + "]";
            transcript.push_back(line);
            if (r.n == 0 || r.roster == 0) break;
            r = extract(0, question, s, filter, r.roster + 1);
        }
    }
    ADD_FAILURE() << "no end after 100 respondents";
    return transcript;
}

const std::string kLabels = "name,type,other,text\nOE,7,0,Why\nLOOP,7,0,Each\nCL,1,1,Pick\n";
const std::string kData =
    "respondent,sequence,complete,OE,LOOP[1],LOOP[2],LOOP[4],CL\n"
    "101,1,1,first|second,,l2,l4,1\n"
    "102,2,0,,,,,5 other text\n"
    "103,3,1,third,l1,,,\n";

using transcript = std::vector<std::string>;

TEST(Fextract, WalksAnswersOutsideLoopsWithInterviewFilter) {
    study s(kLabels, kData);
    EXPECT_EQ((transcript{"101/1 t7 r0: [first] [second]", "102/2 t7 r0:", "103/3 t7 r0: [third]", "end -1"}),
              drive(s, "OE", 1));
    EXPECT_EQ((transcript{"101/1 t7 r0: [first] [second]", "103/3 t7 r0: [third]", "end -1"}), drive(s, "OE", 2));
    EXPECT_EQ((transcript{"102/2 t7 r0:", "end -1"}), drive(s, "OE", 3));
    EXPECT_EQ((transcript{"101/1 t1 r0: [1]", "102/2 t1 r0: [5 other text]", "103/3 t1 r0:", "end -1"}),
              drive(s, "CL"));
}

TEST(Fextract, RosterProtocolSkipsEmptyIterations) {
    study s(kLabels, kData);
    // 101 has iterations 2 and 4 (1 and 3 empty), 102 none, 103 only 1.
    EXPECT_EQ((transcript{"101/1 t7 r2: [l2]", "101/1 t7 r4: [l4]", "101/1 t7 r0:", "102/2 t7 r0:",
                          "103/3 t7 r1: [l1]", "103/3 t7 r0:", "end -1"}),
              drive(s, "LOOP"));
}

TEST(Fextract, ModeZeroReturnsFirstIterationFromTheGivenRoster) {
    study s(kLabels, kData);
    EXPECT_EQ(1, extract(-1, "LOOP", s, 1, 0).n);
    struct step {
        std::int32_t from;
        std::int16_t n;
        std::int32_t roster;
    };
    for (step st : {step{1, 1, 2}, step{2, 1, 2}, step{3, 1, 4}, step{4, 1, 4}, step{5, 0, 0}, step{255, 0, 0}}) {
        call_result r = extract(0, "LOOP", s, 1, st.from);
        EXPECT_EQ(st.n, r.n) << "from " << st.from;
        EXPECT_EQ(st.roster, r.roster) << "from " << st.from;
        EXPECT_EQ(101u, r.respondent);
    }
    // A different question, or no walk at all, has nothing to continue.
    EXPECT_EQ(-1, extract(0, "OE", s, 1, 1).n);
    EXPECT_EQ(-1, extract(1, "OE", s, 1, 0).n);
}

TEST(Fextract, LaterVersionsReplaceEarlierOnes) {
    study s(kLabels, kData);
    // 101: OE replaced, LOOP[2] emptied (no values), LOOP[3] added.
    suitetest::append_version(s.base, 0, hand_version_bytes(hand_version{
                                             101, 2, 1, 1, 0,
                                             {{"OE", 0, {"new"}}, {"LOOP", 2, {}}, {"LOOP", 3, {"l3"}}},
                                             {}}));
    // 103: a version with the flags nibble set (values after four zero bytes)
    // and an unknown block before the variables.
    hand_version padded{103, 2, 1, 3, 0x01, {{"OE", 0, {"padded", ""}}, {"LOOP", 1, {"p1"}}}, {}};
    padded.extra_block = "\xF0\xF0\xF0\xF0" + le16(12) + le16(0) + "junk";
    suitetest::append_version(s.base, 2, hand_version_bytes(padded));
    // 101 again: a third generation, behind the 103 version in the file.
    suitetest::append_version(s.base, 0, hand_version_bytes(hand_version{
                                             101, 3, 1, 1, 0x10, {{"LOOP", 4, {"last", "word"}}}, {}}));

    EXPECT_EQ((transcript{"101/1 t7 r0: [new]", "102/2 t7 r0:", "103/3 t7 r0: [padded] []", "end -1"}),
              drive(s, "OE"));
    EXPECT_EQ((transcript{"101/1 t7 r3: [l3]", "101/1 t7 r4: [last] [word]", "101/1 t7 r0:", "102/2 t7 r0:",
                          "103/3 t7 r1: [p1]", "103/3 t7 r0:", "end -1"}),
              drive(s, "LOOP"));
    EXPECT_EQ((transcript{"102/2 t1 r0: [5 other text]", "end -1"}), drive(s, "CL", 3));
}

TEST(Fextract, GroupMustFitTheBuffer) {
    study s("name,type,other,text\nQ,7,0,t\n",
            "respondent,sequence,complete,Q\n"
            "1,1,1," + std::string(799, 'a') + "\n"                               // 800 bytes
            "2,2,1," + std::string(400, 'b') + "|" + std::string(398, 'c') + "|\n"  // 801 bytes
            "3,3,1," + std::string(800, 'd') + "|\n"                              // 802 bytes
            "4,4,1,never\n");
    std::vector<char> buffer(kBuffer + kGuard, '\xAB');
    call_result r = extract(-1, "Q", s, 1, 0);
    EXPECT_EQ(1, r.n);
    EXPECT_EQ(std::string(799, 'a'), r.texts[0]);
    r = extract(1, "Q", s, 1, 0);
    EXPECT_EQ(3, r.n);
    EXPECT_EQ((std::vector<std::string>{std::string(400, 'b'), std::string(398, 'c'), ""}), r.texts);
    // 802 bytes: refused with nothing written, and the walk is over.
    std::uint32_t respondent = 0;
    std::int32_t sequence = 0, roster = 0;
    std::int16_t type = 0;
    EXPECT_EQ(-4, oc::fextract(1, "Q", buffer.data(), s.idx.c_str(), s.dat.c_str(), &respondent, &sequence, &type, 1,
                               1, &roster, 0, 0));
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == '\xAB'; }));
    EXPECT_EQ(-1, extract(1, "Q", s, 1, 0).n);
}

TEST(Fextract, MissingFilesGiveMinusTwo) {
    study s(kLabels, kData);
    for (const char* missing : {".idx", ".DAT", ".lbl"}) {
        ScratchDir copy;
        for (const char* ext : {".idx", ".DAT", ".lbl"})
            if (std::strcmp(ext, missing) != 0)
                octest::write_bytes(copy.file(std::string("S") + ext), octest::read_bytes(s.base + ext));
        std::vector<char> buffer(kBuffer);
        std::uint32_t respondent = 0;
        std::int32_t sequence = 0, roster = 0;
        std::int16_t type = 0;
        EXPECT_EQ(-2, oc::fextract(-1, "OE", buffer.data(), copy.file("S.idx").c_str(), copy.file("S.DAT").c_str(),
                                   &respondent, &sequence, &type, 1, 1, &roster, 0, 0))
            << missing;
    }
    // A question the labels do not know has no data.
    EXPECT_EQ((transcript{"end -1"}), drive(s, "NOPE"));
}

// Walks OE until the result is negative; returns that result.
std::int16_t walk_to_end(const study& s) {
    call_result r = extract(-1, "OE", s, 1, 0);
    for (int i = 0; i < 10 && r.n >= 0; ++i) r = extract(1, "OE", s, 1, 0);
    return r.n;
}

struct damage {
    const char* what;
    const char* file;  // "idx" or "DAT"
    std::function<void(std::string&)> apply;
    std::int16_t expected;
};

class FextractCorrupt : public testing::TestWithParam<damage> {};

TEST_P(FextractCorrupt, ReportsTheDamage) {
    const damage& d = GetParam();
    study s(kLabels, kData);
    std::string path = std::string(d.file) == "idx" ? s.idx : s.dat;
    std::string bytes = octest::read_bytes(path);
    d.apply(bytes);
    octest::write_bytes(path, bytes);
    EXPECT_EQ(d.expected, walk_to_end(s));
    // The files were closed: the walk is over.
    EXPECT_EQ(-1, extract(1, "OE", s, 1, 0).n);
}

// Offsets in the imported kData study: entries at 4, 24, 44 (link at +16);
// records at .DAT 0 (respondent 101) and behind it.
INSTANTIATE_TEST_SUITE_P(
    Table, FextractCorrupt,
    testing::Values(
        damage{"idx_empty", "idx", [](std::string& b) { b.clear(); }, -3},
        damage{"idx_magic", "idx", [](std::string& b) { b[0] = '\xEE'; }, -3},
        damage{"idx_short_entry", "idx", [](std::string& b) { b.pop_back(); }, -3},
        damage{"idx_link_past_end", "idx", [](std::string& b) { b.replace(4 + 16, 4, le32(64)); }, -3},
        damage{"idx_link_misaligned", "idx", [](std::string& b) { b.replace(4 + 16, 4, le32(25)); }, -3},
        damage{"idx_link_to_itself", "idx", [](std::string& b) { b.replace(24 + 16, 4, le32(24)); }, -3},
        damage{"idx_link_backwards", "idx", [](std::string& b) { b.replace(24 + 16, 4, le32(4)); }, -3},
        damage{"idx_link_other_respondent", "idx", [](std::string& b) { b.replace(4 + 16, 4, le32(44)); }, -3},
        damage{"dat_offset_past_end", "idx", [](std::string& b) { b.replace(44 + 12, 4, le32(100000)); }, -4},
        damage{"dat_record_magic", "DAT", [](std::string& b) { b[1] = 0; }, -4},
        damage{"dat_length_short", "DAT",
               [](std::string& b) { b[4] = static_cast<char>(static_cast<unsigned char>(b[4]) - 1); }, -4},
        damage{"dat_length_long", "DAT",
               [](std::string& b) { b[4] = static_cast<char>(static_cast<unsigned char>(b[4]) + 1); }, -4},
        damage{"dat_length_tiny", "DAT", [](std::string& b) { b.replace(4, 2, le16(23)); }, -4},
        damage{"dat_respondent", "DAT", [](std::string& b) { b.replace(6, 4, le32(999)); }, -4},
        damage{"dat_block_length_zero", "DAT", [](std::string& b) { b.replace(20 + 4, 2, le16(0)); }, -4},
        damage{"dat_block_past_record", "DAT", [](std::string& b) { b.replace(20 + 4, 2, le16(5000)); }, -4},
        damage{"dat_value_too_long", "DAT", [](std::string& b) { b[49 + 8 + 23] = 100; }, -4},
        damage{"dat_value_count", "DAT", [](std::string& b) { b.replace(49 + 8 + 21, 2, le16(9)); }, -4},
        damage{"dat_entry_terminator", "DAT", [](std::string& b) { b[49 + 8 + 23 + 6 + 7] = 'x'; }, -4},
        damage{"dat_truncated", "DAT", [](std::string& b) { b.pop_back(); }, -4}),
    [](const testing::TestParamInfo<damage>& info) { return std::string(info.param.what); });

TEST(Fextract, TruncatedLastEntryStillDeliversEarlierRespondents) {
    study s(kLabels, kData);
    std::string idx = octest::read_bytes(s.idx);
    octest::write_bytes(s.idx, idx.substr(0, idx.size() - 19));
    EXPECT_EQ(2, extract(-1, "OE", s, 1, 0).n);
    EXPECT_EQ(0, extract(1, "OE", s, 1, 0).n);
    EXPECT_EQ(-3, extract(1, "OE", s, 1, 0).n);
}

}  // namespace

namespace {

TEST(Fextract, NumbersAtTheirLimits) {
    study s("name,type,other,text\nABCDEFGH,7,0,eight\n",
            "respondent,sequence,complete,ABCDEFGH[1],ABCDEFGH[254],ABCDEFGH[255]\n"
            "2147483647,65535,1,one,,last\n"
            "0,0,0,,before,\n");
    EXPECT_EQ((transcript{"2147483647/65535 t7 r1: [one]", "2147483647/65535 t7 r255: [last]",
                          "2147483647/65535 t7 r0:", "0/0 t7 r254: [before]", "0/0 t7 r0:", "end -1"}),
              drive(s, "ABCDEFGH"));
}

}  // namespace
