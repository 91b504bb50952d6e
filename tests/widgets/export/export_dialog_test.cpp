// The export command from its dialog to the file written: the choices reach
// the export, the result names what was written, and Cancel (in the dialog,
// in the progress window, or when asked to replace a file) leaves no file.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QTimer>

#include "dialogs/export/export_command.h"
#include "recording_sink.h"
#include "test_support.h"
#include "ui.h"

namespace {

using octest::child;

class ExportDialog : public ::testing::Test {
protected:
    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,7,0,What else?\r\n",
                               "respondent,sequence,complete,Q1,Q2\r\n1,1,1,dear,x\r\n2,1,0,cheap|fine,\r\n");
    }
    void run() { oc_ui::run_export(QString::fromStdString(dir.file("S"))); }
    // Chooses CSV into `file` with only Q1, then presses `key` in the dialog.
    octest::recording_sink::driver choose(const std::string& file, Qt::Key key = Qt::Key_Return) {
        return [this, file, key](QDialog& dialog) {
            child<QComboBox>(dialog, "formatCombo")->setCurrentIndex(5);
            child<QLineEdit>(dialog, "fileEdit")->setText(QString::fromStdString(dir.file(file)));
            child<QListWidget>(dialog, "questionList")->item(1)->setCheckState(Qt::Unchecked);
            ASSERT_TRUE(octest::activate(dialog));
            child<QListWidget>(dialog, "questionList")->setFocus();
            octest::press(key);
        };
    }
    bool no_temporary() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().filename().string().find(".oc-tmp.") != std::string::npos) return false;
        return true;
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
};

TEST_F(ExportDialog, ReturnExportsTheChoiceAndSaysWhatWasWritten) {
    sink.drive_next(choose("out.csv"));
    run();
    EXPECT_EQ("respondent,sequence,complete,Q1\r\n1,1,1,dear\r\n2,1,0,cheap | fine\r\n",
              octest::read_bytes(dir.file("out.csv")));
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(oc_ui::box_style::information, sink.messages()[0].style);
    EXPECT_TRUE(sink.messages()[0].text.startsWith(
        QString::fromStdString("Exported " + dir.file("out.csv") + ": 2 respondents, 4 variables (csv).")))
        << sink.messages()[0].text.toStdString();
}

TEST_F(ExportDialog, CancelWritesNothing) {
    // Escape in the dialog.
    sink.drive_next(choose("out.csv", Qt::Key_Escape));
    run();
    // Cancel in the progress window, clicked once the export has begun.
    QTimer canceller;
    canceller.setInterval(0);
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(window)) {
                progress->cancel();
                canceller.stop();
            }
    });
    sink.drive_next([&](QDialog& dialog) {
        canceller.start();
        choose("out.csv")(dialog);
    });
    run();
    EXPECT_FALSE(canceller.isActive()) << "no progress window to cancel";
    // An existing file: asked, and Cancel keeps it; a study file is refused.
    octest::write_bytes(dir.file("old.csv"), "mine");
    sink.answer_next(oc_ui::box_answer::cancel);
    sink.drive_next([this](QDialog& dialog) {
        choose("old.csv")(dialog);
        EXPECT_TRUE(dialog.isVisible());
        child<QLineEdit>(dialog, "fileEdit")->setText(QString::fromStdString(dir.file("S.idx")));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    run();
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.csv")));
    EXPECT_TRUE(no_temporary());
    EXPECT_EQ("mine", octest::read_bytes(dir.file("old.csv")));
    ASSERT_EQ(2u, sink.messages().size());
    EXPECT_EQ(oc_ui::box_style::question_ok_cancel, sink.messages()[0].style);
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[1].style);
    EXPECT_TRUE(sink.messages()[1].text.contains(QStringLiteral("S.idx"))) << sink.messages()[1].text.toStdString();
}

}  // namespace
