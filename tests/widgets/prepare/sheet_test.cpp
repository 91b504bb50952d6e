// The property sheet: pages validated when left, the prepare sheet's tab
// rule, OK and Cancel; the CATI page's sound folder.
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "ui/frame/library_state.h"
#include "keys.h"
#include "dialogs/prepare/cati_coder_params_page.h"
#include "ui/sheet/examine_prop_sheet.h"
#include "ui/sheet/qcode_filter_page.h"
#include "ui/sheet/questions_filter_page.h"
#include "ui/sheet/respondents_filter_page.h"
#include "prepare_test_support.h"
#include "recording_sink.h"

namespace {

using namespace preptest;
using namespace oc_ui;

void click_tab(QDialog& sheet, int index) {
    QTabBar* bar = child<QTabWidget>(sheet, "pageTabs")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    settle();
}

void click_ok(QDialog& sheet) { child<QPushButton>(sheet, "okButton")->click(); }

// The prepare sheet over its three pages, shown without a modal loop.
class PrepareSheetTest : public ::testing::Test {
protected:
    PrepareSheetTest() : codes(kNames, kTypes), respondents(0), sheet(QStringLiteral("Prepare Coder Data")) {
        g_soundDir.clear();
        sheet.AddPage(&codes);
        sheet.AddPage(&respondents);
        sheet.AddPage(&cati);
        sheet.show();
        settle();
    }
    ~PrepareSheetTest() override { g_soundDir.clear(); }

    int shown_tab() { return child<QTabWidget>(sheet, "pageTabs")->currentIndex(); }

    octest::recording_sink sink;
    CQCodeFilterPage codes;
    CRespondentsFilterPage respondents;
    CCatiCoderParamsPage cati;
    CExaminePropSheet sheet;
};

TEST_F(PrepareSheetTest, RespondentsPageNeedsAQuestionWithAnAction) {
    auto* tabs = child<QTabWidget>(sheet, "pageTabs");
    EXPECT_EQ(QStringList({"Questions", "Respondents", "Sound Files"}),
              (QStringList{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}));
    click_tab(sheet, 1);
    EXPECT_EQ(0, sheet.GetActiveIndex());
    EXPECT_EQ(0, shown_tab());
    EXPECT_EQ(1, sink.beeps());

    // The sound page is not guarded; from it the rule still holds.
    click_tab(sheet, 2);
    EXPECT_EQ(2, sheet.GetActiveIndex());
    click_tab(sheet, 1);
    EXPECT_EQ(0, sheet.GetActiveIndex());
    EXPECT_EQ(2, sink.beeps());

    child<QComboBox>(codes, "actionCombo")->setCurrentIndex(1);
    child<QLineEdit>(codes, "codeWidthEdit")->setText(QStringLiteral("2"));
    click_tab(sheet, 1);
    EXPECT_EQ(1, sheet.GetActiveIndex());
    EXPECT_EQ(1, shown_tab());
    EXPECT_EQ(2, sink.beeps());
    EXPECT_EQ(2, codes.specs()[0].code_width);
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(PrepareSheetTest, ARefusingPageStaysWithTheFocusOnTheFault) {
    child<QComboBox>(codes, "actionCombo")->setCurrentIndex(2);
    child<QLineEdit>(codes, "numberOfCodesEdit")->setText(QStringLiteral("31"));
    child<QLineEdit>(codes, "codeWidthEdit")->setText(QStringLiteral("1"));
    click_tab(sheet, 2);
    EXPECT_EQ(0, sheet.GetActiveIndex());
    EXPECT_EQ(0, shown_tab());
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(QStringLiteral("Please enter an integer between 1 and 30."), sink.messages()[0].text);
    EXPECT_EQ(child<QLineEdit>(codes, "numberOfCodesEdit"), codes.focusWidget());

    // OK refuses the same way and the sheet stays.
    click_ok(sheet);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(2u, sink.messages().size());

    child<QLineEdit>(codes, "numberOfCodesEdit")->setText(QStringLiteral("30"));
    click_tab(sheet, 1);
    auto* mode = child<QComboBox>(respondents, "respondentNumbersCombo");
    mode->setCurrentIndex(2);
    child<QLineEdit>(respondents, "firstEdit")->setText(QStringLiteral("0"));
    click_tab(sheet, 0);
    EXPECT_EQ(1, sheet.GetActiveIndex());
    EXPECT_EQ(1, sink.beeps());
    child<QLineEdit>(respondents, "firstEdit")->setText(QStringLiteral("4"));
    click_ok(sheet);
    EXPECT_EQ(QDialog::Accepted, sheet.result());
    EXPECT_EQ(2, respondents.choice().respondents);
    EXPECT_EQ(4, respondents.choice().first);
}

TEST_F(PrepareSheetTest, PageKeysWorkFromAnyControlAndNeverChangeAChoice) {
    child<QComboBox>(codes, "actionCombo")->setCurrentIndex(1);
    child<QLineEdit>(codes, "codeWidthEdit")->setText(QStringLiteral("2"));
    click_tab(sheet, 1);
    ASSERT_TRUE(octest::activate(sheet));
    auto* interviews = child<QComboBox>(respondents, "interviewStatusCombo");
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } moves[] = {
        {Qt::Key_PageDown, Qt::ControlModifier, 2},
        {Qt::Key_PageUp, Qt::ControlModifier, 1},
        {Qt::Key_Tab, Qt::ControlModifier, 2},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 1},
        {Qt::Key_PageUp, Qt::ControlModifier, 0},
        {Qt::Key_PageUp, Qt::ControlModifier, 2},  // round from the first page to the last
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.page);
        if (sheet.GetActiveIndex() == 1) {
            EXPECT_EQ(interviews, QApplication::focusWidget());
        }
        octest::press(m.key, m.modifiers);
        EXPECT_EQ(m.page, sheet.GetActiveIndex());
        EXPECT_EQ(m.page, shown_tab());
    }
    EXPECT_EQ(0, interviews->currentIndex());
    EXPECT_EQ(0, sink.beeps());
}

TEST_F(PrepareSheetTest, SoundFolderIsStoredWhenThePageIsLeftEvenIfCancelled) {
    click_tab(sheet, 2);
    auto* edit = child<QLineEdit>(cati, "soundDirEdit");
    EXPECT_EQ(edit, cati.focusWidget());
    edit->setText(QStringLiteral("/data/sounds"));
    click_tab(sheet, 0);
    EXPECT_EQ("/data/sounds/", g_soundDir);
    sheet.reject();
    EXPECT_EQ("/data/sounds/", g_soundDir);
    EXPECT_EQ(QStringLiteral("/data/sounds/"), cati.sound_dir());
}

TEST(CatiPage, WhatIsStoredForWhatIsTyped) {
    struct {
        QString typed;
        std::string stored;
    } cases[] = {
        {QStringLiteral("/data/sounds"), "/data/sounds/"},
        {QStringLiteral("/data/sounds/"), "/data/sounds/"},
        {QStringLiteral("C:\\SOUNDS\\"), "C:\\SOUNDS\\"},
        {QString(), ""},  // switches the sound buttons off
        {QString(254, u'd'), std::string(254, 'd') + "/"},
        {QString(255, u'd'), std::string(255, 'd') + "/"},
        {QString(256, u'd'), std::string(255, 'd') + "/"},  // typing stops at 255
    };
    for (const auto& c : cases) {
        octest::recording_sink sink;
        g_soundDir = "kept";
        CCatiCoderParamsPage page;
        page.show();
        page.OnInitDialog();
        auto* edit = child<QLineEdit>(page, "soundDirEdit");
        EXPECT_EQ(QStringLiteral("kept"), edit->text());
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        EXPECT_TRUE(page.OnKillActive()) << c.typed.size();
        EXPECT_EQ(c.stored, g_soundDir) << c.typed.size();
        EXPECT_TRUE(sink.messages().empty());
        EXPECT_EQ(0, sink.beeps());
    }
    g_soundDir.clear();
}

TEST(ExamineSheet, OkNeedsATickedQuestionAndTheRespondentsPageIsFree) {
    octest::recording_sink sink;
    CQuestionsFilterPage questions(kNames, kTypes);
    CRespondentsFilterPage respondents(1);
    CExaminePropSheet sheet(QStringLiteral("Examine Openend Responses"));
    sheet.AddPage(&questions);
    sheet.AddPage(&respondents);
    sink.drive_next([&](QDialog& shown) {
        EXPECT_EQ(child<QTreeWidget>(questions, "questionList"), questions.focusWidget());
        click_ok(shown);
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(1, sink.beeps());
        click_tab(shown, 1);  // refused: nothing ticked
        EXPECT_EQ(0, sheet.GetActiveIndex());
        questions.toggle(1);
        click_tab(shown, 1);  // two pages: no rule beyond the page's own
        EXPECT_EQ(1, sheet.GetActiveIndex());
        click_ok(shown);
    });
    EXPECT_EQ(QDialog::Accepted, run_modal(sheet));
    EXPECT_EQ((QVector<quint16>{0, 1, 0}), questions.selected());
    EXPECT_EQ(1, respondents.choice().data_to_include);
    EXPECT_EQ(2, sink.beeps());
}

// Pictures of the two sheets for a look at their layout (written to the
// build's test output folder); the test checks only that each was written.
TEST(SheetPictures, EachSheetRenders) {
    octest::recording_sink sink;
    QStringList names;
    QList<quint16> types;
    for (int i = 1; i <= 9; ++i) {
        names << QStringLiteral("Q%1").arg(i);
        types << (i == 2 ? 0 : 7);
    }
    CQCodeFilterPage codes(names, types);
    CRespondentsFilterPage respondents(0);
    CCatiCoderParamsPage cati;
    CQuestionsFilterPage questions(names, types);
    const QString folder = QStringLiteral(OPENCODER_TEST_OUTPUT);
    QDir().mkpath(folder);
    {
        CExaminePropSheet sheet(QStringLiteral("Prepare Coder Data"));
        sheet.AddPage(&codes);
        sheet.AddPage(&respondents);
        sheet.AddPage(&cati);
        sheet.show();
        settle();
        child<QComboBox>(codes, "actionCombo")->setCurrentIndex(2);
        EXPECT_TRUE(sheet.grab().save(folder + QStringLiteral("/prepare_questions.png")));
    }
    CExaminePropSheet sheet(QStringLiteral("Examine Openend Responses"));
    sheet.AddPage(&questions);
    questions.toggle(0);
    questions.toggle(3);
    sheet.show();
    settle();
    EXPECT_TRUE(sheet.grab().save(folder + QStringLiteral("/examine_questions.png")));
}

}  // namespace
