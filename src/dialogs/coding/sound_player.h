// Plays recorded answers: asynchronously, one sound at a time (a new sound
// stops the one playing), silently when a file cannot be played. A sound
// plays on after the dialogs close until it is stopped or replaced.
#pragma once

#include <QString>

namespace oc_ui {

class sound_player {
public:
    virtual ~sound_player() = default;
    // Starts `path` and returns at once.
    virtual void play(const QString& path) = 0;
    virtual void stop() = 0;
};

// The player the coding dialogs use: the system's audio output unless a
// test has installed its own.
sound_player& current_sound_player();

// Installs `player` (null: the system's again); returns the previous one
// (null for the system's).
sound_player* set_sound_player(sound_player* player);

}  // namespace oc_ui
