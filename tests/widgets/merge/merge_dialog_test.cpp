// The merge command through the message sink: the dialog's refusals and
// questions, the uniqueness check, and the outcome messages.
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>

#include "keys.h"
#include "dialogs/merge/merge_command.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "test_support.h"

namespace {

using octest::run_cli;

class MergeFlow : public ::testing::Test {
protected:
    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ5,7,0,Why?\r\n",
                               "respondent,sequence,complete,Q5\r\n7,1,1,too dear\r\n8,1,1,cheap\r\n7,2,1,again\r\n");
        ASSERT_FALSE(HasFatalFailure());
        octest::extract_s001({{"Q5", 0, 2, 2}});
    }
    void code() {
        octest::write_bytes("codes.csv", "question,respondent,roster,list_no,codes,sequence\r\nQ5,8,0,1,4,\r\n");
        ASSERT_EQ(0, run_cli({"code", "--study", dir.file("S"), "--file", "S.001", "--codes", dir.file("codes.csv")})
                         .exit_code);
    }
    void merge() { oc_ui::run_merge("S.idx", "S.DAT", "S.cdl", "S.add"); }
    octest::ScratchDir dir;
    octest::recording_sink sink;
};

TEST_F(MergeFlow, NothingCodedStaysOpenThenMergesAndAsksBeforeMergingAgain) {
    sink.drive_next([this](QDialog& dialog) {
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ((std::vector<int>{oc::IDS_NOTHING_TO_MERGE}), sink.message_ids());
        dialog.reject();
    });
    merge();
    code();
    sink.drive_next([](QDialog& dialog) { dialog.accept(); });
    merge();
    EXPECT_EQ("S.001\t3\n", run_cli({"list", "--study", dir.file("S")}).out);
    const std::size_t idx_size = octest::read_bytes("S.idx").size();

    // Merged already: cancelled, the dialog stays; confirmed, the codes are appended again.
    sink.answer_next(oc_ui::box_answer::cancel);
    sink.drive_next([](QDialog& dialog) {
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    merge();
    EXPECT_EQ(idx_size, octest::read_bytes("S.idx").size());
    sink.answer_next(oc_ui::box_answer::ok);
    sink.drive_next([](QDialog& dialog) { dialog.accept(); });
    merge();
    EXPECT_EQ((std::vector<int>{oc::IDS_NOTHING_TO_MERGE, oc::IDS_MERGE_DONE, oc::IDS_ALREADY_MERGED,
                                oc::IDS_ALREADY_MERGED, oc::IDS_MERGE_DONE}),
              sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::question_ok_cancel, sink.messages()[2].style);
    EXPECT_EQ(idx_size + 20, octest::read_bytes("S.idx").size());
    EXPECT_EQ(std::vector<QString>(4, QStringLiteral("selectCoderSpecFileMergeDialog")), sink.dialogs());
}

TEST_F(MergeFlow, ReturnPressesTheFocusedButtonAndCancelWritesNothing) {
    code();
    const std::string idx = octest::read_bytes("S.idx"), dat = octest::read_bytes("S.DAT");
    sink.drive_next([](QDialog& dialog) {
        ASSERT_TRUE(octest::activate(dialog));
        ASSERT_TRUE(octest::tab_to(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))));
        octest::press(Qt::Key_Return);
        EXPECT_EQ(QDialog::Rejected, dialog.result());
    });
    merge();
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_SAME_BYTES(idx, octest::read_bytes("S.idx"));
    EXPECT_SAME_BYTES(dat, octest::read_bytes("S.DAT"));
    // With the focus in the list, Return is the default button's: OK.
    sink.drive_next([](QDialog& dialog) {
        ASSERT_TRUE(octest::activate(dialog));
        octest::press(Qt::Key_Return);
    });
    merge();
    EXPECT_EQ((std::vector<int>{oc::IDS_MERGE_DONE}), sink.message_ids());
    EXPECT_EQ(idx.size() + 20, octest::read_bytes("S.idx").size());
}

TEST_F(MergeFlow, DuplicateRespondentsClearTheBox) {
    code();
    sink.drive_next([this](QDialog& dialog) {
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("byRespondentCheck"));
        ASSERT_NE(nullptr, box);
        box->setChecked(true);
        dialog.accept();
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ((std::vector<int>{oc::IDS_DUPLICATE_RESPONDENTS}), sink.message_ids());
        octest::write_bytes("S.idx", "\xED\xED");  // shorter than its header
        box->setChecked(true);
        dialog.accept();
        EXPECT_EQ((std::vector<int>{oc::IDS_DUPLICATE_RESPONDENTS, oc::IDS_IDX_READ_ERROR,
                                    oc::IDS_DUPLICATE_RESPONDENTS}),
                  sink.message_ids());
        dialog.reject();
    });
    merge();
}

TEST_F(MergeFlow, OutcomesOfTheEngine) {
    code();
    struct row {
        const char* what;
        std::function<void()> damage;
        int message;
    };
    std::string idx = octest::read_bytes("S.idx"), dat = octest::read_bytes("S.DAT");
    for (const row& r : {
             row{"no data for respondent 8", [&] { octest::write_bytes("S.idx", std::string(idx).replace(24, 1, "\x58")); },
                 oc::IDS_NO_MATCHING_RECORD},
             row{"study data missing", [] { std::remove("S.DAT"); }, oc::IDS_CODER_FILES_IO_ERROR},
             row{".add cannot be written", [] { octest::fs::create_directory("S.add"); }, oc::IDS_ADD_READ_ERROR},
         }) {
        octest::write_bytes("S.idx", idx);
        octest::write_bytes("S.DAT", dat);
        octest::fs::remove_all("S.add");
        r.damage();
        std::size_t shown = sink.messages().size();
        sink.drive_next([](QDialog& dialog) { dialog.accept(); });
        merge();
        // A failure may be followed by a notice of what failed.
        ASSERT_LT(shown, sink.messages().size()) << r.what;
        const oc_ui::shown_message& outcome = sink.messages()[shown];
        EXPECT_EQ(r.message, outcome.string_id) << r.what;
        EXPECT_EQ(oc_ui::box_style::exclamation, outcome.style) << r.what;
        EXPECT_EQ(4000, outcome.help_context) << r.what;
        EXPECT_LE(sink.messages().size(), shown + 2) << r.what;
    }
}

TEST_F(MergeFlow, MissingDataWhenMatchingByRespondentIsANotice) {
    // Respondent 7's second record made a later version, so the numbers are
    // unique; then respondent 8's entry renumbered.
    std::string idx = octest::read_bytes("S.idx");
    idx[44 + 4] = 2;
    idx.replace(24, 1, "\x58");
    octest::write_bytes("S.idx", idx);
    code();
    sink.drive_next([](QDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("byRespondentCheck"))->setChecked(true);
        dialog.accept();
    });
    merge();
    ASSERT_EQ(2u, sink.messages().size());
    EXPECT_EQ(0, sink.messages()[0].string_id);
    EXPECT_EQ("Can't find data record in the .DAT file for respondent number 8.  This coded data will not be merged.",
              sink.messages()[0].text);
    EXPECT_EQ(oc_ui::box_style::information, sink.messages()[0].style);
    EXPECT_EQ(4000, sink.messages()[0].help_context);
    EXPECT_EQ(oc::IDS_MERGE_DONE, sink.messages()[1].string_id);
    EXPECT_EQ(oc_ui::box_style::information, sink.messages()[1].style);
}

TEST(MergeEntry, NoCoderFilesListed) {
    octest::ScratchDir dir;
    dir.enter();
    octest::recording_sink sink;
    octest::write_bytes("S.cdl", std::string(4, '\0'));
    oc_ui::run_merge("S.idx", "S.DAT", "S.cdl", "S.add");
    EXPECT_EQ((std::vector<int>{oc::IDS_NO_CODER_FILES}), sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
    EXPECT_TRUE(sink.dialogs().empty());
}

}  // namespace
