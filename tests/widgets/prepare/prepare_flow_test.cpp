// Whole prepare runs (PrepareCoderSpecs) driven as a user would, compared
// byte for byte with what the command-line tool makes from the same choices.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <optional>

#include "failing_new.h"
#include "ui/frame/library_state.h"
#include "ui/frame/messages.h"
#include "dialogs/prepare/prepare_command.h"
#include "ui/sheet/qcode_filter_page.h"
#include "ui/sheet/respondents_filter_page.h"
#include "prepare_test_support.h"
#include "recording_sink.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "suite/error_library.h"
#include "test_support.h"

namespace {

using namespace preptest;
using octest::read_bytes;
using octest::RunResult;

const char* const kLabels = "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,0,1,Which?\r\nQ3,7,0,Brand?\r\n";
const char* const kData =
    "respondent,sequence,complete,Q1,Q2,Q3[1],Q3[2]\r\n"
    "1001,,1,too expensive,97 corner shop,liked it,cheap\r\n"
    "1002,,0,price,1,,on offer\r\n"
    "1003,,1,\"taste, smell\",97 farm shop,,\r\n";

// One question's choice on the code filter page.
struct question_choice {
    int row;
    int action;
    const char* codes;
    const char* width;
};

// Respondents page values; mode -1 leaves the page unvisited.
struct respondents_choice {
    int mode = -1;
    int data = 0;
    const char* first = "0";
    const char* sound_dir = nullptr;  // typed on the Sound Files page when given
};

void click_tab(QDialog& sheet, int index) {
    QTabBar* bar = child<QTabWidget>(sheet, "pageTabs")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    settle();
}

// Fills the sheet as a user would and presses OK.
void fill_sheet(QDialog& sheet, std::vector<question_choice> questions, respondents_choice respondents = {}) {
    auto* page = child<oc_ui::CQCodeFilterPage>(sheet, "qcodeFilterPage");
    auto* list = child<QTreeWidget>(*page, "questionList");
    for (const question_choice& q : questions) {
        list->setCurrentItem(list->topLevelItem(q.row));
        settle();
        ASSERT_EQ(q.row, page->current_question());
        child<QComboBox>(*page, "actionCombo")->setCurrentIndex(q.action);
        child<QLineEdit>(*page, "numberOfCodesEdit")->setText(QLatin1String(q.codes));
        child<QLineEdit>(*page, "codeWidthEdit")->setText(QLatin1String(q.width));
    }
    if (respondents.mode >= 0) {
        click_tab(sheet, 1);
        auto* r = child<oc_ui::CRespondentsFilterPage>(sheet, "respondentsFilterPage");
        child<QComboBox>(*r, "respondentNumbersCombo")->setCurrentIndex(respondents.mode);
        child<QComboBox>(*r, "dataToIncludeCombo")->setCurrentIndex(respondents.data);
        child<QLineEdit>(*r, "firstEdit")->setText(QLatin1String(respondents.first));
    }
    if (respondents.sound_dir) {
        click_tab(sheet, 2);
        child<QLineEdit>(sheet, "soundDirEdit")->setText(QLatin1String(respondents.sound_dir));
    }
    child<QPushButton>(sheet, "okButton")->click();
}

void accept_save(QDialog& dialog) { dialog.accept(); }

class PrepareFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        oc_ui::install_error_reporter();
        for (octest::ScratchDir* dir : {&gui, &cli}) {
            octest::write_bytes(dir->file("labels.csv"), kLabels);
            octest::write_bytes(dir->file("data.csv"), kData);
            RunResult imported = octest::run_cli({"study", "import", "--labels", dir->file("labels.csv"), "--data",
                                                  dir->file("data.csv"), "--out", dir->file("S")});
            ASSERT_EQ(0, imported.exit_code) << imported.err;
        }
        elsewhere.enter();  // the naming makes the study directory current
    }

    void prepare() {
        oc_ui::run_prepare(path("S.lbl"), path("S.DAT"), path("S.idx"), path("S.cdl"), path("S.cdb"), path("S"));
    }

    QString path(const char* name) const { return QString::fromStdString(gui.file(name)); }

    RunResult cli_prepare(std::vector<std::string> args) {
        args.insert(args.begin(), {"prepare", "--study", cli.file("S")});
        return octest::run_cli(args);
    }

    void expect_same_files(const std::string& name) {
        ASSERT_TRUE(std::filesystem::exists(cli.file(name))) << name;
        ASSERT_TRUE(std::filesystem::exists(gui.file(name))) << name;
        EXPECT_SAME_BYTES(read_bytes(cli.file(name)), read_bytes(gui.file(name)));
    }

    octest::recording_sink sink;
    octest::ScratchDir elsewhere;
    octest::ScratchDir gui;
    octest::ScratchDir cli;
};

// Question and respondent choices made on the sheet give the same coder
// file and coder list as the same choices given to the tool.
TEST_F(PrepareFlowTest, SameCoderFileAsTheCommandLineTool) {
    struct {
        std::vector<question_choice> questions;
        respondents_choice respondents;
        std::vector<std::string> cli_args;
    } cases[] = {
        {{{2, 2, "3", "2"}, {0, 1, "7", "4"}}, {}, {"--question", "Q3:append:3:2", "--question", "Q1:replace:7:4"}},
        {{{1, 1, "0", "1"}}, {2, 1, "2"}, {"--question", "Q2:replace:0:1", "--respondents", "first:2", "--data", "all"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cli_args[1]);
        for (octest::ScratchDir* dir : {&gui, &cli}) {
            std::filesystem::remove(dir->file("S.001"));
            std::filesystem::remove(dir->file("S.cdl"));
        }
        octest::recording_sink local;
        local.drive_next([&](QDialog& sheet) { fill_sheet(sheet, c.questions, c.respondents); });
        local.drive_next(accept_save);
        prepare();
        EXPECT_EQ((std::vector<int>{740}), local.message_ids());
        EXPECT_EQ((std::vector<QString>{"examinePropSheet", "fileDialog"}), local.dialogs());
        RunResult made = cli_prepare(c.cli_args);
        ASSERT_EQ(0, made.exit_code) << made.err;
        expect_same_files("S.001");
        expect_same_files("S.cdl");
        EXPECT_EQ(QDir(path("")).canonicalPath(), QDir::current().canonicalPath());
    }
}

TEST_F(PrepareFlowTest, AnswersAlreadyInACoderFileAskFirst) {
    for (octest::ScratchDir* dir : {&gui, &cli})
        ASSERT_EQ(0, octest::run_cli({"prepare", "--study", dir->file("S"), "--question", "Q1:append:2:1"}).exit_code);
    const std::string list_before = read_bytes(gui.file("S.cdl"));

    // Declined: nothing written, no further message.
    sink.answer_next(oc_ui::box_answer::cancel);
    sink.drive_next([](QDialog& sheet) { fill_sheet(sheet, {{0, 2, "2", "1"}}, {0, 1, "0"}); });
    sink.drive_next(accept_save);
    prepare();
    EXPECT_EQ((std::vector<int>{712}), sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::question_ok_cancel, sink.messages()[0].style);
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.002")));
    EXPECT_SAME_BYTES(list_before, read_bytes(gui.file("S.cdl")));

    // Accepted: the same file as the tool makes with --yes.
    sink.answer_next(oc_ui::box_answer::ok);
    sink.drive_next([](QDialog& sheet) { fill_sheet(sheet, {{0, 2, "2", "1"}}, {0, 1, "0"}); });
    sink.drive_next(accept_save);
    prepare();
    EXPECT_EQ((std::vector<int>{712, 712, 740}), sink.message_ids());
    ASSERT_EQ(0, cli_prepare({"--question", "Q1:append:2:1", "--data", "all", "--yes"}).exit_code);
    expect_same_files("S.002");
    expect_same_files("S.cdl");

    // Data Not Yet Coded leaves the coded answers out without asking: nothing is left.
    sink.drive_next([](QDialog& sheet) { fill_sheet(sheet, {{0, 2, "2", "1"}}); });
    sink.drive_next(accept_save);
    prepare();
    EXPECT_EQ((std::vector<int>{712, 712, 740, 743}), sink.message_ids());
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.003")));
}

TEST_F(PrepareFlowTest, FixedNumberWithTwoQuestionsShowsTheSheetAgain) {
    oc_ui::g_soundDir.clear();
    sink.drive_next([](QDialog& sheet) {
        fill_sheet(sheet, {{0, 2, "1", "1"}, {2, 1, "0", "1"}}, {2, 0, "5", "/snd"});
    });
    sink.drive_next([](QDialog& sheet) {
        // A fresh questions page; the respondents page as it was left.
        auto* page = child<oc_ui::CQCodeFilterPage>(sheet, "qcodeFilterPage");
        for (const oc::CQCodeSpec& spec : page->specs()) EXPECT_EQ(0, spec.action);
        auto* list = child<QTreeWidget>(*page, "questionList");
        for (int row = 0; row < 3; ++row)
            EXPECT_TRUE(same_image(oc_ui::action_icon(oc_ui::action_mark::none_yet), list->topLevelItem(row)->icon(0)));
        auto* r = child<oc_ui::CRespondentsFilterPage>(sheet, "respondentsFilterPage");
        EXPECT_EQ(2, child<QComboBox>(*r, "respondentNumbersCombo")->currentIndex());
        EXPECT_EQ(QStringLiteral("5"), child<QLineEdit>(*r, "firstEdit")->text());
        EXPECT_EQ(0, child<QTabWidget>(sheet, "pageTabs")->currentIndex());
        click_tab(sheet, 2);
        EXPECT_EQ(QStringLiteral("/snd/"), child<QLineEdit>(sheet, "soundDirEdit")->text());
        click_tab(sheet, 0);
        // One question with the fixed number goes through.
        fill_sheet(sheet, {{2, 2, "1", "1"}});
    });
    sink.drive_next(accept_save);
    prepare();
    ASSERT_EQ((std::vector<int>{754, 740}), sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::none, sink.messages()[0].style);
    EXPECT_EQ(QString::fromLatin1(oc::string_text(754)), sink.messages()[0].text);
    ASSERT_EQ(0, cli_prepare({"--question", "Q3:append:1:1", "--respondents", "first:5"}).exit_code);
    expect_same_files("S.001");
    EXPECT_EQ("/snd/", oc_ui::g_soundDir);
    oc_ui::g_soundDir.clear();
}

TEST_F(PrepareFlowTest, NothingChosenOrCancelledEndsSilently) {
    sink.drive_next([](QDialog& sheet) { child<QPushButton>(sheet, "okButton")->click(); });  // no action
    prepare();
    sink.drive_next([](QDialog& sheet) { child<QPushButton>(sheet, "cancelButton")->click(); });
    prepare();
    sink.drive_next([](QDialog& sheet) { fill_sheet(sheet, {{0, 2, "1", "1"}}); });
    sink.drive_next([](QDialog& save) { save.reject(); });  // the naming dialog
    prepare();
    EXPECT_TRUE(sink.message_ids().empty());
    EXPECT_EQ((std::vector<QString>{"examinePropSheet", "examinePropSheet", "examinePropSheet", "fileDialog"}),
              sink.dialogs());
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.001")));
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.cdl")));
    EXPECT_EQ(QDir(path("")).canonicalPath(), QDir::current().canonicalPath());
}

TEST_F(PrepareFlowTest, NoOpenEndsShowsMessage745AndNoSheet) {
    octest::write_bytes(gui.file("closed.csv"), "name,type,other,text\r\nQ9,1,0,Age?\r\n");
    octest::write_bytes(gui.file("d.csv"), "respondent,sequence,complete,Q9\r\n1,,1,30\r\n");
    ASSERT_EQ(0, octest::run_cli({"study", "import", "--labels", gui.file("closed.csv"), "--data", gui.file("d.csv"),
                                  "--out", gui.file("C")})
                     .exit_code);
    oc_ui::run_prepare(path("C.lbl"), path("C.DAT"), path("C.idx"), path("C.cdl"), path("C.cdb"), path("C"));
    EXPECT_EQ((std::vector<int>{745}), sink.message_ids());
    EXPECT_TRUE(sink.dialogs().empty());
}

TEST_F(PrepareFlowTest, DataLibraryErrorIsDisplayedAndNothingListed) {
    std::filesystem::remove(gui.file("S.DAT"));
    sink.drive_next([](QDialog& sheet) { fill_sheet(sheet, {{0, 2, "1", "1"}}); });
    sink.drive_next(accept_save);
    prepare();
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(0, sink.messages()[0].string_id);
    EXPECT_EQ(QString::fromStdString(oc::error_message_text(oc::kErrorStudyFilesMissing)), sink.messages()[0].text);
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.001")));
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.cdl")));
}

TEST_F(PrepareFlowTest, RunningOutOfMemoryForTheQuestionListShowsCode9AndReturns) {
    std::optional<octest::allocation_failures> failing;
    sink.drive_next([&failing](QDialog& sheet) {
        failing.emplace("build_coder_questions");
        fill_sheet(sheet, {{0, 2, "1", "1"}});
    });
    EXPECT_NO_THROW(prepare());
    failing.reset();
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(QString::fromStdString(oc::error_message_text(oc::kErrorOutOfMemory)), sink.messages()[0].text);
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
    EXPECT_EQ(std::vector<QString>{"examinePropSheet"}, sink.dialogs());
    EXPECT_FALSE(std::filesystem::exists(gui.file("S.001")));
}

}  // namespace
