#pragma once
// Documents that come with a frame or with its help material: pictures and
// plain text are shown in a window of our own; any other type opens in the
// desktop's application for it, from a copy kept in a folder private to this
// program run; the student is told when nothing on this computer shows it.
#include <QList>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace common {

// What a document is called on the screen: its own name, or, for a
// document stored without one, its type ("Документ PDF").
QString documentLabel(const std::vector<std::uint8_t>& bytes, const QString& name);

class DocumentOpener {
 public:
  DocumentOpener();
  // The desktop's "open this file"; tests give their own.
  std::function<bool(const QString& path)> desktopOpen;
  // Shows or opens the document; false (after a message) when it cannot.
  // `inApplication`: always in the desktop's application (to be changed there).
  bool open(QWidget* owner, const std::vector<std::uint8_t>& bytes, const QString& name, bool inApplication = false);
  // The copy written for the desktop's application, and the viewer of ours.
  const QString& lastCopy() const { return lastCopy_; }
  QWidget* lastViewer() const { return viewers_.isEmpty() ? nullptr : viewers_.back().data(); }
  // Closes every viewer still open (the test ended).
  void closeViewers();

 private:
  QString lastCopy_;
  QList<QPointer<QWidget>> viewers_;  // a viewer closed by the student is gone
};

}  // namespace common
