// The component's images: coder file status, selection marks, coding action
// marks and the sound buttons. They are painted as vectors at whatever size
// and device pixel ratio a view asks for, so they stay crisp on high-DPI
// screens; everything that is white in the classic 16 x 16 strips is
// transparent here.
#pragma once

#include <QIcon>

namespace oc_ui {

// Side of one image in device-independent pixels.
inline constexpr int kSmallImageSize = 16;

// Image of coder file status 0 (nothing coded), 1 (partly coded),
// 2 (complete) or 3 (merged). Any other value gives a null icon.
QIcon status_icon(int status);
// What the image of `status` stands for, as its tooltip says; empty for any
// other value.
QString status_name(int status);

// Empty square (not selected) and crossed square (selected).
QIcon selection_icon(bool selected);

// The letter marks of a question's coding action.
enum class action_mark { none_yet, replace, append };  // N, R, A
QIcon action_icon(action_mark mark);

enum class sound_image { play, stop, remove };
QIcon sound_icon(sound_image image);

}  // namespace oc_ui
