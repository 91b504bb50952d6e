// A study's code frame NAME.cfr: the meaning of each code of each question,
// as UTF-8 CSV with the header question,code,label,net, one row per code.
//
// Rows keep the exact text they were read with, so that a frame exported
// again gives back the bytes it was imported from; a row added or changed
// since is written in the normal form (fields quoted only where needed,
// CR LF after each row).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "suite/csv_rows.h"
#include "suite/failure.h"

namespace oc {

inline constexpr int kMaxFrameCode = 9999;
inline constexpr std::size_t kMaxFrameLabel = 200;  // characters, for labels and nets alike
inline constexpr std::string_view kFrameHeader = "question,code,label,net";

// The file's columns, in order.
enum class frame_column { question, code, label, net };

// What keeps a code out of a frame, and in which column.
struct frame_fault {
    frame_column column = frame_column::question;
    std::string what;  // "" when nothing does
    explicit operator bool() const { return !what.empty(); }
};

struct frame_code {
    std::string question;
    int code = 0;
    std::string label;
    std::string net;  // "" when the code is under no net
    // The row as it was read, line end and any blank lines after it
    // included; empty once the row is new or changed.
    std::string raw;
};

// The codes of one question grouped for display: nets in the order of their
// first code in the file, codes in file order within each net.
struct frame_net {
    std::string name;  // "" for the codes under no net
    std::vector<const frame_code*> codes;
};

class code_frame {
public:
    const std::vector<frame_code>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }

    bool has_question(std::string_view question) const;
    // The question's codes in file order.
    std::vector<const frame_code*> codes_of(std::string_view question) const;
    std::vector<frame_net> nets_of(std::string_view question) const;
    const frame_code* find(std::string_view question, int code) const;
    // The lowest code from 1 up that the question does not use; none when
    // all of 1..9999 are taken.
    std::optional<int> lowest_unused(std::string_view question) const;

    // Each fails, changing nothing, when the code would break the frame's
    // rules (see check_code); the failure says why.
    failure add(frame_code code);
    // Replaces the code `code` of `question` with `changed`.
    failure change(std::string_view question, int code, frame_code changed);
    failure remove(std::string_view question, int code);
    // Moves the question's code `code` `steps` places among the question's
    // codes (negative: up), keeping other questions' rows where they are.
    void move(std::string_view question, int code, int steps);

    // The frame as CSV: the header and every row, or only `question`'s.
    std::string to_csv(std::optional<std::string_view> question = std::nullopt) const;

    // Why `code` cannot stand in this frame ("" when it can): a question
    // name not known, a code outside 1..9999 or taken, an empty or long
    // label, a long net. `ignore` is a row index not to compare against.
    frame_fault check_code(const frame_code& code, std::optional<std::size_t> ignore = std::nullopt) const;

    // Whether `name` is a question of the study; unset accepts any name of
    // 1 to 8 characters.
    std::function<bool(std::string_view name)> known_question;

private:
    friend failure parse_frame(std::string_view, const std::string&, code_frame&);
    std::vector<frame_code> rows_;
    // The header's line end as read, kept for the export.
    std::string header_end_ = "\r\n";
};

// Reads CSV `bytes` (from `file`, named in failures) into `frame`, whose
// known_question is used to check question names. Every row is checked; the
// first fault fails the whole with "FILE row R, column C (NAME): what" and
// leaves `frame` without rows. A UTF-8 byte order mark is dropped, the
// header may differ from the normal one in case, spaces and quoting, blank
// lines are kept with the row before them.
failure parse_frame(std::string_view bytes, const std::string& file, code_frame& frame);

// Codes with their labels for a listing: "5 price; 41 (not in the code
// frame)".
std::string describe_codes(const code_frame& frame, std::string_view question, const std::vector<int>& codes);

// The number of characters of UTF-8 `text`; none when it is not UTF-8.
std::optional<std::size_t> utf8_length(std::string_view text);

}  // namespace oc
