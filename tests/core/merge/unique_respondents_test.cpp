// The uniqueness check behind matching by respondent number alone.
#include "engines/merge/unique_respondents.h"
#include "merge_fixture.h"

namespace {

using namespace mergetest;

TEST(UniqueRespondents, OnlyFirstGenerationsCount) {
    octest::ScratchDir dir;
    auto entry = [](long respondent, int generation) {
        return le32(static_cast<unsigned long>(respondent)) + static_cast<char>(generation) + std::string(15, '\0');
    };
    std::string magic = le32(0xEDEDEDED);
    struct row {
        std::string bytes;
        int result;
    };
    for (const row& r : {
             row{magic, 1},
             row{magic + entry(5, 1), 1},
             row{magic + entry(5, 1) + entry(3, 1) + entry(5, 2) + entry(5, 3) + entry(9, 1), 1},
             row{magic + entry(5, 1) + entry(3, 1) + entry(5, 1), 0},
             row{magic + entry(-5, 1) + entry(5, 1) + entry(-5, 1), 0},
             row{magic + entry(5, 1) + entry(5, 1).substr(0, 19), 1},  // a partial entry is not read
             row{"\xED\xED\xED", -1},
             row{"", -1},
         }) {
        octest::write_bytes(dir.file("s.idx"), r.bytes);
        EXPECT_EQ(r.result, oc::check_unique_respondents(dir.file("s.idx"))) << r.bytes.size();
    }
    EXPECT_EQ(-1, oc::check_unique_respondents(dir.file("missing.idx")));
}

}  // namespace
