#include <QWidget>

#include "administrator_app.h"

namespace administrator {

// Not built yet.
QWidget* AdministratorApp::openJournal() { return nullptr; }
QWidget* AdministratorApp::openJournalList() { return nullptr; }
void AdministratorApp::exportResults() {}

}  // namespace administrator
