// Choice of the coder data file to code, with the status of each.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QStringList>

#include "ui/widgets/status_list.h"  // the list filling shared with the merge's file choice

class QTreeWidget;

namespace oc_ui {

class CSelectCoderSpecFileDlg : public QDialog {
    Q_OBJECT
public:
    CSelectCoderSpecFileDlg(const QStringList& names, const QByteArray& statuses, QWidget* parent = nullptr);
    int selected() const { return m_nSelected; }

    // Files whose coding is complete or merged are only taken after a
    // confirmation; Cancel keeps the dialog open.
    void accept() override;

private:
    QTreeWidget* list_ = nullptr;
    QByteArray statuses_;
    int m_nSelected = 0;
};

}  // namespace oc_ui
