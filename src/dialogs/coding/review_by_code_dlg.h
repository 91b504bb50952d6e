// Every record of a question coded with one code, with the record's other
// codes, to check a code's use; a record opens in the coding dialog to be
// changed there.
#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

#include "coderfile/coder_types.h"
#include "coderfile/cursor.h"
#include "dialogs/coding/coding_response_dlg.h"
#include "engines/groups/answer_groups.h"

class QComboBox;
class QTreeWidget;

namespace oc_ui {

class CReviewByCodeDlg : public QDialog {
    Q_OBJECT
public:
    // `quest`'s records read from sources.coder_path; a record opened is
    // coded through `cursor`. `labels` names the codes the frame holds.
    // When the records cannot be read, message 709 has been shown and
    // loaded() is false.
    CReviewByCodeDlg(oc::coder_cursor& cursor, oc::quest_spec& quest, const coding_sources& sources,
                     const QHash<int, QString>& labels, QWidget* parent = nullptr);

    bool loaded() const { return loaded_; }

    // The current row's record in the coding dialog; the lists are read
    // again afterwards.
    void open_record();

private:
    // Reads the records and offers the codes used, `code` chosen if it is.
    bool reload(int code);
    void show_code(int index);

    oc::coder_cursor& cursor_;
    oc::quest_spec& quest_;
    coding_sources sources_;
    QHash<int, QString> labels_;
    bool loaded_ = false;
    std::vector<oc::question_record> records_;

    QComboBox* code_ = nullptr;
    QTreeWidget* list_ = nullptr;
};

}  // namespace oc_ui
