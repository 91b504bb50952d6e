// Choice of the coder data file to code, with the status of each.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QStringList>

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

// Fills a one-column list of names with their status images; the column
// takes the list's width less the scroll bar when more than `visible_rows`
// rows are listed. Row 0 ends selected.
void fill_status_list(QTreeWidget& list, int header_string, const QStringList& names, const QByteArray& statuses,
                      int visible_rows);

}  // namespace oc_ui
