#include "settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <set>

#include "archive.h"
#include "archive_window.h"
#include "cp1251.h"
#include "journal_name.h"
#include "message_service.h"
#include "window_tools.h"
#include "services.h"
#include "table_opener.h"
#include "update_form.h"
#include "window_memory.h"

namespace examiner {
namespace {
QString fromCp(std::string_view cp) { return QString::fromStdString(cp1251::toUtf8(cp1251::clip(cp))); }
std::string toCp(const QString& s) { return cp1251::fromUtf8(s.trimmed().toStdString()); }

// The tables of this window open through the common opening procedure, so
// that a failure is reported; each is open while the window uses it.
class Opened {
 public:
  explicit Opened(store::Table& t) : t_(t), opener_(ui::MessageService::instance()) { ok_ = opener_.open(t_) == store::Ok; }
  ~Opened() {
    if (ok_) opener_.close(t_);
  }
  explicit operator bool() const { return ok_; }

 private:
  store::Table& t_;
  setup::TableOpener opener_;
  bool ok_ = false;
};

void fileError(int number, const store::Table& t) {
  messages::Procedure p(ui::MessageService::instance());
  store::ErrorInfo e = t.error();
  messages::Args a = messages::argsOf(e);
  a.name = t.name();
  p.show(number, a, &e);
}

}  // namespace

SettingsWindow::SettingsWindow(Startup& s, QWidget* parent) : QDialog(parent), s_(s) {
  setObjectName(QStringLiteral("TuneExzam"));
  ui::attachProcedure(this, QStringLiteral("TuneExzam"));
  setWindowTitle(QStringLiteral("Настройка"));
  auto* l = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  l->addWidget(tabs);

  auto* general = new QWidget(tabs);
  auto* gl = new QVBoxLayout(general);
  auto* hf = new QFormLayout;
  title_ = new QComboBox(general);
  subtitle_ = new QComboBox(general);
  for (auto* c : {title_, subtitle_}) {
    c->setEditable(true);
    c->setMinimumWidth(360);
    c->setInsertPolicy(QComboBox::NoInsert);
  }
  hf->addRow(QStringLiteral("Заголовок отчёта о результатах тестрования:"), title_);
  hf->addRow(QStringLiteral("Подзаголовок отчёта..:"), subtitle_);
  gl->addLayout(hf);
  auto* rez = new QGroupBox(QStringLiteral("Файл результатов"), general);
  auto* rf = new QFormLayout(rez);
  path_ = new QLabel(QString::fromStdString(s_.inst.base + "Stat/"), rez);
  fileName_ = new QLineEdit(QString::fromStdString(s_.inst.fileRez), rez);
  rf->addRow(QStringLiteral("Путь:"), path_);
  rf->addRow(QStringLiteral("Имя файла:"), fileName_);
  auto* rb = new QHBoxLayout;
  auto* cat = new QPushButton(QStringLiteral("Выбрать из справочника"), rez);
  auto* find = new QPushButton(QStringLiteral("Поиск файла в каталогах..."), rez);
  auto* arch = new QPushButton(QStringLiteral("Архив..."), rez);
  for (auto* b : {cat, find, arch}) {
    b->setAutoDefault(false);
    rb->addWidget(b);
  }
  rf->addRow(rb);
  gl->addWidget(rez);
  auto* mode = new QGroupBox(QStringLiteral("Режим работы"), general);
  auto* ml = new QVBoxLayout(mode);
  auto* mr = new QHBoxLayout;
  net_ = new QRadioButton(QStringLiteral("Сетевой"), mode);
  loc_ = new QRadioButton(QStringLiteral("Локальный"), mode);
  mr->addWidget(net_);
  mr->addWidget(loc_);
  mr->addStretch(1);
  ml->addLayout(mr);
  ml->addWidget(new QLabel(QStringLiteral("Месторасположение центральной базы данных"), mode));
  basePath_ = new QLineEdit(mode);
  ml->addWidget(basePath_);
  gl->addWidget(mode);
  newVariants_ = new QCheckBox(QStringLiteral("Переопределить варианты"), general);
  gl->addWidget(newVariants_);
  gl->addStretch(1);
  tabs->addTab(general, QStringLiteral("Общая"));

  auto* access = new QWidget(tabs);
  auto* al = new QVBoxLayout(access);
  auto* of = new QFormLayout;
  oldAdmin_ = new QLineEdit(access);
  oldAdmin_->setEchoMode(QLineEdit::Password);
  of->addRow(QStringLiteral("Старый пароль администратора:"), oldAdmin_);
  al->addLayout(of);
  const char* who[] = {"Администратор", "Клиент"};
  for (int w = 0; w < 2; ++w) {
    auto* g = new QGroupBox(QString::fromUtf8(who[w]), access);
    auto* f = new QFormLayout(g);
    for (int k = 0; k < 2; ++k) {
      pw_[w][k] = new QLineEdit(g);
      pw_[w][k]->setEchoMode(QLineEdit::Password);
      pw_[w][k]->setMaxLength(20);
      pw_[w][k]->setEnabled(false);
    }
    f->addRow(QStringLiteral("Новый пароль:"), pw_[w][0]);
    f->addRow(QStringLiteral("Подтвердите пароль:"), pw_[w][1]);
    al->addWidget(g);
  }
  al->addStretch(1);
  tabs->addTab(access, QStringLiteral("Доступ"));

  auto* box = ui::okCancel(this);
  l->addWidget(box);

  fillHeaders();
  (s_.inst.modeNet == 2 ? loc_ : net_)->setChecked(true);
  modeChanged();
  connect(net_, &QRadioButton::toggled, this, &SettingsWindow::modeChanged);
  connect(cat, &QPushButton::clicked, this, &SettingsWindow::chooseFromCatalogue);
  connect(find, &QPushButton::clicked, this, &SettingsWindow::searchFile);
  connect(arch, &QPushButton::clicked, this, &SettingsWindow::openArchive);
  connect(oldAdmin_, &QLineEdit::textChanged, this, [this](const QString& t) {
    bool ok = adminPasswordOk(s_.tune, toCp(t));
    for (auto& row : pw_)
      for (auto* e : row) e->setEnabled(ok);
  });
}

void SettingsWindow::fillHeaders() {
  std::set<QString> heads;
  tables::BrwZag z;
  store::Table t(tables::brwZagDef(), z, s_.inst.central(tables::files::BrwZag));
  if (Opened open{t}; open && t.set() == store::Ok) {
    int rc;
    while ((rc = t.next()) == store::Ok)
      if (!z.ZAG.blank()) heads.insert(fromCp(z.ZAG.view()));
    if (rc != store::NoRecord) fileError(35, t);
  }
  for (auto* c : {title_, subtitle_}) {
    c->clear();
    for (const auto& h : heads) c->addItem(h);
  }
  title_->setCurrentText(fromCp(s_.tune.NAMEPROT.view()));
  subtitle_->setCurrentText(fromCp(s_.tune.NAMEPROT2.view()));
}

void SettingsWindow::modeChanged() {
  basePath_->setText(QString::fromStdString(s_.inst.ini.get("Path", net_->isChecked() ? "CentBD" : "LocBD")));
}

void SettingsWindow::chooseFromCatalogue() {
  QDialog d(this);
  d.setWindowTitle(QStringLiteral("База результатов по файлам"));
  auto* l = new QVBoxLayout(&d);
  auto* list = new QListWidget(&d);
  l->addWidget(list);
  std::vector<std::pair<QString, QString>> rows;
  tables::AllRez a;
  store::Table t(tables::allRezDef(), a, s_.inst.central(tables::files::AllRez));
  Opened open{t};
  if (!open) return;
  if (t.set(t.key("KEYNAME")) == store::Ok) {
    int rc;
    while ((rc = t.next()) == store::Ok) {
      rows.emplace_back(fromCp(a.NAMEREZ.view()), fromCp(a.PATHREZ.view()));
      list->addItem(rows.back().first);
    }
    if (rc != store::NoRecord) fileError(35, t);
  }
  auto* box = ui::okCancel(&d, QStringLiteral("&Выбрать"));
  connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
  l->addWidget(box);
  if (d.exec() != QDialog::Accepted || list->currentRow() < 0) return;
  fileName_->setText(rows[static_cast<std::size_t>(list->currentRow())].first);
}

void SettingsWindow::searchFile() {
  QString f = ui::openFileDialog(this, QStringLiteral("Выбор файла результатов"), QStringLiteral("Файлы Ормида 2.0|*.rez"),
                                 QString::fromStdString(s_.inst.base + "Stat"));
  if (f.isEmpty()) return;
  Archive a(s_.inst.base, s_.inst.fileRez);
  std::string name;
  if (a.inStat(f.toStdString(), name)) {
    fileName_->setText(QString::fromStdString(name));
    return;
  }
  // The Examiner writes only to journals in "Stat/": one from elsewhere is
  // copied in, or not taken at all.
  auto& ms = ui::MessageService::instance();
  if (ms.ask(QStringLiteral("Журнал результатов %1 лежит вне каталога %2.|Скопировать его в этот каталог и выбрать?")
                 .arg(f, QString::fromStdString(s_.inst.base + "Stat/")),
             QStringLiteral("Выбор файла результатов"), messages::Buttons::YesNo, messages::Icon::Question) != messages::Yes)
    return;
  if (auto why = a.copyIn(f.toStdString(), name)) {
    ms.ask(QString::fromStdString(*why), QStringLiteral("Выбор файла результатов"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  fileName_->setText(QString::fromStdString(name));
}

void SettingsWindow::openArchive() {
  Archive a(s_.inst.base, s_.inst.fileRez);
  ArchiveWindow w(a, this);
  if (w.exec() == QDialog::Accepted && !w.chosen().isEmpty()) fileName_->setText(w.chosen());
}

bool SettingsWindow::saveHeaders() {
  tables::TuneTest rec;
  store::Table t(tables::tuneTestDef(), rec, s_.inst.central(tables::files::TuneTest));
  Opened open{t};
  if (!open) return false;
  t.watch();
  bool have = t.set() == store::Ok && t.next() == store::Ok;
  if (!have) rec = s_.tune;
  std::string title = toCp(title_->currentText()), sub = toCp(subtitle_->currentText());
  const std::string wasTitle(s_.tune.NAMEPROT.view()), wasSub(s_.tune.NAMEPROT2.view());
  bool passChanged = false;
  if (s_.inst.modeNet == 2 && pw_[0][0]->isEnabled()) {
    for (int w = 0; w < 2; ++w) {
      QString nw = pw_[w][0]->text(), cf = pw_[w][1]->text();
      if (nw.trimmed().isEmpty()) continue;
      if (nw != cf) {
        ui::MessageService::instance().ask(QStringLiteral("Неверное подтверждение"), QStringLiteral("Сообщение программы"));
        return false;
      }
      (w == 0 ? rec.PASSADM : rec.PASSUSR) = toCp(nw);
      passChanged = true;
    }
  }
  if (title != rec.NAMEPROT.view() || sub != rec.NAMEPROT2.view() || passChanged || !have) {
    rec.NAMEPROT = title;
    rec.NAMEPROT2 = sub;
    if ((have ? t.put() : t.add()) != store::Ok) {
      fileError(have ? 15 : 14, t);
      return false;
    }
    s_.tune = rec;
  }
  // A header typed in that the list does not hold is added to it through
  // its form, UpdateZag, which reports what goes wrong.
  tables::BrwZag z;
  store::Table zt(tables::brwZagDef(), z, s_.inst.central(tables::files::BrwZag));
  Opened zopen{zt};
  if (!zopen) return true;
  for (const std::string& h : {title, sub}) {
    // Only a header typed now, not one the settings held already.
    if (h.empty() || h == wasTitle || h == wasSub || title_->findText(fromCp(h)) >= 0) continue;
    z = tables::BrwZag{};
    z.ZAG = h;
    ui::UpdateForm form(zt, &z, QStringLiteral("UpdateZag"), QStringLiteral("Новый заголовок отчёта"),
                        QStringLiteral("Заголовок отчёта"), this);
    form.addField({tables::brwZagDef().fieldIndex("ZAG"), QStringLiteral("Заголовок:")});
    if (form.run(ui::Insert)) {
      title_->addItem(fromCp(h));
      subtitle_->addItem(fromCp(h));
    }
  }
  return true;
}

void SettingsWindow::accept() {
  auto& ms = ui::MessageService::instance();
  // A journal name must stay inside "Stat/"; nothing is saved until it does.
  {
    const std::string file = fileName_->text().trimmed().toStdString();
    const auto why = file != s_.inst.fileRez ? common::journalNameRefusal(file) : std::nullopt;
    if (why) {
      ms.ask(QString::fromStdString(*why), QStringLiteral("Файл результатов"), messages::Buttons::Ok, messages::Icon::Exclamation);
      fileName_->selectAll();
      fileName_->setFocus();
      return;
    }
  }
  if (!saveHeaders()) return;
  if (newVariants_->isChecked()) {
    tables::SelVar v;
    store::Table t(tables::selVarDef(), v, s_.inst.central(tables::files::SelVar));
    if (Opened open{t}; open && t.set() == store::Ok && t.next() == store::Ok) {
      v.NAMETEST.clear();
      if (t.put() != store::Ok) fileError(15, t);
    }
  }
  const int mode = net_->isChecked() ? 1 : 2;
  const std::string key = mode == 1 ? "CentBD" : "LocBD";
  const std::string path = basePath_->text().trimmed().toStdString();
  if (mode != s_.inst.modeNet || path != s_.inst.ini.get("Path", key)) {
    if (ms.ask(QStringLiteral("Вы изменили базу данных.|Требуется перезагрузитьпрограмму."), QStringLiteral("Перезагрузка"),
               messages::Buttons::YesNo, messages::Icon::Question) == messages::Yes) {
      s_.inst.ini.setInt("GlbTune", "ModeNet", mode);
      s_.inst.ini.set("Path", key, path);
      restart_ = true;
    }
  }
  const std::string file = fileName_->text().trimmed().toStdString();
  if (file != s_.inst.fileRez) {
    if (ms.ask(QStringLiteral("Вы изменили файл результатов.|Требуется перезагрузитьпрограмму."), QStringLiteral("Перезагрузка"),
               messages::Buttons::YesNo, messages::Icon::Question) == messages::Yes) {
      s_.inst.ini.set("Path", "FileRez", file);
      restart_ = true;
    }
  }
  QDialog::accept();
}

}  // namespace examiner
