// Coding identical answers at once: which answers are the same, how they
// group, and codes written into many records and taken back.
#include <string>
#include <vector>

#include "coderfile/cursor.h"
#include "coderfile/discovery.h"
#include "engines/groups/answer_groups.h"
#include "engines/groups/code_writes.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

TEST(AnswerGroups, TheSameAnswer) {
    const struct {
        const char* typed;
        const char* normal;
    } cases[] = {
        {"  Less   Plastic!! ", "less plastic"},
        {"less plastic", "less plastic"},
        {"\tnothing ,;: .\r\n", "nothing"},
        {"Don't know.", "don't know"},
        {"a . b?", "a . b"},
        {"?!", ""},
        {"70", "70"},
        {"CAF\xC3\x89 CR\xC3\x88ME", "caf\xC3\xA9 cr\xC3\xA8me"},                     // É È
        {"Stra\xC3\x9F" "e", "strasse"},                                                 // ß folds to ss
        {"STRASSE", "strasse"},
        {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x83"},  // ΣΟΦΟΣ
        {"\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x82", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x83"},  // final sigma
        {"\xD0\xA2\xD0\x95\xD0\x9A\xD0\xA1\xD0\xA2", "\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82"},  // ТЕКСТ
        {"\xEF\xBC\xA1\xEF\xBC\xA2", "\xEF\xBD\x81\xEF\xBD\x82"},                          // fullwidth AB: three bytes each
        {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},                                          // Deseret: four bytes
        {"a\xC2\xA0\xC2\xA0 b", "a b"},                                                  // no-break spaces
        {"\xFF" "AB\xC3", "\xFF" "ab\xC3"},                                              // not UTF-8: kept
    };
    for (const auto& c : cases) EXPECT_EQ(c.normal, oc::normalise_answer(c.typed)) << c.typed;
}

TEST(AnswerGroups, LargestFirstThenByAnswerEachRecordInItsGroup) {
    std::vector<oc::question_record> records;
    for (const char* text : {"b", "A!", "c", "a", "B.", "a ", "c"}) records.push_back({1, 1, 0, 1, {}, text});
    records[1].codes = {4};
    records[3].codes = {4, 5};
    const oc::question_groups grouped = oc::group_answers(records);
    ASSERT_EQ(3u, grouped.groups.size());
    EXPECT_EQ("a", grouped.groups[0].answer);
    EXPECT_EQ((std::vector<std::int32_t>{2, 4, 6}), grouped.groups[0].records);
    EXPECT_EQ(2, grouped.groups[0].coded);
    EXPECT_EQ("b", grouped.groups[1].answer);  // two records, before "c" by its answer
    EXPECT_EQ("c", grouped.groups[2].answer);
    EXPECT_EQ((std::vector<std::size_t>{1, 0, 2, 0, 1, 0, 2}), grouped.group_of);
}

class CodeWrites : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("STUDY.002");  // Q5: 100 records, up to 3 codes of 4 digits
        write_bytes(path, read_bytes(octest::test_data("coderfiles/STUDY.002")));
        oc::loaded_coder_file file;
        ASSERT_TRUE(oc::load_coder_questions(path, file));
        q5 = file.questions[1];
        cursor.reset(oc::open_coder_cursor(path.c_str(), "Q5"));
        ASSERT_TRUE(cursor);
        std::setvbuf(cursor->file, nullptr, _IONBF, 0);  // every write on disk at once
    }
    // What saving `writes` one by one through the cursor would leave.
    std::string one_by_one(const std::vector<oc::record_codes>& writes) {
        ScratchDir other;
        const std::string copy = other.file("STUDY.002");
        write_bytes(copy, read_bytes(octest::test_data("coderfiles/STUDY.002")));
        for (const oc::record_codes& write : writes) {
            oc::cursor_ptr single(oc::open_coder_cursor(copy.c_str(), "Q5"));
            oc::resp_record record;
            EXPECT_EQ(0, oc::seek_question_record(*single, write.record, record));
            record.code_slots = 3;
            record.codes.fill(-1);
            std::copy(write.codes.begin(), write.codes.end(), record.codes.begin());
            record.codes_count = static_cast<std::uint8_t>(write.codes.size());
            EXPECT_EQ(0, oc::rewrite_current_record(*single, record));
        }
        return read_bytes(copy);
    }
    ScratchDir dir;
    std::string path;
    oc::quest_spec q5;
    oc::cursor_ptr cursor;
};

TEST_F(CodeWrites, ManyRecordsInOnePassAsSavedOneByOne) {
    const std::vector<oc::record_codes> writes = {{90, {7}}, {3, {12, 9999, 1}}, {40, {5}}};
    std::vector<oc::record_codes> before;
    ASSERT_FALSE(oc::write_codes(*cursor, q5, writes, before));
    EXPECT_SAME_BYTES(one_by_one(writes), read_bytes(path));
    EXPECT_EQ(90, q5.last_record_coded);
    EXPECT_EQ((std::vector<oc::record_codes>{{3, {}}, {40, {}}, {90, {}}}), before);
    // Codes the question cannot hold write nothing.
    const std::string written = read_bytes(path);
    for (const auto& bad : std::vector<oc::record_codes>{{5, {1, 2, 3, 4}}, {5, {0}}, {5, {10000}}})
        EXPECT_TRUE(oc::write_codes(*cursor, q5, {{4, {1}}, bad}, before));
    EXPECT_SAME_BYTES(written, read_bytes(path));
}

TEST_F(CodeWrites, UndoAndRedoGiveBackEachStateByteForByte) {
    const std::string fresh = read_bytes(path);
    oc::coding_history history;
    auto save = [&](std::vector<oc::record_codes> writes) {
        oc::coding_step step;
        step.last_coded_before = q5.last_record_coded;
        step.after = writes;
        ASSERT_FALSE(oc::write_codes(*cursor, q5, std::move(writes), step.before));
        step.last_coded_after = q5.last_record_coded;
        history.record(step);
    };
    save({{10, {4}}});
    const std::string one = read_bytes(path);
    save({{2, {8}}, {10, {9}}, {60, {1, 2}}});  // as an apply to all
    const std::string two = read_bytes(path);
    std::int32_t shown = 0;
    ASSERT_FALSE(history.undo(*cursor, q5, shown));
    EXPECT_SAME_BYTES(one, read_bytes(path));
    EXPECT_EQ(2, shown);
    EXPECT_EQ(10, q5.last_record_coded);
    ASSERT_FALSE(history.undo(*cursor, q5, shown));
    EXPECT_SAME_BYTES(fresh, read_bytes(path));
    EXPECT_EQ(0, q5.last_record_coded);
    EXPECT_FALSE(history.can_undo());
    ASSERT_FALSE(history.redo(*cursor, q5, shown));
    ASSERT_FALSE(history.redo(*cursor, q5, shown));
    EXPECT_SAME_BYTES(two, read_bytes(path));
    EXPECT_EQ(60, q5.last_record_coded);
    // A new save after an undo drops what was taken back.
    ASSERT_FALSE(history.undo(*cursor, q5, shown));
    save({{1, {3}}});
    EXPECT_FALSE(history.can_redo());
    // The oldest saves go beyond the levels kept.
    for (std::size_t i = 0; i < oc::coding_history::kLevels + 5; ++i) save({{5, {static_cast<std::int16_t>(i % 50 + 1)}}});
    std::size_t undone = 0;
    while (history.can_undo() && !history.undo(*cursor, q5, shown)) ++undone;
    EXPECT_EQ(oc::coding_history::kLevels, undone);
}

}  // namespace
