#include "dialogs/status/productivity_dlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "engines/journal/productivity.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/report_list.h"

namespace oc_ui {

namespace {

QDateEdit* date_field(QWidget* parent, const char* name) {
    auto* field = new QDateEdit(QDate::currentDate(), parent);
    field->setObjectName(QLatin1String(name));
    field->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    field->setCalendarPopup(true);
    field->setEnabled(false);
    return field;
}

std::string day_text(const QCheckBox& on, const QDateEdit& field) {
    return on.isChecked() ? field.date().toString(Qt::ISODate).toStdString() : std::string();
}

}  // namespace

CProductivityDlg::CProductivityDlg(std::string study_base, QWidget* parent)
    : QDialog(parent), study_base_(std::move(study_base)) {
    setObjectName(QStringLiteral("productivityDialog"));
    setWindowTitle(QStringLiteral("Productivity"));

    from_on_ = new QCheckBox(QStringLiteral("&From"), this);
    from_on_->setObjectName(QStringLiteral("fromCheck"));
    from_ = date_field(this, "fromDate");
    to_on_ = new QCheckBox(QStringLiteral("&To"), this);
    to_on_->setObjectName(QStringLiteral("toCheck"));
    to_ = date_field(this, "toDate");

    table_ = make_figure_table(this, QStringLiteral("productivityTable"),
                               {QStringLiteral("Coder file"), QStringLiteral("User"), QStringLiteral("Records coded"),
                                QStringLiteral("Decisions"), QStringLiteral("Active minutes"),
                                QStringLiteral("Records per hour"), QStringLiteral("Recoded")});
    table_->setMinimumSize(640, 240);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("productivityNote"));
    note_->setWordWrap(true);
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));

    auto* range = new QHBoxLayout;
    range->addWidget(from_on_);
    range->addWidget(from_);
    range->addSpacing(12);
    range->addWidget(to_on_);
    range->addWidget(to_);
    range->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(note_, 1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    connect(from_on_, &QCheckBox::toggled, from_, &QWidget::setEnabled);
    connect(to_on_, &QCheckBox::toggled, to_, &QWidget::setEnabled);
    for (QCheckBox* on : {from_on_, to_on_}) connect(on, &QCheckBox::toggled, this, &CProductivityDlg::measure);
    for (QDateEdit* day : {from_, to_}) connect(day, &QDateEdit::dateChanged, this, &CProductivityDlg::measure);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    measure();
}

void CProductivityDlg::measure() {
    oc::productivity_table figures;
    oc::failure problem;
    {
        wait_cursor busy;
        problem = oc::measure_productivity(study_base_, day_text(*from_on_, *from_), day_text(*to_on_, *to_), figures);
    }
    table_->setSortingEnabled(false);
    table_->clear();
    if (problem) {
        note_->setText(from_native_bytes(problem.text()));
        return;
    }
    for (const auto& [key, f] : figures) {
        auto* row = new QTreeWidgetItem(table_);
        row->setText(0, from_native_bytes(key.first));
        row->setText(1, QString::fromStdString(key.second));
        const QVariant numbers[] = {qlonglong(f.records_coded), qlonglong(f.decisions), f.active_seconds / 60.0,
                                    f.records_per_hour(), qlonglong(f.recoded)};
        for (int c = 0; c < 5; ++c) {
            // Numbers as data, so that a column sorts by value; one decimal shown.
            row->setData(c + 2, Qt::DisplayRole,
                         numbers[c].typeId() == QMetaType::Double ? QVariant(std::round(numbers[c].toDouble() * 10) / 10)
                                                                    : numbers[c]);
            row->setTextAlignment(c + 2, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    table_->setSortingEnabled(true);
    note_->setText(figures.empty() ? QStringLiteral("No coding is recorded in the study's journal for these days.")
                                   : QStringLiteral("Gaps of over 5 minutes between a user's changes are not counted "
                                                    "as active time; one apply to many records is one decision."));
}

}  // namespace oc_ui
