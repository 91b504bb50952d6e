// Entries of the coder list file: a 32-bit count, then per coder data file a
// 280-byte coder_spec image, its resp_id array and its question names.
#pragma once

#include <cstdint>
#include <cstdio>

#include "coderfile/coder_types.h"

namespace oc {

// One entry at the current position. With `skip_arrays` the arrays are
// passed over; otherwise counts of kMaxListArrayCount or more are refused.
// -1 on a short read (also of skipped arrays), a negative count, or a name
// without terminator in its 256 bytes.
std::int16_t read_coder_list_entry(std::FILE* file, bool skip_arrays, coder_spec& spec);

// The image, then respondent_count resp_ids, then question_count names
// (taken from spec.resp_ids and spec.question_names). True when complete;
// false, with nothing written, when a count is negative or exceeds its array.
bool write_coder_list_entry(std::FILE* file, const coder_spec& spec);

// The 280-byte image of a coder_spec, little-endian, pointer slots zero;
// all 256 name bytes and the reserved 4 bytes go through unchanged.
void encode_coder_spec(const coder_spec& spec, unsigned char (&image)[kCoderSpecImageSize]);
void decode_coder_spec(const unsigned char (&image)[kCoderSpecImageSize], coder_spec& spec);

}  // namespace oc
