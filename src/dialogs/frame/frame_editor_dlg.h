// The frame editor and its code dialog. Edits change only the editor's copy
// of the frame; OK saves it whole unless the file changed on disk meanwhile.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "engines/frame/code_frame.h"
#include "suite/label_file.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace oc_ui {

// One code of `question`: a new one (`original` null) or a change of
// `original`. OK checks it against `frame` and stays open on a refusal.
class CFrameCodeDlg : public QDialog {
    Q_OBJECT
public:
    CFrameCodeDlg(const oc::code_frame& frame, const std::string& question, const oc::frame_code* original,
                  const std::string& proposed_net, QWidget* parent = nullptr);
    oc::frame_code code() const;
    void accept() override;

private:
    const oc::code_frame& frame_;
    std::string question_;
    std::optional<std::size_t> original_row_;
    QSpinBox* code_ = nullptr;
    QLineEdit* label_ = nullptr;
    QComboBox* net_ = nullptr;
};

// The frame as it was read: the parsed rows and the file's bytes, so that
// a save can tell whether someone else wrote the file since.
struct opened_frame {
    oc::code_frame frame;
    std::string bytes;
    bool exists = false;
};

class CFrameEditorDlg : public QDialog {
    Q_OBJECT
public:
    CFrameEditorDlg(std::string base, std::vector<oc::study_label> questions, opened_frame opened,
                    QWidget* parent = nullptr);

    const oc::code_frame& frame() const { return frame_; }

    // Saves the frame under the study's writers' lock; refuses, staying
    // open, when the file is no longer the one opened.
    void accept() override;

private:
    std::string question() const;
    const oc::frame_code* current_code() const;
    std::string current_net() const;
    void fill_question_texts();
    void fill_codes(std::optional<int> select);
    void update_buttons();
    void changed(std::optional<int> select);
    void add_code();
    void edit_code();
    void delete_code();
    void move_code(int direction);
    void import_csv();
    void export_csv();

    std::string base_;
    std::vector<oc::study_label> questions_;
    oc::code_frame frame_;
    std::string opened_bytes_;
    bool opened_exists_ = false;
    bool dirty_ = false;
    QComboBox* question_ = nullptr;
    QTreeWidget* codes_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QCheckBox* question_only_ = nullptr;
};

}  // namespace oc_ui
