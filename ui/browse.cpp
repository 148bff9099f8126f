#include "browse.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "cp1251.h"
#include "message_service.h"
#include "services.h"
#include "window_memory.h"

namespace ui {
namespace {

// The tag pictures of list rows and of the tag menu items.
QIcon tagIcon(bool on) {
  QPixmap p(14, 14);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(QColor(90, 90, 90), 1));
  g.setBrush(Qt::white);
  g.drawRect(1, 1, 11, 11);
  if (on) {
    g.setPen(QPen(QColor(0, 128, 0), 2));
    g.drawLine(3, 7, 6, 10);
    g.drawLine(6, 10, 11, 3);
  }
  return QIcon(p);
}

}  // namespace

BrowseWindow::BrowseWindow(store::Table& table, void* buffer, QString procedure, QString caption, QWidget* parent)
    : QDialog(parent), table_(table), buf_(buffer), procedure_(std::move(procedure)) {
  setObjectName(procedure_);
  setWindowTitle(caption);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  auto* outer = new QVBoxLayout(this);
  tabs_ = new QTabBar(this);
  tabs_->hide();
  outer->addWidget(tabs_);
  group_ = new QGroupBox(QStringLiteral("Просмотр записей"), this);
  auto* gl = new QHBoxLayout(group_);
  list_ = new QTableWidget(group_);
  list_->setObjectName(QStringLiteral("list"));
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 8);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->setAlternatingRowColors(true);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->installEventFilter(this);
  list_->viewport()->installEventFilter(this);
  bar_ = new QScrollBar(Qt::Vertical, group_);
  bar_->setRange(0, 100);
  bar_->setPageStep(10);
  gl->addWidget(list_, 1);
  gl->addWidget(bar_);
  outer->addWidget(group_, 1);

  buttonRow_ = new QWidget(this);
  auto* buttons = new QHBoxLayout(buttonRow_);
  buttons->setContentsMargins(0, 0, 0, 0);
  insert_ = new QPushButton(QStringLiteral("&Добавить"), this);
  change_ = new QPushButton(QStringLiteral("&Изменить"), this);
  delete_ = new QPushButton(QStringLiteral("&Удалить"), this);
  select_ = new QPushButton(QStringLiteral("&Выбрать"), this);
  close_ = new QPushButton(QStringLiteral("&Закрыть"), this);
  help_ = new QPushButton(QStringLiteral("&Справка"), this);
  select_->hide();
  for (auto* b : {select_, insert_, change_, delete_}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  buttons->addWidget(help_);
  for (auto* b : {insert_, change_, delete_, select_, close_, help_}) b->setAutoDefault(false);
  outer->addWidget(buttonRow_);

  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(1000);
  connect(typing_, &QTimer::timeout, this, [this] { typed_.clear(); });

  connect(insert_, &QPushButton::clicked, this, &BrowseWindow::insertRecord);
  connect(change_, &QPushButton::clicked, this, &BrowseWindow::changeRecord);
  connect(delete_, &QPushButton::clicked, this, &BrowseWindow::deleteRecord);
  connect(select_, &QPushButton::clicked, this, &BrowseWindow::selectRecord);
  connect(close_, &QPushButton::clicked, this, &BrowseWindow::reject);
  connect(help_, &QPushButton::clicked, this, [this] { openHelp(procedure_, this); });
  connect(tabs_, &QTabBar::currentChanged, this, [this](int) { refresh(currentPosition()); });
  connect(list_, &QTableWidget::cellClicked, this, [this](int r, int c) {
    if (r < rowCount()) {
      current_ = r;
      table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
      // A click on the tag mark tags or untags the row.
      const bool own = tagging_ && !std::any_of(columns_.begin(), columns_.end(), [](const Column& k) { return k.tagMark; });
      if (tagging_ && c == (own ? 0 : tagColumn())) toggleTag();
      updateButtons();
      userMoved();
    } else {
      paint();
    }
  });
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int r, int) {
    if (r >= rowCount()) return;
    current_ = r;
    if (selectMode_) selectRecord();
    else if (change_->isEnabled()) changeRecord();
  });
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    int r = list_->rowAt(p.y());
    if (r >= 0 && r < rowCount()) {
      current_ = r;
      paint();
    }
    contextMenu()->exec(list_->viewport()->mapToGlobal(p));
  });
  connect(bar_, &QScrollBar::actionTriggered, this, [this](int action) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepAdd: down(); break;
      case QAbstractSlider::SliderSingleStepSub: up(); break;
      case QAbstractSlider::SliderPageStepAdd: pageDown(); break;
      case QAbstractSlider::SliderPageStepSub: pageUp(); break;
      case QAbstractSlider::SliderToMinimum: home(); break;
      case QAbstractSlider::SliderToMaximum: end(); break;
      default: break;
    }
    QTimer::singleShot(0, this, [this] { updateScrollBar(); });
  });
  connect(bar_, &QScrollBar::sliderReleased, this, [this] {
    if (bar_->value() <= bar_->minimum() + 5) home();
    else if (bar_->value() >= bar_->maximum() - 5) end();
    updateScrollBar();
  });
  resize(720, 460);
}

BrowseWindow::~BrowseWindow() = default;

void BrowseWindow::addOrder(int key, const QString& label) {
  orders_.emplace_back(key, label);
  tabs_->blockSignals(true);
  tabs_->addTab(label);
  tabs_->blockSignals(false);
  tabs_->setVisible(orders_.size() > 1);
}

void BrowseWindow::addColumn(Column c) {
  if (!c.align) c.align = defaultAlignment(table_.def(), c.field);
  columns_.push_back(std::move(c));
  const bool own = tagging_ && !std::any_of(columns_.begin(), columns_.end(), [](const Column& k) { return k.tagMark; });
  int n = static_cast<int>(columns_.size()) + (own ? 1 : 0);
  list_->setColumnCount(n);
  QStringList heads;
  if (own) heads << QString();
  for (const auto& col : columns_) heads << col.heading;
  list_->setHorizontalHeaderLabels(heads);
  int cw = list_->fontMetrics().averageCharWidth();
  int i = own ? 1 : 0;
  if (own) list_->setColumnWidth(0, 24);
  for (const auto& col : columns_) list_->setColumnWidth(i++, col.tagMark ? 24 : cw * (col.width + 2));
}

int BrowseWindow::tagColumn() const {
  if (!tagging_) return -1;
  for (std::size_t c = 0; c < columns_.size(); ++c)
    if (columns_[c].tagMark) return static_cast<int>(c);
  return 0;
}

void BrowseWindow::setUpdateForm(std::function<std::unique_ptr<UpdateForm>()> make) { makeForm_ = std::move(make); }

void BrowseWindow::setSelectMode(bool on) {
  selectMode_ = on;
  select_->setVisible(on);
  select_->setDefault(on);
}

void BrowseWindow::setTagging(bool on) {
  tagging_ = on;
  auto cols = columns_;
  columns_.clear();
  for (auto& c : cols) addColumn(c);
}

void BrowseWindow::addMenuItem(const QString& text, std::function<void()> action) {
  extraItems_.emplace_back(text, std::move(action));
}

void BrowseWindow::setGroupTitle(const QString& t) { group_->setTitle(t); }

void BrowseWindow::setRecordFilter(std::function<bool()> keep) { keep_ = std::move(keep); }

void BrowseWindow::setEmbedded(bool on) {
  embedded_ = on;
  if (on) setWindowFlags(Qt::Widget);
  buttonRow_->setVisible(!on);
}

void BrowseWindow::setDescending(bool on) { descending_ = on; }
void BrowseWindow::setTypeAhead(std::function<bool(const QString&)> matches) { typeAhead_ = std::move(matches); }
void BrowseWindow::setMenuMaker(std::function<void(QMenu*)> make) { menuMaker_ = std::move(make); }
int BrowseWindow::forward() { return descending_ ? table_.previous() : table_.next(); }
int BrowseWindow::backward() { return descending_ ? table_.next() : table_.previous(); }

void BrowseWindow::userMoved() {
  if (!rows_.empty()) emit userChose(currentPosition());
}

bool BrowseWindow::choose(store::Position pos) {
  fillFrom(pos, current_);
  if (currentPosition() != pos) return false;
  userMoved();
  return true;
}

int BrowseWindow::order() const { return tabs_->currentIndex() < 0 ? 0 : tabs_->currentIndex(); }
void BrowseWindow::setOrder(int i) { tabs_->setCurrentIndex(i); }
int BrowseWindow::keyOf() const { return orders_.empty() ? -1 : orders_[static_cast<std::size_t>(order())].first; }

int BrowseWindow::pageRows() const {
  int rh = list_->verticalHeader()->defaultSectionSize();
  int h = list_->viewport()->height();
  return std::max(3, h / std::max(1, rh));
}

store::Position BrowseWindow::currentPosition() const {
  return rows_.empty() ? 0 : rows_[static_cast<std::size_t>(current_)].pos;
}

store::Position BrowseWindow::positionAt(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].pos : 0;
}

QString BrowseWindow::cellText(int row, int column) const {
  const auto& r = rows_.at(static_cast<std::size_t>(row));
  const auto& c = columns_.at(static_cast<std::size_t>(column));
  if (c.text) return c.text(r.rec.get());
  return fieldText(table_.def(), r.rec.get(), c.field, c.format, c.element);
}

QPushButton* BrowseWindow::button(const QString& text) const {
  for (auto* b : {insert_, change_, delete_, select_, close_, help_})
    if (b->text() == text) return b;
  return nullptr;
}

QPushButton* BrowseWindow::button(Button which) const {
  switch (which) {
    case Button::Insert: return insert_;
    case Button::Change: return change_;
    case Button::Delete: return delete_;
    case Button::Select: return select_;
    case Button::Close: return close_;
    case Button::Help: return help_;
  }
  return nullptr;
}

// ----------------------------------------------------------------- reading

std::vector<BrowseWindow::Row> BrowseWindow::readAfter(store::Position after, int n) {
  std::vector<Row> out;
  const auto& def = table_.def();
  int key = keyOf();
  int rc = after ? table_.setAt(key, after) : (key >= 0 ? table_.set(key) : table_.set());
  if (rc != store::Ok) return out;
  if (after && forward() != store::Ok) return out;  // the record itself
  while (static_cast<int>(out.size()) < n && forward() == store::Ok) {
    if (keep_ && !keep_()) continue;
    Row r{table_.position(), def.makeBuffer()};
    def.copyBuffer(r.rec.get(), buf_);
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<BrowseWindow::Row> BrowseWindow::readBefore(store::Position before, int n) {
  std::vector<Row> out;
  const auto& def = table_.def();
  int key = keyOf();
  int rc = before ? table_.setAt(key, before) : (key >= 0 ? table_.set(key) : table_.set());
  if (rc != store::Ok) return out;
  if (before && backward() != store::Ok) return out;
  while (static_cast<int>(out.size()) < n && backward() == store::Ok) {
    if (keep_ && !keep_()) continue;
    Row r{table_.position(), def.makeBuffer()};
    def.copyBuffer(r.rec.get(), buf_);
    out.push_back(std::move(r));
  }
  std::reverse(out.begin(), out.end());
  return out;
}

void BrowseWindow::showRows(std::vector<Row> rows, int current) {
  rows_ = std::move(rows);
  current_ = rows_.empty() ? 0 : std::clamp(current, 0, static_cast<int>(rows_.size()) - 1);
  atStart_ = rows_.empty() || readBefore(rows_.front().pos, 1).empty();
  atEnd_ = rows_.empty() || readAfter(rows_.back().pos, 1).empty();
  // The buffer holds the highlighted record, as the program's forms expect.
  if (!rows_.empty()) table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
  paint();
}

void BrowseWindow::paint() {
  const int page = pageRows();
  list_->setRowCount(page);
  const bool own = tagging_ && !std::any_of(columns_.begin(), columns_.end(), [](const Column& k) { return k.tagMark; });
  int first = own ? 1 : 0;
  for (int r = 0; r < page; ++r) {
    bool has = r < rowCount();
    if (own) {
      auto* it = new QTableWidgetItem;
      if (has) it->setIcon(tagIcon(tags_.count(rows_[static_cast<std::size_t>(r)].pos) > 0));
      list_->setItem(r, 0, it);
    }
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      if (columns_[c].tagMark) {
        auto* it = new QTableWidgetItem;
        if (has && tagging_) it->setIcon(tagIcon(tags_.count(rows_[static_cast<std::size_t>(r)].pos) > 0));
        list_->setItem(r, first + static_cast<int>(c), it);
        continue;
      }
      auto* it = new QTableWidgetItem(has ? cellText(r, static_cast<int>(c)) : QString());
      it->setTextAlignment(columns_[c].align);
      if (has && columns_[c].icon) it->setIcon(columns_[c].icon(rows_[static_cast<std::size_t>(r)].rec.get()));
      list_->setItem(r, first + static_cast<int>(c), it);
    }
  }
  list_->clearSelection();
  if (!rows_.empty()) list_->selectRow(current_);
  updateButtons();
  updateScrollBar();
}

void BrowseWindow::updateScrollBar() {
  bar_->blockSignals(true);
  bar_->setValue(atStart_ ? 0 : (atEnd_ ? 100 : 50));
  bar_->blockSignals(false);
  bar_->setEnabled(!(atStart_ && atEnd_));
}

void BrowseWindow::updateButtons() {
  bool any = !rows_.empty();
  change_->setEnabled(any && makeForm_ != nullptr);
  delete_->setEnabled(any && makeForm_ != nullptr);
  insert_->setEnabled(makeForm_ != nullptr);
  select_->setEnabled(any);
}

void BrowseWindow::fillFrom(store::Position pos, int rowOnScreen) {
  const int page = pageRows();
  if (!pos) {
    showRows(readAfter(0, page), 0);
    return;
  }
  // Rows above the landing record, the record itself and the rows after it.
  rowOnScreen = std::clamp(rowOnScreen, 0, page - 1);
  auto above = readBefore(pos, rowOnScreen);
  std::vector<Row> rows = above;
  std::vector<Row> self;
  {
    const auto& def = table_.def();
    int key = keyOf();
    if (table_.setAt(key, pos) == store::Ok && table_.next() == store::Ok && (!keep_ || keep_())) {
      Row r{table_.position(), def.makeBuffer()};
      def.copyBuffer(r.rec.get(), buf_);
      self.push_back(std::move(r));
    }
  }
  if (self.empty()) {  // gone: start from the top
    showRows(readAfter(0, page), 0);
    return;
  }
  rows.push_back(self.front());
  int current = static_cast<int>(rows.size()) - 1;
  auto below = readAfter(pos, page - static_cast<int>(rows.size()));
  rows.insert(rows.end(), below.begin(), below.end());
  if (static_cast<int>(rows.size()) < page && !rows.empty()) {
    // Near the end: fill the page from above.
    auto more = readBefore(rows.front().pos, page - static_cast<int>(rows.size()));
    current += static_cast<int>(more.size());
    rows.insert(rows.begin(), more.begin(), more.end());
  }
  showRows(std::move(rows), current);
}

void BrowseWindow::refresh(store::Position landOn) { fillFrom(landOn ? landOn : currentPosition(), current_); }

void BrowseWindow::home() { showRows(readAfter(0, pageRows()), 0); }

void BrowseWindow::end() {
  auto rows = readBefore(0, pageRows());
  int last = static_cast<int>(rows.size()) - 1;
  showRows(std::move(rows), last);
}

void BrowseWindow::down() {
  if (rows_.empty()) return;
  if (current_ + 1 < rowCount()) {
    ++current_;
    table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
    paint();
    return;
  }
  auto more = readAfter(rows_.back().pos, 1);
  if (more.empty()) {
    if (MessageService::instance().show(messages::standard(29, {})) == messages::Yes) home();
    return;
  }
  auto rows = rows_;
  rows.erase(rows.begin());
  rows.push_back(more.front());
  showRows(std::move(rows), static_cast<int>(rows_.size()) - 1);
}

void BrowseWindow::up() {
  if (rows_.empty()) return;
  if (current_ > 0) {
    --current_;
    table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
    paint();
    return;
  }
  auto more = readBefore(rows_.front().pos, 1);
  if (more.empty()) {
    if (MessageService::instance().show(messages::standard(29, {}, true)) == messages::Yes) end();
    return;
  }
  auto rows = rows_;
  rows.insert(rows.begin(), more.front());
  if (static_cast<int>(rows.size()) > pageRows()) rows.pop_back();
  showRows(std::move(rows), 0);
}

void BrowseWindow::pageDown() {
  if (rows_.empty()) return;
  auto more = readAfter(rows_.back().pos, pageRows());
  if (more.empty()) {
    if (current_ + 1 < rowCount()) {
      current_ = rowCount() - 1;
      paint();
    } else if (MessageService::instance().show(messages::standard(29, {})) == messages::Yes) {
      home();
    }
    return;
  }
  fillFrom(more.back().pos, pageRows() - 1);
}

void BrowseWindow::pageUp() {
  if (rows_.empty()) return;
  auto more = readBefore(rows_.front().pos, pageRows());
  if (more.empty()) {
    if (current_ > 0) {
      current_ = 0;
      paint();
    } else if (MessageService::instance().show(messages::standard(29, {}, true)) == messages::Yes) {
      end();
    }
    return;
  }
  showRows(std::move(more), 0);
}

void BrowseWindow::locate(const QString& prefix) {
  if (typeAhead_) {
    int key = keyOf();
    int rc = key >= 0 ? table_.set(key) : table_.set();
    store::Position pos = 0;
    if (rc == store::Ok)
      while (forward() == store::Ok)
        if ((!keep_ || keep_()) && typeAhead_(prefix)) {
          pos = table_.position();
          break;
        }
    if (pos) fillFrom(pos, 0);
    else if (!rows_.empty()) table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
    return;
  }
  int key = keyOf();
  if (key < 0) return;
  const auto& def = table_.def();
  int field = def.keys[static_cast<std::size_t>(key)].field;
  auto keep = def.makeBuffer();
  def.copyBuffer(keep.get(), buf_);
  if (!setFieldText(def, buf_, field, prefix)) {
    def.copyBuffer(buf_, keep.get());
    return;
  }
  store::Position pos = 0;
  if (table_.setFrom(key) == store::Ok)
    while (table_.next() == store::Ok)
      if (!keep_ || keep_()) {
        pos = table_.position();
        break;
      }
  if (pos) fillFrom(pos, 0);
  else end();
}

// ----------------------------------------------------------------- requests

void BrowseWindow::request(Request r) {
  if (!makeForm_) return;
  if (r != Insert && rows_.empty()) return;
  store::Position pos = currentPosition();
  int row = current_;
  store::Position neighbour = 0;
  if (r == Delete) {
    if (current_ + 1 < rowCount()) neighbour = rows_[static_cast<std::size_t>(current_ + 1)].pos;
    else if (current_ > 0) neighbour = rows_[static_cast<std::size_t>(current_ - 1)].pos;
  }
  if (r == Insert) table_.def().copyBuffer(buf_, table_.def().makeBuffer().get());
  else table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
  auto form = makeForm_();
  bool done = form->run(r, pos);
  store::Position land = r == Delete ? (done ? neighbour : pos) : (done ? form->position() : pos);
  if (r == Insert && !done) land = pos;
  if (r == Delete && done) {
    tags_.erase(pos);
    tagOrder_.erase(std::remove(tagOrder_.begin(), tagOrder_.end(), pos), tagOrder_.end());
  }
  fillFrom(land, row);
}

void BrowseWindow::insertRecord() { request(Insert); }
void BrowseWindow::changeRecord() { request(Change); }
void BrowseWindow::deleteRecord() { request(Delete); }

void BrowseWindow::selectRecord() {
  if (rows_.empty()) return;
  table_.def().copyBuffer(buf_, rows_[static_cast<std::size_t>(current_)].rec.get());
  table_.reget(currentPosition());
  selected_ = true;
  accept();
}

// ----------------------------------------------------------------- tags

void BrowseWindow::toggleTag() {
  if (!tagging_ || rows_.empty()) return;
  auto pos = currentPosition();
  if (tags_.erase(pos)) {
    tagOrder_.erase(std::remove(tagOrder_.begin(), tagOrder_.end(), pos), tagOrder_.end());
  } else {
    tags_.insert(pos);
    tagOrder_.push_back(pos);
  }
  paint();
}

std::vector<store::Position> BrowseWindow::tagsInOrder() const {
  std::vector<store::Position> out;
  std::set<store::Position> seen;
  for (store::Position p : tagOrder_)
    if (tags_.count(p) && seen.insert(p).second) out.push_back(p);
  for (store::Position p : tags_)
    if (!seen.count(p)) out.push_back(p);
  return out;
}

// The positions of the records the list shows, in the list's order.
std::vector<store::Position> BrowseWindow::listedPositions() {
  std::vector<store::Position> out;
  int key = keyOf();
  if ((key >= 0 ? table_.set(key) : table_.set()) == store::Ok)
    while (table_.next() == store::Ok)
      if (!keep_ || keep_()) out.push_back(table_.position());
  if (descending_) std::reverse(out.begin(), out.end());
  return out;
}

void BrowseWindow::tagAll() {
  if (!tagging_) return;
  // Those tagged before keep their place; the rest follow in the list's order.
  tagOrder_ = tagsInOrder();
  for (store::Position p : listedPositions())
    if (tags_.insert(p).second) tagOrder_.push_back(p);
  refresh();
}

void BrowseWindow::setTags(std::set<store::Position> tags) {
  tags_ = std::move(tags);
  paint();
}

void BrowseWindow::setTags(const std::vector<store::Position>& inOrder) {
  tagOrder_ = inOrder;
  setTags(std::set<store::Position>(inOrder.begin(), inOrder.end()));
}

void BrowseWindow::untagAll() {
  tags_.clear();
  tagOrder_.clear();
  paint();
}

void BrowseWindow::flipTags() {
  if (!tagging_) return;
  std::set<store::Position> flipped;
  std::vector<store::Position> order;
  for (store::Position p : listedPositions())
    if (!tags_.count(p)) {
      flipped.insert(p);
      order.push_back(p);
    }
  tags_ = std::move(flipped);
  tagOrder_ = std::move(order);
  refresh();
}

QMenu* BrowseWindow::contextMenu() {
  delete menu_;
  menu_ = new QMenu(this);
  if (menuMaker_) {
    menuMaker_(menu_);
    return menu_;
  }
  auto add = [this](const QString& text, QPushButton* b, std::function<void()> f) {
    QAction* a = menu_->addAction(text, this, std::move(f));
    a->setEnabled(b->isEnabled());
  };
  add(QStringLiteral("&Новый"), insert_, [this] { insertRecord(); });
  add(QStringLiteral("&Изменить"), change_, [this] { changeRecord(); });
  add(QStringLiteral("&Удалить"), delete_, [this] { deleteRecord(); });
  if (selectMode_) {
    menu_->addSeparator();
    add(QStringLiteral("&Выбрать"), select_, [this] { selectRecord(); });
  }
  if (tagging_) {
    menu_->addSeparator();
    menu_->addAction(tagIcon(true), QStringLiteral("Отметить все записи"), this, [this] { tagAll(); });
    menu_->addAction(tagIcon(false), QStringLiteral("Снять все отметки"), this, [this] { untagAll(); });
    menu_->addAction(QStringLiteral("Реверсировать отметки"), this, [this] { flipTags(); });
  }
  if (!extraItems_.empty()) {
    menu_->addSeparator();
    for (auto& [text, f] : extraItems_) menu_->addAction(text, this, f);
  }
  return menu_;
}

// ----------------------------------------------------------------- events

bool BrowseWindow::eventFilter(QObject* o, QEvent* e) {
  // The page follows the list's own height, not this window's: a window
  // around the list fills it and then lays it out when shown, and this
  // window's resize comes before the list has its new size.
  if (o == list_->viewport() && e->type() == QEvent::Resize && (isVisible() || !rows_.empty()) &&
      rowCount() != pageRows())
    fillFrom(currentPosition(), current_);
  if (o == list_ && e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    auto moved = [this] {
      userMoved();
      return true;
    };
    switch (k->key()) {
      case Qt::Key_Down: down(); return moved();
      case Qt::Key_Up: up(); return moved();
      case Qt::Key_PageDown: pageDown(); return moved();
      case Qt::Key_PageUp: pageUp(); return moved();
      case Qt::Key_Home: home(); return moved();
      case Qt::Key_End: end(); return moved();
      case Qt::Key_Insert: if (insert_->isEnabled()) insertRecord(); return true;
      case Qt::Key_Delete: if (delete_->isEnabled()) deleteRecord(); return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (embedded_) return false;  // the window around the list acts on it
        if (selectMode_) selectRecord();
        else if (change_->isEnabled()) changeRecord();
        return true;
      case Qt::Key_F12: toggleTag(); return true;
      case Qt::Key_Space:
        if (tagging_ && typed_.isEmpty()) {
          toggleTag();
          return true;
        }
        break;
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        if (ctrl) { tagAll(); return true; }
        break;
      case Qt::Key_Minus:
        if (ctrl) { untagAll(); return true; }
        break;
      case Qt::Key_Asterisk:
        if (ctrl) { flipTags(); return true; }
        break;
      default: break;
    }
    QString t = k->text();
    if (!ctrl && !t.isEmpty() && t.at(0).isPrint()) {
      typed_ += t;
      typing_->start();
      locate(typed_);
      return moved();
    }
  }
  if (o == list_->viewport() && e->type() == QEvent::Wheel) {
    auto* w = static_cast<QWheelEvent*>(e);
    int steps = w->angleDelta().y() / 40;
    for (int i = 0; i < std::abs(steps); ++i) steps < 0 ? down() : up();
    return true;
  }
  return QDialog::eventFilter(o, e);
}

void BrowseWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!placed_) {
    placed_ = true;
    if (embedded_) return;  // filled by the window around it
    restoreWindow(this, procedure_);
    home();
    list_->setFocus();
  }
}

void BrowseWindow::closeEvent(QCloseEvent* e) {
  if (!embedded_) saveWindow(this, procedure_);
  QDialog::closeEvent(e);
}

void BrowseWindow::reject() {
  if (!embedded_) QDialog::reject();  // Esc does not hide a list inside a page
}

void BrowseWindow::keyPressEvent(QKeyEvent* e) {
  // Inside a page, Enter and Esc belong to the page.
  if (embedded_) QWidget::keyPressEvent(e);
  else QDialog::keyPressEvent(e);
}

void BrowseWindow::done(int r) {
  if (!embedded_) saveWindow(this, procedure_);
  QDialog::done(r);
}

}  // namespace ui
