// The prepare command's sheet and pages, and whole prepare runs, driven
// through the message sink as a user would.
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "frame/library_state.h"
#include "prepare/cati_coder_params_page.h"
#include "prepare/examine_prop_sheet.h"
#include "prepare/prepare_command.h"
#include "prepare/qcode_filter_page.h"
#include "prepare/questions_filter_page.h"
#include "prepare/respondents_filter_page.h"
#include "recording_sink.h"
#include "resources/string_table.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::read_bytes;

template <typename Widget>
Widget* child(QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void settle() { QCoreApplication::processEvents(); }

const QStringList kNames{QStringLiteral("Q1"), QStringLiteral("Q4"), QStringLiteral("Q3")};
const QList<quint16> kTypes{7, 0, 7};  // Q4: a closed question of type 0 with OTHER answers

// Sets question `row` of the code filter page to `action` with the given fields.
void set_question(oc_ui::CQCodeFilterPage& page, int row, int action, const char* codes, const char* width) {
    child<QTreeWidget>(page, "questionList")->setCurrentItem(child<QTreeWidget>(page, "questionList")->topLevelItem(row));
    settle();
    child<QComboBox>(page, "actionCombo")->setCurrentIndex(action);
    child<QLineEdit>(page, "numberOfCodesEdit")->setText(QLatin1String(codes));
    child<QLineEdit>(page, "codeWidthEdit")->setText(QLatin1String(width));
}

TEST(CodeFilterPage, RefusedFieldsKeepTheQuestionAndTheFocus) {
    octest::recording_sink sink;
    oc_ui::CQCodeFilterPage page(kNames, kTypes);
    page.show();
    auto* list = child<QTreeWidget>(page, "questionList");
    child<QComboBox>(page, "actionCombo")->setCurrentIndex(oc::action_append);
    // The mark follows the action at once, before any validation.
    EXPECT_EQ(oc::action_append, page.specs()[0].action);
    auto* width = child<QLineEdit>(page, "codeWidthEdit");
    child<QLineEdit>(page, "numberOfCodesEdit")->setText(QStringLiteral("3"));
    width->setText(QStringLiteral("5"));
    list->setCurrentItem(list->topLevelItem(2));
    settle();
    EXPECT_EQ(0, page.current_question());
    EXPECT_EQ(list->topLevelItem(0), list->currentItem());
    EXPECT_EQ(QStringLiteral("5"), width->text());
    EXPECT_EQ(width, page.focusWidget());
    EXPECT_EQ(QStringLiteral("Please enter an integer between 1 and 4."), sink.messages().back().text);

    struct { const char* codes; const char* width; bool accepted; } append_cases[] = {
        {"31", "2", false}, {"0", "2", false}, {"30", "4", true}, {"1", "1", true}};
    for (const auto& c : append_cases) {
        child<QLineEdit>(page, "numberOfCodesEdit")->setText(QLatin1String(c.codes));
        width->setText(QLatin1String(c.width));
        EXPECT_EQ(c.accepted, page.OnKillActive()) << c.codes << " codes, width " << c.width;
    }
    EXPECT_EQ(1, page.specs()[0].num_codes);
}

TEST(CodeFilterPage, ReplaceOfATypeZeroQuestionTakesWidthOneOnly) {
    octest::recording_sink sink;
    oc_ui::CQCodeFilterPage page(kNames, kTypes);
    page.show();
    set_question(page, 1, oc::action_replace, "99", "2");
    EXPECT_FALSE(page.OnKillActive());
    child<QLineEdit>(page, "codeWidthEdit")->setText(QStringLiteral("1"));
    EXPECT_TRUE(page.OnKillActive());  // the number of codes is not checked for a replace
    child<QComboBox>(page, "actionCombo")->setCurrentIndex(oc::action_append);
    child<QLineEdit>(page, "codeWidthEdit")->setText(QStringLiteral("4"));
    child<QLineEdit>(page, "numberOfCodesEdit")->setText(QStringLiteral("2"));
    EXPECT_TRUE(page.OnKillActive());
    child<QLineEdit>(page, "numberOfCodesEdit")->setText(QStringLiteral("x"));  // hidden or not, a number
    child<QComboBox>(page, "actionCombo")->setCurrentIndex(oc::action_not_coded);
    EXPECT_FALSE(page.OnKillActive());
}

TEST(QuestionsFilterPage, OnlyAClickOnTheMarkTicks) {
    octest::recording_sink sink;
    oc_ui::CQuestionsFilterPage page(kNames, kTypes);
    page.resize(400, 300);
    page.show();
    EXPECT_FALSE(page.OnKillActive());
    EXPECT_EQ(1, sink.beeps());
    auto* list = child<QTreeWidget>(page, "questionList");
    QRect row = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 60, row.center().y()));  // the name
    EXPECT_EQ(0, page.selected()[1]);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 8, row.center().y()));  // the mark
    EXPECT_EQ(1, page.selected()[1]);
    QTest::keyClick(list, Qt::Key_Down);  // moving never ticks
    EXPECT_EQ((QVector<quint16>{0, 1, 0}), page.selected());
    EXPECT_TRUE(page.OnKillActive());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 8, row.center().y()));
    EXPECT_EQ(0, page.selected()[1]);
}

TEST(RespondentsFilterPage, RangeAndNumberRules) {
    octest::recording_sink sink;
    oc_ui::CRespondentsFilterPage page(0);
    page.show();
    auto* mode = child<QComboBox>(page, "respondentNumbersCombo");
    auto* first = child<QLineEdit>(page, "firstEdit");
    auto* maximum = child<QLineEdit>(page, "maximumEdit");
    EXPECT_EQ(0, child<QComboBox>(page, "dataToIncludeCombo")->currentIndex());
    EXPECT_FALSE(first->isVisible());
    struct { int mode; const char* first; const char* maximum; bool accepted; } cases[] = {
        {1, "5", "5", true},   {1, "5", "4", false},           {1, "1", "999999999", true},
        {1, "1", "1000000000", false}, {1, "0", "3", false},  {2, "0", "0", false},
        {2, "32767", "0", true}, {2, "32768", "0", false},    {0, "x", "0", false},  // hidden, still a number
        {0, "7", "2", true},
    };
    for (const auto& c : cases) {
        mode->setCurrentIndex(c.mode);
        first->setText(QLatin1String(c.first));
        maximum->setText(QLatin1String(c.maximum));
        int beeps = sink.beeps();
        EXPECT_EQ(c.accepted, page.OnKillActive()) << c.mode << " " << c.first << "-" << c.maximum;
        EXPECT_EQ(c.accepted ? 0 : 1, sink.beeps() - beeps);
    }
    mode->setCurrentIndex(1);
    EXPECT_TRUE(maximum->isVisible());
    EXPECT_EQ(QStringLiteral("&Minimum"), child<QLabel>(page, "firstLabel")->text());
}

TEST(PrepareSheet, RespondentsNeedAnActionAndTheSoundDirectoryIsKept) {
    octest::recording_sink sink;
    oc_ui::g_soundDir.clear();
    oc_ui::CQCodeFilterPage codes(kNames, kTypes);
    oc_ui::CRespondentsFilterPage respondents(0);
    oc_ui::CCatiCoderParamsPage cati;
    {
        oc_ui::CExaminePropSheet sheet(QStringLiteral("Prepare Coder Data"));
        sheet.AddPage(&codes);
        sheet.AddPage(&respondents);
        sheet.AddPage(&cati);
        sheet.show();
        auto* tabs = child<QTabWidget>(sheet, "pages");
        tabs->setCurrentIndex(1);
        EXPECT_EQ(0, sheet.active_page());
        EXPECT_EQ(1, sink.beeps());
        tabs->setCurrentIndex(2);  // the sound page is open to all
        EXPECT_EQ(2, sheet.active_page());
        child<QLineEdit>(cati, "soundDirEdit")->setText(QStringLiteral("/data/sounds"));
        tabs->setCurrentIndex(0);
        sheet.reject();
    }
    EXPECT_EQ("/data/sounds/", oc_ui::g_soundDir);  // left, then cancelled: kept
    {
        oc_ui::CExaminePropSheet sheet(QStringLiteral("Prepare Coder Data"));
        sheet.AddPage(&codes);
        sheet.AddPage(&respondents);
        sheet.AddPage(&cati);
        sheet.show();
        child<QTabWidget>(sheet, "pages")->setCurrentIndex(2);
        EXPECT_EQ(QStringLiteral("/data/sounds/"), child<QLineEdit>(cati, "soundDirEdit")->text());
        child<QLineEdit>(cati, "soundDirEdit")->setText(QStringLiteral("C:\\SOUNDS\\"));
        sheet.accept();
        EXPECT_EQ("C:\\SOUNDS\\", oc_ui::g_soundDir);
        child<QLineEdit>(cati, "soundDirEdit")->clear();
        EXPECT_TRUE(cati.OnKillActive());
        EXPECT_EQ("", oc_ui::g_soundDir);
    }
}

// A study with Q1 (open end) and Q4 (closed, OTHER), prepared through the
// entry point's flow and through the command-line tool.
class PrepareFlow : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ1,7,0,Why?\r\nQ4,0,1,Where?\r\n");
        octest::write_bytes(dir.file("data.csv"),
                            "respondent,sequence,complete,Q1,Q4\r\n1,1,1,too dear,97 shop\r\n2,1,0,price,1\r\n"
                            "3,1,1,taste,97 market stall\r\n");
        ASSERT_TRUE(oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S")).ok);
    }
    void prepare() {
        auto q = [this](const char* ext) { return QString::fromStdString(dir.file(std::string("S") + ext)); };
        oc_ui::run_prepare(q(".lbl"), q(".DAT"), q(".idx"), q(".cdl"), q(".cdb"), q(""));
    }
    // Drives the sheet: Q1 append 3 codes of width 2, Q4 replace width 1, on the given respondents.
    static void choose(QDialog& sheet, int respondents, const char* first) {
        auto* codes = child<oc_ui::CQCodeFilterPage>(sheet, "qcodeFilterPage");
        set_question(*codes, 0, oc::action_append, "3", "2");
        set_question(*codes, 1, oc::action_replace, "0", "1");
        child<QTabWidget>(sheet, "pages")->setCurrentIndex(1);
        auto* page = child<oc_ui::CRespondentsFilterPage>(sheet, "respondentsFilterPage");
        child<QComboBox>(*page, "respondentNumbersCombo")->setCurrentIndex(respondents);
        child<QLineEdit>(*page, "firstEdit")->setText(QLatin1String(first));
        child<QPushButton>(sheet, "okButton")->click();
    }
    octest::ScratchDir dir;
    octest::recording_sink sink;
};

TEST_F(PrepareFlow, SameBytesAsTheCommandLineTool) {
    sink.drive_next([](QDialog& sheet) { choose(sheet, 0, "0"); });
    sink.drive_next([](QDialog& save) { save.accept(); });
    prepare();
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_FILE_CREATED}), sink.message_ids());
    EXPECT_EQ(dir.path(), octest::fs::current_path());  // the naming made the study directory current
    std::string by_dialogs = read_bytes(dir.file("S.001"));

    octest::RunResult cli = octest::run_cli({"prepare", "--study", dir.file("S"), "--question", "Q1:append:3:2",
                                             "--question", "Q4:replace:1:1", "--out", dir.file("T.001"), "--data",
                                             "all", "--yes"});
    ASSERT_EQ(0, cli.exit_code) << cli.err;
    std::string by_tool = read_bytes(dir.file("T.001"));
    by_tool.replace(0, 5, "S.001");  // the file's own name, in line 1 and the trailer
    by_tool.replace(by_tool.find("T.001"), 5, "S.001");
    EXPECT_SAME_BYTES(by_dialogs, by_tool);
}

TEST_F(PrepareFlow, DuplicatesAskAndAFixedNumberTakesOneQuestion) {
    sink.drive_next([](QDialog& sheet) { choose(sheet, 0, "0"); });
    sink.drive_next([](QDialog& save) { save.accept(); });
    prepare();
    ASSERT_TRUE(octest::fs::exists(dir.file("S.001")));
    std::string list = read_bytes(dir.file("S.cdl"));

    // All data again: 712, declined, writes nothing.
    sink.drive_next([](QDialog& sheet) {
        auto* page = child<oc_ui::CRespondentsFilterPage>(sheet, "respondentsFilterPage");
        child<QComboBox>(*page, "dataToIncludeCombo")->setCurrentIndex(1);
        choose(sheet, 0, "0");
    });
    sink.drive_next([](QDialog& save) { save.accept(); });
    sink.answer_next(oc_ui::box_answer::cancel);
    prepare();
    EXPECT_EQ(oc::IDS_DUPLICATE_CODING, sink.message_ids().back());
    EXPECT_FALSE(octest::fs::exists(dir.file("S.002")));
    EXPECT_SAME_BYTES(list, read_bytes(dir.file("S.cdl")));

    // The same, confirmed: the second run writes S.002 and lists it.
    sink.drive_next([](QDialog& sheet) {
        auto* page = child<oc_ui::CRespondentsFilterPage>(sheet, "respondentsFilterPage");
        child<QComboBox>(*page, "dataToIncludeCombo")->setCurrentIndex(1);
        choose(sheet, 0, "0");
    });
    sink.drive_next([](QDialog& save) { save.accept(); });
    sink.answer_next(oc_ui::box_answer::ok);
    prepare();
    EXPECT_EQ(oc::IDS_CODER_FILE_CREATED, sink.message_ids().back());
    ASSERT_TRUE(octest::fs::exists(dir.file("S.002")));
    octest::fs::remove(dir.file("S.002"));
    octest::write_bytes(dir.file("S.cdl"), list);

    // A fixed number with two questions: 754, then the sheet again with
    // every question back at Not Coded and the respondents page as it was.
    sink.drive_next([](QDialog& sheet) { choose(sheet, 2, "1"); });
    sink.drive_next([](QDialog& sheet) {
        auto* codes = child<oc_ui::CQCodeFilterPage>(sheet, "qcodeFilterPage");
        EXPECT_FALSE(codes->any_action());
        auto* page = child<oc_ui::CRespondentsFilterPage>(sheet, "respondentsFilterPage");
        EXPECT_EQ(2, child<QComboBox>(*page, "respondentNumbersCombo")->currentIndex());
        sheet.reject();
    });
    prepare();
    EXPECT_EQ(oc::IDS_FIXED_NUMBER_ONE_QUESTION, sink.message_ids().back());

    // Cancel in the naming dialog: no message, no file.
    std::size_t shown = sink.messages().size();
    sink.drive_next([](QDialog& sheet) { choose(sheet, 0, "0"); });
    sink.drive_next([](QDialog& save) { save.reject(); });
    prepare();
    EXPECT_EQ(shown, sink.messages().size());
    EXPECT_FALSE(octest::fs::exists(dir.file("S.002")));
}

}  // namespace
