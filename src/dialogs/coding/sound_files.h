// The recorded answers (CATI sound files) of a coder file record: one .wav
// file per take in the sound-file directory, named from the record's
// question, respondent and roster and a take number from 1 to 99.
#pragma once

#include <string>

#include "coderfile/coder_types.h"

namespace oc_ui {

inline constexpr int kMaxSoundTake = 99;

// "%s%06ld_" of question and respondent, with "%d_" of the roster added
// when the roster is not 0: Q12004711_ and Q12004711_3_.
std::string sound_prefix(const oc::resp_record& record);

// g_soundDir, g_soundPrefix and "%d.wav" of `take`.
std::string sound_take_path(int take);

// Whether a take exists at `path`. Paths of 260 bytes or more are never
// looked at: such a take counts as missing.
bool sound_take_exists(const std::string& path);

// Sets g_soundPrefix for `record`, resets g_soundChosenNo and sets
// g_soundFoundNo to 0 (no take), the take's number (one take) or -1 (two or
// more). True when at least one take exists.
bool search_sound_files(const oc::resp_record& record);

// The take number a sound file name carries after the prefix's `prefix_length`
// characters: the digits there up to the first non-digit, 0 without any.
int take_number_of(const std::string& file_name, std::size_t prefix_length);

}  // namespace oc_ui
