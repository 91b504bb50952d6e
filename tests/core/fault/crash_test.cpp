// Each writing command killed at each of its writes in turn, as a crash or
// a power cut would stop it. `study check --repair` then leaves the study as
// it was before the command or as an undisturbed run leaves it, never in
// between, and running the command again gives the undisturbed run's bytes.
#include <string>
#include <vector>

#include "fault_support.h"

namespace {

using namespace octest;

// Messages shortened to their first line, so that each write's verdict stays one line.
std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

class CrashTest : public ::testing::Test {
protected:
    fs::path before_dir() const { return root.path() / "before"; }
    fs::path study_dir() const { return root.path() / "study"; }
    std::string base() const { return (study_dir() / "S").string(); }
    std::string input(const char* name) const { return root.file(name); }

    // `command` on a copy of the study in before_dir(), killed at write 1, 2, ...
    // until a run gets past its last write. With `partial` the crash may leave
    // part of the work done (batch coding writes codes in place), as long as
    // running the command again completes it.
    void crash_loop(const std::vector<std::string>& command, const std::vector<std::string>& rerun,
                    bool partial = false) {
        const dir_state before = snapshot(before_dir());
        copy_study(before_dir(), study_dir());
        RunResult clean = run_cli(command);
        ASSERT_EQ(0, clean.exit_code) << clean.err;
        const dir_state after = snapshot(study_dir());
        ASSERT_NE(before, after);

        for (long n = 1;; ++n) {
            ASSERT_LT(n, 5000) << "the command never got past its last write";
            copy_study(before_dir(), study_dir());
            RunResult run = run_cli(command, {}, shim({{"OPENCODER_KILL_AT_WRITE", std::to_string(n)}}));
            if (run.exit_code != -1) {
                EXPECT_EQ(0, run.exit_code) << run.err;
                EXPECT_EQ("", state_difference(after, snapshot(study_dir())));
                break;
            }
            std::string problem = recover(before, after, rerun, partial);
            if (!problem.empty()) ADD_FAILURE() << "killed at write " << n << ": " << problem;
        }
    }

    // What is wrong after the repair and a second run; "" when nothing.
    std::string recover(const dir_state& before, const dir_state& after, const std::vector<std::string>& rerun,
                        bool partial) {
        std::string problems;
        RunResult check = run_cli({"study", "check", "--study", base(), "--repair"});
        dir_state state = snapshot(study_dir());
        // A killed import may leave no study at all, which is nothing to check.
        if (check.exit_code != 0 && !(before.empty() && state.empty()))
            problems += "study check --repair exit " + std::to_string(check.exit_code) + ": " +
                        first_line(check.out + check.err) + "; ";
        for (const auto& entry : state)
            if (entry.first.find(".oc-tmp.") != std::string::npos || entry.first == "S.mjl")
                problems += entry.first + " left after the repair; ";
        if (state == after) return problems;
        if (!partial && state != before)
            return problems + "neither as before (" + state_difference(before, state) + ") nor as after (" +
                   state_difference(after, state) + ")";
        RunResult again = run_cli(rerun);
        if (again.exit_code != 0) return problems + "run again: exit " + std::to_string(again.exit_code) + ": " +
                                               first_line(again.err);
        std::string difference = state_difference(after, snapshot(study_dir()));
        return difference.empty() ? problems : problems + "run again: " + difference;
    }

    ScratchDir root;
};

TEST_F(CrashTest, Import) {
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::inputs));
    std::vector<std::string> import{"study", "import", "--labels", input("labels.csv"),
                                    "--data", input("data.csv"), "--out", base()};
    std::vector<std::string> replace = import;
    replace.push_back("--replace");
    crash_loop(import, replace);
}

TEST_F(CrashTest, Prepare) {
    // Two coder files listed already: the list is rewritten and backed up.
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::coded));
    std::vector<std::string> prepare{"prepare", "--study", base(), "--question", "Q2:append:1:2"};
    crash_loop(prepare, prepare);
}

TEST_F(CrashTest, BatchCode) {
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::coded));
    std::vector<std::string> code{"code", "--study", base(), "--file", "S.001", "--codes", input("more_codes1.csv")};
    crash_loop(code, code, true);
}

TEST_F(CrashTest, Merge) {
    // S.002 merged before: the .add file is updated and some chains grow a third version.
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::one_merged));
    std::vector<std::string> merge{"merge", "--study", base(), "--file", "S.001"};
    crash_loop(merge, merge);
}

}  // namespace
