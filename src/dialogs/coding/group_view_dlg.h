// One question's answers grouped by what they say, largest group first, so
// that a coder gives codes once to every record of an answer. Each group
// shows whether its records are coded; Apply writes the boxes' codes into
// the group's records and moves on. Ctrl+Z and Ctrl+Shift+Z take an apply
// back and do it again; "Review by Code…" lists the records of one code.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "coderfile/coder_types.h"
#include "coderfile/cursor.h"
#include "dialogs/coding/coding_response_dlg.h"
#include "dialogs/coding/journal_writer.h"
#include "engines/groups/answer_groups.h"
#include "engines/groups/code_writes.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace oc_ui {

class code_boxes;
class frame_panel;

class CGroupViewDlg : public QDialog {
    Q_OBJECT
public:
    // Groups `quest`'s records, read from sources.coder_path; writes through
    // the open `cursor`. Neither is owned; the caller writes line 2 and the
    // trailer afterwards. When the records cannot be read, message 709 has
    // been shown and loaded() is false: the caller must not run the dialog.
    CGroupViewDlg(oc::coder_cursor& cursor, oc::quest_spec& quest, const coding_sources& sources,
                  QWidget* parent = nullptr);

    bool loaded() const { return loaded_; }

    // The boxes' codes into every record of the current group: those not
    // coded, and those coded otherwise once the coder agrees; then the next
    // group. Records holding exactly these codes are left alone.
    void apply();
    void undo();
    void redo();
    void review_by_code();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the records again and shows the groups, `row` current.
    bool refresh(int row);
    void show_group(int row);
    void step_history(bool back);
    void after_history(const oc::failure& problem, std::int32_t shown);

    oc::coder_cursor& cursor_;
    oc::quest_spec& quest_;
    coding_sources sources_;
    bool loaded_ = false;
    std::vector<oc::question_record> records_;
    oc::question_groups grouped_;
    oc::coding_history history_;
    journal_writer journal_;

    QLabel* progress_ = nullptr;
    QTreeWidget* list_ = nullptr;
    code_boxes* boxes_ = nullptr;
    frame_panel* panel_ = nullptr;
    QPushButton* apply_ = nullptr;
};

}  // namespace oc_ui
