// The export's choices: format, file, questions and whether only codes go
// out. OK refuses what the export would refuse and asks before a file is
// replaced, so that the run after it writes what the user chose.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "engines/export/study_export.h"
#include "suite/label_file.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace oc_ui {

class CExportDlg : public QDialog {
    Q_OBJECT
public:
    CExportDlg(std::string base, const std::vector<oc::study_label>& questions, QWidget* parent = nullptr);

    // The choices as the export takes them; valid once accepted.
    const oc::export_request& request() const { return request_; }

    void accept() override;

private:
    void browse();
    void format_chosen();
    oc::export_format format() const;

    std::string base_;
    QComboBox* format_ = nullptr;
    QLineEdit* file_ = nullptr;
    QListWidget* questions_ = nullptr;
    QCheckBox* codes_only_ = nullptr;
    QString confirmed_;  // the existing file the user agreed to replace
    oc::export_request request_;
};

}  // namespace oc_ui
