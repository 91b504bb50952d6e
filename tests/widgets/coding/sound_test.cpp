// Recorded answers while coding: finding a record's takes, playing,
// stopping and deleting them from the coding dialog and from the list of
// takes. A recording player stands in for the audio output.
#include <QListWidget>
#include <QTest>
#include <filesystem>

#include "dialogs/coding/coding_response_dlg.h"
#include "dialogs/coding/select_sound_file_dlg.h"
#include "dialogs/coding/sound_files.h"
#include "dialogs/coding/sound_player.h"
#include "coding_fixture.h"
#include "ui/frame/library_state.h"
#include "engines/texts/string_table.h"

namespace codingtest {
namespace {

namespace fs = std::filesystem;

class recording_player final : public oc_ui::sound_player {
public:
    recording_player() : previous_(oc_ui::set_sound_player(this)) {}
    ~recording_player() override { oc_ui::set_sound_player(previous_); }
    void play(const QString& path) override { events.push_back("play " + path.toStdString()); }
    void stop() override { events.push_back("stop"); }
    std::vector<std::string> events;

private:
    oc_ui::sound_player* previous_;
};

oc::resp_record record_of(const char* qname, std::int32_t respondent, std::uint8_t roster) {
    oc::resp_record record;
    std::snprintf(record.qname, sizeof record.qname, "%s", qname);
    record.respondent = respondent;
    record.roster = roster;
    return record;
}

class SoundTest : public CodingTest {
protected:
    void SetUp() override {
        CodingTest::SetUp();
        sounds = dir.file("sounds") + "/";
        fs::create_directory(sounds);
        oc_ui::g_soundDir = sounds;
    }
    void TearDown() override {
        oc_ui::g_soundDir.clear();
        oc_ui::g_soundPrefix.clear();
        oc_ui::g_soundFoundNo = oc_ui::g_soundChosenNo = 0;
    }
    void take(const std::string& name) { write_bytes(sounds + name, "RIFF"); }
    QString path(const std::string& name) const { return QString::fromStdString(sounds + name); }
    std::string played(const std::string& name) const { return "play " + sounds + name; }

    std::string sounds;
    recording_player player;
};

// A coding dialog on Q1 of S.001 at record `start` (respondent = record).
struct OpenDialog {
    OpenDialog(oc::quest_spec& quest, std::int32_t start = 1)
        : cursor(oc::open_coder_cursor("S.001", quest.name)), dialog(*cursor, start, quest) {
        dialog.show();
    }
    oc::cursor_ptr cursor;
    oc_ui::CCodingResponseDlg dialog;
};

QListWidget* take_list(QDialog& dialog) { return child<QListWidget>(dialog, QStringLiteral("soundFileList")); }

QStringList rows(QDialog& dialog) {
    QStringList texts;
    QListWidget* list = take_list(dialog);
    for (int i = 0; i < list->count(); ++i) texts.append(list->item(i)->text());
    return texts;
}

void select_row(QDialog& dialog, const QString& text) {
    const QList<QListWidgetItem*> found = take_list(dialog)->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(1, found.size()) << text.toStdString();
    take_list(dialog)->setCurrentItem(found.first());
}

TEST_F(SoundTest, SearchCountsTakesOneToNinetyNineOfTheRecordsOwnPrefix) {
    const oc::resp_record plain = record_of("Q12", 4711, 0), looped = record_of("Q12", 4711, 3);
    EXPECT_EQ("Q12004711_", oc_ui::sound_prefix(plain));
    EXPECT_EQ("Q12004711_3_", oc_ui::sound_prefix(looped));
    EXPECT_EQ("Q1234567890_", oc_ui::sound_prefix(record_of("Q1", 234567890, 0)));

    // No take; a take numbered 0 or 100 is never looked for.
    take("Q12004711_0.wav");
    take("Q12004711_100.wav");
    oc_ui::g_soundChosenNo = 5;
    EXPECT_FALSE(oc_ui::search_sound_files(plain));
    EXPECT_EQ("Q12004711_", oc_ui::g_soundPrefix);
    EXPECT_EQ(0, oc_ui::g_soundFoundNo);
    EXPECT_EQ(0, oc_ui::g_soundChosenNo);

    // Take 7 alone, and roster 3's takes are not roster 0's.
    take("Q12004711_3_1.wav");
    take("Q12004711_3_2.wav");
    take("Q12004711_7.wav");
    EXPECT_TRUE(oc_ui::search_sound_files(plain));
    EXPECT_EQ(7, oc_ui::g_soundFoundNo);

    // Two takes or more.
    EXPECT_TRUE(oc_ui::search_sound_files(looped));
    EXPECT_EQ("Q12004711_3_", oc_ui::g_soundPrefix);
    EXPECT_EQ(-1, oc_ui::g_soundFoundNo);
    take("Q12004711_99.wav");
    EXPECT_TRUE(oc_ui::search_sound_files(plain));
    EXPECT_EQ(-1, oc_ui::g_soundFoundNo);
}

TEST_F(SoundTest, FullPathsOf260CharactersOrMoreCountAsMissing) {
    // The directory's length puts take 1's path at 259 and take 10's at 260.
    const std::string name_part = "Q1000001_";
    std::string deep = sounds;
    const std::size_t wanted = 259 - name_part.size() - std::string("1.wav").size();
    while (deep.size() + 101 < wanted) {
        deep += std::string(100, 'd') + "/";
    }
    deep += std::string(wanted - deep.size() - 1, 'e') + "/";
    ASSERT_EQ(wanted, deep.size());
    fs::create_directories(deep);
    write_bytes(deep + name_part + "10.wav", "RIFF");
    oc_ui::g_soundDir = deep;
    EXPECT_FALSE(oc_ui::search_sound_files(record_of("Q1", 1, 0)));
    write_bytes(deep + name_part + "1.wav", "RIFF");
    EXPECT_TRUE(oc_ui::search_sound_files(record_of("Q1", 1, 0)));
    EXPECT_EQ(1, oc_ui::g_soundFoundNo);
}

TEST_F(SoundTest, TakeNumberIsTheDigitsAfterThePrefix) {
    EXPECT_EQ(12, oc_ui::take_number_of("Q1000001_12.wav", 9));
    EXPECT_EQ(0, oc_ui::take_number_of("Q1000001_.wav", 9));
    EXPECT_EQ(3, oc_ui::take_number_of("Q1000001_3_1.wav", 9));
    EXPECT_EQ(0, oc_ui::take_number_of("Q1", 9));
    EXPECT_GT(oc_ui::take_number_of("Q1000001_99999999999999999999.wav", 9), 0);
}

TEST_F(SoundTest, ButtonsFollowTheTakesOfTheRecordShown) {
    take("Q1000002_1.wav");
    OpenDialog open(file.questions[0]);
    for (const char* name : {"soundGroup", "soundLabel", "playButton", "stopButton", "deleteButton"})
        EXPECT_TRUE(child<QWidget>(open.dialog, QLatin1String(name))->isVisibleTo(&open.dialog)) << name;
    for (const char* name : {"playButton", "stopButton", "deleteButton"})
        EXPECT_FALSE(button(open.dialog, name)->isEnabled()) << "record 1 has no take: " << name;
    EXPECT_EQ("Q1000001_", oc_ui::g_soundPrefix);

    open.dialog.OnNext();
    for (const char* name : {"playButton", "stopButton", "deleteButton"})
        EXPECT_TRUE(button(open.dialog, name)->isEnabled()) << name;
    EXPECT_EQ("Q1000002_", oc_ui::g_soundPrefix);
    EXPECT_EQ(1, oc_ui::g_soundFoundNo);
    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    EXPECT_TRUE(open.dialog.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/coding_response_sound.png")));

    open.dialog.OnPrevious();
    EXPECT_FALSE(button(open.dialog, "playButton")->isEnabled());
    EXPECT_TRUE(player.events.empty());
}

TEST_F(SoundTest, PlayWithOneTakePlaysItAtOnceAndStopStopsIt) {
    take("Q1000001_7.wav");
    OpenDialog open(file.questions[0]);
    QTest::mouseClick(button(open.dialog, "playButton"), Qt::LeftButton);
    EXPECT_EQ(7, oc_ui::g_soundChosenNo);
    QTest::mouseClick(button(open.dialog, "stopButton"), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{played("Q1000001_7.wav"), "stop"}), player.events);
    EXPECT_TRUE(sink.dialogs().empty());

    // Deleting the only take asks by its full path and removes it; Play
    // then still tries it, and nothing else changes until the next record.
    sink.answer_next(oc_ui::box_answer::ok);
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    ASSERT_EQ(std::vector<int>{oc::IDS_DELETE_TAKE}, sink.message_ids());
    EXPECT_EQ(QStringLiteral("Delete file %1 ?").arg(path("Q1000001_7.wav")), sink.messages()[0].text);
    EXPECT_EQ(oc_ui::box_style::ok_cancel, sink.messages()[0].style);
    EXPECT_FALSE(fs::exists(sounds + "Q1000001_7.wav"));
    EXPECT_TRUE(button(open.dialog, "playButton")->isEnabled());
    QTest::mouseClick(button(open.dialog, "playButton"), Qt::LeftButton);
    EXPECT_EQ(played("Q1000001_7.wav"), player.events.back());

    // A second delete of the same take fails: 753.
    sink.answer_next(oc_ui::box_answer::ok);
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_EQ((std::vector<int>{oc::IDS_DELETE_TAKE, oc::IDS_DELETE_TAKE, oc::IDS_DELETE_FAILED}),
              sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::none, sink.messages()[2].style);
}

TEST_F(SoundTest, DeleteAnsweredCancelKeepsTheTake) {
    take("Q1000001_1.wav");
    OpenDialog open(file.questions[0]);
    sink.answer_next(oc_ui::box_answer::cancel);
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_EQ(std::vector<int>{oc::IDS_DELETE_TAKE}, sink.message_ids());
    EXPECT_TRUE(fs::exists(sounds + "Q1000001_1.wav"));
}

TEST_F(SoundTest, PlayWithSeveralTakesListsThemAndPlaysTheOneChosen) {
    for (const char* name : {"Q1000001_2.wav", "Q1000001_10.wav", "Q1000001_1.wav", "Q1000001_3_1.wav",
                             "Q1000001_x.wav", "Q1000001_1.txt"})
        take(name);
    fs::create_directory(sounds + "Q1000001_4.wav");
    OpenDialog open(file.questions[0]);
    ASSERT_EQ(-1, oc_ui::g_soundFoundNo);

    // Delete before any choice: nothing to delete.
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_EQ(std::vector<int>{oc::IDS_NO_SOUND_SELECTED}, sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::none, sink.messages()[0].style);

    QStringList listed;
    QString caption;
    bool buttons_off_at_first = false, buttons_on_after_pick = false;
    sink.drive_next([&](QDialog& list) {
        listed = rows(list);
        caption = list.windowTitle();
        buttons_off_at_first = !button(list, "playButton")->isEnabled() && !button(list, "deleteButton")->isEnabled();
        select_row(list, QStringLiteral("Q1000001_10.wav"));
        buttons_on_after_pick = button(list, "playButton")->isEnabled() && button(list, "stopButton")->isEnabled();
        button(list, "okButton")->click();
    });
    QTest::mouseClick(button(open.dialog, "playButton"), Qt::LeftButton);
    EXPECT_EQ(std::vector<QString>{QStringLiteral("selectSoundFileDialog")}, sink.dialogs());
    EXPECT_EQ(QString::fromStdString(sounds), caption);
    // Sorted as text: take 10 before take 2; only this roster's takes.
    EXPECT_EQ((QStringList{"Q1000001_1.wav", "Q1000001_10.wav", "Q1000001_2.wav"}), listed);
    EXPECT_TRUE(buttons_off_at_first);
    EXPECT_TRUE(buttons_on_after_pick);
    EXPECT_EQ(10, oc_ui::g_soundChosenNo);
    EXPECT_EQ(std::vector<std::string>{played("Q1000001_10.wav")}, player.events);

    // Delete in the coding dialog now offers the take chosen.
    sink.answer_next(oc_ui::box_answer::ok);
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_EQ(QStringLiteral("Delete file %1 ?").arg(path("Q1000001_10.wav")), sink.messages().back().text);
    EXPECT_FALSE(fs::exists(sounds + "Q1000001_10.wav"));
    EXPECT_TRUE(fs::exists(sounds + "Q1000001_1.wav"));
}

TEST_F(SoundTest, ListEndedWithoutAPickPlaysTheTakeAsItStood) {
    take("Q1000001_1.wav");
    take("Q1000001_2.wav");
    OpenDialog open(file.questions[0]);
    // OK with no row: take g_soundChosenNo, 0 after the search, is tried.
    sink.drive_next([](QDialog& list) { button(list, "okButton")->click(); });
    QTest::mouseClick(button(open.dialog, "playButton"), Qt::LeftButton);
    EXPECT_EQ(std::vector<std::string>{played("Q1000001_0.wav")}, player.events);
    EXPECT_EQ(0, oc_ui::g_soundChosenNo);

    // Cancel after picking a row plays nothing and chooses nothing.
    sink.drive_next([](QDialog& list) {
        select_row(list, QStringLiteral("Q1000001_2.wav"));
        button(list, "cancelButton")->click();
    });
    QTest::mouseClick(button(open.dialog, "playButton"), Qt::LeftButton);
    EXPECT_EQ(1u, player.events.size());
    EXPECT_EQ(0, oc_ui::g_soundChosenNo);
}

TEST_F(SoundTest, TheListPlaysStopsAndDeletesWhileStayingOpen) {
    take("Q1000001_1.wav");
    take("Q1000001_2.wav");
    take("Q1000001_3.wav");
    oc_ui::search_sound_files(record_of("Q1", 1, 0));
    oc_ui::CSelectSoundFile list;
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));

    select_row(list, QStringLiteral("Q1000001_2.wav"));
    EXPECT_TRUE(list.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/select_sound_file.png")));
    QTest::mouseClick(button(list, "playButton"), Qt::LeftButton);
    // Function keys click their buttons with a short animation.
    QTest::keyClick(take_list(list), Qt::Key_F6);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.events.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{played("Q1000001_2.wav"), "stop"}), player.events);
    EXPECT_TRUE(list.isVisible());

    // Cancel keeps the file and the row.
    sink.answer_next(oc_ui::box_answer::cancel);
    QTest::mouseClick(button(list, "deleteButton"), Qt::LeftButton);
    ASSERT_EQ(std::vector<int>{oc::IDS_DELETE_FILE}, sink.message_ids());
    EXPECT_EQ(QStringLiteral("Delete file %1 ?").arg(path("Q1000001_2.wav")), sink.messages()[0].text);
    EXPECT_EQ(3, take_list(list)->count());
    EXPECT_TRUE(fs::exists(sounds + "Q1000001_2.wav"));

    // OK deletes the file and drops the row; the buttons wait for a new pick.
    sink.answer_next(oc_ui::box_answer::ok);
    QTest::mouseClick(button(list, "deleteButton"), Qt::LeftButton);
    EXPECT_FALSE(fs::exists(sounds + "Q1000001_2.wav"));
    EXPECT_EQ((QStringList{"Q1000001_1.wav", "Q1000001_3.wav"}), rows(list));
    EXPECT_FALSE(button(list, "playButton")->isEnabled());
    EXPECT_FALSE(button(list, "deleteButton")->isEnabled());

    // A file gone since the list was filled: 753, and the row goes anyway.
    fs::remove(sounds + "Q1000001_3.wav");
    select_row(list, QStringLiteral("Q1000001_3.wav"));
    sink.answer_next(oc_ui::box_answer::ok);
    QTest::mouseClick(button(list, "deleteButton"), Qt::LeftButton);
    EXPECT_EQ((std::vector<int>{oc::IDS_DELETE_FILE, oc::IDS_DELETE_FILE, oc::IDS_DELETE_FILE, oc::IDS_DELETE_FAILED}),
              sink.message_ids());
    EXPECT_EQ(QStringList{"Q1000001_1.wav"}, rows(list));
    EXPECT_TRUE(list.isVisible());
}

TEST_F(SoundTest, FunctionKeysPlayAndStopWithoutTouchingTheCodes) {
    take("Q1000001_1.wav");
    OpenDialog open(file.questions[0]);
    open.dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&open.dialog));
    QLineEdit* first = box(open.dialog, 1);
    first->setFocus();
    QTest::keyClicks(first, "12");
    // Function keys click their buttons with a short animation.
    QTest::keyClick(first, Qt::Key_F5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.events.size() == 1; }));
    QTest::keyClicks(first, "3");
    QTest::keyClick(first, Qt::Key_F6);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.events.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{played("Q1000001_1.wav"), "stop"}), player.events);
    EXPECT_EQ(QStringLiteral("123"), first->text());
    EXPECT_TRUE(first->hasFocus());
    EXPECT_EQ(0, sink.beeps());
    EXPECT_NE(-1, button(open.dialog, "playButton")->toolTip().indexOf(QStringLiteral("F5")));
    EXPECT_NE(-1, button(open.dialog, "stopButton")->toolTip().indexOf(QStringLiteral("F6")));

    // Without a take the keys do nothing.
    open.dialog.OnNext();
    QTest::keyClick(box(open.dialog, 1), Qt::Key_F5);
    QTest::qWait(300);
    EXPECT_EQ(2u, player.events.size());
}

}  // namespace
}  // namespace codingtest

namespace codingtest {
namespace {

// The system's player on a machine that may have no audio device: missing,
// unreadable and real takes start and stop without a message or a hang.
TEST(SystemSoundPlayer, PlaysWhatItCanAndStaysSilentOtherwise) {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    oc_ui::sound_player& player = oc_ui::current_sound_player();
    player.stop();  // nothing plays yet
    player.play(QString::fromStdString(dir.file("missing.wav")));
    write_bytes(dir.file("noise.wav"), "RIFF not really a sound");
    player.play(QString::fromStdString(dir.file("noise.wav")));
    player.play(QStringLiteral(OPENCODER_DEMO_TAKE));
    QTest::qWait(200);
    player.stop();
    QTest::qWait(50);
    EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
}  // namespace codingtest
