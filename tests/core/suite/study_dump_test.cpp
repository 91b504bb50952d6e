#include "suite/study_dump.h"

#include <sstream>

#include <gtest/gtest.h>

#include "study_test_support.h"
#include "suite/study_import.h"

namespace {

using octest::ScratchDir;

// The small study of tests/data/suite/dump_small, imported, with a second
// version (flags nibble set) appended for respondent 7.
struct small_study {
    ScratchDir dir;
    std::string base = dir.file("S");

    explicit small_study(bool with_version = true) {
        oc::study_result imported = oc::import_study(octest::test_data("suite/dump_small/labels.csv"),
                                                     octest::test_data("suite/dump_small/data.csv"), base);
        EXPECT_TRUE(imported.ok) << imported.message;
        if (with_version)
            suitetest::append_version(
                base, 1,
                suitetest::hand_version_bytes({7, 2, 0, 2, 0x01, {{"Q1", 0, {"coded"}}, {"C", 0, {"1", "2"}}, {"L", 2, {}}}, {}}));
    }
};

TEST(StudyDump, PrintsRespondentsVersionsAndVariables) {
    small_study study;
    std::ostringstream out;
    oc::dump_result result = oc::dump_study(study.base, out);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_SAME_BYTES(octest::read_bytes(octest::test_data("suite/dump_small/expected.txt")), out.str());
}

TEST(StudyDump, QuotesEveryByteUnambiguously) {
    EXPECT_EQ("\"a\\\"b\\\\c\\t\\r\\n\\000\\177\\377 ~\"", oc::quote_value(std::string("a\"b\\c\t\r\n\0\x7F\xFF ~", 13)));
    EXPECT_EQ("\"\"", oc::quote_value(""));
}

TEST(StudyDump, CorruptOrMissingFilesGiveAnError) {
    small_study study(false);
    std::string dat = octest::read_bytes(study.base + ".DAT");
    octest::write_bytes(study.base + ".DAT", dat.substr(0, dat.size() - 1));
    std::ostringstream out;
    oc::dump_result result = oc::dump_study(study.base, out);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ("corrupt data \"" + study.base + ".DAT\": record at .DAT offset 187: truncated record", result.message);
    EXPECT_EQ(0u, out.str().find("respondent 1001, sequence 12, index offset 4\n"));

    std::string idx = octest::read_bytes(study.base + ".idx");
    idx.replace(4 + 16, 4, suitetest::le32(4));
    octest::write_bytes(study.base + ".idx", idx);
    result = oc::dump_study(study.base, out);
    EXPECT_EQ("corrupt index \"" + study.base + ".idx\": index entry at offset 4 links to 4, not a later entry",
              result.message);

    result = oc::dump_study(study.dir.file("none"), out);
    EXPECT_EQ("cannot open \"" + study.dir.file("none") + ".idx\"", result.message);
}

}  // namespace
