// The questions of the chosen coder data file with their coding parameters;
// "Code" runs one coding pass on the selected question and the dialog stays
// open for the next. "Code by Groups…" codes it a group of equal answers at a
// time.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "coderfile/cursor.h"
#include "coderfile/discovery.h"

class QLabel;
class QRadioButton;
class QTreeWidget;

class QFont;
class QLayout;

namespace oc_ui {

enum start_choice : int { start_resume = 0, start_beginning = 1, start_respondent = 2 };

// The first record (from 1) of `quest` that `wanted` accepts; 0 when none
// does, -1 when a record cannot be read.
std::int32_t find_question_record(oc::coder_cursor& cursor, const oc::quest_spec& quest,
                                  const std::function<bool(const oc::resp_record&)>& wanted);

// The record (from 1) at which a coding pass on `quest` begins: after the
// last record coded, at the first, or at the first record of `respondent`.
// 0 when a record cannot be read, and after message 709 when the respondent
// has no record of the question. The caller closes the cursor either way.
int ChooseStartRecord(oc::coder_cursor& cursor, std::int32_t& start, int choice, std::int32_t respondent,
                      const oc::quest_spec& quest);

// After a coding pass on one of `file`'s questions: its status, line 2 and
// every question's last record coded written back through `cursor`, which
// is then closed. False (after message 711) when they could not be.
bool finish_coding_pass(oc::cursor_ptr cursor, oc::loaded_coder_file& file);

class CSelectQNameToCodeDlg : public QDialog {
    Q_OBJECT
public:
    // `file` is the loaded coder data file at `path`, of the study
    // `study_base` (DIR/NAME); not owned.
    CSelectQNameToCodeDlg(const QString& path, const std::string& study_base, oc::loaded_coder_file& file,
                          QWidget* parent = nullptr);

    int selected_question() const { return m_nQuestion; }
    int start_choice() const { return m_nStartChoice; }

    // "Code": reads the start choice (asking for the respondent when
    // needed) and runs CodeQuestion; the dialog stays open.
    void accept() override;
    void CodeQuestion();
    // "Code by Groups…": the selected question's answers grouped, coded a
    // group at a time.
    void CodeByGroups();

private:
    QLayout* build_question_fields(const QFont* font);
    void select_question(int row);
    void show_fields(const oc::quest_spec& quest);
    // After a pass on the selected question: line 2 and the trailer written
    // through `cursor`, which is then closed, and the question's status shown.
    void finish_pass(oc::cursor_ptr cursor);

    QString path_;
    std::string study_base_;
    oc::loaded_coder_file& file_;
    int m_nQuestion = -1;
    int m_nStartChoice = -1;
    std::int32_t m_lRespondent = 0;

    QTreeWidget* list_ = nullptr;
    QRadioButton* resume_ = nullptr;
    QRadioButton* beginning_ = nullptr;
    QRadioButton* respondent_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* records_ = nullptr;
    QLabel* action_ = nullptr;
    QLabel* width_ = nullptr;
    QLabel* max_codes_ = nullptr;
    QLabel* last_coded_ = nullptr;
};

}  // namespace oc_ui
