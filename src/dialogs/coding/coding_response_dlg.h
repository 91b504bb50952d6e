// The code-entry dialog: one record of one question at a time, up to 30
// code boxes, moving with "&<<" and "&>>" and saving each record in place.
#pragma once

#include <QDialog>
#include <QVector>
#include <cstdint>

#include "coderfile/coder_types.h"
#include "coderfile/cursor.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class QLayout;

namespace oc_ui {

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
                       QWidget* parent = nullptr);

    std::int32_t record_number() const { return m_lRecord; }
    const QVector<std::uint16_t>& working_codes() const { return m_codes; }
    bool loaded() const { return loaded_; }

    // "&<<", "&>>" and "Save and Exit". Each saves the record shown first; a
    // save that fails shows message 708 and the record stays shown.
    void OnPrevious();
    void OnNext();
    void OnOK();

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
    QLayout* build_answer_area(const QFont* font);
    void build_sound_controls();
    QLayout* build_buttons();
    // Reads record m_lRecord into the boxes. False after message 709, with
    // the dialog ended.
    bool LoadRecord();
    // Writes the boxes' codes into record m_lRecord. False after message 708;
    // last_record_coded is then left as it was.
    bool SaveRecord();
    void OnCodeChange(int slot);
    void focus_first_box();
    void set_sound_enabled(bool enabled);

    oc::coder_cursor& cursor_;
    oc::quest_spec& quest_;
    std::int32_t m_lRecord;
    oc::resp_record m_record;
    QVector<std::uint16_t> m_codes;
    bool loaded_ = false;

    QLabel* question_ = nullptr;
    QLabel* respondent_ = nullptr;
    QPlainTextEdit* answer_ = nullptr;
    QVector<QLineEdit*> boxes_;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    // The sound controls: shown only with a sound-file directory; the
    // search for a record's recordings enables Play, Stop and Delete.
    QGroupBox* sound_group_ = nullptr;
    QLabel* sound_label_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* delete_ = nullptr;
};

}  // namespace oc_ui
