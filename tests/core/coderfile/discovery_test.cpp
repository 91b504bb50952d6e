// Listing a study's coder data files from its coder list file, with each
// file's own status, the status report figures, and loading for coding.
#include "coderfile/discovery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "coder_file_builder.h"
#include "coderfile/coder_list.h"
#include "test_support.h"

namespace {

using octest::ScratchDir;
using octest::write_bytes;

struct listed {
    const char* name;
    std::int16_t status = 0;
    std::int16_t respondents = 0;
    std::int16_t questions = 0;
    std::int32_t records = 0;
    std::int16_t interviews = 0;
};

std::string count_bytes(std::int32_t count) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(count) >> (8 * i)) & 0xFF);
    return bytes;
}

void write_list(const std::string& path, const std::vector<listed>& entries) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    ASSERT_TRUE(file);
    std::string count = count_bytes(static_cast<std::int32_t>(entries.size()));
    ASSERT_EQ(4u, std::fwrite(count.data(), 1, 4, file.get()));
    for (const listed& e : entries) {
        oc::coder_spec spec;
        std::strcpy(spec.name, e.name);
        spec.status = e.status;
        spec.respondent_count = e.respondents;
        spec.resp_ids.resize(static_cast<std::size_t>(e.respondents));
        spec.question_count = e.questions;
        spec.question_names.resize(static_cast<std::size_t>(e.questions));
        spec.record_count = e.records;
        spec.interviews = e.interviews;
        ASSERT_TRUE(oc::write_coder_list_entry(file.get(), spec));
    }
}

// A minimal coder data file whose line 2 carries `status`.
void write_data_file(const std::string& path, const char* name, int status) {
    char line2[32];
    std::snprintf(line2, sizeof line2, "%9d %2d %2d\r\n", 100, status, 0);
    write_bytes(path, std::string(name) + "\r\n" + line2);
}

TEST(Discovery, ListsOnlyFilesThatOpenWithTheirOwnStatus) {
    ScratchDir dir;
    dir.enter();
    // The entries' statuses disagree with line 2; line 2 wins either way.
    write_list("study.cdl", {{"A.001", 0}, {"A.002", 0}, {"A.003", 3}, {"A.004", 0}});
    write_data_file("A.001", "A.001", 3);
    write_data_file("A.003", "A.003", 1);
    write_data_file("A.004", "A.004", 2);
    oc::coder_file_listing listing = oc::list_coder_files("study.cdl");
    EXPECT_EQ(oc::listing_result::ok, listing.result);
    EXPECT_EQ((std::vector<std::string>{"A.001", "A.003", "A.004"}), listing.names);
    EXPECT_EQ((std::vector<std::uint8_t>{3, 1, 2}), listing.statuses);

    std::optional<oc::file_statuses> statuses = oc::read_file_statuses({"A.001", "A.002", "A.003"});
    ASSERT_TRUE(statuses);
    EXPECT_EQ(2, statuses->opened);
    EXPECT_EQ((std::vector<std::uint8_t>{3, oc::status_missing, 1}), statuses->status);
}

TEST(Discovery, EmptyOrAllMissingIsAnEmptySuccess) {
    ScratchDir dir;
    dir.enter();
    write_list("empty.cdl", {});
    oc::coder_file_listing listing = oc::list_coder_files("empty.cdl");
    EXPECT_EQ(oc::listing_result::ok, listing.result);
    EXPECT_TRUE(listing.names.empty());
    EXPECT_TRUE(listing.statuses.empty());

    // Names are opened exactly as stored: "a.001" is not "A.001".
    write_list("cased.cdl", {{"a.001"}});
    write_data_file("A.001", "A.001", 0);
    listing = oc::list_coder_files("cased.cdl");
    EXPECT_EQ(oc::listing_result::ok, listing.result);
    EXPECT_TRUE(listing.names.empty());
}

TEST(Discovery, OneUnreadableLineTwoFailsTheWholeListing) {
    ScratchDir dir;
    dir.enter();
    write_list("study.cdl", {{"A.001"}, {"A.002"}, {"A.003"}});
    write_data_file("A.001", "A.001", 1);
    write_bytes("A.002", "A.002\r\n      100  1\r\n");
    write_data_file("A.003", "A.003", 1);
    oc::coder_file_listing listing = oc::list_coder_files("study.cdl");
    EXPECT_EQ(oc::listing_result::data_unreadable, listing.result);
    EXPECT_TRUE(listing.names.empty());
    EXPECT_FALSE(oc::read_file_statuses({"A.001", "A.002"}));
}

TEST(Discovery, UnreadableCoderListFails) {
    ScratchDir dir;
    dir.enter();
    write_list("good.cdl", {{"A.001", 0, 2, 1}, {"A.002"}});
    std::string good = octest::read_bytes("good.cdl");
    write_bytes("cut.cdl", good.substr(0, good.size() - 1));
    write_bytes("short.cdl", good.substr(0, 3));
    write_bytes("negative.cdl", count_bytes(-1));
    write_bytes("more.cdl", count_bytes(3) + good.substr(4));
    for (const char* path : {"missing.cdl", "cut.cdl", "short.cdl", "negative.cdl", "more.cdl"}) {
        EXPECT_FALSE(oc::read_coder_list(path)) << path;
        EXPECT_EQ(oc::listing_result::list_unreadable, oc::list_coder_files(path).result) << path;
    }
    std::optional<std::vector<std::string>> names = oc::read_coder_list("good.cdl");
    ASSERT_TRUE(names);
    EXPECT_EQ((std::vector<std::string>{"A.001", "A.002"}), *names);
}

TEST(Discovery, FindsEntriesIgnoringCase) {
    ScratchDir dir;
    dir.enter();
    write_list("study.cdl", {{"A.001", 0, 2, 1, 10, 1}, {"abc.002", 3, 4, 2, 20, 2}});
    oc::coder_spec spec;
    ASSERT_EQ(0, oc::find_coder_list_entry("study.cdl", "ABC.002", spec));
    EXPECT_STREQ("abc.002", spec.name);
    EXPECT_EQ(3, spec.status);
    EXPECT_EQ(20, spec.record_count);
    EXPECT_EQ(-1, oc::find_coder_list_entry("study.cdl", "ABC.003", spec));
    EXPECT_EQ(-1, oc::find_coder_list_entry("study.cdl", "ABC.00", spec));
    EXPECT_EQ(-1, oc::find_coder_list_entry("missing.cdl", "A.001", spec));
}

TEST(Discovery, FiguresPerNameZerosWhenNotFound) {
    ScratchDir dir;
    dir.enter();
    write_list("study.cdl", {{"A.001", 0, 2, 1, 10, 1}, {"A.002", 3, 4, 2, 20, 2}});
    oc::list_figures figures = oc::collect_list_figures("study.cdl", {"a.002", "GONE.001", "A.001"});
    EXPECT_EQ((std::vector<std::uint32_t>{4, 0, 2}), figures.respondents);
    EXPECT_EQ((std::vector<std::uint32_t>{2, 0, 1}), figures.questions);
    EXPECT_EQ((std::vector<std::uint32_t>{20, 0, 10}), figures.records);
    EXPECT_EQ((std::vector<std::uint8_t>{2, 0, 1}), figures.interviews);

    figures = oc::collect_list_figures("missing.cdl", {"A.001"});
    EXPECT_EQ((std::vector<std::uint32_t>{0}), figures.records);
}

TEST(Discovery, LoadsQuestionsWithTheirStatus) {
    ScratchDir dir;
    std::string path = dir.file("STUDY.002");
    octest::built_file file = octest::three_question_file();
    ASSERT_TRUE(octest::build_coder_file(path, file));

    oc::loaded_coder_file loaded;
    ASSERT_TRUE(oc::load_coder_questions(path, loaded));
    ASSERT_EQ(3u, loaded.questions.size());
    EXPECT_STREQ("Q5", loaded.questions[1].name);
    EXPECT_EQ(100, loaded.questions[1].record_count);
    EXPECT_EQ(107, loaded.spec.record_count);
    EXPECT_EQ(107, loaded.spec.respondent_count);
    EXPECT_EQ(107u, loaded.spec.resp_ids.size());
    EXPECT_EQ((std::vector<std::uint8_t>{0, 0, 0}), loaded.question_statuses);

    // Coded: Q1 complete, Q5 begun, Q9 untouched.
    oc::quest_list questions = octest::questions_of(file);
    questions[0].last_record_coded = 3;
    questions[1].last_record_coded = 40;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "r+b"), std::fclose);
    oc::coder_spec header;
    std::int32_t offset = 0;
    ASSERT_EQ(0, oc::read_coder_header(out.get(), header, offset));
    ASSERT_EQ(0, oc::write_coder_trailer(out.get(), octest::spec_of(file), questions, offset));
    out.reset();
    ASSERT_TRUE(oc::load_coder_questions(path, loaded));
    EXPECT_EQ((std::vector<std::uint8_t>{2, 1, 0}), loaded.question_statuses);

    write_bytes(path, "STUDY.002\r\n      100  0\r\n");
    EXPECT_FALSE(oc::load_coder_questions(path, loaded));
    EXPECT_EQ(3u, loaded.questions.size()) << "a failed load leaves the previous one";
    EXPECT_FALSE(oc::load_coder_questions(dir.file("none"), loaded));
}

}  // namespace
