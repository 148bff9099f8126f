#pragma once
// Small services every program uses: dialogs for files, directories, fonts,
// colours and the printer; the clipboard; starting the sibling programs;
// help pages; a beep.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QCoreApplication;
class QPrinter;
class QWidget;

namespace ui {

// "Все файлы|*.*|Тесты|*.orm" -> "Все файлы (*.*);;Тесты (*.orm)".
QString convertFilter(const QString& systemFilter);

QString openFileDialog(QWidget* parent, const QString& title, const QString& systemFilter, const QString& dir = {});
// `confirmOverwrite` false leaves the question about an existing file to the
// caller, which asks once about the name it will really write.
QString saveFileDialog(QWidget* parent, const QString& title, const QString& systemFilter, const QString& dir = {},
                       bool confirmOverwrite = true);
QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir = {});
bool chooseFont(QWidget* parent, QFont& font);
bool chooseColour(QWidget* parent, QColor& colour);

// The printer of this run. "Установка принтера" chooses it in the print
// set-up dialog and every print of the program goes to it until the program
// ends; before a choice, it is the system's default printer. The installed
// printers and the dialog are the system's; tests give their own.
struct PrinterSystem {
  std::function<QStringList()> names;      // the installed printers
  std::function<QString()> defaultName;    // the system's default ("" when none)
  // The set-up dialog on `printer` (which holds the current choice): the
  // chosen printer's name, or "" when cancelled.
  std::function<QString(QPrinter& printer, QWidget* parent)> dialog;
};
// Members left empty take the system's own; the choice made so far is dropped.
void setPrinterSystem(PrinterSystem s);
QStringList printerNames();
// The chosen printer when it is still installed, else the system's default,
// else the first installed one; "" when no printer is installed.
QString currentPrinterName();
// A printer to print on: `name` (the current one when empty), with the
// paper, orientation and other settings chosen in the set-up dialog when it
// is the chosen printer. Nothing when no printer is installed.
std::unique_ptr<QPrinter> makePrinter(const QString& name = {});
// "Установка принтера": the set-up dialog on the current printer; the choice
// is kept for this run. With no printer installed it says so and returns
// false, as it does when cancelled.
bool printerSetup(QWidget* parent);

// The "Правка" menu: undo, cut, copy, paste or delete in the text field that
// has the focus (nothing elsewhere).
enum class EditAction { Undo, Cut, Copy, Paste, Delete };
void editFocused(EditAction a);

void setClipboardText(const QString& text);
QString clipboardText();

// The absolute path of a sibling program named as the system names it
// ("Varnuke.exe", "Ormida.exe", "stat.exe", the converter "Convert.exe" =
// ormida-convert): the program beside the running one, never looked up
// through PATH. Empty for a name that is not one of them, and for the
// converter when it is not installed.
QString siblingProgram(const QString& systemName, const QString& programDir = {});
// Runs a command line without waiting: a sibling program by its system
// name, "Explorer.exe" with a directory (the desktop's file manager), or any
// other program with its arguments. False (and a message) when it cannot start.
bool runProgram(const QString& commandLine, const QString& workingDir = {});

// Opens the help page of a context (a window's procedure name) in the help
// window; the pages ship in the "help" folder beside the programs.
void openHelp(const QString& context, QWidget* parent = nullptr);
QString helpDirectory();
// "Поиск...": asks for a word and lists the help pages that hold it.
void searchHelp(QWidget* parent = nullptr);
QStringList helpPagesWith(const QString& word);

void beep();

// Loads Qt's own Russian translations, so that every standard dialog speaks
// Russian; false when they are not installed.
bool installTranslations(QCoreApplication& app);

}  // namespace ui
