// A small study with coder file S.001 for the coding dialogs, and helpers to
// find their widgets and to describe the file's expected bytes.
#pragma once

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "coderfile/coder_file.h"
#include "coderfile/discovery.h"
#include "recording_sink.h"
#include "test_support.h"

namespace codingtest {

using octest::read_bytes;
using octest::write_bytes;

template <typename Widget>
Widget* child(QWidget& parent, const QString& name) {
    auto* widget = parent.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}
inline QLineEdit* box(QWidget& dialog, int n) { return child<QLineEdit>(dialog, QStringLiteral("codeBox%1").arg(n)); }
inline QPushButton* button(QWidget& dialog, const char* name) {
    return child<QPushButton>(dialog, QLatin1String(name));
}

// `bytes` with the one occurrence of `from` replaced by `to`.
inline std::string replaced(std::string bytes, const std::string& from, const std::string& to) {
    const std::size_t at = bytes.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    EXPECT_EQ(std::string::npos, bytes.find(from, at + 1)) << from;
    if (at != std::string::npos) bytes.replace(at, from.size(), to);
    return bytes;
}

// Line 2 of a coder data file with its status field set to `status`.
inline std::string with_status(std::string bytes, int status) {
    const std::size_t line2 = bytes.find("\r\n") + 2;
    bytes[line2 + 11] = static_cast<char>('0' + status);
    return bytes;
}

// Open file descriptors of this process: a coder file left open shows here.
inline int open_files() {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    return static_cast<int>(fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

// Study S: Q1 answered by respondents 1..6 (respondent 4 twice, sequences 1
// and 2), Q3 by respondents 1, 2 and 7. Coder file S.001: Q1 append, 4
// codes of width 4 (7 records); Q3 replace, 1 code of width 1 (3 records).
class CodingTest : public ::testing::Test {
protected:
    // Record lines and trailer lines of S.001 as the extraction writes them.
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
        ASSERT_NE(std::string::npos, fresh.find(kQ1Line));
        ASSERT_NE(std::string::npos, fresh.find(kQ3Line));
        load();
    }

    // Reads S.001 as the question dialog gets it.
    void load() {
        file = {};
        ASSERT_TRUE(oc::load_coder_questions("S.001", file));
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
    std::string fresh;
    oc::loaded_coder_file file;
};

// Record line k (from 1) of Q1 in S.001 as written by the extraction.
inline std::string fresh_q1_record(int respondent, int sequence, const std::string& text) {
    char fields[64];
    std::snprintf(fields, sizeof fields, "%5d %9d %8s %3d %3d %2d %2d ", sequence, respondent, "Q1", 0, 1, 0, 0);
    return fields + std::string(20, ' ') + text;
}

// The same line after a rewrite with `codes`.
inline std::string coded_q1_record(int respondent, int sequence, const std::string& text,
                                   std::initializer_list<int> codes) {
    char fields[64];
    std::snprintf(fields, sizeof fields, "%5d %9d %8s %3d %3d %2d %2d", sequence, respondent, "Q1", 0, 1, 0,
                  static_cast<int>(codes.size()));
    std::string line = fields;
    for (int code : codes) {
        char column[8];
        std::snprintf(column, sizeof column, "%5d", code);
        line += column;
    }
    return line + std::string(5 * (4 - codes.size()) + 1, ' ') + text;
}

}  // namespace codingtest
