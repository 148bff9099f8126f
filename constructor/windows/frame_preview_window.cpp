#include "frame_preview_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "answer_panel.h"
#include "frame_editing.h"
#include "frame_rules.h"
#include "message_service.h"
#include "record_format.h"
#include "test_font.h"
#include "window_memory.h"

namespace constructor {
namespace {
bool placed(const tables::Vop& v, int k) {
  const auto i = static_cast<std::size_t>(k - 1);
  return v.CRDNX[i] != 0 || v.CRDNY[i] != 0;
}
}  // namespace

FramePreviewWindow::FramePreviewWindow(tables::Vop& v, const tables::Tema& tema, const tables::TuneTest& tune, QWidget* parent)
    : QDialog(parent), v_(v), tema_(tema), weighted_(tema.DIFFBALL != 0) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Предварительный просмотр кадра"));
  checked_ = v;
  const auto problems = common::normaliseFrame(checked_, tema);

  auto* outer = new QVBoxLayout(this);
  auto* note = new QLabel(QStringLiteral("Редактировать тексты в полях можно и в этом окне!"), this);
  note->setStyleSheet(QStringLiteral("color: rgb(52,101,164);"));
  outer->addWidget(note);
  question_ = new QPlainTextEdit(ui::fromRecord(v.VOPROS.text), this);
  question_->setObjectName(QStringLiteral("question"));
  question_->setFont(common::testFont(tune, 0));
  {
    QPalette p = question_->palette();
    p.setColor(QPalette::Text, common::testColour(tune, 0));
    question_->setPalette(p);
  }
  question_->setMinimumHeight(140);
  question_->viewport()->installEventFilter(this);
  auto* top = new QHBoxLayout;
  top->addWidget(question_, 3);
  // The picture as the examinee sees it beside the question (layout 2 hides it).
  if (!v.BLOBVOP.empty() && v.YESIMAGE != 0 && v.YESIMAGE != 2) {
    QImage img;
    if (img.loadFromData(v.BLOBVOP.bytes.data(), static_cast<int>(v.BLOBVOP.size()))) {
      auto* pic = new QLabel(this);
      pic->setObjectName(QStringLiteral("picture"));
      const Box b = pictureBox(v.YESIMAGE, img.width(), img.height());
      QPixmap px = QPixmap::fromImage(img);
      pic->setPixmap(v.YESIMAGE == 1 ? px.scaled(b.width, b.height, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                     : px.scaled(b.width, b.height));
      pic->setAlignment(Qt::AlignCenter);
      top->addWidget(pic, 2);
    }
  }
  outer->addLayout(top, 2);
  for (int k = 1; k <= kMostFields; ++k) {
    auto* f = new QLineEdit(question_->viewport());
    f->setObjectName(QStringLiteral("field%1").arg(k));
    f->setPlaceholderText(QString::number(k));
    f->setToolTip(QStringLiteral("Поле ввода %1").arg(k));
    f->hide();
    connect(f, &QLineEdit::textEdited, this, [this] { typedInFields(); });
    fields_[static_cast<std::size_t>(k - 1)] = f;
  }

  const bool completion = v.TYPEKADR == 5 || v.TYPEKADR == 7;
  if (completion) {
    auto* g = new QGroupBox(QStringLiteral("Вводить ли пропущенные символы прямо в тексте вопроса?"), this);
    auto* gl = new QHBoxLayout(g);
    inText_ = new QRadioButton(QStringLiteral("Ввод в тексте вопроса"), g);
    keyboard_ = new QRadioButton(QStringLiteral("Ввод с клавиатуры"), g);
    (v.HOWVVODDOP ? inText_ : keyboard_)->setChecked(true);
    gl->addWidget(inText_);
    gl->addWidget(keyboard_);
    auto* add = new QPushButton(QStringLiteral("Добавить поле ввода"), g);
    gl->addWidget(add);
    gl->addWidget(new QLabel(QStringLiteral("Выбрать поле ввода:"), g));
    choose_ = new QSpinBox(g);
    choose_->setRange(1, kMostFields);
    gl->addWidget(choose_);
    auto* remove = new QPushButton(QStringLiteral("Удалить поле ввода..."), g);
    gl->addWidget(remove);
    count_ = new QLabel(g);
    gl->addWidget(count_);
    gl->addStretch(1);
    outer->addWidget(g);
    for (QPushButton* b : {add, remove}) b->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] { addField(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeField(); });
    connect(inText_, &QRadioButton::toggled, this, [this](bool on) {
      v_.HOWVVODDOP = on ? 1 : 0;
      showFields();
    });
  }

  panel_ = new common::AnswerPanel(this);
  panel_->setTune(tune);
  const int count = checked_.TYPEKADR <= 4 ? checked_.KOLOT : 0;
  panel_->setFrame(checked_, common::identityPermutation(count));
  outer->addWidget(panel_, 2);
  connect(panel_, &common::AnswerPanel::changed, this, [this] { showVerdict(); });

  problems_ = new QLabel(this);
  problems_->setWordWrap(true);
  problems_->setStyleSheet(QStringLiteral("color: rgb(170,30,30);"));
  QStringList lines;
  for (const auto& p : problems) lines << QString::fromStdString(p);
  problems_->setText(lines.isEmpty() ? QString() : QStringLiteral("Кадр ещё не готов к записи: ") + lines.join(QLatin1Char(' ')));
  problems_->setVisible(!lines.isEmpty());
  outer->addWidget(problems_);

  auto* row = new QHBoxLayout;
  verdict_ = new QLabel(this);
  verdict_->setObjectName(QStringLiteral("verdict"));
  QFont big = verdict_->font();
  big.setBold(true);
  verdict_->setFont(big);
  row->addWidget(verdict_, 1);
  auto* check = new QPushButton(QStringLiteral("Проверить ответ"), this);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  check->setAutoDefault(false);
  row->addWidget(check);
  row->addWidget(close);
  outer->addLayout(row);
  connect(check, &QPushButton::clicked, this, [this] { showVerdict(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  showFields();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(760, 640); });
}

QPushButton* FramePreviewWindow::button(const QString& text) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

int FramePreviewWindow::fieldCount() const {
  int n = 0;
  while (n < kMostFields && placed(v_, n + 1)) ++n;
  return n;
}

common::Check FramePreviewWindow::checkAnswer() { return common::check(checked_, panel_->response(), weighted_); }

void FramePreviewWindow::showVerdict() {
  if (!panel_->response().answered(checked_.TYPEKADR)) {
    verdict_->setText(QStringLiteral("Ответа ещё нет."));
    return;
  }
  const common::Check c = checkAnswer();
  verdict_->setText(c.correct ? QStringLiteral("Ответ будет засчитан как верный (%1 балл.).").arg(c.points)
                              : c.points > 0 ? QStringLiteral("Ответ засчитан частично (%1 балл.).").arg(c.points)
                                             : QStringLiteral("Ответ будет засчитан как неверный."));
  verdict_->setStyleSheet(c.correct ? QStringLiteral("color: rgb(46,125,50);") : QStringLiteral("color: rgb(170,30,30);"));
}

void FramePreviewWindow::showFields() {
  const bool shown = inText_ && inText_->isChecked();
  const int n = fieldCount();
  for (int k = 1; k <= kMostFields; ++k) {
    QLineEdit* f = fields_[static_cast<std::size_t>(k - 1)];
    const auto i = static_cast<std::size_t>(k - 1);
    const bool on = shown && k <= n;
    f->setVisible(on);
    // The stored point is where the author clicked; the field's top sits a little above it.
    if (on)
      f->setGeometry(v_.CRDNX[i], std::max(0, v_.CRDNY[i] - kFieldRise), std::max(kFieldWidth, 40),
                     std::max(kFieldHeight, f->sizeHint().height()));
  }
  if (count_) count_->setText(QStringLiteral("Полей ввода: %1").arg(n));
  if (choose_) choose_->setMaximum(std::max(1, std::min(kMostFields, n + 1)));
}

bool FramePreviewWindow::addField() {
  const int n = fieldCount();
  if (n >= kMostFields) return false;
  // Below the ones already placed, until the author places it.
  v_.CRDNX[static_cast<std::size_t>(n)] = 10;
  v_.CRDNY[static_cast<std::size_t>(n)] = static_cast<std::uint16_t>(10 + 24 * n);
  if (inText_) inText_->setChecked(true);
  showFields();
  if (choose_) choose_->setValue(n + 1);
  return true;
}

bool FramePreviewWindow::removeField() {
  const int n = fieldCount();
  const int k = choose_ ? choose_->value() : n;
  if (k < 1 || k > n) return false;
  for (int i = k; i < kMostFields; ++i) {
    v_.CRDNX[static_cast<std::size_t>(i - 1)] = v_.CRDNX[static_cast<std::size_t>(i)];
    v_.CRDNY[static_cast<std::size_t>(i - 1)] = v_.CRDNY[static_cast<std::size_t>(i)];
  }
  v_.CRDNX[kMostFields - 1] = v_.CRDNY[kMostFields - 1] = 0;
  showFields();
  typedInFields();
  return true;
}

void FramePreviewWindow::placeField(const QPoint& p) {
  if (!choose_) return;
  const int k = choose_->value();
  if (k < 1 || k > std::min(kMostFields, fieldCount() + 1)) return;
  const auto i = static_cast<std::size_t>(k - 1);
  v_.CRDNX[i] = static_cast<std::uint16_t>(std::max(0, p.x()));
  // A field at the very top left would read as "not placed".
  v_.CRDNY[i] = static_cast<std::uint16_t>(std::max(1, p.y()));
  if (inText_) inText_->setChecked(true);
  showFields();
}

void FramePreviewWindow::typedInFields() {
  // The fields are answered in order, as one typed answer of comma-separated items.
  QStringList items;
  for (int k = 1; k <= fieldCount(); ++k) items << fields_[static_cast<std::size_t>(k - 1)]->text().trimmed();
  while (!items.isEmpty() && items.last().isEmpty()) items.removeLast();
  panel_->answerText(items.join(QStringLiteral(", ")));
}

bool FramePreviewWindow::eventFilter(QObject* o, QEvent* e) {
  if (o == question_->viewport() && e->type() == QEvent::MouseButtonDblClick && choose_) {
    placeField(static_cast<QMouseEvent*>(e)->position().toPoint());
    return true;
  }
  return QDialog::eventFilter(o, e);
}

void FramePreviewWindow::done(int r) {
  const QString text = question_->toPlainText();
  const std::string unfit = common::unfitMessage("Вопрос", text.toStdString());
  if (!unfit.empty()) {
    // The question typed here goes back to the editor only whole.
    ui::MessageService::instance().ask(QString::fromStdString(unfit) + QStringLiteral("|Замените эти знаки."),
                                       QStringLiteral("Предварительный просмотр кадра"), messages::Buttons::Ok,
                                       messages::Icon::Exclamation);
    return;
  }
  v_.VOPROS = ui::toRecord(text);
  QDialog::done(r);
}

}  // namespace constructor
