#include "engines/extract/extract_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/text_stream.h"
#include "engines/extract/answer_sample.h"
#include "engines/extract/coded_lookup.h"
#include "engines/extract/coder_list_update.h"
#include "engines/extract/stored_codes.h"
#include "suite/durable_file.h"
#include "suite/answer_walk.h"
#include "suite/data_library.h"
#include "suite/error_library.h"
#include "suite/path_parts.h"

namespace oc {

namespace {

// The widths of the coder file format bound what one file can hold. The
// respondent count is 16-bit, but the coder list refuses to read arrays of
// kMaxListArrayCount or more: a file with more respondents would make the
// list unreadable for every later run, so such a run fails instead.
constexpr std::int32_t kMaxRespondentCount = kMaxListArrayCount - 1;
constexpr std::uint32_t kMaxRespondentNumber = 999999999;
constexpr std::int32_t kMaxTrailerOffset = 999999999;
constexpr int kMaxByteField = 255;  // roster and list numbers are single bytes

enum class outcome { written, no_data, failed, data_error };

// What ends the walk of one question: nothing (go on with the next) or an outcome.
using walk_end = std::optional<outcome>;

// clean_response_text into `cleaned`, whose memory serves text after text.
bool clean_into(std::string_view text, std::int16_t type, bool strip_numeric, std::string& cleaned) {
    bool has_space = text.find(' ') != std::string_view::npos;
    if (!has_space && type != LOGIC_OPENEND) return false;
    cleaned.assign(text);
    // Bytes 7 to 13 become spaces; written without a branch, the loop
    // compiles to vector code.
    for (char& c : cleaned) c = static_cast<unsigned char>(c) - 7u <= 6u ? ' ' : c;
    if (type != LOGIC_OPENEND && strip_numeric && cleaned.find(' ') != std::string::npos &&
        std::isdigit(static_cast<unsigned char>(cleaned[0]))) {
        std::size_t start = 0;
        while (start < cleaned.size() && std::isdigit(static_cast<unsigned char>(cleaned[start]))) ++start;
        if (start < cleaned.size() && cleaned[start] == ' ') ++start;
        cleaned.erase(0, start);
    }
    return true;
}

// Whether only respondents min_respondent..max_respondent are taken.
bool ranged(const extract_request& request) { return request.min_respondent > 0 && request.max_respondent > 0; }

// The respondents written to a coder file, so that each is listed once: a
// sorted vector, appended to while they come in order, as a study's index
// mostly has them; a hash set would touch several times the memory.
class respondent_set {
public:
    respondent_set() { keys_.reserve(kMaxRespondentCount); }
    bool contains(std::uint64_t key) const { return std::binary_search(keys_.begin(), keys_.end(), key); }
    void insert(std::uint64_t key) {
        if (keys_.empty() || keys_.back() < key) {
            keys_.push_back(key);
            return;
        }
        auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
        if (at == keys_.end() || *at != key) keys_.insert(at, key);
    }

private:
    std::vector<std::uint64_t> keys_;
};

class extraction {
public:
    extraction(extract_request& request, const std::string& file_a, const std::string& file_b,
               const std::string& list_path, const extract_progress& progress)
        : request_(request), file_a_(file_a), file_b_(file_b),
          coded_(list_path, ranged(request) ? request.min_respondent : 0,
                 ranged(request) ? request.max_respondent : UINT32_MAX),
          progress_(progress),
          listing_(!request.listing_path.empty()) {
        if (listing_ && request.code_labels) stored_.load(list_path);
    }

    outcome run(std::FILE* out);
    coder_spec& spec() { return spec_; }
    std::int16_t data_error() const { return data_error_; }
    const failure& damage() const { return walk_.damage(); }

private:
    walk_end walk_question(std::size_t index);
    walk_end walk_answers(std::size_t index, const char* question, quest_spec& node);
    bool passes_filters(std::uint32_t respondent, std::uint16_t sequence, const char* question, outcome& stop);
    bool write_preamble(const char* question, bool& question_started);
    bool write_response(std::uint16_t sequence, std::uint32_t respondent, const char* question,
                        std::int32_t roster, int count, quest_spec& node, std::int16_t type);
    bool write_listing_entry(std::uint16_t sequence, std::uint32_t respondent, const char* question,
                             std::int32_t roster, int list_no, const std::string& text);
    bool write_record_line(std::uint16_t sequence, std::uint32_t respondent, const char* question,
                           std::int32_t roster, int list_no, int code_slots, const std::string& text);
    bool add_resp_id(std::uint16_t sequence, std::uint32_t respondent);
    bool find_resp_id(std::uint16_t sequence, std::uint32_t respondent) const;
    bool start_coder_file();
    bool finish_coder_file();
    bool write(const char* format, ...) __attribute__((format(printf, 2, 3)));

    extract_request& request_;
    const std::string& file_a_;
    const std::string& file_b_;
    coded_lookup coded_;
    stored_codes stored_;  // a listing's codes and labels, when asked for
    const extract_progress& progress_;
    const bool listing_;
    std::FILE* out_ = nullptr;
    coder_spec spec_;
    respondent_set resp_id_set_;
    bool resp_ids_allocated_ = false;
    std::int32_t listed_texts_ = 0;  // a listing run's count, kept wide so it never wraps
    bool coder_header_written_ = false;
    std::int16_t data_error_ = 0;
    answer_walk walk_;  // the study read once per question, not once per answer group
    char buffer_[kTextBufferSize] = {};
    std::string cleaned_;  // the text being written
    std::string line_;     // the record line being written
    bool offering_ = false;  // a sampled run's first walk of a question: offers, writes nothing
};

bool extraction::write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = std::vfprintf(out_, format, args);
    va_end(args);
    return n >= 0;
}

bool extraction::find_resp_id(std::uint16_t sequence, std::uint32_t respondent) const {
    return resp_id_set_.contains(static_cast<std::uint64_t>(sequence) << 32 | respondent);
}

bool extraction::add_resp_id(std::uint16_t sequence, std::uint32_t respondent) {
    if (find_resp_id(sequence, respondent)) return true;
    if (spec_.respondent_count >= kMaxRespondentCount) return false;
    spec_.resp_ids.push_back({sequence, static_cast<std::int32_t>(respondent)});
    resp_id_set_.insert(static_cast<std::uint64_t>(sequence) << 32 | respondent);
    resp_ids_allocated_ = true;
    ++spec_.respondent_count;
    return true;
}

bool extraction::start_coder_file() {
    // Line 2 carries the trailer offset, patched when the file is finished.
    int name_chars = std::fprintf(out_, "%s\r\n", spec_.name);
    int line2 = std::fprintf(out_, "%9ld %2d %2d\r\n", 0L, 0, static_cast<int>(spec_.interviews));
    spec_.record_count = 0;
    return name_chars >= 0 && line2 == 17;
}

bool extraction::finish_coder_file() {
    long offset = std::ftell(out_);
    if (offset < 0 || offset > kMaxTrailerOffset) return false;
    if (request_.question_count < 0 || request_.questions->size() < static_cast<std::size_t>(request_.question_count))
        return false;
    quest_list written(request_.questions->begin(), request_.questions->begin() + request_.question_count);
    for (quest_spec& q : written) q.last_record_coded = 0;
    spec_.question_count = request_.question_count;
    spec_.status = status_not_coded;
    if (write_coder_trailer(out_, spec_, written, static_cast<std::int32_t>(offset)) != 0) return false;
    return write_coder_header(out_, spec_, static_cast<std::int32_t>(offset)) == 0 && std::fflush(out_) == 0;
}

bool extraction::write_listing_entry(std::uint16_t sequence, std::uint32_t respondent, const char* question,
                                     std::int32_t roster, int list_no, const std::string& text) {
    bool ok = true;
    int numbers = 0;  // the width of what precedes the text on its line
    auto counted = [&](int n) {
        numbers += std::max(n, 0);
        return n >= 0;
    };
    if (request_.show_numbers) ok = ok && counted(std::fprintf(out_, "%5u ", static_cast<unsigned>(sequence)));
    if (request_.show_respondent) ok = ok && counted(std::fprintf(out_, "%9lu ", static_cast<unsigned long>(respondent)));
    if (request_.one_line) ok = ok && counted(std::fprintf(out_, "%-8s ", question));
    if (request_.show_numbers) ok = ok && counted(std::fprintf(out_, "%3d %3d ", static_cast<int>(roster), list_no));
    if (!request_.one_line && (request_.show_numbers || request_.show_respondent)) {
        ok = ok && write("\r\n");
        numbers = 0;
    }
    ok = ok && write("%s\r\n", text.c_str());
    if (request_.code_labels) {
        // Under the answer's text, so that the print view's text column holds both.
        const std::string codes = stored_.describe(question, respondent, sequence, roster, list_no);
        if (!codes.empty()) ok = ok && write("%*s%s\r\n", numbers, "", codes.c_str());
    }
    if (!request_.one_line) ok = ok && write("\r\n");
    return ok;
}

bool extraction::write_record_line(std::uint16_t sequence, std::uint32_t respondent, const char* question,
                                   std::int32_t roster, int list_no, int code_slots, const std::string& text) {
    // Wider values would break the fixed columns or wrap when read back.
    if (respondent > kMaxRespondentNumber || roster < 0 || roster > kMaxByteField || list_no > kMaxByteField ||
        std::strlen(question) > kMaxQuestionName)
        return false;
    // "%5u %9ld %8s %3d %3d %2d %2d " put together by hand: printf's
    // parsing of the format cost more than the rest of a record's writing.
    char fields[128];
    char* at = detail::put_decimal(fields, sequence, 5);
    *at++ = ' ';
    at = detail::put_decimal(at, static_cast<long>(respondent), 9);
    *at++ = ' ';
    std::size_t name_length = std::strlen(question);
    at = std::fill_n(at, kMaxQuestionName - name_length, ' ');
    at = std::copy_n(question, name_length, at);
    *at++ = ' ';
    at = detail::put_decimal(at, roster, 3);
    *at++ = ' ';
    at = detail::put_decimal(at, list_no, 3);
    at = std::copy_n("  0  0 ", 7, at);
    if (at - fields != 39) return false;
    // The whole line goes out in one write. The text holds no NUL: it was
    // measured with strnlen.
    line_.assign(fields, 39);
    if (code_slots > 0) line_.append(5 * static_cast<std::size_t>(code_slots), ' ');
    line_ += text;
    line_ += "\r\n";
    return std::fwrite(line_.data(), 1, line_.size(), out_) == line_.size();
}

bool extraction::write_response(std::uint16_t sequence, std::uint32_t respondent, const char* question,
                                std::int32_t roster, int count, quest_spec& node, std::int16_t type) {
    const char* text = buffer_;
    const char* end = buffer_ + sizeof buffer_;
    for (int i = 1; i <= count; ++i) {
        if (text >= end) return false;
        std::size_t length = strnlen(text, static_cast<std::size_t>(end - text));
        if (text + length >= end) return false;  // unterminated group
        std::string_view raw(text, length);
        text += length + 1;
        if (!clean_into(raw, type, request_.strip_numeric, cleaned_)) continue;
        if (offering_) {
            request_.sample->offer(sequence, respondent, roster, i);
            continue;
        }
        if (request_.sample && !request_.sample->keep(sequence, respondent, roster, i)) continue;
        ++node.record_count;
        ++spec_.record_count;
        if (listing_) {
            if (!write_listing_entry(sequence, respondent, question, roster, i, cleaned_)) return false;
            ++listed_texts_;
        } else {
            if (!write_record_line(sequence, respondent, question, roster, i, node.max_codes, cleaned_)) return false;
            if (!add_resp_id(sequence, respondent)) return false;
        }
    }
    return true;
}

bool extraction::passes_filters(std::uint32_t respondent, std::uint16_t sequence, const char* question,
                                outcome& stop) {
    if (ranged(request_) && (respondent < request_.min_respondent || respondent > request_.max_respondent))
        return false;
    if (request_.how_many != 0) {
        std::int32_t counted = listing_ ? listed_texts_ : spec_.respondent_count;
        if (counted >= static_cast<std::int16_t>(request_.how_many) &&
            (!resp_ids_allocated_ || !find_resp_id(sequence, respondent)))
            return false;
    }
    if (request_.include_data == data_not_yet_coded || request_.include_data == data_already_coded) {
        std::int16_t coded = coded_.is_response_coded(respondent, question);
        if (coded == -1) {
            stop = outcome::failed;
            return false;
        }
        if (request_.include_data == data_not_yet_coded ? coded == 1 : coded == 0) return false;
    }
    return true;
}

bool extraction::write_preamble(const char* question, bool& question_started) {
    if (!listing_) {
        if (!coder_header_written_) {
            if (!start_coder_file()) return false;
            coder_header_written_ = true;
        }
        return true;
    }
    if (!question_started && !request_.one_line && !write("\r\n\r\nResponses for question: %s\r\n\r\n", question))
        return false;
    question_started = true;
    return true;
}

walk_end extraction::walk_question(std::size_t index) {
    quest_spec& node = (*request_.questions)[index];
    char question[sizeof node.name];
    std::memcpy(question, node.name, sizeof question);
    question[sizeof question - 1] = '\0';
    node.record_count = 0;
    if (!request_.sample || listing_) return walk_answers(index, question, node);
    // A sample is drawn from every answer that qualifies, so the question
    // is walked once to offer them all and once to write those drawn.
    request_.sample->start_question(question);
    offering_ = true;
    walk_end end = walk_answers(index, question, node);
    offering_ = false;
    if (end) return end;
    request_.sample->choose();
    return walk_answers(index, question, node);
}

walk_end extraction::walk_answers(std::size_t index, const char* question, quest_spec& node) {
    bool question_started = false;
    auto data_error = [&](std::int16_t result) {
        data_error_ = result;
        return outcome::data_error;
    };
    std::int16_t type = 0;
    auto filter = static_cast<std::int16_t>(request_.interviews + 1);
    std::int16_t started = walk_.start(question, file_b_.c_str(), file_a_.c_str(), filter, &type);
    if (started == -1) return std::nullopt;  // not a question of the study
    if (started < -1) return data_error(started);
    for (long calls = 0;; ++calls) {
        std::int16_t loaded = walk_.next();
        if (loaded == -1) return std::nullopt;  // end of this question's data
        if (loaded < -1) return data_error(loaded);
        auto sequence = walk_.sequence();
        std::uint32_t respondent = walk_.respondent();
        // Each group is counted (and checked to fit) first, and copied only
        // when it passes the filters, which most respondents of a large
        // study do not.
        std::int32_t from = 0;
        for (;;) {
            std::int32_t roster = 0;
            std::int16_t n = walk_.group(from, nullptr, &roster);
            if (n < 0) return data_error(n);
            if (n == 0) break;
            outcome stop = outcome::written;
            if (!passes_filters(respondent, sequence, question, stop)) {
                if (stop == outcome::failed) return outcome::failed;
                break;
            }
            walk_.group(from, buffer_, &roster);
            if (!offering_ && !write_preamble(question, question_started)) return outcome::failed;
            if (!write_response(sequence, respondent, question, roster, n, node, type)) return outcome::failed;
            if (roster == 0) break;
            from = roster + 1;
        }
        if (progress_ && !offering_) progress_(static_cast<int>(index), calls + 1);
    }
}

outcome extraction::run(std::FILE* out) {
    out_ = out;
    spec_ = coder_spec{};
    // Room for as many respondents as a coder file takes, so the list never
    // moves: each fresh page costs a fault.
    if (!listing_) spec_.resp_ids.reserve(kMaxRespondentCount);
    std::snprintf(spec_.name, sizeof spec_.name, "%s", file_name_of(request_.coder_path).c_str());
    spec_.interviews = request_.interviews;
    if (request_.sample) request_.sample->restart();
    if (request_.question_count < 1) return outcome::no_data;
    for (std::int16_t q = 0; q < request_.question_count; ++q) {
        if (!request_.questions || static_cast<std::size_t>(q) >= request_.questions->size()) return outcome::failed;
        if (walk_end end = walk_question(static_cast<std::size_t>(q))) return *end;
    }
    if (!coder_header_written_ || spec_.record_count == 0) return outcome::no_data;
    return finish_coder_file() ? outcome::written : outcome::failed;
}

void fill_question_names(coder_spec& spec, const extract_request& request) {
    spec.question_names.assign(static_cast<std::size_t>(request.question_count), {});
    // Eight bytes, zero padded, no terminator for a name of eight characters.
    for (std::int16_t q = 0; q < request.question_count; ++q) {
        const char* name = (*request.questions)[static_cast<std::size_t>(q)].name;
        std::memcpy(spec.question_names[static_cast<std::size_t>(q)].data(), name, strnlen(name, 8));
    }
}

}  // namespace

std::optional<std::string> clean_response_text(const std::string& text, std::int16_t type, bool strip_numeric) {
    std::string cleaned;
    if (!clean_into(text, type, strip_numeric, cleaned)) return std::nullopt;
    return cleaned;
}

namespace {

// Where an extraction writes: the listing itself, or a coder file's
// temporary beside it. A coder file is written under a temporary name and
// renamed into place only when complete, just before its list entry: a crash
// never leaves a partial one under a coder file's name.
std::FILE* open_output(bool listing, const std::string& out_path, std::string& temp_path) {
    if (listing) return std::fopen(out_path.c_str(), "wb");
    std::FILE* out = nullptr;
    int fd = create_temporary_beside(out_path, default_file_mode(), temp_path);
    if (fd >= 0 && !(out = fdopen(fd, "wb"))) ::close(fd);
    if (!out && !temp_path.empty()) std::remove(temp_path.c_str());
    return out;
}

// The data library's errors, as the error library's exceptions.
[[noreturn]] void throw_data_error(std::int16_t error, const failure& damage) {
    switch (error) {
    case -2: ThrowHalvexException(kErrorStudyFilesMissing);
    case -3: ThrowHalvexException(kErrorCorruptIndex, damage);
    default: ThrowHalvexException(kErrorCorruptRecord, damage);
    }
}

}  // namespace

std::int16_t extract_responses(extract_request& request, bool check, const std::string& file_a,
                               const std::string& file_b, const std::string& list_path,
                               const std::string& backup_path, const extract_progress& progress) {
    if (check && request.include_data == data_all) {
        std::int16_t found = find_coded_questions(list_path, request);
        if (found != 0) return found;
    }
    const bool listing = !request.listing_path.empty();
    const std::string& out_path = listing ? request.listing_path : request.coder_path;
    if (!fits_path_limit(out_path)) return kExtractFailed;
    std::string temp_path;
    std::FILE* out = open_output(listing, out_path, temp_path);
    if (!out) return kExtractFailed;
    const std::string& written_path = listing ? out_path : temp_path;
    constexpr std::size_t kOutBufferSize = 1 << 16;
    std::unique_ptr<char[]> out_buffer(new char[kOutBufferSize]);  // not zeroed: stdio fills it
    std::setvbuf(out, out_buffer.get(), _IOFBF, kOutBufferSize);

    extraction run(request, file_a, file_b, list_path, progress);
    outcome result = outcome::failed;
    bool out_of_memory = false;
    try {
        result = run.run(out);
    } catch (const std::bad_alloc&) {
        out_of_memory = true;
    }
    bool closed = std::fflush(out) == 0 && (listing || sync_file(fileno(out)));
    closed = std::fclose(out) == 0 && closed;
    if (result == outcome::written && !closed) result = outcome::failed;
    bool keep = listing ? (result == outcome::written || result == outcome::no_data) && !out_of_memory
                        : result == outcome::written && !out_of_memory;
    if (!keep) std::remove(written_path.c_str());
    if (out_of_memory) ThrowHalvexException(kErrorOutOfMemory);

    switch (result) {
    case outcome::no_data: return kExtractNoData;
    case outcome::failed: return kExtractFailed;
    case outcome::data_error:
        if (run.data_error() >= -4 && run.data_error() <= -2) throw_data_error(run.data_error(), run.damage());
        return kExtractFailed;
    case outcome::written: break;
    }
    try {
        fill_question_names(run.spec(), request);
    } catch (const std::bad_alloc&) {
        std::remove(temp_path.c_str());
        ThrowHalvexException(kErrorOutOfMemory);
    }
    if (!commit_temporary(temp_path, out_path)) return kExtractFailed;
    if (update_coder_list(run.spec(), list_path, backup_path)) return kExtractWritten;
    // Unlisted, the file would be taken for coded answers by nobody: this run made it, and takes it away.
    std::remove(out_path.c_str());
    return kExtractFailed;
}

}  // namespace oc
