#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openTestLibrary() { return nullptr; }
void AdministratorApp::databaseReport() {}

}  // namespace administrator
