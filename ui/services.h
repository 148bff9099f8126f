#pragma once
// Small services every program uses: dialogs for files, directories, fonts,
// colours and the printer; the clipboard; starting the sibling programs;
// help pages; a beep.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QCoreApplication;
class QWidget;

namespace ui {

// "Все файлы|*.*|Тесты|*.orm" -> "Все файлы (*.*);;Тесты (*.orm)".
QString convertFilter(const QString& systemFilter);

QString openFileDialog(QWidget* parent, const QString& title, const QString& systemFilter, const QString& dir = {});
QString saveFileDialog(QWidget* parent, const QString& title, const QString& systemFilter, const QString& dir = {});
QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir = {});
bool chooseFont(QWidget* parent, QFont& font);
bool chooseColour(QWidget* parent, QColor& colour);
bool printerSetup(QWidget* parent);

// The "Правка" menu: undo, cut, copy, paste or delete in the text field that
// has the focus (nothing elsewhere).
enum class EditAction { Undo, Cut, Copy, Paste, Delete };
void editFocused(EditAction a);

void setClipboardText(const QString& text);
QString clipboardText();

// The absolute path of a sibling program named as the system names it
// ("Varnuke.exe", "Ormida.exe", "stat.exe"): the program beside the running
// one, never looked up through PATH. Empty for a name that is not one of them.
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
