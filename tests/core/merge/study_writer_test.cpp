// The writer session a merge keeps open: what it stages ends up byte for
// byte as single appends would have written it, and a failed write in any
// commit puts the study back as it was when the session opened, earlier
// commits included.
#include <random>

#include "engines/merge/study_index.h"
#include "merge_fixture.h"

namespace {

using namespace mergetest;

class StudyWriter : public MergeStudy {
protected:
    void SetUp() override {
        MergeStudy::SetUp();
        for (const char* ext : {".idx", ".DAT", ".lbl"}) octest::fs::copy_file(std::string("S") + ext, std::string("R") + ext);
    }
    std::int16_t reference(std::int32_t respondent, std::uint16_t sequence, const oc::coded_var& v, bool by_respondent) {
        return oc::AppendCodedVariable(respondent, sequence, {v}, "R.DAT", "R.idx", by_respondent, {});
    }
    std::int16_t staged(oc::study_writer& writer, std::int32_t respondent, std::uint16_t sequence,
                        const oc::coded_var& v, bool by_respondent = false) {
        return writer.append(respondent, sequence, {v}, by_respondent,
                             [this](const std::string& text) { warnings.push_back(text); });
    }
    // The index copy still describes the file.
    static void expect_index_fits(const oc::study_index& index) {
        std::string idx = read_bytes("S.idx");
        ASSERT_EQ(idx.size(), index.file_size());
        EXPECT_SAME_BYTES(idx, std::string(index.bytes(0, index.file_size())));
    }
};

TEST_F(StudyWriter, StagedAppendsEndAsSingleAppendsWouldWriteThem) {
    std::mt19937 random(11);
    const study_files original = read_study();
    for (bool indexed : {true, false}) {
        for (const char* base : {"S", "R"}) {
            octest::write_bytes(std::string(base) + ".idx", original.idx);
            octest::write_bytes(std::string(base) + ".DAT", original.dat);
        }
        oc::study_index index;
        ASSERT_TRUE(index.load("S.idx"));
        oc::study_writer writer;
        ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", indexed ? &index : nullptr));
        for (int i = 0; i < 200; ++i) {
            std::int32_t respondent = 6 + static_cast<std::int32_t>(random() % 5);  // 6 and 10 have no data
            auto sequence = static_cast<std::uint16_t>(1 + random() % 3);
            bool by_respondent = random() % 4 == 0;
            oc::coded_var v = var(i % 2 ? "#Q5" : "Q7", static_cast<std::uint16_t>(random() % 4),
                                  {std::to_string(i), std::string(random() % 300, 'z')});
            ASSERT_EQ(reference(respondent, sequence, v, by_respondent), staged(writer, respondent, sequence, v, by_respondent))
                << i;
            // Old versions come from the file, from what is staged, or from both sides of a commit.
            if (indexed && random() % 16 == 0) {
                ASSERT_TRUE(writer.commit());
            }
        }
        ASSERT_TRUE(writer.commit());
        ASSERT_TRUE(writer.close());
        EXPECT_SAME_BYTES(read_bytes("R.idx"), read_bytes("S.idx")) << indexed;
        EXPECT_SAME_BYTES(read_bytes("R.DAT"), read_bytes("S.DAT")) << indexed;
        if (indexed) expect_index_fits(index);
    }
}

TEST_F(StudyWriter, NothingIsWrittenBeforeTheCommit) {
    study_files before = read_study();
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    oc::study_writer writer;
    ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", &index));
    ASSERT_EQ(oc::kAppendDone, staged(writer, 8, 1, var("Q5", 0, {"1"})));
    ASSERT_EQ(oc::kAppendDone, staged(writer, 8, 1, var("Q5", 0, {"2"})));
    EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT"));
    // Dropped when the session closes without a commit.
    ASSERT_TRUE(writer.close());
    EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT"));
}

TEST_F(StudyWriter, AFailedCommitPutsBackTheEarlierOnesToo) {
    study_files before = read_study();
    // Writes of the second commit: the .DAT, the entries, the run of links.
    for (int failing = 4; failing <= 6; ++failing) {
        oc::study_index index;
        ASSERT_TRUE(index.load("S.idx"));
        oc::study_writer writer;
        ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", &index));
        oc::set_writer_write_hook([failing](int write) { return write != failing; });
        ASSERT_EQ(oc::kAppendDone, staged(writer, 7, 1, var("Q5", 0, {"1"})));
        ASSERT_EQ(oc::kAppendDone, staged(writer, 9, 1, var("Q5", 0, {"2"})));
        ASSERT_TRUE(writer.commit());
        ASSERT_NE(before.idx, read_bytes("S.idx"));
        ASSERT_EQ(oc::kAppendDone, staged(writer, 7, 1, var("Q5", 0, {"3"})));  // behind the committed version
        ASSERT_EQ(oc::kAppendDone, staged(writer, 8, 1, var("Q5", 0, {"4"})));  // behind an entry of the file
        EXPECT_FALSE(writer.commit()) << failing;
        oc::set_writer_write_hook({});
        EXPECT_TRUE(writer.failed());
        EXPECT_EQ(oc::kAppendFailed, staged(writer, 9, 1, var("Q5", 0, {"5"})));
        EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx")) << failing;
        EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT")) << failing;
        ASSERT_TRUE(writer.close());
        // The copy was put back with the file and can still be used.
        expect_index_fits(index);
        ASSERT_EQ(oc::kAppendDone, append(7, 1, var("Q5", 0, {"6"}), false, &index));
        ASSERT_EQ(oc::kAppendDone, reference(7, 1, var("Q5", 0, {"6"}), false));
        EXPECT_SAME_BYTES(read_bytes("R.idx"), read_bytes("S.idx"));
        EXPECT_SAME_BYTES(read_bytes("R.DAT"), read_bytes("S.DAT"));
        octest::write_bytes("S.idx", before.idx);
        octest::write_bytes("S.DAT", before.dat);
        octest::write_bytes("R.idx", before.idx);
        octest::write_bytes("R.DAT", before.dat);
    }
}

TEST_F(StudyWriter, LargeStagesAreCommittedOnTheirOwn) {
    study_files before = read_study();
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    oc::study_writer writer;
    ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", &index));
    oc::set_writer_write_hook([](int write) { return write <= 3; });  // the second commit fails
    // Versions of about 64 KiB: a few megabytes are staged after some tens.
    oc::coded_var big = var("Q5", 0, std::vector<std::string>(80, std::string(800, 'y')));
    std::int16_t result = oc::kAppendDone;
    int appended = 0;
    while (result == oc::kAppendDone && appended < 1000) {
        result = staged(writer, 7 + appended % 3, 1, big);
        ++appended;
        // The first commit happens inside an append, after many were staged.
        if (octest::fs::file_size("S.DAT") != before.dat.size()) {
            EXPECT_GT(appended, 10);
        }
    }
    oc::set_writer_write_hook({});
    EXPECT_EQ(oc::kAppendFailed, result);
    EXPECT_TRUE(writer.failed());
    EXPECT_LT(appended, 1000);
    EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT"));
}

// Respondents far apart in a larger study: their links go out in separate
// runs, and a failure in the second run clears the first.
TEST(StudyWriterRuns, LinksFarApartAreWrittenAndPutBackRunByRun) {
    octest::ScratchDir dir;
    octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ5,7,0,Why?\r\n");
    std::string data = "respondent,sequence,complete,Q5\r\n";
    for (int r = 1; r <= 600; ++r) data += std::to_string(r) + ",1,1,text " + std::to_string(r) + "\r\n";
    octest::write_bytes(dir.file("data.csv"), data);
    ASSERT_TRUE(oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S")).ok);
    dir.enter();
    study_files before = read_study();
    std::vector<int> writes;
    for (int failing : {0, 4, 5}) {
        octest::write_bytes("S.idx", before.idx);
        octest::write_bytes("S.DAT", before.dat);
        oc::study_index index;
        ASSERT_TRUE(index.load("S.idx"));
        oc::study_writer writer;
        ASSERT_EQ(oc::kAppendDone, writer.open("S.DAT", "S.idx", &index));
        int count = 0;
        oc::set_writer_write_hook([&count, failing](int write) {
            count = write;
            return write != failing;
        });
        // 1 and 3 share a run; 300 and 600 are each more than 4 KiB of .idx further.
        for (int respondent : {1, 3, 300, 600})
            ASSERT_EQ(oc::kAppendDone, writer.append(respondent, 1, {var("Q5", 0, {"1"})}, false, {}));
        bool committed = writer.commit();
        oc::set_writer_write_hook({});
        if (failing == 0) {
            ASSERT_TRUE(committed);
            EXPECT_EQ(5, count);  // .DAT, entries, three runs of links
            std::string idx = read_bytes("S.idx");
            for (std::uint32_t first : {4u, 44u, 5984u, 11984u}) EXPECT_NE(0u, get32(idx, first + 16)) << first;
            continue;
        }
        EXPECT_FALSE(committed);
        EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx")) << failing;
        EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT")) << failing;
    }
}

}  // namespace
