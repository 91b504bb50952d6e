// The listing flow of the host call and the status command, watched through
// the message sink.
#include <QByteArray>
#include <QStringList>
#include <gtest/gtest.h>

#include "coder_fixtures.h"
#include "ui/frame/coder_file_lists.h"
#include "recording_sink.h"
#include "dialogs/status/status_report.h"
#include "test_support.h"

namespace {

class CoderFileLists : public ::testing::Test {
protected:
    void SetUp() override { dir.enter(); }
    QString list_path() const { return QString::fromStdString(dir.file("ABC.cdl")); }
    void write_list(const std::vector<octest::fixture_file>& files) { octest::write_coder_list(dir.file("ABC.cdl"), files); }

    octest::ScratchDir dir;
    octest::recording_sink sink;
    // Callers' lists hold something beforehand: a failure must leave it.
    QStringList names{QStringLiteral("before")};
    QByteArray statuses{1, '\x07'};
};

TEST_F(CoderFileLists, OpenedFilesInListOrderWithTheirOwnStatusOrNone) {
    auto a = octest::simple_file("ABC.001", 3, 0);
    auto b = octest::simple_file("ABC.002", 1, 0);  // listed, never written: left out
    auto c = octest::simple_file("ABC.003", 1, 2);
    octest::write_coder_file(dir.path().string(), a);
    octest::write_coder_file(dir.path().string(), c);
    c.status = 3;  // the list entry disagrees; line 2 wins
    a.status = 0;
    write_list({a, b, c});

    ASSERT_EQ(oc_ui::fill_file_and_status_lists(list_path(), names, statuses), 1);
    EXPECT_EQ(names, (QStringList{QStringLiteral("ABC.001"), QStringLiteral("ABC.003")}));
    EXPECT_EQ(statuses, QByteArray("\x03\x01", 2));
    // An empty list is a success with empty lists.
    write_list({});
    EXPECT_EQ(oc_ui::fill_file_and_status_lists(list_path(), names, statuses), 1);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_TRUE(sink.messages().empty());
}

// Which coder lists are unreadable is for the core tests; here, the message.
TEST_F(CoderFileLists, UnreadableCoderListShows710AndKeepsTheLists) {
    octest::write_bytes(dir.file("ABC.cdl"), std::string("\x02\x00\x00", 3));
    EXPECT_EQ(oc_ui::fill_file_and_status_lists(list_path(), names, statuses), 0);
    EXPECT_EQ(oc_ui::fill_file_and_status_lists(QStringLiteral("missing.cdl"), names, statuses), 0);
    EXPECT_EQ(sink.message_ids(), (std::vector<int>{710, 710}));
    for (const auto& m : sink.messages()) {
        EXPECT_EQ(m.style, oc_ui::box_style::exclamation);
        EXPECT_EQ(m.help_context, 4000);
    }
    EXPECT_EQ(names, QStringList{QStringLiteral("before")});
    EXPECT_EQ(statuses, QByteArray(1, '\x07'));
}

TEST_F(CoderFileLists, LineTwoWithTwoNumbersFailsTheWholeListingWith709) {
    auto good = octest::simple_file("ABC.001", 1, 0);
    auto bad = octest::simple_file("ABC.002", 1, 0);
    octest::write_coder_file(dir.path().string(), good);
    std::string text = octest::coder_file_text(bad);
    const std::size_t line2 = text.find("\r\n") + 2;
    text.replace(line2, text.find("\r\n", line2) - line2, "      100  1");
    octest::write_bytes(dir.file("ABC.002"), text);
    write_list({good, bad});

    EXPECT_EQ(oc_ui::fill_file_and_status_lists(list_path(), names, statuses), 0);
    EXPECT_EQ(sink.message_ids(), std::vector<int>{709});
    EXPECT_EQ(names, QStringList{QStringLiteral("before")});
}

TEST_F(CoderFileLists, StatusReportShows715WhenNothingIsFoundOrTheListingFailure) {
    write_list({});
    oc_ui::run_status_report(list_path());
    write_list({octest::simple_file("ABC.001", 0, 0)});  // listed but missing
    oc_ui::run_status_report(list_path());
    oc_ui::run_status_report(QStringLiteral("missing.cdl"));
    EXPECT_EQ(sink.message_ids(), (std::vector<int>{715, 715, 710}));
    EXPECT_EQ(sink.messages()[0].style, oc_ui::box_style::exclamation);
    EXPECT_TRUE(sink.dialogs().empty());
}

TEST_F(CoderFileLists, LoadCoderQuestionsReports709) {
    auto file = octest::simple_file("ABC.001", 1, 0);
    octest::write_coder_file(dir.path().string(), file);
    oc::loaded_coder_file loaded;
    ASSERT_TRUE(oc_ui::load_coder_questions(QStringLiteral("ABC.001"), loaded));
    ASSERT_EQ(loaded.questions.size(), 2u);
    EXPECT_EQ(loaded.question_statuses, (std::vector<std::uint8_t>{0, 2}));
    EXPECT_TRUE(sink.messages().empty());

    oc::loaded_coder_file missing;
    EXPECT_FALSE(oc_ui::load_coder_questions(QStringLiteral("ABC.009"), missing));
    EXPECT_EQ(sink.message_ids(), std::vector<int>{709});
}

}  // namespace
