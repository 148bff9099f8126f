#include "previewer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>
#include <QUrl>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "docx_export.h"
#include "message_service.h"
#include "window_tools.h"
#include "services.h"

namespace ui {

namespace {

const QString kDocxTitle = QStringLiteral("Формирование WinWord-файла");

// The export's settings for the run: the last name and the "show" choice.
QString& lastDocxName() {
  static QString name;
  if (name.isEmpty()) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    name = QDir(dir).filePath(QStringLiteral("doc1.docx"));
  }
  return name;
}
bool lastDocxShow = false;

}  // namespace

Previewer::Previewer(const Report& report, QWidget* parent)
    : QDialog(parent),
      openDocument([](const QString& path) {
        // xdg-open starts whether or not an application takes the type: ask first.
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (!xdgMime.isEmpty()) {
          QProcess q;
          q.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                            QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document")});
          if (q.waitForFinished(3000) && q.exitCode() == 0 && q.readAllStandardOutput().trimmed().isEmpty()) return false;
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
      }),
      report_(report) {
  setWindowTitle(QStringLiteral("Общий вид отчета"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  marks_.assign(static_cast<std::size_t>(report_.pageCount()), 0);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* menu = new QMenuBar(this);
  outer->setMenuBar(menu);

  QMenu* file = menu->addMenu(QStringLiteral("&Файл"));
  file->addAction(QStringLiteral("&Печать"), this, &Previewer::printDialog);
  file->addAction(QStringLiteral("&Сохранить в WinWord"), this, &Previewer::docxDialog);
  file->addAction(QStringLiteral("&Сохранить в PDF..."), this, [this] {
    QString path = saveFileDialog(this, QStringLiteral("Сохранить отчет"), QStringLiteral("Документы PDF|*.pdf"));
    if (!path.isEmpty()) saveAsPdf(path, PageChoice::All);
  });
  file->addSeparator();
  file->addAction(QStringLiteral("Вы&ход"), this, &QDialog::reject);
  QMenu* view = menu->addMenu(QStringLiteral("&Просмотр"));
  view->addAction(QStringLiteral("&Следующая страница"), this, &Previewer::nextPage);
  view->addAction(QStringLiteral("&Предыдущая страница"), this, &Previewer::previousPage);
  view->addAction(QStringLiteral("&Последняя страница"), this, &Previewer::lastPage);
  view->addAction(QStringLiteral("&Первая страница"), this, &Previewer::firstPage);
  view->addAction(QStringLiteral("&Перейти к ..."), this, &Previewer::goToDialog);
  view->addAction(QStringLiteral("&Изменить просмотр"), this, &Previewer::viewDialog);
  QMenu* zoom = menu->addMenu(QStringLiteral("&Масштаб"));
  const std::pair<const char*, int> zooms[] = {{"Без масштабирования", 0}, {"На ширину страницы", -1}, {"&50 процентов", 50},
                                               {"&75 процентов", 75}, {"&100 процентов", 100}, {"15&0 процентов", 150},
                                               {"&200 процентов", 200}, {"&300 процентов", 300}};
  for (const auto& [text, z] : zooms) {
    int zz = z;
    zoom->addAction(QString::fromUtf8(text), this, [this, zz] { setZoom(zz); });
  }
  QMenu* arch = menu->addMenu(QStringLiteral("&Архивация"));
  arch->addAction(QStringLiteral("&Архивация отчета"));  // kept for its place; it does nothing

  auto* tools = new QToolBar(this);
  tools->addAction(QStringLiteral("Печать"), this, &Previewer::printDialog);
  tools->addAction(QStringLiteral("WinWord"), this, &Previewer::docxDialog)->setToolTip(QStringLiteral("Сохранить в WinWord"));
  tools->addSeparator();
  tools->addAction(QStringLiteral("|<"), this, &Previewer::firstPage)->setToolTip(QStringLiteral("Первая страница"));
  tools->addAction(QStringLiteral("<"), this, &Previewer::previousPage)->setToolTip(QStringLiteral("Предыдущая страница"));
  tools->addAction(QStringLiteral(">"), this, &Previewer::nextPage)->setToolTip(QStringLiteral("Следующая страница"));
  tools->addAction(QStringLiteral(">|"), this, &Previewer::lastPage)->setToolTip(QStringLiteral("Последняя страница"));
  tools->addSeparator();
  zoomBox_ = new QComboBox(tools);
  const std::pair<const char*, int> boxZooms[] = {{"Без масштабирования", 0}, {"Ширина страницы", -1}, {"50%", 50}, {"75%", 75},
                                                  {"100%", 100}, {"150%", 150}, {"200%", 200}, {"300%", 300}};
  for (const auto& [text, z] : boxZooms) zoomBox_->addItem(QString::fromUtf8(text), z);
  zoomBox_->setCurrentIndex(1);
  connect(zoomBox_, &QComboBox::activated, this, [this](int i) { setZoom(zoomBox_->itemData(i).toInt()); });
  tools->addWidget(zoomBox_);
  auto* lbl = new QLabel(QStringLiteral(" &Лист: "), tools);
  pageBox_ = new QSpinBox(tools);
  pageBox_->setRange(1, std::max(1, report_.pageCount()));
  lbl->setBuddy(pageBox_);
  connect(pageBox_, &QSpinBox::valueChanged, this, [this](int v) { goToPage(v); });
  tools->addWidget(lbl);
  tools->addWidget(pageBox_);
  countLabel_ = new QLabel(QStringLiteral(" из %1 ").arg(report_.pageCount()), tools);
  tools->addWidget(countLabel_);
  outer->addWidget(tools);
  // The page marks on a row of their own.
  auto* marks = new QToolBar(this);
  marks->addAction(QStringLiteral("Отметить все страницы"), this, &Previewer::markAll);
  marks->addAction(QStringLiteral("Снять отметки со всех страниц"), this, &Previewer::unmarkAll);
  marks->addSeparator();
  markBox_ = new QCheckBox(QStringLiteral("Страница отобрана для печати"), marks);
  connect(markBox_, &QCheckBox::clicked, this, [this] { toggleMark(); });
  marks->addWidget(markBox_);
  outer->addWidget(marks);

  scroll_ = new QScrollArea(this);
  scroll_->setAlignment(Qt::AlignHCenter);
  scroll_->setBackgroundRole(QPalette::Dark);
  pagesWidget_ = new QWidget;
  grid_ = new QGridLayout(pagesWidget_);
  grid_->setSpacing(12);
  scroll_->setWidget(pagesWidget_);
  scroll_->setWidgetResizable(false);
  outer->addWidget(scroll_, 1);
  resize(900, 760);
  render();
}

void Previewer::goToPage(int page) {
  page = std::clamp(page, 1, std::max(1, pageCount()));
  if (page == current_ && pageBox_->value() == page) return;
  current_ = page;
  render();
}

void Previewer::setZoom(int z) {
  zoom_ = z;
  int i = zoomBox_->findData(z);
  if (i >= 0) zoomBox_->setCurrentIndex(i);
  render();
}

void Previewer::setGrid(int c, int r) {
  columns_ = std::clamp(c, 1, 6);
  rows_ = std::clamp(r, 1, 6);
  render();
}

void Previewer::markAll() {
  std::fill(marks_.begin(), marks_.end(), 1);
  render();
}

void Previewer::unmarkAll() {
  std::fill(marks_.begin(), marks_.end(), 0);
  render();
}

void Previewer::toggleMark() {
  if (current_ >= 1 && current_ <= static_cast<int>(marks_.size())) {
    auto& m = marks_[static_cast<std::size_t>(current_ - 1)];
    m = m ? 0 : 1;
  }
  render();
}

void Previewer::render() {
  pageBox_->blockSignals(true);
  pageBox_->setValue(current_);
  pageBox_->blockSignals(false);
  markBox_->setChecked(current_ <= static_cast<int>(marks_.size()) && marks_[static_cast<std::size_t>(current_ - 1)]);
  while (QLayoutItem* it = grid_->takeAt(0)) {
    delete it->widget();
    delete it;
  }
  // Dots per inch of the pictures by the zoom.
  double dpi;
  const double pageWidthPt = report_.area().width() + 72;
  if (zoom_ == -1) {
    int avail = scroll_->viewport()->width() - 40 - scroll_->verticalScrollBar()->sizeHint().width() - (columns_ - 1) * 12;
    dpi = std::max(20.0, avail / static_cast<double>(columns_) / (pageWidthPt / 72.0));
  } else {
    dpi = (zoom_ == 0 ? 100 : zoom_) * 96.0 / 100.0;
  }
  for (int k = 0; k < columns_ * rows_; ++k) {
    int page = current_ + k;
    if (page > pageCount()) break;
    auto* l = new QLabel(pagesWidget_);
    QImage img = report_.pageImage(page, dpi);
    l->setPixmap(QPixmap::fromImage(img));
    l->setFrameShape(QFrame::Box);
    bool marked = marks_[static_cast<std::size_t>(page - 1)];
    l->setStyleSheet(marked ? QStringLiteral("border: 3px solid #2e7d32;") : QStringLiteral("border: 1px solid #555;"));
    l->setToolTip(QStringLiteral("Страница %1%2").arg(page).arg(marked ? QStringLiteral(" (отмечена)") : QString()));
    grid_->addWidget(l, k / columns_, k % columns_);
    l->show();
  }
  pagesWidget_->adjustSize();
}

bool Previewer::saveAsPdf(const QString& path, PageChoice c, int from, int to) {
  auto pages = choosePages(pageCount(), c, current_, marks_, from, to);
  if (pages.empty()) return false;
  bool ok = report_.writePdf(path, pages);
  if (!ok)
    MessageService::instance().ask(QStringLiteral("Не удалось записать файл %1.").arg(path), QStringLiteral("Печать отчета"),
                                   messages::Buttons::Ok, messages::Icon::Exclamation);
  return ok;
}

void Previewer::docxDialog() {
  DocxDialog d(pageCount(), lastDocxName(), lastDocxShow, this);
  if (d.exec() != QDialog::Accepted) return;
  lastDocxName() = d.fileName();
  lastDocxShow = d.showBox()->isChecked();
  saveAsDocx(d.fileName(), d.pages()->choice(), d.pages()->from(), d.pages()->to(), lastDocxShow);
}

bool Previewer::saveAsDocx(const QString& path, PageChoice c, int from, int to, bool show) {
  auto& ms = MessageService::instance();
  progress_.clear();
  const auto pages = choosePages(pageCount(), c, current_, marks_, from, to);
  if (pages.empty()) {
    ms.ask(QStringLiteral("Ни одна страница не выбрана."), kDocxTitle);
    return false;
  }
  if (QFileInfo::exists(path) &&
      ms.ask(QStringLiteral("Файл %1 уже существует.\nЗаменить его?").arg(path), kDocxTitle, messages::Buttons::YesNo,
             messages::Icon::Question, messages::No) != messages::Yes)
    return false;
  QDialog window(this);
  window.setWindowTitle(kDocxTitle);
  auto* l = new QVBoxLayout(&window);
  auto* pageLine = new QLabel(&window);
  auto* doneLine = new QLabel(&window);
  auto* stepLine = new QLabel(&window);
  for (QLabel* x : {pageLine, doneLine, stepLine}) {
    x->setMinimumWidth(300);
    l->addWidget(x);
  }
  auto say = [&](QLabel* line, const QString& text) {
    line->setText(text);
    progress_ << text;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  window.show();
  const QString total = QString::number(pageCount());
  say(pageLine, QStringLiteral("Формирование страницы 1 из ") + total);
  say(doneLine, QStringLiteral("Выполнено 0%"));
  say(stepLine, QStringLiteral("Создание документа..."));
  QString error;
  const bool ok = writeDocx(
      path, report_, pages, &error, [&](int n, int count) {
        say(pageLine, QStringLiteral("Формирование страницы %1 из %2").arg(pages[static_cast<std::size_t>(n)]).arg(total));
        say(doneLine, QStringLiteral("Выполнено %1%").arg(n * 100 / count));
      });
  if (ok) {
    say(doneLine, QStringLiteral("Выполнено 100%"));
    say(stepLine, QStringLiteral("Документ создан"));
  }
  window.close();
  if (!ok) {
    ms.ask(QStringLiteral("Документ %1 не создан:\n%2").arg(path, error), kDocxTitle, messages::Buttons::Ok,
           messages::Icon::Exclamation);
    return false;
  }
  if (show && openDocument && openDocument(path)) return true;
  if (show)
    ms.ask(QStringLiteral("Документ %1 успешно создан, но открыть его не удалось:\nприложение для документов Word не найдено.")
               .arg(path),
           kDocxTitle);
  else
    ms.ask(QStringLiteral("Документ %1 успешно создан!").arg(path), kDocxTitle);
  return true;
}

void Previewer::printDialog() {
  PrintDialog d(pageCount(), current_, this);
  if (d.exec() != QDialog::Accepted) return;
  auto pages = choosePages(pageCount(), d.choice(), current_, marks_, d.from(), d.to());
  if (pages.empty()) {
    MessageService::instance().ask(QStringLiteral("Ни одна страница не выбрана для печати."), QStringLiteral("Печать отчета"));
    return;
  }
  if (d.toPdf()) {
    QString path = saveFileDialog(this, QStringLiteral("Сохранить отчет"), QStringLiteral("Документы PDF|*.pdf"));
    if (path.isEmpty() || !report_.writePdf(path, pages)) return;
  } else {
    std::unique_ptr<QPrinter> printer = makePrinter(d.printerName());
    if (!printer || !report_.print(*printer, pages, d.copies(), d.collate())) {
      MessageService::instance().ask(QStringLiteral("Не удалось напечатать отчет на принтере %1.").arg(d.printerName()),
                                     QStringLiteral("Печать отчета"), messages::Buttons::Ok, messages::Icon::Exclamation);
      return;
    }
  }
  accept();  // printing ends the previewer
}

void Previewer::goToDialog() {
  QDialog d(this);
  d.setWindowTitle(QStringLiteral("Перейти к странице отчета"));
  auto* f = new QFormLayout(&d);
  auto* spin = new QSpinBox(&d);
  spin->setRange(1, std::max(1, pageCount()));
  spin->setValue(current_);
  f->addRow(QStringLiteral("&Страница:"), spin);
  auto* box = okCancel(&d, QStringLiteral("OK"), QStringLiteral("О&тменить"));
  f->addRow(box);
  if (d.exec() == QDialog::Accepted) goToPage(spin->value());
}

void Previewer::viewDialog() {
  QDialog d(this);
  d.setWindowTitle(QStringLiteral("Изменение параментров просмотра отчета"));
  auto* l = new QVBoxLayout(&d);
  auto* g = new QGroupBox(QStringLiteral("Показ страниц"), &d);
  auto* f = new QFormLayout(g);
  auto* cols = new QSpinBox(&d);
  auto* rows = new QSpinBox(&d);
  cols->setRange(1, 6);
  rows->setRange(1, 6);
  cols->setValue(columns_);
  rows->setValue(rows_);
  f->addRow(QStringLiteral("Столбцов"), cols);
  f->addRow(QStringLiteral("Рядов"), rows);
  l->addWidget(g);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
  box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("О&тменить"));
  connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  l->addWidget(box);
  if (d.exec() == QDialog::Accepted) setGrid(cols->value(), rows->value());
}

PrintDialog::PrintDialog(int pages, int current, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Печать отчета"));
  auto* l = new QVBoxLayout(this);
  auto* pg = new QGroupBox(QStringLiteral("Принтер"), this);
  auto* pf = new QFormLayout(pg);
  printer_ = new QComboBox(this);
  // The printer chosen for this run comes first to hand.
  const QStringList names = printerNames();
  for (const auto& n : names) printer_->addItem(n);
  QString def = currentPrinterName();
  if (!def.isEmpty()) printer_->setCurrentText(def);
  auto* port = new QLabel(this);
  auto showPort = [this, port] {
    QPrinterInfo info = QPrinterInfo::printerInfo(printer_->currentText());
    port->setText(info.isNull() ? QStringLiteral("нет") : info.location().isEmpty() ? info.description() : info.location());
  };
  connect(printer_, &QComboBox::currentTextChanged, this, showPort);
  showPort();
  if (names.isEmpty()) printer_->addItem(QStringLiteral("Нет установленных принтеров"));
  pf->addRow(QStringLiteral("Имя:"), printer_);
  pf->addRow(QStringLiteral("Порт:"), port);
  copies_ = new QSpinBox(this);
  copies_->setRange(1, 99);
  pf->addRow(QStringLiteral("Число копий:"), copies_);
  collate_ = new QCheckBox(QStringLiteral("Сортировать"), this);
  collate_->setChecked(true);
  pf->addRow(QString(), collate_);
  l->addWidget(pg);

  pages_ = new PageChoiceBox(pages, this);
  l->addWidget(pages_);
  (void)current;

  auto* buttons = new QHBoxLayout;
  auto* print = new QPushButton(QStringLiteral("&Печать"), this);
  auto* pdf = new QPushButton(QStringLiteral("В файл &PDF..."), this);
  auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
  print->setEnabled(!names.isEmpty());
  print->setDefault(!names.isEmpty());
  buttons->addStretch(1);
  buttons->addWidget(print);
  buttons->addWidget(pdf);
  buttons->addWidget(cancel);
  l->addLayout(buttons);
  connect(print, &QPushButton::clicked, this, &QDialog::accept);
  connect(pdf, &QPushButton::clicked, this, [this] {
    toPdf_ = true;
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

PageChoiceBox::PageChoiceBox(int pages, QWidget* parent) : QGroupBox(QStringLiteral("Cтраницы"), parent) {
  auto* sl = new QGridLayout(this);
  const char* labels[] = {"Все", "Текущая", "Отмеченные", "Не отмеченные", "Диапазон", "Четные", "Нечетные"};
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 7; ++i) {
    auto* r = new QRadioButton(QString::fromUtf8(labels[i]), this);
    group->addButton(r, i + 1);
    modes_.push_back(r);
  }
  modes_[0]->setChecked(true);
  sl->addWidget(modes_[0], 0, 0);
  sl->addWidget(modes_[1], 1, 0);
  sl->addWidget(modes_[2], 2, 0);
  sl->addWidget(modes_[3], 3, 0);
  sl->addWidget(modes_[5], 0, 1);
  sl->addWidget(modes_[6], 1, 1);
  auto* range = new QHBoxLayout;
  from_ = new QSpinBox(this);
  to_ = new QSpinBox(this);
  from_->setRange(1, std::max(1, pages));
  to_->setRange(1, std::max(1, pages));
  from_->setValue(1);
  to_->setValue(std::max(1, pages));
  range->addWidget(modes_[4]);
  range->addWidget(from_);
  range->addWidget(new QLabel(QStringLiteral("по"), this));
  range->addWidget(to_);
  sl->addLayout(range, 4, 0, 1, 2);
}

PageChoice PageChoiceBox::choice() const {
  for (std::size_t i = 0; i < modes_.size(); ++i)
    if (modes_[i]->isChecked()) return static_cast<PageChoice>(i + 1);
  return PageChoice::All;
}
void PageChoiceBox::setChoice(PageChoice c) { modes_[static_cast<std::size_t>(c) - 1]->setChecked(true); }
int PageChoiceBox::from() const { return from_->value(); }
int PageChoiceBox::to() const { return to_->value(); }
void PageChoiceBox::setRange(int from, int to) {
  from_->setValue(from);
  to_->setValue(to);
}

DocxDialog::DocxDialog(int pages, const QString& name, bool show, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Формирование WinWord-файла"));
  auto* l = new QVBoxLayout(this);
  pages_ = new PageChoiceBox(pages, this);
  l->addWidget(pages_);
  auto* nameRow = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Имя doc-файла"), this);
  name_ = new QLineEdit(name, this);
  name_->setMinimumWidth(320);
  label->setBuddy(name_);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  browse->setToolTip(QStringLiteral("Выбор файла"));
  browse->setFixedWidth(32);
  connect(browse, &QPushButton::clicked, this, [this] {
    // The export asks about an existing file itself, once, by the name it writes.
    QString path = saveFileDialog(this, QStringLiteral("Имя doc-файла"), QStringLiteral("Документы Word|*.docx"), name_->text(), false);
    if (!path.isEmpty()) name_->setText(docxFileName(path));
  });
  nameRow->addWidget(label);
  nameRow->addWidget(name_, 1);
  nameRow->addWidget(browse);
  l->addLayout(nameRow);
  show_ = new QCheckBox(QStringLiteral("Показать документ после формирования"), this);
  show_->setToolTip(QStringLiteral("Загрузить WinWord и показать документ"));
  show_->setChecked(show);
  l->addWidget(show_);
  auto* buttons = new QHBoxLayout;
  auto* make = new QPushButton(QStringLiteral("&Формировать"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
  make->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(make);
  buttons->addWidget(cancel);
  l->addLayout(buttons);
  connect(make, &QPushButton::clicked, this, [this] {
    if (fileName().isEmpty()) {
      MessageService::instance().ask(QStringLiteral("Укажите имя doc-файла."), windowTitle());
      return;
    }
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString DocxDialog::fileName() const { return docxFileName(name_->text().trimmed()); }
int PrintDialog::copies() const { return copies_->value(); }
bool PrintDialog::collate() const { return collate_->isChecked(); }
QString PrintDialog::printerName() const { return printer_->currentText(); }

}  // namespace ui
