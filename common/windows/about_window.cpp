#include "about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>


namespace common {

AboutWindow::AboutWindow(const QString& program, const QString& purpose, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("About"));
  setWindowTitle(QStringLiteral("О программе"));
  auto* outer = new QVBoxLayout(this);
  auto* head = new QLabel(QStringLiteral("<h2>Ормида 3.0</h2><p><b>%1</b></p>").arg(program.toHtmlEscaped()), this);
  outer->addWidget(head);
  auto* text = new QLabel(purpose.toHtmlEscaped() +
                              QStringLiteral("<p>Система компьютерного тестирования знаний: Экзаменатор, Конструктор тестов "
                                             "и Администратор с общей базой данных.</p>"),
                          this);
  text->setWordWrap(true);
  outer->addWidget(text);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  outer->addWidget(box);
  setMinimumWidth(380);
}

}  // namespace common
