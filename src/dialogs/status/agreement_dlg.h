// How far the coders of two or more of the study's coder files agree: the
// table per question, kappa per code for two files, and every record they
// coded differently, each of which opens in the coding dialog of a file the
// user picks.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "engines/agree/agreement.h"
#include "engines/frame/code_frame.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace oc_ui {

// Opens one record of a coder file for coding.
using record_opener = std::function<void(const QString& coder_path, const oc::answer_key& record)>;

class CAgreementDlg : public QDialog {
    Q_OBJECT
public:
    // `files` are the listed coder files (paths from the study directory),
    // `study_base` the study's DIR/NAME for the code frame's labels.
    CAgreementDlg(const QStringList& files, std::string study_base, record_opener open_record,
                  QWidget* parent = nullptr);

private:
    void fill_questions();
    // The tables again from the ticked files; beeps with fewer than two.
    void compare();
    void show_disagreements(const oc::coded_answers& answers, const oc::code_frame& frame);
    void open_selected();

    QStringList files_;
    std::string study_base_;
    record_opener open_record_;
    QListWidget* file_list_ = nullptr;
    QComboBox* question_ = nullptr;
    QTreeWidget* summary_ = nullptr;
    QTreeWidget* kappas_ = nullptr;
    QLabel* disagreements_title_ = nullptr;
    QTreeWidget* disagreements_ = nullptr;
    QComboBox* open_in_ = nullptr;
    QPushButton* open_ = nullptr;
    QStringList compared_;                   // the files of the tables shown
    std::vector<oc::answer_key> listed_;     // the disagreements' records, row by row
};

}  // namespace oc_ui
