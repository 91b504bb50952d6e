#include "fault_support.h"

namespace octest {

namespace {

// The coding journal without each line's time, which no two runs share.
std::string journal_without_times(const std::string& bytes) {
    std::string out;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t end = bytes.find('\n', at);
        end = end == std::string::npos ? bytes.size() : end + 1;
        const std::string line = bytes.substr(at, end - at);
        const std::size_t comma = line.find(',');
        out += comma == std::string::npos ? line : line.substr(comma);
        at = end;
    }
    return out;
}

}  // namespace

dir_state snapshot(const fs::path& dir) {
    dir_state state;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name.ends_with(".lck")) continue;
        const std::string bytes = read_bytes(entry.path().string());
        state[name] = name.ends_with(".jnl") ? journal_without_times(bytes) : bytes;
    }
    return state;
}

std::string state_difference(const dir_state& expected, const dir_state& actual) {
    for (const auto& [name, bytes] : expected) {
        auto found = actual.find(name);
        if (found == actual.end()) return name + " is missing";
        std::string difference = first_difference(bytes, found->second);
        if (!difference.empty()) return name + ": " + difference;
    }
    for (const auto& entry : actual)
        if (!expected.contains(entry.first)) return entry.first + " is left over";
    return {};
}

environment shim(environment more) {
    more.insert(more.begin(), {"LD_PRELOAD", OPENCODER_FAULT_SHIM});
    return more;
}

namespace {

void run_step(const std::vector<std::string>& args) {
    RunResult run = run_cli(args);
    ASSERT_EQ(0, run.exit_code) << args[0] << ": " << run.err;
}

}  // namespace

void make_study(const fs::path& study_dir, study_stage stage) {
    fs::create_directories(study_dir);
    const fs::path inputs = study_dir.parent_path();
    const std::string base = (study_dir / "S").string();
    auto input = [&](const char* name) { return (inputs / name).string(); };

    for (const char* name : {"labels.csv", "data.csv", "codes1.csv", "more_codes1.csv", "codes2.csv"})
        fs::copy_file(test_data(std::string("fault/") + name), inputs / name, fs::copy_options::overwrite_existing);
    if (stage == study_stage::inputs) return;
    ASSERT_NO_FATAL_FAILURE(
        run_step({"study", "import", "--labels", input("labels.csv"), "--data", input("data.csv"), "--out", base}));
    if (stage == study_stage::imported) return;
    ASSERT_NO_FATAL_FAILURE(run_step({"prepare", "--study", base, "--question", "Q1:append:2:2"}));
    if (stage == study_stage::prepared) return;
    ASSERT_NO_FATAL_FAILURE(run_step({"code", "--study", base, "--file", "S.001", "--codes", input("codes1.csv")}));
    ASSERT_NO_FATAL_FAILURE(run_step({"prepare", "--study", base, "--question", "Q3:append:1:2"}));
    ASSERT_NO_FATAL_FAILURE(run_step({"code", "--study", base, "--file", "S.002", "--codes", input("codes2.csv")}));
    if (stage == study_stage::coded) return;
    ASSERT_NO_FATAL_FAILURE(run_step({"merge", "--study", base, "--file", "S.002"}));
}

void copy_study(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive);
}

}  // namespace octest
