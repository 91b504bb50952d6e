// Record lines: reading fields, code columns and text; rewriting the code
// columns in place.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "coder_file_builder.h"
#include "coderfile/coder_file.h"
#include "test_support.h"

namespace {

using octest::file_ptr;
using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

// Fields of sequence 12, respondent 1001, Q5, roster 0, list 1, reserved 0
// and the given codes_count: the 38 characters coding writes.
std::string fields(int codes_count) {
    char text[64];
    std::snprintf(text, sizeof text, "   12      1001       Q5   0   1  0 %2d", codes_count);
    return text;
}

std::string column(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "%5d", code);
    return text;
}

// Reads the first record of `bytes`, then checks the position is the next line.
std::int16_t read_first(const std::string& bytes, oc::resp_record& record, long* end = nullptr) {
    ScratchDir dir;
    write_bytes(dir.file("r"), bytes);
    file_ptr file(std::fopen(dir.file("r").c_str(), "rb"));
    std::int16_t result = oc::read_resp_record(file.get(), record);
    if (end != nullptr) *end = std::ftell(file.get());
    return result;
}

TEST(RespRecord, ReadsFieldsCodesAndText) {
    oc::resp_record record;
    record.code_slots = 3;
    record.action = 1;
    std::string line = fields(2) + column(4) + column(17) + "     " + " too expensive\r\n";
    long end = 0;
    ASSERT_EQ(0, read_first(line + "next", record, &end));
    EXPECT_EQ(static_cast<long>(line.size()), end);
    EXPECT_EQ(12, record.sequence);
    EXPECT_EQ(1001, record.respondent);
    EXPECT_STREQ("Q5", record.qname);
    EXPECT_EQ(0, record.roster);
    EXPECT_EQ(1, record.list_no);
    EXPECT_EQ(0, record.reserved);
    EXPECT_EQ(2, record.codes_count);
    EXPECT_EQ(4, record.codes[0]);
    EXPECT_EQ(17, record.codes[1]);
    for (int i = 2; i < oc::kMaxCodes; ++i) EXPECT_EQ(-1, record.codes[static_cast<std::size_t>(i)]);
    EXPECT_EQ("too expensive", record.text);
    EXPECT_EQ(3, record.code_slots);  // never changed by reading
    EXPECT_EQ(1, record.action);
}

TEST(RespRecord, CodeColumnsAndTheirRefusals) {
    const struct {
        const char* what;
        std::string line;
        std::int16_t result;
        std::int16_t code0, code1;
        const char* text;
    } cases[] = {
        {"blank column within codes_count", fields(2) + "     " + column(17) + "      t\r\n", 0, -1, 17, "t"},
        {"9999", fields(1) + column(9999) + " t\r\n", 0, 9999, -1, "t"},
        {"letter in a column", fields(2) + "   1x" + column(17) + " t\r\n", -1, 0, 0, ""},
        {"letter leading the digits", fields(1) + "  a12" + " t\r\n", -1, 0, 0, ""},
        {"line ends inside a column", fields(2) + column(4) + "  1\r\n", -1, 0, 0, ""},
        {"file ends inside a column", fields(1) + "  4", -1, 0, 0, ""},
        {"codes_count 31", fields(31) + std::string(155, ' ') + " t\r\n", -1, 0, 0, ""},
        {"no codes, empty text", fields(0) + "      \r\n", 0, -1, -1, ""},
        {"codes fill the line", fields(1) + column(3) + "\r\n", 0, 3, -1, ""},
        {"LF line end", fields(1) + column(3) + " text\n", 0, 3, -1, "text"},
        {"text at end of file without line end", fields(0) + "   x", 0, -1, -1, "x"},
        {"blank line at end of file", fields(0) + "     ", -1, 0, 0, ""},
        {"fields run into the next line", "   12      1001       Q5   0   1\r\n  0  0 some text here\r\n", -1, 0, 0,
         ""},
    };
    for (const auto& c : cases) {
        oc::resp_record record;
        EXPECT_EQ(c.result, read_first(c.line, record)) << c.what;
        if (c.result != 0) continue;
        EXPECT_EQ(c.code0, record.codes[0]) << c.what;
        EXPECT_EQ(c.code1, record.codes[1]) << c.what;
        EXPECT_EQ(c.text, record.text) << c.what;
    }
}

TEST(RespRecord, LinesUnderThirtyCharactersAreRefused) {
    // Fields converted compactly, padded; the line end counts as one.
    const std::string compact = "1 2 Q 0 1 0 0";
    for (std::size_t visible : {28u, 29u, 30u}) {
        std::string line = compact + std::string(visible - compact.size() - 1, ' ') + "x\r\n";
        ASSERT_EQ(visible, line.size() - 2);
        oc::resp_record record;
        EXPECT_EQ(visible < 29 ? -1 : 0, read_first(line, record)) << visible;
        if (visible >= 29) {
            EXPECT_EQ("x", record.text);
        }
    }
    oc::resp_record record;
    EXPECT_EQ(-1, read_first("ABC.001\r\n        2     2\r\n", record));
}

TEST(RespRecord, TextsAroundTheEightHundredLimit) {
    const std::string next = fields(0) + " next\r\n";
    for (std::size_t length : {799u, 800u, 801u, 1500u}) {
        std::string text(length, 'a');
        text[0] = 'B';
        std::string line = fields(0) + " " + text + "\r\n";
        ScratchDir dir;
        write_bytes(dir.file("r"), line + next);
        file_ptr file(std::fopen(dir.file("r").c_str(), "rb"));
        oc::resp_record record;
        ASSERT_EQ(0, oc::read_resp_record(file.get(), record)) << length;
        EXPECT_EQ(text.substr(0, 800), record.text) << length;
        // The next read starts on the next line, whatever the length.
        EXPECT_EQ(static_cast<long>(line.size()), std::ftell(file.get())) << length;
        ASSERT_EQ(0, oc::read_resp_record(file.get(), record)) << length;
        EXPECT_EQ("next", record.text);
    }
}

struct rewrite_case {
    const char* what;
    int codes;
};

TEST(RespRecord, RewriteKeepsLineLengthAndText) {
    const rewrite_case cases[] = {{"no codes", 0}, {"some codes", 2}, {"29 codes", 29}, {"all 30 codes", 30}};
    for (const rewrite_case& c : cases) {
        ScratchDir dir;
        std::string path = dir.file("R.001");
        octest::built_question q{"Q7", 0, 4, 30, {{12, 1001, "first text"}, {13, 1002, "second text"}}};
        ASSERT_TRUE(octest::build_coder_file(path, octest::built_file{"R.001", 0, 0, {q}}));
        const std::string before = read_bytes(path);
        const long second = static_cast<long>(before.find("   13      1002"));
        ASSERT_EQ(7 + 17 + 38 + 150 + 1 + 10 + 2, second);

        file_ptr file(std::fopen(path.c_str(), "r+b"));
        ASSERT_EQ(0, std::fseek(file.get(), second, SEEK_SET));
        oc::resp_record record;
        ASSERT_EQ(0, oc::read_resp_record(file.get(), record));
        ASSERT_EQ("second text", record.text);
        record.code_slots = 30;
        record.codes_count = static_cast<std::uint8_t>(c.codes);
        std::string columns;
        for (int i = 0; i < c.codes; ++i) {
            record.codes[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i == 0 ? 9999 : 100 + i);
            columns += column(record.codes[static_cast<std::size_t>(i)]);
        }
        columns.append(5u * static_cast<std::size_t>(30 - c.codes), ' ');
        ASSERT_EQ(0, std::fseek(file.get(), second, SEEK_SET));
        EXPECT_EQ(0, oc::write_resp_record(file.get(), record)) << c.what;
        EXPECT_EQ(second + 38 + 150, std::ftell(file.get())) << c.what;

        ASSERT_EQ(0, std::fseek(file.get(), second, SEEK_SET));
        oc::resp_record again;
        ASSERT_EQ(0, oc::read_resp_record(file.get(), again)) << c.what;
        EXPECT_EQ(c.codes, again.codes_count);
        for (int i = 0; i < oc::kMaxCodes; ++i)
            EXPECT_EQ(i < c.codes ? record.codes[static_cast<std::size_t>(i)] : -1, again.codes[static_cast<std::size_t>(i)]);
        EXPECT_EQ("second text", again.text);
        file.reset();

        std::string expected = before;
        char head[64];
        std::snprintf(head, sizeof head, "   13      1002       Q7   0   1  0 %2d", c.codes);
        expected.replace(static_cast<std::size_t>(second), 38 + 150, std::string(head) + columns);
        EXPECT_SAME_BYTES(expected, read_bytes(path)) << c.what;
    }
}

TEST(RespRecord, WriteRefusesWhatWouldNotFit) {
    const struct {
        const char* what;
        std::uint8_t slots, count;
        const char* qname;
        std::int32_t respondent;
        std::int16_t code;
        std::int16_t result;
    } cases[] = {
        {"fits", 3, 2, "Q5", 1001, 17, 0},
        {"more codes than columns", 3, 4, "Q5", 1001, 17, -1},
        {"30 columns", 30, 30, "Q5", 1001, 17, 0},
        {"31 columns", 31, 0, "Q5", 1001, 17, -1},
        {"name of 8", 3, 2, "Q2345678", 1001, 17, 0},
        {"name of 9", 3, 2, "Q23456789", 1001, 17, -1},
        {"empty name", 3, 2, "", 1001, 17, -1},
        {"respondent of 9 digits", 3, 2, "Q5", 999999999, 17, 0},
        {"respondent of 10 digits", 3, 2, "Q5", 1000000000, 17, -1},
        // A column reads back from its last four characters.
        {"code 0", 3, 2, "Q5", 1001, 0, 0},
        {"code 9999", 3, 2, "Q5", 1001, 9999, 0},
        {"code 10000", 3, 2, "Q5", 1001, 10000, -1},
        {"code -1 (blank column)", 3, 2, "Q5", 1001, -1, -1},
        {"code -9999", 3, 2, "Q5", 1001, -9999, -1},
        {"blank code past codes_count", 3, 0, "Q5", 1001, -1, 0},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        std::string path = dir.file("w");
        file_ptr file(std::fopen(path.c_str(), "w+b"));
        oc::resp_record record;
        record.sequence = 12;
        record.respondent = c.respondent;
        std::strcpy(record.qname, c.qname);
        record.code_slots = c.slots;
        record.codes_count = c.count;
        record.codes.fill(c.code);
        EXPECT_EQ(c.result, oc::write_resp_record(file.get(), record)) << c.what;
        file.reset();
        std::size_t size = read_bytes(path).size();
        EXPECT_EQ(c.result == 0 ? 38u + 5u * c.slots : 0u, size) << c.what;
    }
}

}  // namespace
