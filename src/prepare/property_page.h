// A page of a property sheet: validated when the user leaves it.
#pragma once

#include <QWidget>

namespace oc_ui {

class property_page : public QWidget {
    Q_OBJECT
public:
    explicit property_page(const QString& title, QWidget* parent = nullptr);
    ~property_page() override;
    const QString& title() const { return title_; }
    // Called when the page is about to be left (another tab, or OK); false
    // keeps it current. Pages store their values here.
    virtual bool OnKillActive() { return true; }

private:
    QString title_;
};

}  // namespace oc_ui
