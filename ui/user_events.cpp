#include "user_events.h"

#include <QCoreApplication>

namespace ui {

QEvent::Type UserEvent::type() {
  static const QEvent::Type t = static_cast<QEvent::Type>(QEvent::registerEventType());
  return t;
}

bool post(QObject* target, int number) {
  if (number < 1024 || !target) return false;
  QCoreApplication::postEvent(target, new UserEvent(number));
  return true;
}

}  // namespace ui
