#include "update_form.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "message_service.h"
#include "window_memory.h"

namespace ui {

UpdateForm::UpdateForm(store::Table& table, void* buffer, QString procedure, QString insertCaption,
                       QString changeCaption, QWidget* parent)
    : QDialog(parent),
      table_(table),
      buf_(buffer),
      copy_(table.def().makeBuffer()),
      procedure_(std::move(procedure)),
      insertCaption_(std::move(insertCaption)),
      changeCaption_(std::move(changeCaption)) {
  setObjectName(procedure_);
  auto* outer = new QVBoxLayout(this);
  form_ = new QFormLayout;
  form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form_->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  outer->addLayout(form_);
  saveAndAdd_ = new QCheckBox(QStringLiteral("Сохранить запись и добавить другую"), this);
  saveAndAdd_->hide();
  outer->addWidget(saveAndAdd_);
  auto* box = new QDialogButtonBox(this);
  box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  box->addButton(QStringLiteral("О&тменить"), QDialogButtonBox::RejectRole);
  connect(box, &QDialogButtonBox::accepted, this, &UpdateForm::accept);
  connect(box, &QDialogButtonBox::rejected, this, &UpdateForm::reject);
  outer->addWidget(box);
}

UpdateForm::~UpdateForm() = default;

void UpdateForm::addField(const FormField& f) {
  QWidget* w = nullptr;
  const auto& fd = table_.def().fields[static_cast<std::size_t>(f.field)];
  if (f.editor == FormField::Check) {
    w = new QCheckBox(this);
  } else if (f.editor == FormField::Multi) {
    auto* e = new QPlainTextEdit(this);
    e->setReadOnly(f.readOnly);
    e->setMinimumHeight(90);
    w = e;
  } else {
    auto* e = new QLineEdit(this);
    e->setReadOnly(f.readOnly);
    if (fd.type == store::FieldType::String) e->setMaxLength(fd.width);
    int chars = fd.type == store::FieldType::String ? std::min(fd.width, 60) : 12;
    e->setMinimumWidth(e->fontMetrics().averageCharWidth() * (chars + 2));
    if (fd.type != store::FieldType::String) e->setAlignment(Qt::AlignRight);
    w = e;
  }
  w->setObjectName(QString::fromStdString(fd.name));
  form_->addRow(f.label, w);
  bound_.push_back({f, w});
}

QWidget* UpdateForm::editorOf(int field) const {
  for (const auto& b : bound_)
    if (b.f.field == field) return b.w;
  return nullptr;
}

void UpdateForm::offerSaveAndAdd(bool on) { saveAndAdd_->setVisible(on); }

void UpdateForm::loadControls() {
  const auto& def = table_.def();
  for (auto& b : bound_) {
    if (auto* c = qobject_cast<QCheckBox*>(b.w)) c->setChecked(fieldNumber(def, buf_, b.f.field, b.f.element) != 0);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(b.w)) m->setPlainText(fieldText(def, buf_, b.f.field, b.f.format, b.f.element));
    else if (auto* e = qobject_cast<QLineEdit*>(b.w)) e->setText(fieldText(def, buf_, b.f.field, b.f.format, b.f.element));
  }
}

bool UpdateForm::saveControls() {
  const auto& def = table_.def();
  for (auto& b : bound_) {
    if (b.f.readOnly) continue;
    bool ok = true;
    if (auto* c = qobject_cast<QCheckBox*>(b.w)) setFieldNumber(def, buf_, b.f.field, c->isChecked() ? 1 : 0, b.f.element);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(b.w)) ok = setFieldText(def, buf_, b.f.field, m->toPlainText(), b.f.format, b.f.element);
    else if (auto* e = qobject_cast<QLineEdit*>(b.w)) ok = setFieldText(def, buf_, b.f.field, e->text(), b.f.format, b.f.element);
    if (!ok) {
      MessageService::instance().ask(QStringLiteral("Недопустимое значение поля \"%1\".").arg(b.f.label),
                                     QStringLiteral("Ошибка ввода"), messages::Buttons::Ok, messages::Icon::Exclamation);
      b.w->setFocus();
      return false;
    }
  }
  return true;
}

int UpdateForm::message(int number, const store::ErrorInfo* e, const QString& extra) {
  messages::Args a;
  if (e) a = messages::argsOf(*e);
  a.name = table_.name();
  a.extra = extra.toStdString();
  messages::Procedure proc(MessageService::instance());
  return proc.show(number, a, e);
}

bool UpdateForm::autonumber() {
  const auto& def = table_.def();
  int pk = -1;
  for (std::size_t i = 0; i < def.keys.size(); ++i)
    if (def.keys[i].primary) pk = static_cast<int>(i);
  for (;;) {
    store::ErrorInfo last;
    for (int attempt = 0; attempt < 3; ++attempt) {
      long long code = 0;
      if (pk >= 0) {
        const int field = def.keys[static_cast<std::size_t>(pk)].field;
        // The last record in the primary key gives the code; the buffer keeps the form's values.
        auto keep = def.makeBuffer();
        def.copyBuffer(keep.get(), buf_);
        table_.set(pk);
        int rc = def.keys[static_cast<std::size_t>(pk)].descending ? table_.next() : table_.previous();
        if (rc == store::Ok) code = fieldNumber(def, buf_, field);
        store::ErrorInfo readErr = table_.error();
        def.copyBuffer(buf_, keep.get());
        if (rc != store::Ok && rc != store::NoRecord) {
          message(35, &readErr);
          return false;
        }
        code = rc == store::NoRecord ? 1 : code + 1;
        setFieldNumber(def, buf_, field, code);
      }
      beforeAutonumberedAdd(code);
      if (table_.add() == store::Ok) {
        pos_ = table_.position();
        return true;
      }
      last = table_.error();
    }
    if (message(25, &last) != messages::Retry) return false;
  }
}

bool UpdateForm::primeInsert() {
  table_.def().copyBuffer(copy_.get(), buf_);
  return autonumber();
}

bool UpdateForm::doDelete() {
  if (message(32) != messages::Yes) return false;
  for (;;) {
    int rc = table_.reget(pos_);
    if (rc == store::Ok) rc = table_.del();
    if (rc == store::Ok) return true;
    store::ErrorInfo e = table_.error();
    message(17, &e);
    if (message(18) != messages::Yes) return false;
  }
}

bool UpdateForm::run(Request r, store::Position pos) {
  request_ = r;
  pos_ = pos;
  completed_ = false;
  if (!mayRun(r)) return false;
  if (r == Delete) return doDelete();
  if (r == Insert) {
    if (!primeInsert()) return false;
    setWindowTitle(insertCaption_);
  } else {
    table_.watch();
    if (table_.reget(pos_) != store::Ok) {
      store::ErrorInfo e = table_.error();
      message(35, &e);
      return false;
    }
    table_.def().copyBuffer(copy_.get(), buf_);
    setWindowTitle(changeCaption_);
  }
  loadControls();
  exec();
  return completed_;
}

void UpdateForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!placed_) {
    placed_ = true;
    setMinimumSize(size());
    restoreWindow(this, procedure_);
  }
}

bool UpdateForm::completeInsert() {
  if (!saveControls()) return false;
  // Make the added record current again without losing the form's values.
  const auto& def = table_.def();
  auto keep = def.makeBuffer();
  def.copyBuffer(keep.get(), buf_);
  int rc = table_.reget(pos_);
  def.copyBuffer(buf_, keep.get());
  if (rc == store::Ok) rc = table_.put();
  if (rc == store::Ok) return true;
  store::ErrorInfo e = table_.error();
  message(rc == store::DuplicateKey ? 24 : 14, &e);
  return false;
}

bool UpdateForm::completeChange() {
  if (table_.def().sameValues(buf_, copy_.get())) return true;  // nothing changed: nothing written
  for (;;) {
    int rc = table_.put();
    if (rc == store::Ok) return true;
    store::ErrorInfo e = table_.error();
    if (rc == store::ChangedByOther) {
      message(38, &e);
      // Show the other station's values and watch them.
      table_.watch();
      table_.reget(pos_);
      table_.def().copyBuffer(copy_.get(), buf_);
      loadControls();
      return false;
    }
    if (rc == store::DuplicateKey) {
      message(24, &e);
      // Stay with the typed values; the record is watched again from now.
      auto keep = table_.def().makeBuffer();
      table_.def().copyBuffer(keep.get(), buf_);
      table_.watch();
      table_.reget(pos_);
      table_.def().copyBuffer(buf_, keep.get());
      return false;
    }
    message(15, &e);
    int a = message(16);
    if (a == messages::Yes) continue;
    if (a == messages::No) {
      completed_ = false;
      QDialog::reject();
    }
    return false;
  }
}

void UpdateForm::accept() {
  if (request_ == Insert) {
    if (!completeInsert()) return;
    completed_ = true;
    if (saveAndAdd_->isVisible() && saveAndAdd_->isChecked()) {
      // The next record starts from the values just saved, with a new code.
      if (primeInsert()) {
        loadControls();
        return;
      }
      saveWindow(this, procedure_);
      QDialog::accept();
      return;
    }
  } else {
    if (!saveControls()) return;
    if (!completeChange()) return;
    completed_ = true;
  }
  saveWindow(this, procedure_);
  QDialog::accept();
}

bool UpdateForm::undoInsert() {
  for (;;) {
    int rc = table_.getAt(pos_);
    if (rc == store::Ok) rc = table_.del();
    if (rc == store::Ok || rc == store::NoRecord) return true;
    if (message(18) != messages::Yes) return false;
  }
}

void UpdateForm::reject() {
  // A cancelled insert leaves no trace: the record added on opening goes.
  if (request_ == Insert) undoInsert();
  saveWindow(this, procedure_);
  QDialog::reject();
}

}  // namespace ui
