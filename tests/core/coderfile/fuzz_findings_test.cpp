// Inputs found by fuzzing the cursor, each with the result it must give.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "coder_file_builder.h"
#include "coderfile/coder_file.h"
#include "coderfile/cursor.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

// Q1 with records "first 1" to "first 4" (respondents 1001..1004).
octest::built_question four_first_records() {
    octest::built_question q1{"Q1", 0, 1, 3, {}};
    for (int i = 1; i <= 4; ++i) q1.records.push_back({static_cast<std::uint16_t>(i), 1000 + i, "first " + std::to_string(i)});
    return q1;
}

// Q1 with records "first 1" to "first 4", the third made unreadable (a
// letter where the sequence number starts), then Q3 with two records.
class CursorPastUnreadableLine : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("S.001");
        octest::built_question q1 = four_first_records();
        octest::built_question q3{"Q3", 1, 4, 1, {{1, 1001, "on offer"}, {2, 1002, "only one left"}}};
        ASSERT_TRUE(octest::build_coder_file(path, octest::built_file{"S.001", 0, 0, {q1, q3}}));
        std::string bytes = read_bytes(path);
        third = static_cast<long>(bytes.rfind('\n', bytes.find(" first 3\r\n")) + 1);
        bytes[static_cast<std::size_t>(third)] = ':';
        write_bytes(path, bytes);
        damaged = bytes;
    }

    oc::resp_record seek(oc::coder_cursor& cursor, std::int32_t k, std::int16_t expected) {
        oc::resp_record record;
        EXPECT_EQ(expected, oc::seek_question_record(cursor, k, record)) << k;
        return record;
    }

    ScratchDir dir;
    std::string path;
    std::string damaged;
    long third = 0;
};

// The fuzzer's case: the first search for Q3 stops at the damaged line;
// a second one used to go on from behind it and find Q3.
TEST_F(CursorPastUnreadableLine, SearchFailsAgainOnRetry) {
    oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), "Q3"));
    ASSERT_TRUE(cursor);
    seek(*cursor, 1, -1);
    long position = std::ftell(cursor->file);
    seek(*cursor, 2, -1);
    EXPECT_EQ(position, std::ftell(cursor->file));
    EXPECT_EQ(-1, cursor->q_record_no);
}

// Forward past the damaged record: the retry must fail too, not give
// "first 4" as record 3 (and a rewrite must not land on another line).
TEST_F(CursorPastUnreadableLine, ForwardFailsAgainAndLeavesCursorOnItsRecord) {
    oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), "Q1"));
    ASSERT_TRUE(cursor);
    oc::resp_record record = seek(*cursor, 2, 0);
    ASSERT_EQ("first 2", record.text);
    const long second = cursor->cur_pos;
    record.text = "kept";
    EXPECT_EQ(-1, oc::seek_question_record(*cursor, 4, record));
    EXPECT_EQ("kept", record.text);
    EXPECT_EQ(2, cursor->q_record_no);
    EXPECT_EQ(second, cursor->cur_pos);
    seek(*cursor, 3, -1);
    seek(*cursor, 4, -1);
    EXPECT_EQ("first 2", seek(*cursor, 2, 0).text);
    EXPECT_EQ("first 1", seek(*cursor, 1, 0).text);
    EXPECT_SAME_BYTES(damaged, read_bytes(path));
}

// Back from record 4 onto the damaged record 3: the failed step used to
// move the rewrite position onto line 3, so saving record 4's codes wrote
// record 4's fields over line 3.
TEST_F(CursorPastUnreadableLine, FailedStepBackKeepsTheRewriteOnTheRecordShown) {
    // Reach record 4 before the damage, then damage record 3.
    std::string bytes = damaged;
    bytes[static_cast<std::size_t>(third)] = ' ';
    write_bytes(path, bytes);
    oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), "Q1"));
    ASSERT_TRUE(cursor);
    oc::resp_record record = seek(*cursor, 4, 0);
    ASSERT_EQ("first 4", record.text);
    const long fourth = cursor->cur_pos;
    // Damaged through the cursor's own stream, which may hold the old bytes.
    const long position = std::ftell(cursor->file);
    ASSERT_EQ(0, std::fseek(cursor->file, third, SEEK_SET));
    ASSERT_EQ(':', std::fputc(':', cursor->file));
    ASSERT_EQ(0, std::fseek(cursor->file, position, SEEK_SET));

    EXPECT_EQ(-1, oc::seek_question_record(*cursor, 3, record));
    EXPECT_EQ(fourth, cursor->cur_pos);
    EXPECT_EQ(4, cursor->q_record_no);
    record.code_slots = 3;
    record.codes_count = 1;
    record.codes[0] = 7;
    ASSERT_EQ(0, oc::rewrite_current_record(*cursor, record));
    cursor.reset();

    std::string expected = damaged;
    expected.replace(static_cast<std::size_t>(fourth), 38 + 15,
                     "    4      1004       Q1   0   1  0  1    7          ");
    EXPECT_SAME_BYTES(expected, read_bytes(path));
}

// The fuzzer's case: a file cut off right after its last record's text,
// so that the line has no end. Stepping back from it used to count from
// behind it and give "first 2" as record 3.
TEST(CursorFuzzFindings, StepsBackFromALastLineWithoutLineEnd) {
    ScratchDir dir;
    std::string path = dir.file("S.003");
    octest::built_question q1 = four_first_records();
    ASSERT_TRUE(octest::build_coder_file(path, octest::built_file{"S.003", 0, 0, {q1}}));
    std::string bytes = read_bytes(path);
    bytes.resize(bytes.find(" first 4\r\n") + std::strlen(" first 4"));
    write_bytes(path, bytes);

    oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), "Q1"));
    ASSERT_TRUE(cursor);
    const struct {
        std::int32_t k;
        const char* text;
    } moves[] = {{4, "first 4"}, {3, "first 3"}, {4, "first 4"}, {4, "first 4"}, {2, "first 2"}, {3, "first 3"}};
    for (const auto& m : moves) {
        oc::resp_record record;
        ASSERT_EQ(0, oc::seek_question_record(*cursor, m.k, record)) << m.k;
        EXPECT_EQ(m.text, record.text) << m.k;
        EXPECT_EQ(m.k, cursor->q_record_no);
        EXPECT_EQ(static_cast<long>(bytes.rfind('\n', bytes.find(std::string(" ") + m.text)) + 1), cursor->cur_pos);
    }
    // Past the cut there is nothing to read; the cursor stays on record 3.
    oc::resp_record record;
    EXPECT_EQ(-1, oc::seek_question_record(*cursor, 5, record));
    EXPECT_EQ(3, cursor->q_record_no);
    ASSERT_EQ(0, oc::seek_question_record(*cursor, 4, record));
    EXPECT_EQ("first 4", record.text);
    EXPECT_SAME_BYTES(bytes, read_bytes(path));
}

}  // namespace
