// Every write of the tool's write paths made to fail in turn: each failure
// is reported, leaves the study's files as the design promises, and a run
// after the fault succeeds with the same result as an undisturbed one.
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// One .add entry: '#', 7 name bytes, the kept word, roster, code width,
// maximum codes, list number.
std::string add_entry(const std::string& name, int roster, int width, int codes, int list_no) {
    auto le = [](unsigned long v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
        return out;
    };
    std::string seven = name.substr(0, 7);
    seven.resize(7, '\0');
    return "#" + seven + le(0xC0FFEE, 4) + le(static_cast<unsigned long>(roster), 4) +
           le(static_cast<unsigned long>(width), 2) + le(static_cast<unsigned long>(codes), 2) +
           le(static_cast<unsigned long>(list_no), 4);
}

using octest::read_bytes;
using octest::run_cli;
using octest::RunResult;

class WriteFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,1,1,Where?\r\n");
        std::string data = "respondent,sequence,complete,Q1,Q2\r\n";
        for (int r = 1; r <= 40; ++r)
            data += std::to_string(r) + ",1," + std::to_string(r % 5 != 0) + ",answer number " + std::to_string(r) +
                    ",97 shop " + std::to_string(r) + "\r\n";
        octest::write_bytes(dir.file("data.csv"), data);
    }

    std::string base() const { return dir.file("S"); }

    RunResult import(const octest::environment& env = {}) {
        return run_cli({"study", "import", "--labels", dir.file("labels.csv"), "--data", dir.file("data.csv"), "--out",
                        base(), "--replace"},
                       {}, env);
    }

    // How many counted calls (writes, renames, removals) a clean run of
    // `args` makes.
    long count_writes(const std::vector<std::string>& args, const std::string& program = OPENCODER_CLI) {
        std::string counter = dir.file("writes");
        RunResult clean = octest::run_program(program, args, {},
                                              {{"LD_PRELOAD", OPENCODER_FAULT_SHIM}, {"OPENCODER_COUNT_WRITES", counter}});
        EXPECT_EQ(0, clean.exit_code) << clean.err;
        long writes = std::stol(read_bytes(counter));
        octest::fs::remove(counter);
        return writes;
    }

    static octest::environment fail_at(long n) {
        return {{"LD_PRELOAD", OPENCODER_FAULT_SHIM}, {"OPENCODER_FAIL_WRITE", std::to_string(n)}};
    }

    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : octest::fs::directory_iterator(dir.path())) {
            std::string name = entry.path().filename().string();
            if (name.find(".cdl.") != std::string::npos || name.find(".add.") != std::string::npos ||
                name.rfind("COD", 0) == 0 || name.find(".tmp") != std::string::npos)
                names.push_back(name);
        }
        return names;
    }

    octest::ScratchDir dir;
};

TEST_F(WriteFaultTest, ImportLeavesNoStudyBehind) {
    std::vector<std::string> args{"study", "import", "--labels", dir.file("labels.csv"), "--data", dir.file("data.csv"),
                                  "--out", dir.file("T")};
    long writes = count_writes(args);
    ASSERT_GT(writes, 0);
    std::string clean_dat = read_bytes(dir.file("T.DAT"));
    for (const char* ext : {".lbl", ".DAT", ".idx"}) octest::fs::remove(dir.file(std::string("T") + ext));
    for (long n = 1; n <= writes; ++n) {
        RunResult failed = run_cli(args, {}, fail_at(n));
        EXPECT_EQ(1, failed.exit_code) << "write " << n;
        // A failure among the final renames leaves them to the next writer.
        if (octest::fs::exists(dir.file("T.imj"))) {
            EXPECT_EQ(0, run_cli({"study", "check", "--study", dir.file("T"), "--repair"}).exit_code) << n;
            EXPECT_SAME_BYTES(clean_dat, read_bytes(dir.file("T.DAT"))) << "write " << n;
            for (const char* ext : {".lbl", ".DAT", ".idx"}) octest::fs::remove(dir.file(std::string("T") + ext));
        }
        for (const char* ext : {".lbl", ".DAT", ".idx"})
            EXPECT_FALSE(octest::fs::exists(dir.file(std::string("T") + ext))) << "write " << n << ext;
        std::size_t files = 0;
        for (const auto& entry : octest::fs::directory_iterator(dir.path()))
            files += entry.path().extension() != ".lck";  // the lock file stays, by design
        EXPECT_EQ(2u, files) << "temporary files left after write " << n;  // the two CSV files
    }
    ASSERT_EQ(0, run_cli(args).exit_code);
    EXPECT_SAME_BYTES(clean_dat, read_bytes(dir.file("T.DAT")));
}

TEST_F(WriteFaultTest, PrepareKeepsTheCoderListWhole) {
    ASSERT_EQ(0, import().exit_code);
    ASSERT_EQ(0, run_cli({"prepare", "--study", base(), "--question", "Q2:append:1:1"}).exit_code);
    const std::string list = read_bytes(base() + ".cdl");
    std::vector<std::string> args{"prepare", "--study", base(), "--question", "Q1:append:3:2", "--out", base() + ".007"};
    long writes = count_writes(args);
    const std::string clean_file = read_bytes(base() + ".007");
    const std::string clean_list = read_bytes(base() + ".cdl");
    octest::write_bytes(base() + ".cdl", list);
    octest::fs::remove(base() + ".007");
    octest::fs::remove(base() + ".cdb");

    for (long n = 1; n <= writes; ++n) {
        RunResult failed = run_cli(args, {}, fail_at(n));
        EXPECT_EQ(1, failed.exit_code) << "write " << n;
        EXPECT_SAME_BYTES(list, read_bytes(base() + ".cdl"));
        // A coder file stays only when just its entry could not be stored, and then it is whole.
        if (octest::fs::exists(base() + ".007")) {
            EXPECT_SAME_BYTES(clean_file, read_bytes(base() + ".007"));
            octest::fs::remove(base() + ".007");
        }
        EXPECT_TRUE(leftovers().empty()) << "write " << n << ": " << leftovers().front();
    }
    ASSERT_EQ(0, run_cli(args).exit_code);
    EXPECT_SAME_BYTES(clean_file, read_bytes(base() + ".007"));
    EXPECT_SAME_BYTES(clean_list, read_bytes(base() + ".cdl"));
}

TEST_F(WriteFaultTest, FirstPrepareLeavesNoPartialCoderList) {
    ASSERT_EQ(0, import().exit_code);
    std::vector<std::string> args{"prepare", "--study", base(), "--question", "Q1:append:1:1"};
    long writes = count_writes(args);
    const std::string clean_list = read_bytes(base() + ".cdl");
    octest::fs::remove(base() + ".cdl");
    octest::fs::remove(base() + ".001");
    for (long n = 1; n <= writes; ++n) {
        EXPECT_EQ(1, run_cli(args, {}, fail_at(n)).exit_code) << "write " << n;
        EXPECT_FALSE(octest::fs::exists(base() + ".cdl")) << "write " << n;
        octest::fs::remove(base() + ".001");
        EXPECT_TRUE(leftovers().empty()) << "write " << n << ": " << leftovers().front();
    }
    ASSERT_EQ(0, run_cli(args).exit_code);
    EXPECT_SAME_BYTES(clean_list, read_bytes(base() + ".cdl"));
}

TEST_F(WriteFaultTest, BatchCodingSucceedsWhenRunAgain) {
    ASSERT_EQ(0, import().exit_code);
    ASSERT_EQ(0, run_cli({"prepare", "--study", base(), "--question", "Q1:append:2:2"}).exit_code);
    std::string codes = "question,respondent,roster,list_no,codes\r\n";
    for (int r = 1; r <= 40; r += 3) codes += "Q1," + std::to_string(r) + ",0,1,1 " + std::to_string(r) + "\r\n";
    octest::write_bytes(dir.file("codes.csv"), codes);
    const std::string fresh = read_bytes(base() + ".001");
    std::vector<std::string> args{"code", "--study", base(), "--file", "S.001", "--codes", dir.file("codes.csv")};
    long writes = count_writes(args);
    const std::string coded = read_bytes(base() + ".001");

    for (long n = 1; n <= writes; ++n) {
        octest::write_bytes(base() + ".001", fresh);
        RunResult failed = run_cli(args, {}, fail_at(n));
        EXPECT_EQ(1, failed.exit_code) << "write " << n;
        EXPECT_EQ(fresh.size(), read_bytes(base() + ".001").size()) << "write " << n;
        ASSERT_EQ(0, run_cli(args).exit_code);
        EXPECT_SAME_BYTES(coded, read_bytes(base() + ".001"));
    }
}

TEST_F(WriteFaultTest, MergePutsEverythingBackAndSucceedsWhenRunAgain) {
    ASSERT_EQ(0, import().exit_code);
    ASSERT_EQ(0, run_cli({"prepare", "--study", base(), "--question", "Q1:append:2:2", "--question", "Q2:replace:1:1"})
                     .exit_code);
    std::string codes = "question,respondent,roster,list_no,codes\r\n";
    for (int r = 1; r <= 40; r += 3) codes += "Q1," + std::to_string(r) + ",0,1,1 " + std::to_string(r) + "\r\n";
    for (int r = 2; r <= 40; r += 7) codes += "Q2," + std::to_string(r) + ",0,1,4\r\n";
    octest::write_bytes(dir.file("codes.csv"), codes);
    RunResult coded = run_cli({"code", "--study", base(), "--file", "S.001", "--codes", dir.file("codes.csv")});
    ASSERT_EQ(0, coded.exit_code) << coded.err;
    // An .add entry to raise and one to keep.
    octest::write_bytes(base() + ".add", add_entry("Q9", 1, 1, 1, 1) + add_entry("Q1", 0, 1, 3, 1));

    const std::vector<std::string> files{base() + ".DAT", base() + ".idx", base() + ".001", base() + ".cdl",
                                         base() + ".add"};
    auto snapshot = [&] {
        std::vector<std::string> bytes;
        for (const std::string& file : files) bytes.push_back(read_bytes(file));
        return bytes;
    };
    auto put = [&](const std::vector<std::string>& bytes) {
        for (std::size_t i = 0; i < files.size(); ++i) octest::write_bytes(files[i], bytes[i]);
    };
    auto expect_files = [&](const std::vector<std::string>& bytes, long n) {
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_SAME_BYTES(bytes[i], read_bytes(files[i])) << "write " << n << " " << files[i];
    };
    const std::vector<std::string> before = snapshot();
    std::vector<std::string> args{"merge", "--study", base(), "--file", "S.001"};
    long writes = count_writes(args);
    const std::vector<std::string> merged = snapshot();
    ASSERT_NE(before[0], merged[0]);
    ASSERT_NE(before[4], merged[4]);
    put(before);

    for (long n = 1; n <= writes; ++n) {
        RunResult failed = run_cli(args, {}, fail_at(n));
        EXPECT_EQ(1, failed.exit_code) << "write " << n;
        expect_files(before, n);
        EXPECT_TRUE(leftovers().empty()) << "write " << n << ": " << leftovers().front();
        RunResult again = run_cli(args);
        ASSERT_EQ(0, again.exit_code) << "write " << n << ": " << again.err;
        expect_files(merged, n);
        put(before);
    }
}

TEST_F(WriteFaultTest, AddFileIsReplacedWholeOrNotAtAll) {
    std::string add = dir.file("S.add");
    std::vector<std::string> args{add, "Q1:3:2:4:1", "Q7:0:1:1:2", "q9:1:1:1:1"};
    const std::string old = add_entry("Q9", 1, 1, 1, 1) + add_entry("Q1", 0, 1, 3, 1);
    for (bool exists : {true, false}) {
        if (exists) octest::write_bytes(add, old);
        long writes = count_writes(args, OPENCODER_ADD_DRIVER);
        ASSERT_GT(writes, 0);
        const std::string updated = read_bytes(add);
        ASSERT_EQ(3 * 24u, updated.size());  // Q9 kept (as q9), Q1 raised, Q7 new
        for (long n = 1; n <= writes; ++n) {
            if (exists) octest::write_bytes(add, old);
            else octest::fs::remove(add);
            RunResult failed = octest::run_program(OPENCODER_ADD_DRIVER, args, {}, fail_at(n));
            EXPECT_EQ(1, failed.exit_code) << "write " << n;
            if (exists) {
                EXPECT_SAME_BYTES(old, read_bytes(add)) << "write " << n;
            } else {
                EXPECT_FALSE(octest::fs::exists(add)) << "write " << n;
            }
            EXPECT_TRUE(leftovers().empty()) << "write " << n << ": " << leftovers().front();
            ASSERT_EQ(0, octest::run_program(OPENCODER_ADD_DRIVER, args).exit_code);
            EXPECT_SAME_BYTES(updated, read_bytes(add));
        }
        octest::fs::remove(add);
    }
}

}  // namespace
