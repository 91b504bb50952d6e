// A small study with coder file S.001 for the coding dialogs, and the record
// lines of its question Q1 before and after coding.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "coderfile/coder_file.h"
#include "coderfile/discovery.h"
#include "dialogs/coding/coding_response_dlg.h"
#include "coder_fixtures.h"
#include "recording_sink.h"
#include "test_support.h"
#include "ui.h"

namespace codingtest {

using octest::child;
using octest::read_bytes;
using octest::write_bytes;

inline QLineEdit* box(QWidget& dialog, int n) { return child<QLineEdit>(dialog, QStringLiteral("codeBox%1").arg(n)); }
inline QPushButton* button(QWidget& dialog, const char* name) { return child<QPushButton>(dialog, name); }

// `bytes` with the one occurrence of `from` replaced by `to`.
inline std::string replaced(std::string bytes, const std::string& from, const std::string& to) {
    const std::size_t at = bytes.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    EXPECT_EQ(std::string::npos, bytes.find(from, at + 1)) << from;
    return at == std::string::npos ? bytes : bytes.replace(at, from.size(), to);
}

// Line 2 of a coder data file with its status field set to `status`.
inline std::string with_status(std::string bytes, int status) {
    bytes[bytes.find("\r\n") + 2 + 11] = char('0' + status);
    return bytes;
}

// Record line of Q1 in S.001 for `respondent`, as extracted (no codes) or
// with `codes` written in place.
inline std::string q1_record(int respondent, int sequence, const std::string& text, std::vector<int> codes = {}) {
    char fields[64];
    std::snprintf(fields, sizeof fields, "%5d %9d %8s %3d %3d %2d %2zu", sequence, respondent, "Q1", 0, 1, 0,
                  codes.size());
    std::string line = fields;
    for (int code : codes) line += (std::snprintf(fields, sizeof fields, "%5d", code), fields);
    return line + std::string(5 * (4 - codes.size()) + 1, ' ') + text;
}

// Study S: Q1 answered by respondents 1..6 (respondent 4 twice, sequences 1
// and 2), Q3 by respondents 1, 2 and 7. Coder file S.001: Q1 append, 4
// codes of width 4 (7 records); Q3 replace, 1 code of width 1 (3 records).
class CodingTest : public ::testing::Test {
protected:
    // Trailer lines of S.001 as the extraction writes them.
    static constexpr const char* kQ1Line = "      Q1         7 0    4  4         0";
    static constexpr const char* kQ3Line = "      Q3         3 1    1  1         0";

    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\nQ3,7,0,Brand?\r\n",
                               "respondent,sequence,complete,Q1,Q3\r\n"
                               "1,1,1,one,first brand\r\n2,1,1,two,second brand\r\n3,1,1,three,\r\n"
                               "4,1,1,four,\r\n4,2,1,four again,\r\n5,1,1,five,\r\n6,1,1,six,\r\n7,1,1,,only Q3\r\n");
        ASSERT_FALSE(HasFatalFailure());
        octest::extract_s001({{"Q1", 0, 4, 4}, {"Q3", 1, 1, 1}});
        ASSERT_FALSE(HasFatalFailure());
        fresh = read_bytes("S.001");
        ASSERT_TRUE(oc::load_coder_questions("S.001", file));
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
    std::string fresh;
    oc::loaded_coder_file file;
};

// A coding dialog on `quest` of S.001 from record `start`, shown but not modal.
struct OpenDialog {
    OpenDialog(oc::quest_spec& quest, std::int32_t start = 1)
        : cursor(oc::open_coder_cursor("S.001", quest.name)), dialog(*cursor, start, quest, {"S.001", "S"}) {
        dialog.show();
    }
    oc::cursor_ptr cursor;
    oc_ui::CCodingResponseDlg dialog;
};

}  // namespace codingtest
