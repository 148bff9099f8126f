#include "result_forms.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "protocol.h"
#include "record_format.h"
#include "window_memory.h"

namespace administrator {

WrongAnswersWindow::WrongAnswersWindow(const tables::RezTest& r, std::function<bool()> details, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Неверные ответы"));
  auto* l = new QVBoxLayout(this);
  auto* test = new QLabel(ui::fromRecord(r.NAMETEMA.view()), this);
  test->setObjectName(QStringLiteral("test"));
  test->setWordWrap(true);
  test->setStyleSheet(QStringLiteral("font-weight: bold;"));
  l->addWidget(test);
  l->addWidget(new QLabel(QStringLiteral("Неверные ответы даны на задания (по коду):"), this));
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  // Up to 800 characters: 200 frame codes.
  text_->setPlainText(QString::fromStdString(common::wrongCodes(r, 512).substr(0, 800)));
  l->addWidget(text_, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  details_ = new QPushButton(QStringLiteral("Подробно..."), this);
  details_->setToolTip(QStringLiteral("Просмотр ответов в программе Экзаменатор"));
  row->addWidget(details_);
  row->addWidget(close);
  l->addLayout(row);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(details_, &QPushButton::clicked, this, [this, details = std::move(details)] {
    if (details && details()) accept();
  });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(460, 260); });
}

QString WrongAnswersWindow::listText() const { return text_->toPlainText(); }

ResultForm::ResultForm(store::Table& t, tables::RezTest& rec, std::function<bool(store::Position)> removeWhole, QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kProcedure), QStringLiteral("Редактирование файла RezTest"),
                 QStringLiteral("Редактирование файла RezTest"), parent),
      removeWhole_(std::move(removeWhole)) {
  const auto& def = tables::rezTestDef();
  auto f = [&](const char* name, const char* label, ui::Format fmt = {}, bool readOnly = false) {
    addField(ui::FormField(def.fieldIndex(name), QString::fromUtf8(label), fmt, ui::FormField::Line, readOnly));
  };
  f("CODEREZ", "Код", ui::Format::integer(), true);
  f("FIO", "Фамилия И.О.");
  f("GR", "Группа");
  f("ID", "Идентификатор");
  f("BOOK", "Зачётная книжка");
  f("FAKET", "Факультет");
  f("KURS", "Курс");
  f("NAMETEMA", "Тест", {}, true);
  f("PREDMET", "Дисциплина");
  f("OTDEL", "Кафедра");
  f("WRITER", "Автор");
  f("DATE", "Дата", ui::Format::date(), true);
  f("TIMEBEG", "Старт", ui::Format::time(), true);
  f("TIMEEND", "Финиш", ui::Format::time(), true);
  f("KOLVOP", "Заданий", ui::Format::integer(), true);
  f("KOLVOPOT", "Отвечено", ui::Format::integer(), true);
  f("KOLTROT", "Верно", ui::Format::integer(), true);
  f("REZBAL", "Баллы", ui::Format::integer(), true);
  f("OTMETKA", "Оценка", ui::Format::integer(), true);
  f("REZTEXT", "Результат", {}, true);
}

bool ResultForm::mayRun(ui::Request r) {
  if (r == ui::Insert) return false;
  if (r != ui::Delete) return true;
  // The journal deletes the result with its detail and renumbers; the
  // form's own deletion of the one record is not used.
  if (message(32) == messages::Yes && removeWhole_) removeWhole_(position());
  return false;
}

DetailForm::DetailForm(store::Table& t, tables::RezDtl& rec, QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kProcedure), QStringLiteral("Редактирование файла RezDtl"),
                 QStringLiteral("Редактирование файла RezDtl"), parent) {
  const auto& def = tables::rezDtlDef();
  addField(ui::FormField(def.fieldIndex("CODEREZ"), QStringLiteral("Код результата"), ui::Format::integer(), ui::FormField::Line, true));
  addField(ui::FormField(def.fieldIndex("HOWOT"), QStringLiteral("Ответы"), {}, ui::FormField::Multi));
  addField(ui::FormField(def.fieldIndex("HOWTXT"), QStringLiteral("Тексты ответов"), {}, ui::FormField::Multi));
}

}  // namespace administrator
