// The merge command through the message sink: the dialog's refusals and
// questions, the uniqueness check, and the outcome messages.
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

#include "merge/merge_command.h"
#include "recording_sink.h"
#include "resources/string_table.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::run_cli;

class MergeFlow : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ5,7,0,Why?\r\n");
        octest::write_bytes(dir.file("data.csv"),
                            "respondent,sequence,complete,Q5\r\n7,1,1,too dear\r\n8,1,1,cheap\r\n7,2,1,again\r\n");
        ASSERT_TRUE(oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S")).ok);
        ASSERT_EQ(0, run_cli({"prepare", "--study", dir.file("S"), "--question", "Q5:append:2:2"}).exit_code);
        dir.enter();
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
    EXPECT_EQ(oc::IDS_MERGE_DONE, sink.message_ids().back());
    EXPECT_EQ("S.001\t3\n", run_cli({"list", "--study", dir.file("S")}).out);

    std::size_t shown = sink.messages().size();
    sink.answer_next(oc_ui::box_answer::cancel);
    sink.drive_next([this, shown](QDialog& dialog) {
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(oc::IDS_ALREADY_MERGED, sink.message_ids().at(shown));
        dialog.reject();
    });
    merge();
    EXPECT_EQ(shown + 1, sink.messages().size());
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

}  // namespace
