// Coders' throughput from the study's coding journal, per coder file and
// user, over all days or a range of them.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QDateEdit;
class QLabel;
class QTreeWidget;

namespace oc_ui {

class CProductivityDlg : public QDialog {
    Q_OBJECT
public:
    // `study_base` is the study's DIR/NAME, whose NAME.jnl is read.
    explicit CProductivityDlg(std::string study_base, QWidget* parent = nullptr);

private:
    // The table again from the journal, for the days chosen.
    void measure();

    std::string study_base_;
    QCheckBox* from_on_ = nullptr;
    QDateEdit* from_ = nullptr;
    QCheckBox* to_on_ = nullptr;
    QDateEdit* to_ = nullptr;
    QTreeWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
};

}  // namespace oc_ui
