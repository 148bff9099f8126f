#include "message_service.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace ui {

MessageService& MessageService::instance() {
  static MessageService s;
  return s;
}

void MessageService::script(std::vector<int> answers) {
  scripted_ = true;
  answers_ = std::move(answers);
  whileOpen_ = nullptr;
}

void MessageService::stopScript() {
  scripted_ = false;
  answers_.clear();
  whileOpen_ = nullptr;
}

namespace {

QMessageBox::StandardButtons buttonsOf(messages::Buttons b) {
  switch (b) {
    case messages::Buttons::Ok: return QMessageBox::Ok;
    case messages::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case messages::Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case messages::Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case messages::Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton toQt(int b) {
  switch (b) {
    case messages::Yes: return QMessageBox::Yes;
    case messages::No: return QMessageBox::No;
    case messages::Cancel: return QMessageBox::Cancel;
    case messages::Retry: return QMessageBox::Retry;
    default: return QMessageBox::Ok;
  }
}

int fromQt(int b) {
  switch (b) {
    case QMessageBox::Yes: return messages::Yes;
    case QMessageBox::No: return messages::No;
    case QMessageBox::Cancel: return messages::Cancel;
    case QMessageBox::Retry: return messages::Retry;
    case QMessageBox::Ok: return messages::Ok;
    default: return messages::Cancel;  // closed with Esc
  }
}

QMessageBox::Icon iconOf(messages::Icon i) {
  switch (i) {
    case messages::Icon::Information: return QMessageBox::Information;
    case messages::Icon::Question: return QMessageBox::Question;
    case messages::Icon::Exclamation: return QMessageBox::Warning;
    case messages::Icon::Stop: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

int MessageService::scriptedAnswer(const messages::Message& m) {
  if (whileOpen_) {
    auto f = whileOpen_;  // the hook may show boxes of its own
    f(m);
  }
  if (!answers_.empty()) {
    int a = answers_.front();
    answers_.erase(answers_.begin());
    return a;
  }
  return m.defaultButton;
}

int MessageService::show(const messages::Message& m) {
  shown_.push_back(m);
  if (scripted_) return scriptedAnswer(m);
  QApplication::restoreOverrideCursor();
  QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
  QMessageBox box(iconOf(m.icon), QString::fromStdString(m.caption),
                  QString::fromStdString(m.text).replace(QLatin1Char('|'), QLatin1Char('\n')), buttonsOf(m.buttons), parent);
  box.setDefaultButton(toQt(m.defaultButton));
  return fromQt(box.exec());
}

int MessageService::ask(const QString& text, const QString& caption, messages::Buttons buttons, messages::Icon icon,
                        int defaultButton) {
  messages::Message m;
  m.text = text.toStdString();
  m.caption = caption.toStdString();
  m.buttons = buttons;
  m.icon = icon;
  m.defaultButton = defaultButton ? defaultButton
                                  : (buttons == messages::Buttons::Ok || buttons == messages::Buttons::OkCancel
                                         ? messages::Ok
                                         : buttons == messages::Buttons::RetryCancel ? messages::Retry : messages::Yes);
  return show(m);
}

int MessageService::choose(const QString& text, const QString& caption, const QStringList& buttons, messages::Icon icon,
                           int defaultIndex, int escape) {
  messages::Message m;
  m.text = text.toStdString();
  m.caption = caption.toStdString();
  m.icon = icon;
  m.defaultButton = defaultIndex;
  shown_.push_back(m);
  lastButtons_ = buttons;
  if (scripted_) return scriptedAnswer(m);
  QApplication::restoreOverrideCursor();
  QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
  QMessageBox box(iconOf(icon), caption, QString(text).replace(QLatin1Char('|'), QLatin1Char('\n')), QMessageBox::NoButton,
                  parent);
  // One role for all: the box keeps them in the order they were added.
  std::vector<QPushButton*> made;
  for (const QString& b : buttons) made.push_back(box.addButton(b, QMessageBox::ActionRole));
  if (defaultIndex >= 0 && defaultIndex < static_cast<int>(made.size())) box.setDefaultButton(made[static_cast<std::size_t>(defaultIndex)]);
  if (escape >= 0 && escape < static_cast<int>(made.size())) box.setEscapeButton(made[static_cast<std::size_t>(escape)]);
  box.exec();
  for (std::size_t i = 0; i < made.size(); ++i)
    if (box.clickedButton() == made[i]) return static_cast<int>(i);
  return escape;
}

void MessageService::waitCursor(bool on) {
  if (scripted_ || !qApp) return;
  if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

void MessageService::rebuildWindow(bool on, const std::string&) {
  if (!qApp) return;
  if (on) {
    if (!rebuild_) {
      rebuild_ = new QWidget(nullptr, Qt::Dialog | Qt::WindowTitleHint);
      rebuild_->setWindowTitle(QStringLiteral("Ждите..."));
      auto* l = new QVBoxLayout(rebuild_);
      auto* t = new QLabel(QStringLiteral("Идет переиндексация файла"), rebuild_);
      t->setAlignment(Qt::AlignCenter);
      l->addWidget(t);
      rebuild_->resize(280, 90);
    }
    if (!scripted_) {
      rebuild_->show();
      QApplication::processEvents();
    }
  } else if (rebuild_) {
    rebuild_->hide();
  }
}

void MessageService::endProgram(const std::string& finalMessage) {
  ended_ = true;
  final_ = finalMessage;
  if (!finalMessage.empty()) ask(QString::fromStdString(finalMessage), QStringLiteral("Ормида"), messages::Buttons::Ok, messages::Icon::Stop);
  if (shutdown_) shutdown_(finalMessage);
  else if (qApp) QCoreApplication::exit(1);
}

}  // namespace ui
