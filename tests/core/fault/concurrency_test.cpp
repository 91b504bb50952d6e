// Two writing commands on one study at the same time, interleaved without
// timing races: the shim holds the first at one of its writes until the
// test releases it, and the second starts meanwhile. The second either
// waits for the first, or, given no time to wait, is refused naming who
// holds the study and changes nothing. Either way the study ends as the
// two commands run one after the other leave it.
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "fault_support.h"

namespace {

using namespace octest;

struct interleaving {
    const char* name;
    study_stage stage;
    // "{S}" stands for the study's base path, "{in}" for the directory of the codes files.
    std::vector<std::string> first, second;
    // The first is held at its hold_at'th write to a file whose name ends in hold_file.
    const char* hold_file;
    int hold_at;
};

// A merge is held at its first write to the index, its new versions appended
// to the .DAT already; a prepare when it replaces the coder list it has read;
// the coding at its sixth write to S.001, among the ten records of more_codes1.csv;
// a frame add just before it renames its new frame over S.cfr, the code it
// chose not yet visible to the second. An export reads what the merge leaves.
const interleaving kInterleavings[] = {
    {"TwoMerges", study_stage::coded, {"merge", "--study", "{S}", "--file", "S.001"},
     {"merge", "--study", "{S}", "--file", "S.002"}, ".idx", 1},
    {"TwoPrepares", study_stage::prepared, {"prepare", "--study", "{S}", "--question", "Q2:append:1:2"},
     {"prepare", "--study", "{S}", "--question", "Q3:append:1:2"}, ".cdl", 1},
    {"CodeDuringMerge", study_stage::coded, {"merge", "--study", "{S}", "--file", "S.001"},
     {"code", "--study", "{S}", "--file", "S.001", "--codes", "{in}/more_codes1.csv"}, ".idx", 1},
    {"MergeDuringCode", study_stage::coded,
     {"code", "--study", "{S}", "--file", "S.001", "--codes", "{in}/more_codes1.csv"},
     {"merge", "--study", "{S}", "--file", "S.001"}, "S.001", 6},
    {"ExportDuringMerge", study_stage::coded, {"merge", "--study", "{S}", "--file", "S.001"},
     {"export", "--study", "{S}", "--out", "{in}/study/S.csv"}, ".idx", 1},
    {"TwoFrameAdds", study_stage::imported, {"frame", "add", "--study", "{S}", "--question", "Q1", "--label", "price"},
     {"frame", "add", "--study", "{S}", "--question", "Q1", "--label", "taste"}, ".cfr", 1},
};

void PrintTo(const interleaving& pair, std::ostream* out) { *out << pair.name; }

// The message of a refusal names this user and this host.
bool names_holder(const std::string& message) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::vector<std::string> users;
    if (const char* user = std::getenv("USER")) users.push_back(user);
    if (const passwd* entry = getpwuid(geteuid())) users.push_back(entry->pw_name);
    for (const std::string& user : users)
        if (message.find("is in use by " + user + " on " + host) != std::string::npos) return true;
    return false;
}

bool has_line_starting(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0 || text.find("\n" + start) != std::string::npos;
}

class InterleavingTest : public ::testing::TestWithParam<std::tuple<interleaving, bool>> {
protected:
    fs::path template_dir() const { return root.path() / "template"; }
    fs::path study_dir() const { return root.path() / "study"; }
    fs::path hold_dir() const { return root.path() / "hold"; }
    std::string base() const { return (study_dir() / "S").string(); }

    std::vector<std::string> expand(std::vector<std::string> args) const {
        for (std::string& arg : args) {
            if (arg == "{S}") arg = base();
            else if (arg.starts_with("{in}")) arg = root.path().string() + arg.substr(4);
        }
        return args;
    }

    void release() const { write_bytes((hold_dir() / "release").string(), ""); }

    ScratchDir root;
};

TEST_P(InterleavingTest, EndsAsOneAfterTheOther) {
    const auto& [pair, waits] = GetParam();
    const std::vector<std::string> first = expand(pair.first), second = expand(pair.second);
    ASSERT_NO_FATAL_FAILURE(make_study(template_dir(), pair.stage));

    copy_study(template_dir(), study_dir());
    for (const auto& args : {first, second}) {
        RunResult run = run_cli(args);
        ASSERT_EQ(0, run.exit_code) << run.err;
    }
    const dir_state sequential = snapshot(study_dir());
    const std::string sequential_list = run_cli({"list", "--study", base()}).out;

    copy_study(template_dir(), study_dir());
    fs::create_directory(hold_dir());
    Background held(OPENCODER_CLI, first,
                    shim({{"OPENCODER_PAUSE_AT_WRITE", std::to_string(pair.hold_at)},
                          {"OPENCODER_PAUSE_FILE", pair.hold_file},
                          {"OPENCODER_PAUSE_DIR", hold_dir().string()}}));
    ASSERT_TRUE(wait_until([&] { return fs::exists(hold_dir() / "paused"); }, 30))
        << "never held: exit " << held.wait(0) << ": " << held.err();
    const dir_state while_held = snapshot(study_dir());

    if (waits) {
        Background waiting(OPENCODER_CLI, second);
        wait_until([&] { return has_line_starting(waiting.err(), "Waiting for ") || waiting.wait(0) != -2; }, 30);
        EXPECT_TRUE(has_line_starting(waiting.err(), "Waiting for "))
            << "exit " << waiting.wait(0) << " while the first was held: " << waiting.err();
        release();
        EXPECT_EQ(0, held.wait(30)) << held.err();
        EXPECT_EQ(0, waiting.wait(60)) << waiting.err();
    } else {
        std::vector<std::string> no_wait = second;
        no_wait.insert(no_wait.end(), {"--wait", "0"});
        RunResult refused = run_cli(no_wait);
        EXPECT_EQ(1, refused.exit_code) << refused.err;
        EXPECT_TRUE(names_holder(refused.err)) << refused.err;
        EXPECT_EQ("", state_difference(while_held, snapshot(study_dir())));
        release();
        EXPECT_EQ(0, held.wait(30)) << held.err();
        RunResult again = run_cli(second);
        EXPECT_EQ(0, again.exit_code) << again.err;
    }
    EXPECT_EQ("", state_difference(sequential, snapshot(study_dir())));
    EXPECT_EQ(sequential_list, run_cli({"list", "--study", base()}).out);
}

INSTANTIATE_TEST_SUITE_P(Pairs, InterleavingTest, ::testing::Combine(::testing::ValuesIn(kInterleavings), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "SecondWaits" : "SecondRefused");
                         });

}  // namespace
