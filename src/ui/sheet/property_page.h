// One page of a property sheet (CExaminePropSheet). The sheet calls
// OnInitDialog the first time the page becomes current in that sheet (a new
// sheet initialises its pages again) and OnKillActive whenever the page is
// about to be left, by another tab or by OK; Cancel leaves without it.
#pragma once

#include <QWidget>

namespace oc_ui {

class property_page : public QWidget {
    Q_OBJECT
public:
    explicit property_page(const QString& title, QWidget* parent = nullptr);
    ~property_page() override;

    // The text of the page's tab.
    const QString& title() const { return title_; }

    // Loads the page's controls from its values; the default does nothing.
    virtual void OnInitDialog() {}

    // Validates and stores what the page shows. False keeps the page
    // current: the page has already beeped or said why and put the focus
    // where the fault is.
    virtual bool OnKillActive() { return true; }

private:
    QString title_;
};

}  // namespace oc_ui
