// Matching through the copy of the .idx gives the same files as reading the
// .idx for every record, and a copy that no longer fits the file is not used.
#include <random>

#include "merge_fixture.h"

namespace {

using namespace mergetest;

class IndexedMatching : public MergeStudy {
protected:
    // A second copy of the study, for the reference run.
    void SetUp() override {
        MergeStudy::SetUp();
        octest::fs::copy_file("S.idx", "R.idx");
        octest::fs::copy_file("S.DAT", "R.DAT");
        octest::fs::copy_file("S.lbl", "R.lbl");
    }
    std::int16_t reference(std::int32_t respondent, std::uint16_t sequence, const oc::coded_var& v, bool by_respondent) {
        return oc::AppendCodedVariable(respondent, sequence, {v}, "R.DAT", "R.idx", by_respondent,
                                       [this](const std::string& text) { reference_warnings.push_back(text); });
    }
    std::vector<std::string> reference_warnings;
};

TEST_F(IndexedMatching, SameResultsAndBytesAsTheScanOverManyAppends) {
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        std::int32_t respondent = 6 + static_cast<std::int32_t>(random() % 5);  // 6 and 10 have no data
        auto sequence = static_cast<std::uint16_t>(1 + random() % 3);
        bool by_respondent = random() % 4 == 0;
        oc::coded_var v = var(i % 2 ? "#Q5" : "Q7", static_cast<std::uint16_t>(random() % 4),
                              {std::to_string(i), std::string(random() % 3, 'z')});
        std::int16_t expected = reference(respondent, sequence, v, by_respondent);
        ASSERT_EQ(expected, append(respondent, sequence, v, by_respondent, &index)) << i;
    }
    EXPECT_SAME_BYTES(read_bytes("R.idx"), read_bytes("S.idx"));
    EXPECT_SAME_BYTES(read_bytes("R.DAT"), read_bytes("S.DAT"));
    EXPECT_EQ(reference_warnings, warnings);
    EXPECT_EQ(read_bytes("S.idx").size(), index.file_size());
}

TEST_F(IndexedMatching, ACopyThatNoLongerFitsTheFileIsNotUsed) {
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    // Written behind the copy's back: respondent 9 gets a version.
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"1"})));
    ASSERT_EQ(0, reference(9, 1, var("Q5", 0, {"1"}), false));
    ASSERT_EQ(0, append(9, 1, var("Q5", 0, {"2"}), false, &index));
    ASSERT_EQ(0, reference(9, 1, var("Q5", 0, {"2"}), false));
    EXPECT_SAME_BYTES(read_bytes("R.idx"), read_bytes("S.idx"));
    EXPECT_SAME_BYTES(read_bytes("R.DAT"), read_bytes("S.DAT"));
}

TEST_F(IndexedMatching, UnreadableIndexesAreNotLoaded) {
    oc::study_index index;
    EXPECT_FALSE(index.load("missing.idx"));
    std::string idx = read_bytes("S.idx");
    octest::write_bytes("S.idx", idx + "\x01");  // a partial entry at the end
    EXPECT_FALSE(index.load("S.idx"));
    EXPECT_FALSE(index.loaded());
    idx[0] = 0;
    octest::write_bytes("S.idx", idx);
    EXPECT_FALSE(index.load("S.idx"));
    octest::write_bytes("S.idx", "\xED\xED\xED\xED");
    EXPECT_TRUE(index.load("S.idx"));
    EXPECT_FALSE(index.find_first(7, 1, true));
}

}  // namespace
