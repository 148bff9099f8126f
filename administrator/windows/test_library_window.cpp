#include "test_library_window.h"

#include <QScopedValueRollback>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "administrator_app.h"
#include "contingent_forms.h"
#include "cp1251.h"
#include "database_report.h"
#include "datetime.h"
#include "main_frame.h"
#include "message_service.h"
#include "parameters.h"
#include "previewer.h"
#include "record_format.h"
#include "report.h"
#include "services.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {

namespace {

auto& ms() { return ui::MessageService::instance(); }

const QString kTitle = QStringLiteral("Библиотека тестов");

QString q(const std::string& s) { return QString::fromStdString(s); }
QString folderOf(const tables::PathFile& b) { return ui::fromRecord(b.DIRBD.view()); }

bool askYes(const QString& text, const QString& caption) {
  return ms().ask(text, caption, messages::Buttons::YesNo, messages::Icon::Question, messages::No) == messages::Yes;
}

}  // namespace

// ------------------------------------------------------------------ the form

BaseForm::BaseForm(store::Table& t, tables::PathFile& rec, QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kBaseForm), QStringLiteral("Раздел библиотеки"), QStringLiteral("Раздел библиотеки"),
                 parent),
      rec_(rec) {
  code_ = new QLineEdit(this);
  code_->setReadOnly(true);
  code_->setMaximumWidth(100);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("NAMEBD"));
  name_->setMaxLength(200);
  name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 48);
  folder_ = new QLineEdit(this);
  folder_->setObjectName(QStringLiteral("DIRBD"));
  folder_->setMaxLength(255);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  browse->setToolTip(QStringLiteral("Выбор папки"));
  browse->setFixedWidth(32);
  browse->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addWidget(folder_, 1);
  row->addWidget(browse);
  note_ = new QLineEdit(this);
  note_->setObjectName(QStringLiteral("PRIM"));
  note_->setMaxLength(256);
  fields()->addRow(QStringLiteral("Код:"), code_);
  fields()->addRow(QStringLiteral("Каталог библиотеки:"), name_);
  fields()->addRow(QStringLiteral("Местонахождение:"), row);
  fields()->addRow(QStringLiteral("Примечание:"), note_);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString d = ui::chooseDirectory(this, QStringLiteral("Выбор каталога"), folder_->text());
    if (!d.isEmpty()) folder_->setText(q(withSeparator(d.toStdString())));
  });
  helpButton(this, QString::fromLatin1(kBaseForm));
  helpOnF1(this, QString::fromLatin1(kBaseForm));
}

void BaseForm::beforeAutonumberedAdd(long long) {
  rec_.DATECR = datetime::today();
  rec_.TIMECR = datetime::now();
}

void BaseForm::loadControls() {
  code_->setText(QString::number(rec_.CODEBD));
  name_->setText(ui::fromRecord(rec_.NAMEBD.view()));
  folder_->setText(ui::fromRecord(rec_.DIRBD.view()));
  note_->setText(ui::fromRecord(rec_.PRIM.view()));
}

bool BaseForm::saveControls() {
  const QString caption = windowTitle();
  auto refuse = [&](const QString& text, QWidget* w) {
    ms().ask(text, caption, messages::Buttons::Ok, messages::Icon::Exclamation);
    w->setFocus();
    return false;
  };
  if (name_->text().trimmed().isEmpty()) return refuse(QStringLiteral("Не указано название раздела библиотеки."), name_);
  const QString folder = q(withSeparator(folder_->text().trimmed().toStdString()));
  if (folder.isEmpty()) return refuse(QStringLiteral("Не указано местонахождение раздела."), folder_);
  const struct {
    QLineEdit* e;
    QString text;
    std::size_t width;
    const char* label;
  } checks[] = {{name_, name_->text(), 200, "Каталог библиотеки:"}, {folder_, folder, 255, "Местонахождение:"}, {note_, note_->text(), 256, "Примечание:"}};
  for (const auto& c : checks) {
    std::string why;
    if (!recordText(c.text.toStdString(), c.width, &why)) return refuse(QString::fromUtf8(c.label) + QLatin1Char(' ') + q(why) + QLatin1Char('.'), c.e);
  }
  folder_->setText(folder);
  rec_.NAMEBD = ui::toRecord(name_->text().trimmed());
  rec_.DIRBD = ui::toRecord(folder);
  rec_.PRIM = ui::toRecord(note_->text().trimmed());
  return true;
}

// ---------------------------------------------------------------- the window

TestLibraryWindow::TestLibraryWindow(setup::Installation& inst, bool choosing, QWidget* parent)
    : QDialog(parent), inst_(inst), choosing_(choosing) {
  setWindowTitle(kTitle);
  setObjectName(QString::fromLatin1(kLibraryWindow));
  startProgram = [](const QString& line, const QString& dir) { return ui::runProgram(line, dir); };
  transferMenu = [](QWidget* parent) -> std::optional<Transfer> {
    QMenu m(parent);
    QAction* copy = m.addAction(QStringLiteral("Копировать"));
    QAction* move = m.addAction(QStringLiteral("Переместить"));
    m.addAction(QStringLiteral("Отмена"));
    QAction* a = m.exec(QCursor::pos());
    if (a == copy) return Transfer::Copy;
    if (a == move) return Transfer::Move;
    return std::nullopt;
  };
  chooseFolder = [](QWidget* parent, const QString& start) { return ui::chooseDirectory(parent, QStringLiteral("Выбор каталога"), start); };

  auto* outer = new QVBoxLayout(this);
  auto* split = new QSplitter(this);
  auto* left = new QGroupBox(QStringLiteral("Разделы библиотеки тестов"), split);
  auto* ll = new QVBoxLayout(left);
  bases_ = new QTreeWidget(left);
  bases_->setHeaderHidden(true);
  bases_->setAcceptDrops(true);
  bases_->viewport()->setAcceptDrops(true);
  bases_->viewport()->installEventFilter(this);
  ll->addWidget(bases_);
  auto* right = new QGroupBox(QStringLiteral("Список тестов в выбранной Базе Данных"), split);
  auto* rl = new QVBoxLayout(right);
  tests_ = new QTreeWidget(right);
  tests_->setHeaderLabels({QStringLiteral("Файлы тестов"), QStringLiteral("Дата")});
  tests_->setRootIsDecorated(false);
  tests_->setDragEnabled(true);
  tests_->setDragDropMode(QAbstractItemView::DragOnly);
  tests_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  tests_->setToolTip(QStringLiteral("Перетащите тест на другой раздел, чтобы скопировать или переместить его"));
  rl->addWidget(tests_);
  split->addWidget(left);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  outer->addWidget(split, 1);

  auto* details = new QGroupBox(QStringLiteral("Данные о разделе библиотеки"), this);
  auto* df = new QFormLayout(details);
  created_ = new QLabel(details);
  note_ = new QLabel(details);
  note_->setWordWrap(true);
  df->addRow(QStringLiteral("Создана:"), created_);
  df->addRow(QStringLiteral("Заметка:"), note_);
  outer->addWidget(details);

  auto* baseRow = new QHBoxLayout;
  baseDir_ = new QLineEdit(q(inst_.base), this);
  auto* pick = new QPushButton(QStringLiteral("..."), this);
  pick->setFixedWidth(32);
  pick->setAutoDefault(false);
  pick->setToolTip(QStringLiteral("Выбор каталога"));
  baseRow->addWidget(new QLabel(QStringLiteral("База данных:"), this));
  baseRow->addWidget(baseDir_, 1);
  baseRow->addWidget(pick);
  outer->addLayout(baseRow);

  auto* buttons = new QHBoxLayout;
  const char* names[] = {"&Добавить", "&Изменить", "&Удалить", "Резервная", "OK", "Проводник", "Печать", "Выбрать", "Отмена"};
  for (const char* n : names) {
    auto* b = new QPushButton(QString::fromUtf8(n), this);
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  outer->addLayout(buttons);
  reserve_ = button(QStringLiteral("Резервная"));
  button(QStringLiteral("Выбрать"))->setVisible(choosing_);
  button(choosing_ ? QStringLiteral("Выбрать") : QStringLiteral("OK"))->setDefault(true);

  connect(bases_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* it) {
    if (it && it->data(0, Qt::UserRole).isValid()) {
      current_ = it->data(0, Qt::UserRole).toInt();
      showBase();
    }
  });
  connect(tests_, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (choosing_) chooseTest();
  });
  connect(button(QStringLiteral("&Добавить")), &QPushButton::clicked, this, [this] { baseRequest(ui::Insert); });
  connect(button(QStringLiteral("&Изменить")), &QPushButton::clicked, this, [this] { baseRequest(ui::Change); });
  connect(button(QStringLiteral("&Удалить")), &QPushButton::clicked, this, [this] { baseRequest(ui::Delete); });
  connect(reserve_, &QPushButton::clicked, this, &TestLibraryWindow::switchLibrary);
  connect(button(QStringLiteral("OK")), &QPushButton::clicked, this, &QDialog::accept);
  connect(button(QStringLiteral("Проводник")), &QPushButton::clicked, this, &TestLibraryWindow::openFileManager);
  connect(button(QStringLiteral("Печать")), &QPushButton::clicked, this, &TestLibraryWindow::print);
  connect(button(QStringLiteral("Выбрать")), &QPushButton::clicked, this, &TestLibraryWindow::chooseTest);
  connect(button(QStringLiteral("Отмена")), &QPushButton::clicked, this, &QDialog::reject);
  connect(pick, &QPushButton::clicked, this, [this] {
    const QString d = chooseFolder ? chooseFolder(this, baseDir_->text()) : QString();
    if (!d.isEmpty()) redefineBase(d);
  });
  connect(baseDir_, &QLineEdit::editingFinished, this, &TestLibraryWindow::typedBase);
  // Enter there ends the typing only: it must not press the window's default button.
  baseDir_->installEventFilter(this);
  ui::alertKey(this, QKeySequence(Qt::Key_F5), [this] { refresh(); });
  ui::attachProcedure(this, QString::fromLatin1(kLibraryWindow));
  resize(820, 560);
  refresh();
}

QPushButton* TestLibraryWindow::button(const QString& text) const {
  for (auto* b : findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

void TestLibraryWindow::refresh() {
  const std::int32_t keep = current_ >= 0 && current_ < static_cast<int>(list_.size()) ? list_[static_cast<std::size_t>(current_)].CODEBD : 0;
  tell(TestLibrary(inst_, library_).bases(list_), kTitle);
  bases_->blockSignals(true);
  bases_->clear();
  auto* root = new QTreeWidgetItem(bases_, {QString::fromUtf8(libraryTitle(library_))});
  current_ = list_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < list_.size(); ++i) {
    auto* it = new QTreeWidgetItem(root, {ui::fromRecord(list_[i].NAMEBD.view())});
    it->setData(0, Qt::UserRole, static_cast<int>(i));
    it->setToolTip(0, folderOf(list_[i]));
    if (list_[i].CODEBD == keep) current_ = static_cast<int>(i);
  }
  root->setExpanded(true);
  if (current_ >= 0) bases_->setCurrentItem(root->child(current_));
  bases_->blockSignals(false);
  reserve_->setText(library_ == Library::Main ? QStringLiteral("Резервная") : QStringLiteral("Основная"));
  showBase();
}

void TestLibraryWindow::chooseBase(int index) {
  if (index < 0 || index >= static_cast<int>(list_.size())) return;
  bases_->setCurrentItem(bases_->topLevelItem(0)->child(index));
}

void TestLibraryWindow::showBase() {
  tests_->clear();
  if (current_ < 0 || current_ >= static_cast<int>(list_.size())) {
    created_->clear();
    note_->clear();
    return;
  }
  const auto& b = list_[static_cast<std::size_t>(current_)];
  created_->setText(q(dateText(b.DATECR) + "  " + timeText(b.TIMECR)).trimmed());
  note_->setText(ui::fromRecord(b.PRIM.view()));
  for (const TestFile& t : testsIn(folderOf(b).toStdString())) {
    auto* it = new QTreeWidgetItem(tests_, {q(t.file), q(dateText(t.date))});
    it->setData(0, Qt::UserRole, q(t.name));
  }
  if (tests_->topLevelItemCount() > 0) tests_->setCurrentItem(tests_->topLevelItem(0));
}

void TestLibraryWindow::baseRequest(ui::Request r) {
  if (r != ui::Insert && current_ < 0) return;
  OpenTable<tables::PathFile> t(tables::pathFileDef(), libraryFile(inst_, library_), nullptr);
  if (!t.open()) return;
  store::Position pos = 0;
  if (r != ui::Insert) {
    t.rec.CODEBD = list_[static_cast<std::size_t>(current_)].CODEBD;
    if (t.table.get(t.table.key("KEYCODEBD")) != store::Ok) {
      ms().ask(QStringLiteral("Раздел библиотеки не найден: его удалили на другой станции."), kTitle);
      refresh();
      return;
    }
    pos = t.table.position();
  } else {
    t.rec = tables::PathFile{};
  }
  BaseForm f(t.table, t.rec, this);
  if (f.run(r, pos) && r == ui::Insert) {
    // The new base becomes current.
    list_.clear();
    tell(TestLibrary(inst_, library_).bases(list_), kTitle);
    for (std::size_t i = 0; i < list_.size(); ++i)
      if (list_[i].CODEBD == t.rec.CODEBD) current_ = static_cast<int>(i);
  }
  refresh();
}

void TestLibraryWindow::dropTest(const QString& file, int target) {
  if (target < 0 || target >= static_cast<int>(list_.size()) || target == current_) return;
  if (!transferMenu) return;
  if (auto how = transferMenu(this)) transferTest(file, target, *how);
}

bool TestLibraryWindow::transferTest(const QString& file, int target, Transfer how) {
  if (current_ < 0 || target < 0 || target >= static_cast<int>(list_.size())) return false;
  const auto& from = list_[static_cast<std::size_t>(current_)];
  const auto& to = list_[static_cast<std::size_t>(target)];
  const QString toName = ui::fromRecord(to.NAMEBD.view());
  Outcome o = TestLibrary(inst_, library_).transfer(file.toStdString(), from, to, how, [&](const std::string& name) {
    return askYes(QStringLiteral("В разделе «%1» уже есть тест «%2».\nЗаменить его?").arg(toName, q(name)), kTitle);
  });
  // A refusal by the user needs no message.
  const bool ok = o || (o.error == Outcome::Refused && o.message.empty());
  if (!o && !o.message.empty()) tell(o, kTitle);
  showBase();
  return ok && o;
}

void TestLibraryWindow::switchLibrary() {
  const Library other = library_ == Library::Main ? Library::Reserve : Library::Main;
  if (!askYes(QStringLiteral("Перейти к библиотеке «%1»?").arg(QString::fromUtf8(libraryTitle(other))), kTitle)) return;
  library_ = other;
  current_ = -1;
  refresh();
}

void TestLibraryWindow::redefineBase(const QString& dir) {
  const QString d = q(withSeparator(dir.trimmed().toStdString()));
  if (d.isEmpty() || d == q(inst_.base)) {
    baseDir_->setText(q(inst_.base));
    return;
  }
  if (!askYes(QStringLiteral("Вы уверены, что хотите переопределить\nЦентральную Базу Данных?\nЭто рекомендуется делать только в крайнем случае."),
              QStringLiteral("Новая База Данных"))) {
    baseDir_->setText(q(inst_.base));
    return;
  }
  if (!tell(redefineCentralBase(inst_, d.toStdString()), QStringLiteral("Новая База Данных"))) {
    baseDir_->setText(q(inst_.base));
    return;
  }
  baseDir_->setText(d);
  if (askYes(QStringLiteral("Создать впомогательные поддиректории?\nРекомендуется."), QStringLiteral("Поддиректории")))
    tell(makeBaseFolders(d.toStdString()), QStringLiteral("Поддиректории"));
  current_ = -1;
  refresh();
}

void TestLibraryWindow::typedBase() {
  // Enter and the focus leaving for the question box both end the typing:
  // the question is asked once.
  if (askingBase_) return;
  const QScopedValueRollback<bool> asking(askingBase_, true);
  baseDir_->setModified(false);
  const QString typed = baseDir_->text().trimmed();
  if (typed.isEmpty() || q(withSeparator(typed.toStdString())) == q(inst_.base)) return;
  // A typed folder is made, with its parents and sub-folders, before it becomes the base.
  if (!askYes(QStringLiteral("Вы уверены, что хотите переопределить\nЦентральную Базу Данных?\nЭто рекомендуется делать только в крайнем случае."),
              QStringLiteral("Новая База Данных"))) {
    baseDir_->setText(q(inst_.base));
    return;
  }
  if (!tell(makeBaseFolders(typed.toStdString()), QStringLiteral("Новая База Данных")) ||
      !tell(redefineCentralBase(inst_, typed.toStdString()), QStringLiteral("Новая База Данных"))) {
    baseDir_->setText(q(inst_.base));
    return;
  }
  baseDir_->setText(q(inst_.base));
  current_ = -1;
  refresh();
}

void TestLibraryWindow::openFileManager() {
  const QString base = q(inst_.base.empty() ? inst_.workingDir : inst_.base).trimmed();
  if (startProgram) startProgram(QStringLiteral("Explorer.exe /n,/e,") + base, q(inst_.workingDir));
}

std::unique_ptr<ui::Report> TestLibraryWindow::listReport() const {
  auto r = std::make_unique<ui::Report>(QStringLiteral("Список тестов"));
  r->setPageNumbers();
  r->addText(QStringLiteral("Список тестов: ") + QString::fromUtf8(libraryTitle(library_)), 14, true, Qt::AlignHCenter);
  r->addSpace(8);
  const double w = r->area().width();
  for (const auto& b : list_) {
    r->addText(ui::fromRecord(b.NAMEBD.view()) + QStringLiteral(" (") + folderOf(b) + QLatin1Char(')'), 11, true);
    const auto tests = testsIn(folderOf(b).toStdString());
    if (tests.empty()) r->addText(QStringLiteral("    тестов нет"), 9);
    for (const TestFile& t : tests) r->addRow({24, w - 24 - 90, 90}, {QString(), q(t.name), q(dateText(t.date))}, 9);
    r->addSpace(6);
  }
  return r;
}

void TestLibraryWindow::print() {
  ui::ProgressWindow progress(QStringLiteral("Формирование списка тестов..."), this);
  progress.show();
  progress.step(0);
  auto r = listReport();
  r->pageCount();  // lays the pages out under the progress window
  progress.step(100);
  progress.close();
  ui::Previewer p(*r, this);
  p.exec();
}

void TestLibraryWindow::chooseTest() {
  QTreeWidgetItem* it = tests_->currentItem();
  if (!choosing_ || !it || current_ < 0) return;
  chosen_ = LibraryChoice{it->data(0, Qt::UserRole).toString(), folderOf(list_[static_cast<std::size_t>(current_)])};
  accept();
}

bool TestLibraryWindow::eventFilter(QObject* o, QEvent* e) {
  if (o == baseDir_ && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      typedBase();
      return true;
    }
  }
  if (o == bases_->viewport()) {
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
      auto* d = static_cast<QDropEvent*>(e);
      QTreeWidgetItem* it = bases_->itemAt(d->position().toPoint());
      const bool base = it && it->data(0, Qt::UserRole).isValid() && it->data(0, Qt::UserRole).toInt() != current_;
      if (d->source() == tests_ && (e->type() == QEvent::DragEnter || base)) d->acceptProposedAction();
      else d->ignore();
      return true;
    }
    if (e->type() == QEvent::Drop) {
      auto* d = static_cast<QDropEvent*>(e);
      QTreeWidgetItem* it = bases_->itemAt(d->position().toPoint());
      QTreeWidgetItem* test = tests_->currentItem();
      if (d->source() == tests_ && it && test && it->data(0, Qt::UserRole).isValid()) {
        d->acceptProposedAction();
        const QString file = test->text(0);
        const int target = it->data(0, Qt::UserRole).toInt();
        // After the drag has ended: the menu runs an event loop of its own.
        QMetaObject::invokeMethod(this, [this, file, target] { dropTest(file, target); }, Qt::QueuedConnection);
      }
      return true;
    }
  }
  return QDialog::eventFilter(o, e);
}

void TestLibraryWindow::done(int r) {
  ui::saveWindow(this, QString::fromLatin1(kLibraryWindow));
  QDialog::done(r);
}

std::optional<LibraryChoice> chooseLibraryTest(setup::Installation& inst, QWidget* parent) {
  TestLibraryWindow w(inst, true, parent);
  w.exec();
  return w.chosen();
}

// ----------------------------------------------------------- the database report

std::unique_ptr<ui::Report> databaseReportPages(const DatabaseReport& d) {
  auto r = std::make_unique<ui::Report>(QStringLiteral("Подробный отчет по Базе данных"));
  const QFont small = r->font(8);
  r->setPageFooter(16, [small](QPainter& p, const QRectF& area, int page, int) {
    p.setFont(small);
    p.drawLine(area.topLeft(), area.topRight());
    p.drawText(area, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Система компьютерного тетсирования ОРМИДА 2.0"));
    p.drawText(area, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Лист %1").arg(page));
  });
  r->addText(QStringLiteral("Подробный отчет по Базе данных"), 15, true, Qt::AlignHCenter);
  r->addText(QStringLiteral("по состоянию на ") + q(d.date), 10, false, Qt::AlignHCenter);
  r->addText(QStringLiteral("Администратор: ") + q(d.administrator), 10, false, Qt::AlignHCenter);
  r->addSpace(10);
  const double w = r->area().width();
  const std::vector<double> cols{130, w - 130};
  for (const auto& b : d.blocks) {
    r->addRow(cols, {QStringLiteral("Код: "), QString::number(b.code)}, 10, true);
    r->addRow(cols, {QStringLiteral("Каталог библиотеки:"), q(b.name)}, 10);
    r->addRow(cols, {QStringLiteral("Местонахождение:"), q(b.folder)}, 10);
    r->addRow(cols, {QStringLiteral("Дата создания:"), q(b.created)}, 10);
    r->addRow(cols, {QStringLiteral("Примечание:"), q(b.note)}, 10);
    for (std::size_t i = 0; i < std::max<std::size_t>(1, b.tests.size()); ++i)
      r->addRow(cols, {i == 0 ? QStringLiteral("Список тестов:") : QString(), b.tests.empty() ? QStringLiteral("нет") : q(b.tests[i])}, 10);
    r->addSpace(12);
  }
  return r;
}

// ------------------------------------------------------------------ openers

QWidget* AdministratorApp::openTestLibrary() {
  auto* w = new TestLibraryWindow(inst_, false, frame_.get());
  if (startProgram) w->startProgram = startProgram;
  showExclusive(w);
  return w;
}

void AdministratorApp::databaseReport() {
  DatabaseReport d;
  ui::ProgressWindow progress(QStringLiteral("Формирование отчета по базе данных..."), frame_.get());
  progress.show();
  progress.step(0);
  const Outcome o = administrator::databaseReport(inst_, datetime::today(), glb_.ADMINISTRATOR.utf8(), d);
  progress.step(50);
  if (!tell(o, QStringLiteral("Отчет по базе данных"))) return;
  auto r = databaseReportPages(d);
  r->pageCount();
  progress.step(100);
  progress.close();
  ui::Previewer p(*r, frame_.get());
  p.exec();
}

}  // namespace administrator
