// The code frame beside the code boxes: picking a code by keyboard, the
// labels shown beside the boxes, New code…, the context line of a looped
// question, and codes the question's width or boxes cannot take.
#include <QComboBox>
#include <QLabel>
#include <QTreeWidget>

#include "coding_fixture.h"
#include "ui/widgets/elided_label.h"

namespace codingtest {
namespace {

// Q1: width 4, four boxes; Q3: width 1, one box.
const std::string kFrame =
    "question,code,label,net\r\n"
    "Q1,1,Price too high,Cost\r\n"
    "Q1,2,Price fair,Cost\r\n"
    "Q1,17,Friendly staff,Service\r\n"
    "Q1,123,Slow delivery,\r\n"
    "Q3,12,Other brand,\r\n"
    "Q3,5,Known brand,\r\n";

class FrameTest : public CodingTest {
protected:
    void SetUp() override {
        CodingTest::SetUp();
        write_bytes("S.cfr", kFrame);
    }
};

QString meaning(QWidget& dialog, int n) {
    return child<oc_ui::elided_label>(dialog, QStringLiteral("codeMeaning%1").arg(n))->full_text();
}
QWidget* focused() { return QApplication::focusWidget(); }

TEST_F(FrameTest, CodesPickedFromTheFilterByKeyboardAreSavedWithTheRecord) {
    OpenDialog open(file.questions[0]);
    QWidget& dialog = open.dialog;
    ASSERT_TRUE(octest::activate(dialog));
    octest::press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(child(dialog, "frameFilter"), focused());
    QTest::keyClicks(focused(), QStringLiteral("PRICE"));  // both Cost codes, the first current
    octest::press(Qt::Key_Down);
    octest::press(Qt::Key_Return);
    EXPECT_EQ(QStringLiteral("2"), box(dialog, 1)->text());
    EXPECT_EQ(box(dialog, 2), focused());
    octest::press(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(focused(), QStringLiteral("17"));  // a number picks that code
    octest::press(Qt::Key_Return);
    octest::press(Qt::Key_F, Qt::ControlModifier);
    octest::press(Qt::Key_Escape);  // back to the boxes, the dialog open, nothing saved
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(box(dialog, 3), focused());
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));
    octest::press(Qt::Key_Return);
    EXPECT_EQ(2, open.dialog.record_number());
    EXPECT_TRUE(child<QLineEdit>(dialog, "frameFilter")->text().isEmpty());  // the next answer sees the whole frame
    EXPECT_SAME_BYTES(replaced(fresh, q1_record(1, 1, "one"), q1_record(1, 1, "one", {2, 17})), read_bytes("S.001"));
    EXPECT_EQ(0, sink.beeps());
}

TEST_F(FrameTest, BoxesShowTheLabelOfTheCodeTypedOrSayItIsNotInTheFrame) {
    {
        OpenDialog open(file.questions[0]);
        QTest::keyClicks(box(open.dialog, 1), QStringLiteral("123"));
        QTest::keyClicks(box(open.dialog, 2), QStringLiteral("9"));
        EXPECT_EQ((QStringList{"Slow delivery", "(not in the code frame)", ""}),
                  (QStringList{meaning(open.dialog, 1), meaning(open.dialog, 2), meaning(open.dialog, 3)}));
        EXPECT_EQ(QStringLiteral("Slow delivery"),
                  child(open.dialog, "codeMeaning1")->toolTip());
        box(open.dialog, 1)->clear();
        EXPECT_EQ(QString(), meaning(open.dialog, 1));
    }
    write_bytes("S.cfr", "question,code,label,net\r\nQ3,5,Known brand,\r\n");
    OpenDialog without(file.questions[0]);  // Q1 has no frame now: nothing is marked
    QTest::keyClicks(box(without.dialog, 1), QStringLiteral("9"));
    EXPECT_EQ(QString(), meaning(without.dialog, 1));
    EXPECT_TRUE(child<QLabel>(without.dialog, "frameNote")->text().startsWith(QStringLiteral("No code frame for Q1.")));
}

TEST_F(FrameTest, NewCodeIsAddedToTheFrameFileAtOnceAndCancelWritesNothing) {
    OpenDialog open(file.questions[0]);
    sink.drive_next([](QDialog& ask) { ask.reject(); });
    button(open.dialog, "newCodeButton")->click();
    EXPECT_SAME_BYTES(kFrame, read_bytes("S.cfr"));
    sink.drive_next([](QDialog& ask) {
        QTest::keyClicks(child(ask, "newCodeLabel"), QStringLiteral("Too noisy"));
        child<QComboBox>(ask, "newCodeNet")->setCurrentText(QStringLiteral("Service"));
        button(ask, "okButton")->click();
    });
    button(open.dialog, "newCodeButton")->click();
    EXPECT_SAME_BYTES(kFrame + "Q1,3,Too noisy,Service\r\n", read_bytes("S.cfr"));
    EXPECT_EQ(QStringLiteral("3"), box(open.dialog, 1)->text());
    EXPECT_EQ(QStringLiteral("Too noisy"), meaning(open.dialog, 1));
    EXPECT_EQ((std::vector<QString>{"newCodeDialog", "newCodeDialog"}), sink.dialogs());
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(FrameTest, AHiddenFrameStaysHiddenNextTimeUntilCtrlFBringsItBack) {
    {
        OpenDialog open(file.questions[0]);
        button(open.dialog, "frameToggle")->click();
        EXPECT_FALSE(child(open.dialog, "framePanel")->isVisible());
    }
    OpenDialog again(file.questions[0]);
    EXPECT_FALSE(child(again.dialog, "framePanel")->isVisible());
    ASSERT_TRUE(octest::activate(again.dialog));
    octest::press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(child(again.dialog, "framePanel")->isVisible());
    EXPECT_EQ(child(again.dialog, "frameFilter"), focused());
    octest::press(Qt::Key_Escape);  // back in box 1: Escape there cancels as before
    octest::press(Qt::Key_Escape);
    EXPECT_EQ(QDialog::Rejected, again.dialog.result());
}

TEST_F(FrameTest, ALoopedAnswerShowsItsIterationItsPlaceInTheListAndTheCodedCount) {
    octest::import_study_s(dir, "name,type,other,text\r\nQ5,7,0,What did you buy?\r\n",
                           "respondent,sequence,complete,Q5[1],Q5[2]\r\n1,1,1,milk|eggs|tea,bread\r\n2,1,1,,jam\r\n");
    octest::extract_s001({{"Q5", 0, 2, 2}});
    ASSERT_FALSE(HasFatalFailure());
    oc::loaded_coder_file looped;
    ASSERT_TRUE(oc::load_coder_questions("S.001", looped));
    OpenDialog open(looped.questions[0], 2);
    auto context = [&] { return child<QLabel>(open.dialog, "contextLine")->text(); };
    EXPECT_EQ(QStringLiteral("What did you buy?  \u00b7  iteration 1, answer 2 of 3  \u00b7  record 2 of 5, 0 coded"),
              context());
    QTest::keyClicks(box(open.dialog, 1), QStringLiteral("7"));
    button(open.dialog, "nextButton")->click();
    EXPECT_EQ(QStringLiteral("What did you buy?  \u00b7  iteration 1, answer 3 of 3  \u00b7  record 3 of 5, 1 coded"),
              context());
    button(open.dialog, "previousButton")->click();
    box(open.dialog, 1)->clear();  // coded no more
    button(open.dialog, "nextButton")->click();
    button(open.dialog, "nextButton")->click();
    EXPECT_EQ(QStringLiteral("What did you buy?  \u00b7  iteration 2  \u00b7  record 4 of 5, 0 coded"), context());
}

TEST_F(FrameTest, ACodeWiderThanTheQuestionOrWithoutAnEmptyBoxIsRefusedWithABeep) {
    OpenDialog open(file.questions[1]);  // Q3: one box of width 1
    auto pick = [&](const char* code) {
        auto* filter = child<QLineEdit>(open.dialog, "frameFilter");
        filter->setText(QLatin1String(code));
        QTest::keyClick(filter, Qt::Key_Return);
    };
    pick("12");
    EXPECT_EQ(QString(), box(open.dialog, 1)->text());
    EXPECT_EQ(1, sink.beeps());
    pick("5");
    EXPECT_EQ(QStringLiteral("5"), box(open.dialog, 1)->text());
    pick("5");
    EXPECT_EQ(2, sink.beeps());
    EXPECT_TRUE(open.dialog.isVisible());
}

}  // namespace
}  // namespace codingtest
