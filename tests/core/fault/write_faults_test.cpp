// Each writing command failed (a full disk) and killed (a crash or a power
// cut) at each of its writes in turn. A failed run exits 1; after either,
// `study check --repair` leaves the study as it was before the command or as
// an undisturbed run leaves it, never in between, and running the command
// again gives the undisturbed run's bytes. A failed merge puts everything
// back by itself; so do the writer session and the .add update, run alone.
#include <string>
#include <vector>

#include "fault_support.h"

namespace {

using namespace octest;

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

environment at_write(const char* mode, long n) { return shim({{mode, std::to_string(n)}}); }

// How many counted calls a clean run of `program` makes; the run's files stay.
long count_writes(const std::string& program, const std::vector<std::string>& args, const fs::path& scratch) {
    const std::string counter = (scratch / "writes").string();
    RunResult clean = run_program(program, args, {}, shim({{"OPENCODER_COUNT_WRITES", counter}}));
    EXPECT_EQ(0, clean.exit_code) << clean.err;
    long writes = std::stol("0" + read_bytes(counter));
    fs::remove(counter);
    return writes;
}

class WriteFaults : public ::testing::Test {
protected:
    fs::path before_dir() const { return root.path() / "before"; }
    fs::path study_dir() const { return root.path() / "study"; }
    std::string base() const { return (study_dir() / "S").string(); }
    std::string input(const char* name) const { return root.file(name); }

    // `command` on a copy of the study in before_dir(), failed and killed at
    // each write. With `partial` a crash may leave part of the work done
    // (batch coding writes codes in place) as long as running the command
    // again completes it; with `rolls_back` a failure leaves the study as it
    // was before any repair.
    void each_write(const std::vector<std::string>& command, const std::vector<std::string>& rerun,
                    bool partial = false, bool rolls_back = false) {
        const dir_state before = snapshot(before_dir());
        copy_study(before_dir(), study_dir());
        const long writes = count_writes(OPENCODER_CLI, command, root.path());
        const dir_state after = snapshot(study_dir());
        ASSERT_NE(before, after);
        ASSERT_GT(writes, 0);
        for (long n = 1; n <= writes; ++n) {
            for (const char* mode : {"OPENCODER_FAIL_WRITE", "OPENCODER_KILL_AT_WRITE"}) {
                SCOPED_TRACE(std::string(mode) + "=" + std::to_string(n));
                copy_study(before_dir(), study_dir());
                RunResult run = run_cli(command, {}, at_write(mode, n));
                const bool failed = std::string(mode).find("FAIL") != std::string::npos;
                // A journal that cannot be written is said, and holds nothing up.
                if (failed && run.exit_code == 0)
                    EXPECT_NE(std::string::npos, run.err.find("The coding journal was not written")) << run.err;
                else
                    EXPECT_EQ(failed ? 1 : -1, run.exit_code) << run.err;
                if (failed && rolls_back && run.exit_code != 0) {
                    EXPECT_EQ("", state_difference(before, snapshot(study_dir())));
                }
                std::string problem = recover(before, after, rerun, partial);
                EXPECT_EQ("", problem);
            }
        }
        copy_study(before_dir(), study_dir());
        RunResult past_the_last = run_cli(command, {}, at_write("OPENCODER_KILL_AT_WRITE", writes + 1));
        EXPECT_EQ(0, past_the_last.exit_code) << past_the_last.err;
        EXPECT_EQ("", state_difference(after, snapshot(study_dir())));
    }

    // What is wrong after the repair and a second run; "" when nothing.
    std::string recover(const dir_state& before, const dir_state& after, const std::vector<std::string>& rerun,
                        bool partial) {
        std::string problems;
        RunResult check = run_cli({"study", "check", "--study", base(), "--repair"});
        dir_state state = snapshot(study_dir());
        // A stopped import may leave no study at all, which is nothing to check.
        if (check.exit_code != 0 && !(before.empty() && state.empty()))
            problems += "study check --repair exit " + std::to_string(check.exit_code) + ": " +
                        first_line(check.out + check.err) + "; ";
        for (const auto& entry : state)
            if (entry.first.find(".oc-tmp.") != std::string::npos || entry.first == "S.mjl" ||
                entry.first.starts_with("COD"))
                problems += entry.first + " left after the repair; ";
        // A run stopped after its work and before its journal line leaves the
        // journal short of that line; never with a line torn or too many.
        auto without_journal = [](dir_state files) {
            files.erase("S.jnl");
            return files;
        };
        if (state.contains("S.jnl") && after.contains("S.jnl") && !after.at("S.jnl").starts_with(state.at("S.jnl")))
            problems += "S.jnl is not the start of the journal of a whole run; ";
        if (without_journal(state) == without_journal(after)) return problems;
        // A failed prepare may leave the list's backup refreshed to the list
        // as it stands, the list itself unchanged.
        dir_state as_before = state;
        if (before.contains("S.cdb") && state.contains("S.cdl") && state["S.cdb"] == state["S.cdl"])
            as_before["S.cdb"] = before.at("S.cdb");
        if (!partial && as_before != before)
            return problems + "neither as before (" + state_difference(before, state) + ") nor as after (" +
                   state_difference(after, state) + ")";
        RunResult again = run_cli(rerun);
        if (again.exit_code != 0)
            return problems + "run again: exit " + std::to_string(again.exit_code) + ": " + first_line(again.err);
        dir_state expected = after, done = snapshot(study_dir());
        // Work done in two runs is journaled by the runs that did it: the
        // journal tells what happened, not what one run would have done.
        if (partial) expected.erase("S.jnl"), done.erase("S.jnl");
        std::string difference = state_difference(expected, done);
        return difference.empty() ? problems : problems + "run again: " + difference;
    }

    ScratchDir root;
};

TEST_F(WriteFaults, Import) {
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::inputs));
    std::vector<std::string> import{"study", "import", "--labels", input("labels.csv"),
                                    "--data", input("data.csv"), "--out", base()};
    std::vector<std::string> replace = import;
    replace.push_back("--replace");
    each_write(import, replace);
}

TEST_F(WriteFaults, FirstPrepare) {
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::imported));
    std::vector<std::string> prepare{"prepare", "--study", base(), "--question", "Q1:append:1:1"};
    each_write(prepare, prepare);
}

TEST_F(WriteFaults, Prepare) {
    // Two coder files listed already: the list is rewritten and backed up.
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::coded));
    std::vector<std::string> prepare{"prepare", "--study", base(), "--question", "Q2:append:1:2"};
    each_write(prepare, prepare);
}

TEST_F(WriteFaults, BatchCode) {
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::coded));
    std::vector<std::string> code{"code", "--study", base(), "--file", "S.001", "--codes", input("more_codes1.csv")};
    each_write(code, code, true);
}

TEST_F(WriteFaults, Merge) {
    // S.002 merged before: the .add file is updated and some chains grow a third version.
    ASSERT_NO_FATAL_FAILURE(make_study(before_dir(), study_stage::one_merged));
    std::vector<std::string> merge{"merge", "--study", base(), "--file", "S.001"};
    each_write(merge, merge, false, true);
}

// A library call run alone under the shim: every failed write leaves the
// files as they were, and the call then succeeds with the clean run's bytes.
void each_write_alone(const std::vector<std::string>& args, const std::vector<std::string>& files,
                      const fs::path& scratch) {
    std::vector<std::string> before, after;
    for (const std::string& f : files) before.push_back(fs::exists(f) ? read_bytes(f) : "(none)");
    auto put_back = [&] {
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (before[i] == "(none)") fs::remove(files[i]);
            else write_bytes(files[i], before[i]);
        }
    };
    const long writes = count_writes(OPENCODER_FAULT_DRIVER, args, scratch);
    ASSERT_GT(writes, 0);
    for (const std::string& f : files) after.push_back(read_bytes(f));
    for (long n = 1; n <= writes; ++n) {
        put_back();
        RunResult failed = run_program(OPENCODER_FAULT_DRIVER, args, {}, at_write("OPENCODER_FAIL_WRITE", n));
        EXPECT_EQ(1, failed.exit_code) << "write " << n;
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_SAME_BYTES(before[i], fs::exists(files[i]) ? read_bytes(files[i]) : "(none)") << "write " << n;
        for (const auto& entry : fs::directory_iterator(fs::path(files[0]).parent_path()))
            EXPECT_EQ(std::string::npos, entry.path().string().find(".oc-tmp.")) << "write " << n;
    }
    put_back();
    ASSERT_EQ(0, run_program(OPENCODER_FAULT_DRIVER, args).exit_code);
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_SAME_BYTES(after[i], read_bytes(files[i]));
}

TEST_F(WriteFaults, WriterSessionsPutTheStudyBack) {
    ASSERT_NO_FATAL_FAILURE(make_study(study_dir(), study_stage::imported));
    const std::vector<std::string> files{base() + ".DAT", base() + ".idx"};
    // A single append; two commits, the second failing puts back the first too;
    // stages of megabytes committed on their own.
    each_write_alone({"append", base(), "single", "7"}, files, root.path());
    each_write_alone({"append", base(), "twice", "7", "9", "7", "8"}, files, root.path());
    each_write_alone({"append", base(), "big", "3", "4"}, files, root.path());
    // Respondents far apart: their links go out in separate runs.
    const std::string big = root.file("big");
    std::string data = "respondent,sequence,complete,Q5\r\n";
    for (int r = 1; r <= 600; ++r) data += std::to_string(r) + ",1,1,text " + std::to_string(r) + "\r\n";
    write_bytes(root.file("big.csv"), data);
    write_bytes(root.file("big_labels.csv"), "name,type,other,text\r\nQ5,7,0,Why?\r\n");
    ASSERT_EQ(0, run_cli({"study", "import", "--labels", root.file("big_labels.csv"), "--data", root.file("big.csv"),
                          "--out", big})
                     .exit_code);
    each_write_alone({"append", big, "session", "1", "3", "300", "600"}, {big + ".DAT", big + ".idx"}, root.path());
}

TEST_F(WriteFaults, AddFileIsReplacedWholeOrNotAtAll) {
    const std::string add = root.file("S.add");
    const std::vector<std::string> args{"add", add, "Q1:3:2:4:1", "Q7:0:1:1:2", "q9:1:1:1:1"};
    each_write_alone(args, {add}, root.path());  // none yet
    ASSERT_EQ(3 * 24u, read_bytes(add).size());
    write_bytes(add, read_bytes(add).substr(0, 48));  // Q1 and Q7 there: Q7 kept, Q1 raised, Q9 new
    write_bytes(add, read_bytes(add).replace(16, 2, "\x01\x00", 2));
    each_write_alone(args, {add}, root.path());
}

}  // namespace
