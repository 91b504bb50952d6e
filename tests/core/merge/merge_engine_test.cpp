// The merge engine over coder files built and coded here: the variables it
// appends, the .add file, the merged status, and where failures stop it.
#include "engines/merge/add_file.h"
#include "engines/merge/merge_engine.h"
#include "merge_fixture.h"

namespace {

using namespace mergetest;
using octest::built_file;
using octest::built_question;

std::string add_entry(const char* name, unsigned long kept, long roster, int width, int max_codes, long list_no) {
    std::string seven(name, strnlen(name, 7));
    seven.resize(7, '\0');
    return "#" + seven + le32(kept) + le32(static_cast<unsigned long>(roster)) + le16(static_cast<unsigned>(width)) +
           le16(static_cast<unsigned>(max_codes)) + le32(static_cast<unsigned long>(list_no));
}

class MergeEngine : public MergeStudy {
protected:
    oc::merge_result merge(const std::string& coder = "S.001", bool by_respondent = false) {
        return oc::MergeCoderFile("S.DAT", "S.idx", "S.cdl", coder, "S.add", by_respondent,
                                  [this](const std::string& text) { warnings.push_back(text); });
    }
    // The coder file with its status field (line 2, 10 characters in) set.
    static std::string with_status(std::string coder, const char* status) {
        coder.replace(coder.find("\r\n") + 2 + 10, 2, status);
        return coder;
    }
};

// Q7 (Replace) and Q5 (Append) in one file; uncoded records still count
// toward the .add maxima.
built_file two_question_file() {
    built_question q7{"Q7", 1, 2, 2, {{2, 7, "c d", 0, 3}, {1, 9, "e f", 0, 1}}};
    built_question q5{"Q5", 0, 3, 3, {{1, 8, "cheap", 2, 1}, {1, 8, "nice", 2, 2}, {1, 9, "fine", 3, 4}}};
    return built_file{"S.001", 0, 0, {q7, q5}};
}

TEST_F(MergeEngine, AppendsOneVersionPerCodedRecordAndMarksTheFileMerged) {
    write_coded_file(two_question_file(), {{0, 1, {12, 40}}, {1, 1, {5, 17, 230}}, {1, 2, {4}}}, "S.cdl");
    study_files before = read_study();
    std::string coder = read_bytes("S.001"), list = read_bytes("S.cdl");

    ASSERT_EQ(oc::merge_result::done, merge());

    study_files expected = expected_append(before, 44, 1, var_entry("Q7", 0, {"", "", "12"}));
    expected = expected_append(expected, 24, 1, var_entry("#Q5", 2, {"5", "17", "230"}));
    expected = expected_append(expected, newest_entry(expected.idx, 24), 1, var_entry("#2Q5", 2, {"4"}));
    EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT"));
    EXPECT_SAME_BYTES(add_entry("Q5", 0, 3, 3, 3, 4), read_bytes("S.add"));
    EXPECT_SAME_BYTES(with_status(coder, " 3"), read_bytes("S.001"));
    EXPECT_SAME_BYTES(list.replace(4 + 256, 2, le16(3)), read_bytes("S.cdl"));
    EXPECT_TRUE(warnings.empty());
}

TEST_F(MergeEngine, NamesEqualInSevenCharactersShareOneAddEntry) {
    struct row {
        const char* first;
        const char* second;
        std::string add;
    };
    for (const row& r : {
             row{"ABCDEF1", "ABCDEF2", add_entry("ABCDEF1", 0, 0, 2, 1, 1) + add_entry("ABCDEF2", 0, 1, 4, 2, 1)},
             row{"ABCDEFG1", "abcdefg2", add_entry("ABCDEFG", 0, 1, 4, 2, 1)},
             row{"ABCDEFG", "ABCDEFGH", add_entry("ABCDEFG", 0, 1, 4, 2, 1)},
         }) {
        std::remove("S.add");
        built_question a{r.first, 0, 2, 1, {{1, 9, "x", 0, 1}}};
        built_question b{r.second, 0, 4, 2, {{1, 8, "y", 1, 1}}};
        write_coded_file(built_file{"S.001", 0, 0, {a, b}}, {{0, 1, {1}}}, "S.cdl");
        ASSERT_EQ(oc::merge_result::done, merge()) << r.second;
        EXPECT_SAME_BYTES(r.add, read_bytes("S.add")) << r.second;
    }
}

TEST_F(MergeEngine, AddEntriesAreRaisedNeverLowered) {
    // Entries already there: another question's, and Q5's with a larger
    // roster and its third word set by someone else.
    std::string other = add_entry("Q9", 0x12345678, 9, 9, 9, 9);
    octest::write_bytes("S.add", other + add_entry("q5", 0xAABBCCDD, 7, 1, 2, 1));
    write_coded_file(two_question_file(), {{1, 1, {5}}}, "S.cdl");
    ASSERT_EQ(oc::merge_result::done, merge());
    std::string raised = other + add_entry("q5", 0xAABBCCDD, 7, 3, 3, 4);
    EXPECT_SAME_BYTES(raised, read_bytes("S.add"));

    // Merged again: nothing to raise, the entry stays as it is.
    ASSERT_EQ(oc::merge_result::done, merge());
    EXPECT_SAME_BYTES(raised, read_bytes("S.add"));

    // Another file with smaller values but for one.
    built_question q5{"Q5", 0, 1, 5, {{1, 9, "z", 0, 1}}};
    write_coded_file(built_file{"S.002", 0, 0, {q5}}, {{0, 1, {2}}}, "S.cdl");
    ASSERT_EQ(oc::merge_result::done, merge("S.002"));
    EXPECT_SAME_BYTES(other + add_entry("q5", 0xAABBCCDD, 7, 3, 5, 4), read_bytes("S.add"));
}

TEST_F(MergeEngine, AnUnmatchedRecordKeepsTheRecordsBeforeIt) {
    built_question q5{"Q5", 0, 1, 1, {{1, 7, "a", 0, 1}, {1, 8, "b", 0, 1}, {1, 9, "c", 0, 1}}};
    study_files original = read_study();
    for (int unmatched = 1; unmatched <= 3; ++unmatched) {
        octest::write_bytes("S.idx", original.idx);
        octest::write_bytes("S.DAT", original.dat);
        built_question q = q5;
        q.records[static_cast<std::size_t>(unmatched - 1)].respondent = 99;
        write_coded_file(built_file{"S.001", 0, 0, {q}}, {{0, 1, {1}}, {0, 2, {2}}, {0, 3, {3}}}, "S.cdl");
        std::string coder = read_bytes("S.001"), list = read_bytes("S.cdl");
        EXPECT_EQ(oc::merge_result::no_match, merge()) << unmatched;

        study_files expected = original;
        const std::uint32_t firsts[] = {4, 24, 64};
        for (int merged = 1; merged < unmatched; ++merged)
            expected = expected_append(expected, firsts[merged - 1], 1, var_entry("#Q5", 0, {std::to_string(merged)}));
        EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx")) << unmatched;
        EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT")) << unmatched;
        EXPECT_SAME_BYTES(coder, read_bytes("S.001"));
        EXPECT_SAME_BYTES(list, read_bytes("S.cdl"));
        EXPECT_FALSE(octest::fs::exists("S.add"));
    }
}

TEST_F(MergeEngine, AFailedWritePutsBackTheWholeMerge) {
    // Two records of respondent 8: the second version is read from the
    // first before either is written.
    built_question q5{"Q5", 0, 1, 1, {{1, 7, "a", 0, 1}, {1, 8, "b", 0, 1}, {1, 8, "c", 0, 2}, {1, 9, "d", 0, 1}}};
    write_coded_file(built_file{"S.001", 0, 0, {q5}}, {{0, 1, {1}}, {0, 2, {2}}, {0, 3, {3}}, {0, 4, {4}}}, "S.cdl");
    study_files original = read_study();
    std::string coder = read_bytes("S.001"), list = read_bytes("S.cdl");
    study_files expected = expected_append(original, 4, 1, var_entry("#Q5", 0, {"1"}));
    expected = expected_append(expected, 24, 1, var_entry("#Q5", 0, {"2"}));
    expected = expected_append(expected, newest_entry(expected.idx, 24), 1, var_entry("#2Q5", 0, {"3"}));
    expected = expected_append(expected, 64, 1, var_entry("#Q5", 0, {"4"}));

    // The .DAT, the new entries, the run of links.
    for (int failing = 1; failing <= 3; ++failing) {
        oc::set_writer_write_hook([failing](int write) { return write != failing; });
        EXPECT_EQ(oc::merge_result::failed, merge()) << failing;
        oc::set_writer_write_hook({});
        EXPECT_SAME_BYTES(original.idx, read_bytes("S.idx")) << failing;
        EXPECT_SAME_BYTES(original.dat, read_bytes("S.DAT")) << failing;
        EXPECT_SAME_BYTES(coder, read_bytes("S.001"));
        EXPECT_SAME_BYTES(list, read_bytes("S.cdl"));
        EXPECT_FALSE(octest::fs::exists("S.add"));
    }
    ASSERT_EQ(oc::merge_result::done, merge());
    EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT"));
}

TEST_F(MergeEngine, MatchingByRespondentWarnsOncePerRecordAndGoesOn) {
    built_question q5{"Q5", 0, 1, 1, {{1, 99, "a", 0, 1}, {1, 99, "b", 0, 2}, {5, 9, "c", 0, 1}, {1, 98, "d", 0, 1}}};
    write_coded_file(built_file{"S.001", 0, 0, {q5}}, {{0, 1, {1}}, {0, 2, {2}}, {0, 3, {3}}}, "S.cdl");
    study_files before = read_study();
    ASSERT_EQ(oc::merge_result::done, merge("S.001", true));
    EXPECT_EQ(std::vector<std::string>(2, oc::missing_record_text(99)), warnings);
    study_files expected = expected_append(before, 64, 1, var_entry("#Q5", 0, {"3"}));
    EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT"));
}

TEST_F(MergeEngine, FailuresAfterTheRecordsPutEverythingBack) {
    octest::write_bytes("S.add", add_entry("Q9", 1, 2, 3, 4, 5));
    std::string add = read_bytes("S.add");
    write_coded_file(two_question_file(), {{1, 1, {5}}}, "S.cdl");
    std::string coder = read_bytes("S.001"), list = read_bytes("S.cdl");
    study_files before = read_study();
    auto nothing_changed = [&](const char* what) {
        EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx")) << what;
        EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT")) << what;
        EXPECT_SAME_BYTES(coder, read_bytes("S.001")) << what;
    };

    // The .add file cannot be replaced (a directory stands in its place).
    octest::fs::remove("S.add");
    octest::fs::create_directory("S.add");
    EXPECT_EQ(oc::merge_result::add_failed, merge());
    nothing_changed(".add");
    EXPECT_SAME_BYTES(list, read_bytes("S.cdl"));
    octest::fs::remove("S.add");
    octest::write_bytes("S.add", add);

    // The coder list does not list the file.
    std::string other = list;
    other[4] = 'X';
    octest::write_bytes("S.cdl", other);
    EXPECT_EQ(oc::merge_result::failed, merge());
    nothing_changed("list entry");
    EXPECT_SAME_BYTES(other, read_bytes("S.cdl"));
    EXPECT_SAME_BYTES(add, read_bytes("S.add"));
    std::remove("S.cdl");
    EXPECT_EQ(oc::merge_result::failed, merge());
    nothing_changed("no list");
    EXPECT_SAME_BYTES(add, read_bytes("S.add"));

    octest::write_bytes("S.cdl", list);
    ASSERT_EQ(oc::merge_result::done, merge());
    EXPECT_SAME_BYTES(with_status(coder, " 3"), read_bytes("S.001"));
}

// Every line is checked before the first write: a damaged line anywhere
// merges nothing and is named.
TEST_F(MergeEngine, DamagedCoderFilesMergeNothing) {
    write_coded_file(two_question_file(), {{1, 1, {5}}, {1, 3, {6}}}, "S.cdl");
    const std::string coder = read_bytes("S.001");
    const study_files before = read_study();
    auto changed = [&coder](const char* from, const char* to) {
        std::string bytes = coder;
        std::size_t at = bytes.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        if (at != std::string::npos) bytes.replace(at, std::strlen(to), to);
        return bytes;
    };
    std::string damaged_trailer = coder;
    damaged_trailer[damaged_trailer.size() - 3] = 'x';
    struct row {
        const char* what;
        std::string bytes;
        const char* named;  // in the problem text
    };
    const row rows[] = {
        {"no header", "S.001\r\n", "lines 1 and 2"},
        {"trailer", damaged_trailer, "closing section"},
        {"letter in a code column", changed("    6", "    A"), "line 7"},
        {"question name", changed("      Q5   2   1", "      Q6   2   1"), "line 5 (offset 132): question Q6"},
        {"roster digit", changed("      Q5   2   2", "      Q5   1   2"), "line 6 (offset 193): roster 1"},
        {"list number 0", changed("      Q5   2   1", "      Q5   2   0"), "line 5"},
        {"roster in a question outside loops", changed("      Q7   0   1", "      Q7   4   1"), "line 4"},
        {"respondent", changed("        8       Q5   2   1", "        6       Q5   2   1"), "respondent 6"},
        {"code wider than the question's", changed("    5 ", " 5555 "), "line 5 (offset 132): code column 1"},
        {"fields shifted", changed("      Q5   2   2", "     Q5    2   2"), "line 6"},
    };
    for (const row& r : rows) {
        octest::write_bytes("S.001", r.bytes);
        oc::failure problem;
        EXPECT_EQ(oc::merge_result::failed, oc::MergeCoderFile("S.DAT", "S.idx", "S.cdl", "S.001", "S.add", false, {}, {},
                                                        &problem))
            << r.what;
        EXPECT_NE(std::string::npos, problem.what.find(r.named)) << r.what << ": " << problem.what;
        EXPECT_SAME_BYTES(r.bytes, read_bytes("S.001")) << r.what;
        EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx")) << r.what;
        EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT")) << r.what;
        EXPECT_FALSE(octest::fs::exists("S.add")) << r.what;
        EXPECT_FALSE(octest::fs::exists("S.mjl")) << r.what;
    }
    EXPECT_EQ(oc::merge_result::failed, merge("S.009"));
    octest::write_bytes("S.001", coder);
    EXPECT_EQ(oc::merge_result::done, merge());
}

TEST(CodedVariable, ReplaceAndAppendForms) {
    struct row {
        const char* qname;
        bool replace;
        std::uint8_t list_no;
        std::vector<std::int16_t> codes;
        std::string name;  // all 8 bytes
        std::vector<std::string> values;
    };
    using v = std::vector<std::string>;
    using namespace std::string_literals;
    for (const row& r : {
             row{"Q5", true, 3, {12, 40}, "Q5\0\0\0\0\0\0"s, v{"", "", "12"}},
             row{"Q5", true, 1, {9999}, "Q5\0\0\0\0\0\0"s, v{"9999"}},
             row{"ABCDEFGH", true, 2, {1}, "ABCDEFGH", v{"", "1"}},
             row{"Q5", false, 1, {5, 17, 230}, "#Q5\0\0\0\0\0"s, v{"5", "17", "230"}},
             row{"Q5", false, 2, {4}, "#2Q5\0\0\0\0"s, v{"4"}},
             row{"ABCDEFG", false, 1, {1}, "#ABCDEFG", v{"1"}},
             row{"ABCDEFGH", false, 1, {1}, "#ABCDEFG", v{"1"}},
             row{"ABCDEFGH", false, 9, {1}, "#9ABCDEF", v{"1"}},
             row{"ABCDEFGH", false, 10, {1}, "#10ABCDE", v{"1"}},
             row{"ABCDEFGH", false, 12, {1}, "#12ABCDE", v{"1"}},
             row{"ABCDEFGH", false, 100, {1}, "#100ABCD", v{"1"}},
             row{"Q5", false, 1, std::vector<std::int16_t>(30, 7), "#Q5\0\0\0\0\0"s, v(30, "7")},
         }) {
        oc::resp_record record;
        std::snprintf(record.qname, sizeof record.qname, "%s", r.qname);
        record.list_no = r.list_no;
        record.roster = 4;
        record.codes_count = static_cast<std::uint8_t>(r.codes.size());
        for (std::size_t i = 0; i < r.codes.size(); ++i) record.codes[i] = r.codes[i];
        oc::coded_var var = oc::coded_variable(record, r.replace);
        EXPECT_EQ(r.name, std::string(var.name, 8)) << r.qname << int{r.list_no};
        EXPECT_EQ(r.values, var.values) << r.qname << int{r.list_no};
        EXPECT_EQ(4, var.roster);
    }
}

}  // namespace
