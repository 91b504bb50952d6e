// The prepare sheet over its three pages, shown without a modal loop: pages
// validated when left, the tab rule, the page keys, and the sound folder.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "ui/frame/library_state.h"
#include "dialogs/prepare/cati_coder_params_page.h"
#include "ui/sheet/examine_prop_sheet.h"
#include "ui/sheet/qcode_filter_page.h"
#include "ui/sheet/respondents_filter_page.h"
#include "recording_sink.h"
#include "ui.h"

namespace {

using namespace oc_ui;
using octest::child;

class PrepareSheet : public ::testing::Test {
protected:
    PrepareSheet() : sheet(QStringLiteral("Prepare Coder Data")) {
        g_soundDir.clear();
        sheet.AddPage(&codes);
        sheet.AddPage(&respondents);
        sheet.AddPage(&cati);
        sheet.show();
        octest::settle();
    }
    ~PrepareSheet() override { g_soundDir.clear(); }

    // Clicks tab `index`; the page then shown, on the tab bar and the sheet alike.
    int click_tab(int index) {
        QTabBar* bar = child<QTabWidget>(sheet, "pageTabs")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
        octest::settle();
        EXPECT_EQ(sheet.GetActiveIndex(), bar->currentIndex());
        return sheet.GetActiveIndex();
    }
    void choose(int action, const char* number_of_codes, const char* width) {
        child<QComboBox>(codes, "actionCombo")->setCurrentIndex(action);
        child<QLineEdit>(codes, "numberOfCodesEdit")->setText(QLatin1String(number_of_codes));
        child<QLineEdit>(codes, "codeWidthEdit")->setText(QLatin1String(width));
    }

    octest::recording_sink sink;
    CQCodeFilterPage codes{{"Q1", "Q2", "Q3"}, {7, 0, 7}};
    CRespondentsFilterPage respondents{0};
    CCatiCoderParamsPage cati;
    CExaminePropSheet sheet;
};

TEST_F(PrepareSheet, ARefusingPageShowsWhyAndStaysWithTheFocusOnTheFault) {
    choose(2, "31", "1");
    EXPECT_EQ(0, click_tab(2));
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(QStringLiteral("Please enter an integer between 1 and 30."), sink.messages()[0].text);
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
    EXPECT_EQ(child<QLineEdit>(codes, "numberOfCodesEdit"), codes.focusWidget());
    child<QPushButton>(sheet, "okButton")->click();  // OK refuses the same way
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(2u, sink.messages().size());

    choose(2, "30", "1");
    EXPECT_EQ(1, click_tab(1));
    child<QComboBox>(respondents, "respondentNumbersCombo")->setCurrentIndex(2);
    child<QLineEdit>(respondents, "firstEdit")->setText(QStringLiteral("0"));
    EXPECT_EQ(1, click_tab(0));  // refused with a beep
    EXPECT_EQ(1, sink.beeps());
    child<QLineEdit>(respondents, "firstEdit")->setText(QStringLiteral("4"));
    child<QPushButton>(sheet, "okButton")->click();
    EXPECT_EQ(QDialog::Accepted, sheet.result());
    EXPECT_EQ(4, respondents.choice().first);
}

TEST_F(PrepareSheet, PageKeysWorkFromAnyControlAndNeverChangeAChoice) {
    choose(1, "0", "2");
    click_tab(1);
    ASSERT_TRUE(octest::activate(sheet));
    auto* interviews = child<QComboBox>(respondents, "interviewStatusCombo");
    EXPECT_EQ(interviews, QApplication::focusWidget());
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
        octest::press(m.key, m.modifiers);
        EXPECT_EQ(m.page, sheet.GetActiveIndex());
        EXPECT_EQ(m.page, child<QTabWidget>(sheet, "pageTabs")->currentIndex());
    }
    EXPECT_EQ(0, interviews->currentIndex());
    EXPECT_EQ(0, sink.beeps());
}

}  // namespace
