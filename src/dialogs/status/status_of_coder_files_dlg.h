// The coder file status report: every listed coder data file with its
// status image and figures; opens the question and respondent views of the
// selected file.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "coderfile/coder_types.h"
#include "dialogs/status/agreement_dlg.h"

class QItemSelection;
class QPushButton;
class QTreeWidget;

namespace oc_ui {

// The six parallel lists the report shows, one element per coder file.
struct coder_file_figures {
    std::vector<std::string> names;       // as stored in the coder list file
    std::vector<std::uint8_t> statuses;   // image index 0..3
    std::vector<std::uint32_t> respondents;
    std::vector<std::uint32_t> questions;
    std::vector<std::uint32_t> records;
    std::vector<std::uint8_t> interviews;  // 0, 1, 2; anything else shows empty
};

class CStatusOfSpecFilesDlg : public QDialog {
    Q_OBJECT

public:
    // The lists must be of equal length. No parent: the report is modal
    // over the whole application. `study_base` (DIR/NAME) has the journal
    // and the code frame; `open_record` opens a disagreement for coding.
    CStatusOfSpecFilesDlg(coder_file_figures figures, std::string study_base = {}, record_opener open_record = {},
                          QWidget* parent = nullptr);

    // Index of the row last selected (0 after filling).
    int selected_row() const { return selected_row_; }

private:
    void fill_list();
    void track_selection(const QItemSelection& selected);
    // Loads the selected row's coder file; false with no row selected or
    // after message 709.
    bool load_selected_file(oc::coder_spec& spec, oc::quest_list& questions, std::int16_t& question_count);
    void view_questions();
    void view_respondents();
    void view_productivity();
    void view_agreement();

    coder_file_figures figures_;
    std::string study_base_;
    record_opener open_record_;
    QTreeWidget* list_ = nullptr;
    QPushButton* view_questions_ = nullptr;
    QPushButton* view_respondents_ = nullptr;
    int selected_row_ = 0;
};

// Interviews code as the report words it: 731, 732, 733; empty otherwise.
QString interviews_text(int interviews_code);

}  // namespace oc_ui
