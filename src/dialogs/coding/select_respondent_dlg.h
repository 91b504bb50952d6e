// Choice of the respondent at whose first record coding begins.
#pragma once

#include <QDialog>
#include <QVector>
#include <cstdint>

class QListWidget;

namespace oc_ui {

class CSelectRespondentDlg : public QDialog {
    Q_OBJECT
public:
    // The respondent numbers of the coder file, in its order.
    explicit CSelectRespondentDlg(const QVector<std::int32_t>& numbers, QWidget* parent = nullptr);
    // The row chosen; valid after the dialog was accepted.
    int selected() const { return m_nSelected; }

    // OK with no row chosen keeps the dialog open: the caller never gets an
    // index outside its numbers.
    void accept() override;

private:
    QListWidget* list_ = nullptr;
    int m_nSelected = -1;
};

}  // namespace oc_ui
