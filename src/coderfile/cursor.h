// Positioned access to one question's records of an open coder data file,
// without an index: forward by reading on, backward by scanning 128-byte
// blocks for line ends, rewinding only for long jumps back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "coderfile/coder_types.h"

namespace oc {

struct coder_cursor {
    std::FILE* file = nullptr;
    char qname[12] = {};
    std::int32_t file_record_no = -1;
    std::int32_t q_record_no = -1;
    long q_first_pos = 0;
    long cur_pos = 0;
    std::int32_t trailer_offset = 0;
};

// Opens `path` for reading and writing. Null if the file does not open.
// An empty question name gives a cursor for sequential reading (merge).
coder_cursor* open_coder_cursor(const char* path, const char* qname);

// Closes the file and frees the cursor. Returns 0.
std::int16_t close_coder_cursor(coder_cursor* cursor);

struct cursor_closer {
    void operator()(coder_cursor* cursor) const { close_coder_cursor(cursor); }
};
using cursor_ptr = std::unique_ptr<coder_cursor, cursor_closer>;

// Positions on record k (from 1) of the cursor's question and reads it.
//  0 read; -1 a record line cannot be read or is malformed; -2 no record of
//  the question; -3 k lies past the question's last record and another
//  question follows (record keeps the last record); -4 no records, record
//  area ended, stepping back failed, or k below 1. After -1 the cursor, its
//  file position and `record` are as they were before the call.
std::int16_t seek_question_record(coder_cursor& cursor, std::int32_t k, resp_record& record);

// Rewrites the record last read in place and returns to the previous position.
// -1, with nothing written, when write_resp_record refuses the record or its
// code_slots columns would run past the line's end.
std::int16_t rewrite_current_record(coder_cursor& cursor, const resp_record& record);

// Moves back by whole lines (n <= 0; n = -m moves from a line start to the
// start of the line m lines earlier), never below `lowest`. -1 when n is
// above 0, the move would need a line end before `lowest`, or a seek or read
// fails; the position is then where it was.
std::int16_t step_back_lines(std::FILE* file, long n, long lowest);

// Header and trailer rewrites through the cursor's file and trailer offset.
// Before the first seek the offset is taken from line 2 first, so that it is
// never written back as 0. A trailer appended by write_coder_trailer (offset
// below 1) updates cursor.trailer_offset.
std::int16_t write_coder_header(coder_cursor& cursor, const coder_spec& spec);
std::int16_t write_coder_trailer(coder_cursor& cursor, const coder_spec& spec, const quest_list& questions);

}  // namespace oc
