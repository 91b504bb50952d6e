// The coding journal under two processes appending at once: one header,
// every line whole and none lost.
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>

#include "suite/coding_journal.h"
#include "test_support.h"

namespace {

constexpr int kLines = 400;

TEST(CodingJournal, TwoProcessesAppendingAtOnceLoseAndTearNothing) {
    octest::ScratchDir dir;
    const std::string base = dir.file("S");
    int go[2];
    ASSERT_EQ(0, pipe(go));
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] != 0) continue;
        char start;
        close(go[1]);
        if (read(go[0], &start, 1) != 0) _exit(3);  // both wait for the pipe to close
        const std::string file = c == 0 ? "A.001" : "B.001";
        bool ok = true;
        std::string error;
        // One line a call, as a dialog appends each save.
        for (int i = 1; i <= kLines && ok; ++i)
            ok = oc::append_to_journal(base, {oc::record_change(file, "Q1", i, 1, 0, 1, {}, {static_cast<std::int16_t>(i % 50 + 1), 7}, "dialog")},
                                       false, error);
        _exit(ok ? 0 : 1);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::istringstream journal(octest::read_bytes(oc::journal_path(base)));
    std::string line;
    ASSERT_TRUE(std::getline(journal, line));
    EXPECT_EQ(std::string(oc::kJournalHeader) + "\r", line);
    std::set<std::string> seen;
    int lines = 0;
    while (std::getline(journal, line)) {
        ++lines;
        ASSERT_TRUE(line.ends_with(",dialog\r")) << line;
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
        ASSERT_EQ(12u, fields.size()) << line;
        EXPECT_TRUE(seen.insert(fields[3] + "/" + fields[5]).second) << line;
    }
    EXPECT_EQ(2 * kLines, lines);
    EXPECT_EQ(static_cast<std::size_t>(2 * kLines), seen.size());
}

}  // namespace
