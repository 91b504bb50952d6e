// The merge command through the message sink: the dialog's refusals and
// questions, the keyboard, and what a merge appends.
#include <QDialog>
#include <QPushButton>

#include "dialogs/merge/merge_command.h"
#include "coder_fixtures.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "test_support.h"
#include "ui.h"

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

    // Merged already: asked first; cancelled, the dialog stays and nothing is appended.
    sink.answer_next(oc_ui::box_answer::cancel);
    sink.drive_next([](QDialog& dialog) {
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    merge();
    EXPECT_EQ(idx_size, octest::read_bytes("S.idx").size());
    EXPECT_EQ((std::vector<int>{oc::IDS_NOTHING_TO_MERGE, oc::IDS_MERGE_DONE, oc::IDS_ALREADY_MERGED}),
              sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::question_ok_cancel, sink.messages()[2].style);
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

}  // namespace
