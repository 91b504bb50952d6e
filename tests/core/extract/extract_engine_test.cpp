#include <cstdio>
#include <string>
#include <vector>

#include "coderfile/coder_file.h"
#include "engines/extract/extract_engine.h"
#include "extract_fixture.h"
#include "suite/error_library.h"

namespace {

using extracttest::StudyTest;
using octest::read_bytes;

const char* kQ5Labels = "name,type,other,text\r\nQ5,7,0,Why?\r\n";
const char* kQ5Data = "respondent,sequence,complete,Q5\r\n1001,12,1,too expensive\r\n1004,15,1,price\r\n";

// The answer lines of a coder data file: respondent, roster, list number and text.
struct line {
    long respondent;
    int roster;
    int list_no;
    std::string text;
    bool operator==(const line&) const = default;
};
std::ostream& operator<<(std::ostream& out, const line& l) {
    return out << "{" << l.respondent << ", " << l.roster << ", " << l.list_no << ", \"" << l.text << "\"}";
}

std::vector<line> answer_lines(const std::string& path, int code_slots) {
    std::vector<line> lines;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return lines;
    oc::coder_spec spec;
    std::int32_t trailer = 0;
    if (oc::read_coder_header(file, spec, trailer) == 0) {
        while (std::ftell(file) < trailer) {
            oc::resp_record record;
            record.code_slots = static_cast<std::uint8_t>(code_slots);
            if (oc::read_resp_record(file, record) != 0) break;
            lines.push_back({record.respondent, record.roster, record.list_no, record.text});
        }
    }
    std::fclose(file);
    return lines;
}

TEST_F(StudyTest, CoderFileOfTheFormatExampleByteForByte) {
    import(kQ5Labels, kQ5Data);
    oc::quest_list questions{question("Q5", 0, 2, 3)};
    oc::extract_request request = coder_request("ABC.001", questions);
    ASSERT_EQ(oc::kExtractWritten, run(request));

    std::string record_pad(15, ' ');
    std::string expected = "ABC.001\r\n"
                           "      156  0  0\r\n"
                           "   12      1001       Q5   0   1  0  0 " + record_pad + "too expensive\r\n"
                           "   15      1004       Q5   0   1  0  0 " + record_pad + "price\r\n"
                           "ABC.001\r\n"
                           "        2     2\r\n"
                           "   12      1001    15      1004 \r\n"
                           "    1\r\n"
                           "      Q5         2 0    2  3         0\r\n";
    EXPECT_SAME_BYTES(expected, read_bytes("ABC.001"));
    EXPECT_EQ(2, questions[0].record_count);

    std::string name(256, '\0');
    name.replace(0, 7, "ABC.001");
    auto le16 = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; };
    auto le32 = [&](long v) { return le16(static_cast<int>(v & 0xFFFF)) + le16(static_cast<int>(v >> 16 & 0xFFFF)); };
    std::string list = le32(1) + name + le16(0) + le16(2) + le32(0) + le16(0) + le16(1) + le32(0) + le32(2) + le32(0) +
                       le16(12) + le16(0) + le32(1001) + le16(15) + le16(0) + le32(1004) + std::string("Q5\0\0\0\0\0\0", 8);
    EXPECT_SAME_BYTES(list, read_bytes("S.cdl"));
}

TEST_F(StudyTest, ListingLayoutsOfBothExamples) {
    import(kQ5Labels, "respondent,sequence,complete,Q5\r\n1001,12,1,too expensive\r\n");
    oc::quest_list questions{question("Q5")};
    oc::extract_request one_line = listing_request("one.lst", questions);
    EXPECT_EQ(oc::kExtractNoData, run(one_line));
    EXPECT_SAME_BYTES("   12      1001 Q5         0   1 too expensive\r\n", read_bytes("one.lst"));

    oc::extract_request blocks = listing_request("blocks.lst", questions);
    blocks.one_line = false;
    EXPECT_EQ(oc::kExtractNoData, run(blocks));
    EXPECT_SAME_BYTES("\r\n\r\nResponses for question: Q5\r\n\r\n   12      1001   0   1 \r\ntoo expensive\r\n\r\n",
                      read_bytes("blocks.lst"));

    oc::extract_request bare = listing_request("bare.lst", questions);
    bare.one_line = bare.show_numbers = bare.show_respondent = false;
    EXPECT_EQ(oc::kExtractNoData, run(bare));
    EXPECT_SAME_BYTES("\r\n\r\nResponses for question: Q5\r\n\r\ntoo expensive\r\n\r\n", read_bytes("bare.lst"));
}

const char* kLoopLabels = "name,type,other,text\r\nQ3,7,0,Why this brand?\r\nQ4,1,1,Where?\r\n";
const char* kLoopData =
    "respondent,sequence,complete,Q3[1],Q3[2],Q3[3],Q4\r\n"
    "1,,1,r1 first,,r1 third,97 corner shop\r\n"
    "2,,0,r2 first|r2 again,r2 second,,1\r\n"
    "3,,1,,r3 second,,97 farm shop\r\n"
    "4,,1,r4 first,,,2\r\n";

TEST_F(StudyTest, RosterIterationsOfAdmittedRespondentsSurviveTheLimit) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q3")};
    oc::extract_request request = coder_request("S.001", questions);
    request.how_many = 2;
    ASSERT_EQ(oc::kExtractWritten, run(request));
    std::vector<line> expected{{1, 1, 1, "r1 first"},  {1, 3, 1, "r1 third"},
                               {2, 1, 1, "r2 first"},  {2, 1, 2, "r2 again"},
                               {2, 2, 1, "r2 second"}};
    EXPECT_EQ(expected, answer_lines("S.001", 1));
}

TEST_F(StudyTest, ListingLimitCountsTextsAndListsTheLastGroupWhole) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q3")};
    oc::extract_request request = listing_request("limit.lst", questions);
    request.show_numbers = false;
    request.how_many = 2;
    run(request);
    // Respondent 1 lists two texts and reaches the limit; nothing after it.
    EXPECT_SAME_BYTES("        1 Q3       r1 first\r\n        1 Q3       r1 third\r\n", read_bytes("limit.lst"));
    request.listing_path = "limit3.lst";
    request.how_many = 3;
    run(request);
    std::string listed = read_bytes("limit3.lst");
    EXPECT_NE(std::string::npos, listed.find("r2 first"));
    EXPECT_NE(std::string::npos, listed.find("r2 again"));  // the group that reaches 3 stays whole
    EXPECT_EQ(std::string::npos, listed.find("r2 second"));
}

TEST_F(StudyTest, RangeNeedsBothBoundsAndInterviewFilterApplies) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q3")};
    oc::extract_request one_bound = coder_request("S.001", questions);
    one_bound.min_respondent = 3;
    ASSERT_EQ(oc::kExtractWritten, run(one_bound));
    EXPECT_EQ(7u, answer_lines("S.001", 1).size());

    oc::extract_request range = coder_request("S.002", questions);
    range.min_respondent = 2;
    range.max_respondent = 3;
    range.interviews = oc::interviews_complete;  // respondent 2 is incomplete
    ASSERT_EQ(oc::kExtractWritten, run(range));
    EXPECT_EQ((std::vector<line>{{3, 2, 1, "r3 second"}}), answer_lines("S.002", 1));

    oc::extract_request incompletes = coder_request("S.003", questions);
    incompletes.interviews = oc::interviews_incomplete;
    ASSERT_EQ(oc::kExtractWritten, run(incompletes));
    for (const line& l : answer_lines("S.003", 1)) EXPECT_EQ(2, l.respondent);
    EXPECT_SAME_BYTES("S.003\r\n", read_bytes("S.003").substr(0, 7));
    EXPECT_EQ(" 2\r\n", read_bytes("S.003").substr(20, 4));  // interviews code in line 2
}

TEST_F(StudyTest, OtherTextsAreCleanedAndClosedCodesDropped) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q4")};
    oc::extract_request request = coder_request("S.001", questions);
    ASSERT_EQ(oc::kExtractWritten, run(request));
    // "1" and "2" hold no space: closed answers without a write-in are not texts.
    EXPECT_EQ((std::vector<line>{{1, 0, 1, "97 corner shop"}, {3, 0, 1, "97 farm shop"}}), answer_lines("S.001", 1));
}

TEST_F(StudyTest, CodedFiltersAndTheDuplicateCheck) {
    import(kLoopLabels, kLoopData);
    oc::quest_list q3{question("Q3")};
    oc::extract_request first = coder_request("S.001", q3);
    first.min_respondent = 1;
    first.max_respondent = 2;
    first.interviews = oc::interviews_complete;
    ASSERT_EQ(oc::kExtractWritten, run(first));  // respondent 1 only (2 is incomplete)

    // Not yet coded: respondent 1 is left out, whatever the interview choice.
    oc::extract_request rest = coder_request("S.002", q3);
    rest.include_data = oc::data_not_yet_coded;
    ASSERT_EQ(oc::kExtractWritten, run(rest));
    for (const line& l : answer_lines("S.002", 1)) EXPECT_NE(1, l.respondent);

    // Already coded: respondent 1 again, and (now in S.002) the others.
    oc::extract_request coded = coder_request("S.003", q3);
    coded.include_data = oc::data_already_coded;
    coded.max_respondent = coded.min_respondent = 1;
    ASSERT_EQ(oc::kExtractWritten, run(coded));
    EXPECT_EQ(2u, answer_lines("S.003", 1).size());

    // Duplicate check: S.001 took completes only, S.002 and S.003 everything.
    oc::quest_list q3only{question("Q3")};
    oc::extract_request check = coder_request("S.004", q3only);
    EXPECT_EQ(oc::kExtractAlreadyCoded, run(check, true));
    EXPECT_FALSE(octest::fs::exists("S.004"));
}

TEST_F(StudyTest, DuplicateCheckRespectsInterviewsAndRange) {
    import(kLoopLabels, kLoopData);
    oc::quest_list q3{question("Q3")};
    oc::extract_request completes = coder_request("S.001", q3);
    completes.interviews = oc::interviews_complete;
    completes.min_respondent = 3;
    completes.max_respondent = 4;
    ASSERT_EQ(oc::kExtractWritten, run(completes));

    struct { std::int16_t interviews; std::uint32_t min, max; std::int16_t expected; } cases[] = {
        {oc::interviews_incomplete, 0, 0, oc::kExtractWritten},  // incompatible interview choice
        {oc::interviews_all, 0, 0, oc::kExtractAlreadyCoded},
        {oc::interviews_complete, 1, 2, oc::kExtractWritten},  // no respondent of S.001 in range
        {oc::interviews_complete, 4, 9, oc::kExtractAlreadyCoded},
    };
    int n = 2;
    for (const auto& c : cases) {
        oc::quest_list questions{question("Q3")};
        std::string path = "S.00" + std::to_string(n++);
        oc::extract_request request = coder_request(path, questions);
        request.interviews = c.interviews;
        request.min_respondent = c.min;
        request.max_respondent = c.max;
        EXPECT_EQ(c.expected, run(request, true)) << path;
    }
}

TEST_F(StudyTest, NothingQualifiedDeletesTheCoderFileButKeepsAnEmptyListing) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q3")};
    oc::extract_request coded = coder_request("S.001", questions);
    coded.include_data = oc::data_already_coded;  // nothing is coded yet
    EXPECT_EQ(oc::kExtractNoData, run(coded));
    EXPECT_FALSE(octest::fs::exists("S.001"));
    EXPECT_FALSE(octest::fs::exists("S.cdl"));

    oc::extract_request listing = listing_request("empty.lst", questions);
    listing.include_data = oc::data_already_coded;
    EXPECT_EQ(oc::kExtractNoData, run(listing));
    ASSERT_TRUE(octest::fs::exists("empty.lst"));
    EXPECT_EQ("", read_bytes("empty.lst"));
}

TEST_F(StudyTest, SameNameReplacesTheFirstEntryAndKeepsABackup) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q3")};
    oc::extract_request a = coder_request("S.001", questions);
    ASSERT_EQ(oc::kExtractWritten, run(a));
    oc::extract_request b = coder_request("S.002", questions);
    ASSERT_EQ(oc::kExtractWritten, run(b));
    std::string two_entries = read_bytes("S.cdl");

    oc::extract_request again = coder_request("s.001", questions);  // same name, other case
    again.min_respondent = again.max_respondent = 4;
    ASSERT_EQ(oc::kExtractWritten, run(again));
    EXPECT_SAME_BYTES(two_entries, read_bytes("S.cdb"));
    std::string list = read_bytes("S.cdl");
    EXPECT_EQ(two_entries.size() - 3 * 8, list.size());  // the new entry lists one respondent instead of four
    EXPECT_EQ(2, list[0]);
    EXPECT_EQ("s.001", list.substr(4, 5));
    for (const auto& entry : octest::fs::directory_iterator("."))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".oc-tmp.")) << entry.path();
}

TEST_F(StudyTest, FailedListUpdateLeavesTheListAndNoTemporaryFile) {
    import(kLoopLabels, kLoopData);
    oc::quest_list questions{question("Q3")};
    oc::extract_request first = coder_request("S.001", questions);
    ASSERT_EQ(oc::kExtractWritten, run(first));
    std::string list = read_bytes("S.cdl");
    std::string damaged = list;
    damaged[0] = 2;  // announces an entry that is not there
    octest::write_bytes("S.cdl", damaged);

    oc::extract_request second = coder_request("S.002", questions);
    EXPECT_EQ(oc::kExtractFailed, run(second));
    EXPECT_SAME_BYTES(damaged, read_bytes("S.cdl"));
    EXPECT_FALSE(octest::fs::exists("S.cdb"));
    EXPECT_FALSE(octest::fs::exists("S.002"));  // unlisted, it would be nobody's: the run takes it away
    for (const auto& entry : octest::fs::directory_iterator("."))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".oc-tmp.")) << entry.path();
}

TEST(CleanResponseText, KeepsDropsAndStrips) {
    struct { std::string text; std::int16_t type; bool strip; const char* expected; } cases[] = {
        {"price", 7, false, "price"},
        {"price", 1, false, nullptr},               // a closed answer without a space
        {"a\tb", 1, false, nullptr},                // a tab is not a space
        {"a\tb\rc\nd\ae\bf\vg\fh", 7, false, "a b c d e f g h"},
        {std::string("a\x06 b\x0e", 5), 7, false, "a\x06 b\x0e"},  // only bytes 7 to 13 change
        {"97 my brand", 1, true, "my brand"},
        {"97  my brand", 1, true, " my brand"},
        {"12 ", 1, true, ""},
        {"my 97 brand", 1, true, "my 97 brand"},
        {"97 my brand", 1, false, "97 my brand"},
        {"97 my brand", 7, true, "97 my brand"},    // open ends are never stripped
        {"97\tbrand", 1, true, nullptr},
        {"97 \tbrand", 1, true, " brand"},
    };
    for (const auto& c : cases) {
        std::optional<std::string> cleaned = oc::clean_response_text(c.text, c.type, c.strip);
        EXPECT_EQ(c.expected != nullptr, cleaned.has_value()) << c.text;
        if (c.expected && cleaned) {
            EXPECT_EQ(c.expected, *cleaned) << c.text;
        }
    }
}

TEST_F(StudyTest, DataLibraryErrorsThrowAfterDeletingTheOutput) {
    import(kLoopLabels, kLoopData);
    std::string idx = read_bytes("S.idx");
    std::string dat = read_bytes("S.DAT");
    struct { std::string idx, dat; std::int16_t code; } cases[] = {
        {idx.substr(0, idx.size() - 7), dat, oc::kErrorCorruptIndex},
        {idx, dat.substr(0, dat.size() - 5), oc::kErrorCorruptRecord},
    };
    for (const auto& c : cases) {
        octest::write_bytes("S.idx", c.idx);
        octest::write_bytes("S.DAT", c.dat);
        oc::quest_list questions{question("Q3")};
        oc::extract_request request = coder_request("S.001", questions);
        try {
            run(request);
            ADD_FAILURE() << "no exception for code " << c.code;
        } catch (const oc::CHalvexException& e) {
            EXPECT_EQ(c.code, e.code());
        }
        EXPECT_FALSE(octest::fs::exists("S.001"));
    }
    octest::fs::remove("S.DAT");
    oc::quest_list questions{question("Q3")};
    oc::extract_request listing = listing_request("gone.lst", questions);
    try {
        run(listing);
        ADD_FAILURE() << "no exception for a missing data file";
    } catch (const oc::CHalvexException& e) {
        EXPECT_EQ(oc::kErrorStudyFilesMissing, e.code());
    }
    EXPECT_FALSE(octest::fs::exists("gone.lst"));
}

TEST_F(StudyTest, AGroupTooLargeFailsTheRunEvenOutsideTheRange) {
    // Respondent 2's answer does not fit the 801-byte buffer. The engine
    // counts each group before its filters, so the run fails as it did when
    // every group was copied first, though only respondent 3 is asked for.
    import(kQ5Labels, "respondent,sequence,complete,Q5\r\n1,1,1,one\r\n2,2,1," + std::string(800, 'd') +
                          "|\r\n3,3,1,three\r\n");
    oc::quest_list questions{question("Q5")};
    oc::extract_request request = coder_request("S.001", questions);
    request.min_respondent = request.max_respondent = 3;
    try {
        run(request);
        ADD_FAILURE() << "no exception";
    } catch (const oc::CHalvexException& e) {
        EXPECT_EQ(oc::kErrorCorruptRecord, e.code());
    }
    EXPECT_FALSE(octest::fs::exists("S.001"));
}

TEST_F(StudyTest, FormatLimitsEndAsFailedNeverWrapped) {
    std::string data = "respondent,sequence,complete,Q5\r\n999999999,1,1,nine digits\r\n1000000000,2,1,ten digits\r\n";
    import(kQ5Labels, data);
    oc::quest_list questions{question("Q5")};
    oc::extract_request request = coder_request("S.001", questions);
    EXPECT_EQ(oc::kExtractFailed, run(request));
    EXPECT_FALSE(octest::fs::exists("S.001"));
    request.max_respondent = request.min_respondent = 999999999;
    EXPECT_EQ(oc::kExtractWritten, run(request));

    request.coder_path = std::string(252, 'x') + ".01";  // 255 characters: accepted
    EXPECT_EQ(oc::kExtractWritten, run(request));
    request.coder_path = std::string(253, 'x') + ".01";  // refused rather than cut
    EXPECT_EQ(oc::kExtractFailed, run(request));
    EXPECT_FALSE(octest::fs::exists(request.coder_path.substr(0, 255)));
}

TEST_F(StudyTest, ListNumbersAboveOneByteFail) {
    std::string texts255, texts256;
    for (int i = 0; i < 255; ++i) texts255 += i ? "|x" : "x";
    texts256 = texts255 + "|x";
    import(kQ5Labels, "respondent,sequence,complete,Q5\r\n1,1,1," + texts255 + "\r\n2,2,1," + texts256 + "\r\n");
    oc::quest_list questions{question("Q5")};
    oc::extract_request request = coder_request("S.001", questions);
    request.min_respondent = request.max_respondent = 1;
    EXPECT_EQ(oc::kExtractWritten, run(request));
    request.coder_path = "S.002";
    request.min_respondent = request.max_respondent = 2;
    EXPECT_EQ(oc::kExtractFailed, run(request));
    EXPECT_FALSE(octest::fs::exists("S.002"));
}

// The coder list reads arrays of at most 8188 entries back; a coder file with
// more respondents must not be made.
TEST_F(StudyTest, MoreRespondentsThanTheCoderListReadsBackFail) {
    std::string data = "respondent,sequence,complete,Q5\r\n";
    for (int r = 1; r <= 8189; ++r) data += std::to_string(r) + ",1,1,a\r\n";
    import(kQ5Labels, data);
    oc::quest_list questions{question("Q5")};
    oc::extract_request request = coder_request("S.001", questions);
    request.max_respondent = 8188;
    request.min_respondent = 1;
    EXPECT_EQ(oc::kExtractWritten, run(request));
    oc::quest_list again{question("Q5")};
    oc::extract_request check = coder_request("S.003", again);
    EXPECT_EQ(oc::kExtractAlreadyCoded, run(check, true));  // the list still reads back
    request.coder_path = "S.002";
    request.max_respondent = 8189;
    EXPECT_EQ(oc::kExtractFailed, run(request));
    EXPECT_FALSE(octest::fs::exists("S.002"));
}

}  // namespace
