#include "synopsis_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "browse.h"
#include "cp1251.h"
#include "frame_help_window.h"
#include "frame_operations.h"
#include "icons.h"
#include "message_service.h"
#include "record_format.h"
#include "services.h"
#include "window_memory.h"

namespace constructor {
namespace {
auto& ms() { return ui::MessageService::instance(); }
}  // namespace

SynopsisWindow::SynopsisWindow(testfile::TestFile& tf, QWidget* parent) : QDialog(parent), tf_(tf) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Учебно-справочный материал к тесту: ") + ui::fromRecord(cp1251::clip(tf.tema.NAME.view())));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  auto* outer = new QVBoxLayout(this);

  list_ = new ui::BrowseWindow(tf_.trainingT, &tf_.training, QString::fromLatin1(kProcedure), QString(), this);
  list_->setObjectName(QStringLiteral("helps"));
  list_->setEmbedded(true);
  list_->setGroupTitle(QStringLiteral("Справки к заданиям теста"));
  list_->addOrder(tf_.trainingT.key("KEYCODEVOP"), QStringLiteral("По коду задания"));
  const store::TableDef& def = tables::trainingDef();
  list_->addColumn(ui::Column(def.fieldIndex("CODEVOP"), QStringLiteral("Код задания"), 12, ui::Format::integer(3)));
  ui::Column text(def.fieldIndex("HELPVOP"), QStringLiteral("Учебно-справочный материал"), 60);
  text.text = [](const void* r) {
    return ui::fromRecord(static_cast<const tables::Training*>(r)->HELPVOP.text).simplified().left(60);
  };
  list_->addColumn(text);
  list_->setTypeAhead([this](const QString& typed) { return QString::number(tf_.training.CODEVOP).startsWith(typed); });
  outer->addWidget(list_, 3);

  auto* box = new QGroupBox(QStringLiteral("Справка к заданию"), this);
  auto* bl = new QVBoxLayout(box);
  full_ = new QPlainTextEdit(box);
  full_->setObjectName(QStringLiteral("fullText"));
  full_->setReadOnly(true);
  bl->addWidget(full_);
  outer->addWidget(box, 2);

  auto* row = new QHBoxLayout;
  auto add = [this, row](const QString& label, const QIcon& icon, auto f) {
    auto* b = new QPushButton(icon, label, this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, f);
    row->addWidget(b);
    buttons_.push_back(b);
    return b;
  };
  add(QStringLiteral("&Добавить"), ui::styleIcon(QStyle::SP_FileIcon), [this] { addRecord(); });
  add(QStringLiteral("&Изменить"), ui::styleIcon(QStyle::SP_FileDialogDetailedView), [this] { changeRecord(); });
  add(QStringLiteral("&Удалить"), ui::styleIcon(QStyle::SP_DialogDiscardButton), [this] { deleteRecord(); });
  row->addStretch(1);
  add(QStringLiteral("Закрыть"), ui::styleIcon(QStyle::SP_DialogCloseButton), [this] { reject(); });
  add(QStringLiteral("Справка"), ui::helpIcon(), [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  outer->addLayout(row);

  editRecord = [this](tables::Training& h, bool adding, std::function<bool(tables::Training&)> write) {
    FrameHelpWindow f(h, std::move(write), this);
    if (adding) f.allowCodeEntry();
    return f.exec() == QDialog::Accepted;
  };
  connect(list_, &ui::BrowseWindow::userChose, this, [this](store::Position) { showCurrent(); });
  connect(list_->table(), &QTableWidget::cellDoubleClicked, this, [this](int r, int) {
    if (r < list_->rowCount()) changeRecord();
  });
  list_->table()->installEventFilter(this);
  resize(720, 560);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
  refresh();
}

QPushButton* SynopsisWindow::button(const QString& text) const {
  for (auto* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

void SynopsisWindow::refresh(std::uint16_t landOn) {
  store::Position land = 0;
  if (landOn) {
    tf_.training.CODEVOP = landOn;
    if (tf_.trainingT.get(tf_.trainingT.key("KEYCODEVOP")) == store::Ok) land = tf_.trainingT.position();
  }
  if (land) list_->refresh(land);
  else list_->home();
  showCurrent();
}

std::uint16_t SynopsisWindow::currentCode() {
  if (list_->rowCount() == 0 || tf_.trainingT.getAt(list_->currentPosition()) != store::Ok) return 0;
  return tf_.training.CODEVOP;
}

void SynopsisWindow::showCurrent() {
  const bool any = currentCode() != 0;
  full_->setPlainText(any ? ui::fromRecord(tf_.training.HELPVOP.text) : QString());
  for (auto* b : buttons_)
    if (b->text() == QStringLiteral("&Изменить") || b->text() == QStringLiteral("&Удалить")) b->setEnabled(any);
}

bool SynopsisWindow::addRecord() {
  tables::Training h;
  std::uint16_t written = 0;
  const bool ok = editRecord(h, true, [this, &written](tables::Training& nh) {
    Outcome o = addFrameHelp(tf_, nh);
    if (!o) {
      ms().ask(QString::fromStdString(o.message), QStringLiteral("Справка к заданию"), messages::Buttons::Ok, messages::Icon::Exclamation);
      return false;
    }
    written = nh.CODEVOP;
    return true;
  });
  refresh(written);
  return ok && written;
}

bool SynopsisWindow::changeRecord() {
  const std::uint16_t code = currentCode();
  if (!code) return false;
  tables::Training h = tf_.training;
  bool written = false;
  const bool ok = editRecord(h, false, [this, &written](tables::Training& nh) {
    Outcome o = saveFrameHelp(tf_, nh);
    if (!o) {
      ms().ask(QString::fromStdString(o.message), QStringLiteral("Справка к заданию"), messages::Buttons::Ok, messages::Icon::Exclamation);
      return false;
    }
    written = true;
    return true;
  });
  refresh(code);
  return ok && written;
}

bool SynopsisWindow::deleteRecord() {
  const std::uint16_t code = currentCode();
  if (!code) return false;
  if (ms().show(messages::standard(32, {})) != messages::Yes) return false;
  Outcome o = deleteFrameHelp(tf_, code);
  if (!o) ms().ask(QString::fromStdString(o.message), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
  refresh();
  return static_cast<bool>(o);
}

bool SynopsisWindow::eventFilter(QObject* o, QEvent* e) {
  if (o == list_->table() && e->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(e)->key()) {
      case Qt::Key_Insert: addRecord(); return true;
      case Qt::Key_Delete: deleteRecord(); return true;
      case Qt::Key_Return:
      case Qt::Key_Enter: changeRecord(); return true;
      default: break;
    }
  }
  return QDialog::eventFilter(o, e);
}

}  // namespace constructor
