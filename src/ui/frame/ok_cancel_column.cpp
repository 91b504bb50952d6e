#include "ui/frame/ok_cancel_column.h"

#include <QDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/frame/push_buttons.h"

namespace oc_ui {

QVBoxLayout* make_ok_cancel_column(QDialog& dialog) {
    auto* ok = make_push_button(&dialog, QStringLiteral("OK"), QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = make_push_button(&dialog, QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    // accept() is virtual: the dialog's own checks run before it closes.
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* column = new QVBoxLayout;
    column->addWidget(ok);
    column->addWidget(cancel);
    column->addStretch();
    return column;
}

}  // namespace oc_ui
