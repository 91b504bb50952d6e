// Scripted runs of the tool, each compared with a transcript kept beside it
// (tests/data/scenarios/NAME: input files, `script`, `expected`; the script
// language: tests/README.md). A script line is a tool command or one of the
// operations below. Arguments are split at spaces; "..." keeps spaces, and
// \r \n \xHH and \{N}c (N times c) escape. The scratch directory and the
// tool's path are shown as DIR and opencoder. OPENCODER_UPDATE_EXPECT=1
// writes the transcripts instead of comparing.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "test_support.h"

namespace {

using namespace octest;

// Words split at spaces outside "...", then unescaped.
std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) words.push_back(unescape(word));
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(unescape(word));
    return words;
}

std::string shown(const std::string& bytes) {
    std::string out;
    for (char c : bytes) out += c == '\r' ? std::string("\\r") : std::string(1, c);
    return out;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char cell[8];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%02x", static_cast<unsigned char>(bytes[i]));
        out += cell;
        out += (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ";
    }
    return out;
}

// One script line's part of the transcript.
std::string run_line(const std::vector<std::string>& w) {
    const std::string& op = w[0];
    if (op == "@cat") return fs::exists(w.at(1)) ? shown(read_bytes(w[1])) : "no such file\n";
    if (op == "@hex") return hex(read_bytes(w.at(1)));
    if (op == "@sub") {
        std::string bytes = read_bytes(w.at(1));
        std::size_t at = bytes.find(w.at(2));
        if (at == std::string::npos) return "no such bytes\n";
        write_bytes(w[1], bytes.replace(at, w[2].size(), w.at(3)));
        return {};
    }
    if (op == "@put") {
        std::string bytes = read_bytes(w.at(1));
        write_bytes(w[1], bytes.replace(std::stoul(w.at(2)), w.at(3).size(), w[3]));
        return {};
    }
    if (op == "@cp") {
        fs::copy_file(w.at(1), w.at(2), fs::copy_options::overwrite_existing);
        return {};
    }
    if (op == "@cut") {  // -N: N bytes off the end
        const long n = std::stol(w.at(2));
        fs::resize_file(w[1], n < 0 ? fs::file_size(w[1]) - static_cast<std::uintmax_t>(-n) : static_cast<std::uintmax_t>(n));
        return {};
    }
    if (op == "@write") {
        write_bytes(w.at(1), w.at(2));
        return {};
    }
    if (op == "@rm") return fs::remove(w.at(1)) ? "" : "no such file\n";
    if (op == "@ls") {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator("."))
            if (entry.path().extension() != ".lck") names.insert(entry.path().filename().string());
        std::string out;
        for (const std::string& name : names) out += name + "\n";
        return out;
    }
    RunResult run = run_cli(w);
    std::string out = shown(run.out);
    std::istringstream err(run.err);
    for (std::string line; std::getline(err, line);) out += "! " + shown(line) + "\n";
    return out + "[exit " + std::to_string(run.exit_code) + "]\n";
}

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, MatchesTheTranscript) {
    const fs::path folder = fs::path(test_data("scenarios")) / GetParam();
    ScratchDir dir;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "script" && entry.path().filename() != "expected")
            fs::copy_file(entry.path(), dir.path() / entry.path().filename());
    dir.enter();
    std::istringstream script(read_bytes((folder / "script").string()));
    std::string transcript;
    for (std::string line; std::getline(script, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::string out = run_line(split(line));
        for (const std::string& path : {dir.path().string(), std::string(OPENCODER_CLI)})
            for (std::size_t at; (at = out.find(path)) != std::string::npos;)
                out.replace(at, path.size(), path == OPENCODER_CLI ? "opencoder" : "DIR");
        transcript += "$ " + line + "\n" + out;
    }
    const std::string expected_path = (folder / "expected").string();
    if (std::getenv("OPENCODER_UPDATE_EXPECT")) write_bytes(expected_path, transcript);
    EXPECT_SAME_BYTES(read_bytes(expected_path), transcript);
}

std::vector<std::string> scenarios() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(test_data("scenarios"))) names.insert(entry.path().filename());
    return {names.begin(), names.end()};
}

INSTANTIATE_TEST_SUITE_P(Folders, Scenario, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param; });

}  // namespace
