#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openItemAnalysis() { return nullptr; }

}  // namespace administrator
