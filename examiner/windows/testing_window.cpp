#include "testing_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "message_service.h"
#include "result_file.h"

namespace examiner {
namespace {

QString fromCp(std::string_view cp) { return QString::fromStdString(cp1251::toUtf8(cp1251::clip(cp))); }
const QColor kMarked(142, 193, 149);
const char* kLetters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};

QFont fontOf(const tables::TuneTest& tune, int which) {
  if (!tune.YESFONT) return QFont(QStringLiteral("DejaVu Sans"), 10);
  QFont f(fromCp(tune.FONTNAME[static_cast<std::size_t>(which)].view()));
  int size = tune.FONTSIZE[static_cast<std::size_t>(which)];
  f.setPointSize(size > 0 ? size : 10);
  int style = tune.FONTSTYLE[static_cast<std::size_t>(which)];
  if (style >= 700) f.setBold(true);
  return f;
}

void paint(QWidget* w, const QColor& c) {
  if (!w) return;
  QPalette p = w->palette();
  if (c.isValid()) {
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    p.setColor(QPalette::Base, c);
  } else {
    p = QApplication::palette();
  }
  w->setAutoFillBackground(c.isValid());
  w->setPalette(p);
}

}  // namespace

class TestingWindow::Nested {
 public:
  explicit Nested(TestingWindow* w) : w_(w) { ++w_->nested_; }
  ~Nested() {
    if (--w_->nested_ == 0 && (w_->testTimeUpPending_ || w_->attempt_.frameTimeUp()))
      QTimer::singleShot(0, w_, [w = w_] { w->applyTimeUps(); });
  }
  Nested(const Nested&) = delete;
  Nested& operator=(const Nested&) = delete;

 private:
  TestingWindow* w_;
};

TestingWindow::TestingWindow(Attempt& a, const AttemptConfig& cfg, const Startup& s, const QString& examinee,
                             Monitor* monitor, QWidget* parent)
    : QDialog(parent), attempt_(a), cfg_(cfg), s_(s), monitor_(monitor) {
  setObjectName(QStringLiteral("TestingWindow"));
  QString caption = fromCp(cfg_.tema.NAME.view());
  if (cfg_.tema.MODECONTROLZN == 5) caption += QStringLiteral(" ") + QString::number(cfg_.variant);
  caption += QStringLiteral(" - ") + examinee;
  if (attempt_.reviewing()) caption += QStringLiteral(" [Просмотр ошибок]");
  if (cfg_.modeWork == 9) caption += QStringLiteral(" [Пробное тестирование]");
  setWindowTitle(caption);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);

  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  position_ = new QLabel(this);
  timer_ = new QLabel(this);
  QFont tf = timer_->font();
  tf.setBold(true);
  timer_->setFont(tf);
  themes_ = new QComboBox(this);
  for (const char* t : {"Лето", "Осень", "Зима", "Весна", "Стандартный"}) themes_->addItem(QString::fromUtf8(t));
  themes_->setCurrentText(theme_);
  connect(themes_, &QComboBox::currentTextChanged, this, &TestingWindow::setTheme);
  top->addWidget(position_);
  top->addStretch(1);
  top->addWidget(new QLabel(QStringLiteral("Время:"), this));
  top->addWidget(timer_);
  top->addSpacing(20);
  top->addWidget(new QLabel(QStringLiteral("Оформление:"), this));
  top->addWidget(themes_);
  outer->addLayout(top);

  auto* body = new QHBoxLayout;
  framePanel_ = new QFrame(this);
  framePanel_->setFrameShape(QFrame::StyledPanel);
  auto* fl = new QVBoxLayout(framePanel_);
  auto* textRow = new QHBoxLayout;
  text_ = new QTextBrowser(framePanel_);
  text_->setFont(fontOf(s_.tune, 0));
  text_->setMinimumHeight(110);
  picture_ = new QLabel(framePanel_);
  picture_->setAlignment(Qt::AlignCenter);
  textRow->addWidget(text_, 1);
  textRow->addWidget(picture_);
  fl->addLayout(textRow, 2);
  objectLabel_ = new QLabel(framePanel_);
  objectLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  fl->addWidget(objectLabel_);
  answers_ = new QWidget(framePanel_);
  auto* holder = new QVBoxLayout(answers_);
  holder->setContentsMargins(0, 0, 0, 0);
  fl->addWidget(answers_, 3);
  key_ = new QLabel(framePanel_);
  key_->setWordWrap(true);
  key_->setStyleSheet(QStringLiteral("color: #1a237e; font-weight: bold;"));
  fl->addWidget(key_);
  body->addWidget(framePanel_, 1);

  side_ = new QWidget(this);
  auto* sl = new QVBoxLayout(side_);
  grid_ = new QGridLayout;
  for (int i = 0; i < 22; ++i) {
    auto* b = new QPushButton(side_);
    b->setFixedSize(38, 28);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, i] { goToPosition(group_ * 22 + i + 1); });
    grid_->addWidget(b, i / 2, i % 2);
    gridButtons_.push_back(b);
  }
  sl->addLayout(grid_);
  auto* nav = new QGridLayout;
  const std::pair<const char*, const char*> navs[] = {{"|<", "Перейти к первому вопросу"},
                                                     {"<<", "Вернуться к предыдущей группе вопросов"},
                                                     {"<", "Вернуться к предыдущему вопросу"},
                                                     {">", "Перейти к следующему вопросу"},
                                                     {">>", "Перейти к следующей группе вопросов"},
                                                     {">|", "Перейти к последнему вопросу"}};
  for (int i = 0; i < 6; ++i) {
    auto* b = new QPushButton(QString::fromUtf8(navs[i].first), side_);
    b->setToolTip(QString::fromUtf8(navs[i].second));
    b->setAutoDefault(false);
    nav->addWidget(b, i / 3, i % 3);
    navButtons_.push_back(b);
  }
  connect(navButtons_[0], &QPushButton::clicked, this, [this] { goToPosition(1); });
  connect(navButtons_[1], &QPushButton::clicked, this, [this] { goToPosition((group_ - 1) * 22 + 1); });
  connect(navButtons_[2], &QPushButton::clicked, this, [this] { goToPosition(attempt_.position() - 1); });
  connect(navButtons_[3], &QPushButton::clicked, this, [this] { goToPosition(attempt_.position() + 1); });
  connect(navButtons_[4], &QPushButton::clicked, this, [this] { goToPosition((group_ + 1) * 22 + 1); });
  connect(navButtons_[5], &QPushButton::clicked, this, [this] { goToPosition(attempt_.length()); });
  sl->addLayout(nav);
  finish_ = new QPushButton(QStringLiteral("Финиш"), side_);
  finish_->setAutoDefault(false);
  connect(finish_, &QPushButton::clicked, this, &TestingWindow::pressFinish);
  sl->addWidget(finish_);
  sl->addStretch(1);
  body->addWidget(side_);
  outer->addLayout(body, 1);

  auto* buttons = new QHBoxLayout;
  help_ = new QPushButton(QStringLiteral("Конспект"), this);
  calc_ = new QPushButton(QStringLiteral("Калькулятор"), this);
  object_ = new QPushButton(QStringLiteral("Объект"), this);
  pictureBtn_ = new QPushButton(QStringLiteral("Рисунок"), this);
  next_ = new QPushButton(QStringLiteral("Далее"), this);
  for (auto* b : {help_, calc_, object_, pictureBtn_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  buttons->addWidget(next_);
  next_->setDefault(true);
  outer->addLayout(buttons);
  help_->setVisible(cfg_.tema.MODETRAINING != 0);
  calc_->setVisible(cfg_.tema.YESCALC == 1 || cfg_.tema.YESCALC == 2);
  side_->setVisible(attempt_.freeOrder());
  connect(next_, &QPushButton::clicked, this, &TestingWindow::pressNext);
  connect(help_, &QPushButton::clicked, this, [this] { openHelp(false); });
  connect(calc_, &QPushButton::clicked, this, &TestingWindow::toggleCalculator);
  connect(object_, &QPushButton::clicked, this, [this] {
    // The document opens in the desktop's application for its type, from a temporary copy.
    const tables::Vop& v = attempt_.frame();
    QByteArray bytes;
    QString name = QStringLiteral("document");
    if (v.OBJECTSAVE == "B") {
      bytes = QByteArray(reinterpret_cast<const char*>(v.OLEBLOB.bytes.data()), static_cast<int>(v.OLEBLOB.size()));
    } else {
      tables::Emb e;
      if (results::readEmb(results::resolveEmbPart(v.OBJECTDOC.str(), s_.inst.libraryDir), e) == store::Ok) {
        bytes = QByteArray(reinterpret_cast<const char*>(e.DATA.bytes.data()), static_cast<int>(e.DATA.size()));
        name = QString::fromStdString(documentFileName(e.FILENAME.view(), "document"));
      }
    }
    QDir().mkpath(QDir::temp().filePath(QStringLiteral("ormida-objects")));
    QFile f(QDir::temp().filePath(QStringLiteral("ormida-objects/") + name));
    if (f.open(QIODevice::WriteOnly)) {
      f.write(bytes);
      f.close();
      QDesktopServices::openUrl(QUrl::fromLocalFile(f.fileName()));
    }
  });
  connect(pictureBtn_, &QPushButton::clicked, this, [this] {
    Nested nested(this);
    QDialog d(this);
    d.setWindowTitle(QStringLiteral("Рисунок к заданию."));
    auto* l = new QVBoxLayout(&d);
    auto* p = new QLabel(&d);
    QImage img;
    const auto& b = attempt_.frame().BLOBVOP.bytes;
    img.loadFromData(b.data(), static_cast<int>(b.size()));
    p->setPixmap(QPixmap::fromImage(img));
    l->addWidget(p);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), &d);
    connect(close, &QPushButton::clicked, &d, &QDialog::accept);
    l->addWidget(close, 0, Qt::AlignRight);
    d.exec();
  });

  timerTick_ = new QTimer(this);
  timerTick_->setInterval(1000);
  connect(timerTick_, &QTimer::timeout, this, &TestingWindow::tick);
  if (!attempt_.reviewing()) timerTick_->start();
  if (monitor_ && !attempt_.reviewing())
    monitor_->begin(cfg_.who.fio, attempt_.result().TIMEBEG, std::string(cfg_.tema.NAME.view()).substr(0, 80), attempt_.length());
  setTheme(theme_);
  // Ctrl+Alt with a left click anywhere in the window, on its controls too.
  qApp->installEventFilter(this);
  resize(980, 680);
  if (cfg_.tema.YESCALC == 2) toggleCalculator();
  showFrame();
}

bool TestingWindow::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::MouseButtonPress && o->isWidgetType()) {
    auto* m = static_cast<QMouseEvent*>(e);
    auto* w = static_cast<QWidget*>(o);
    if (m->button() == Qt::LeftButton && (m->modifiers() & Qt::ControlModifier) && (m->modifiers() & Qt::AltModifier) &&
        w->window() == this && isVisible()) {
      abortAttempt();
      return true;
    }
  }
  return QDialog::eventFilter(o, e);
}

TestingWindow::~TestingWindow() {
  qApp->removeEventFilter(this);
  delete helpWindow_;
  delete calcWindow_;
}

void TestingWindow::setTheme(const QString& name) {
  theme_ = name;
  struct Theme {
    const char* name;
    QColor window, frame, answers, side;
  } themes[] = {
      {"Лето", {185, 232, 179}, {185, 232, 179}, {183, 236, 234}, {255, 255, 157}},
      {"Осень", {185, 232, 179}, {255, 255, 204}, {255, 108, 108}, {255, 185, 151}},
      {"Зима", {}, {}, {}, {}},
      {"Весна", {255, 187, 187}, {255, 187, 187}, {145, 219, 255}, {0, 128, 192}},
      {"Стандартный", {192, 204, 191}, {192, 204, 191}, {}, {}},
  };
  for (const auto& t : themes) {
    if (name != QString::fromUtf8(t.name)) continue;
    paint(this, t.window);
    paint(framePanel_, t.frame);
    paint(answers_, t.answers);
    paint(side_, t.side);
  }
}

QString TestingWindow::variantText(int v) const {
  return v >= 1 && v <= 9 ? fromCp(attempt_.frame().varot1(v).view()) : QString();
}

QString TestingWindow::frameText() const { return text_->toPlainText(); }

void TestingWindow::showFrame() {
  if (attempt_.length() == 0) {
    text_->setPlainText(QStringLiteral("В этом тесте нет заданий для вас."));
    return;
  }
  const tables::Vop& v = attempt_.frame();
  position_->setText(QStringLiteral("Задание %1 из %2").arg(attempt_.position()).arg(attempt_.length()));
  text_->setPlainText(QString::fromStdString(cp1251::toUtf8(v.VOPROS.text)));
  // The picture, laid out by the frame's picture layout.
  picture_->clear();
  picture_->hide();
  pictureBtn_->setVisible(false);
  if (v.YESIMAGE != 0 && v.YESIMAGE != 2 && !v.BLOBVOP.empty()) {
    QImage img;
    img.loadFromData(v.BLOBVOP.bytes.data(), static_cast<int>(v.BLOBVOP.size()));
    if (!img.isNull()) {
      if (v.YESIMAGE == 3) img = img.scaledToHeight(201, Qt::SmoothTransformation);
      if (v.YESIMAGE == 5) picture_->setFixedSize(std::max(295, img.width()), std::max(187, img.height()));
      else {
        picture_->setMinimumSize(0, 0);
        picture_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      }
      picture_->setPixmap(QPixmap::fromImage(img));
      picture_->setAlignment(v.YESIMAGE == 4 ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignCenter);
      picture_->show();
      pictureBtn_->setVisible(true);
    }
  }
  showObject();
  showAnswers();
  // Trial testing and error viewing write the key out under the frame.
  if (cfg_.modeWork == 9 || attempt_.reviewing())
    key_->setText(QStringLiteral("Правильный ответ: ") + QString::fromStdString(keyText(v)));
  else
    key_->clear();
  key_->setVisible(!key_->text().isEmpty());
  showGrid();
  timer_->setText(timerText());
  answeredBefore_ = attempt_.answered();
  if (cfg_.tema.MODETRAINING && cfg_.tema.HOWTRN && !attempt_.reviewing()) openHelp(true);
}

void TestingWindow::showObject() {
  const tables::Vop& v = attempt_.frame();
  bool has = !v.OBJECTTYPE.blank();
  object_->setVisible(has);
  objectLabel_->setVisible(has);
  if (!has) return;
  std::vector<std::uint8_t> bytes;
  QString name;
  if (v.OBJECTSAVE == "B") {
    bytes = v.OLEBLOB.bytes;
    name = QStringLiteral("прилагаемый документ");
  } else {
    tables::Emb e;
    if (results::readEmb(results::resolveEmbPart(v.OBJECTDOC.str(), s_.inst.libraryDir), e) == store::Ok) {
      bytes = e.DATA.bytes;
      name = fromCp(e.FILENAME.view());
    } else {
      name = QStringLiteral("Документ не найден: ") + fromCp(v.OBJECTDOC.view());
    }
  }
  QImage img;
  if (!bytes.empty() && img.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
    objectLabel_->setPixmap(QPixmap::fromImage(img.scaledToHeight(std::min(img.height(), 200))));
  } else {
    // Not a picture: the document is shown by its name; "Объект" opens it.
    objectLabel_->setPixmap({});
    objectLabel_->setText(QStringLiteral("К заданию приложен документ: ") + name + QStringLiteral(" (кнопка «Объект» открывает его)"));
    objectLabel_->setToolTip(QStringLiteral("Кнопка «Объект» открывает документ"));
  }
}

void TestingWindow::showAnswers() {
  // The controls of the previous frame go as a whole: a fresh holder each time.
  if (answersInner_) {
    answersInner_->hide();
    answersInner_->deleteLater();
  }
  answersInner_ = new QWidget(answers_);
  answers_->layout()->addWidget(answersInner_);
  answersLayout_ = new QVBoxLayout(answersInner_);
  answersLayout_->setContentsMargins(0, 0, 0, 0);
  answersInner_->show();
  variantButtons_.clear();
  typed_ = nullptr;
  const tables::Vop& v = attempt_.frame();
  const Response& r = attempt_.response();
  const Permutation& p = attempt_.permutation();
  const int n = std::min<int>(v.KOLOT, 9);
  const bool readOnly = attempt_.reviewing() || attempt_.finished() || attempt_.locked();
  QFont vf = fontOf(s_.tune, 1);
  if (v.TYPEKADR >= 1 && v.TYPEKADR <= 3) {
    for (int k = 1; k <= n; ++k) {
      int stored = p.shown[static_cast<std::size_t>(k)];
      QString label = QString::fromUtf8(kLetters[k - 1]) + QStringLiteral(") ") + variantText(stored);
      if (v.TYPEKADR == 2 && r.r[static_cast<std::size_t>(stored)])
        label = QStringLiteral("[%1]  ").arg(r.r[static_cast<std::size_t>(stored)]) + label;
      auto* b = new QPushButton(label, answersInner_);
      b->setFont(vf);
      b->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px;"));
      b->setAutoDefault(false);
      bool marked = (v.TYPEKADR == 1 && r.r[static_cast<std::size_t>(stored)] == 1) || (v.TYPEKADR == 3 && r.r[1] == stored);
      if (marked) b->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px; background-color: rgb(142,193,149);"));
      b->setEnabled(!readOnly);
      connect(b, &QPushButton::clicked, this, [this, k] { clickVariant(k); });
      answersLayout_->addWidget(b);
      variantButtons_.push_back(b);
    }
  } else if (v.TYPEKADR == 4) {
    auto* row = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    const int rows = matchingRows(v);
    for (int i = 1; i <= rows; ++i) {
      int shown = attempt_.shownNumber(i);
      auto* b = new QPushButton(QString::fromUtf8(kLetters[i - 1]) + QStringLiteral(") ") +
                                    fromCp(v.VAROT2[static_cast<std::size_t>(i - 1)].view()) + QStringLiteral("   →  ") +
                                    (shown ? QString::number(shown) : QStringLiteral("?")),
                                answersInner_);
      b->setFont(vf);
      b->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px;"));
      b->setAutoDefault(false);
      b->setEnabled(!readOnly);
      connect(b, &QPushButton::clicked, this, [this, i] { clickVariant(i); });
      left->addWidget(b);
      variantButtons_.push_back(b);
    }
    for (int k = 1; k <= n; ++k) {
      auto* l = new QLabel(QStringLiteral("%1. ").arg(k) + variantText(p.shown[static_cast<std::size_t>(k)]), answersInner_);
      l->setFont(vf);
      right->addWidget(l);
    }
    left->addStretch(1);
    right->addStretch(1);
    row->addLayout(left, 1);
    row->addLayout(right, 1);
    answersLayout_->addLayout(row);
  } else if (v.TYPEKADR >= 5) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Ответ:"), answersInner_));
    typed_ = new QLineEdit(QString::fromStdString(cp1251::toUtf8(r.text)), answersInner_);
    typed_->setReadOnly(true);
    typed_->setFont(vf);
    row->addWidget(typed_, 1);
    auto* b = new QPushButton(QStringLiteral("Ввести ответ..."), answersInner_);
    b->setAutoDefault(false);
    b->setEnabled(!readOnly);
    connect(b, &QPushButton::clicked, this, [this] {
      // ADDOtvet: the answer typed in a small window of its own.
      Nested nested(this);
      QDialog d(this);
      d.setObjectName(QStringLiteral("ADDOtvet"));
      d.setWindowTitle(QStringLiteral("Введите правильный ответ"));
      auto* f = new QFormLayout(&d);
      auto* e = new QLineEdit(typed_->text(), &d);
      e->setMaxLength(128);
      e->setMinimumWidth(360);
      f->addRow(QStringLiteral("Ответ:"), e);
      auto* box = new QDialogButtonBox(&d);
      box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
      box->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
      connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
      connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
      f->addRow(box);
      if (d.exec() == QDialog::Accepted) answerText(e->text());
    });
    row->addWidget(b);
    answersLayout_->addLayout(row);
    answersLayout_->addStretch(1);
  }
  if (v.TYPEKADR <= 3) answersLayout_->addStretch(1);
}

void TestingWindow::showGrid() {
  if (!attempt_.freeOrder()) return;
  const int len = attempt_.length();
  group_ = (attempt_.position() - 1) / 22;
  const int groups = (len + 21) / 22;
  for (int i = 0; i < 22; ++i) {
    int p = group_ * 22 + i + 1;
    auto* b = gridButtons_[static_cast<std::size_t>(i)];
    b->setVisible(p <= len);
    b->setText(QString::number(p));
    QColor c = p == attempt_.position() ? QColor(0, 0, 255) : attempt_.answeredAt(p) ? QColor(0, 128, 0) : QColor(128, 64, 64);
    b->setStyleSheet(QStringLiteral("background-color: %1; color: white; font-weight: bold;").arg(c.name()));
  }
  navButtons_[0]->setEnabled(group_ > 0 || attempt_.position() > 1);
  navButtons_[1]->setEnabled(group_ > 0);
  navButtons_[2]->setEnabled(attempt_.position() > 1);
  navButtons_[3]->setEnabled(attempt_.position() < len);
  navButtons_[4]->setEnabled(group_ + 1 < groups);
  navButtons_[5]->setEnabled(attempt_.position() < len);
  finish_->setEnabled(!attempt_.reviewing());
}

QPushButton* TestingWindow::variantButton(int k) const {
  return k >= 1 && k <= static_cast<int>(variantButtons_.size()) ? variantButtons_[static_cast<std::size_t>(k - 1)] : nullptr;
}

QPushButton* TestingWindow::gridButton(int p) const {
  int i = p - group_ * 22 - 1;
  return i >= 0 && i < 22 ? gridButtons_[static_cast<std::size_t>(i)] : nullptr;
}

QString TestingWindow::keyShown() const { return key_->text(); }

QString TestingWindow::timerText() const {
  std::string unit = attempt_.timeUnit();
  if (unit == "б/о") return QStringLiteral("б/о");
  if (unit == "сек") return QString::number(attempt_.remainingSeconds()) + QStringLiteral(" сек");
  return QString::number(attempt_.minutesShown()) + QStringLiteral(" мин");
}

void TestingWindow::clickVariant(int k) {
  attempt_.click(k);
  showAnswers();
  showGrid();
}

void TestingWindow::answerText(const QString& text) {
  attempt_.setText(cp1251::fromUtf8(text.toStdString()));
  showAnswers();
  showGrid();
}

bool TestingWindow::skipUnanswered() {
  Nested nested(this);
  return ui::MessageService::instance().ask(QStringLiteral("Вы не ответили на вопрос.|Перейти к следующему вопросу?"),
                                            QStringLiteral("Сообщение программы"), messages::Buttons::YesNo,
                                            messages::Icon::Question) == messages::Yes;
}

bool TestingWindow::retryWrong() {
  Nested nested(this);
  return ui::MessageService::instance().ask(QStringLiteral("Неверный ответ|Повторить попытку?"), QStringLiteral("Сообщение программы"),
                                            messages::Buttons::YesNo, messages::Icon::Question) == messages::Yes;
}

void TestingWindow::feedback(int outcome) {
  delete feedback_;
  auto* w = new QDialog(this, Qt::Dialog | Qt::WindowTitleHint);
  feedback_ = w;
  w->setObjectName(QStringLiteral("Feedback"));
  w->setWindowTitle(QStringLiteral("Сообщение системы"));
  auto* l = new QVBoxLayout(w);
  auto* tabs = new QTabWidget(w);
  const char* names[] = {"Верный ответ", "Неверный ответ", "Истекло время!"};
  for (int i = 0; i < 3; ++i) {
    auto* page = new QLabel(w);
    page->setAlignment(Qt::AlignCenter);
    page->setWordWrap(true);
    QString text = QString::fromUtf8(names[i]);
    if (i == 2) text += QStringLiteral("\nОтвет не засчитан.");
    if (i + 1 == outcome && cfg_.tema.MODETRAINING) {
      // Training: the comments of the variants the examinee chose, by
      // stored variant number (the response being checked now).
      if (const auto* help = attempt_.helpForFrame())
        for (int v : chosenVariants(attempt_.frame(), attempt_.response()))
          if (!help->COMMOT[static_cast<std::size_t>(v - 1)].blank())
            text += QStringLiteral("\n") + fromCp(help->COMMOT[static_cast<std::size_t>(v - 1)].view());
    }
    page->setText(text);
    tabs->addTab(page, QString::fromUtf8(names[i]));
  }
  tabs->setCurrentIndex(std::clamp(outcome, 1, 3) - 1);
  l->addWidget(tabs);
  w->resize(320, 160);
  // It closes itself on its third timer event.
  auto* t = new QTimer(w);
  connect(t, &QTimer::timeout, w, [this, w, count = 0]() mutable {
    if (++count >= 3) {
      if (feedback_ == w) feedback_ = nullptr;
      w->deleteLater();
    }
  });
  t->start(700);
  w->show();
}

void TestingWindow::afterAnswer() {
  if (!monitor_ || attempt_.reviewing()) return;
  const std::uint16_t c = attempt_.codeAt(attempt_.position());
  monitor_->answered(attempt_.result().KOLVOPOT, static_cast<int>(attempt_.maxPointsOf(c)), attempt_.result().REZBAL, c,
                     attempt_.lastOutcome() != 1);
}

void TestingWindow::afterStep(int before, Attempt::Step st) {
  if (st == Attempt::Step::Stayed) {
    showAnswers();
    showGrid();
    return;
  }
  if (monitor_ && !attempt_.reviewing()) {
    const std::uint16_t c = attempt_.codeAt(before);
    monitor_->answered(attempt_.result().KOLVOPOT, static_cast<int>(attempt_.maxPointsOf(c)), attempt_.result().REZBAL, c,
                       attempt_.lastOutcome() != 1);
  }
  if (st == Attempt::Step::Finished) ended();
  else showFrame();
}

void TestingWindow::pressNext() {
  if (attempt_.finished() || nested_) return;
  if (attempt_.freeOrder() && !attempt_.reviewing()) {
    if (attempt_.position() < attempt_.length()) goToPosition(attempt_.position() + 1);
    return;
  }
  const int before = attempt_.position();
  afterStep(before, attempt_.next(*this));
}

void TestingWindow::goToPosition(int p) {
  if (attempt_.finished() || nested_ || p < 1 || p > attempt_.length() || p == attempt_.position()) return;
  // Training: leaving a frame without an answer opens the help instead.
  if (cfg_.tema.MODETRAINING && !attempt_.reviewing() && !attempt_.answered()) {
    openHelp(false);
    return;
  }
  bool wasAnswered = attempt_.answered();
  attempt_.goTo(p, *this);
  if (wasAnswered) afterAnswer();
  if (attempt_.finished()) {
    ended();
    return;
  }
  showFrame();
}

void TestingWindow::pressFinish() {
  if (attempt_.finished() || nested_) return;
  Nested nested(this);
  int answered = 0;
  for (int p = 1; p <= attempt_.length(); ++p)
    if (attempt_.answeredAt(p)) ++answered;
  QString remain = attempt_.timeUnit() == "мин" ? QString::number(attempt_.minutesShown()) : QStringLiteral("—");
  int a = ui::MessageService::instance().ask(
      QStringLiteral("ВНИМАНИЕ!|Вы дали ответ на %1 вопроса(ов) из %2|Осталось времени %3 мин.|Завершить тестирование?")
          .arg(answered)
          .arg(attempt_.length())
          .arg(remain),
      QStringLiteral("Завершение тестирования"), messages::Buttons::YesNo, messages::Icon::Question);
  if (a != messages::Yes) return;
  attempt_.finish(*this);
  ended();
}

void TestingWindow::tick() {
  if (attempt_.finished()) return;
  Attempt::Tick t = attempt_.tick();
  timer_->setText(timerText());
  if (t == Attempt::Tick::TestTimeUp) testTimeUpPending_ = true;
  applyTimeUps();
}

void TestingWindow::applyTimeUps() {
  // Inside a question box the step under way must finish first.
  if (nested_ || attempt_.finished()) return;
  if (testTimeUpPending_) {
    testTimeUpPending_ = false;
    if (timeUpShown_) return;
    timeUpShown_ = true;
    {
      Nested nested(this);
      ui::MessageService::instance().ask(
          QStringLiteral("Установленное время истекло|Тест будет прерван|Для просмотра результатов тестирования|нажмите OK"),
          QStringLiteral("Внимание!"), messages::Buttons::Ok, messages::Icon::Exclamation);
    }
    if (attempt_.finished()) return;
    attempt_.finish(*this);
    ended();
    return;
  }
  if (attempt_.frameTimeUp()) {
    const int before = attempt_.position();
    afterStep(before, attempt_.frameTimedOut(*this));
  }
}

void TestingWindow::ended() {
  timerTick_->stop();
  if (helpWindow_) helpWindow_->close();
  if (calcWindow_) calcWindow_->close();
  if (monitor_) monitor_->remove();
  accept();
}

void TestingWindow::abortAttempt() {
  aborted_ = true;
  timerTick_->stop();
  if (helpWindow_) helpWindow_->close();
  if (calcWindow_) calcWindow_->close();
  if (monitor_) monitor_->remove();
  QDialog::reject();
}

void TestingWindow::reject() {
  // Closing the window is not a way out of an attempt, except in error viewing.
  if (attempt_.reviewing()) QDialog::reject();
}

void TestingWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    pressNext();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TestingWindow::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier) && (e->modifiers() & Qt::AltModifier)) {
    abortAttempt();
    return;
  }
  QDialog::mousePressEvent(e);
}

void TestingWindow::openHelp(bool automatic) {
  (void)automatic;
  if (!helpWindow_) helpWindow_ = new HelpWindow(cfg_);
  if (cfg_.tema.HOWHELP == 2) helpWindow_->page(0);
  else helpWindow_->showFor(attempt_.code());
  helpWindow_->show();
  helpWindow_->raise();
}

void TestingWindow::toggleCalculator() {
  if (calcWindow_ && calcWindow_->isVisible()) {
    calcWindow_->close();
    return;
  }
  if (!calcWindow_) calcWindow_ = new CalculatorWindow;
  calcWindow_->show();
}

// ------------------------------------------------------------------ help

HelpWindow::HelpWindow(const AttemptConfig& cfg, QWidget* parent) : QWidget(parent, Qt::Window), cfg_(cfg) {
  setWindowTitle(QStringLiteral("Учебно-справочный материал"));
  auto* l = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  auto* sheet = new QWidget(tabs);
  auto* pl = new QVBoxLayout(sheet);
  frame_ = new QLabel(sheet);
  pl->addWidget(frame_);
  view_ = new QTextBrowser(sheet);
  pl->addWidget(view_, 1);
  tabs->addTab(sheet, QStringLiteral("Справка к заданию"));
  l->addWidget(tabs, 1);
  auto* b = new QHBoxLayout;
  auto* back = new QPushButton(QStringLiteral("Назад"), this);
  auto* cur = new QPushButton(QStringLiteral("Текущая"), this);
  auto* fwd = new QPushButton(QStringLiteral("Далее"), this);
  b->addWidget(back);
  b->addWidget(cur);
  b->addWidget(fwd);
  b->addStretch(1);
  l->addLayout(b);
  connect(back, &QPushButton::clicked, this, [this] { page(page_ - 1); });
  connect(fwd, &QPushButton::clicked, this, [this] { page(page_ + 1); });
  connect(cur, &QPushButton::clicked, this, [this] { showFor(code_); });
  resize(460, 380);
}

void HelpWindow::showFor(std::uint16_t code) {
  code_ = code;
  frame_->setText(QStringLiteral("К заданию: %1").arg(code));
  view_->setPlainText(QStringLiteral("К этому заданию нет справочного материала."));
  for (const auto& h : cfg_.helps)
    if (h.CODEVOP == code) view_->setPlainText(QString::fromStdString(cp1251::toUtf8(h.HELPVOP.text)));
}

void HelpWindow::page(int p) {
  // The pages run up to the first record whose help text is blank.
  int pages = 0;
  for (const auto& h : cfg_.helps) {
    if (cp1251::clip(h.HELPVOP.text).empty()) break;
    ++pages;
  }
  if (pages == 0) return;
  page_ = std::clamp(p, 0, pages - 1);
  frame_->setText(QStringLiteral("Страница %1 из %2").arg(page_ + 1).arg(pages));
  view_->setPlainText(QString::fromStdString(cp1251::toUtf8(cfg_.helps[static_cast<std::size_t>(page_)].HELPVOP.text)));
}

QString HelpWindow::text() const { return view_->toPlainText(); }

// ------------------------------------------------------------------ calculator

CalculatorWindow::CalculatorWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("CALCWINDOW"));
  setWindowTitle(QStringLiteral("Калькулятор"));
  auto* l = new QVBoxLayout(this);
  display_ = new QLineEdit(QStringLiteral("0"), this);
  display_->setReadOnly(true);
  display_->setAlignment(Qt::AlignRight);
  QFont f = display_->font();
  f.setPointSizeF(f.pointSizeF() * 1.4);
  display_->setFont(f);
  l->addWidget(display_);
  auto* g = new QGridLayout;
  const char* keys[6][5] = {{"MC", "MR", "MS", "M+", "M-"},   {"C", "<-", "+/-", "sqrt", "1/x"},
                            {"7", "8", "9", "/", "x^2"},      {"4", "5", "6", "*", "lg"},
                            {"1", "2", "3", "-", "ln"},       {"0", ".", "=", "+", "Exp"}};
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 5; ++c) {
      QString k = QString::fromUtf8(keys[r][c]);
      auto* b = new QPushButton(k == "x^2" ? QStringLiteral("x²") : k == "<-" ? QStringLiteral("←") : k, this);
      b->setMinimumSize(44, 32);
      connect(b, &QPushButton::clicked, this, [this, k] { press(k); });
      g->addWidget(b, r, c);
    }
  auto* pi = new QPushButton(QStringLiteral("π"), this);
  connect(pi, &QPushButton::clicked, this, [this] { press(QStringLiteral("pi")); });
  g->addWidget(pi, 6, 0);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  g->addWidget(close, 6, 3, 1, 2);
  l->addLayout(g);
}

void CalculatorWindow::press(const QString& key) {
  calc_.press(key.toStdString());
  display_->setText(QString::fromStdString(calc_.display()));
}

QString CalculatorWindow::display() const { return display_->text(); }

}  // namespace examiner
