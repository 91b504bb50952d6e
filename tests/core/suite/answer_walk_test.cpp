// answer_walk reads the study through file windows and picks out one
// question's values; fextract reads every version whole. Both are driven in
// lockstep over generated studies, whole and damaged, and must agree call
// by call: results, respondent, sequence, type, roster and every buffer byte.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "study_test_support.h"
#include "suite/answer_walk.h"
#include "suite/data_library.h"
#include "suite/file_window.h"
#include "suite/label_file.h"

namespace {

using octest::ScratchDir;
using suitetest::hand_version;
using suitetest::hand_version_bytes;
using suitetest::le32;

constexpr std::size_t kBuffer = 801;
constexpr std::size_t kGuard = 16;

// ---------------------------------------------------------------------------
// Generated studies

struct study_shape {
    unsigned seed = 1;
    int respondents = 100;
    int later_percent = 35;       // respondents with later versions
    int interleaved_percent = 30;  // later versions placed among the first ones
    int long_text_percent = 3;     // texts of 255 bytes and more
    bool oversized_group = false;  // one respondent's M group too large for the buffer
};

class study_builder {
public:
    explicit study_builder(const study_shape& shape) : shape_(shape), random_(shape.seed) {}

    // BASE.lbl, .idx and .DAT. The first versions stand in respondent order;
    // later ones go either among them or behind them all, their index
    // entries right behind the respondent's first entry or at the end of the
    // index, in rounds so that every link points forward.
    void write(const std::string& base) {
        std::vector<oc::study_label> labels{{"Q", 7, false, "open"},     {"L", 7, false, "loop"},
                                            {"M", 2, false, "multiple"}, {"EIGHTCHR", 7, false, "long name"},
                                            {"C", 1, true, "closed"},    {"ABSENT", 7, false, "never asked"}};
        ASSERT_TRUE(oc::write_label_file(base + ".lbl", labels).ok);

        struct planned {
            int respondent;
            std::vector<std::string> versions;  // bytes, oldest first
            bool interleaved;
        };
        std::vector<planned> plans;
        for (int r = 0; r < shape_.respondents; ++r) {
            planned p{1000 + r * 3, {}, chance(shape_.interleaved_percent)};
            int count = 1 + (chance(shape_.later_percent) ? pick(1, 3) : 0);
            for (int g = 1; g <= count; ++g) p.versions.push_back(version(p.respondent, g, r));
            plans.push_back(std::move(p));
        }

        std::string dat, idx = le32(oc::kIdxMagic);
        std::vector<std::string> behind;  // later versions' records placed after all first ones
        // Where each version's entry goes and where its record is.
        struct entry_plan {
            std::size_t plan, version;
            std::uint32_t dat_offset = 0;
            bool record_behind = false;
        };
        std::vector<entry_plan> entries;
        for (std::size_t i = 0; i < plans.size(); ++i) {
            for (std::size_t v = 0; v < plans[i].versions.size(); ++v) {
                entry_plan e{i, v};
                if (v == 0 || plans[i].interleaved) {
                    e.dat_offset = static_cast<std::uint32_t>(dat.size());
                    dat += plans[i].versions[v];
                } else {
                    e.record_behind = true;
                }
                entries.push_back(e);
            }
        }
        // Records placed behind, in a shuffled order.
        std::vector<std::size_t> order;
        for (std::size_t k = 0; k < entries.size(); ++k)
            if (entries[k].record_behind) order.push_back(k);
        std::shuffle(order.begin(), order.end(), random_);
        for (std::size_t k : order) {
            entries[k].dat_offset = static_cast<std::uint32_t>(dat.size());
            dat += plans[entries[k].plan].versions[entries[k].version];
        }

        // Index: interleaved respondents' entries in a row; the others' later
        // entries appended in rounds (all second versions, then all third...).
        std::vector<std::vector<std::size_t>> by_plan(plans.size());
        for (std::size_t k = 0; k < entries.size(); ++k) by_plan[entries[k].plan].push_back(k);
        std::vector<std::size_t> idx_order;
        for (std::size_t i = 0; i < plans.size(); ++i) {
            idx_order.push_back(by_plan[i][0]);
            if (plans[i].interleaved)
                for (std::size_t v = 1; v < by_plan[i].size(); ++v) idx_order.push_back(by_plan[i][v]);
        }
        for (std::size_t round = 1; round < 4; ++round) {
            std::vector<std::size_t> batch;
            for (std::size_t i = 0; i < plans.size(); ++i)
                if (!plans[i].interleaved && round < by_plan[i].size()) batch.push_back(by_plan[i][round]);
            std::shuffle(batch.begin(), batch.end(), random_);
            idx_order.insert(idx_order.end(), batch.begin(), batch.end());
        }
        std::vector<std::uint32_t> idx_offset(entries.size());
        for (std::size_t n = 0; n < idx_order.size(); ++n)
            idx_offset[idx_order[n]] = static_cast<std::uint32_t>(4 + 20 * n);
        for (std::size_t k : idx_order) {
            const entry_plan& e = entries[k];
            const planned& p = plans[e.plan];
            bool newest = e.version + 1 == p.versions.size();
            std::uint32_t next = newest ? 0 : idx_offset[by_plan[e.plan][e.version + 1]];
            // A later version's entry says generation 2 and up, so the walk
            // passes over it.
            idx += le32(static_cast<std::uint32_t>(p.respondent)) + static_cast<char>(e.version + 1) +
                   std::string(5, '\x07') + suitetest::le16(static_cast<std::uint16_t>(p.respondent % 65536)) +
                   le32(e.dat_offset) + le32(next);
        }
        octest::write_bytes(base + ".idx", idx);
        octest::write_bytes(base + ".DAT", dat);
    }

private:
    bool chance(int percent) { return std::uniform_int_distribution<int>(0, 99)(random_) < percent; }
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::string text() {
        static const char kChars[] = "abc xyz Qq 09 \t\r\n\x07\x0D\x80\xFF";
        std::size_t length = chance(shape_.long_text_percent) ? static_cast<std::size_t>(pick(255, 400))
                                                               : static_cast<std::size_t>(pick(0, 40));
        std::string out;
        for (std::size_t i = 0; i < length; ++i) out += kChars[pick(0, sizeof kChars - 2)];
        if (chance(3)) out += '\0';  // a NUL inside a stored value
        return out;
    }

    // Never more than fits the caller's buffer; oversized_group makes one that does not.
    std::vector<std::string> texts(int low, int high) {
        std::vector<std::string> out(static_cast<std::size_t>(pick(low, high)));
        std::size_t bytes = 0;
        for (std::string& t : out) {
            t = text();
            if ((bytes += t.size() + 1) > kBuffer) t.clear();
        }
        return out;
    }

    // Version `generation` of respondent number `index`: a mix of the asked
    // variables (some emptied or repeated in later versions) and others.
    std::string version(int respondent, int generation, int index) {
        hand_version v;
        v.respondent = respondent;
        v.generation = generation;
        v.complete = chance(70) ? 1 : (chance(50) ? 0 : 2);
        v.sequence = static_cast<std::uint16_t>(index % 5 == 0 ? 65535 : index);
        static const int kFlags[] = {0, 0x01, 0x0F, 0x10, 0xF0};
        v.flags = kFlags[pick(0, 4)];
        bool later = generation > 1;
        if (chance(later ? 50 : 85)) v.variables.push_back({"Q", 0, texts(later ? 0 : 1, 3)});
        if (chance(30)) v.variables.push_back({"X", 0, texts(1, 2)});
        for (int k = pick(0, 3); k > 0; --k) {
            int roster = chance(10) ? 255 : pick(1, 6);
            v.variables.push_back({"L", roster, chance(later ? 30 : 10) ? std::vector<std::string>{} : texts(1, 2)});
        }
        if (chance(40)) v.variables.push_back({"M", 0, {"1", "2 other text", std::to_string(pick(3, 9))}});
        if (chance(30)) v.variables.push_back({"EIGHTCHR", static_cast<int>(pick(0, 2)), texts(1, 1)});
        if (chance(20)) v.variables.push_back({"EIGHT", 0, texts(1, 1)});  // a prefix of a name asked for
        if (chance(25)) v.variables.push_back({"C", 0, {chance(50) ? "3" : "4 something else"}});
        if (chance(10) && !v.variables.empty()) v.variables.push_back(v.variables[0]);  // same variable twice
        if (shape_.oversized_group && index == shape_.respondents - 3 && generation == 1)
            v.variables.push_back({"M", 0, {std::string(500, 'm'), std::string(400, 'n')}});
        if (chance(10)) v.extra_block = std::string("\xF0\xF0\xF0\xF0", 4) + suitetest::le16(11) + std::string("\0\0abc", 5);
        std::shuffle(v.variables.begin(), v.variables.end(), random_);
        return hand_version_bytes(v);
    }

    study_shape shape_;
    std::mt19937 random_;
};

struct generated_study {
    ScratchDir dir;
    std::string base, idx, dat;

    explicit generated_study(const study_shape& shape) : base(dir.file("G")), idx(base + ".idx"), dat(base + ".DAT") {
        study_builder(shape).write(base);
    }
};

// ---------------------------------------------------------------------------
// Lockstep walks

struct call {
    std::int16_t n = 0;
    std::uint32_t respondent = 0xA5A5A5A5;
    std::int32_t sequence = -77;
    std::int16_t type = -9;
    std::int32_t roster = 0;
    std::vector<char> buffer = std::vector<char>(kBuffer + kGuard, '\x5A');

    bool operator==(const call&) const = default;
};

std::string describe(const call& c) {
    std::string out = "n " + std::to_string(c.n) + ", respondent " + std::to_string(c.respondent) + ", sequence " +
                      std::to_string(c.sequence) + ", type " + std::to_string(c.type) + ", roster " +
                      std::to_string(c.roster);
    std::size_t written = kBuffer + kGuard;
    while (written > 0 && c.buffer[written - 1] == '\x5A') --written;
    return out + ", " + std::to_string(written) + " buffer bytes";
}

// Runs the same call through fextract and through `walk` and compares them.
class lockstep {
public:
    lockstep(const std::string& idx, const std::string& dat, std::string question, std::int16_t filter)
        : idx_(idx), dat_(dat), question_(std::move(question)), filter_(filter) {}

    // Both results of one call, or a failure naming the call.
    testing::AssertionResult step(std::int16_t mode, std::int32_t roster, call& plain) {
        call fast;
        plain = call{};
        plain.roster = fast.roster = roster;
        plain.n = oc::fextract(mode, question_.c_str(), plain.buffer.data(), idx_.c_str(), dat_.c_str(),
                               &plain.respondent, &plain.sequence, &plain.type, filter_, 1, &plain.roster, 0, 0);
        fast.n = walk_.fetch(mode, question_.c_str(), fast.buffer.data(), idx_.c_str(), dat_.c_str(),
                             &fast.respondent, &fast.sequence, &fast.type, filter_, &fast.roster);
        ++calls_;
        if (plain.n > 0) ++answered_;
        if (plain == fast) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "call " << calls_ << " (mode " << mode << ", roster " << roster
                                           << ", question " << question_ << ", filter " << filter_
                                           << "):\n  fextract:    " << describe(plain)
                                           << "\n  answer_walk: " << describe(fast);
    }

    // The whole question as the extraction engine walks it, plus look-ups
    // from other rosters after each respondent's first group. Returns the
    // last result (negative) or a failure.
    testing::AssertionResult walk_question(std::int16_t& end) {
        call c;
        for (std::int16_t mode = -1;; mode = 1) {
            testing::AssertionResult same = step(mode, 0, c);
            if (!same) return same;
            if (c.n < 0) {
                end = c.n;
                return testing::AssertionSuccess();
            }
            for (std::int32_t from : {-1, 0, 2, 255, 256}) {
                call probe;
                if (!(same = step(0, from, probe))) return same;
                if (probe.n < 0) {
                    end = probe.n;
                    return testing::AssertionSuccess();
                }
            }
            while (c.n > 0 && c.roster != 0) {
                if (!(same = step(0, c.roster + 1, c))) return same;
                if (c.n < 0) {
                    end = c.n;
                    return testing::AssertionSuccess();
                }
            }
            if (calls_ > 200000) return testing::AssertionFailure() << "no end of the walk";
        }
    }

    long answered() const { return answered_; }

private:
    std::string idx_, dat_, question_;
    std::int16_t filter_;
    oc::answer_walk walk_;
    long calls_ = 0;
    long answered_ = 0;  // calls that gave texts
};

// Every question under every interview filter; the results each walk ended
// with. `answered` counts the calls that gave texts, over all walks.
std::vector<std::int16_t> compare_all(const generated_study& s, std::initializer_list<const char*> questions,
                                      std::initializer_list<std::int16_t> filters = {1, 2, 3},
                                      long* answered = nullptr) {
    std::vector<std::int16_t> ends;
    for (const char* question : questions) {
        for (std::int16_t filter : filters) {
            lockstep walk(s.idx, s.dat, question, filter);
            std::int16_t end = 0;
            EXPECT_TRUE(walk.walk_question(end));
            ends.push_back(end);
            if (answered) *answered += walk.answered();
        }
    }
    return ends;
}

TEST(AnswerWalk, AgreesWithFextractOverGeneratedStudies) {
    // The larger studies span several file windows, with versions straddling
    // their edges and later versions far behind the first ones.
    for (study_shape shape : {study_shape{1, 40}, study_shape{2, 400, 50, 50}, study_shape{3, 3000},
                              study_shape{4, 2500, 80, 0, 30}, study_shape{5, 2000, 60, 100}}) {
        SCOPED_TRACE("seed " + std::to_string(shape.seed));
        generated_study s(shape);
        for (const char* question : {"Q", "L", "M", "EIGHTCHR", "C"}) {
            long answered = 0;
            // Undamaged, every walk runs to its end, and gives texts on the way.
            for (std::int16_t end : compare_all(s, {question}, {1, 2, 3}, &answered)) EXPECT_EQ(-1, end);
            EXPECT_GT(answered, 0) << question;
        }
        EXPECT_EQ((std::vector<std::int16_t>{-1, -1}), compare_all(s, {"ABSENT", "NOLABEL"}, {1}));
    }
}

TEST(AnswerWalk, AgreesOnAGroupTooLargeForTheBuffer) {
    study_shape shape{6, 200};
    shape.oversized_group = true;
    generated_study s(shape);
    EXPECT_EQ((std::vector<std::int16_t>{-4, -1}), compare_all(s, {"M", "Q"}, {1}));
}

TEST(AnswerWalk, AgreesOnMissingFiles) {
    generated_study s(study_shape{7, 20});
    for (const char* missing : {".idx", ".DAT", ".lbl"}) {
        std::string saved = octest::read_bytes(s.base + missing);
        std::filesystem::remove(s.base + missing);
        EXPECT_EQ((std::vector<std::int16_t>{-2}), compare_all(s, {"Q"}, {1})) << missing;
        octest::write_bytes(s.base + missing, saved);
    }
}

// A damage to a generated study: which file, and how.
struct damage {
    std::string what;
    bool index;
    std::function<void(std::string&, std::mt19937&)> apply;
};

std::uint32_t random_below(std::mt19937& random, std::size_t bound) {
    return static_cast<std::uint32_t>(std::uniform_int_distribution<std::size_t>(0, bound - 1)(random));
}

// An entry's offset in the .idx (entries after the magic).
std::uint32_t random_entry(std::mt19937& random, const std::string& idx) {
    return static_cast<std::uint32_t>(4 + 20 * random_below(random, (idx.size() - 4) / 20));
}

std::vector<damage> damages() {
    std::vector<damage> out;
    auto set_link = [](std::string what, std::function<std::uint32_t(std::uint32_t, const std::string&, std::mt19937&)> to) {
        return damage{std::move(what), true, [to](std::string& idx, std::mt19937& random) {
                          std::uint32_t at = random_entry(random, idx);
                          idx.replace(at + 16, 4, le32(to(at, idx, random)));
                      }};
    };
    out.push_back(set_link("link backwards", [](std::uint32_t at, const std::string&, std::mt19937&) { return at - 20; }));
    out.push_back(set_link("link to itself", [](std::uint32_t at, const std::string&, std::mt19937&) { return at; }));
    out.push_back(set_link("link misaligned", [](std::uint32_t at, const std::string&, std::mt19937&) { return at + 21; }));
    out.push_back(set_link("link past the end",
                           [](std::uint32_t, const std::string& idx, std::mt19937&) { return static_cast<std::uint32_t>(idx.size()); }));
    out.push_back(set_link("link to a later entry", [](std::uint32_t at, const std::string& idx, std::mt19937& random) {
        std::uint32_t to = random_entry(random, idx);
        return to > at ? to : static_cast<std::uint32_t>(idx.size() - 20);
    }));
    out.push_back(damage{"record offset moved", true, [](std::string& idx, std::mt19937& random) {
                             std::uint32_t at = random_entry(random, idx);
                             idx.replace(at + 12, 4, le32(suitetest::read_le32(idx, at + 12) + random_below(random, 40)));
                         }});
    out.push_back(damage{"record of another respondent", true, [](std::string& idx, std::mt19937& random) {
                             std::uint32_t at = random_entry(random, idx), other = random_entry(random, idx);
                             idx.replace(at + 12, 4, idx.substr(other + 12, 4));
                         }});
    out.push_back(damage{"generation changed", true, [](std::string& idx, std::mt19937& random) {
                             idx[random_entry(random, idx) + 4] = static_cast<char>(random_below(random, 3));
                         }});
    for (bool index : {true, false}) {
        std::string file = index ? ".idx " : ".DAT ";
        out.push_back(damage{file + "byte changed", index, [index](std::string& b, std::mt19937& random) {
                                 std::size_t from = index ? 4 : 0;
                                 b[from + random_below(random, b.size() - from)] = static_cast<char>(random_below(random, 256));
                             }});
        out.push_back(damage{file + "truncated", index, [](std::string& b, std::mt19937& random) {
                                 b.resize(random_below(random, b.size()));
                             }});
    }
    return out;
}

TEST(AnswerWalk, AgreesWithFextractOnDamagedStudies) {
    generated_study pristine(study_shape{8, 60, 50, 40, 5});
    std::string idx = octest::read_bytes(pristine.idx), dat = octest::read_bytes(pristine.dat);
    std::mt19937 random(8);
    std::map<std::int16_t, int> ends;  // how the walks ended, over all damages
    for (const damage& d : damages()) {
        for (int trial = 0; trial < 25; ++trial) {
            std::string damaged = d.index ? idx : dat;
            d.apply(damaged, random);
            octest::write_bytes(d.index ? pristine.idx : pristine.dat, damaged);
            SCOPED_TRACE(d.what + ", trial " + std::to_string(trial));
            for (std::int16_t end : compare_all(pristine, {"Q", "L"}, {1, 3})) ++ends[end];
            if (HasFailure()) return;
        }
        octest::write_bytes(pristine.idx, idx);
        octest::write_bytes(pristine.dat, dat);
    }
    // The damages reached both kinds of error as well as walks to the end.
    EXPECT_GT(ends[-1], 0);
    EXPECT_GT(ends[-3], 0);
    EXPECT_GT(ends[-4], 0);
}

// ---------------------------------------------------------------------------
// file_window

TEST(FileWindow, ServesEveryRangeAsTheFileHoldsIt) {
    ScratchDir dir;
    std::string bytes;
    std::mt19937 random(10);
    for (int i = 0; i < 20000; ++i) bytes += static_cast<char>(random() & 0xFF);
    octest::write_bytes(dir.file("f"), bytes);
    int fd = ::open(dir.file("f").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);

    // A small window, so that reading on, jumping back and forth and
    // requests larger than the window all occur.
    oc::file_window window(1000);
    window.attach(fd);
    std::uint64_t at = 0;
    for (int i = 0; i < 3000; ++i) {
        std::size_t size = 1 + random_below(random, i % 10 == 0 ? 3000 : 60);
        if (i % 7 == 0) at = random_below(random, bytes.size() + 100);  // a jump, sometimes past the end
        const unsigned char* data = nullptr;
        std::size_t got = 0;
        ASSERT_TRUE(window.fetch(at, size, data, got));
        std::size_t expected = at >= bytes.size() ? 0 : std::min(size, bytes.size() - at);
        ASSERT_EQ(expected, got) << "at " << at << " size " << size;
        if (got > 0) {
            ASSERT_EQ(0, std::memcmp(bytes.data() + at, data, got)) << "at " << at << " size " << size;
        }
        EXPECT_TRUE(window.holds(at, got));
        at += size;
    }
    ::close(fd);
}

TEST(FileWindow, ReportsAReadError) {
    ScratchDir dir;
    int fd = ::open(dir.path().c_str(), O_RDONLY);  // a directory: opens, but reading fails
    ASSERT_GE(fd, 0);
    oc::file_window window(4096);
    window.attach(fd);
    const unsigned char* data = nullptr;
    std::size_t got = 0;
    EXPECT_FALSE(window.fetch(0, 20, data, got));
    EXPECT_FALSE(window.holds(0, 20));
    ::close(fd);
}

}  // namespace
