#include "navigator.h"

#include <algorithm>
#include <set>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "browse.h"
#include "commands.h"
#include "cp1251.h"
#include "frame_filter_window.h"
#include "frame_operations.h"
#include "icons.h"
#include "message_service.h"
#include "record_format.h"
#include "services.h"
#include "test_dialogs.h"
#include "test_names.h"
#include "test_summary.h"
#include "user_events.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }

QString u8(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kOrderKeys[] = {"KEYCODEVOP", "KEYCODEVARTEST", "KEYCODERAZ", "KEYTYPEKADR", "KEYLEVEL"};

QIcon frameIcon(const tables::Vop& v) {
  static const QIcon standard = ui::letterIcon(QStringLiteral("С"), QColor(52, 101, 164));
  static const QIcon object = ui::letterIcon(QStringLiteral("О"), QColor(196, 120, 20));
  return v.TYPEEDIT.view() == "Objk" ? object : standard;
}

// Guards a command against a second one started from inside its message boxes.
struct Busy {
  explicit Busy(bool& b) : b_(b) { b_ = true; }
  ~Busy() { b_ = false; }
  bool& b_;
};

}  // namespace

Navigator::Navigator(Startup& s, QWidget* parent)
    : QWidget(parent), s_(s), register_(s.inst.central(tables::files::DataTest)) {
  setObjectName(QString::fromLatin1(kProcedure));
  startProgram = [](const QString& c, const QString& d) { return ui::runProgram(c, d); };
  askPassword = [this](const QString& name, const std::string& expected) -> std::optional<std::string> {
    TestPasswordWindow w(name, expected, this);
    if (w.exec() != QDialog::Accepted) return std::nullopt;
    return w.accepted();
  };

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  bar_ = new QToolBar(QStringLiteral("Навигатор"), this);
  bar_->setIconSize(QSize(22, 22));
  outer->addWidget(bar_);

  split_ = new QSplitter(Qt::Horizontal, this);
  left_ = new QSplitter(Qt::Vertical, split_);
  right_ = new QSplitter(Qt::Vertical, split_);
  for (auto* sp : {split_, left_, right_}) {
    sp->setChildrenCollapsible(false);
    sp->setHandleWidth(6);
    // The bar shows in the highlight colour while it is dragged.
    sp->setStyleSheet(QStringLiteral("QSplitter::handle:pressed { background: palette(highlight); }"));
  }

  tests_ = new QTableWidget(0, 5, left_);
  tests_->setObjectName(QStringLiteral("tests"));
  tests_->setHorizontalHeaderLabels({QStringLiteral("Тесты"), QStringLiteral("Имя"), QStringLiteral("Дата"),
                                     QStringLiteral("Размер"), QStringLiteral("Атрибуты")});
  for (int c : {1, 3, 4}) tests_->setColumnHidden(c, true);
  tests_->verticalHeader()->hide();
  tests_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tests_->setSelectionMode(QAbstractItemView::SingleSelection);
  tests_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tests_->setContextMenuPolicy(Qt::CustomContextMenu);
  tests_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  tests_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  tests_->verticalHeader()->setDefaultSectionSize(tests_->fontMetrics().height() + 8);
  tests_->setMinimumSize(25, 25);

  props_ = new QTreeWidget(left_);
  props_->setObjectName(QStringLiteral("properties"));
  props_->setColumnCount(2);
  props_->setHeaderLabels({QStringLiteral("Характеристика"), QStringLiteral("Значение")});
  props_->setRootIsDecorated(false);
  props_->setAlternatingRowColors(true);
  props_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  props_->setMinimumSize(25, 25);

  framesBox_ = new QWidget(right_);
  framesLayout_ = new QVBoxLayout(framesBox_);
  framesLayout_->setContentsMargins(0, 0, 0, 0);
  noFrames_ = new QLabel(QStringLiteral("Нет данных"), framesBox_);
  noFrames_->setAlignment(Qt::AlignCenter);
  noFrames_->setFrameShape(QFrame::StyledPanel);
  framesLayout_->addWidget(noFrames_);
  framesBox_->setMinimumSize(25, 25);

  preview_ = new QPlainTextEdit(right_);
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setReadOnly(true);
  preview_->setMinimumSize(25, 25);

  split_->addWidget(left_);
  split_->addWidget(right_);
  split_->setStretchFactor(0, 1);
  split_->setStretchFactor(1, 3);
  for (auto* sp : {left_, right_}) {
    sp->setStretchFactor(0, 3);
    sp->setStretchFactor(1, 1);
  }
  // One horizontal bar under both lists: the two columns move together.
  connect(left_, &QSplitter::splitterMoved, this, [this] { right_->setSizes(left_->sizes()); });
  connect(right_, &QSplitter::splitterMoved, this, [this] { left_->setSizes(right_->sizes()); });
  outer->addWidget(split_, 1);

  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  baseLabel_ = new QLabel(status_);
  pathLabel_ = new QLabel(status_);
  status_->addWidget(baseLabel_);
  status_->addWidget(pathLabel_, 1);
  outer->addWidget(status_);

  buildToolBar();
  connect(tests_, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
    if (filling_ || row == previous || row < 0) return;
    if (busy_ || !openTestAt(row)) {
      // The Navigator stays where it was.
      filling_ = true;
      tests_->setCurrentCell(previous, 0);
      filling_ = false;
    }
  });
  connect(tests_, &QTableWidget::cellDoubleClicked, this, [this](int, int) { run(OpenScenario); });
  connect(tests_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { testsMenu()->exec(tests_->viewport()->mapToGlobal(p)); });
  setCaption();
  updateState();
}

Navigator::~Navigator() {
  delete frames_;
  frames_ = nullptr;
  tf_.reset();
}

// ----------------------------------------------------------------- tool bar

void Navigator::buildToolBar() {
  auto add = [this](int command, const QIcon& icon, const QString& tip) {
    QAction* a = bar_->addAction(icon, tip);
    a->setToolTip(tip);
    a->setObjectName(QStringLiteral("command%1").arg(command));
    connect(a, &QAction::triggered, this, [this, command] { ui::post(this, command); });
    actions_[command] = a;
    return a;
  };
  using ui::styleIcon;
  add(NewTest, styleIcon(QStyle::SP_FileIcon), QStringLiteral("Cценарий нового теста"));
  add(OpenScenario, styleIcon(QStyle::SP_DialogOpenButton), QStringLiteral("Открыть сценарий выделенного теста"));
  add(TrialRun, styleIcon(QStyle::SP_MediaPlay), QStringLiteral("Отладочное тестирование"));
  add(PrintTest, ui::letterIcon(QStringLiteral("П"), QColor(90, 90, 90)), QStringLiteral("Печать заданий теста"));
  QAction* lock = bar_->addAction(ui::lockIcon(), QStringLiteral("Блокировка программы"));
  lock->setObjectName(QStringLiteral("lock"));
  connect(lock, &QAction::triggered, this, [this] { emit lockRequested(); });
  bar_->addSeparator();
  add(NewStandardFrame, ui::letterIcon(QStringLiteral("С+"), QColor(52, 101, 164)), QStringLiteral("Создать новый стандартный кадр"));
  add(OpenFrame, styleIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Открыть выделенный кадр теста"));
  add(DeleteFrames, styleIcon(QStyle::SP_DialogDiscardButton), QStringLiteral("Удалить выделенный кадр теста"));
  add(DeleteTest, styleIcon(QStyle::SP_TrashIcon), QStringLiteral("Удалить выделенный тест"));
  add(NewObjectFrame, ui::letterIcon(QStringLiteral("О+"), QColor(196, 120, 20)), QStringLiteral("Создать новый  объектный кадр"));
  QAction* calc = bar_->addAction(ui::calculatorIcon(), QStringLiteral("Калькулятор"));
  calc->setObjectName(QStringLiteral("calculator"));
  connect(calc, &QAction::triggered, this, [this] { emit calculatorRequested(); });
  QAction* help = bar_->addAction(ui::helpIcon(), QStringLiteral("Подсказка"));
  connect(help, &QAction::triggered, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  add(CopyFrames, ui::letterIcon(QStringLiteral("Кп"), QColor(80, 120, 80)), QStringLiteral("Копировать отмеченные кадры в другой тест"));
  add(MoveFrames, ui::letterIcon(QStringLiteral("Пм"), QColor(120, 80, 80)), QStringLiteral("Переместить отмеченные кадры в другой тест"));
  bar_->addSeparator();
  add(MoveFirst, ui::arrowIcon(ui::Arrow::Top), QStringLiteral("Сделать первой"));
  add(MoveUp, ui::arrowIcon(ui::Arrow::Up), QStringLiteral("Переместить вверх"));
  add(MoveDown, ui::arrowIcon(ui::Arrow::Down), QStringLiteral("Переместить вниз"));
  add(MoveLast, ui::arrowIcon(ui::Arrow::Bottom), QStringLiteral("Сделать последней"));
  add(Renumber, styleIcon(QStyle::SP_BrowserReload), QStringLiteral("Обновить список"));
  add(FilterFrames, ui::letterIcon(QStringLiteral("Ф"), QColor(110, 60, 140)), QStringLiteral("Настроить фильтр"));
  bar_->addSeparator();
  add(SortByCode, ui::letterIcon(QStringLiteral("К"), QColor(40, 110, 120)), QStringLiteral("Сортировка по коду"))->setCheckable(true);
  add(SortByVariant, ui::letterIcon(QStringLiteral("В"), QColor(40, 110, 120)), QStringLiteral("Сортировка по вариантам"))->setCheckable(true);
  add(SortBySection, ui::letterIcon(QStringLiteral("Р"), QColor(40, 110, 120)), QStringLiteral("Сортировка по разделам"))->setCheckable(true);
  add(SortByType, ui::letterIcon(QStringLiteral("Т"), QColor(40, 110, 120)), QStringLiteral("Сортировка по типу кадра"))->setCheckable(true);
  add(SortByLevel, ui::letterIcon(QStringLiteral("Сл"), QColor(40, 110, 120)), QStringLiteral("Сортировка по сложности"))->setCheckable(true);
  add(FlipDirection, ui::arrowIcon(ui::Arrow::Down, QColor(40, 110, 120)), QStringLiteral("Изменить направление сортировки"));
}

QAction* Navigator::action(int command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* Navigator::testsMenu() {
  delete testsMenu_;
  testsMenu_ = new QMenu(this);
  auto add = [this](const QString& text, int command) {
    QAction* a = testsMenu_->addAction(text, this, [this, command] { ui::post(this, command); });
    a->setEnabled(canRun(command));
  };
  add(QStringLiteral("Новый тест"), NewTest);
  add(QStringLiteral("Открыть сценарий теста"), OpenScenario);
  add(QStringLiteral("Удалить тест"), DeleteTest);
  add(QStringLiteral("Печать"), PrintTest);
  add(QStringLiteral("Тестирование"), TrialRun);
  return testsMenu_;
}

QMenu* Navigator::framesMenu() {
  delete framesMenu_;
  framesMenu_ = new QMenu(this);
  auto add = [this](const QString& text, int command) {
    QAction* a = framesMenu_->addAction(text, this, [this, command] { ui::post(this, command); });
    a->setEnabled(canRun(command));
  };
  add(QStringLiteral("Новый стандартный кадр"), NewStandardFrame);
  add(QStringLiteral("Новый встроенный кадр"), NewObjectFrame);
  add(QStringLiteral("Открыть кадр"), OpenFrame);
  add(QStringLiteral("Удалить кадр"), DeleteFrames);
  framesMenu_->addSeparator();
  add(QStringLiteral("Отметить все записи"), TagAll);
  add(QStringLiteral("Снять все отметки"), UntagAll);
  add(QStringLiteral("Реверсировать отметки"), FlipTags);
  framesMenu_->addSeparator();
  add(QStringLiteral("Копировать в ..."), CopyFrames);
  add(QStringLiteral("Переместить в ..."), MoveFrames);
  add(QStringLiteral("Фильтр"), FilterFrames);
  return framesMenu_;
}

// ----------------------------------------------------------------- the base and its tests

void Navigator::load() {
  base_ = currentBase(s_.inst.ini);
  s_.inst.libraryDir = base_;
  fillTests();
}

void Navigator::setBaseName(const QString& name, std::int32_t code) {
  baseName_ = name;
  baseCode_ = code;
  setCaption();
}

void Navigator::setCaption() {
  if (base_.empty()) setWindowTitle(QStringLiteral("Навигатор: составление сценария и монтаж кадров"));
  else setWindowTitle(QStringLiteral("Навигатор - [База Тестов - ") + u8(base_) + QStringLiteral("]"));
  baseLabel_->setText(QStringLiteral("БД - ") + baseName_);
  pathLabel_->setText(QStringLiteral("Путь - ") + u8(base_));
}

bool Navigator::changeBase(const std::string& dir, const QString& name, std::int32_t code) {
  if (busy_) return false;
  std::string d = dir;
  if (!d.empty() && d.back() != '/') d += '/';
  bool createAfter = false;
  if (testsOf(d).empty()) {
    int a = ms().ask(QStringLiteral("В данной библиотеке нет тестов|Создать новый тест?"), QStringLiteral("Нет данных"),
                     messages::Buttons::YesNo, messages::Icon::Question);
    if (a != messages::Yes) return false;
    createAfter = true;
  }
  if (!tablesMayClose()) return false;
  if (!setCurrentBase(s_.inst.ini, d)) {
    ms().ask(QStringLiteral("Не удалось записать текущую базу тестов в файл ") + u8(s_.inst.ini.path()) + QStringLiteral("."),
             QStringLiteral("База тестов"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  closeTest();
  baseName_ = name;
  baseCode_ = code;
  load();
  if (createAfter) run(NewTest);
  return true;
}

void Navigator::fillTests(const QString& select) {
  filling_ = true;
  tests_->clearContents();
  auto list = base_.empty() ? std::vector<ListedTest>{} : testsOf(base_);
  noTests_ = list.empty();
  if (noTests_) {
    tests_->setRowCount(1);
    tests_->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Нет данных")));
  } else {
    tests_->setRowCount(static_cast<int>(list.size()));
    int row = 0;
    for (const auto& t : list) {
      QFileInfo fi(u8(testPath(base_, t.base)));
      auto* name = new QTableWidgetItem(u8(t.shown));
      name->setData(Qt::UserRole, u8(t.base));
      name->setToolTip(u8(t.base));
      tests_->setItem(row, 0, name);
      tests_->setItem(row, 1, new QTableWidgetItem(u8(t.base).left(13)));
      tests_->setItem(row, 2, new QTableWidgetItem(fi.lastModified().date().toString(QStringLiteral("dd.MM.yyyy"))));
      tests_->setItem(row, 3, new QTableWidgetItem(QString::number(fi.size())));
      tests_->setItem(row, 4, new QTableWidgetItem(fi.isWritable() ? QString() : QStringLiteral("R")));
      ++row;
    }
  }
  int row = 0;
  if (!select.isEmpty())
    for (int r = 0; r < tests_->rowCount(); ++r)
      if (tests_->item(r, 0)->data(Qt::UserRole).toString().compare(select, Qt::CaseInsensitive) == 0) row = r;
  tests_->setCurrentCell(row, 0);
  filling_ = false;
  setCaption();
  if (noTests_) {
    closeTest();
  } else if (!openTestAt(row)) {
    // A test that does not open leaves the lists empty, not stale.
    closeTest();
  }
  updateState();
}

QString Navigator::currentTest() const { return tf_ ? current_ : QString(); }

QString Navigator::selectedTest() const {
  auto* it = noTests_ ? nullptr : tests_->item(tests_->currentRow(), 0);
  return it ? it->data(Qt::UserRole).toString() : QString();
}

bool Navigator::selectTest(const QString& baseName) {
  for (int r = 0; r < tests_->rowCount(); ++r) {
    auto* it = tests_->item(r, 0);
    if (it && it->data(Qt::UserRole).toString() == baseName) {
      tests_->setCurrentCell(r, 0);
      return current_ == baseName && tf_;
    }
  }
  return false;
}

bool Navigator::tablesMayClose() { return !mayCloseTest || mayCloseTest(); }

bool Navigator::openTestAt(int row) {
  auto* item = tests_->item(row, 0);
  if (noTests_ || !item) return false;
  const QString name = item->data(Qt::UserRole).toString();
  if (tf_ && name == current_) return true;
  if (tf_ && !tablesMayClose()) return false;
  Busy busy(busy_);
  auto next = std::make_unique<testfile::TestFile>();
  next->name(base_, name.toStdString(), s_.inst.keyWord);
  int rc = next->open();
  if (rc != store::Ok) {
    store::ErrorInfo e = next->error();
    messages::Procedure(ms()).show(messages::openFailure(e, next->path()), &e);
    return false;
  }
  const std::string password(next->tema.PASSW.view());
  if (!password.empty() && password != lastPassword_) {
    auto word = askPassword ? askPassword(item->text(), password) : std::nullopt;
    if (!word) return false;  // back to the previous test
    lastPassword_ = *word;
  }
  closeTest();
  tf_ = std::move(next);
  current_ = name;
  buildFrames();
  fillProperties();
  updateState();
  return true;
}

void Navigator::closeTest() {
  if (frames_) {
    framesLayout_->removeWidget(frames_);
    delete frames_;
    frames_ = nullptr;
  }
  noFrames_->show();
  tf_.reset();
  current_.clear();
  frameCount_ = 0;
  preview_->clear();
  props_->clear();
  emit frameChanged();
}

void Navigator::reopenTest() {
  if (!tf_) return;
  const QString name = current_;
  const std::uint16_t code = currentCode();
  // The same file opened again: its records keep their positions, and so the tags.
  const std::vector<store::Position> tags = frames_ ? frames_->tagsInOrder() : std::vector<store::Position>{};
  closeTest();
  auto next = std::make_unique<testfile::TestFile>();
  next->name(base_, name.toStdString(), s_.inst.keyWord);
  if (next->open() != store::Ok) {
    fillTests(name);
    return;
  }
  tf_ = std::move(next);
  current_ = name;
  buildFrames(code);
  if (frames_ && !tags.empty()) frames_->setTags(tags);
  fillProperties();
  updateState();
}

void Navigator::fillProperties() {
  props_->clear();
  if (!tf_) return;
  for (const auto& p : testProperties(tf_->tema, tf_->titul, frameCount_))
  {
    auto* it = new QTreeWidgetItem(props_, {u8(p.label), u8(p.value)});
    it->setToolTip(1, u8(p.value));
  }
}

// ----------------------------------------------------------------- the frames list

void Navigator::buildFrames(std::uint16_t landOn) {
  // Tags survive another order, filter or refresh of the same test.
  std::vector<store::Position> tags;
  if (frames_ && tf_) tags = frames_->tagsInOrder();
  if (frames_) {
    framesLayout_->removeWidget(frames_);
    delete frames_;
    frames_ = nullptr;
  }
  if (!tf_) return;
  frameCount_ = static_cast<int>(tf_->vopT.records());
  auto* b = new ui::BrowseWindow(tf_->vopT, &tf_->vop, QStringLiteral("BrowseVop"), QString(), framesBox_);
  b->setObjectName(QStringLiteral("frames"));
  b->setEmbedded(true);
  b->setGroupTitle(QStringLiteral("Задания теста"));
  b->addOrder(tf_->vopT.key(kOrderKeys[order_]), QStringLiteral("Порядок"));
  b->setDescending(descending_);
  b->setTagging(true);
  const store::TableDef& def = tables::vopDef();
  auto vop = [](const void* rec) -> const tables::Vop& { return *static_cast<const tables::Vop*>(rec); };
  ui::Column code(def.fieldIndex("CODEVOP"), QStringLiteral("Код"), 5, ui::Format::integer(3));
  code.icon = [vop](const void* r) { return frameIcon(vop(r)); };
  b->addColumn(code);
  ui::Column question(def.fieldIndex("VOPROS"), QStringLiteral("Вопрос"), 34);
  question.text = [vop](const void* r) {
    QString q = u8(cp1251::toUtf8(vop(r).VOPROS.text)).simplified();
    return q.left(60);
  };
  b->addColumn(question);
  b->addColumn(ui::Column(def.fieldIndex("VARTEST"), QStringLiteral("Вар"), 4, ui::Format::integer(3)));
  b->addColumn(ui::Column(def.fieldIndex("RAZDEL"), QStringLiteral("Раздел"), 20));
  ui::Column mark(def.fieldIndex("CODEVOP"), QStringLiteral("."), 1);
  mark.tagMark = true;
  b->addColumn(mark);
  b->addColumn(ui::Column(def.fieldIndex("TYPEKADR"), QStringLiteral("Тип"), 3, ui::Format::integer(2)));
  b->addColumn(ui::Column(def.fieldIndex("TYPEEDIT"), QStringLiteral("Ред"), 4));
  b->addColumn(ui::Column(def.fieldIndex("OBJECTTYPE"), QStringLiteral("Object Type"), 9));
  b->setRecordFilter([this] { return frameMatches(filter_, tf_->vop); });
  b->setTypeAhead([this](const QString& typed) {
    return u8(cp1251::toUtf8(tf_->vop.VOPROS.text)).trimmed().startsWith(typed, Qt::CaseInsensitive);
  });
  b->setMenuMaker([this](QMenu* m) {
    for (QAction* a : framesMenu()->actions()) m->addAction(a);
  });
  connect(b, &ui::BrowseWindow::userChose, this, [this](store::Position) { showFrame(); });
  connect(b->table(), &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (row < frames_->rowCount()) ui::post(this, OpenFrame);
  });
  b->table()->installEventFilter(this);
  b->table()->viewport()->installEventFilter(this);
  noFrames_->hide();
  framesLayout_->addWidget(b);
  frames_ = b;
  b->show();
  store::Position land = 0;
  if (landOn) {
    tf_->vop.CODEVOP = landOn;
    if (tf_->vopT.get(tf_->vopT.key("KEYCODEVOP")) == store::Ok) land = tf_->vopT.position();
  }
  if (land) b->refresh(land);
  else b->home();
  if (!tags.empty()) b->setTags(tags);
  showFrame();
}

void Navigator::refreshFrames(std::uint16_t landOn) {
  if (!tf_) return;
  // The title's counts may have changed with the frames.
  tf_->titulT.set();
  if (tf_->titulT.next() != store::Ok) tf_->titul = tables::Titul{};
  buildFrames(landOn ? landOn : currentCode());
  fillProperties();
  updateState();
}

bool Navigator::hasFrames() const { return frames_ && frames_->rowCount() > 0; }

std::optional<tables::Vop> Navigator::currentFrame() {
  if (!hasFrames()) return std::nullopt;
  if (tf_->vopT.getAt(frames_->currentPosition()) != store::Ok) return std::nullopt;
  return tf_->vop;
}

std::uint16_t Navigator::currentCode() {
  auto v = currentFrame();
  return v ? v->CODEVOP : 0;
}

std::uint16_t Navigator::codeAt(int row) {
  if (!frames_) return 0;
  store::Position p = frames_->positionAt(row);
  if (!p || tf_->vopT.getAt(p) != store::Ok) return 0;
  return tf_->vop.CODEVOP;
}

std::vector<std::uint16_t> Navigator::taggedCodes() {
  std::vector<std::uint16_t> codes;
  if (!frames_) return codes;
  // In the order they were tagged: copies follow the target's frames so.
  for (store::Position p : frames_->tagsInOrder())
    if (tf_->vopT.getAt(p) == store::Ok) codes.push_back(tf_->vop.CODEVOP);
  return codes;
}

void Navigator::showFrame() {
  auto v = currentFrame();
  if (!v) {
    preview_->clear();
  } else if (v->TYPEEDIT.view() == "Stnd") {
    preview_->setPlainText(u8(cp1251::toUtf8(v->VOPROS.text)));
  } else {
    preview_->setPlainText(QStringLiteral(
        "Формат данного редактора не поддерживается этим полем. Для просмотра вопроса, щелкните два раза мышью по "
        "соответствующей строке в списке заданий"));
  }
  updateState();
  emit frameChanged();
}

void Navigator::setFilter(const FrameFilter& f) {
  filter_ = f;
  buildFrames(currentCode());
}

void Navigator::setSort(Order o, bool descending) {
  const std::uint16_t code = currentCode();
  order_ = o;
  descending_ = descending;
  buildFrames(code);
  updateState();
}

// ----------------------------------------------------------------- commands

bool Navigator::canRun(int command) const {
  const bool open = !noTests_ && tf_ != nullptr;
  const bool frames = open && frames_ && frames_->rowCount() > 0;
  switch (command) {
    case NewTest: return !base_.empty();
    case OpenScenario: return open && scenarioEditor != nullptr;
    case TrialRun: return open;
    // A test file that does not open can still be deleted or renamed.
    case DeleteTest:
    case RenameTest: return !noTests_ && !selectedTest().isEmpty();
    case PrintTest: return open && printTest != nullptr;
    case Synopsis: return open && synopsis != nullptr;
    case NewStandardFrame:
    case NewObjectFrame: return open && openEditor != nullptr;
    case OpenFrame: return frames && openEditor != nullptr;
    case DeleteFrames:
    case Renumber:
    case MoveFirst:
    case MoveUp:
    case MoveDown:
    case MoveLast:
    case TagAll:
    case UntagAll:
    case FlipTags: return frames;
    case CopyFrames:
    case MoveFrames: return frames && chooseTarget != nullptr;
    case FilterFrames:
    case SortByCode:
    case SortByVariant:
    case SortBySection:
    case SortByType:
    case SortByLevel:
    case FlipDirection:
    case RefreshList: return open;
    default: return false;
  }
}

void Navigator::updateState() {
  for (auto& [command, a] : actions_) a->setEnabled(canRun(command));
  const int orderCommand[] = {SortByCode, SortByVariant, SortBySection, SortByType, SortByLevel};
  for (int i = 0; i < 5; ++i) actions_[orderCommand[i]]->setChecked(order_ == i);
  actions_[FlipDirection]->setIcon(ui::arrowIcon(descending_ ? ui::Arrow::Up : ui::Arrow::Down, QColor(40, 110, 120)));
  emit stateChanged();
}

void Navigator::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (placed_) return;
  placed_ = true;
  // The lists take most of the room; the question and the properties the rest.
  const int w = std::max(400, split_->width()), h = std::max(300, left_->height());
  split_->setSizes({w * 3 / 10, w - w * 3 / 10});
  for (auto* sp : {left_, right_}) sp->setSizes({h * 62 / 100, h - h * 62 / 100});
}

bool Navigator::event(QEvent* e) {
  if (e->type() == ui::UserEvent::type()) {
    run(static_cast<ui::UserEvent*>(e)->number());
    return true;
  }
  return QWidget::event(e);
}

bool Navigator::run(int command) {
  if (busy_ || !canRun(command)) return false;
  // Commands that change the frames' codes close a frame editor first (or
  // are refused while it holds changes): it keeps its frame by code.
  switch (command) {
    case DeleteFrames:
    case Renumber:
    case MoveFirst:
    case MoveUp:
    case MoveDown:
    case MoveLast:
    case CopyFrames:
    case MoveFrames:
      if (!tablesMayClose()) return false;
      break;
    default: break;
  }
  bool done = false;
  bool frameAfter = false;
  {
    Busy busy(busy_);
    switch (command) {
      case NewTest: break;  // below, outside the guard: it opens the new test
      case OpenScenario: frameAfter = scenarioEditor(false); done = true; break;
      case TrialRun: done = trialRun(); break;
      case DeleteTest: break;
      case RenameTest: break;
      case PrintTest: printTest(); done = true; break;
      case Synopsis: synopsis(); done = true; break;
      case NewStandardFrame: openEditor(false, 0); done = true; break;
      case NewObjectFrame: openEditor(true, 0); done = true; break;
      case OpenFrame: {
        auto v = currentFrame();
        if (v) openEditor(v->TYPEEDIT.view() == "Objk", v->CODEVOP);
        done = v.has_value();
        break;
      }
      case DeleteFrames: done = deleteFrames(); break;
      case Renumber: done = renumberFrames(); break;
      case MoveFirst:
      case MoveUp:
      case MoveDown:
      case MoveLast: done = moveFrame(command); break;
      case CopyFrames: done = transferFrames(false); break;
      case MoveFrames: done = transferFrames(true); break;
      case FilterFrames: done = chooseFilter(); break;
      case SortByCode: setSort(ByCode, descending_); done = true; break;
      case SortByVariant: setSort(ByVariant, descending_); done = true; break;
      case SortBySection: setSort(BySection, descending_); done = true; break;
      case SortByType: setSort(ByType, descending_); done = true; break;
      case SortByLevel: setSort(ByLevel, descending_); done = true; break;
      case FlipDirection: setSort(order_, !descending_); done = true; break;
      case RefreshList: refreshFrames(); done = true; break;
      case TagAll: frames_->tagAll(); done = true; break;
      case UntagAll: frames_->untagAll(); done = true; break;
      case FlipTags: frames_->flipTags(); done = true; break;
      default: break;
    }
  }
  // These change the tests list, which reopens a test on its own.
  if (command == NewTest) done = newTest();
  if (command == DeleteTest) done = deleteTest();
  if (command == RenameTest) done = renameTest();
  if (command == OpenScenario) {
    reopenTest();
    // "Открыть редактор заданий": on to a new frame.
    if (frameAfter && openEditor) openEditor(false, 0);
  }
  updateState();
  return done;
}

void Navigator::reportFailure(const Outcome& o, const QString& caption) {
  if (o) return;
  ms().ask(u8(o.message), caption, messages::Buttons::Ok, messages::Icon::Exclamation);
}

bool Navigator::warnTaken() {
  if (!tf_ || tf_->titul.KOLRUN <= 0) return true;
  int a = ms().ask(QStringLiteral("Этот тест уже проходили (%1 раз). Сохранённые результаты ссылаются на задания по их "
                                  "номерам: после удаления, перенумерации или перемещения кадров они будут указывать на "
                                  "другие задания.|Продолжить?")
                       .arg(tf_->titul.KOLRUN),
                   QStringLiteral("Тест уже проходили"), messages::Buttons::YesNo, messages::Icon::Exclamation, messages::No);
  return a == messages::Yes;
}

bool Navigator::newTest() {
  if (busy_ || !tablesMayClose()) return false;
  NewTestRequest req;
  req.baseDir = base_;
  req.baseCode = baseCode_;
  req.organisation = std::string(s_.glb.ORG.view());
  req.keyWord = s_.inst.keyWord;
  std::string name;
  bool setParameters = false;
  {
    Busy busy(busy_);
    CreateTestWindow w(register_, req, this);
    if (w.exec() != QDialog::Accepted) return false;
    name = w.name();
    setParameters = w.sequence() == CreateTestWindow::SetParameters;
    // The author has just typed it: not asked again in this run.
    if (!w.typedPassword().empty()) lastPassword_ = cp1251::clip(cp1251::fromUtf8(w.typedPassword()));
  }
  fillTests(u8(name));
  if (current_ != u8(name)) return false;  // created, but it did not open (reported)
  if (setParameters && scenarioEditor) {
    {
      Busy busy(busy_);
      scenarioEditor(true);
    }
    reopenTest();
  }
  if (openEditor) openEditor(false, 0);
  return true;
}

bool Navigator::deleteTest() {
  if (busy_) return false;
  int a = ms().ask(QStringLiteral("Удалить также из диска?|(Предупреждение:вместе со сценарием|будут удалены и все кадры!)"),
                   QStringLiteral("Удаление файлов сценария"), messages::Buttons::YesNo, messages::Icon::Question);
  if (a != messages::Yes || !tablesMayClose()) return false;
  const QString name = selectedTest();
  closeTest();
  Outcome o = register_.remove(base_, name.toStdString());
  reportFailure(o, QStringLiteral("Удаление теста"));
  fillTests(o ? QString() : name);
  return static_cast<bool>(o);
}

bool Navigator::renameTest() {
  if (busy_) return false;
  // Refused at once while a frame editor holds changes to this test.
  if (!tablesMayClose()) return false;
  const QString old = selectedTest();
  QString to;
  {
    Busy busy(busy_);
    RenameTestWindow w(old, this);
    if (w.exec() != QDialog::Accepted) return false;
    to = w.newName();
  }
  if (to.isEmpty() || to == old) return false;
  closeTest();
  Outcome o = register_.rename(base_, old.toStdString(), to.toStdString(), s_.inst.keyWord);
  reportFailure(o, QStringLiteral("Переименовать файл теста"));
  fillTests(o ? to : old);
  return static_cast<bool>(o);
}

bool Navigator::trialRun() {
  if (!writeTrialRun(s_.inst.ini, base_, current_.toStdString())) {
    ms().ask(QStringLiteral("Не удалось записать выбранный тест в файл ") + u8(s_.inst.ini.path()) + QStringLiteral("."),
             QStringLiteral("Отладочное тестирование"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  return startProgram && startProgram(QStringLiteral("Varnuke.exe"), u8(s_.inst.workingDir));
}

bool Navigator::deleteFrames() {
  auto codes = taggedCodes();
  if (codes.empty()) {
    ms().ask(QStringLiteral("Постиавьте \"галочки\" напротив удаляемых записей"), QStringLiteral("Удаление кадров"),
             messages::Buttons::OkCancel, messages::Icon::Information);
    return false;
  }
  if (!warnTaken()) return false;
  if (ms().show(messages::standard(32, {})) != messages::Yes) return false;
  Outcome o = constructor::deleteFrames(*tf_, codes);
  reportFailure(o, QStringLiteral("Удаление кадров"));
  if (o) frames_->untagAll();
  refreshFrames();
  return static_cast<bool>(o);
}

bool Navigator::renumberFrames() {
  if (!warnTaken()) return false;
  const std::uint16_t code = currentCode();
  std::vector<std::uint16_t> before;
  frameCodes(*tf_, before);
  Outcome o = renumber(*tf_);
  reportFailure(o, QStringLiteral("Перенумерация кадров"));
  // The highlighted frame keeps its place in the order.
  std::uint16_t land = 0;
  auto at = std::find(before.begin(), before.end(), code);
  if (o && at != before.end()) land = static_cast<std::uint16_t>(at - before.begin() + 1);
  refreshFrames(land);
  return static_cast<bool>(o);
}

bool Navigator::moveFrame(int command) {
  const std::uint16_t code = currentCode();
  if (!code) return false;
  if ((command == MoveUp || command == MoveFirst) && code < 2) return false;
  if (!warnTaken()) return false;
  Place p = command == MoveUp ? Place::Up : command == MoveDown ? Place::Down : command == MoveFirst ? Place::First : Place::Last;
  std::uint16_t now = code;
  Outcome o = constructor::moveFrame(*tf_, code, p, now);
  reportFailure(o, QStringLiteral("Перемещение кадра"));
  if (o && now != code) refreshFrames(now);
  return o && now != code;
}

bool Navigator::transferFrames(bool move) {
  const std::vector<std::uint16_t> codes = taggedCodes();
  const QString caption = move ? QStringLiteral("Перемещение заданий") : QStringLiteral("Копирование заданий");
  if (codes.empty()) {
    ms().ask(QStringLiteral("Поставьте \"галочки\" напротив заданий, которые нужно %1").arg(move ? QStringLiteral("переместить")
                                                                                                   : QStringLiteral("скопировать")),
             caption, messages::Buttons::Ok, messages::Icon::Information);
    return false;
  }
  const auto target = chooseTarget(move, static_cast<int>(codes.size()));
  if (!target) return false;
  const bool same = target->baseDir == base_ && u8(target->test) == current_;
  if (same && move) {
    // Refused before the question, not after it.
    ms().ask(QStringLiteral("Задания нельзя переместить в тот же тест."), caption, messages::Buttons::Ok, messages::Icon::Stop);
    return false;
  }
  // The frames go in the same commit as their copies are added: the one
  // question is asked before anything is written.
  if (move && (!warnTaken() || ms().show(messages::standard(32, {})) != messages::Yes)) return false;

  std::unique_ptr<testfile::TestFile> other;
  if (!same) {
    other = std::make_unique<testfile::TestFile>();
    other->name(target->baseDir, target->test, s_.inst.keyWord);
    if (other->open() != store::Ok) {
      store::ErrorInfo e = other->error();
      messages::Procedure(ms()).show(messages::openFailure(e, other->path()), &e);
      return false;
    }
  }
  Transfer how;
  how.buffer = s_.inst.work("VOPBUF");
  how.keyWord = s_.inst.keyWord;
  // The window keeps painting; what the user types waits for the end.
  how.progress = [this](int done, int total) {
    status_->showMessage(QStringLiteral("Перенос заданий: выполнено %1%").arg(total ? done * 100 / total : 100));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  std::vector<std::uint16_t> made;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Outcome o = copyFrames(*tf_, codes, same ? *tf_ : *other, move, made, how);
  QApplication::restoreOverrideCursor();
  status_->clearMessage();
  reportFailure(o, caption);
  if (!o) return false;
  frames_->untagAll();
  refreshFrames(same ? made.front() : 0);
  status_->showMessage(QStringLiteral("%1 заданий: %2, в тест «%3»")
                           .arg(move ? QStringLiteral("Перемещено") : QStringLiteral("Скопировано"))
                           .arg(made.size())
                           .arg(u8(shownName(target->test))),
                       8000);
  return true;
}

bool Navigator::dragFrame(std::uint16_t code, std::uint16_t onto) {
  if (!tf_ || code == onto || order_ != ByCode || busy_) return false;
  if (!tablesMayClose()) return false;
  Busy busy(busy_);
  if (!warnTaken()) return false;
  std::uint16_t now = code;
  Outcome o = moveFrameTo(*tf_, code, onto, now);
  reportFailure(o, QStringLiteral("Перемещение кадра"));
  if (o) refreshFrames(now);
  return o && now != code;
}

bool Navigator::chooseFilter() {
  FrameFilterWindow w(filter_, this);
  if (w.exec() != QDialog::Accepted) return false;
  setFilter(w.filter());
  return true;
}

// ----------------------------------------------------------------- keys and dragging

bool Navigator::eventFilter(QObject* o, QEvent* e) {
  if (frames_ && o == frames_->table() && e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      ui::post(this, OpenFrame);
      return true;
    }
    if (k->key() == Qt::Key_Delete) {
      ui::post(this, DeleteFrames);
      return true;
    }
  }
  if (frames_ && o == frames_->table()->viewport() && order_ == ByCode) {
    auto* table = frames_->table();
    if (e->type() == QEvent::MouseButtonPress) {
      auto* m = static_cast<QMouseEvent*>(e);
      dragRow_ = m->button() == Qt::LeftButton ? table->rowAt(m->position().toPoint().y()) : -1;
      dragStart_ = m->position().toPoint();
      dragging_ = false;
    } else if (e->type() == QEvent::MouseMove && dragRow_ >= 0) {
      auto* m = static_cast<QMouseEvent*>(e);
      if (!dragging_ && (m->position().toPoint() - dragStart_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        table->viewport()->setCursor(Qt::DragMoveCursor);
      }
      if (dragging_) return true;
    } else if (e->type() == QEvent::MouseButtonRelease && dragRow_ >= 0) {
      auto* m = static_cast<QMouseEvent*>(e);
      const bool was = dragging_;
      const int from = dragRow_;
      dragRow_ = -1;
      dragging_ = false;
      table->viewport()->unsetCursor();
      if (was) {
        int to = table->rowAt(m->position().toPoint().y());
        if (to >= 0 && to < frames_->rowCount() && to != from) {
          const std::uint16_t a = codeAt(from), b = codeAt(to);
          if (a && b) QMetaObject::invokeMethod(this, [this, a, b] { dragFrame(a, b); }, Qt::QueuedConnection);
        }
        return true;
      }
    }
  }
  return QWidget::eventFilter(o, e);
}

}  // namespace constructor
