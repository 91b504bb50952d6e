// The extraction engine where the tool cannot reach it (its coder files,
// listings and refusals: the extract scenarios).
#include <string>

#include "engines/extract/extract_engine.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::read_bytes;

// Study S imported from `data` (question Q5, and Q3 in a loop), current
// directory; each run writes coder file `path` from every answer of
// question `name` among the respondents from `min` to `max`.
class Extract : public ::testing::Test {
protected:
    void import(const std::string& data) {
        octest::import_study_s(dir, "name,type,other,text\r\nQ3,7,0,Brand?\r\nQ5,7,0,Why?\r\n", data);
    }
    std::int16_t run(const std::string& path, const char* name, std::uint32_t min = 0, std::uint32_t max = 0,
                     bool check = false) {
        oc::quest_list questions(1);
        std::snprintf(questions[0].name, sizeof questions[0].name, "%s", name);
        questions[0].code_width = questions[0].max_codes = 1;
        oc::extract_request request;
        request.coder_path = path;
        request.include_data = oc::data_all;
        request.questions = &questions;
        request.question_count = 1;
        request.min_respondent = min;
        request.max_respondent = max;
        return oc::extract_responses(request, check, "S.DAT", "S.idx", "S.cdl", "S.cdb");
    }
    octest::ScratchDir dir;
};

TEST_F(Extract, SameNameReplacesTheFirstEntryAndKeepsABackup) {
    import("respondent,sequence,complete,Q3[1],Q3[2],Q5\r\n1,,1,r1,,a\r\n2,,0,r2|again,second,\r\n3,,1,,r3,\r\n"
           "4,,1,r4,,b\r\n");
    ASSERT_EQ(oc::kExtractWritten, run("S.001", "Q3"));
    ASSERT_EQ(oc::kExtractWritten, run("S.002", "Q3"));
    const std::string two_entries = read_bytes("S.cdl");
    ASSERT_EQ(oc::kExtractWritten, run("s.001", "Q3", 4, 4));  // same name, other case
    EXPECT_SAME_BYTES(two_entries, read_bytes("S.cdb"));
    const std::string list = read_bytes("S.cdl");
    EXPECT_EQ(two_entries.size() - 3 * 8, list.size());  // the new entry lists one respondent instead of four
    EXPECT_EQ(2, list[0]);
    EXPECT_EQ("s.001", list.substr(4, 5));
    for (const auto& entry : octest::fs::directory_iterator("."))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".oc-tmp.")) << entry.path();
}

// Coder paths of more than 255 characters are refused, not cut; the coder
// list reads arrays of at most 8188 entries back, so a coder file with more
// respondents must not be made.
TEST_F(Extract, LimitsOfPathsAndOfTheCoderList) {
    std::string data = "respondent,sequence,complete,Q3[1],Q5\r\n";
    for (int r = 1; r <= 8189; ++r) data += std::to_string(r) + ",1,1,,a\r\n";
    import(data);
    EXPECT_EQ(oc::kExtractWritten, run(std::string(252, 'x') + ".01", "Q5", 1, 1));
    EXPECT_EQ(oc::kExtractFailed, run(std::string(253, 'x') + ".01", "Q5", 1, 1));
    EXPECT_FALSE(octest::fs::exists(std::string(253, 'x') + ".0"));
    EXPECT_EQ(oc::kExtractWritten, run("S.001", "Q5", 1, 8188));
    EXPECT_EQ(oc::kExtractAlreadyCoded, run("S.003", "Q5", 0, 0, true));  // the list still reads back
    EXPECT_EQ(oc::kExtractFailed, run("S.002", "Q5", 1, 8189));
    EXPECT_FALSE(octest::fs::exists("S.002"));
}

}  // namespace
