// Recorded answers while coding: which takes belong to the record shown,
// and playing, stopping and deleting them from the coding dialog. A
// recording player stands in for the audio output.
#include <QTest>
#include <filesystem>

#include "coding_fixture.h"
#include "dialogs/coding/sound_files.h"
#include "dialogs/coding/sound_player.h"
#include "engines/texts/string_table.h"
#include "ui/frame/library_state.h"

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
    std::string played(const std::string& name) const { return "play " + sounds + name; }

    std::string sounds;
    recording_player player;
};

TEST_F(SoundTest, TakesOneToNinetyNineOfTheRecordsOwnPrefix) {
    const oc::resp_record plain = record_of("Q12", 4711, 0), looped = record_of("Q12", 4711, 3);
    EXPECT_EQ("Q12004711_", oc_ui::sound_prefix(plain));
    EXPECT_EQ("Q12004711_3_", oc_ui::sound_prefix(looped));
    take("Q12004711_0.wav");
    take("Q12004711_100.wav");
    EXPECT_FALSE(oc_ui::search_sound_files(plain)) << "takes 0 and 100 are never looked for";
    take("Q12004711_3_1.wav");
    take("Q12004711_3_2.wav");
    take("Q12004711_7.wav");
    EXPECT_TRUE(oc_ui::search_sound_files(plain));
    EXPECT_EQ(7, oc_ui::g_soundFoundNo) << "roster 3's takes are not roster 0's";
    EXPECT_TRUE(oc_ui::search_sound_files(looped));
    EXPECT_EQ(-1, oc_ui::g_soundFoundNo) << "two takes or more";
}

TEST_F(SoundTest, TheDialogPlaysStopsAndDeletesTheTakeOfTheRecordShown) {
    take("Q1000002_7.wav");
    OpenDialog open(file.questions[0]);
    EXPECT_FALSE(button(open.dialog, "playButton")->isEnabled()) << "record 1 has no take";
    open.dialog.OnNext();
    ASSERT_TRUE(button(open.dialog, "playButton")->isEnabled());
    QTest::mouseClick(button(open.dialog, "playButton"), Qt::LeftButton);
    QTest::mouseClick(button(open.dialog, "stopButton"), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{played("Q1000002_7.wav"), "stop"}), player.events);

    sink.answer_next(oc_ui::box_answer::cancel);
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_TRUE(fs::exists(sounds + "Q1000002_7.wav")) << "Cancel keeps the take";
    sink.answer_next(oc_ui::box_answer::ok);
    QTest::mouseClick(button(open.dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_FALSE(fs::exists(sounds + "Q1000002_7.wav"));
    EXPECT_EQ((std::vector<int>{oc::IDS_DELETE_TAKE, oc::IDS_DELETE_TAKE}), sink.message_ids());
    EXPECT_EQ(fresh, read_bytes("S.001")) << "sound buttons write no codes";
}

}  // namespace
}  // namespace codingtest
