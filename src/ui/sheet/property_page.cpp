#include "ui/sheet/property_page.h"

namespace oc_ui {

property_page::property_page(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {}

property_page::~property_page() = default;

}  // namespace oc_ui
