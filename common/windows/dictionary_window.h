#pragma once
// The five dictionary windows: the standard browse and update form over the
// faculties, departments, courses, disciplines and authors. The
// Administrator keeps them up to date; the Constructor picks names from them
// into a test's scenario. Each window opens its own table handle through the
// opening procedure and closes it when it closes; deleting an entry others
// refer to is refused with the reason.
#include <QString>
#include <optional>

#include "dictionaries.h"
#include "installation.h"

class QWidget;

namespace common {

// For upkeep: a non-modal window that deletes itself when closed; nullptr
// when the table could not be opened (the opening procedure has said why).
QWidget* openDictionary(Dictionary d, const setup::Installation& inst, QWidget* parent);

// Choosing mode (modal): the chosen record's name (UTF-8, trailing blanks
// removed) and code, or nothing when closed without choosing.
struct Chosen {
  int code = 0;
  QString name;
};
std::optional<Chosen> chooseFromDictionary(Dictionary d, const setup::Installation& inst, QWidget* parent);

// The procedure names of a dictionary's browse and form: their help pages
// and remembered places.
QString browseProcedure(Dictionary d);
QString formProcedure(Dictionary d);

}  // namespace common
