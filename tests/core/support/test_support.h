// Shared helpers of the core tests: scratch directories, whole-file
// comparison, and running the command-line tool.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace octest {

namespace fs = std::filesystem;

// A fresh directory under the system temp dir, removed afterwards. The
// previous current directory is restored when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void enter() const;  // make it the current directory

private:
    fs::path path_;
    fs::path previous_cwd_;
};

std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);

// Empty when equal; otherwise where and how the two differ.
std::string first_difference(const std::string& expected, const std::string& actual);

// `text` with \r \n \t \\ and \xHH unescaped, and \{N}c made N times c.
std::string unescape(const std::string& text);

// Data shipped under tests/data.
std::string test_data(const std::string& relative);

// A stdio file closed when it goes.
struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;
inline file_ptr open_file(const std::string& path, const char* mode) { return file_ptr(std::fopen(path.c_str(), mode)); }

struct RunResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};
// Runs the opencoder CLI with `args` (no shell), optional standard input and
// extra environment variables.
using environment = std::vector<std::pair<std::string, std::string>>;
RunResult run_cli(const std::vector<std::string>& args, const std::string& stdin_text = {},
                  const environment& env = {});
// The same for another program.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& stdin_text = {}, const environment& env = {});

// A program left running while the test goes on, its standard output and
// error going to files. A process still running when the object goes is
// killed.
class Background {
public:
    Background(const std::string& program, const std::vector<std::string>& args, const environment& env = {});
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    // The exit code (-1 after a signal) once the process has ended within
    // `seconds`; -2 when it is still running then.
    int wait(double seconds);
    std::string out() const { return read_bytes(io_.file("stdout")); }
    std::string err() const { return read_bytes(io_.file("stderr")); }

private:
    ScratchDir io_;
    int pid_ = -1;
    int exit_code_ = -2;
};

// Polls `done` every 10 ms for at most `seconds`; its last answer.
bool wait_until(const std::function<bool()>& done, double seconds);

// Study `dir`/S imported from the CSV texts `labels` and `data` (written
// beside it as labels.csv and data.csv); `dir` becomes current. A failed
// import is a fatal test failure.
void import_study_s(const ScratchDir& dir, const std::string& labels, const std::string& data);

}  // namespace octest

// Whole-file comparison that names the first differing offset.
#define EXPECT_SAME_BYTES(expected, actual) \
    EXPECT_EQ("", ::octest::first_difference((expected), (actual)))
