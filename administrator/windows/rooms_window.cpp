#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openRooms() { return nullptr; }
QWidget* AdministratorApp::openWorkstations() { return nullptr; }

}  // namespace administrator
