// The status report's agreement and productivity views over two coder files
// of Q1 coded differently: the tables, a disagreement opened in the coding
// dialog of the file chosen and mended there, and the throughput it left in
// the journal.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QListWidget>
#include <QTreeWidget>

#include "coding_fixture.h"
#include "dialogs/coding/code_command.h"
#include "dialogs/status/status_report.h"

namespace codingtest {
namespace {

QStringList row(QTreeWidget& table, int r) {
    QStringList texts;
    for (int c = 0; c < table.columnCount(); ++c) texts << table.topLevelItem(r)->text(c);
    return texts;
}

TEST_F(CodingTest, AgreementViewListsDisagreementsAndOpensOneForCoding) {
    ASSERT_EQ(0, octest::run_cli({"prepare", "--study", "S", "--question", "Q1:append:4:4", "--data", "all", "--yes",
                                  "--out", "S.002"}).exit_code);
    write_bytes("f.csv", "question,code,label,net\r\nQ1,5,plastic,\r\nQ1,6,price,\r\n");
    write_bytes("a.csv", "question,respondent,roster,list_no,codes\r\nQ1,1,0,1,5\r\nQ1,2,0,1,5\r\nQ1,3,0,1,6\r\n");
    write_bytes("b.csv", "question,respondent,roster,list_no,codes\r\nQ1,1,0,1,5\r\nQ1,2,0,1,6\r\nQ1,3,0,1,6 5\r\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"frame", "import", "--study", "S", "--csv", "f.csv"},
          {"code", "--study", "S", "--file", "S.001", "--codes", "a.csv"},
          {"code", "--study", "S", "--file", "S.002", "--codes", "b.csv"}})
        ASSERT_EQ(0, octest::run_cli(args).exit_code) << args[0];

    sink.drive_next([](QDialog& report) { button(report, "agreementButton")->click(); });
    sink.drive_next([](QDialog& view) {
        auto* files = child<QListWidget>(view, "fileChecks");
        ASSERT_EQ(2, files->count());
        button(view, "compareButton")->click();  // one file ticked is not a comparison
        files->item(0)->setCheckState(Qt::Checked);
        files->item(1)->setCheckState(Qt::Checked);
        child<QComboBox>(view, "questionCombo")->setCurrentText(QStringLiteral("Q1"));
        button(view, "compareButton")->click();
        // Worked by hand: alpha with MASI distances 0, 1 and 2/3; kappa of code 6 (2/3 - 4/9) / (5/9).
        auto* summary = child<QTreeWidget>(view, "agreementTable");
        ASSERT_EQ(1, summary->topLevelItemCount());
        EXPECT_EQ((QStringList{"Q1", "3", "1", "0.333", "0.107", "MASI"}), row(*summary, 0));
        auto* kappas = child<QTreeWidget>(view, "kappaTable");
        ASSERT_EQ(2, kappas->topLevelItemCount());
        EXPECT_EQ((QStringList{"Q1", "6", "price", "0.400"}), row(*kappas, 1));
        auto* disagreements = child<QTreeWidget>(view, "disagreementTable");
        ASSERT_EQ(2, disagreements->topLevelItemCount());
        EXPECT_EQ((QStringList{"Q1", "2", "0", "1", "two", "5 plastic", "6 price"}), row(*disagreements, 0));
        EXPECT_EQ((QStringList{"Q1", "3", "0", "1", "three", "6 price", "5 plastic; 6 price"}), row(*disagreements, 1));
        child<QComboBox>(view, "openInCombo")->setCurrentText(QStringLiteral("S.002"));
        disagreements->setCurrentItem(disagreements->topLevelItem(0));
        button(view, "openRecordButton")->click();
        // Mended in S.002: the tables follow.
        ASSERT_EQ(1, disagreements->topLevelItemCount());
        EXPECT_EQ(QStringLiteral("3"), disagreements->topLevelItem(0)->text(1));
        EXPECT_EQ((QStringList{"Q1", "3", "2", "0.667"}), row(*summary, 0).mid(0, 4));
        EXPECT_EQ(QStringLiteral("S.002"), child<QComboBox>(view, "openInCombo")->currentText());
        view.reject();
    });
    sink.drive_next([](QDialog& coding) {
        EXPECT_EQ(2, static_cast<oc_ui::CCodingResponseDlg&>(coding).record_number());
        EXPECT_EQ(QStringLiteral("6"), box(coding, 1)->text());
        box(coding, 1)->setText(QStringLiteral("5"));
        button(coding, "saveButton")->click();
    });
    oc_ui::run_status_report(QStringLiteral("S.cdl"), [](const QString& path, const oc::answer_key& record) {
        oc_ui::code_record(QStringLiteral("S.cdl"), path, record);
    });
    EXPECT_EQ((std::vector<QString>{"statusOfSpecFilesDialog", "agreementDialog", "codingResponseDialog"}),
              sink.dialogs());
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(QStringLiteral("Tick two coder files or more to compare."), sink.messages()[0].text);
    EXPECT_NE(std::string::npos, read_bytes("S.002").find(q1_record(2, 1, "two", {5})));

    // The batch rows and the dialog's save, per file and user.
    sink.drive_next([](QDialog& report) { button(report, "productivityButton")->click(); });
    sink.drive_next([](QDialog& view) {
        auto* table = child<QTreeWidget>(view, "productivityTable");
        ASSERT_EQ(2, table->topLevelItemCount());
        EXPECT_EQ(QStringLiteral("S.001"), table->topLevelItem(0)->text(0));
        EXPECT_EQ((QStringList{"S.002", "4", "4", "1"}),
                  (QStringList{table->topLevelItem(1)->text(0), table->topLevelItem(1)->text(2),
                               table->topLevelItem(1)->text(3), table->topLevelItem(1)->text(6)}));
        child<QCheckBox>(view, "fromCheck")->setChecked(true);
        child<QDateEdit>(view, "fromDate")->setDate(QDate::currentDate().addDays(1));
        EXPECT_EQ(0, table->topLevelItemCount());
        view.reject();
    });
    oc_ui::run_status_report(QStringLiteral("S.cdl"));
}

}  // namespace
}  // namespace codingtest
