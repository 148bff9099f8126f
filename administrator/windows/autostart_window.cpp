#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openAutostart() { return nullptr; }

}  // namespace administrator
