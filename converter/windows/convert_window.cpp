#include "convert_window.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "filepath.h"
#include "icons.h"
#include "import.h"
#include "message_service.h"
#include "record_format.h"
#include "services.h"
#include "test_questions.h"
#include "window_memory.h"
#include "window_tools.h"

namespace converter {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
ui::MessageService& ms() { return ui::MessageService::instance(); }

// A message of the logic ("a|b") at most this many lines long.
QString listed(const std::vector<std::string>& lines, int most = 15) {
  QStringList out;
  for (const auto& l : lines) {
    if (out.size() == most) {
      out << QStringLiteral("... и ещё %1.").arg(static_cast<int>(lines.size()) - most);
      break;
    }
    out << q(l);
  }
  return out.join(QLatin1Char('|'));
}

}  // namespace

ConvertWindow::ConvertWindow(const Site& site, QWidget* parent) : QWidget(parent, Qt::Window), site_(site) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Ормида 3.0 [Конвертация тестов]"));
  auto* l = new QVBoxLayout(this);

  auto* in = new QGroupBox(QStringLiteral("Импорт вопросов в новый тест (GIFT, Moodle XML, QTI 2.1)"), this);
  auto* g = new QGridLayout(in);
  source_ = new QLineEdit(in);
  source_->setObjectName(QStringLiteral("source"));
  auto* pick = new QPushButton(ui::styleIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Обзор..."), in);
  auto* look = new QPushButton(QStringLiteral("&Просмотреть"), in);
  bases_ = new QComboBox(in);
  bases_->setObjectName(QStringLiteral("bases"));
  name_ = new QLineEdit(in);
  name_->setObjectName(QStringLiteral("testName"));
  g->addWidget(new QLabel(QStringLiteral("Файл вопросов:"), in), 0, 0);
  g->addWidget(source_, 0, 1);
  g->addWidget(pick, 0, 2);
  g->addWidget(look, 0, 3);
  g->addWidget(new QLabel(QStringLiteral("База тестов:"), in), 1, 0);
  g->addWidget(bases_, 1, 1, 1, 3);
  g->addWidget(new QLabel(QStringLiteral("Имя нового теста:"), in), 2, 0);
  g->addWidget(name_, 2, 1, 1, 3);
  table_ = new QTableWidget(0, 6, in);
  table_->setObjectName(QStringLiteral("preview"));
  table_->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Место в файле"), QStringLiteral("Вопрос"), QStringLiteral("Кадр"),
                                     QStringLiteral("Раздел"), QStringLiteral("Примечание")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setStretchLastSection(true);
  const int cw = table_->fontMetrics().averageCharWidth();
  const int widths[] = {4, 16, 36, 18, 14};
  for (int i = 0; i < 5; ++i) table_->setColumnWidth(i, cw * (widths[i] + 2));
  g->addWidget(table_, 3, 0, 1, 4);
  summary_ = new QLabel(QStringLiteral("Выберите файл вопросов и нажмите «Просмотреть»."), in);
  summary_->setWordWrap(true);
  g->addWidget(summary_, 4, 0, 1, 3);
  import_ = new QPushButton(QStringLiteral("&Импорт"), in);
  import_->setObjectName(QStringLiteral("import"));
  import_->setEnabled(false);
  g->addWidget(import_, 4, 3);
  g->setColumnStretch(1, 1);
  g->setRowStretch(3, 1);
  l->addWidget(in, 1);

  auto* out = new QGroupBox(QStringLiteral("Выгрузка теста"), this);
  auto* o = new QHBoxLayout(out);
  tests_ = new QComboBox(out);
  tests_->setObjectName(QStringLiteral("tests"));
  tests_->setMinimumContentsLength(24);
  format_ = new QComboBox(out);
  format_->setObjectName(QStringLiteral("format"));
  format_->addItem(QStringLiteral("GIFT"), static_cast<int>(Format::Gift));
  format_->addItem(QStringLiteral("Moodle XML"), static_cast<int>(Format::MoodleXml));
  auto* write = new QPushButton(QStringLiteral("&Выгрузить..."), out);
  o->addWidget(new QLabel(QStringLiteral("Тест:"), out));
  o->addWidget(tests_, 1);
  o->addWidget(new QLabel(QStringLiteral("Формат:"), out));
  o->addWidget(format_);
  o->addWidget(write);
  l->addWidget(out);

  auto* buttons = new QHBoxLayout;
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  auto* help = new QPushButton(ui::helpIcon(), QStringLiteral("Справка"), this);
  buttons->addStretch(1);
  buttons->addWidget(close);
  buttons->addWidget(help);
  l->addLayout(buttons);

  std::string error;
  list_ = testBases(site_, &error);
  for (const auto& b : list_)
    bases_->addItem(q(b.name) + (b.reserve ? QStringLiteral(" (резервная библиотека)") : QString()), q(b.dir));
  // The base the Constructor works in comes first.
  const int current = bases_->findData(q(site_.inst.libraryDir.empty() || site_.inst.libraryDir.back() == '/' ? site_.inst.libraryDir
                                                                                                               : site_.inst.libraryDir + "/"));
  if (current >= 0) bases_->setCurrentIndex(current);
  baseChanged();
  if (list_.empty())
    summary_->setText(QStringLiteral("В библиотеках нет ни одной базы тестов: создайте базу в Администраторе. ") + q(error));

  connect(pick, &QPushButton::clicked, this, &ConvertWindow::browse);
  connect(look, &QPushButton::clicked, this, &ConvertWindow::showPreview);
  connect(source_, &QLineEdit::returnPressed, this, &ConvertWindow::showPreview);
  // A preview belongs to the file it was made of.
  connect(source_, &QLineEdit::textEdited, this, [this] {
    previewed_ = false;
    import_->setEnabled(false);
  });
  connect(import_, &QPushButton::clicked, this, &ConvertWindow::importPreview);
  connect(bases_, &QComboBox::currentIndexChanged, this, &ConvertWindow::baseChanged);
  connect(write, &QPushButton::clicked, this, &ConvertWindow::exportChosen);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(960, 620); });
}

const TestBase* ConvertWindow::base() const {
  const int i = bases_->currentIndex();
  return i >= 0 && i < static_cast<int>(list_.size()) ? &list_[static_cast<std::size_t>(i)] : nullptr;
}

void ConvertWindow::baseChanged() {
  tests_->clear();
  const TestBase* b = base();
  if (!b) return;
  const QStringList files = QDir(q(b->dir)).entryList({QStringLiteral("*.orm"), QStringLiteral("*.ORM")}, QDir::Files, QDir::Name);
  for (const QString& f : files) tests_->addItem(QFileInfo(f).completeBaseName());
}

void ConvertWindow::browse() {
  const QString f = ui::openFileDialog(this, QStringLiteral("Файл вопросов"),
                                       QStringLiteral("Вопросы GIFT, Moodle XML, QTI|*.gift;*.txt;*.xml;*.zip|Все файлы|*.*"));
  if (f.isEmpty()) return;
  source_->setText(f);
  showPreview();
}

void ConvertWindow::showPreview() {
  previewed_ = false;
  import_->setEnabled(false);
  table_->setRowCount(0);
  const QString f = source_->text().trimmed();
  if (f.isEmpty()) {
    summary_->setText(QStringLiteral("Не указан файл вопросов."));
    return;
  }
  ms().waitCursor(true);
  bank_ = readSource(f.toStdString(), &read_);
  ms().waitCursor(false);
  if (!bank_.ok()) {
    summary_->setText(QStringLiteral("Файл не прочитан."));
    ms().ask(QStringLiteral("Файл %1 не прочитан (%2):|").arg(f, QString::fromUtf8(formatName(read_))) + listed(bank_.errors), windowTitle(),
             messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  plan_ = planFrames(bank_, newScenario(), site_.defaults);
  table_->setRowCount(static_cast<int>(plan_.items.size()));
  int row = 0, code = 0;
  for (const PlannedFrame& p : plan_.items) {
    const Question& question = bank_.questions[static_cast<std::size_t>(p.question)];
    QString text = q(question.text).section(QLatin1Char('\n'), 0, 0);
    if (text.size() > 80) text = text.left(77) + QStringLiteral("...");
    if (!question.name.empty()) text = q(question.name) + QStringLiteral(": ") + text;
    QStringList notes;
    for (const auto& n : p.notes) notes << q(n);
    const QString cells[] = {p.kind ? QString::number(++code) : QString(), q(p.where), text,
                             p.kind ? q(kindName(p.vop)) : QStringLiteral("пропущен"), p.kind ? ui::fromRecord(p.vop.RAZDEL.view()) : QString(),
                             p.kind ? notes.join(QLatin1Char(' ')) : q(p.skipped)};
    for (int c = 0; c < 6; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (!p.kind) item->setBackground(QColor(255, 226, 222));
      else if (!p.notes.empty()) item->setBackground(QColor(255, 248, 214));
      item->setToolTip(cells[5]);
      table_->setItem(row, c, item);
    }
    ++row;
  }
  QString text = QStringLiteral("Формат: %1. Будет кадров: %2, пропущено вопросов: %3, разделов: %4.")
                     .arg(QString::fromUtf8(formatName(read_)))
                     .arg(plan_.frames())
                     .arg(static_cast<int>(plan_.items.size()) - plan_.frames())
                     .arg(plan_.sections.size());
  for (const auto& n : plan_.notes) text += QLatin1Char(' ') + q(n);
  if (!plan_.refusal.empty()) text += QLatin1Char(' ') + q(plan_.refusal);
  summary_->setText(text);
  // The name the window offered follows the file; one the user typed stays.
  if (name_->text().trimmed().isEmpty() || name_->text() == offeredName_) {
    offeredName_ = QFileInfo(f).completeBaseName();
    name_->setText(offeredName_);
  }
  previewed_ = true;
  import_->setEnabled(plan_.refusal.empty());
}

bool ConvertWindow::importPreview() {
  if (!previewed_) return false;
  const TestBase* b = base();
  if (!b) {
    ms().ask(QStringLiteral("Не выбрана база тестов."), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  const QString name = name_->text().trimmed();
  if (!ui::fitsRecord(name)) {
    ms().ask(QStringLiteral("Имя теста содержит знаки, которых нет в кодировке Windows-1251."), windowTitle(), messages::Buttons::Ok,
             messages::Icon::Exclamation);
    name_->setFocus();
    return false;
  }
  ImportTarget t;
  t.baseDir = b->dir;
  t.baseCode = b->code;
  t.name = name.toStdString();
  t.keyWord = site_.inst.keyWord;
  t.organisation = std::string(site_.glb.ORG.view());
  t.dataTestFile = dataTestFile(site_);
  ui::ProgressWindow progress(QStringLiteral("Импорт теста «%1»...").arg(name), this);
  progress.setWindowModality(Qt::WindowModal);
  progress.show();
  t.progress = [&progress](int done, int total) {
    progress.setText(QStringLiteral("Записано кадров: %1 из %2").arg(done).arg(total));
    return progress.step(total ? done * 100 / total : 100);
  };
  ms().waitCursor(true);
  const constructor::Outcome o = importPlan(plan_, t);
  ms().waitCursor(false);
  progress.hide();
  if (!o) {
    ms().ask(q(o.message), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    name_->setFocus();
    return false;
  }
  ms().ask(QStringLiteral("Тест «%1» создан в базе «%2»: кадров %3.").arg(name, q(b->name)).arg(plan_.frames()), windowTitle());
  baseChanged();
  tests_->setCurrentText(name);
  previewed_ = false;
  import_->setEnabled(false);
  return true;
}

void ConvertWindow::exportChosen() {
  if (tests_->currentText().isEmpty()) {
    ms().ask(QStringLiteral("В базе нет тестов."), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  const bool gift = format_->currentData().toInt() == static_cast<int>(Format::Gift);
  const QString path = ui::saveFileDialog(this, QStringLiteral("Выгрузить тест в файл"),
                                          gift ? QStringLiteral("Вопросы GIFT|*.gift;*.txt") : QStringLiteral("Moodle XML|*.xml"));
  if (!path.isEmpty()) exportTo(path);
}

bool ConvertWindow::exportTo(const QString& outPath) {
  const TestBase* b = base();
  if (!b || tests_->currentText().isEmpty()) return false;
  const Format f = static_cast<Format>(format_->currentData().toInt());
  const std::string testPath = b->dir + tests_->currentText().toStdString() + ".orm";
  const std::string why = exportTargetRefusal(testPath, outPath.toStdString());
  if (!why.empty()) {
    ms().ask(q(why), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  if (filepath::exists(filepath::resolve(outPath.toStdString())) &&
      ms().ask(QStringLiteral("Файл %1 уже есть. Заменить его?").arg(outPath), windowTitle(), messages::Buttons::YesNo,
               messages::Icon::Question, messages::No) != messages::Yes)
    return false;
  Written written;
  const constructor::Outcome o = exportTest(testPath, site_.inst.keyWord, f, outPath.toStdString(), written, true);
  if (!o) {
    ms().ask(q(o.message), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  QString text = QStringLiteral("Выгружено кадров: %1 в файл %2.").arg(written.written).arg(outPath);
  if (!written.notes.empty()) text += QStringLiteral("|Не выгружено или выгружено не полностью:|") + listed(written.notes);
  ms().ask(text, windowTitle());
  return true;
}

}  // namespace converter
