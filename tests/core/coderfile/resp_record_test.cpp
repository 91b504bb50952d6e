// Record lines: reading fields, code columns and text; rewriting the code
// columns in place.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "coder_file_builder.h"
#include "coderfile/coder_file.h"
#include "coderfile/field_scan.h"
#include "coderfile/text_stream.h"
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

// The field scanner against the C library's sscanf with the format it
// stands in for: fields at and past their widths, signs, every kind of
// white space, NUL, names of 0 to 10 characters, lines that end early.
TEST(RecordFields, ReadAsSscanfReadsThem) {
    std::mt19937 random(5);
    auto pick = [&](const std::string& from) { return from[random() % from.size()]; };
    const std::string space(" \t\n\v\f\r"), digits("0123456789"), junk(std::string("+-#Qx\xE9 ") + '\0');
    std::vector<std::string> cases{fields(2), fields(30), "", "    1", "1 2 Q 3 4 5 6", "-1 +2 Q -0 +0 -9 99",
                                   "123456 1234567890 ABCDEFGHIJ 1234 1 1 1", "1 2 Q 3 4 5 -", "1 2 Q 3 4 5 +x"};
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        int tokens = 1 + static_cast<int>(random() % 8);
        for (int t = 0; t < tokens; ++t) {
            for (int n = static_cast<int>(random() % 4); n > 0; --n) text += pick(space);
            if (random() % 4 == 0) text += pick("+-");
            for (int n = static_cast<int>(random() % 12); n > 0; --n)
                text += t == 2 && random() % 2 ? pick("QAZ#_") : pick(digits);
            if (random() % 16 == 0) text += pick(junk);
        }
        cases.push_back(text.substr(0, 80));  // a record line's first 80 characters hold its fields
    }
    for (const std::string& text : cases) {
        long expected[6] = {};
        char qname[oc::kMaxQuestionName + 1] = {};
        int consumed = -1;
        int converted = std::sscanf(text.c_str(), "%5ld %9ld %8s %3ld %3ld %2ld %2ld%n", &expected[0], &expected[1],
                                    qname, &expected[2], &expected[3], &expected[4], &expected[5], &consumed);
        oc::detail::record_fields got;
        bool scanned = oc::detail::scan_record_fields(text, got);
        ASSERT_EQ(converted == 7, scanned) << '"' << text << '"';
        if (!scanned) continue;
        long actual[6] = {got.sequence, got.respondent, got.roster, got.list_no, got.reserved, got.codes_count};
        for (int f = 0; f < 6; ++f) ASSERT_EQ(expected[f], actual[f]) << '"' << text << "\" field " << f;
        ASSERT_STREQ(qname, got.qname) << '"' << text << '"';
        ASSERT_EQ(static_cast<std::size_t>(consumed), got.consumed) << '"' << text << '"';
    }

    // The trailer's respondent numbers: fscanf(file, "%5ld %9ld") pair after
    // pair, against the stream reader on a copy, to the first failure.
    for (int stream = 0; stream < 200; ++stream) {
        std::string all;
        for (int n = static_cast<int>(random() % 60); n > 0; --n) {
            for (int w = static_cast<int>(random() % 3); w > 0; --w) all += pick(space);
            if (random() % 8 == 0) all += pick("+-");
            for (int d = 1 + static_cast<int>(random() % 11); d > 0; --d) all += pick(digits);
        }
        if (random() % 2) all += pick(junk);
        file_ptr expected_file(std::tmpfile()), actual_file(std::tmpfile());
        for (std::FILE* f : {expected_file.get(), actual_file.get()}) {
            ASSERT_EQ(all.size(), std::fwrite(all.data(), 1, all.size(), f));
            std::rewind(f);
        }
        oc::detail::stream_numbers numbers(actual_file.get());
        for (int pair = 0;; ++pair) {
            long expected[2] = {}, actual[2] = {};
            bool read = std::fscanf(expected_file.get(), "%5ld %9ld", &expected[0], &expected[1]) == 2;
            bool scanned = numbers.number(5, actual[0]) && numbers.number(9, actual[1]);
            ASSERT_EQ(read, scanned) << '"' << all << "\" pair " << pair;
            if (!read) break;
            ASSERT_EQ(expected[0], actual[0]) << '"' << all << "\" pair " << pair;
            ASSERT_EQ(expected[1], actual[1]) << '"' << all << "\" pair " << pair;
            ASSERT_EQ(std::ftell(expected_file.get()), std::ftell(actual_file.get())) << '"' << all << '"';
        }
    }
}

// Whole lines as text_getc reads them a character at a time: CR LF as one
// LF, a lone CR kept, NUL inside a line, lines past the limit cut with their
// end kept, a last line without an end; each read leaving the stream at the
// start of the next line.
TEST(RecordLines, ReadAsCharacterByCharacter) {
    std::mt19937 random(3);
    const std::string chars = std::string("ab \r\n\r\n") + '\0';
    for (int round = 0; round < 300; ++round) {
        const std::size_t max = 1 + random() % 40;
        std::string all;
        for (int n = static_cast<int>(random() % 400); n > 0; --n)
            all += random() % 4 ? 'x' : chars[random() % chars.size()];
        file_ptr file(std::tmpfile());
        ASSERT_EQ(all.size(), std::fwrite(all.data(), 1, all.size(), file.get()));
        std::rewind(file.get());
        std::size_t at = 0;  // where the reference is in `all`
        for (;;) {
            std::string expected;
            bool cut = false;
            while (at < all.size()) {
                char c = all[at++];
                if (c == '\r' && at < all.size() && all[at] == '\n') c = all[at++];
                if (expected.size() < max) expected += c;
                else cut = true;
                if (c == '\n') break;
            }
            if (cut && !expected.empty() && expected.back() != '\n' && at > 0 && all[at - 1] == '\n') expected += '\n';
            std::vector<char> buffer(max + 2);
            std::size_t got = oc::detail::read_line(file.get(), buffer.data(), max);
            ASSERT_EQ(expected, std::string(buffer.data(), got)) << "round " << round << " max " << max;
            ASSERT_EQ(static_cast<long>(at), std::ftell(file.get())) << "round " << round;
            if (got == 0) break;
        }
    }
}

}  // namespace
