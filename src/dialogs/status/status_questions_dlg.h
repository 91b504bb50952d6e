// The questions of one coder data file with their coding parameters and
// progress.
#pragma once

#include <QDialog>
#include <memory>

#include "coderfile/coder_types.h"

class QTreeWidget;

namespace oc_ui {

class CStatusQuestionsDlg : public QDialog {
    Q_OBJECT

public:
    // Shows the first `question_count` questions of `questions`.
    CStatusQuestionsDlg(int question_count, const oc::quest_list& questions, QWidget* parent = nullptr);
    ~CStatusQuestionsDlg() override;

private:
    void fill_list(int question_count, const oc::quest_list& questions);

    QTreeWidget* list_ = nullptr;
    std::unique_ptr<QFont> font_;  // the suite's default font, when there is one
};

}  // namespace oc_ui
