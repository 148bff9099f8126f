#pragma once
// The one message service of a program: every message a user sees goes
// through it. Tests give it scripted answers, so no dialog is shown.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "messages.h"

class QWidget;

namespace ui {

class MessageService : public messages::Interaction {
 public:
  static MessageService& instance();

  // Shows a message box (or answers from the script) and returns the button.
  int show(const messages::Message& m) override;
  // A message that is not one of the standard ones.
  int ask(const QString& text, const QString& caption, messages::Buttons buttons = messages::Buttons::Ok,
          messages::Icon icon = messages::Icon::Information, int defaultButton = 0);
  // A question with buttons of its own: their texts left to right in the
  // order given; returns the index of the one pressed (`escape` for Esc or
  // the window's close button). Scripted answers are such indices; the
  // question is recorded in shown() and its texts in lastButtons().
  int choose(const QString& text, const QString& caption, const QStringList& buttons,
             messages::Icon icon = messages::Icon::Question, int defaultIndex = 0, int escape = -1);
  const QStringList& lastButtons() const { return lastButtons_; }
  void waitCursor(bool on) override;
  void rebuildWindow(bool on, const std::string& table) override;
  // Shows the final message and ends the program through the shutdown handler.
  void endProgram(const std::string& finalMessage) override;

  // The parent of message boxes (the active window when none is set).
  void setParent(QWidget* w) { parent_ = w; }
  // What ends the program; by default the application's event loop ends with code 1.
  void setShutdownHandler(std::function<void(const std::string&)> h) { shutdown_ = std::move(h); }

  // Scripted answers for tests: taken in order, then the default button
  // (a new script drops the hook below).
  void script(std::vector<int> answers);
  void stopScript();
  // Called while a scripted box is "open", where a real box would run its
  // nested event loop: tests fire timers and posted events from here.
  void whileScriptedBoxOpen(std::function<void(const messages::Message&)> f) { whileOpen_ = std::move(f); }
  bool scripted() const { return scripted_; }
  const std::vector<messages::Message>& shown() const { return shown_; }
  void clearShown() { shown_.clear(); }
  bool ended() const { return ended_; }
  std::string finalMessage() const { return final_; }

 private:
  MessageService() = default;
  int scriptedAnswer(const messages::Message& m);
  QWidget* parent_ = nullptr;
  QWidget* rebuild_ = nullptr;
  bool scripted_ = false;
  std::vector<int> answers_;
  std::vector<messages::Message> shown_;
  QStringList lastButtons_;
  std::function<void(const std::string&)> shutdown_;
  std::function<void(const messages::Message&)> whileOpen_;
  bool ended_ = false;
  std::string final_;
};

}  // namespace ui
