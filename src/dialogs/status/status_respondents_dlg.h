// The respondents of one coder data file, four columns of respondent
// numbers across.
#pragma once

#include <QDialog>

#include "coderfile/coder_types.h"

class QListWidget;

namespace oc_ui {

// Item data role holding a respondent's sequence number as shown ("%hd").
inline constexpr int kSequenceTextRole = Qt::UserRole + 1;

class CStatusRespondentsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CStatusRespondentsDlg(const oc::coder_spec& spec, QWidget* parent = nullptr);

private:
    void fill_list(const oc::coder_spec& spec);

    QListWidget* list_ = nullptr;
};

// "%ld" of the respondent and "%hd" of the sequence: above 32767 negative.
QString respondent_number_text(std::int32_t respondent);
QString sequence_number_text(std::uint16_t sequence);

}  // namespace oc_ui
