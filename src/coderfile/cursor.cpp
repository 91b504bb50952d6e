// Positioned access to one question's records without an index.
#include "coderfile/cursor.h"

#include <cstring>
#include <new>
#include <string>

#include "coderfile/coder_file.h"
#include "coderfile/text_stream.h"

namespace oc {

namespace {

constexpr long kStepBackBlock = 128;
constexpr std::size_t kFieldsChars = 38;
constexpr std::size_t kColumnChars = 5;

bool same_question(const resp_record& record, const coder_cursor& cursor) {
    return std::strcmp(record.qname, cursor.qname) == 0;
}

// The cursor learns the trailer offset on its first seek; a header or
// trailer rewrite before that must not write offset 0 over the real one.
void learn_trailer_offset(coder_cursor& cursor) {
    if (cursor.trailer_offset >= 1) return;
    long here = std::ftell(cursor.file);
    coder_spec scratch;
    std::int32_t offset = 0;
    if (read_coder_header(cursor.file, scratch, offset) == 0) cursor.trailer_offset = offset;
    if (here >= 0) std::fseek(cursor.file, here, SEEK_SET);
}

// First use: past the header, onto the file's first record.
std::int16_t read_first_record(coder_cursor& cursor, resp_record& record) {
    coder_spec scratch;
    read_coder_header(cursor.file, scratch, cursor.trailer_offset);  // failure leaves the offset at 0: no records
    long first = std::ftell(cursor.file);
    if (first < 0) return -1;
    cursor.cur_pos = first;
    if (cursor.cur_pos >= cursor.trailer_offset) return -4;
    if (read_resp_record(cursor.file, record) != 0) return -1;
    cursor.file_record_no = 1;
    return 0;
}

// Reads on to the first record of the cursor's question.
std::int16_t find_question(coder_cursor& cursor, resp_record& record) {
    long next = std::ftell(cursor.file);
    if (next < 0) return -1;
    while (!same_question(record, cursor) && next < cursor.trailer_offset) {
        if (read_resp_record(cursor.file, record) != 0) return -1;
        ++cursor.file_record_no;
        cursor.cur_pos = next;
        next = std::ftell(cursor.file);
        if (next < 0) return -1;
    }
    if (!same_question(record, cursor)) return -2;
    cursor.q_record_no = 1;
    cursor.q_first_pos = cursor.cur_pos;
    return 0;
}

std::int16_t step_back(coder_cursor& cursor, std::int32_t k, resp_record& record) {
    std::int32_t q = cursor.q_record_no;
    // Counted from the current record's own start, which is always a line
    // start: the position behind the record is none when the file ends
    // without a line end, and counting from there would land a line early.
    long after = std::ftell(cursor.file);
    if (after < 0 || std::fseek(cursor.file, cursor.cur_pos, SEEK_SET) != 0) return -4;
    if (step_back_lines(cursor.file, static_cast<long>(k) - q, cursor.q_first_pos) != 0) {
        std::fseek(cursor.file, after, SEEK_SET);
        return -4;
    }
    long position = std::ftell(cursor.file);
    if (position < 0) return -1;
    cursor.cur_pos = position;
    if (read_resp_record(cursor.file, record) != 0) return -1;
    cursor.file_record_no += k - q;
    cursor.q_record_no = k;
    return 0;
}

std::int16_t rewind_question(coder_cursor& cursor, resp_record& record) {
    if (std::fseek(cursor.file, cursor.q_first_pos, SEEK_SET) != 0) return -1;
    if (read_resp_record(cursor.file, record) != 0) return -1;
    cursor.file_record_no += 1 - cursor.q_record_no;
    cursor.cur_pos = cursor.q_first_pos;
    cursor.q_record_no = 1;
    return 0;
}

std::int16_t go_forward(coder_cursor& cursor, std::int32_t k, resp_record& record) {
    resp_record next;
    while (cursor.q_record_no < k) {
        long position = std::ftell(cursor.file);
        if (position < 0) return -1;
        if (position >= cursor.trailer_offset) return -4;
        if (read_resp_record(cursor.file, next) != 0) return -1;
        if (!same_question(next, cursor)) {
            // The caller keeps the question's last record, the cursor its place.
            if (std::fseek(cursor.file, position, SEEK_SET) != 0) return -1;
            return -3;
        }
        record.respondent = next.respondent;
        record.sequence = next.sequence;
        std::memcpy(record.qname, next.qname, sizeof record.qname);
        record.roster = next.roster;
        record.list_no = next.list_no;
        record.reserved = next.reserved;
        record.codes_count = next.codes_count;
        record.codes = next.codes;
        record.text = next.text;
        cursor.cur_pos = position;
        ++cursor.q_record_no;
        ++cursor.file_record_no;
    }
    return 0;
}

// The bytes a rewrite covers must all belong to the current line.
bool line_holds_columns(std::FILE* file, long at, int code_slots) {
    std::size_t width = kFieldsChars + kColumnChars * static_cast<std::size_t>(code_slots);
    std::string bytes(width, '\0');
    if (std::fseek(file, at, SEEK_SET) != 0) return false;
    if (std::fread(bytes.data(), 1, width, file) != width) return false;
    return bytes.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

coder_cursor* open_coder_cursor(const char* path, const char* qname) {
    if (qname == nullptr || std::strlen(qname) >= sizeof(coder_cursor::qname)) return nullptr;
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) return nullptr;
    coder_cursor* cursor = new (std::nothrow) coder_cursor;
    if (cursor == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    cursor->file = file;
    std::strcpy(cursor->qname, qname);
    return cursor;
}

std::int16_t close_coder_cursor(coder_cursor* cursor) {
    if (cursor == nullptr) return 0;
    if (cursor->file != nullptr) std::fclose(cursor->file);
    delete cursor;
    return 0;
}

namespace {

std::int16_t move_to_record(coder_cursor& cursor, std::int32_t k, resp_record& record) {
    if (cursor.file_record_no < 0) {
        if (std::int16_t result = read_first_record(cursor, record); result != 0) return result;
    }
    if (cursor.q_record_no < 0) {
        if (std::int16_t result = find_question(cursor, record); result != 0) return result;
        if (k == 1) return 0;
    }

    std::int32_t q = cursor.q_record_no;
    if (k == q) {
        if (q != 1) return step_back(cursor, k, record);
        return rewind_question(cursor, record);
    }
    std::int32_t t = q - q / 4;
    if (k < t) {
        if (std::int16_t result = rewind_question(cursor, record); result != 0) return result;
        if (k == 1) return 0;
        return go_forward(cursor, k, record);
    }
    if (k > q) return go_forward(cursor, k, record);
    return step_back(cursor, k, record);
}

}  // namespace

std::int16_t seek_question_record(coder_cursor& cursor, std::int32_t k, resp_record& record) {
    if (k < 1) return -4;  // there is no record before the first
    // A line that cannot be read stops a move past it. Cursor, position and
    // record go back to where they were, so that the line is met again by
    // the next move instead of being passed over, which would number the
    // records after it wrongly, and so that a rewrite still lands on the
    // record last read.
    const coder_cursor before = cursor;
    const long position = std::ftell(cursor.file);
    const resp_record record_before = record;
    std::int16_t result = move_to_record(cursor, k, record);
    if (result == -1 && position >= 0) {
        cursor = before;
        record = record_before;
        std::fseek(cursor.file, position, SEEK_SET);
    }
    return result;
}

std::int16_t rewrite_current_record(coder_cursor& cursor, const resp_record& record) {
    if (record.code_slots > kMaxCodes) return -1;
    long previous = std::ftell(cursor.file);
    if (previous < 0) return -1;
    bool fits = line_holds_columns(cursor.file, cursor.cur_pos, record.code_slots);
    std::int16_t result = -1;
    if (fits && std::fseek(cursor.file, cursor.cur_pos, SEEK_SET) == 0) result = write_resp_record(cursor.file, record);
    if (std::fseek(cursor.file, previous, SEEK_SET) != 0) return -1;
    return result;
}

std::int16_t step_back_lines(std::FILE* file, long n, long lowest) {
    if (n > 0) return -1;
    long start = std::ftell(file);
    if (start < 0) return -1;
    char block[kStepBackBlock];
    while (n <= 0) {
        long c = std::ftell(file);
        // A request that would need a line before `lowest` fails where it was.
        if (c <= lowest) {
            std::fseek(file, start, SEEK_SET);
            return -1;
        }
        long block_start = c - kStepBackBlock < lowest ? lowest : c - kStepBackBlock;
        std::size_t size = static_cast<std::size_t>(c - block_start);
        if (std::fseek(file, block_start, SEEK_SET) != 0 || std::fread(block, 1, size, file) != size) {
            std::fseek(file, start, SEEK_SET);
            return -1;
        }
        long target = block_start;
        for (std::size_t i = size; i > 0; --i) {
            if (block[i - 1] == '\n' && ++n > 0) {
                target = block_start + static_cast<long>(i);
                break;
            }
        }
        if (std::fseek(file, target, SEEK_SET) != 0) {
            std::fseek(file, start, SEEK_SET);
            return -1;
        }
    }
    return 0;
}

std::int16_t write_coder_header(coder_cursor& cursor, const coder_spec& spec) {
    learn_trailer_offset(cursor);
    return write_coder_header(cursor.file, spec, cursor.trailer_offset);
}

std::int16_t write_coder_trailer(coder_cursor& cursor, const coder_spec& spec, const quest_list& questions) {
    learn_trailer_offset(cursor);
    return write_coder_trailer(cursor.file, spec, questions, cursor.trailer_offset, &cursor.trailer_offset);
}

}  // namespace oc
