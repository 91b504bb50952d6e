// The property sheet of the examine and prepare commands: one tab per page,
// OK and Cancel (no Apply). A page is validated (OnKillActive) when the user
// leaves it by its tab or by OK; a page that refuses stays current.
//
// Usage: build the pages first (they belong to the command and outlive the
// sheet), AddPage them in order, run the sheet with oc_ui::run_modal and
// read the pages' values after QDialog::Accepted.
//
// In a sheet of exactly three pages whose first page is a CQCodeFilterPage
// (the prepare command), the second page cannot be reached by its tab until
// a question has a coding action: the sheet beeps and shows the first page.
#pragma once

#include <QDialog>
#include <QVector>

class QTabWidget;

namespace oc_ui {

class property_page;

class CExaminePropSheet : public QDialog {
    Q_OBJECT
public:
    // `caption`: string 700 for examine, 716 for prepare. Page 0 starts.
    explicit CExaminePropSheet(const QString& caption, QWidget* parent = nullptr);
    // Hands the pages back to the command (they are not deleted).
    ~CExaminePropSheet() override;

    // Adds `page` (not owned) as the next tab.
    void AddPage(property_page* page);
    int GetPageCount() const { return int(pages_.size()); }
    int GetActiveIndex() const { return current_; }
    // Makes page `index` current without validating the page it replaces.
    void SetActivePage(int index);

    // OK: validates the current page first; stays open when it refuses.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tab_changed(int index);
    void show_page(int index);
    bool respondents_page_blocked() const;

    QTabWidget* tabs_ = nullptr;
    QVector<property_page*> pages_;
    QVector<bool> initialised_;
    int current_ = 0;
    bool switching_ = false;
};

}  // namespace oc_ui
