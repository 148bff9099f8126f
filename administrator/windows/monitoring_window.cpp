#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openMonitoring() { return nullptr; }

}  // namespace administrator
