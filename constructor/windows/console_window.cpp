#include "console_window.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "commands.h"
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
  for (const QString& label : {QStringLiteral("Раздел:"), QStringLiteral("Вариант теста"), QStringLiteral("Балл:"),
                               QStringLiteral("Уровень:"), QStringLiteral("Время:"), QStringLiteral("Попыток:"),
                               QStringLiteral("Всего кадров:")}) {
    auto* e = new QLineEdit(group);
    e->setReadOnly(true);
    form->addRow(label, e);
    params_.emplace_back(label, e);
  }
  fl->addWidget(group);
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
  for (auto& [l, e] : params_)
    if (l == label) return e->text();
  return {};
}

void ConsoleWindow::updateButtons() {
  for (auto& [b, cmd] : buttons_) b->setEnabled(nav_.canRun(cmd));
}

void ConsoleWindow::showFrame() {
  auto v = nav_.currentFrame();
  auto set = [this](const QString& label, const QString& value) {
    for (auto& [l, e] : params_)
      if (l == label) e->setText(value);
  };
  set(QStringLiteral("Раздел:"), v ? ui::fromRecord(v->RAZDEL.view()) : QString());
  set(QStringLiteral("Вариант теста"), v ? QString::number(v->VARTEST) : QString());
  set(QStringLiteral("Балл:"), v ? QString::number(v->BALLVOP) : QString());
  set(QStringLiteral("Уровень:"), v ? QString::number(v->LEVEL) : QString());
  set(QStringLiteral("Время:"), v ? QString::number(v->TIMEVOP) : QString());
  set(QStringLiteral("Попыток:"), v ? QString::number(v->KOLPOP) : QString());
  set(QStringLiteral("Всего кадров:"), nav_.testOpen() ? QString::number(nav_.frameCount()) : QString());
  updateButtons();
}

}  // namespace constructor
