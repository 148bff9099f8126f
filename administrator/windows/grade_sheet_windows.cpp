#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openClassJournal() { return nullptr; }
QWidget* AdministratorApp::openGradeSheet() { return nullptr; }

}  // namespace administrator
