#pragma once
// GUI tests: acting on a dialog once its exec() has shown it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Runs `f` on the first visible top-level window of type W (that `wanted`
// accepts, when given), looking again every 10 ms (its exec() may start a
// little later), for 5 seconds at most.
template <class W>
void whenShown(std::function<void(W*)> f, std::function<bool(W*)> wanted = {}) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, f, wanted] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<W*>(w); d && d->isVisible() && (!wanted || wanted(d))) {
        timer->stop();
        timer->deleteLater();
        f(d);
        return;
      }
    if (++*tries > 500) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "the dialog was not shown";
    }
  });
  timer->start(10);
}
