#include "frame_fields_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "cp1251.h"
#include "frame_rules.h"
#include "message_service.h"
#include "record_format.h"
#include "window_memory.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }

// The widths of the fields the boxes fill.
constexpr std::size_t kQuestion = 5000;  // VOP:VOPROS
constexpr std::size_t kVariant = 512;    // VOP:VAROT11 ... VOP:VAROT19
constexpr std::size_t kComment = 300;    // TRA:COMMOT

QString variantLabel(int i) { return QStringLiteral("Ответ%1").arg(i); }
QString commentLabel(int i) { return QStringLiteral("Комментарий к ответу %1").arg(i); }

// Record texts compare without their trailing blanks, as the boxes show them.
bool same(std::string_view a, std::string_view b) { return cp1251::clip(a) == cp1251::clip(b); }

QPlainTextEdit* box(QWidget* page, QVBoxLayout* l, const QString& label, const QString& text, int stretch) {
  l->addWidget(new QLabel(label, page));
  auto* e = new QPlainTextEdit(text, page);
  l->addWidget(e, stretch);
  return e;
}

}  // namespace

FrameFieldsWindow::FrameFieldsWindow(tables::Vop& v, tables::Training& help,
                                     std::function<bool(tables::Vop&, tables::Training&)> write, QWidget* parent)
    : QDialog(parent), v_(v), help_(help), write_(std::move(write)), withVariants_(v.TYPEKADR >= 1 && v.TYPEKADR <= 4) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Редактор полей"));
  auto* outer = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  auto* qp = new QWidget(pages_);
  auto* ql = new QVBoxLayout(qp);
  question_ = box(qp, ql, QStringLiteral("Описание вопроса. Мах. - 5000 символов."), ui::fromRecord(v.VOPROS.text), 1);
  pages_->addTab(qp, QStringLiteral("Вопрос (задание)"));
  for (int i = 1; i <= 9; ++i) {
    auto* page = new QWidget(pages_);
    auto* l = new QVBoxLayout(page);
    variants_[static_cast<std::size_t>(i - 1)] =
        box(page, l, QStringLiteral("Вариант ответа. Мах. - 512 символов."), ui::fromRecord(v.varot1(i).view()), 3);
    auto* c = box(page, l, QStringLiteral("Комментарий (отклик на неверный ответ). Мах. - 256 символов."),
                  ui::fromRecord(help.COMMOT[static_cast<std::size_t>(i - 1)].view()), 2);
    c->setToolTip(QStringLiteral("Тестируемый увидит его, выбрав этот вариант"));
    comments_[static_cast<std::size_t>(i - 1)] = c;
    pages_->addTab(page, variantLabel(i));
    pages_->setTabVisible(i, withVariants_);
  }
  outer->addWidget(pages_, 1);

  auto* row = new QHBoxLayout;
  save_ = new QPushButton(QStringLiteral("Записать кадр"), this);
  close_ = new QPushButton(QStringLiteral("Закрыть"), this);
  close_->setToolTip(QStringLiteral("Закрыть без записи"));
  row->addStretch(1);
  row->addWidget(save_);
  row->addWidget(close_);
  for (auto* b : {save_, close_}) b->setAutoDefault(false);
  outer->addLayout(row);
  connect(save_, &QPushButton::clicked, this, [this] { save(); });
  connect(close_, &QPushButton::clicked, this, &FrameFieldsWindow::reject);
  resize(760, 520);  // the ten page tabs in one row
  question_->setFocus();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QPushButton* FrameFieldsWindow::button(const QString& text) const {
  for (auto* b : {save_, close_})
    if (b->text() == text) return b;
  return nullptr;
}

void FrameFieldsWindow::fill(tables::Vop& v, tables::Training& h) const {
  v.VOPROS = ui::toRecord(question_->toPlainText());
  if (!withVariants_) return;  // the variants of other kinds are not edited here and stay as they are
  for (int i = 1; i <= 9; ++i) {
    v.varot1(i) = ui::toRecord(variant(i)->toPlainText());
    h.COMMOT[static_cast<std::size_t>(i - 1)] = ui::toRecord(comment(i)->toPlainText());
  }
}

bool FrameFieldsWindow::changed() const {
  tables::Vop v = v_;
  tables::Training h = help_;
  fill(v, h);
  if (!same(v.VOPROS.text, v_.VOPROS.text)) return true;
  for (int i = 1; i <= 9; ++i) {
    const auto k = static_cast<std::size_t>(i - 1);
    if (!same(v.varot1(i).view(), v_.varot1(i).view()) || !same(h.COMMOT[k].view(), help_.COMMOT[k].view())) return true;
  }
  return false;
}

bool FrameFieldsWindow::fits() {
  std::vector<std::string> problems;
  QWidget* first = nullptr;
  int firstPage = 0;
  auto check = [&](QPlainTextEdit* e, const QString& label, std::size_t most, int page) {
    const QString text = e->toPlainText();
    std::string why = common::unfitMessage(label.toStdString(), text.toStdString());
    if (why.empty() && ui::toRecord(text).size() > most)
      why = label.toStdString() + ": длиннее " + std::to_string(most) + " знаков.";
    if (why.empty()) return;
    problems.push_back(why);
    if (!first) {
      first = e;
      firstPage = page;
    }
  };
  check(question_, QStringLiteral("Вопрос (задание)"), kQuestion, 0);
  if (withVariants_)
    for (int i = 1; i <= 9; ++i) {
      check(variant(i), variantLabel(i), kVariant, i);
      check(comment(i), commentLabel(i), kComment, i);
    }
  if (problems.empty()) return true;
  std::string text;
  for (const auto& p : problems) text += (text.empty() ? "" : "\n") + p;
  ms().ask(QString::fromStdString(text), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
  pages_->setCurrentIndex(firstPage);
  first->setFocus();
  return false;
}

bool FrameFieldsWindow::save() {
  if (!fits()) return false;
  if (changed()) {
    tables::Vop v = v_;
    tables::Training h = help_;
    fill(v, h);
    h.CODEVOP = v.CODEVOP;
    if (!write_(v, h)) return false;  // the writer has said why
    v_ = v;
    help_ = h;
  }
  QDialog::accept();
  return true;
}

void FrameFieldsWindow::reject() {
  if (changed() && ms().show(messages::standard(23, {})) != messages::Yes) return;
  QDialog::reject();
}

}  // namespace constructor
