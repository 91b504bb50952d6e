// What the tool refuses so as not to damage a study, where the refusal
// needs the fault shim, a link or file modes (an --out path onto a study
// file: the out_paths scenario): a refusal exits 1 and changes no file.
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
// beside it, the coder file itself carries the lock, and a journal that
// cannot be made never holds coding up.
TEST_F(RefusalTest, CodingInAStudyDirectoryItMayNotWrite) {
    write_bytes(root.file("codes.csv"), "question,respondent,roster,list_no,codes\r\nQ1,3,0,1,5\r\n");
    fs::remove(file("S.001.lck"));
    fs::remove(file("S.jnl"));
    const environment deny = shim({{"OPENCODER_DENY_CREATE_IN", study_dir().string()}});
    RunResult run = run_cli({"code", "--study", base(), "--file", "S.001", "--codes", root.file("codes.csv")}, {}, deny);
    EXPECT_EQ(0, run.exit_code) << run.err;
    EXPECT_FALSE(fs::exists(file("S.001.lck")));
    EXPECT_NE(std::string::npos, read_bytes(file("S.001")).find("    1         3       Q1   0   1  0  1    5"));
    // Nor can its journal be made there: the coder is told, and the codes stand.
    EXPECT_FALSE(fs::exists(file("S.jnl")));
    EXPECT_NE(std::string::npos, run.err.find("The coding journal was not written: cannot create")) << run.err;
}

TEST_F(RefusalTest, CoderListThatCannotBeRead) {
    expect_refused({"prepare", "--study", base(), "--question", "Q2:append:1:2"},
                   shim({{"OPENCODER_DENY_OPEN", ".cdl"}}));
}

TEST_F(RefusalTest, ReadOnlyAddFile) {
    fs::permissions(file("S.add"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    expect_refused({"merge", "--study", base(), "--file", "S.001"});
}

}  // namespace
