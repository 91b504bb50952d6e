// The opencoder tool as scripts drive it: options, outputs, messages and
// exit codes.
#include <string>
#include <vector>

#include "engines/texts/string_table.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::run_cli;
using octest::RunResult;

std::string message(int id) { return std::string(oc::string_text(id)) + "\n"; }

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"),
                            "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,0,1,Which?\r\nQ3,7,0,Brand?\r\n");
        octest::write_bytes(dir.file("data.csv"),
                            "respondent,sequence,complete,Q1,Q2,Q3[1],Q3[2]\r\n"
                            "1001,,1,too expensive,97 corner shop,liked it,cheap\r\n"
                            "1002,,0,price,1,,on offer\r\n"
                            "1003,,1,\"taste, smell\",97 farm shop,,\r\n");
        RunResult imported = import();
        ASSERT_EQ(0, imported.exit_code) << imported.err;
    }

    RunResult import(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{"study", "import", "--labels", dir.file("labels.csv"), "--data",
                                      dir.file("data.csv"), "--out", base()};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_cli(args);
    }

    std::string base() const { return dir.file("S"); }

    RunResult cli(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--study", base()});
        return run_cli(args);
    }

    octest::ScratchDir dir;
};

TEST_F(CliTest, UsageErrorsHelpAndUnknownCommands) {
    EXPECT_EQ(0, run_cli({"--help"}).exit_code);
    EXPECT_EQ(0, run_cli({"prepare", "--help"}).exit_code);
    EXPECT_EQ(2, run_cli({}).exit_code);
    EXPECT_EQ(2, run_cli({"frobnicate"}).exit_code);
    EXPECT_EQ(2, run_cli({"list"}).exit_code);  // --study missing
    EXPECT_EQ(2, cli({"status", "--file", "S.001"}).exit_code);  // needs --questions or --respondents
    EXPECT_EQ(2, cli({"status", "--questions"}).exit_code);
}

TEST_F(CliTest, ImportNeverReplacesAStudySilently) {
    std::string idx = read_bytes(base() + ".idx");
    RunResult again = import();
    EXPECT_EQ(1, again.exit_code);
    EXPECT_NE(std::string::npos, again.err.find("--replace"));
    EXPECT_EQ(0, import({"--replace"}).exit_code);
    EXPECT_SAME_BYTES(idx, read_bytes(base() + ".idx"));
}

TEST_F(CliTest, ListAndStatusWithoutCoderList) {
    RunResult list = cli({"list"});
    EXPECT_EQ(1, list.exit_code);
    EXPECT_EQ(message(710), list.err);
    EXPECT_EQ("", list.out);
    EXPECT_EQ(1, cli({"status"}).exit_code);
}

TEST_F(CliTest, PrepareListStatusRoundTrip) {
    RunResult prepared = cli({"prepare", "--question", "Q3:append:3:2", "--question", "Q1:replace:7:4"});
    ASSERT_EQ(0, prepared.exit_code) << prepared.err;
    EXPECT_EQ(message(740), prepared.err);
    EXPECT_EQ("S.001\n", prepared.out);

    RunResult list = cli({"list"});
    EXPECT_EQ(0, list.exit_code);
    EXPECT_EQ("S.001\t0\n", list.out);

    RunResult status = cli({"status"});
    EXPECT_EQ(0, status.exit_code) << status.err;
    EXPECT_EQ("Coder Files\tStatus\t# Respondents\t# Questions\t# Records\tInterviews Included\n"
              "S.001\t0\t3\t2\t6\tCompletes AND Incompletes\n",
              status.out);

    // Catalogue order, not command-line order; a replace reserves one code slot.
    RunResult questions = cli({"status", "--file", "S.001", "--questions"});
    EXPECT_EQ("Questions\tStatus\tAction\tWidth\tMax # Codes\t# Records\tLast Rec Coded\n"
              "Q1\t0\tReplace\t4\t1\t3\t0\n"
              "Q3\t0\tAppend\t2\t3\t3\t0\n",
              questions.out);

    RunResult respondents = cli({"status", "--file", "S.001", "--respondents"});
    EXPECT_EQ("Respondent #\tSequence #\n1001\t1\n1002\t2\n1003\t3\n", respondents.out);

    RunResult second = cli({"prepare", "--question", "Q2:append:1:1", "--data", "all"});
    ASSERT_EQ(0, second.exit_code) << second.err;
    EXPECT_EQ("S.002\n", second.out);  // the next free number
    EXPECT_EQ("S.001\t0\nS.002\t0\n", cli({"list"}).out);
}

TEST_F(CliTest, PrepareAsksBeforeCodingAnswersAgain) {
    ASSERT_EQ(0, cli({"prepare", "--question", "Q1:append:1:1"}).exit_code);
    std::string list = read_bytes(base() + ".cdl");

    RunResult declined = cli({"prepare", "--question", "Q1:append:1:1", "--data", "all"});
    EXPECT_EQ(3, declined.exit_code);
    EXPECT_EQ(0u, declined.err.find(message(712)));
    EXPECT_FALSE(octest::fs::exists(base() + ".002"));
    EXPECT_SAME_BYTES(list, read_bytes(base() + ".cdl"));

    RunResult accepted = cli({"prepare", "--question", "Q1:append:1:1", "--data", "all", "--yes"});
    EXPECT_EQ(0, accepted.exit_code) << accepted.err;
    EXPECT_TRUE(octest::fs::exists(base() + ".002"));

    RunResult nothing = cli({"prepare", "--question", "Q1:append:1:1"});  // every answer is coded now
    EXPECT_EQ(1, nothing.exit_code);
    EXPECT_EQ(message(743), nothing.err);
}

TEST_F(CliTest, PrepareRefusesWhatThePagesRefuse) {
    struct { std::vector<std::string> args; int exit_code; } cases[] = {
        {{"--question", "Q1:append:1:5"}, 2},       // width above 4
        {{"--question", "Q1:append:1:0"}, 2},
        {{"--question", "Q1:append:31:1"}, 2},      // more than 30 codes
        {{"--question", "Q1:append:0:1"}, 2},
        {{"--question", "Q2:replace:1:2"}, 2},      // a type-0 question replaced with width 2
        {{"--question", "Q1:delete:1:1"}, 2},
        {{"--question", "Q9:append:1:1"}, 2},       // not in the catalogue
        {{"--question", "Q1:append:1"}, 2},
        {{"--question", "Q1:append:1:1", "--question", "Q1:replace:1:1"}, 2},
        {{"--question", "Q1:append:1:1", "--respondents", "first:0"}, 2},
        {{"--question", "Q1:append:1:1", "--respondents", "first:32768"}, 2},
        {{"--question", "Q1:append:1:1", "--respondents", "range:5-4"}, 2},
        {{"--question", "Q1:append:1:1", "--respondents", "range:1-1000000000"}, 2},
        {{"--question", "Q1:append:1:1", "--respondents", "range:x-4"}, 2},
        {{"--question", "Q1:append:1:1", "--interviews", "some"}, 2},
        {{"--question", "Q1:append:1:1", "--question", "Q3:append:1:1", "--respondents", "first:2"}, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"prepare"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunResult result = cli(args);
        EXPECT_EQ(c.exit_code, result.exit_code) << c.args.back() << ": " << result.err;
        EXPECT_FALSE(octest::fs::exists(base() + ".001")) << c.args.back();
    }
    RunResult two = cli({"prepare", "--question", "Q1:append:1:1", "--question", "Q3:append:1:1", "--respondents",
                         "first:2"});
    EXPECT_EQ(message(754), two.err);
    // A replace never range-checks its number of codes.
    EXPECT_EQ(0, cli({"prepare", "--question", "Q2:replace:99:1"}).exit_code);
    EXPECT_EQ(0, cli({"prepare", "--question", "Q1:append:30:4", "--respondents", "first:32767"}).exit_code);
}

TEST_F(CliTest, ExamineWritesTheListingAndChangesNothing) {
    ASSERT_EQ(0, cli({"prepare", "--question", "Q1:append:1:1", "--respondents", "range:1001-1001"}).exit_code);
    std::string list = read_bytes(base() + ".cdl");

    RunResult all = cli({"examine", "--question", "Q2", "--question", "Q1"});
    EXPECT_EQ(0, all.exit_code) << all.err;
    EXPECT_EQ("    1      1001 Q1         0   1 too expensive\r\n"
              "    2      1002 Q1         0   1 price\r\n"
              "    3      1003 Q1         0   1 taste, smell\r\n"
              "    1      1001 Q2         0   1 97 corner shop\r\n"
              "    3      1003 Q2         0   1 97 farm shop\r\n",
              all.out);

    RunResult fresh = cli({"examine", "--question", "Q2", "--data", "not-coded", "--strip-numeric", "--no-numbers",
                           "--interviews", "complete"});
    EXPECT_EQ("     1001 Q2       corner shop\r\n     1003 Q2       farm shop\r\n", fresh.out);

    std::string out = dir.file("listing.txt");
    RunResult saved = cli({"examine", "--question", "Q1", "--data", "coded", "--no-one-line", "--out", out});
    EXPECT_EQ(0, saved.exit_code) << saved.err;
    EXPECT_EQ("", saved.out);
    EXPECT_SAME_BYTES("\r\n\r\nResponses for question: Q1\r\n\r\n    1      1001   0   1 \r\ntoo expensive\r\n\r\n",
                      read_bytes(out));

    // Nothing qualifying is an empty listing, not a failure.
    for (const std::vector<std::string>& filter :
         {std::vector<std::string>{"--respondents", "range:2000-3000"}, {"--data", "coded"}}) {
        SCOPED_TRACE(filter.back());
        std::vector<std::string> args{"examine", "--question", "Q2"};
        args.insert(args.end(), filter.begin(), filter.end());
        RunResult empty = cli(args);
        EXPECT_EQ(0, empty.exit_code) << empty.err;
        EXPECT_EQ("", empty.out);
        EXPECT_EQ("", empty.err);
        args.insert(args.end(), {"--out", out, "--replace"});
        EXPECT_EQ(0, cli(args).exit_code);
        EXPECT_SAME_BYTES("", read_bytes(out));
    }

    EXPECT_SAME_BYTES(list, read_bytes(base() + ".cdl"));
    for (const auto& entry : octest::fs::directory_iterator(dir.path()))
        EXPECT_NE(0u, entry.path().filename().string().rfind("COD", 0)) << "temporary listing left: " << entry.path();
}

TEST_F(CliTest, DumpPrintsEveryRespondent) {
    RunResult dump = run_cli({"study", "dump", "--study", base()});
    EXPECT_EQ(0, dump.exit_code) << dump.err;
    EXPECT_NE(std::string::npos, dump.out.find("respondent 1003"));
    EXPECT_NE(std::string::npos, dump.out.find("\"taste, smell\""));
    EXPECT_EQ(1, run_cli({"study", "dump", "--study", dir.file("missing")}).exit_code);
}

}  // namespace

namespace {

// What study check finds, one damage at a time, and what --repair mends.
TEST_F(CliTest, StudyCheckNamesEachProblemAndRepairsOnlyWhatLosesNothing) {
    auto check = [this](bool repair = false) {
        std::vector<std::string> args{"study", "check", "--study", base()};
        if (repair) args.push_back("--repair");
        return run_cli(args);
    };
    ASSERT_EQ(0, cli({"prepare", "--question", "Q1:append:2:2"}).exit_code);
    octest::write_bytes(dir.file("codes.csv"), "question,respondent,roster,list_no,codes\r\nQ1,1001,0,1,7\r\n");
    ASSERT_EQ(0, cli({"code", "--file", "S.001", "--codes", dir.file("codes.csv")}).exit_code);
    ASSERT_EQ(0, cli({"merge", "--file", "S.001"}).exit_code);
    RunResult clean = check();
    EXPECT_EQ(0, clean.exit_code) << clean.out;
    EXPECT_EQ("", clean.out);

    const std::string idx = read_bytes(base() + ".idx"), add = read_bytes(base() + ".add"),
                      list = read_bytes(base() + ".cdl");
    std::string unmerged_list = list;
    unmerged_list[4 + 256] = 0;  // the list says not merged, line 2 says merged
    struct row {
        const char* file;
        std::string bytes;
        std::string problem;  // the first line printed
    };
    const row rows[] = {
        {".idx", idx + "\x01", "S.idx: offset " + std::to_string(idx.size()) + ": the file ends in a partial entry"},
        {".add", add.substr(0, 23), "S.add: offset 0: the file ends in a partial entry"},
        {".cdl", unmerged_list, "S.001: offset 10 of line 2: status 3 where S.cdl says 0"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.file);
        const std::string path = base() + r.file, before = read_bytes(path);
        octest::write_bytes(path, r.bytes);
        RunResult found = check();
        EXPECT_EQ(1, found.exit_code);
        EXPECT_EQ(0u, found.out.find(r.problem)) << found.out;
        EXPECT_EQ(1, check(true).exit_code);  // nothing here can be mended without a loss
        EXPECT_SAME_BYTES(r.bytes, read_bytes(path));
        octest::write_bytes(path, before);
    }

    // A temporary of a run that did not finish, and a complete coder file the
    // list lacks (a prepare stopped between its two renames).
    ASSERT_EQ(0, cli({"prepare", "--question", "Q3:append:1:1"}).exit_code);
    octest::write_bytes(base() + ".cdl", list);
    octest::write_bytes(base() + ".cdl.oc-tmp.Ab12Cd", "partial");
    RunResult found = check();
    EXPECT_EQ(1, found.exit_code);
    EXPECT_NE(std::string::npos, found.out.find("S.cdl.oc-tmp.Ab12Cd: a temporary file left by a run")) << found.out;
    EXPECT_NE(std::string::npos, found.out.find("S.002: a complete coder data file that S.cdl does not list"));
    RunResult repaired = check(true);
    EXPECT_EQ(0, repaired.exit_code) << repaired.out;
    EXPECT_NE(std::string::npos, repaired.err.find("Repaired: listed S.002 in S.cdl")) << repaired.err;
    EXPECT_FALSE(octest::fs::exists(base() + ".cdl.oc-tmp.Ab12Cd"));
    EXPECT_EQ("S.001\t3\nS.002\t0\n", cli({"list"}).out);
}

}  // namespace
