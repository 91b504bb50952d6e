// The property sheet of the examine and prepare commands: pages on tabs,
// each validated as it is left; OK validates the current page first. No
// Apply button.
#pragma once

#include <QDialog>
#include <QVector>

class QTabWidget;

namespace oc_ui {

class property_page;
class CQCodeFilterPage;

class CExaminePropSheet : public QDialog {
    Q_OBJECT
public:
    explicit CExaminePropSheet(const QString& caption, QWidget* parent = nullptr);
    // Pages are not owned: the command keeps them across showings.
    void AddPage(property_page* page);
    int active_page() const;
    void SetActivePage(int index);

    ~CExaminePropSheet() override;

    void accept() override;

private:
    void page_changed(int index);

    QTabWidget* tabs_ = nullptr;
    QVector<property_page*> pages_;
    int current_ = 0;
    bool switching_ = false;
};

}  // namespace oc_ui
