#include "dialogs/coding/sound_player.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QPointer>
#include <QUrl>

namespace oc_ui {

namespace {

// The system's audio output through one media player, made on the first
// sound and kept until the application quits, so that playback outlives
// the dialog that started it.
class media_sound_player final : public sound_player {
public:
    ~media_sound_player() override {
        // At library unload the application may already be gone, and with
        // it the thread the player belongs to.
        if (player_ && QCoreApplication::instance()) delete player_;
    }

    void play(const QString& path) override {
        stop();
        // A file that is not there or not readable plays as silence; the
        // media backend would only complain about it on the console.
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable()) return;
        QMediaPlayer* player = ensure_player();
        if (!player) return;
        player->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
        player->play();
    }

    void stop() override {
        if (player_) player_->stop();
    }

private:
    QMediaPlayer* ensure_player() {
        if (player_) return player_;
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return nullptr;
        player_ = new QMediaPlayer;
        player_->setAudioOutput(new QAudioOutput(player_));
        QObject::connect(app, &QCoreApplication::aboutToQuit, player_, &QObject::deleteLater);
        return player_;
    }

    QPointer<QMediaPlayer> player_;
};

media_sound_player& system_player() {
    static media_sound_player player;
    return player;
}

sound_player* g_player = nullptr;

}  // namespace

sound_player& current_sound_player() { return g_player ? *g_player : system_player(); }

sound_player* set_sound_player(sound_player* player) {
    sound_player* previous = g_player;
    g_player = player;
    return previous;
}

}  // namespace oc_ui
