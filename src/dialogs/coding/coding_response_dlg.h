// The code-entry dialog: one record of one question at a time, up to 30
// code boxes, moving with "&<<" and "&>>" and saving each record in place.
// Beside them the question's code frame, to look codes up and add new ones.
// Records with the same answer are counted and can take the shown codes at
// once; the answers can be searched; every save can be taken back.
#pragma once

#include <QDialog>
#include <QString>
#include <QVector>
#include <cstdint>
#include <string>
#include <vector>

#include "coderfile/coder_types.h"
#include "coderfile/cursor.h"
#include "dialogs/coding/journal_writer.h"
#include "engines/groups/answer_groups.h"
#include "engines/groups/code_writes.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

class QLayout;

namespace oc_ui {

class elided_label;
class frame_panel;

// Where the records being coded come from.
struct coding_sources {
    QString coder_path;      // the coder data file the cursor is open on
    std::string study_base;  // its study DIR/NAME: the labels and the code frame
};

class CCodingResponseDlg : public QDialog {
    Q_OBJECT
public:
    // Values of the working codes besides real codes: a box that held no
    // code when the record was loaded, and one emptied or refused since.
    static constexpr std::uint16_t kNoCode = 65535;
    static constexpr std::uint16_t kCleared = 0;

    // Codes `quest` on the open `cursor`, starting at record `start` (from 1).
    // Neither is owned; the caller writes line 2 and the trailer afterwards.
    // When the start record cannot be read, message 709 has been shown and
    // loaded() is false: the caller must not run the dialog.
    CCodingResponseDlg(oc::coder_cursor& cursor, std::int32_t start, oc::quest_spec& quest,
                       const coding_sources& sources, QWidget* parent = nullptr);
    // Keeps the size, the splitter and whether the frame shows, for next time.
    ~CCodingResponseDlg() override;

    std::int32_t record_number() const { return m_lRecord; }
    const QVector<std::uint16_t>& working_codes() const { return m_codes; }
    bool loaded() const { return loaded_; }

    // "&<<", "&>>" and "Save and Exit". Each saves the record shown first; a
    // save that fails shows message 708 and the record stays shown.
    void OnPrevious();
    void OnNext();
    void OnOK();

    // Saves the shown record, then writes its codes into every other record
    // with the same answer: uncoded ones at once, ones coded otherwise after
    // asking. Ctrl+Return.
    void OnApplyToSame();
    // Saves the shown record and moves to the next record without codes,
    // from the start again after the last. Ctrl+N.
    void OnNextUncoded();
    // The next or previous record whose answer holds every word of the find
    // box; moving there saves the shown record first. F3 and Shift+F3.
    void OnFindNext();
    void OnFindPrevious();
    // Ctrl+Z: typing not yet saved is taken back first (the shown record
    // reloaded), then the saves, newest first, each shown as it is put back.
    // Ctrl+Shift+Z does a save taken back again.
    void OnUndo();
    void OnRedo();

    // The recorded answer of the record shown: Play plays its only take at
    // once or lets the coder pick one of several; Stop stops whatever
    // plays; Delete removes the take found or last chosen, after asking.
    void OnPlaySound();
    void OnStopSound();
    void OnDeleteSound();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_code_area(QWidget& area, const QFont* font);
    void read_context();
    void show_context();
    void show_meaning(int slot);
    // The frame's code `code` into the first empty box.
    void put_code(int code);
    void focus_boxes();
    void step_history(bool back);
    // Journals each record's change from `old_codes` to `new_codes`
    // (matched by record), made `how`.
    void journal(const std::vector<oc::record_codes>& old_codes, const std::vector<oc::record_codes>& new_codes,
                 const char* how);
    void restore_layout();
    QLayout* build_answer_area(const QFont* font);
    void build_sound_controls();
    QLayout* build_buttons();
    // Reads record m_lRecord into the boxes. False after message 709, with
    // the dialog ended.
    bool LoadRecord();
    // Writes the boxes' codes into record m_lRecord. False after message 708;
    // last_record_coded is then left as it was. A save that changes the
    // codes is a step of the history.
    bool SaveRecord();
    QLayout* build_find_bar();
    // The codes in the boxes, gaps closed, as they would be saved; the
    // valid codes of the record as loaded or last saved.
    std::vector<std::int16_t> typed_codes() const;
    std::vector<std::int16_t> held_codes() const;
    // Record `record` (from 1) now holds `codes`: the counts follow.
    void note_codes(std::int32_t record, const std::vector<std::int16_t>& codes);
    // Shows record `record` (from 1) without saving the one shown.
    bool show_record(std::int32_t record);
    void open_find();
    void find(int direction);
    void OnCodeChange(int slot);
    void focus_first_box();
    void set_sound_enabled(bool enabled);

    oc::coder_cursor& cursor_;
    oc::quest_spec& quest_;
    std::int32_t m_lRecord;
    oc::resp_record m_record;
    QVector<std::uint16_t> m_codes;
    bool loaded_ = false;
    coding_sources sources_;
    journal_writer journal_;
    QString question_text_;
    // The question's records (valid codes only) and their answer groups,
    // read once at open; the codes and counts follow every write.
    std::vector<oc::question_record> records_;
    oc::question_groups groups_;
    bool have_records_ = false;
    long coded_ = 0;
    oc::coding_history history_;

    QLabel* question_ = nullptr;
    QLabel* respondent_ = nullptr;
    QPlainTextEdit* answer_ = nullptr;
    QLabel* context_ = nullptr;
    QVector<QLineEdit*> boxes_;
    QVector<elided_label*> meanings_;
    frame_panel* panel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QPushButton* frame_toggle_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* next_uncoded_ = nullptr;
    QPushButton* apply_same_ = nullptr;
    QWidget* find_bar_ = nullptr;
    QLineEdit* find_text_ = nullptr;
    QPushButton* find_next_ = nullptr;
    QPushButton* find_previous_ = nullptr;
    // What the last apply, undo or search did; cleared by the next record.
    QLabel* status_ = nullptr;
    // The sound controls: shown only with a sound-file directory; the
    // search for a record's recordings enables Play, Stop and Delete.
    QGroupBox* sound_group_ = nullptr;
    QLabel* sound_label_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* delete_ = nullptr;
};

}  // namespace oc_ui
