#include "rooms_window.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "administrator_app.h"
#include "archive_window.h"
#include "main_frame.h"
#include "browse.h"
#include "journal_name.h"
#include "message_service.h"
#include "record_format.h"
#include "services.h"
#include "window_tools.h"

namespace administrator {

namespace {

auto& ms() { return ui::MessageService::instance(); }

int fieldOf(const store::TableDef& def, const char* name) { return def.fieldIndex(name); }

void refuse(const QString& text, const QString& caption, QWidget* focus = nullptr) {
  ms().ask(text, caption, messages::Buttons::Ok, messages::Icon::Exclamation);
  if (focus) focus->setFocus();
}

bool fitsField(const QString& text, std::size_t width, const QString& label, QWidget* e, const QString& caption) {
  std::string why;
  if (recordText(text.toStdString(), width, &why)) return true;
  refuse(QStringLiteral("%1 %2.").arg(label, QString::fromStdString(why)), caption, e);
  return false;
}

FolderChooser& folderChooser() {
  static FolderChooser f;
  return f;
}

JournalChooser& journalChooser() {
  static JournalChooser f;
  return f;
}

QString roomName(const setup::Installation& inst, std::uint16_t code) {
  if (code == 0) return QStringLiteral("(не выбрана)");
  std::vector<tables::Labr> rooms;
  if (Rooms(inst).rooms(rooms))
    for (const auto& r : rooms)
      if (r.CODELABR == code) return ui::fromRecord(r.NAMELABR.view());
  return QStringLiteral("(код %1)").arg(code);
}

void cancelCaption(ui::UpdateForm* f) {
  if (auto* box = f->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
    if (auto* b = box->button(QDialogButtonBox::Cancel)) b->setText(QStringLiteral("О&тменить"));
}

void workstationColumns(ui::BrowseWindow* w, bool withRoom, const setup::Installation& inst) {
  const auto& def = tables::wsDef();
  w->addColumn({fieldOf(def, "CODEWS"), QStringLiteral("Код"), 6});
  if (withRoom) {
    ui::Column room(fieldOf(def, "CODELABR"), QStringLiteral("Лаборатория"), 18);
    room.text = [inst](const void* rec) { return roomName(inst, static_cast<const tables::Ws*>(rec)->CODELABR); };
    w->addColumn(room);
  }
  w->addColumn({fieldOf(def, "NAMEPC"), QStringLiteral("Сетевое имя:"), 14});
  w->addColumn({fieldOf(def, "PATH"), QStringLiteral("Путь к Экзаменатору"), 36});
}

void listWindow(ui::BrowseWindow* w, QObject* session, const QString& procedure) {
  session->setParent(w);  // the table closes with the window
  using B = ui::BrowseWindow::Button;
  w->button(B::Close)->setText(QStringLiteral("Закрыть"));
  w->button(B::Help)->setText(QStringLiteral("Справка"));
  helpOnF1(w, procedure);
  ui::alertKey(w, QKeySequence(Qt::Key_F5), [w] { w->refresh(); });
  w->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(w, &QDialog::finished, w, &QObject::deleteLater);
}

}  // namespace

void setFolderChooser(FolderChooser f) { folderChooser() = std::move(f); }
void setJournalChooser(JournalChooser f) { journalChooser() = std::move(f); }

// ------------------------------------------------------------ workstations

WorkstationForm::WorkstationForm(store::Table& t, tables::Ws& rec, const setup::Installation& inst, std::uint16_t room,
                                 QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kWorkstationForm), QStringLiteral("Редактирование [Рабочая станция]"),
                 QStringLiteral("Редактирование [Рабочая станция]"), parent),
      rec_(rec),
      inst_(inst),
      fixedRoom_(room) {
  auto* roomRow = new QHBoxLayout;
  room_ = new QLabel(this);
  room_->setObjectName(QStringLiteral("Room"));
  roomButton_ = new QPushButton(QStringLiteral("..."), this);
  roomButton_->setToolTip(QStringLiteral("Выбор лаборатории"));
  roomButton_->setFixedWidth(32);
  roomButton_->setAutoDefault(false);
  roomButton_->setVisible(room == 0);
  roomRow->addWidget(room_, 1);
  roomRow->addWidget(roomButton_);
  code_ = new QLabel(this);
  code_->setObjectName(QStringLiteral("CODEWS"));
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("NAMEPC"));
  name_->setMaxLength(20);
  name_->setToolTip(QStringLiteral("Имя компьютера"));
  name_->setPlaceholderText(QStringLiteral("(пример: a30301)"));
  auto* pathRow = new QHBoxLayout;
  path_ = new QLineEdit(this);
  path_->setObjectName(QStringLiteral("PATH"));
  path_->setToolTip(QStringLiteral("Рабочая директория на WS"));
  path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 44);
  browse_ = new QPushButton(QStringLiteral("..."), this);
  browse_->setToolTip(QStringLiteral("Выбор папки"));
  browse_->setFixedWidth(32);
  browse_->setAutoDefault(false);
  pathRow->addWidget(path_, 1);
  pathRow->addWidget(browse_);
  fields()->addRow(QStringLiteral("Лаборатория:"), roomRow);
  fields()->addRow(QStringLiteral("Код:"), code_);
  fields()->addRow(QStringLiteral("Сетевое имя:"), name_);
  fields()->addRow(new QLabel(QStringLiteral("Путь к Экзаменатору (пример: /mnt/a30301/varnuke/):"), this));
  fields()->addRow(pathRow);
  connect(browse_, &QPushButton::clicked, this, [this] {
    QString start = path_->text().trimmed();
    if (start.isEmpty() || !QDir(start).exists()) start = QDir(QStringLiteral("/mnt")).exists() ? QStringLiteral("/mnt") : QDir::rootPath();
    const QString title = QStringLiteral("Выберите каталог назначения:");
    const QString chosen = folderChooser() ? folderChooser()(this, title, start) : ui::chooseDirectory(this, title, start);
    if (!chosen.isEmpty()) path_->setText(QString::fromStdString(workstationFolder(chosen.toStdString())));
  });
  connect(roomButton_, &QPushButton::clicked, this, [this] {
    if (auto r = chooseRoom(inst_, this)) showRoom(*r);
  });
  cancelCaption(this);
  helpButton(this, QString::fromLatin1(kWorkstationForm));
  helpOnF1(this, QString::fromLatin1(kWorkstationForm));
}

void WorkstationForm::showRoom(std::uint16_t code) {
  chosenRoom_ = code;
  room_->setText(code == fixedRoom_ && !roomName_.isEmpty() ? roomName_ : roomName(inst_, code));
}

void WorkstationForm::beforeAutonumberedAdd(long long) {
  rec_.CODELABR = fixedRoom_ ? fixedRoom_ : chosenRoom_;
}

void WorkstationForm::loadControls() {
  showRoom(rec_.CODELABR);
  code_->setText(QString::number(rec_.CODEWS));
  name_->setText(ui::fromRecord(rec_.NAMEPC.view()));
  path_->setText(ui::fromRecord(rec_.PATH.view()));
}

bool WorkstationForm::saveControls() {
  const QString caption = windowTitle();
  if (chosenRoom_ == 0) {
    refuse(QStringLiteral("Не выбрана лаборатория рабочей станции."), caption, roomButton_);
    return false;
  }
  if (name_->text().trimmed().isEmpty()) {
    refuse(QStringLiteral("Не указано сетевое имя компьютера."), caption, name_);
    return false;
  }
  if (const std::string problem = workstationFolderProblem(path_->text().toStdString()); !problem.empty()) {
    refuse(QString::fromStdString(problem), caption, path_);
    return false;
  }
  const QString folder = QString::fromStdString(workstationFolder(path_->text().toStdString()));
  if (!fitsField(name_->text(), 20, QStringLiteral("Сетевое имя:"), name_, caption) ||
      !fitsField(folder, 255, QStringLiteral("Путь к Экзаменатору:"), path_, caption))
    return false;
  path_->setText(folder);
  rec_.CODELABR = chosenRoom_;
  rec_.NAMEPC = ui::toRecord(name_->text().trimmed());
  rec_.PATH = ui::toRecord(folder);
  return true;
}

// ------------------------------------------------------------------- rooms

RoomForm::RoomForm(store::Table& t, tables::Labr& rec, const setup::Installation& inst, QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kRoomForm), QStringLiteral("Лаборатория"), QStringLiteral("Лаборатория"), parent),
      rec_(rec),
      inst_(inst) {
  const struct {
    const char* name;
    const char* label;
    int width;
    int max;  // of a number
  } rows[] = {{"CODELABR", "Код:", 0, 65535},       {"NAMELABR", "Название:", 40, 0}, {"NUMROOM", "№ комнаты:", 0, 65535},
              {"KOLWS", "Раб. станций", 0, 255},   {"ADMIN", "Ответственный:", 40, 0}, {"CURREZ", "Журнал результатов:", 100, 0}};
  for (const auto& r : rows) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(r.name));
    if (r.width) {
      e->setMaxLength(r.width);
      e->setMinimumWidth(e->fontMetrics().averageCharWidth() * std::min(r.width, 44));
    } else {
      e->setValidator(new QIntValidator(0, r.max, e));
      e->setAlignment(Qt::AlignRight);
      e->setMaximumWidth(100);
    }
    const QString label = QString::fromUtf8(r.label);
    bound_.push_back({r.name, e, label, r.width});
    if (std::string_view(r.name) == "CURREZ") {
      auto* row = new QHBoxLayout;
      journalButton_ = new QPushButton(QStringLiteral("..."), this);
      journalButton_->setToolTip(QStringLiteral("Выбор журнала результатов"));
      journalButton_->setFixedWidth(32);
      journalButton_->setAutoDefault(false);
      row->addWidget(e, 1);
      row->addWidget(journalButton_);
      e->setToolTip(QStringLiteral("Журнал, в который пишут Экзаменаторы этой лаборатории, когда журналы ведутся по аудиториям"));
      fields()->addRow(label, row);
      connect(journalButton_, &QPushButton::clicked, this, [this, e] {
        QString name;
        if (journalChooser()) {
          name = journalChooser()(this, e->text().trimmed());
        } else {
          // The journal list of the system; the Administrator's own current journal stays.
          common::ArchiveWindow list(inst_.base, inst_.ini.get("Path", "FileRez"), e->text().trimmed(), this);
          list.setCurrentSource([this] { return inst_.ini.get("Path", "FileRez"); });
          if (list.exec() == QDialog::Accepted) name = list.chosen();
        }
        if (!name.isEmpty()) e->setText(name);
      });
    } else {
      fields()->addRow(label, e);
    }
  }
  field("CODELABR")->setReadOnly(true);  // given by the form, and the workstations carry it

  auto* group = new QGroupBox(QStringLiteral("Рабочие станции"), this);
  auto* gl = new QVBoxLayout(group);
  wsTable_ = new OpenTable<tables::Ws>(tables::wsDef(), inst.central(tables::files::Ws), this);
  if (wsTable_->open()) {
    ws_ = new ui::BrowseWindow(wsTable_->table, &wsTable_->rec, QString::fromLatin1(kWorkstationBrowse), {}, group);
    ws_->setEmbedded(true);
    ws_->setGroupTitle(QString());
    ws_->addOrder(wsTable_->table.key("KEYCODELABR"), QStringLiteral("По лабораториям"));
    workstationColumns(ws_, false, inst);
    // Only this room's workstations ("WS:CodeLabr = LAB:CodeLabr").
    ws_->setRecordFilter([this] { return wsTable_->rec.CODELABR == rec_.CODELABR && rec_.CODELABR != 0; });
    ws_->setUpdateForm([this] {
      auto f = std::make_unique<WorkstationForm>(wsTable_->table, wsTable_->rec, inst_, rec_.CODELABR, this);
      f->setRoomName(field("NAMELABR")->text().trimmed());
      return f;
    });
    gl->addWidget(ws_, 1);
    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("&Добавить"), group);
    auto* change = new QPushButton(QStringLiteral("&Изменить"), group);
    auto* remove = new QPushButton(QStringLiteral("&Удалить"), group);
    for (auto* b : {add, change, remove}) {
      b->setAutoDefault(false);
      row->addWidget(b);
    }
    row->addStretch(1);
    gl->addLayout(row);
    connect(add, &QPushButton::clicked, ws_, &ui::BrowseWindow::insertRecord);
    connect(change, &QPushButton::clicked, ws_, &ui::BrowseWindow::changeRecord);
    connect(remove, &QPushButton::clicked, ws_, &ui::BrowseWindow::deleteRecord);
  } else {
    gl->addWidget(new QLabel(QStringLiteral("Рабочие станции не открываются."), group));
  }
  static_cast<QVBoxLayout*>(layout())->insertWidget(1, group, 1);
  cancelCaption(this);
  helpButton(this, QString::fromLatin1(kRoomForm));
  helpOnF1(this, QString::fromLatin1(kRoomForm));
  ui::alertKey(this, QKeySequence(Qt::Key_F5), [this] {
    if (ws_) ws_->refresh();
  });
  resize(640, 560);
}

QLineEdit* RoomForm::field(const char* name) const { return findChild<QLineEdit*>(QString::fromLatin1(name)); }

bool RoomForm::mayRun(ui::Request r) {
  if (r != ui::Delete) return true;
  if (table().reget(position()) != store::Ok) return true;  // the form reports what failed
  return tell(Rooms(inst_).roomDeletable(rec_.CODELABR), QStringLiteral("Удаление лаборатории"));
}

void RoomForm::reject() {
  // A new room that is not kept takes the workstations added to it along.
  if (request() == ui::Insert && rec_.CODELABR != 0) tell(Rooms(inst_).removeWorkstationsOf(rec_.CODELABR), windowTitle());
  ui::UpdateForm::reject();
}

void RoomForm::loadControls() {
  const auto& def = tables::labrDef();
  for (const Bound& b : bound_) b.edit->setText(ui::fieldText(def, &rec_, fieldOf(def, b.name)));
  if (ws_) ws_->refresh();
}

bool RoomForm::saveControls() {
  const auto& def = tables::labrDef();
  const QString caption = windowTitle();
  if (field("NAMELABR")->text().trimmed().isEmpty()) {
    refuse(QStringLiteral("Не указано название лаборатории."), caption, field("NAMELABR"));
    return false;
  }
  const QString journal = field("CURREZ")->text().trimmed();
  if (!journal.isEmpty())
    if (auto why = common::journalNameRefusal(journal.toStdString())) {
      refuse(QString::fromStdString(*why), caption, field("CURREZ"));
      return false;
    }
  tables::Labr now = rec_;
  for (const Bound& b : bound_) {
    if (b.width && !fitsField(b.edit->text(), static_cast<std::size_t>(b.width), b.label, b.edit, caption)) return false;
    if (!ui::setFieldText(def, &now, fieldOf(def, b.name), b.edit->text().trimmed())) {
      refuse(QStringLiteral("%1 недопустимое значение.").arg(b.label), caption, b.edit);
      return false;
    }
  }
  rec_ = now;
  return true;
}

// ------------------------------------------------------------------- lists

ui::BrowseWindow* openRoomList(const setup::Installation& inst, QWidget* parent) {
  auto* s = new OpenTable<tables::Labr>(tables::labrDef(), inst.central(tables::files::Labr), nullptr);
  if (!s->open()) {
    delete s;
    return nullptr;
  }
  const auto& def = tables::labrDef();
  auto* w = new ui::BrowseWindow(s->table, &s->rec, QString::fromLatin1(kRoomBrowse), QStringLiteral("Просмотр файла Labr"), parent);
  w->addOrder(s->table.key("KEYNAMELABR"), QStringLiteral("По названию"));
  w->addOrder(s->table.key("KEYNUMROOM"), QStringLiteral("По номеру комнаты"));
  w->addOrder(s->table.key("KEYCODELABR"), QStringLiteral("По коду"));
  w->addColumn({fieldOf(def, "NAMELABR"), QStringLiteral("Название"), 30});
  w->addColumn({fieldOf(def, "NUMROOM"), QStringLiteral("Комната"), 8});
  w->addColumn({fieldOf(def, "KOLWS"), QStringLiteral("Компьтеров"), 12});
  w->addColumn({fieldOf(def, "ADMIN"), QStringLiteral("Администратор"), 26});
  w->setUpdateForm([s, inst, w] { return std::make_unique<RoomForm>(s->table, s->rec, inst, w); });
  listWindow(w, s, QString::fromLatin1(kRoomBrowse));
  w->resize(640, 420);
  w->show();
  return w;
}

ui::BrowseWindow* openWorkstationList(const setup::Installation& inst, QWidget* parent) {
  auto* s = new OpenTable<tables::Ws>(tables::wsDef(), inst.central(tables::files::Ws), nullptr);
  if (!s->open()) {
    delete s;
    return nullptr;
  }
  auto* w = new ui::BrowseWindow(s->table, &s->rec, QString::fromLatin1(kWorkstationBrowse),
                                 QStringLiteral("Справочник рабочих станций"), parent);
  w->addOrder(s->table.key("KEYCODEWS"), QStringLiteral("По коду"));
  w->addOrder(s->table.key("KEYCODELABR"), QStringLiteral("По лабораториям"));
  workstationColumns(w, true, inst);
  w->setUpdateForm([s, inst, w] { return std::make_unique<WorkstationForm>(s->table, s->rec, inst, 0, w); });
  listWindow(w, s, QString::fromLatin1(kWorkstationBrowse));
  w->resize(720, 420);
  w->show();
  return w;
}

std::optional<std::uint16_t> chooseRoom(const setup::Installation& inst, QWidget* parent) {
  OpenTable<tables::Labr> s(tables::labrDef(), inst.central(tables::files::Labr), nullptr);
  if (!s.open()) return std::nullopt;
  const auto& def = tables::labrDef();
  ui::BrowseWindow w(s.table, &s.rec, QString::fromLatin1(kRoomSelect), QStringLiteral("Выбор лаборатории"), parent);
  w.addOrder(s.table.key("KEYNAMELABR"), QStringLiteral("По названию"));
  w.addColumn({fieldOf(def, "NAMELABR"), QStringLiteral("Название"), 30});
  w.addColumn({fieldOf(def, "NUMROOM"), QStringLiteral("Комната"), 8});
  w.addColumn({fieldOf(def, "KOLWS"), QStringLiteral("Компьтеров"), 12});
  w.addColumn({fieldOf(def, "ADMIN"), QStringLiteral("Администратор"), 26});
  w.setSelectMode(true);
  w.button(ui::BrowseWindow::Button::Close)->setText(QStringLiteral("Закрыть"));
  helpOnF1(&w, QString::fromLatin1(kRoomSelect));
  w.resize(560, 380);
  w.exec();
  if (!w.selected()) return std::nullopt;
  return s.rec.CODELABR;
}

QWidget* AdministratorApp::openRooms() { return openRoomList(inst_, frame_.get()); }
QWidget* AdministratorApp::openWorkstations() { return openWorkstationList(inst_, frame_.get()); }

}  // namespace administrator
