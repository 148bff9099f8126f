#include "parameters_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "contingent_forms.h"
#include "journal_name.h"
#include "message_service.h"
#include "services.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s8(const QString& s) { return s.trimmed().toStdString(); }

QPushButton* dots(QWidget* parent, const QString& tip) {
  auto* b = new QPushButton(QStringLiteral("..."), parent);
  b->setToolTip(tip);
  b->setAutoDefault(false);
  b->setMaximumWidth(40);
  return b;
}

QHBoxLayout* withButton(QLineEdit* e, QPushButton* b) {
  auto* row = new QHBoxLayout;
  row->addWidget(e, 1);
  row->addWidget(b);
  return row;
}

QLineEdit* textLine(QWidget* parent, const char* name, const std::string& value, int maxLength) {
  auto* e = new QLineEdit(q(value), parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaxLength(maxLength);
  e->setMinimumWidth(e->fontMetrics().averageCharWidth() * 48);
  e->setCursorPosition(0);
  return e;
}

QSpinBox* number(QWidget* parent, const char* name, int value, int max, const QString& suffix = {}) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(0, max);
  s->setValue(value);
  s->setSuffix(suffix);
  s->setMaximumWidth(120);
  return s;
}

}  // namespace

ParametersWindow::ParametersWindow(setup::Installation& inst, bool administrator, QWidget* parent)
    : QDialog(parent), inst_(inst), administrator_(administrator) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Настройка параметров системы"));
  tell(readParameters(inst_, p_), windowTitle());
  shownMode_ = p_.modeNet;

  auto* outer = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  outer->addWidget(pages_, 1);

  // ---- "Общие": the database and the test library
  auto* general = new QWidget(pages_);
  auto* gl = new QVBoxLayout(general);
  auto* mode = new QGroupBox(QStringLiteral("Режим работы"), general);
  auto* ml = new QFormLayout(mode);
  auto* radios = new QHBoxLayout;
  net_ = new QRadioButton(QStringLiteral("Сетевой"), mode);
  loc_ = new QRadioButton(QStringLiteral("Локальный"), mode);
  radios->addWidget(net_);
  radios->addWidget(loc_);
  radios->addStretch(1);
  ml->addRow(radios);
  base_ = new QLineEdit(q(p_.baseDir()), mode);
  base_->setObjectName(QStringLiteral("baseDir"));
  auto* pickBase = dots(mode, QStringLiteral("Выбрать каталог базы данных"));
  ml->addRow(QStringLiteral("Каталог базы данных:"), withButton(base_, pickBase));
  gl->addWidget(mode);
  auto* lib = new QGroupBox(QStringLiteral("Библиотека тестов"), general);
  auto* lf = new QFormLayout(lib);
  library_ = new QLineEdit(q(p_.libraryDir), lib);
  library_->setObjectName(QStringLiteral("libraryDir"));
  auto* pickLib = dots(lib, QStringLiteral("Выбрать каталог библиотеки тестов"));
  lf->addRow(QStringLiteral("Каталог библиотеки:"), withButton(library_, pickLib));
  saveLibrary_ = new QPushButton(QStringLiteral("Сохранить каталог библиотеки"), lib);
  saveLibrary_->setAutoDefault(false);
  saveLibrary_->setToolTip(QStringLiteral("Записать только каталог библиотеки, не трогая остальных параметров"));
  auto* sl = new QHBoxLayout;
  sl->addStretch(1);
  sl->addWidget(saveLibrary_);
  lf->addRow(sl);
  gl->addWidget(lib);
  auto* org = new QGroupBox(QStringLiteral("Организация"), general);
  auto* of = new QFormLayout(org);
  of->addRow(QStringLiteral("Организация:"), textLine(org, "organisation", p_.organisation, 120));
  of->addRow(QStringLiteral("Подразделение:"), textLine(org, "organisation2", p_.organisation2, 120));
  of->addRow(QStringLiteral("Фамилия владельца:"), textLine(org, "owner", p_.owner, 40));
  gl->addWidget(org);
  gl->addStretch(1);
  pages_->addTab(general, QStringLiteral("Общие"));

  // ---- "Результаты": the current journal and how the Examiner chooses one
  auto* results = new QWidget(pages_);
  auto* rl = new QVBoxLayout(results);
  auto* cur = new QGroupBox(QStringLiteral("Файл результатов"), results);
  auto* cf = new QFormLayout(cur);
  fileRez_ = textLine(cur, "fileRez", p_.fileRez, 100);
  auto* pickRez = dots(cur, QStringLiteral("Выбрать журнал результатов из каталога Stat"));
  cf->addRow(QStringLiteral("Текущий файл результатов:"), withButton(fileRez_, pickRez));
  rl->addWidget(cur);
  auto* how = new QGroupBox(QStringLiteral("Как выбирать файл результатов"), results);
  auto* hl = new QVBoxLayout(how);
  auto* choices = new QButtonGroup(this);
  const char* labels[] = {"Общий", "Отдельный по аудиториям", "Авто (по факультетам)"};
  for (int i = 0; i < 3; ++i) {
    choice_[i] = new QRadioButton(QString::fromUtf8(labels[i]), how);
    choices->addButton(choice_[i], i + 1);
    hl->addWidget(choice_[i]);
  }
  choice_[static_cast<int>(p_.resultChoice) - 1]->setChecked(true);
  auto* cfl = new QFormLayout;
  common_ = textLine(how, "commonJournal", p_.commonJournal, 100);
  auto* pickCommon = dots(how, QStringLiteral("Выбрать общий журнал результатов из каталога Stat"));
  cfl->addRow(QStringLiteral("Общий файл результатов:"), withButton(common_, pickCommon));
  hl->addLayout(cfl);
  rl->addWidget(how);
  rl->addStretch(1);
  pages_->addTab(results, QStringLiteral("Результаты"));

  // ---- "Отчеты": titles
  auto* reports = new QWidget(pages_);
  auto* tl = new QFormLayout(reports);
  tl->addRow(QStringLiteral("Название отчета:"), textLine(reports, "reportTitle", p_.reportTitle, 65));
  tl->addRow(QStringLiteral("Подзаголовок:"), textLine(reports, "reportSubtitle", p_.reportSubtitle, 65));
  examSheet_ = new QPlainTextEdit(q(p_.examSheetTitle), reports);
  examSheet_->setObjectName(QStringLiteral("examSheetTitle"));
  examSheet_->setMaximumHeight(examSheet_->fontMetrics().height() * 5);
  tl->addRow(QStringLiteral("Заголовок экзаменационной ведомости:"), examSheet_);
  pages_->addTab(reports, QStringLiteral("Отчеты"));

  // ---- "Тестирование": monitoring, examinees' passwords, a new frame
  auto* testing = new QWidget(pages_);
  auto* xl = new QVBoxLayout(testing);
  monitoring_ = new QCheckBox(QStringLiteral("Мониторинг рабочих станций (в сетевом режиме)"), testing);
  monitoring_->setChecked(p_.monitoring);
  checkPass_ = new QCheckBox(QStringLiteral("Проверять пароль тестируемого"), testing);
  checkPass_->setChecked(p_.checkPassword);
  changePass_ = new QCheckBox(QStringLiteral("Разрешить тестируемому менять пароль"), testing);
  changePass_->setChecked(p_.changePassword);
  for (auto* c : {monitoring_, checkPass_, changePass_}) xl->addWidget(c);
  auto* resume = new QFormLayout;
  grace_ = number(testing, "resumeGrace", p_.resumeGraceMinutes, 24 * 60);
  grace_->setToolTip(QStringLiteral("Тестируемый продолжает тестирование после сбоя рабочей станции: "
                                    "перерыв до стольких минут не вычитается из отведённого ему времени"));
  resume->addRow(QStringLiteral("Перерыв при продолжении тестирования не засчитывается до, мин:"), grace_);
  xl->addLayout(resume);
  auto* frame = new QGroupBox(QStringLiteral("Новое задание по умолчанию"), testing);
  auto* ff = new QFormLayout(frame);
  points_ = number(frame, "framePoints", p_.framePoints, 65535);
  seconds_ = number(frame, "frameSeconds", p_.frameSeconds, 65535, QStringLiteral(" с"));
  attempts_ = number(frame, "frameAttempts", p_.frameAttempts, 255);
  level_ = number(frame, "frameLevel", p_.frameLevel, 255);
  ff->addRow(QStringLiteral("Балл:"), points_);
  ff->addRow(QStringLiteral("Время на задание:"), seconds_);
  ff->addRow(QStringLiteral("Число попыток:"), attempts_);
  ff->addRow(QStringLiteral("Уровень сложности:"), level_);
  xl->addWidget(frame);
  xl->addStretch(1);
  pages_->addTab(testing, QStringLiteral("Тестирование"));

  // ---- "Доступ": passwords, an administrator's page only
  if (administrator_) {
    auto* access = new QWidget(pages_);
    auto* al = new QVBoxLayout(access);
    al->addWidget(new QLabel(QStringLiteral("Пустое поле оставляет пароль прежним."), access));
    const char* groups[] = {"Администратор и Конструктор", "Экзаменатор"};
    const char* who[] = {"Администратор", "Пользователь", "Настройка", "Запуск"};
    for (int g = 0; g < 2; ++g) {
      auto* box = new QGroupBox(QString::fromUtf8(groups[g]), access);
      auto* f = new QFormLayout(box);
      for (int w = 2 * g; w < 2 * g + 2; ++w) {
        for (int k = 0; k < 2; ++k) {
          pw_[w][k] = new QLineEdit(box);
          pw_[w][k]->setEchoMode(QLineEdit::Password);
          pw_[w][k]->setMaxLength(20);
          pw_[w][k]->setObjectName(QStringLiteral("password%1%2").arg(w).arg(k));
        }
        f->addRow(QString::fromUtf8(who[w]) + QStringLiteral(", новый пароль:"), pw_[w][0]);
        f->addRow(QStringLiteral("Подтвердите пароль:"), pw_[w][1]);
      }
      al->addWidget(box);
    }
    al->addStretch(1);
    pages_->addTab(access, QStringLiteral("Доступ"));
  }

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  ok->setDefault(true);
  for (auto* b : {cancel, help}) b->setAutoDefault(false);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  outer->addLayout(buttons);

  (p_.modeNet == 2 ? loc_ : net_)->setChecked(true);
  connect(net_, &QRadioButton::toggled, this, &ParametersWindow::modeChanged);
  connect(pickBase, &QPushButton::clicked, this, &ParametersWindow::pickBase);
  connect(pickLib, &QPushButton::clicked, this, &ParametersWindow::pickLibrary);
  connect(pickRez, &QPushButton::clicked, this, [this] { pickJournal(fileRez_); });
  connect(pickCommon, &QPushButton::clicked, this, [this] { pickJournal(common_); });
  connect(saveLibrary_, &QPushButton::clicked, this, &ParametersWindow::saveLibraryAlone);
  connect(ok, &QPushButton::clicked, this, &ParametersWindow::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QLineEdit* ParametersWindow::text(const char* objectName) const { return findChild<QLineEdit*>(QString::fromLatin1(objectName)); }

void ParametersWindow::modeChanged() {
  // The directory typed for one mode is kept for it; the other's is read at once.
  p_.baseDir() = s8(base_->text());
  p_.modeNet = net_->isChecked() ? 1 : 2;
  if (p_.modeNet == shownMode_) return;
  shownMode_ = p_.modeNet;
  base_->setText(q(p_.baseDir()));
}

void ParametersWindow::pickBase() {
  const QString d = ui::chooseDirectory(this, QStringLiteral("Каталог базы данных"), base_->text());
  if (!d.isEmpty()) base_->setText(d);
}

void ParametersWindow::pickLibrary() {
  const QString d = ui::chooseDirectory(this, QStringLiteral("Каталог библиотеки тестов"), library_->text());
  if (!d.isEmpty()) library_->setText(d);
}

void ParametersWindow::pickJournal(QLineEdit* into) {
  // Journals are the ".rez" files of "Stat/" in the database directory.
  const QString stat = q(withSeparator(s8(base_->text()))) + QStringLiteral("Stat/");
  const QString f = ui::openFileDialog(this, QStringLiteral("Выбор файла результатов"), QStringLiteral("Файлы результатов|*.rez"), stat);
  if (f.isEmpty()) return;
  const QFileInfo fi(f);
  if (QDir(fi.absolutePath()) != QDir(stat)) {
    ms().ask(QStringLiteral("Журнал результатов берется только из каталога %1.").arg(stat), QStringLiteral("Выбор файла результатов"),
             messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  const QString name = fi.completeBaseName();
  if (auto why = common::journalNameRefusal(name.toStdString())) {
    tell(Outcome::refused(*why), QStringLiteral("Выбор файла результатов"));
    return;
  }
  into->setText(name);
}

void ParametersWindow::saveLibraryAlone() {
  const QString dir = library_->text().trimmed();
  if (!dir.isEmpty() && !QFileInfo(dir).isDir() &&
      ms().ask(QStringLiteral("Каталог %1 не найден. Сохранить его всё же?").arg(dir), QStringLiteral("Библиотека тестов"),
               messages::Buttons::YesNo, messages::Icon::Question, messages::No) != messages::Yes)
    return;
  if (!tell(saveLibraryDir(inst_, dir.toStdString()), QStringLiteral("Библиотека тестов"))) return;
  library_->setText(q(inst_.libraryDir));
  p_.libraryDir = inst_.libraryDir;
  emit saved();
}

bool ParametersWindow::collect(Parameters& p, NewPasswords& pw) {
  p = p_;
  p.modeNet = net_->isChecked() ? 1 : 2;
  p.baseDir() = s8(base_->text());
  p.libraryDir = s8(library_->text());
  p.fileRez = s8(fileRez_->text());
  for (int i = 0; i < 3; ++i)
    if (choice_[i]->isChecked()) p.resultChoice = static_cast<ResultChoice>(i + 1);
  p.commonJournal = s8(common_->text());
  p.organisation = s8(text("organisation")->text());
  p.organisation2 = s8(text("organisation2")->text());
  p.owner = s8(text("owner")->text());
  p.reportTitle = s8(text("reportTitle")->text());
  p.reportSubtitle = s8(text("reportSubtitle")->text());
  p.examSheetTitle = s8(examSheet_->toPlainText());
  p.monitoring = monitoring_->isChecked();
  p.checkPassword = checkPass_->isChecked();
  p.changePassword = changePass_->isChecked();
  p.framePoints = points_->value();
  p.frameSeconds = seconds_->value();
  p.frameAttempts = attempts_->value();
  p.frameLevel = level_->value();
  p.resumeGraceMinutes = grace_->value();
  pw = NewPasswords{};
  if (!administrator_) return true;
  std::optional<std::string>* targets[] = {&pw.adminSignIn, &pw.userSignIn, &pw.examinerAdmin, &pw.examinerUser};
  const char* who[] = {"администратора", "пользователя", "настройки Экзаменатора", "запуска Экзаменатора"};
  for (int w = 0; w < 4; ++w) {
    const QString typed = pw_[w][0]->text(), again = pw_[w][1]->text();
    if (typed.isEmpty() && again.isEmpty()) continue;
    if (typed != again) {
      pages_->setCurrentIndex(pages_->count() - 1);  // "Доступ"
      tell(Outcome::refused(QStringLiteral("Пароль %1 и его подтверждение не совпадают.").arg(QString::fromUtf8(who[w])).toStdString()),
           windowTitle());
      pw_[w][1]->selectAll();
      pw_[w][1]->setFocus();
      return false;
    }
    *targets[w] = typed.toStdString();
  }
  return true;
}

void ParametersWindow::accept() {
  Parameters p;
  NewPasswords pw;
  if (!collect(p, pw)) return;
  if (auto why = checkParameters(p)) {
    // The journal names are on the page "Результаты".
    if (why->find("файл результатов") != std::string::npos) pages_->setCurrentIndex(1);
    tell(Outcome::refused(*why), windowTitle());
    return;
  }
  // The tables of the new base are made where it lies: it must be there.
  const QString base = QString::fromStdString(p.baseDir());
  if (!base.isEmpty() && !QFileInfo(base).isDir()) {
    if (ms().ask(QStringLiteral("Каталог базы данных %1 не найден. Создать его?").arg(base), windowTitle(),
                 messages::Buttons::YesNo, messages::Icon::Question, messages::No) != messages::Yes)
      return;
    if (!QDir().mkpath(base)) {
      tell(Outcome::refused(QStringLiteral("Не удалось создать каталог %1.").arg(base).toStdString()), windowTitle());
      return;
    }
  }
  if (!tell(writeParameters(inst_, p, pw, administrator_), windowTitle())) return;
  emit saved();
  QDialog::accept();
}

}  // namespace administrator
