#include "console_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "commands.h"
#include "frame_editor.h"
#include "cp1251.h"
#include "message_service.h"
#include "record_format.h"
#include "navigator.h"
#include "table_opener.h"
#include "user_events.h"

namespace constructor {
namespace {
auto& ms() { return ui::MessageService::instance(); }
std::string withSlash(std::string d) {
  while (!d.empty() && d.back() == ' ') d.pop_back();
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}
}  // namespace

ConsoleWindow::ConsoleWindow(Startup& s, Navigator& nav, QWidget* parent) : QWidget(parent), s_(s), nav_(nav) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Пульт"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  pages_ = new QTabWidget(this);
  outer->addWidget(pages_, 1);

  auto command = [this](QWidget* owner, const QString& text, const QString& tip, int cmd) {
    auto* b = new QPushButton(text, owner);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, cmd] { ui::post(&nav_, cmd); });
    buttons_.emplace_back(b, cmd);
    return b;
  };

  auto* testPage = new QWidget(pages_);
  auto* tl = new QVBoxLayout(testPage);
  tl->addWidget(new QLabel(QStringLiteral("База тестов:"), testPage));
  bases_ = new QListWidget(testPage);
  bases_->setObjectName(QStringLiteral("bases"));
  tl->addWidget(bases_, 1);
  library_ = new QPushButton(QStringLiteral("Основная"), testPage);
  library_->setObjectName(QStringLiteral("library"));
  library_->setToolTip(QStringLiteral("Переключить библиотеку баз тестов"));
  library_->setAutoDefault(false);
  tl->addWidget(library_);
  auto* tg = new QGridLayout;
  tg->addWidget(command(testPage, QStringLiteral("Новый"), QStringLiteral("Создать сценарий нового теста"), NewTest), 0, 0);
  tg->addWidget(command(testPage, QStringLiteral("Изменить"), QStringLiteral("Открыть сценарий выделенного теста"), OpenScenario), 0, 1);
  tg->addWidget(command(testPage, QStringLiteral("Удалить"), QStringLiteral("Удалить сценарий и все задания выделенного теста"), DeleteTest), 1, 0);
  tg->addWidget(command(testPage, QStringLiteral("Отладка"), QStringLiteral("Запустить Экзаменатор для просмотра теста"), TrialRun), 1, 1);
  tg->addWidget(command(testPage, QStringLiteral("Печать"), QStringLiteral("Распечатать задания выделенного теста"), PrintTest), 2, 0);
  tl->addLayout(tg);
  pages_->addTab(testPage, QStringLiteral("Тест"));
  pages_->setTabToolTip(0, QStringLiteral("Инструменты для работы с тестами"));

  auto* framePage = new QWidget(pages_);
  auto* fl = new QVBoxLayout(framePage);
  auto* fg = new QGridLayout;
  fg->addWidget(command(framePage, QStringLiteral("Стандартный"), QStringLiteral("Добавить новое задание к выделенному тесту"), NewStandardFrame), 0, 0);
  fg->addWidget(command(framePage, QStringLiteral("Изменить"), QStringLiteral("Открыть выделенное задание"), OpenFrame), 0, 1);
  fg->addWidget(command(framePage, QStringLiteral("Удалить"), QStringLiteral("Удалить отмеченные задания"), DeleteFrames), 1, 0);
  fg->addWidget(command(framePage, QStringLiteral("Встроенный"), QStringLiteral("Добавить новый объектный кадр"), NewObjectFrame), 1, 1);
  fg->addWidget(command(framePage, QStringLiteral("Обновить"), QStringLiteral("Перенумеровать все тестовые задания"), Renumber), 2, 0);
  fl->addLayout(fg);
  auto* group = new QGroupBox(QStringLiteral("Параметры"), framePage);
  auto* form = new QFormLayout(group);
  section_ = new QComboBox(group);
  section_->setObjectName(QStringLiteral("section"));
  section_->setEnabled(false);
  form->addRow(QStringLiteral("Раздел:"), section_);
  connect(section_, &QComboBox::activated, this, [this] { applyParameters(); });
  struct Field {
    QString label;
    int most;
  };
  for (const Field& f : {Field{QStringLiteral("Вариант теста"), 255}, Field{QStringLiteral("Балл:"), 65535},
                         Field{QStringLiteral("Уровень:"), 5}, Field{QStringLiteral("Время:"), 65535},
                         Field{QStringLiteral("Попыток:"), 255}, Field{QStringLiteral("Всего кадров:"), 0}}) {
    auto* e = new QLineEdit(group);
    e->setReadOnly(true);
    if (f.most) {
      e->setValidator(new QIntValidator(0, f.most, e));
      connect(e, &QLineEdit::editingFinished, this, [this, e] {
        if (!e->isReadOnly() && e->isModified()) applyParameters();
      });
    }
    form->addRow(f.label, e);
    params_.emplace_back(f.label, e);
  }
  fl->addWidget(group);
  auto* setup = new QGroupBox(QStringLiteral("Настройка кадра"), framePage);
  auto* sl = new QHBoxLayout(setup);
  defaults_ = new QPushButton(QStringLiteral("По умолч."), setup);
  defaults_->setToolTip(QStringLiteral("Параметры этого кадра станут параметрами новых кадров"));
  defaults_->setAutoDefault(false);
  defaults_->setEnabled(false);
  connect(defaults_, &QPushButton::clicked, this, [this] {
    if (editor_ && editor_->saveAsDefaults())
      ms().ask(QStringLiteral("Новые кадры получат параметры этого кадра."), QStringLiteral("По умолчанию"));
  });
  sl->addWidget(defaults_);
  sl->addStretch(1);
  fl->addWidget(setup);
  fl->addStretch(1);
  pages_->addTab(framePage, QStringLiteral("Кадр"));
  pages_->setTabToolTip(1, QStringLiteral("Инструменты для монтажа кадров"));

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("libraryStatus"));
  status_->setFrameShape(QFrame::StyledPanel);
  outer->addWidget(status_);

  connect(bases_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (filling_ || row < 0 || row == row_) return;
    if (!chooseBase(row)) {
      filling_ = true;
      bases_->setCurrentRow(row_);
      filling_ = false;
    }
  });
  connect(library_, &QPushButton::clicked, this, [this] { switchLibrary(); });
  connect(&nav_, &Navigator::stateChanged, this, [this] { updateButtons(); });
  connect(&nav_, &Navigator::frameChanged, this, [this] { showFrame(); });
  setMinimumWidth(230);
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::load() {
  table_ = std::make_unique<store::Table>(tables::pathFileDef(), rec_, libraryFile(s_.inst, reserve_));
  setup::TableOpener opener(ms());
  if (opener.open(*table_) != store::Ok) table_.reset();
  status_->setText(QString::fromUtf8(libraryName(reserve_)));
  library_->setText(reserve_ ? QStringLiteral("Резервная") : QStringLiteral("Основная"));
  fillBases();
  updateButtons();
  showFrame();
}

void ConsoleWindow::fillBases() {
  filling_ = true;
  bases_->clear();
  row_ = -1;
  const std::string current = currentBase(s_.inst.ini);
  if (table_ && table_->set(table_->key("KEYCODEBD")) == store::Ok) {
    while (table_->next() == store::Ok) {
      const std::string dir = withSlash(std::string(rec_.DIRBD.view()));
      QString name = ui::fromRecord(rec_.NAMEBD.view());
      auto* it = new QListWidgetItem(name.isEmpty() ? QString::fromStdString(dir) : name, bases_);
      it->setToolTip(QString::fromStdString(dir));
      it->setData(Qt::UserRole, QString::fromStdString(dir));
      it->setData(Qt::UserRole + 1, rec_.CODEBD);
      if (dir == current) {
        row_ = bases_->count() - 1;
        nav_.setBaseName(name, rec_.CODEBD);
      }
    }
  }
  bases_->setCurrentRow(row_);
  filling_ = false;
}

bool ConsoleWindow::chooseBase(int row) {
  auto* it = bases_->item(row);
  if (!it) return false;
  const std::string dir = it->data(Qt::UserRole).toString().toStdString();
  if (!nav_.changeBase(dir, it->text(), it->data(Qt::UserRole + 1).toInt())) return false;
  row_ = row;
  filling_ = true;
  bases_->setCurrentRow(row);
  filling_ = false;
  return true;
}

bool ConsoleWindow::switchLibrary() {
  const QString q = reserve_ ? QStringLiteral("Переключиться на основную библиотеку?")
                             : QStringLiteral("Переключиться на резервную библиотеку?");
  if (ms().ask(q, QStringLiteral("Библиотека баз тестов"), messages::Buttons::YesNo, messages::Icon::Question) != messages::Yes)
    return false;
  if (mayCloseTables && !mayCloseTables()) return false;
  if (table_) {
    setup::TableOpener(ms()).close(*table_);
    table_.reset();
  }
  reserve_ = !reserve_;
  load();
  return true;
}

QString ConsoleWindow::libraryPath() const { return table_ ? QString::fromStdString(table_->name()) : QString(); }

QPushButton* ConsoleWindow::button(const QString& text) const {
  for (auto& [b, cmd] : buttons_)
    if (b->text() == text && b->isVisible()) return b;
  for (auto& [b, cmd] : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

QString ConsoleWindow::parameter(const QString& label) const {
  if (label == QStringLiteral("Раздел:")) return section_->currentText();
  for (auto& [l, e] : params_)
    if (l == label) return e->text();
  return {};
}

QLineEdit* ConsoleWindow::parameterBox(const QString& label) const {
  for (auto& [l, e] : params_)
    if (l == label) return e;
  return nullptr;
}

void ConsoleWindow::attachEditor(FrameEditorWindow* e) {
  if (editor_) disconnect(editor_, nullptr, this, nullptr);
  editor_ = e;
  if (e) {
    connect(e, &FrameEditorWindow::parametersChanged, this, [this] { showFrame(); });
    connect(e, &QObject::destroyed, this, [this] { editor_ = nullptr; });
  }
  showFrame();
}

void ConsoleWindow::showFramePage() { pages_->setCurrentIndex(1); }

void ConsoleWindow::applyParameters() {
  if (!editor_) return;
  FrameParameters p = editor_->parameters();
  p.section = section_->currentData().toInt();
  auto number = [this](const QString& label, int& into) {
    if (QLineEdit* e = parameterBox(label)) into = e->text().trimmed().toInt();
  };
  number(QStringLiteral("Вариант теста"), p.variant);
  number(QStringLiteral("Балл:"), p.points);
  number(QStringLiteral("Уровень:"), p.level);
  number(QStringLiteral("Время:"), p.time);
  number(QStringLiteral("Попыток:"), p.attempts);
  const auto problems = editor_ ? editor_->setParameters(p) : std::vector<std::string>{};
  if (!problems.empty()) {
    QStringList lines;
    for (const auto& m : problems) lines << QString::fromStdString(m);
    ms().ask(lines.join(QLatin1Char('|')), QStringLiteral("Параметры кадра"), messages::Buttons::Ok, messages::Icon::Exclamation);
  }
  showFrame();
}

void ConsoleWindow::updateButtons() {
  for (auto& [b, cmd] : buttons_) b->setEnabled(nav_.canRun(cmd));
}

void ConsoleWindow::showFrame() {
  auto set = [this](const QString& label, const QString& value) {
    if (QLineEdit* e = parameterBox(label)) {
      e->setText(value);
      e->setModified(false);
    }
  };
  // With a frame editor open the parameters are its frame's, and editable.
  const bool editing = editor_ != nullptr;
  for (auto& [l, e] : params_) e->setReadOnly(!editing || l == QStringLiteral("Всего кадров:"));
  section_->setEnabled(editing);
  defaults_->setEnabled(editing);
  section_->clear();
  std::optional<FrameParameters> p;
  if (editing) {
    p = editor_->parameters();
    section_->addItem(QString(), 0);
    for (const auto& sec : editor_->sections())
      section_->addItem(QStringLiteral("%1. %2").arg(sec.number).arg(QString::fromStdString(sec.name)), sec.number);
    const int at = section_->findData(p->section);
    if (at >= 0) section_->setCurrentIndex(at);
    else {
      // A section number the test has no record of: shown as the frame keeps it.
      section_->addItem(QString::fromStdString(p->sectionName), p->section);
      section_->setCurrentIndex(section_->count() - 1);
    }
  } else if (auto v = nav_.currentFrame()) {
    p = parametersOf(*v);
    section_->addItem(QString::fromStdString(p->sectionName), p->section);
  }
  set(QStringLiteral("Вариант теста"), p ? QString::number(p->variant) : QString());
  set(QStringLiteral("Балл:"), p ? QString::number(p->points) : QString());
  set(QStringLiteral("Уровень:"), p ? QString::number(p->level) : QString());
  set(QStringLiteral("Время:"), p ? QString::number(p->time) : QString());
  set(QStringLiteral("Попыток:"), p ? QString::number(p->attempts) : QString());
  set(QStringLiteral("Всего кадров:"), nav_.testOpen() ? QString::number(nav_.frameCount()) : QString());
  updateButtons();
}

}  // namespace constructor
