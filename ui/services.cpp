#include "services.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QFontDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QPrinter>
#include <QPointer>
#include <QProcess>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "message_service.h"
#include "window_memory.h"

namespace ui {

QString convertFilter(const QString& f) {
  QStringList parts = f.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << parts[i].trimmed() + QStringLiteral(" (") + patterns.trimmed() + QStringLiteral(")");
  }
  if (parts.size() % 2 == 1 && !parts.last().isEmpty() && out.isEmpty()) out << parts.last();
  return out.join(QStringLiteral(";;"));
}

QString openFileDialog(QWidget* parent, const QString& title, const QString& filter, const QString& dir) {
  return QFileDialog::getOpenFileName(parent, title, dir, convertFilter(filter));
}

QString saveFileDialog(QWidget* parent, const QString& title, const QString& filter, const QString& dir, bool confirmOverwrite) {
  return QFileDialog::getSaveFileName(parent, title, dir, convertFilter(filter), nullptr,
                                      confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite);
}

QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir) {
  QString d = QFileDialog::getExistingDirectory(parent, title, dir);
  if (!d.isEmpty() && !d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');  // directories are stored with their separator
  return d;
}

bool chooseFont(QWidget* parent, QFont& font) {
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, font, parent);
  if (ok) font = f;
  return ok;
}

bool chooseColour(QWidget* parent, QColor& colour) {
  QColor c = QColorDialog::getColor(colour, parent);
  if (!c.isValid()) return false;
  colour = c;
  return true;
}

namespace {

// What "Установка принтера" chose in this run: the printer's name and a
// printer object holding the settings made in the dialog.
struct PrinterChoice {
  PrinterSystem system;
  QString name;
  std::unique_ptr<QPrinter> printer;
};

PrinterChoice& printerChoice() {
  static PrinterChoice c;
  return c;
}

QStringList systemPrinterNames() { return QPrinterInfo::availablePrinterNames(); }
QString systemDefaultPrinter() { return QPrinterInfo::defaultPrinterName(); }
QString systemPrinterDialog(QPrinter& printer, QWidget* parent) {
  QPrintDialog d(&printer, parent);
  d.setWindowTitle(QStringLiteral("Установка принтера"));
  // Which pages to print is asked by the report's own print window.
  d.setOptions(QAbstractPrintDialog::PrintShowPageSize);
  return d.exec() == QDialog::Accepted ? printer.printerName() : QString();
}

const PrinterSystem& printers() {
  PrinterSystem& s = printerChoice().system;
  if (!s.names) s.names = systemPrinterNames;
  if (!s.defaultName) s.defaultName = systemDefaultPrinter;
  if (!s.dialog) s.dialog = systemPrinterDialog;
  return s;
}

std::unique_ptr<QPrinter> printerNamed(const QString& name) {
  auto p = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
  // A printer the system does not describe (a test's) keeps its name.
  if (p->printerName() != name) p->setPrinterName(name);
  return p;
}

}  // namespace

void setPrinterSystem(PrinterSystem s) {
  printerChoice().system = std::move(s);
  printerChoice().name.clear();
  printerChoice().printer.reset();
}

QStringList printerNames() { return printers().names(); }

QString currentPrinterName() {
  const QStringList names = printerNames();
  if (names.isEmpty()) return {};
  const PrinterChoice& c = printerChoice();
  if (!c.name.isEmpty() && names.contains(c.name)) return c.name;
  const QString def = printers().defaultName();
  return names.contains(def) ? def : names.first();
}

std::unique_ptr<QPrinter> makePrinter(const QString& wanted) {
  const QString name = wanted.isEmpty() ? currentPrinterName() : wanted;
  if (name.isEmpty()) return nullptr;
  auto p = printerNamed(name);
  const PrinterChoice& c = printerChoice();
  if (c.printer && name == c.name) {
    p->setPageLayout(c.printer->pageLayout());
    p->setDuplex(c.printer->duplex());
    p->setColorMode(c.printer->colorMode());
  }
  return p;
}

bool printerSetup(QWidget* parent) {
  const QString current = currentPrinterName();
  if (current.isEmpty()) {
    MessageService::instance().ask(QStringLiteral("В системе не установлено ни одного принтера. "
                                                  "Установите принтер, чтобы печатать отчеты; "
                                                  "до тех пор их можно сохранять в файлы PDF."),
                                   QStringLiteral("Установка принтера"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  PrinterChoice& c = printerChoice();
  std::unique_ptr<QPrinter> p = makePrinter(current);
  const QString chosen = printers().dialog(*p, parent);
  if (chosen.isEmpty()) return false;
  if (p->printerName() != chosen) p->setPrinterName(chosen);
  c.name = chosen;
  c.printer = std::move(p);
  return true;
}

void setClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }
QString clipboardText() { return QApplication::clipboard()->text(); }

QString siblingProgram(const QString& name, const QString& programDir) {
  QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
  QString n = name.trimmed().toLower();
  QString exe;
  if (n == QLatin1String("varnuke.exe") || n == QLatin1String("varnuke")) exe = QStringLiteral("varnuke");
  else if (n == QLatin1String("ormida.exe") || n == QLatin1String("ormida")) exe = QStringLiteral("ormida");
  else if (n == QLatin1String("stat.exe") || n == QLatin1String("stat")) exe = QStringLiteral("stat");
  // The converter of other systems' tests ("convert" is another program on Debian).
  const bool converter = n == QLatin1String("convert.exe") || n == QLatin1String("convert") || n == QLatin1String("ormida-convert");
  if (converter) exe = QStringLiteral("ormida-convert");
  if (exe.isEmpty()) return {};
  // The programs are built into folders of their own; installed, they lie side by side.
  QDir d(dir);
  if (QFileInfo::exists(d.filePath(exe))) return d.absoluteFilePath(exe);
  for (const char* sub : {"../examiner/", "../constructor/", "../administrator/", "../converter/"}) {
    QString p = d.filePath(QString::fromLatin1(sub) + exe);
    if (QFileInfo::exists(p)) return QFileInfo(p).absoluteFilePath();
  }
  // The converter is optional: when it is not there, the caller says so.
  if (converter) return {};
  return d.absoluteFilePath(exe);
}

bool runProgram(const QString& commandLine, const QString& workingDir) {
  QString line = commandLine.trimmed();
  QString first = line.section(QLatin1Char(' '), 0, 0);
  QString rest = line.section(QLatin1Char(' '), 1).trimmed();
  QString wd = workingDir.isEmpty() ? QDir::currentPath() : workingDir;
  bool started = false;
  if (first.compare(QLatin1String("Explorer.exe"), Qt::CaseInsensitive) == 0) {
    QString dir = rest;
    if (dir.startsWith(QLatin1String("/n,/e,"), Qt::CaseInsensitive)) dir = dir.mid(6);
    started = QDesktopServices::openUrl(QUrl::fromLocalFile(dir.isEmpty() ? wd : dir));
  } else {
    QString exe = siblingProgram(first);
    QStringList args = rest.isEmpty() ? QStringList() : QProcess::splitCommand(rest);
    if (exe.isEmpty()) exe = first;
    started = QProcess::startDetached(exe, args, wd);
  }
  if (!started)
    MessageService::instance().ask(QStringLiteral("Не удалось запустить программу %1.").arg(first),
                                   QStringLiteral("Запуск программы"), messages::Buttons::Ok, messages::Icon::Exclamation);
  return started;
}

QString helpDirectory() {
  QDir d(QCoreApplication::applicationDirPath());
  for (const char* p : {"help", "../help", "../../help", "../share/ormida/help"})
    if (d.exists(QString::fromLatin1(p))) return QDir(d.filePath(QString::fromLatin1(p))).absolutePath();
  return d.filePath(QStringLiteral("help"));
}

namespace {
// One help window, owned by the window it was asked from: a modal window
// (the testing window) would otherwise block it.
QTextBrowser* helpBrowser(QWidget* parent) {
  static QPointer<QWidget> window;
  static QTextBrowser* browser = nullptr;
  QWidget* owner = parent ? parent->window() : nullptr;
  if (window && window->parentWidget() != owner) delete window.data();
  if (!window) {
    window = new QWidget(owner, Qt::Window);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(QStringLiteral("Справка"));
    auto* l = new QVBoxLayout(window);
    browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(false);
    l->addWidget(browser);
    window->resize(640, 520);
  }
  browser->setSearchPaths({helpDirectory()});
  if (owner) placeBeside(window, owner);
  window->show();
  window->raise();
  return browser;
}
}  // namespace

void openHelp(const QString& context, QWidget* parent) {
  QString dir = helpDirectory();
  QString page = QDir(dir).filePath(context + QStringLiteral(".html"));
  if (!QFileInfo::exists(page)) page = QDir(dir).filePath(QStringLiteral("index.html"));
  QTextBrowser* browser = helpBrowser(parent);
  if (QFileInfo::exists(page)) browser->setSource(QUrl::fromLocalFile(page));
  else browser->setHtml(QStringLiteral("<p>Справка к этому окну не найдена.</p>"));
}

QStringList helpPagesWith(const QString& word) {
  QStringList found;
  const QString w = word.trimmed();
  if (w.isEmpty()) return found;
  QDir dir(helpDirectory());
  for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) continue;
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    if (doc.toPlainText().contains(w, Qt::CaseInsensitive)) found << name;
  }
  return found;
}

void searchHelp(QWidget* parent) {
  bool ok = false;
  const QString word = QInputDialog::getText(parent, QStringLiteral("Поиск в справке"), QStringLiteral("Искать слово:"),
                                             QLineEdit::Normal, QString(), &ok);
  if (!ok || word.trimmed().isEmpty()) return;
  const QStringList pages = helpPagesWith(word);
  QString html = QStringLiteral("<h3>Поиск: «%1»</h3>").arg(word.toHtmlEscaped());
  if (pages.isEmpty()) html += QStringLiteral("<p>Слово в справке не найдено.</p>");
  QDir dir(helpDirectory());
  html += QStringLiteral("<ul>");
  for (const QString& p : pages) {
    QFile f(dir.filePath(p));
    QString title = p;
    if (f.open(QIODevice::ReadOnly)) {
      QTextDocument doc;
      doc.setHtml(QString::fromUtf8(f.readAll()));
      const QString t = doc.metaInformation(QTextDocument::DocumentTitle);
      if (!t.isEmpty()) title = t;
    }
    html += QStringLiteral("<li><a href=\"%1\">%2</a></li>").arg(p, title.toHtmlEscaped());
  }
  html += QStringLiteral("</ul>");
  helpBrowser(parent)->setHtml(html);
}

void editFocused(EditAction a) {
  QWidget* w = QApplication::focusWidget();
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    switch (a) {
      case EditAction::Undo: e->undo(); break;
      case EditAction::Cut: e->cut(); break;
      case EditAction::Copy: e->copy(); break;
      case EditAction::Paste: e->paste(); break;
      case EditAction::Delete: e->del(); break;
    }
  } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
    switch (a) {
      case EditAction::Undo: t->undo(); break;
      case EditAction::Cut: t->cut(); break;
      case EditAction::Copy: t->copy(); break;
      case EditAction::Paste: t->paste(); break;
      case EditAction::Delete: t->textCursor().removeSelectedText(); break;
    }
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
    switch (a) {
      case EditAction::Undo: p->undo(); break;
      case EditAction::Cut: p->cut(); break;
      case EditAction::Copy: p->copy(); break;
      case EditAction::Paste: p->paste(); break;
      case EditAction::Delete: p->textCursor().removeSelectedText(); break;
    }
  }
}

void beep() { QApplication::beep(); }

bool installTranslations(QCoreApplication& app) {
  // Qt's own texts (the buttons of standard boxes, the file dialogs) in Russian.
  static QTranslator qt;
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  bool ok = qt.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"), dir);
  if (ok) app.installTranslator(&qt);
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  return ok;
}

}  // namespace ui
