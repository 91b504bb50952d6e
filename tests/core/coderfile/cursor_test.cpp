// The coder cursor: positioned reading of one question's records, rewrites
// in place, and the backward line scan.
#include "coderfile/cursor.h"


#include <cstdio>
#include <string>

#include "coderfile/coder_file.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

oc::cursor_ptr open_cursor(const std::string& path, const char* qname) {
    return oc::cursor_ptr(oc::open_coder_cursor(path.c_str(), qname));
}

// Overwrites `bytes` at `offset` through a handle of its own.
void patch(const std::string& path, long offset, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(nullptr, file);
    std::fseek(file, offset, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

class CursorOnThreeQuestions : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("STUDY.002");
        // Q1 with 3 records, Q5 with 100 (texts "answer 1".. "answer 100",
        // respondents 5001..5100), Q9 with 4.
        write_bytes(path, read_bytes(octest::test_data("coderfiles/STUDY.002")));
        bytes = read_bytes(path);
    }
    ScratchDir dir;
    std::string path;
    std::string bytes;
};

// With the question's first record made unreadable after positioning on
// record 80, only a rewind can fail: this shows which way each k takes.
TEST_F(CursorOnThreeQuestions, RewindsOnlyBelowThreeQuartersOfTheCurrentRecord) {
    const struct {
        std::int32_t k;
        std::int16_t result;
    } cases[] = {{1, -1}, {59, -1}, {60, 0}, {61, 0}, {79, 0}, {80, 0}, {81, 0}, {100, 0}};
    for (const auto& c : cases) {
        oc::cursor_ptr cursor = open_cursor(path, "Q5");
        ASSERT_TRUE(cursor);
        std::setvbuf(cursor->file, nullptr, _IONBF, 0);  // see the patch below at once
        oc::resp_record record;
        ASSERT_EQ(0, oc::seek_question_record(*cursor, 80, record));
        patch(path, cursor->q_first_pos, "xxxxx");
        EXPECT_EQ(c.result, oc::seek_question_record(*cursor, c.k, record)) << c.k;
        if (c.result == 0) {
            EXPECT_EQ("answer " + std::to_string(c.k), record.text);
        }
        patch(path, cursor->q_first_pos, "    1");
    }
}

TEST_F(CursorOnThreeQuestions, PastTheLastRecordAndUnknownQuestions) {
    oc::resp_record record;
    oc::cursor_ptr q5 = open_cursor(path, "Q5");
    ASSERT_EQ(0, oc::seek_question_record(*q5, 100, record));
    EXPECT_EQ(-3, oc::seek_question_record(*q5, 101, record)) << "Q9 follows";
    EXPECT_EQ("answer 100", record.text);
    EXPECT_EQ(100, q5->q_record_no);
    ASSERT_EQ(0, oc::seek_question_record(*q5, 99, record)) << "the cursor stayed on record 100";
    EXPECT_EQ("answer 99", record.text);

    oc::cursor_ptr q1 = open_cursor(path, "Q1");
    EXPECT_EQ(-3, oc::seek_question_record(*q1, 4, record));
    EXPECT_EQ("first 3", record.text);

    oc::cursor_ptr q9 = open_cursor(path, "Q9");
    ASSERT_EQ(0, oc::seek_question_record(*q9, 4, record));
    EXPECT_EQ(-4, oc::seek_question_record(*q9, 5, record)) << "last question of the file";
    EXPECT_EQ("last 4", record.text);
    EXPECT_EQ(-4, oc::seek_question_record(*q9, 0, record)) << "no record 0";

    oc::cursor_ptr other = open_cursor(path, "Q7");
    EXPECT_EQ(-2, oc::seek_question_record(*other, 1, record));
    oc::cursor_ptr cased = open_cursor(path, "q5");
    EXPECT_EQ(-2, oc::seek_question_record(*cased, 1, record)) << "names compare case-sensitively";
    EXPECT_SAME_BYTES(bytes, read_bytes(path));
}

TEST(Cursor, FileWithoutRecords) {
    ScratchDir dir;
    std::string path = dir.file("E.001");
    write_bytes(path, "E.001\r\n       24  0  0\r\nE.001\r\n        0     0\r\n    0\r\n");
    oc::cursor_ptr cursor = open_cursor(path, "Q5");
    oc::resp_record record;
    EXPECT_EQ(-4, oc::seek_question_record(*cursor, 1, record));

    write_bytes(path, "E.001\r\n        0  0  0\r\n");
    cursor = open_cursor(path, "Q5");
    EXPECT_EQ(-4, oc::seek_question_record(*cursor, 1, record)) << "trailer never written";
    EXPECT_FALSE(open_cursor(dir.file("none"), "Q5"));
    EXPECT_FALSE(open_cursor(path, "QUESTION1234")) << "name longer than the cursor holds";
}

TEST(Cursor, RewriteRefusesColumnsBeyondTheLine) {
    ScratchDir dir;
    std::string path = dir.file("ABC.001");
    write_bytes(path, read_bytes(octest::test_data("coderfiles/ABC.001")));
    const std::string before = read_bytes(path);
    oc::cursor_ptr cursor = open_cursor(path, "Q5");
    oc::resp_record record;
    ASSERT_EQ(0, oc::seek_question_record(*cursor, 2, record));
    // The second line has 3 columns and a five-character text: 10 columns
    // would run over its line end into the trailer.
    record.code_slots = 10;
    EXPECT_EQ(-1, oc::rewrite_current_record(*cursor, record));
    record.code_slots = 3;
    EXPECT_EQ(0, oc::rewrite_current_record(*cursor, record));
    cursor.reset();
    EXPECT_SAME_BYTES(before, read_bytes(path));
}

// Lines of the given lengths (line end included), each starting with its
// index so a landing place can be named.
std::string lines_of(const std::vector<std::size_t>& lengths, std::vector<long>& starts) {
    std::string bytes;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        starts.push_back(static_cast<long>(bytes.size()));
        std::string line = std::to_string(i) + std::string(lengths[i] - 2 - std::to_string(i).size(), '.') + "\r\n";
        bytes += line;
    }
    starts.push_back(static_cast<long>(bytes.size()));
    return bytes;
}

TEST(StepBackLines, AcrossBlockBoundaries) {
    const std::vector<std::vector<std::size_t>> layouts = {
        {40, 50, 60, 70, 80, 90},        {127, 128, 129, 127, 128, 129},
        {300, 260, 129, 400, 128, 3},    {3, 3, 3, 3, 3, 3},
    };
    for (const auto& lengths : layouts) {
        std::vector<long> starts;
        std::string bytes = lines_of(lengths, starts);
        ScratchDir dir;
        write_bytes(dir.file("f"), bytes);
        std::FILE* file = std::fopen(dir.file("f").c_str(), "rb");
        for (long from = 1; from <= 6; ++from) {
            for (long m = 0; m <= from; ++m) {
                ASSERT_EQ(0, std::fseek(file, starts[static_cast<std::size_t>(from)], SEEK_SET));
                // Line 0 cannot be reached: no line end lies before it.
                std::int16_t want = (from - m >= 1 || m == 0) ? 0 : -1;
                EXPECT_EQ(want, oc::step_back_lines(file, -m, 0)) << lengths[0] << " from " << from << " by " << m;
                long expected = want == 0 ? starts[static_cast<std::size_t>(from - m)] : starts[static_cast<std::size_t>(from)];
                EXPECT_EQ(expected, std::ftell(file)) << lengths[0] << " from " << from << " by " << m;
            }
        }
        std::fclose(file);
    }
}

TEST(StepBackLines, NeverBelowTheLowestOffset) {
    std::vector<long> starts;
    std::string bytes = lines_of({200, 150, 130, 300, 10}, starts);
    ScratchDir dir;
    write_bytes(dir.file("f"), bytes);
    std::FILE* file = std::fopen(dir.file("f").c_str(), "rb");
    const struct {
        long from_line, n, lowest_line;
        std::int16_t result;
        long to_line;
    } cases[] = {
        {4, -1, 1, 0, 3}, {4, -2, 1, 0, 2}, {4, -3, 1, -1, 4},  // line 1 itself needs the line end before it
        {4, -2, 2, -1, 4}, {4, -1, 2, 0, 3}, {2, 0, 2, -1, 2},  // already at the lowest offset
        {3, 1, 0, -1, 3},                                         // forwards is no step back
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, std::fseek(file, starts[static_cast<std::size_t>(c.from_line)], SEEK_SET));
        EXPECT_EQ(c.result, oc::step_back_lines(file, c.n, starts[static_cast<std::size_t>(c.lowest_line)]))
            << c.from_line << " " << c.n << " " << c.lowest_line;
        EXPECT_EQ(starts[static_cast<std::size_t>(c.to_line)], std::ftell(file));
    }
    std::fclose(file);
}

TEST(Cursor, RecordsLongerThanABlock) {
    ScratchDir dir;
    std::string path = dir.file("L.001");
    write_bytes(path, read_bytes(octest::test_data("coderfiles/L.001")));  // texts of 100 + 30k characters
    oc::cursor_ptr cursor = open_cursor(path, "QL");
    oc::resp_record record;
    for (std::int32_t k : {16, 13, 12, 20, 15, 15, 2, 3, 4}) {
        ASSERT_EQ(0, oc::seek_question_record(*cursor, k, record)) << k;
        EXPECT_EQ(k, record.respondent) << k;
        EXPECT_EQ(static_cast<std::size_t>(100 + 30 * k), record.text.size()) << k;
    }
}

}  // namespace
