// The respondents page: combo orders and starting values, the visibility
// rule, and what leaving the page accepts.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "ui/sheet/respondents_filter_page.h"
#include "prepare_test_support.h"
#include "recording_sink.h"

namespace {

using namespace preptest;
using oc_ui::CRespondentsFilterPage;

QStringList items(const QComboBox& combo) {
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i) texts << combo.itemText(i);
    return texts;
}

TEST(RespondentsPage, CombosInTheirOrderAndStartingValuesByCommand) {
    CRespondentsFilterPage prepare(0), examine(1);
    for (CRespondentsFilterPage* page : {&prepare, &examine}) {
        EXPECT_EQ((QStringList{"Completes AND Incompletes", "Completes ONLY", "Incompletes ONLY"}),
                  items(*child<QComboBox>(*page, "interviewStatusCombo")));
        EXPECT_EQ((QStringList{"Data Not Yet Coded", "All Respondent Data", "Data Already Coded"}),
                  items(*child<QComboBox>(*page, "dataToIncludeCombo")));
        EXPECT_EQ((QStringList{"All Respondents", "Selected Range", "Specified Number"}),
                  items(*child<QComboBox>(*page, "respondentNumbersCombo")));
        EXPECT_EQ(0, child<QComboBox>(*page, "interviewStatusCombo")->currentIndex());
        EXPECT_EQ(0, child<QComboBox>(*page, "respondentNumbersCombo")->currentIndex());
        EXPECT_EQ(QStringLiteral("0"), child<QLineEdit>(*page, "firstEdit")->text());
        EXPECT_EQ(QStringLiteral("0"), child<QLineEdit>(*page, "maximumEdit")->text());
    }
    EXPECT_EQ(0, child<QComboBox>(prepare, "dataToIncludeCombo")->currentIndex());
    EXPECT_EQ(0, prepare.choice().data_to_include);
    EXPECT_EQ(1, child<QComboBox>(examine, "dataToIncludeCombo")->currentIndex());
    EXPECT_EQ(1, examine.choice().data_to_include);
}

TEST(RespondentsPage, VisibilityRuleByRespondentNumbers) {
    CRespondentsFilterPage page(0);
    page.show();
    auto* mode = child<QComboBox>(page, "respondentNumbersCombo");
    auto* first_label = child<QLabel>(page, "firstLabel");
    struct {
        int mode;
        bool first_shown;
        bool maximum_shown;
        const char* first_text;
    } cases[] = {{1, true, true, "&Minimum"}, {2, true, false, "&How Many"}, {0, false, false, nullptr}};
    for (const auto& c : cases) {
        mode->setCurrentIndex(c.mode);
        EXPECT_EQ(c.first_shown, first_label->isVisible()) << c.mode;
        EXPECT_EQ(c.first_shown, child<QLineEdit>(page, "firstEdit")->isVisible()) << c.mode;
        EXPECT_EQ(c.maximum_shown, child<QLabel>(page, "maximumLabel")->isVisible()) << c.mode;
        EXPECT_EQ(c.maximum_shown, child<QLineEdit>(page, "maximumEdit")->isVisible()) << c.mode;
        if (c.first_text) {
            EXPECT_EQ(QString::fromLatin1(c.first_text), first_label->text());
        }
    }
    EXPECT_EQ(QStringLiteral("Ma&ximum"), child<QLabel>(page, "maximumLabel")->text());
}

TEST(RespondentsPage, LeavingAcceptsOnlyValidNumbers) {
    struct {
        int mode;
        const char* first;
        const char* maximum;
        bool accepted;
        bool message;  // an unparsable number is named, a refused value only beeps
    } cases[] = {
        {1, "5", "5", true, false},
        {1, "1", "999999999", true, false},
        {1, "1", "1000000000", false, false},
        {1, "0", "5", false, false},
        {1, "6", "5", false, false},
        {1, "-3", "5", false, false},
        {2, "0", "0", false, false},
        {2, "1", "0", true, false},
        {2, "32767", "0", true, false},
        {2, "32768", "0", false, false},   // the request carries 16 bits
        {2, "abc", "0", false, true},
        {0, "0", "0", true, false},
        {0, "-7", "2147483647", true, false},
        {0, "abc", "0", false, true},      // hidden, yet still parsed
        {0, "0", "2147483648", false, true},
        {0, " 12 ", "0", true, false},
    };
    for (const auto& c : cases) {
        octest::recording_sink sink;
        CRespondentsFilterPage page(0);
        page.show();
        child<QComboBox>(page, "respondentNumbersCombo")->setCurrentIndex(c.mode);
        child<QLineEdit>(page, "firstEdit")->setText(QLatin1String(c.first));
        child<QLineEdit>(page, "maximumEdit")->setText(QLatin1String(c.maximum));
        const bool accepted = page.OnKillActive();
        const std::string label = std::to_string(c.mode) + " " + c.first + ".." + c.maximum;
        EXPECT_EQ(c.accepted, accepted) << label;
        EXPECT_EQ(c.accepted ? 0 : 1, sink.beeps()) << label;
        ASSERT_EQ(c.message ? 1u : 0u, sink.messages().size()) << label;
        if (c.message) {
            EXPECT_EQ(QStringLiteral("Please enter an integer."), sink.messages()[0].text);
        }
        if (accepted) {
            EXPECT_EQ(c.mode, page.choice().respondents);
            EXPECT_EQ(std::atol(c.first), page.choice().first) << label;
            EXPECT_EQ(std::atol(c.maximum), page.choice().maximum) << label;
        } else {
            EXPECT_EQ(0, page.choice().respondents) << "a refused choice is not stored: " << label;
        }
    }
}

TEST(RespondentsPage, NumbersSurviveSwitchingBackToAllAndReinitialising) {
    octest::recording_sink sink;
    CRespondentsFilterPage page(0);
    page.show();
    auto* mode = child<QComboBox>(page, "respondentNumbersCombo");
    mode->setCurrentIndex(1);
    child<QLineEdit>(page, "firstEdit")->setText(QStringLiteral("10"));
    child<QLineEdit>(page, "maximumEdit")->setText(QStringLiteral("20"));
    child<QComboBox>(page, "interviewStatusCombo")->setCurrentIndex(2);
    child<QComboBox>(page, "dataToIncludeCombo")->setCurrentIndex(1);
    mode->setCurrentIndex(0);
    EXPECT_EQ(QStringLiteral("10"), child<QLineEdit>(page, "firstEdit")->text());
    ASSERT_TRUE(page.OnKillActive());
    EXPECT_EQ(0, page.choice().respondents);
    EXPECT_EQ(10, page.choice().first);
    EXPECT_EQ(20, page.choice().maximum);
    EXPECT_EQ(2, page.choice().interview_status);
    EXPECT_EQ(1, page.choice().data_to_include);

    mode->setCurrentIndex(2);
    child<QLineEdit>(page, "firstEdit")->setText(QStringLiteral("0010"));
    ASSERT_TRUE(page.OnKillActive());
    page.OnInitDialog();  // a new sheet shows the stored values
    EXPECT_EQ(2, mode->currentIndex());
    EXPECT_EQ(QStringLiteral("10"), child<QLineEdit>(page, "firstEdit")->text());
    EXPECT_TRUE(child<QLineEdit>(page, "firstEdit")->isVisible());
    EXPECT_FALSE(child<QLineEdit>(page, "maximumEdit")->isVisible());
    EXPECT_EQ(0, sink.beeps());
}

}  // namespace
