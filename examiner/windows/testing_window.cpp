#include "testing_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "answer_panel.h"
#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "frame_object.h"
#include "message_service.h"
#include "record_format.h"
#include "window_tools.h"
#include "result_file.h"
#include "test_font.h"
#include "window_memory.h"

namespace examiner {
namespace {

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
                             Monitor* monitor, QWidget* parent, AttemptKeeper* keeper)
    : QDialog(parent), attempt_(a), cfg_(cfg), s_(s), monitor_(monitor), keeper_(keeper) {
  setObjectName(QString::fromLatin1(kProcedure));
  QString caption = ui::fromRecord(cfg_.tema.NAME.view());
  if (cfg_.tema.MODECONTROLZN == 5) caption += QStringLiteral(" ") + QString::number(cfg_.variant);
  // A trial run has no examinee; its mode is said once, below.
  if (!examinee.isEmpty() && cfg_.modeWork != 9) caption += QStringLiteral(" - ") + examinee;
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
  offline_ = new QLabel(QStringLiteral("Нет связи с базой данных: ответы сохраняются на этой рабочей станции и будут переданы, "
                                       "когда связь восстановится. Тестирование можно продолжать."),
                        this);
  offline_->setWordWrap(true);
  offline_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold;"));
  offline_->setVisible(keeper_ && keeper_->last() == AttemptKeeper::Saved::Local);
  outer->addWidget(offline_);

  auto* body = new QHBoxLayout;
  framePanel_ = new QFrame(this);
  framePanel_->setFrameShape(QFrame::StyledPanel);
  auto* fl = new QVBoxLayout(framePanel_);
  auto* textRow = new QHBoxLayout;
  text_ = new QTextBrowser(framePanel_);
  text_->setFont(common::testFont(s_.tune, 0));
  text_->setTextColor(common::testColour(s_.tune, 0));
  text_->setMinimumHeight(110);
  picture_ = new QLabel(framePanel_);
  picture_->setAlignment(Qt::AlignCenter);
  textRow->addWidget(text_, 1);
  fl->addLayout(textRow, 2);
  // Layout 1 puts the picture beside the text; the others below it.
  pictureBelow_ = new QWidget(framePanel_);
  auto* below = new QHBoxLayout(pictureBelow_);
  below->setContentsMargins(0, 5, 0, 0);
  fl->addWidget(pictureBelow_);
  pictureBelow_->hide();
  objectLabel_ = new QLabel(framePanel_);
  objectLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  fl->addWidget(objectLabel_);
  answers_ = new common::AnswerPanel(framePanel_);
  answers_->setTune(s_.tune);
  // The typed answer's window runs a nested loop: the timer's time-ups wait for it.
  answers_->setDialogRunner([this](const std::function<void()>& run) {
    Nested nested(this);
    run();
  });
  connect(answers_, &common::AnswerPanel::changed, this, [this] {
    attempt_.respond(answers_->response());
    // An answer the attempt no longer takes is shown as it stands.
    if (!(attempt_.response() == answers_->response())) showAnswers();
    showGrid();
  });
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
  connect(object_, &QPushButton::clicked, this, &TestingWindow::openObject);
  connect(pictureBtn_, &QPushButton::clicked, this, [this] {
    Nested nested(this);
    QDialog d(this);
    d.setObjectName(QStringLiteral("Picture"));
    d.setWindowTitle(QStringLiteral("Рисунок к заданию."));
    ui::attachProcedure(&d, QStringLiteral("Picture"));
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
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
  if (cfg_.tema.YESCALC == 2) QTimer::singleShot(0, this, [this] {
      if (!calcWindow_) toggleCalculator();
    });
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

TestingWindow::~TestingWindow() { qApp->removeEventFilter(this); }

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

QString TestingWindow::frameText() const { return text_->toPlainText(); }

void TestingWindow::showFrame() {
  if (attempt_.length() == 0) {
    text_->setPlainText(QStringLiteral("В этом тесте нет заданий для вас."));
    return;
  }
  const tables::Vop& v = attempt_.frame();
  position_->setText(QStringLiteral("Задание %1 из %2").arg(attempt_.position()).arg(attempt_.length()));
  text_->setPlainText(QString::fromStdString(cp1251::toUtf8(v.VOPROS.text)));
  // The picture, laid out by the frame's picture layout: 1 beside the text,
  // 3 to 5 below it (3 scaled to 201 units high, 4 at the top left, 5 centred
  // in 295 x 187), 2 none.
  picture_->clear();
  picture_->hide();
  pictureBtn_->setVisible(false);
  pictureBelow_->hide();
  if (v.YESIMAGE != 0 && v.YESIMAGE != 2 && !v.BLOBVOP.empty()) {
    QImage img;
    img.loadFromData(v.BLOBVOP.bytes.data(), static_cast<int>(v.BLOBVOP.size()));
    if (!img.isNull()) {
      if (v.YESIMAGE == 3) img = img.scaledToHeight(201, Qt::SmoothTransformation);
      picture_->setMinimumSize(0, 0);
      picture_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      if (v.YESIMAGE == 5) picture_->setFixedSize(std::max(295, img.width()), std::max(187, img.height()));
      picture_->setPixmap(QPixmap::fromImage(img));
      auto* besideText = static_cast<QHBoxLayout*>(text_->parentWidget()->layout()->itemAt(0)->layout());
      auto* below = static_cast<QHBoxLayout*>(pictureBelow_->layout());
      besideText->removeWidget(picture_);
      below->removeWidget(picture_);
      if (v.YESIMAGE == 1) {
        besideText->addWidget(picture_);
        picture_->setAlignment(Qt::AlignCenter);
      } else {
        below->insertWidget(0, picture_, 0, v.YESIMAGE == 4 ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignHCenter);
        picture_->setAlignment(Qt::AlignCenter);
        pictureBelow_->show();
      }
      picture_->show();
      pictureBtn_->setVisible(true);
    }
  }
  showObject();
  showAnswers();
  // Trial testing and error viewing write the key out under the frame.
  // Both name the variants by the letters and numbers shown.
  if (cfg_.modeWork == 9 || attempt_.reviewing())
    key_->setText(QStringLiteral("Правильный ответ: ") + QString::fromStdString(keyTextShown(v, attempt_.permutation())));
  else
    key_->clear();
  key_->setVisible(!key_->text().isEmpty());
  showGrid();
  timer_->setText(timerText());
  answeredBefore_ = attempt_.answered();
  if (cfg_.tema.MODETRAINING && HelpWindow::autoView(cfg_) && !attempt_.reviewing()) openHelp(true);
  else if (helpWindow_ && helpWindow_->isVisible()) helpWindow_->showFor(attempt_.code(), attempt_.position());
}

std::vector<std::uint8_t> TestingWindow::objectBytes(QString& name, QString* missing) const {
  frameobject::Document d = frameobject::read(attempt_.frame(), s_.inst.libraryDir);
  name = QString::fromStdString(d.name);
  if (missing) *missing = QString::fromStdString(d.missing);
  return std::move(d.bytes);
}

void TestingWindow::showObject() {
  const tables::Vop& v = attempt_.frame();
  bool has = !v.OBJECTTYPE.blank();
  // An object shown as a picture ("I") is not opened.
  object_->setVisible(has && v.OBJECTSHOW != "I");
  objectLabel_->setVisible(has);
  if (!has) return;
  QString name, missing;
  std::vector<std::uint8_t> bytes = objectBytes(name, &missing);
  QImage img;
  if (bytes.empty()) {
    // Nothing to open: the button goes, the label names what is missing.
    object_->setVisible(false);
    objectLabel_->setPixmap({});
    objectLabel_->setText(QStringLiteral("Документ к заданию не найден: ") +
                          (missing.isEmpty() ? ui::fromRecord(v.OBJECTDOC.view()) : missing));
  } else if (img.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
    objectLabel_->setPixmap(QPixmap::fromImage(img.scaledToHeight(std::min(img.height(), 200))));
  } else {
    // Not a picture: the document is named; "Объект" opens it.
    objectLabel_->setPixmap({});
    objectLabel_->setText(QStringLiteral("К заданию приложен документ «") + common::documentLabel(bytes, name) +
                          (v.OBJECTSHOW == "I" ? QStringLiteral("»") : QStringLiteral("» (кнопка «Объект» открывает его)")));
  }
}

void TestingWindow::openObject() {
  if (attempt_.frame().OBJECTSHOW == "I") return;
  QString name;
  std::vector<std::uint8_t> bytes = objectBytes(name);
  Nested nested(this);  // a message may be shown
  docs_.open(this, bytes, name);
}

void TestingWindow::showAnswers() {
  answers_->setReadOnly(attempt_.reviewing() || attempt_.finished() || attempt_.locked());
  answers_->setFrame(attempt_.frame(), attempt_.permutation(), attempt_.response());
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

QPushButton* TestingWindow::variantButton(int k) const { return answers_->variantButton(k); }

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

void TestingWindow::clickVariant(int k) { answers_->click(k); }

void TestingWindow::answerText(const QString& text) { answers_->answerText(text); }

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
  // It takes neither the focus nor the clicks meant for the next frame.
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setWindowFlag(Qt::WindowTransparentForInput);
  w->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
  auto* l = new QVBoxLayout(w);
  // The one outcome, in large letters; in training the comments of the
  // variants the examinee chose, by stored variant number.
  static const char* names[] = {"Верный ответ", "Неверный ответ", "Истекло время!"};
  const int o = std::clamp(outcome, 1, 3);
  auto* head = new QLabel(QString::fromUtf8(names[o - 1]), w);
  head->setObjectName(QStringLiteral("outcome"));
  QFont hf = head->font();
  hf.setPointSizeF(hf.pointSizeF() * 1.5);
  hf.setBold(true);
  head->setFont(hf);
  head->setAlignment(Qt::AlignCenter);
  head->setStyleSheet(o == 1 ? QStringLiteral("color: #1b5e20;") : QStringLiteral("color: #b71c1c;"));
  l->addWidget(head);
  QStringList more;
  if (o == 3) more << QStringLiteral("Ответ не засчитан.");
  if (cfg_.tema.MODETRAINING)
    if (const auto* help = attempt_.helpForFrame())
      for (int v : chosenVariants(attempt_.frame(), attempt_.response()))
        if (!help->COMMOT[static_cast<std::size_t>(v - 1)].blank()) more << ui::fromRecord(help->COMMOT[static_cast<std::size_t>(v - 1)].view());
  auto* body = new QLabel(more.join(QStringLiteral("\n")), w);
  body->setObjectName(QStringLiteral("comments"));
  body->setWordWrap(true);
  body->setAlignment(Qt::AlignCenter);
  body->setVisible(!more.isEmpty());
  l->addWidget(body);
  w->resize(more.isEmpty() ? 300 : 420, more.isEmpty() ? 110 : 200);
  const int interval = more.size() > (o == 3 ? 1 : 0) ? 3000 : 800;  // comments take longer to read
  // It closes itself on its third timer event.
  auto* t = new QTimer(w);
  connect(t, &QTimer::timeout, w, [this, w, count = 0]() mutable {
    if (++count >= 3) {
      if (feedback_ == w) feedback_ = nullptr;
      w->deleteLater();
    }
  });
  t->start(interval);
  // Over the question's text, not over the answers.
  w->move(text_->mapToGlobal(QPoint(std::max(0, (text_->width() - w->width()) / 2), 8)));
  w->show();
}

void TestingWindow::report(std::uint16_t code, int checksBefore, int answeredBefore) {
  // The monitoring record follows what a step changed: a frame passed
  // without a new check adds no wrong answer and no maximum.
  if (!monitor_ || attempt_.reviewing()) return;
  const bool checked = attempt_.checks() > checksBefore;
  if (!checked && attempt_.result().KOLVOPOT == answeredBefore) return;
  int max = 0;
  if (checked && maxReported_.insert(code).second) max = static_cast<int>(attempt_.maxPointsOf(code));
  monitor_->answered(attempt_.result().KOLVOPOT, max, attempt_.result().REZBAL, code, checked && attempt_.lastOutcome() != 1);
}

void TestingWindow::step(const std::function<Attempt::Step()>& what) {
  const std::uint16_t code = attempt_.code();
  const int checks = attempt_.checks(), answered = attempt_.result().KOLVOPOT;
  const Attempt::Step st = what();
  report(code, checks, answered);
  if (st != Attempt::Step::Finished && !attempt_.finished()) {
    keep(true);
    if (superseded_) return;
  }
  if (st == Attempt::Step::Stayed) {
    showAnswers();
    showGrid();
  } else if (st == Attempt::Step::Finished || attempt_.finished()) {
    ended();
  } else {
    showFrame();
  }
}

void TestingWindow::pressNext() {
  if (attempt_.finished() || nested_) return;
  if (attempt_.freeOrder() && !attempt_.reviewing()) {
    if (attempt_.position() < attempt_.length()) goToPosition(attempt_.position() + 1);
    return;
  }
  step([this] { return attempt_.next(*this); });
}

void TestingWindow::goToPosition(int p) {
  if (attempt_.finished() || nested_ || p < 1 || p > attempt_.length() || p == attempt_.position()) return;
  // Training: leaving a frame without an answer opens the help instead (a
  // frame whose time ran out can no longer be answered, so it is left).
  if (cfg_.tema.MODETRAINING && !attempt_.reviewing() && !attempt_.answered() && !attempt_.locked()) {
    openHelp(false);
    return;
  }
  step([this, p] {
    attempt_.goTo(p, *this);
    return attempt_.finished() ? Attempt::Step::Finished : Attempt::Step::Moved;
  });
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
  // A sign of life, the clocks and the answer being given, now and then;
  // not inside a question box, whose step is not over.
  if (keeper_ && !attempt_.reviewing() && keeper_->sinceSave() >= common::kAliveSeconds) {
    if (nested_) {
      keeper_->touch();
    } else {
      keep(false);
      if (superseded_) return;
    }
  }
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
  if (attempt_.frameTimeUp()) step([this] { return attempt_.frameTimedOut(*this); });
}

void TestingWindow::keep(bool answered) {
  if (!keeper_ || attempt_.reviewing() || superseded_) return;
  const AttemptKeeper::Saved got = keeper_->save(attempt_, answered);
  offline_->setVisible(got == AttemptKeeper::Saved::Local);
  if (got == AttemptKeeper::Saved::Failed && !keepFailedShown_) {
    // Said once: the attempt goes on, its result is stored at the end as always.
    keepFailedShown_ = true;
    Nested nested(this);
    ui::MessageService::instance().ask(
        QStringLiteral("Ответ не удалось сохранить ни в базе данных, ни на этой рабочей станции (") + QString::fromStdString(keeper_->error().text()) +
            QStringLiteral(").|Тестирование можно продолжать; сообщите администратору."),
        QStringLiteral("Сохранение ответа"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  if (got != AttemptKeeper::Saved::Closed && got != AttemptKeeper::Saved::TakenOver) return;
  superseded_ = true;
  timerTick_->stop();
  closeCompanions();
  if (monitor_) monitor_->remove();
  {
    Nested nested(this);
    ui::MessageService::instance().ask(
        got == AttemptKeeper::Saved::Closed
            ? QStringLiteral("Тестирование завершено администратором.|Его результат записан в журнал результатов.")
            : QStringLiteral("Тестирование продолжено на другой рабочей станции.|Здесь оно завершено без записи результата."),
        QStringLiteral("Тестирование"), messages::Buttons::Ok, messages::Icon::Exclamation);
  }
  accept();
}

void TestingWindow::ended() {
  timerTick_->stop();
  closeCompanions();
  if (monitor_) monitor_->remove();
  accept();
}

void TestingWindow::abortAttempt() {
  aborted_ = true;
  timerTick_->stop();
  closeCompanions();
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
  // Owned by this window: it works beside it and goes with it.
  if (!helpWindow_) helpWindow_ = new HelpWindow(cfg_, this);
  helpWindow_->showFor(attempt_.code(), attempt_.position());
  helpWindow_->show();
  if (!automatic) {
    helpWindow_->raise();
    helpWindow_->activateWindow();
  }
}

void TestingWindow::toggleCalculator() {
  if (calcWindow_ && calcWindow_->isVisible()) {
    calcWindow_->close();
    return;
  }
  if (!calcWindow_) calcWindow_ = new common::CalculatorWindow(this);
  calcWindow_->show();
  calcWindow_->raise();
  calcWindow_->activateWindow();
}

void TestingWindow::closeCompanions() {
  if (helpWindow_) helpWindow_->close();
  if (calcWindow_) calcWindow_->close();
  docs_.closeViewers();
}

QPushButton* TestingWindow::button(const QString& text) const {
  for (auto* b : findChildren<QPushButton*>())
    if (b->text() == text && b->window() == this) return b;
  return nullptr;
}

}  // namespace examiner
