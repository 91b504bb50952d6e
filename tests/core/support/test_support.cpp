#include "test_support.h"

#include "suite/study_import.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace octest {

ScratchDir::ScratchDir() : previous_cwd_(fs::current_path()) {
    std::random_device rd;
    for (;;) {
        path_ = fs::temp_directory_path() / ("opencoder-test-" + std::to_string(rd()));
        if (fs::create_directory(path_)) break;
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::current_path(previous_cwd_, ec);
    fs::remove_all(path_, ec);
}

void ScratchDir::enter() const { fs::current_path(path_); }

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

static std::string show(const std::string& s, size_t at) {
    std::string shown;
    for (size_t i = at; i < s.size() && i < at + 16; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 32 && c < 127) shown += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        }
    }
    return "\"" + shown + "\"";
}

std::string first_difference(const std::string& expected, const std::string& actual) {
    size_t n = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < n; ++i) {
        if (expected[i] != actual[i])
            return "first difference at offset " + std::to_string(i) + ": expected " + show(expected, i) +
                   ", got " + show(actual, i);
    }
    if (expected.size() != actual.size())
        return "sizes differ: expected " + std::to_string(expected.size()) + " bytes, got " +
               std::to_string(actual.size()) + " (common prefix equal)";
    return {};
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char e = text[++i];
        if (e == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (e == '{') {
            std::size_t close = text.find('}', i);
            out.append(std::stoul(text.substr(i + 1, close - i - 1)), text.at(close + 1));
            i = close + 1;
        } else {
            out += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
    }
    return out;
}

std::string test_data(const std::string& relative) { return std::string(OPENCODER_TEST_DATA) + "/" + relative; }


RunResult run_cli(const std::vector<std::string>& args, const std::string& stdin_text, const environment& env) {
    return run_program(OPENCODER_CLI, args, stdin_text, env);
}

namespace {

// Starts `program_path` with standard input, output and error on the files given.
pid_t spawn(const std::string& program_path, const std::vector<std::string>& args, const environment& env,
            const std::string& in_path, const std::string& out_path, const std::string& err_path) {
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        std::string program = program_path;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

int exit_code_of(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

RunResult run_program(const std::string& program_path, const std::vector<std::string>& args,
                      const std::string& stdin_text, const environment& env) {
    // Files rather than pipes keep this free of deadlocks on large output.
    ScratchDir io;
    std::string in_path = io.file("stdin"), out_path = io.file("stdout"), err_path = io.file("stderr");
    write_bytes(in_path, stdin_text);
    pid_t pid = spawn(program_path, args, env, in_path, out_path, err_path);
    RunResult result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.exit_code = exit_code_of(status);
    result.out = read_bytes(out_path);
    result.err = read_bytes(err_path);
    return result;
}

Background::Background(const std::string& program, const std::vector<std::string>& args, const environment& env) {
    write_bytes(io_.file("stdin"), "");
    pid_ = spawn(program, args, env, io_.file("stdin"), io_.file("stdout"), io_.file("stderr"));
}

Background::~Background() {
    if (exit_code_ != -2 || pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

int Background::wait(double seconds) {
    wait_until(
        [this] {
            int status = 0;
            if (exit_code_ == -2 && waitpid(pid_, &status, WNOHANG) == pid_) exit_code_ = exit_code_of(status);
            return exit_code_ != -2;
        },
        seconds);
    return exit_code_;
}

bool wait_until(const std::function<bool()>& done, double seconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void import_study_s(const ScratchDir& dir, const std::string& labels, const std::string& data) {
    write_bytes(dir.file("labels.csv"), labels);
    write_bytes(dir.file("data.csv"), data);
    oc::import_result imported = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S"));
    ASSERT_TRUE(imported.ok) << imported.message;
    dir.enter();
}

}  // namespace octest
