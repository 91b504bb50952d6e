// What the tool refuses so as not to damage a study: an --out path naming
// one of its files, a coder list or a directory it may not use, a read-only
// .add file, a damaged coder line. A refusal exits 1 and changes no file.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "fault_support.h"

namespace {

using namespace octest;

class RefusalTest : public ::testing::Test {
protected:
    void SetUp() override {
        // S.001 coded and not merged, S.002 merged, an .add file and a .cdb.
        ASSERT_NO_FATAL_FAILURE(make_study(template_dir(), study_stage::one_merged));
        write_bytes((template_dir() / "notes.txt").string(), "not the tool's\r\n");
        copy_study(template_dir(), study_dir());
    }

    fs::path template_dir() const { return root.path() / "template"; }
    fs::path study_dir() const { return root.path() / "study"; }
    std::string file(const std::string& name) const { return (study_dir() / name).string(); }
    std::string base() const { return file("S"); }

    RunResult expect_refused(const std::vector<std::string>& args, const environment& env = {}) {
        const dir_state before = snapshot(study_dir());
        RunResult run = run_cli(args, {}, env);
        EXPECT_EQ(1, run.exit_code) << run.err;
        EXPECT_NE("", run.err);
        EXPECT_EQ("", state_difference(before, snapshot(study_dir())));
        return run;
    }

    ScratchDir root;
};

struct out_case {
    const char* command;
    const char* out;  // in the study directory
    bool replace;
    int exit_code;
};

const out_case kOutCases[] = {
    {"prepare", "S.DAT", false, 1},
    {"prepare", "S.DAT", true, 1},
    {"prepare", "S.idx", false, 1},
    {"prepare", "../study/S.idx", false, 1},  // the same file by another path
    {"prepare", "S.lbl", false, 1},
    {"prepare", "S.cdl", false, 1},
    {"prepare", "S.cdb", false, 1},
    {"prepare", "S.add", false, 1},
    {"prepare", "S.001", false, 1},  // coded, not merged
    {"prepare", "S.001", true, 1},   // never replaced, even when asked
    {"prepare", "S.002", true, 1},   // merged
    {"prepare", "notes.txt", false, 1},
    {"examine", "S.DAT", false, 1},
    {"examine", "S.idx", false, 1},
    {"examine", "S.cdl", false, 1},
    {"examine", "S.001", true, 1},
    {"examine", "notes.txt", false, 1},
    {"examine", "notes.txt", true, 0},
    {"prepare", "S.009", false, 0},
};

TEST_F(RefusalTest, OutPathsOntoFilesOfTheStudy) {
    for (const out_case& c : kOutCases) {
        const std::string command = c.command;
        SCOPED_TRACE(command + " --out " + c.out + (c.replace ? " --replace" : ""));
        copy_study(template_dir(), study_dir());
        std::vector<std::string> args{command, "--study", base(), "--question",
                                      command == "prepare" ? "Q2:append:1:2" : "Q2", "--out", file(c.out)};
        if (c.replace) args.push_back("--replace");
        if (c.exit_code == 1) {
            expect_refused(args);
        } else {
            RunResult run = run_cli(args);
            EXPECT_EQ(c.exit_code, run.exit_code) << run.err;
        }
    }
}

// Outside the study's directory: a link that reaches a study file, and a
// coded coder file the list does not name.
TEST_F(RefusalTest, OutPathsElsewhereThatReachOrHoldCodes) {
    const std::string link = root.file("elsewhere.dat"), copy = root.file("copy.001");
    fs::create_symlink(file("S.DAT"), link);
    fs::copy_file(file("S.001"), copy);
    const std::string coded = read_bytes(copy);
    for (const std::string& out : {link, copy}) {
        SCOPED_TRACE(out);
        expect_refused({"prepare", "--study", base(), "--question", "Q2:append:1:2", "--out", out, "--replace"});
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_SAME_BYTES(coded, read_bytes(copy));
}

TEST_F(RefusalTest, ExamineInAStudyDirectoryItMayNotWrite) {
    RunResult plain = run_cli({"examine", "--study", base(), "--question", "Q1"});
    ASSERT_EQ(0, plain.exit_code) << plain.err;
    const dir_state before = snapshot(study_dir());
    const std::string listing = root.file("listing.txt");
    RunResult run = run_cli({"examine", "--study", base(), "--question", "Q1", "--out", listing}, {},
                            shim({{"OPENCODER_DENY_CREATE_IN", study_dir().string()}}));
    EXPECT_EQ(0, run.exit_code) << run.err;
    EXPECT_SAME_BYTES(plain.out, read_bytes(listing));
    EXPECT_EQ("", state_difference(before, snapshot(study_dir())));
}

// Coding needs only the coder file to be writable: without a lock file
// beside it, the coder file itself carries the lock.
TEST_F(RefusalTest, CodingInAStudyDirectoryItMayNotWrite) {
    write_bytes(root.file("codes.csv"), "question,respondent,roster,list_no,codes\r\nQ1,3,0,1,5\r\n");
    fs::remove(file("S.001.lck"));
    const environment deny = shim({{"OPENCODER_DENY_CREATE_IN", study_dir().string()}});
    RunResult run = run_cli({"code", "--study", base(), "--file", "S.001", "--codes", root.file("codes.csv")}, {}, deny);
    EXPECT_EQ(0, run.exit_code) << run.err;
    EXPECT_FALSE(fs::exists(file("S.001.lck")));
    EXPECT_NE(std::string::npos, read_bytes(file("S.001")).find("    1         3       Q1   0   1  0  1    5"));
}

TEST_F(RefusalTest, CoderListThatCannotBeRead) {
    expect_refused({"prepare", "--study", base(), "--question", "Q2:append:1:2"},
                   shim({{"OPENCODER_DENY_OPEN", ".cdl"}}));
}

TEST_F(RefusalTest, ReadOnlyAddFile) {
    fs::permissions(file("S.add"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    expect_refused({"merge", "--study", base(), "--file", "S.001"});
}

// "line N" with nothing but N after it.
bool names_line(const std::string& message, int line) {
    const std::string wanted = "line " + std::to_string(line);
    for (std::size_t at = message.find(wanted); at != std::string::npos; at = message.find(wanted, at + 1)) {
        std::size_t end = at + wanted.size();
        if (end == message.size() || !std::isdigit(static_cast<unsigned char>(message[end]))) return true;
    }
    return false;
}

TEST_F(RefusalTest, DamagedCoderLine) {
    const std::string coded = read_bytes(file("S.001"));
    // Respondent 7's coded Q1 line: "%5d %9ld %8s %3d ..." puts the respondent's
    // last digit at column 14, the name's last character at 23 and the
    // roster's last digit at 27.
    const std::size_t start = coded.find("    1         7       Q1   0   1");
    ASSERT_NE(std::string::npos, start);
    const int line = 1 + static_cast<int>(std::count(coded.begin(), coded.begin() + static_cast<long>(start), '\n'));
    const struct {
        const char* what;
        std::size_t column;
        char now;
    } damages[] = {
        {"question name Q9, not a question of the file", 23, '9'},
        {"roster 3 of a question without roster", 27, '3'},
        {"respondent 1, whose own line stands earlier", 14, '1'},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.what);
        copy_study(template_dir(), study_dir());
        std::string damaged = coded;
        damaged[start + damage.column] = damage.now;
        write_bytes(file("S.001"), damaged);
        RunResult run = expect_refused({"merge", "--study", base(), "--file", "S.001"});
        EXPECT_NE(std::string::npos, run.err.find("S.001")) << run.err;
        EXPECT_TRUE(names_line(run.err, line)) << "line " << line << ": " << run.err;
    }
}

}  // namespace
