// Record lines: the field scanner against sscanf with the format it stands
// in for, and whole lines read against a character-by-character model.

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "coderfile/coder_file.h"
#include "coderfile/field_scan.h"
#include "coderfile/text_stream.h"
#include "test_support.h"

namespace {

using octest::file_ptr;

// Fields of sequence 12, respondent 1001, Q5, roster 0, list 1, reserved 0
// and the given codes_count: the 38 characters coding writes.
std::string fields(int codes_count) {
    char text[64];
    std::snprintf(text, sizeof text, "   12      1001       Q5   0   1  0 %2d", codes_count);
    return text;
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
