// Choice of the coder data file to merge and of the matching rule.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QTreeWidget;

namespace oc_ui {

class CSelectCoderSpecFileMergeDlg : public QDialog {
    Q_OBJECT
public:
    CSelectCoderSpecFileMergeDlg(const QStringList& names, const QByteArray& statuses, const QString& idx_path,
                                 QWidget* parent = nullptr);
    int selected() const { return selected_; }
    bool by_respondent() const;

    // Refuses a file with nothing coded (742), asks before merging a merged
    // one again (741), and refuses matching by respondent number when the
    // study's numbers are not unique (746, after 749 for an unreadable .idx).
    void accept() override;

private:
    QTreeWidget* list_ = nullptr;
    QCheckBox* by_respondent_ = nullptr;
    QByteArray statuses_;
    QString idx_path_;
    int selected_ = 0;
};

}  // namespace oc_ui
