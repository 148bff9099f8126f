#include "scenario_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "cp1251.h"
#include "message_service.h"
#include "record_format.h"
#include "scenario_dialogs.h"
#include "sections_window.h"
#include "statistics.h"
#include "test_summary.h"
#include "window_memory.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }

// The pages in their order, as a refusal names them.
int pageIndex(ScenarioPage p) { return static_cast<int>(p); }

}  // namespace

ScenarioWindow::ScenarioWindow(Startup& s, std::string baseDir, QString baseName, std::string testName, Mode mode, QWidget* parent)
    : QDialog(parent),
      s_(s),
      base_(std::move(baseDir)),
      baseName_(std::move(baseName)),
      test_(std::move(testName)),
      mode_(mode),
      register_(s.inst.central(tables::files::DataTest)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(mode == Insert ? QStringLiteral("Создание нового сценария") : QStringLiteral("Редактирование параметров сценария"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
}

ScenarioWindow::~ScenarioWindow() = default;

bool ScenarioWindow::openTest() {
  tf_ = std::make_unique<testfile::TestFile>();
  tf_->name(base_, test_, s_.inst.keyWord);
  if (int rc = tf_->open(); rc != store::Ok) {
    store::ErrorInfo e = tf_->error();
    messages::Procedure(ms()).show(messages::openFailure(e, tf_->path()), &e);
    tf_.reset();
    return false;
  }
  tema_ = opened_ = tf_->tema;
  texts_ = openedTexts_ = tf_->titul;

  auto* outer = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->addTab(generalPage(), QStringLiteral("Общая"));
  pages_->addTab(orderPage(), QStringLiteral("Настройка"));
  pages_->addTab(parametersPage(), QStringLiteral("Параметры тестирования"));
  pages_->addTab(markingPage(), QStringLiteral("Оценивание"));
  pages_->addTab(sectionsPage(), QStringLiteral("Разделы"));
  pages_->addTab(helpPage(), QStringLiteral("Справка"));
  outer->addWidget(pages_, 1);

  auto* row = new QHBoxLayout;
  auto add = [this, row](const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    row->addWidget(b);
    buttons_.push_back(b);
    return b;
  };
  back_ = add(QStringLiteral("< Назад"));
  next_ = add(QStringLiteral("Далее >"));
  row->addStretch(1);
  QPushButton* done = add(QStringLiteral("Готово"));
  QPushButton* editor = add(QStringLiteral("Открыть редактор заданий"));
  QPushButton* cancel = add(QStringLiteral("Отмена"));
  outer->addLayout(row);
  connect(back_, &QPushButton::clicked, this, [this] { pages_->setCurrentIndex(std::max(0, pages_->currentIndex() - 1)); });
  connect(next_, &QPushButton::clicked, this,
          [this] { pages_->setCurrentIndex(std::min(pages_->count() - 1, pages_->currentIndex() + 1)); });
  connect(pages_, &QTabWidget::currentChanged, this, [this](int i) {
    back_->setEnabled(i > 0);
    next_->setEnabled(i + 1 < pages_->count());
  });
  connect(done, &QPushButton::clicked, this, [this] {
    if (save()) accept();
  });
  connect(editor, &QPushButton::clicked, this, [this] {
    if (!save()) return;
    editorAfter_ = true;
    accept();
  });
  // "Отмена" leaves the stored scenario as it is, without asking.
  connect(cancel, &QPushButton::clicked, this, [this] {
    closing_ = true;
    QDialog::reject();
  });
  back_->setEnabled(false);
  applyForcedValues(tema_);
  // What the author has not changed: the stored values with what the
  // choices force (a new test's points are set by its marking).
  baseline_ = tema_;
  loadAll();
  fillStatistics();
  resize(720, 620);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
  return true;
}

// ----------------------------------------------------------------- controls

QCheckBox* ScenarioWindow::check(QWidget* parent, const QString& text, std::uint8_t tables::Tema::*field, const QString& name) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  named_.emplace_back(name, c);
  loaders_.push_back([this, c, field] { c->setChecked(tema_.*field != 0); });
  connect(c, &QCheckBox::toggled, this, [this, field](bool on) {
    if (loading_) return;
    tema_.*field = on ? 1 : 0;
    governingChanged();
  });
  return c;
}

QButtonGroup* ScenarioWindow::choice(QWidget* parent, const QString& title, const std::vector<std::pair<int, QString>>& options,
                                     std::uint8_t tables::Tema::*field, const QString& name, QWidget** box) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(name);
  auto* l = new QVBoxLayout(group);
  auto* buttons = new QButtonGroup(group);
  // Each button carries its stored value, whatever its place.
  for (const auto& [value, text] : options) {
    auto* b = new QRadioButton(text, group);
    buttons->addButton(b, value);
    l->addWidget(b);
  }
  named_.emplace_back(name, group);
  groups_.emplace_back(name, buttons);
  loaders_.push_back([this, buttons, field] {
    if (auto* b = buttons->button(tema_.*field)) {
      b->setChecked(true);
    } else {
      // No option chosen yet (a stored 0).
      buttons->setExclusive(false);
      for (auto* x : buttons->buttons()) x->setChecked(false);
      buttons->setExclusive(true);
    }
  });
  connect(buttons, &QButtonGroup::idToggled, this, [this, field](int id, bool on) {
    if (loading_ || !on) return;
    tema_.*field = static_cast<std::uint8_t>(id);
    governingChanged();
  });
  if (box) *box = group;
  return buttons;
}

template <std::size_t N>
QLineEdit* ScenarioWindow::line(QWidget* parent, store::FixedString<N>& field, const QString& name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(static_cast<int>(N));
  named_.emplace_back(name, e);
  loaders_.push_back([e, &field] { e->setText(ui::fromRecord(field.view())); });
  connect(e, &QLineEdit::textEdited, this, [this, &field](const QString& t) {
    if (!loading_) field = ui::toRecord(t);
  });
  return e;
}

QSpinBox* ScenarioWindow::number(QWidget* parent, int lo, int hi, std::function<int()> get, std::function<void(int)> set,
                                 const QString& name) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(name);
  s->setRange(lo, hi);
  named_.emplace_back(name, s);
  loaders_.push_back([s, get] { s->setValue(get()); });
  connect(s, &QSpinBox::valueChanged, this, [this, set](int v) {
    if (loading_) return;
    set(v);
    governingChanged();
  });
  return s;
}

QWidget* ScenarioWindow::control(const QString& field) const {
  for (const auto& [n, w] : named_)
    if (n == field) return w;
  return nullptr;
}

QButtonGroup* ScenarioWindow::options(const QString& field) const {
  for (const auto& [n, g] : groups_)
    if (n == field) return g;
  return nullptr;
}

QPushButton* ScenarioWindow::button(const QString& text) const {
  for (auto* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

void ScenarioWindow::loadAll() {
  loading_ = true;
  for (auto& l : loaders_) l();
  for (const auto& [c, w] : ruled_) w->setEnabled(enabled(tema_, c));
  loading_ = false;
}

void ScenarioWindow::governingChanged() {
  // A choice may force other values and open or close other controls.
  applyForcedValues(tema_);
  loadAll();
}

// ----------------------------------------------------------------- pages

QWidget* ScenarioWindow::generalPage() {
  auto* page = new QWidget(this);
  auto* form = new QFormLayout(page);
  auto* base = new QLabel(baseName_.isEmpty() ? QString::fromStdString(base_) : baseName_, page);
  base->setToolTip(QString::fromStdString(base_));
  form->addRow(QStringLiteral("База тестов:"), base);
  form->addRow(QStringLiteral("Имя файла:"), new QLabel(QString::fromStdString(test_), page));
  form->addRow(QStringLiteral("Код темы"), new QLabel(QString::number(tema_.CODETEMA), page));
  form->addRow(QStringLiteral("Название теста:"), line(page, tema_.NAME, QStringLiteral("TEM:NAME")));
  form->addRow(QStringLiteral("Наименование учебного заведения (организации):"), line(page, texts_.NAMEORG, QStringLiteral("TIT:NAMEORG")));
  auto picked = [this, page, form](const QString& label, QLineEdit* e, Pick which) {
    auto* row = new QWidget(page);
    auto* l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(e, 1);
    auto* b = new QPushButton(QStringLiteral("..."), row);
    b->setObjectName(e->objectName() + QStringLiteral(":pick"));
    b->setToolTip(QStringLiteral("Выбрать из справочника"));
    b->setAutoDefault(false);
    b->setFixedWidth(32);
    l->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, e, which] {
      if (!pickName) return;
      // The name is copied; the dictionary codes stay as they are.
      if (auto name = pickName(which)) {
        e->setText(name->left(e->maxLength()));
        emit e->textEdited(e->text());
      }
    });
    buttons_.push_back(b);
    form->addRow(label, row);
  };
  picked(QStringLiteral("Факультет:"), line(page, tema_.FAK, QStringLiteral("TEM:FAK")), Pick::Faculty);
  picked(QStringLiteral("Автор (составитель теста, преподаватель):"), line(page, tema_.NAMEWRI, QStringLiteral("TEM:NAMEWRI")), Pick::Author);
  picked(QStringLiteral("Кафедра (подразделение):"), line(page, tema_.NAMEOTD, QStringLiteral("TEM:NAMEOTD")), Pick::Department);
  picked(QStringLiteral("Курс:"), line(page, tema_.NAMEKURS, QStringLiteral("TEM:NAMEKURS")), Pick::Course);
  picked(QStringLiteral("Учебная дисциплина (предмет, курс):"), line(page, tema_.NAMEPRD, QStringLiteral("TEM:NAMEPRD")), Pick::Discipline);
  auto* note = line(page, texts_.REZUME, QStringLiteral("TIT:REZUME"));
  note->setToolTip(QStringLiteral("Комментарий"));
  form->addRow(QStringLiteral("Примечание:"), note);
  auto* pass = new QPushButton(QStringLiteral("Новый пароль"), page);
  pass->setAutoDefault(false);
  buttons_.push_back(pass);
  connect(pass, &QPushButton::clicked, this, [this] {
    NewPasswordWindow w(register_, tema_.CODETEMA, this);
    if (w.exec() != QDialog::Accepted) return;
    // The test keeps the password the register has, whatever becomes of
    // the other changes in this window.
    Outcome o = writeTestPassword(*tf_, ui::toRecord(w.written()));
    if (!o) {
      ms().ask(QString::fromStdString(o.message), QStringLiteral("Новый пароль"), messages::Buttons::Ok, messages::Icon::Exclamation);
      return;
    }
    tema_.PASSW = opened_.PASSW = baseline_.PASSW = tf_->tema.PASSW;
  });
  form->addRow(QString(), pass);
  return page;
}

QWidget* ScenarioWindow::orderPage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  auto* outerBox = new QGroupBox(QStringLiteral("Порядок предъявления заданий"), page);
  auto* ol = new QVBoxLayout(outerBox);
  QWidget* modes = nullptr;
  choice(outerBox, QStringLiteral("Организация тестовых заданий"),
         {{2, QStringLiteral("Все задания -  в случайном порядке")},
          {1, QStringLiteral("Все задания - в порядке следования")},
          {3, QStringLiteral("Случайно выбранная часть заданий")},
          {4, QStringLiteral("Случайная часть в порядке возрастания номеров")},
          {5, QStringLiteral("Распределение по вариантам")}},
         &tables::Tema::MODECONTROLZN, QStringLiteral("TEM:MODECONTROLZN"), &modes);
  ol->addWidget(modes);
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(new QLabel(QStringLiteral("Число вопросов для  выбора:"), outerBox));
  auto* count = number(outerBox, 0, 512, [this] { return tema_.KOLSELVOP; },
                       [this](int v) { tema_.KOLSELVOP = static_cast<std::int16_t>(v); }, QStringLiteral("TEM:KOLSELVOP"));
  ruled_.emplace_back(Control::KolSelVop, count);
  countRow->addWidget(count);
  countRow->addStretch(1);
  auto* byVar = new QPushButton(QStringLiteral("Распределение по вариантам..."), outerBox);
  byVar->setAutoDefault(false);
  buttons_.push_back(byVar);
  // The distribution matters only when the frames go by variants.
  loaders_.push_back([this, byVar] { byVar->setEnabled(tema_.MODECONTROLZN == 5); });
  connect(byVar, &QPushButton::clicked, this, [this] {
    DistributionWindow w(tema_, this);
    w.exec();
  });
  countRow->addWidget(byVar);
  ol->addLayout(countRow);
  l->addWidget(outerBox);
  l->addWidget(check(page, QStringLiteral("Свободный выбор заданий"), &tables::Tema::FREESEL, QStringLiteral("TEM:FREESEL")));
  l->addWidget(check(page, QStringLiteral("Варианты ответа в случайном порядке"), &tables::Tema::RANDOMOT, QStringLiteral("TEM:RANDOMOT")));
  l->addWidget(check(page, QStringLiteral("Тестирование в режиме обучения"), &tables::Tema::MODETRAINING, QStringLiteral("TEM:MODETRAINING")));
  auto* trn = check(page, QStringLiteral("Автоматическое появление справки"), &tables::Tema::HOWTRN, QStringLiteral("TEM:HOWTRN"));
  ruled_.emplace_back(Control::HowTrn, trn);
  l->addWidget(trn);
  QWidget* help = nullptr;
  choice(page, QStringLiteral("Организация справочного материала"),
         {{1, QStringLiteral("Отдельная справка к каждому заданию")}, {2, QStringLiteral("Общая справка ко всему тесту")}},
         &tables::Tema::HOWHELP, QStringLiteral("TEM:HOWHELP"), &help);
  ruled_.emplace_back(Control::HowHelp, help);
  l->addWidget(help);
  l->addStretch(1);
  return page;
}

QWidget* ScenarioWindow::parametersPage() {
  auto* page = new QWidget(this);
  auto* g = new QGridLayout(page);
  auto* left = new QVBoxLayout;
  left->addWidget(check(page, QStringLiteral("Показывать верный (неверный) ответ"), &tables::Tema::SHOWTF_OT, QStringLiteral("TEM:SHOWTF_OT")));
  auto* trueOt = check(page, QStringLiteral("При просмотре показывать верные ответы"), &tables::Tema::SHOWTRUEOT, QStringLiteral("TEM:SHOWTRUEOT"));
  auto* falseOt = check(page, QStringLiteral("Просмотр кадров с неверными ответами"), &tables::Tema::SHOWFALSEOT, QStringLiteral("TEM:SHOWFALSEOT"));
  ruled_.emplace_back(Control::ShowTrueOt, trueOt);
  ruled_.emplace_back(Control::ShowFalseOt, falseOt);
  left->addWidget(trueOt);
  left->addWidget(falseOt);
  QWidget* box = nullptr;
  choice(page, QStringLiteral("Калькулятор"),
         {{1, QStringLiteral("Открывается кнопкой")}, {2, QStringLiteral("Открыт  изначально")}, {3, QStringLiteral("Отключить")}},
         &tables::Tema::YESCALC, QStringLiteral("TEM:YESCALC"), &box);
  left->addWidget(box);
  choice(page, QStringLiteral("Сохранение результатов"),
         {{1, QStringLiteral("Подробное")}, {2, QStringLiteral("Краткое")}, {3, QStringLiteral("Не сохоанять")}},
         &tables::Tema::SAVEREZ, QStringLiteral("TEM:SAVEREZ"), &box);
  left->addWidget(box);
  choice(page, QStringLiteral("Истекло время на задание"),
         {{1, QStringLiteral("Ответ не засчитывается")}, {2, QStringLiteral("Ответ проверяется")}},
         &tables::Tema::IFPROSVOP, QStringLiteral("TEM:IFPROSVOP"), &box);
  ruled_.emplace_back(Control::IfProsVop, box);
  left->addWidget(box);
  left->addStretch(1);

  auto* right = new QVBoxLayout;
  auto* stop = new QGroupBox(QStringLiteral("Прервать тест"), page);
  auto* sl = new QFormLayout(stop);
  auto* wrong = number(stop, 0, 255, [this] { return tema_.STOPTEST; }, [this](int v) { tema_.STOPTEST = static_cast<std::uint8_t>(v); },
                       QStringLiteral("TEM:STOPTEST"));
  ruled_.emplace_back(Control::StopTest, wrong);
  connect(wrong, &QSpinBox::editingFinished, this, [this, wrong] {
    // Out of range: the standard range message, and back into the box. The
    // box finishes editing again when the message takes the focus: once is enough.
    if (rangeShown_ || wrong->value() == lastRangeChecked_) return;
    lastRangeChecked_ = wrong->value();
    if (auto m = checkStopTest(wrong->value())) {
      rangeShown_ = true;
      ms().show(*m);
      rangeShown_ = false;
      wrong->setFocus();
      wrong->selectAll();
    }
  });
  sl->addRow(QStringLiteral("Число неверных ответов"), wrong);
  sl->addRow(check(stop, QStringLiteral("Если истекло выделенное время"), &tables::Tema::IFPROSTIME, QStringLiteral("TEM:IFPROSTIME")));
  right->addWidget(stop);
  right->addWidget(check(page, QStringLiteral("Не показывать оценку на экране и в протоколе"), &tables::Tema::SHOWOTM, QStringLiteral("TEM:SHOWOTM")));
  auto* again = check(page, QStringLiteral("Разрешить повторное тестирование"), &tables::Tema::POVTORTEST, QStringLiteral("TEM:POVTORTEST"));
  ruled_.emplace_back(Control::PovtorTest, again);
  right->addWidget(again);
  choice(page, QStringLiteral("Время на тест"),
         {{1, QStringLiteral("Ограничить время на каждый вопрос")}, {2, QStringLiteral("Ограничить общее время")},
          {3, QStringLiteral("Не ограничивать время")}},
         &tables::Tema::HOWTIMETEST, QStringLiteral("TEM:HOWTIMETEST"), &box);
  auto* minutes = number(box, 0, 65535, [this] { return tema_.TIMETEST; }, [this](int v) { tema_.TIMETEST = static_cast<std::uint16_t>(v); },
                         QStringLiteral("TEM:TIMETEST"));
  minutes->setSuffix(QStringLiteral(" мин."));
  ruled_.emplace_back(Control::TimeTest, minutes);
  box->layout()->addWidget(minutes);
  right->addWidget(box);
  choice(page, QStringLiteral("По окончании тестирования"),
         {{1, QStringLiteral("Распечатать протокол и вернуться к списку тестов")}, {2, QStringLiteral("Показать результаты  и распечатать")},
          {3, QStringLiteral("Показать результаты")}, {4, QStringLiteral("Распечатать и выйти из программы")}},
         &tables::Tema::HOWEND, QStringLiteral("TEM:HOWEND"), &box);
  right->addWidget(box);
  right->addStretch(1);
  g->addLayout(left, 0, 0);
  g->addLayout(right, 0, 1);
  return page;
}

QWidget* ScenarioWindow::markingPage() {
  auto* page = new QWidget(this);
  auto* g = new QGridLayout(page);
  auto* points = new QGroupBox(QStringLiteral("Начисление баллов"), page);
  points->setObjectName(QStringLiteral("TEM:TYPEOZENKA"));
  auto* pl = new QGridLayout(points);
  auto* typeGroup = new QButtonGroup(points);
  auto* one = new QRadioButton(QStringLiteral("1 балл - за верный ответ, 0 - за неверный"), points);
  auto* fixed = new QRadioButton(QStringLiteral("За верный ответ:"), points);
  auto* range = new QRadioButton(QStringLiteral("В диапазоне от:"), points);
  typeGroup->addButton(one, 1);
  typeGroup->addButton(fixed, 2);
  typeGroup->addButton(range, 3);
  groups_.emplace_back(QStringLiteral("TEM:TYPEOZENKA"), typeGroup);
  named_.emplace_back(QStringLiteral("TEM:TYPEOZENKA"), points);
  auto* ballVop = number(points, 0, 65535, [this] { return tema_.BALLVOP; }, [this](int v) { tema_.BALLVOP = static_cast<std::uint16_t>(v); },
                         QStringLiteral("TEM:BALLVOP"));
  auto* lo = number(points, 0, 65535, [this] { return tema_.BALLRANGE[0]; },
                    [this](int v) { tema_.BALLRANGE[0] = static_cast<std::uint16_t>(v); }, QStringLiteral("TEM:BALLRANGE1"));
  auto* hi = number(points, 0, 65535, [this] { return tema_.BALLRANGE[1]; },
                    [this](int v) { tema_.BALLRANGE[1] = static_cast<std::uint16_t>(v); }, QStringLiteral("TEM:BALLRANGE2"));
  ruled_.emplace_back(Control::BallVop, ballVop);
  ruled_.emplace_back(Control::BallRange, lo);
  ruled_.emplace_back(Control::BallRange, hi);
  pl->addWidget(one, 0, 0, 1, 4);
  pl->addWidget(fixed, 1, 0);
  pl->addWidget(ballVop, 1, 1);
  pl->addWidget(new QLabel(QStringLiteral("баллов"), points), 1, 2);
  pl->addWidget(range, 2, 0);
  pl->addWidget(lo, 2, 1);
  pl->addWidget(new QLabel(QStringLiteral("до"), points), 2, 2);
  pl->addWidget(hi, 2, 3);
  pl->addWidget(new QLabel(QStringLiteral("балл."), points), 2, 4);
  auto* diff = check(points, QStringLiteral("Начислять в зависимости от точности ответа"), &tables::Tema::DIFFBALL, QStringLiteral("TEM:DIFFBALL"));
  diff->setToolTip(QStringLiteral("Весовые коэффициенты в задании"));
  ruled_.emplace_back(Control::DiffBall, diff);
  pl->addWidget(diff, 3, 0, 1, 5);
  loaders_.push_back([this, typeGroup] {
    if (auto* b = typeGroup->button(tema_.TYPEOZENKA)) b->setChecked(true);
  });
  connect(typeGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (loading_ || !on) return;
    tema_.TYPEOZENKA = static_cast<std::uint8_t>(id);
    governingChanged();
  });
  g->addWidget(points, 0, 0);

  auto* system = new QGroupBox(QStringLiteral("Система оценивания"), page);
  system->setObjectName(QStringLiteral("TEM:MODEOZENKA"));
  auto* sl = new QGridLayout(system);
  auto* modeGroup = new QButtonGroup(system);
  const QString modes[] = {QStringLiteral("Четырехбальная"), QStringLiteral("Десятибальная"), QStringLiteral("Зачтено, не зачтено от"),
                           QStringLiteral("Отметку не ставить")};
  for (int i = 0; i < 4; ++i) {
    auto* b = new QRadioButton(modes[i], system);
    modeGroup->addButton(b, i + 1);
    sl->addWidget(b, i, 0);
  }
  groups_.emplace_back(QStringLiteral("TEM:MODEOZENKA"), modeGroup);
  named_.emplace_back(QStringLiteral("TEM:MODEOZENKA"), system);
  auto* pass = number(system, 0, 100, [this] { return tema_.SHCALA[0]; }, [this](int v) { tema_.SHCALA[0] = static_cast<std::uint8_t>(v); },
                      QStringLiteral("TEM:SHCALA1"));
  ruled_.emplace_back(Control::PassThreshold, pass);
  sl->addWidget(pass, 2, 1);
  sl->addWidget(new QLabel(QStringLiteral("% верных ответов"), system), 2, 2);
  loaders_.push_back([this, modeGroup] {
    if (auto* b = modeGroup->button(tema_.MODEOZENKA)) b->setChecked(true);
  });
  connect(modeGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (loading_ || !on) return;
    tema_.MODEOZENKA = static_cast<std::uint8_t>(id);
    governingChanged();
  });
  g->addWidget(system, 0, 1);

  // The scales: each grade from its lower bound up to the next grade's.
  scales_ = new QTabWidget(page);
  scales_->setObjectName(QStringLiteral("Шкала оценивания"));
  auto scale = [this](const QStringList& marks, int firstBound) {
    auto* tab = new QWidget(scales_);
    auto* tl = new QGridLayout(tab);
    for (int m = 0; m < marks.size(); ++m) {
      tl->addWidget(new QLabel(marks[m], tab), m, 0);
      tl->addWidget(new QLabel(QStringLiteral("от"), tab), m, 1);
      const int lower = m == 0 ? -1 : firstBound + m - 1;  // SHCALA index of this grade's lower bound
      const int upper = m + 1 < marks.size() ? firstBound + m : -1;
      if (lower < 0) {
        tl->addWidget(new QLabel(QStringLiteral("0"), tab), m, 2);
      } else {
        auto* s = number(tab, 0, 100, [this, lower] { return tema_.SHCALA[static_cast<std::size_t>(lower)]; },
                         [this, lower](int v) { tema_.SHCALA[static_cast<std::size_t>(lower)] = static_cast<std::uint8_t>(v); },
                         QStringLiteral("TEM:SHCALA%1:%2").arg(lower + 1).arg(marks.size()));
        s->setSuffix(QStringLiteral(" %"));
        tl->addWidget(s, m, 2);
      }
      tl->addWidget(new QLabel(QStringLiteral("до"), tab), m, 3);
      auto* up = new QLabel(tab);
      up->setMinimumWidth(40);
      loaders_.push_back([this, up, upper] {
        up->setText(upper < 0 ? QStringLiteral("100 %") : QStringLiteral("%1 %").arg(tema_.SHCALA[static_cast<std::size_t>(upper)]));
      });
      tl->addWidget(up, m, 4);
    }
    tl->setColumnStretch(5, 1);
    tl->setRowStretch(static_cast<int>(marks.size()), 1);
    return tab;
  };
  scales_->addTab(scale({QStringLiteral("2 (Неудовлетворительно)"), QStringLiteral("3 (Удовлетворительно)"),
                         QStringLiteral("4 (Хорошо)"), QStringLiteral("5 (Отлично)")},
                        1),
                  QStringLiteral("Четырехбальная шкала"));
  QStringList ten;
  for (int m = 1; m <= 10; ++m) ten << QString::number(m);
  scales_->addTab(scale(ten, 1), QStringLiteral("Десятибальная шкала"));
  auto* scaleBox = new QGroupBox(QStringLiteral("Шкала оценивания"), page);
  auto* sbl = new QVBoxLayout(scaleBox);
  sbl->addWidget(scales_);
  g->addWidget(scaleBox, 1, 0, 1, 2);

  auto* levels = check(page, QStringLiteral("Использовать уровни сложности"), &tables::Tema::MODELEVEL, QStringLiteral("TEM:MODELEVEL"));
  levels->setToolTip(QStringLiteral("Задания с уровнем сложности (max-5 уровней)"));
  auto* times = check(page, QStringLiteral("Умножать на коэффициент сложности"), &tables::Tema::ADDLEVEL, QStringLiteral("TEM:ADDLEVEL"));
  ruled_.emplace_back(Control::AddLevel, times);
  g->addWidget(levels, 2, 0);
  g->addWidget(times, 2, 1);
  g->addWidget(check(page, QStringLiteral("Оценивать по разделам (темам) теста"), &tables::Tema::YESRAZ, QStringLiteral("TEM:YESRAZ")), 3, 0, 1, 2);
  g->setRowStretch(4, 1);
  return page;
}

QWidget* ScenarioWindow::sectionsPage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  auto* hint = new QLabel(QStringLiteral("Разделы открываются, когда на странице «Оценивание» отмечено "
                                         "«Оценивать по разделам (темам) теста»."),
                          page);
  hint->setWordWrap(true);
  l->addWidget(hint);
  loaders_.push_back([this, hint] { hint->setVisible(!tema_.YESRAZ); });
  sections_ = new SectionsList(*tf_, true, page);
  ruled_.emplace_back(Control::Sections, sections_);
  connect(sections_, &SectionsList::changed, this, [this] { fillStatistics(); });
  l->addWidget(sections_);
  return page;
}

QWidget* ScenarioWindow::helpPage() {
  auto* page = new QWidget(this);
  auto* g = new QGridLayout(page);
  auto* facts = new QFormLayout;
  const QString labels[] = {QStringLiteral("Создан:"), QStringLiteral("Изменен:"), QStringLiteral("Открыт:"), QStringLiteral("Напечатан:"),
                            QStringLiteral("Прведено тестирований:"), QStringLiteral("Версия теста:"), QStringLiteral("Количество заданий:")};
  for (const QString& label : labels) {
    auto* v = new QLabel(page);
    v->setObjectName(label);
    helpLabels_.push_back(v);
    facts->addRow(label, v);
  }
  facts->addRow(QStringLiteral("Автор изменений:"), line(page, texts_.WHOCHANGE, QStringLiteral("TIT:WHOCHANGE")));
  g->addLayout(facts, 0, 0);

  auto* statsBox = new QGroupBox(QStringLiteral("Характеристика заданий"), page);
  auto* stl = new QVBoxLayout(statsBox);
  stats_ = new QTreeWidget(statsBox);
  stats_->setColumnCount(2);
  stats_->setHeaderLabels({QStringLiteral("Характеристика"), QStringLiteral("Значение")});
  stats_->setRootIsDecorated(false);
  stats_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  stl->addWidget(stats_);
  auto* refresh = new QPushButton(QStringLiteral("Обновить"), statsBox);
  refresh->setAutoDefault(false);
  buttons_.push_back(refresh);
  connect(refresh, &QPushButton::clicked, this, [this] {
    Outcome o = refreshStatistics(*tf_);
    if (!o)
      ms().ask(QString::fromStdString(o.message), QStringLiteral("Статистика теста"), messages::Buttons::Ok, messages::Icon::Exclamation);
    fillStatistics();
  });
  stl->addWidget(refresh, 0, Qt::AlignRight);
  g->addWidget(statsBox, 0, 1);

  auto* bibl = new QGroupBox(QStringLiteral("Литература по теме"), page);
  auto* bl = new QVBoxLayout(bibl);
  bibl_ = new QPlainTextEdit(bibl);
  bibl_->setObjectName(QStringLiteral("TIT:BIBL"));
  named_.emplace_back(QStringLiteral("TIT:BIBL"), bibl_);
  bl->addWidget(bibl_);
  g->addWidget(bibl, 1, 0);
  auto* ins = new QGroupBox(QStringLiteral("Стартовая инструкция"), page);
  ins->setToolTip(QStringLiteral("Инструкция к тесту"));
  auto* il = new QVBoxLayout(ins);
  ins_ = new QPlainTextEdit(ins);
  ins_->setObjectName(QStringLiteral("TIT:INS"));
  named_.emplace_back(QStringLiteral("TIT:INS"), ins_);
  il->addWidget(ins_);
  auto* pick = new QPushButton(QStringLiteral("Выбрать"), ins);
  pick->setAutoDefault(false);
  buttons_.push_back(pick);
  connect(pick, &QPushButton::clicked, this, [this] {
    if (!pickInstruction) return;
    // Taken in where the cursor stands, so that nothing typed is lost (undo works).
    if (auto text = pickInstruction()) ins_->insertPlainText(*text);
  });
  il->addWidget(pick, 0, Qt::AlignRight);
  g->addWidget(ins, 1, 1);
  loaders_.push_back([this] {
    if (bibl_->toPlainText() != ui::fromRecord(texts_.BIBL.text)) bibl_->setPlainText(ui::fromRecord(texts_.BIBL.text));
    if (ins_->toPlainText() != ui::fromRecord(texts_.INS.text)) ins_->setPlainText(ui::fromRecord(texts_.INS.text));
  });
  connect(bibl_, &QPlainTextEdit::textChanged, this, [this] {
    if (!loading_) texts_.BIBL = ui::toRecord(bibl_->toPlainText());
  });
  connect(ins_, &QPlainTextEdit::textChanged, this, [this] {
    if (!loading_) texts_.INS = ui::toRecord(ins_->toPlainText());
  });
  return page;
}

void ScenarioWindow::fillStatistics() {
  if (!tf_ || !stats_) return;
  std::vector<tables::Razdel> sections;
  if (tf_->razdelT.set(tf_->razdelT.key("KEYCODERAZ")) == store::Ok)
    while (tf_->razdelT.next() == store::Ok) sections.push_back(tf_->razdel);
  if (tf_->titulT.set() == store::Ok) tf_->titulT.next();
  const tables::Titul& t = tf_->titul;
  stats_->clear();
  for (const auto& r : statisticsRows(tema_, t, sections))
    new QTreeWidgetItem(stats_, {QString::fromStdString(r.label), QString::fromStdString(r.value)});
  const QString values[] = {QString::fromStdString(dateAndTime(t.CREATED, t.CREATET)), QString::fromStdString(dateAndTime(t.CHANGED, t.CHANGET)),
                            QString::fromStdString(dateAndTime(t.OPEND, t.OPENT)), QString::fromStdString(dateAndTime(t.PRINTD, t.PRINTT)),
                            QString::number(t.KOLRUN), QString::number(t.VERSION), QString::number(tf_->vopT.records())};
  for (std::size_t i = 0; i < helpLabels_.size(); ++i) helpLabels_[i]->setText(values[i]);
}

// ----------------------------------------------------------------- saving and closing

bool ScenarioWindow::textsFit() {
  for (const auto& [name, w] : named_) {
    QString text;
    if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) text = p->toPlainText();
    else continue;
    // Memo fields keep only so many characters: longer texts are named too.
    const std::size_t most = name == QStringLiteral("TIT:INS") ? 1800 : name == QStringLiteral("TIT:BIBL") ? 600 : 0;
    if (most && ui::fitsRecord(text) && cp1251::fromUtf8(text.toStdString()).size() > most) {
      for (int i = 0; i < pages_->count(); ++i)
        if (pages_->widget(i)->isAncestorOf(w)) pages_->setCurrentIndex(i);
      w->setFocus();
      ms().ask(QStringLiteral("Текст длиннее %1 знаков и не поместится в тест.").arg(most), QStringLiteral("Сообщение программы"),
               messages::Buttons::Ok, messages::Icon::Exclamation);
      return false;
    }
    if (ui::fitsRecord(text)) continue;
    // Named before saving, so that nothing is lost silently.
    for (int i = 0; i < pages_->count(); ++i)
      if (pages_->widget(i)->isAncestorOf(w)) pages_->setCurrentIndex(i);
    w->setFocus();
    ms().ask(QStringLiteral("Текст содержит знаки, которых нет в кодировке Windows-1251:|") + text.left(80),
             QStringLiteral("Сообщение программы"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  return true;
}

void ScenarioWindow::showRefusal(const ScenarioRefusal& r) {
  ms().show(r.message);
  pages_->setCurrentIndex(pageIndex(r.page));
  if (r.tab == ScaleTab::FourPoint) scales_->setCurrentIndex(0);
  if (r.tab == ScaleTab::TenPoint) scales_->setCurrentIndex(1);
  if (r.focus)
    for (const auto& [c, w] : ruled_)
      if (c == *r.focus) {
        w->setFocus();
        break;
      }
}

bool ScenarioWindow::save() {
  if (!tf_ || !textsFit()) return false;
  if (mode_ == Change && tf_->vopT.records() > 0) {
    // The checks come first: a refused scenario asks nothing.
    tables::Tema prepared = tema_;
    if (auto r = prepareScenarioSave(prepared)) {
      showRefusal(*r);
      return false;
    }
    if (auto r = checkCounts(prepared, static_cast<int>(tf_->vopT.records()))) {
      showRefusal(*r);
      return false;
    }
    if (marksFramesAnew(opened_, prepared) &&
        ms().ask(QStringLiteral("Начисление баллов изменено: баллы всех заданий теста будут установлены заново.|Продолжить?"),
                 QStringLiteral("Начисление баллов"), messages::Buttons::YesNo, messages::Icon::Question, messages::No) != messages::Yes)
      return false;
  }
  bool overwrite = false;
  for (;;) {
    std::optional<ScenarioRefusal> refusal;
    Outcome o = saveScenario(*tf_, tema_, texts_, mode_ == Insert, &refusal, mode_ == Change ? &opened_ : nullptr, overwrite);
    if (o) break;
    if (refusal) {
      showRefusal(*refusal);
      return false;
    }
    if (o.error == store::ChangedByOther) {
      // Another station saved the scenario meanwhile.
      int a = ms().show(messages::standard(33, {}));
      if (a == messages::Yes) {
        overwrite = true;
        continue;
      }
      if (a == messages::No) {
        // Its values are shown; the author may change them again.
        tema_ = opened_ = baseline_ = tf_->tema;
        loadAll();
      }
      return false;
    }
    ms().ask(QString::fromStdString(o.message), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  baseline_ = opened_ = tema_ = tf_->tema;
  openedTexts_ = texts_;
  return true;
}

bool ScenarioWindow::hasUnsavedChanges() {
  return tf_ && (!tables::temaDef().sameValues(&tema_, &baseline_) || !tables::titulDef().sameValues(&texts_, &openedTexts_));
}

bool ScenarioWindow::askToSave() {
  if (closing_ || !hasUnsavedChanges()) return true;
  int a = ms().ask(QStringLiteral("Сохранить изменения?"), windowTitle(), messages::Buttons::YesNoCancel, messages::Icon::Question);
  if (a == messages::Yes) return save();
  return a == messages::No;
}

void ScenarioWindow::reject() {
  if (!askToSave()) return;
  closing_ = true;
  QDialog::reject();
}

void ScenarioWindow::closeEvent(QCloseEvent* e) {
  if (!askToSave()) {
    e->ignore();
    return;
  }
  closing_ = true;
  QDialog::closeEvent(e);
}

}  // namespace constructor
