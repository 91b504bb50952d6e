// Whole prepare runs (PrepareCoderSpecs) driven as a user would, compared
// byte for byte with what the command-line tool makes from the same choices.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "dialogs/prepare/prepare_command.h"
#include "ui/sheet/qcode_filter_page.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "test_support.h"
#include "ui.h"

namespace {

using octest::child;
using octest::read_bytes;

// One question's choice on the code filter page.
struct question_choice {
    int row;
    int action;
    const char* codes;
    const char* width;
};

void click_tab(QDialog& sheet, int index) {
    QTabBar* bar = child<QTabWidget>(sheet, "pageTabs")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    octest::settle();
}

// Fills the sheet as a user would (the respondents page when `mode` is
// given) and presses OK.
void fill_sheet(QDialog& sheet, std::vector<question_choice> questions, int mode = -1, const char* first = "0",
                int data = 0) {
    auto* page = child<oc_ui::CQCodeFilterPage>(sheet, "qcodeFilterPage");
    auto* list = child<QTreeWidget>(*page, "questionList");
    for (const question_choice& q : questions) {
        list->setCurrentItem(list->topLevelItem(q.row));
        octest::settle();
        ASSERT_EQ(q.row, page->current_question());
        child<QComboBox>(*page, "actionCombo")->setCurrentIndex(q.action);
        child<QLineEdit>(*page, "numberOfCodesEdit")->setText(QLatin1String(q.codes));
        child<QLineEdit>(*page, "codeWidthEdit")->setText(QLatin1String(q.width));
    }
    if (mode >= 0) {
        click_tab(sheet, 1);
        child<QComboBox>(sheet, "respondentNumbersCombo")->setCurrentIndex(mode);
        child<QComboBox>(sheet, "dataToIncludeCombo")->setCurrentIndex(data);
        child<QLineEdit>(sheet, "firstEdit")->setText(QLatin1String(first));
    }
    child<QPushButton>(sheet, "okButton")->click();
}

class PrepareFlow : public ::testing::Test {
protected:
    void SetUp() override {
        for (octest::ScratchDir* dir : {&gui, &cli}) {
            octest::write_bytes(dir->file("labels.csv"),
                                "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,0,1,Which?\r\nQ3,7,0,Brand?\r\n");
            octest::write_bytes(dir->file("data.csv"), "respondent,sequence,complete,Q1,Q2,Q3[1],Q3[2]\r\n"
                                                       "1001,,1,too expensive,97 corner shop,liked it,cheap\r\n"
                                                       "1002,,0,price,1,,on offer\r\n"
                                                       "1003,,1,\"taste, smell\",97 farm shop,,\r\n");
            ASSERT_EQ(0, octest::run_cli({"study", "import", "--labels", dir->file("labels.csv"), "--data",
                                          dir->file("data.csv"), "--out", dir->file("S")})
                             .exit_code);
        }
        elsewhere.enter();  // the naming makes the study directory current
    }

    QString path(const char* name) const { return QString::fromStdString(gui.file(name)); }

    octest::recording_sink sink;
    octest::ScratchDir elsewhere, gui, cli;
};

TEST_F(PrepareFlow, SameCoderFileAsTheCommandLineToolAndTheStudyDirectoryCurrent) {
    sink.drive_next([](QDialog& sheet) { fill_sheet(sheet, {{2, 2, "3", "2"}, {0, 1, "7", "4"}}, 0, "0", 1); });
    sink.drive_next([](QDialog& save) { save.accept(); });  // the proposed name
    oc_ui::run_prepare(path("S.lbl"), path("S.DAT"), path("S.idx"), path("S.cdl"), path("S.cdb"), path("S"));
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_FILE_CREATED}), sink.message_ids());
    EXPECT_EQ((std::vector<QString>{"examinePropSheet", "fileDialog"}), sink.dialogs());
    const octest::RunResult made = octest::run_cli({"prepare", "--study", cli.file("S"), "--question", "Q3:append:3:2",
                                                    "--question", "Q1:replace:7:4", "--data", "all"});
    ASSERT_EQ(0, made.exit_code) << made.err;
    for (const char* name : {"S.001", "S.cdl"}) EXPECT_SAME_BYTES(read_bytes(cli.file(name)), read_bytes(gui.file(name)));
    EXPECT_EQ(QDir(path("")).canonicalPath(), QDir::current().canonicalPath());
}

}  // namespace
