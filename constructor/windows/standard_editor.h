#pragma once
// The standard frame editor "Ормида [Стандартный редактор кадров] - Тест:":
// the question, up to nine answer variants with their answer controls in
// six kinds of task, the picture and its layout, the font kept for the
// Examiner, moving between the frames of the test. Every write goes through
// the logic library (normalised and validated there); the console edits the
// frame's parameters through the FrameEditorWindow interface.
#include <QFont>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "document_view.h"
#include "frame_editor.h"
#include "frame_objects.h"
#include "startup.h"
#include "tables_central.h"
#include "tables_test_file.h"
#include "test_file.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTabBar;
class QToolBar;
class QWidget;

namespace constructor {

class StandardEditor : public FrameEditorWindow {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "StdFrame";
  static constexpr const char* kObjectProcedure = "ObjkVop";
  // The toolbar's commands, in its order.
  enum Command {
    Save, SaveAndNew, SaveAndClose, Preview, Reload, Sections, Fields, Help, Templates,
    Cut, Copy, Paste, Undo, Picture, ActivateObject, InsertObject, RemoveObject,
    Calculator, Lock, Font, GoToCode, Previous, Next, First, Last, Close, CommandCount
  };

  // With `r.object` the object frame editor: frames "Objk", each with a document.
  StandardEditor(Startup& s, const EditorRequest& r, QWidget* parent = nullptr);
  ~StandardEditor() override;
  // Opens the test and the frame (a new one added when the request names
  // none); false when it could not (the user was told).
  bool open();

  bool hasUnsavedChanges() const override;
  bool goToFrame(std::uint16_t code) override;
  bool startNewFrame() override;
  FrameParameters parameters() const override;
  std::vector<SectionEntry> sections() const override { return sections_; }
  std::vector<std::string> setParameters(const FrameParameters& p) override;
  bool saveAsDefaults() override;
  int frameKind() const override { return kind(); }
  void reloadHelp() override;

  // Commands, as the toolbar and the "&Редактор" menu run them.
  bool run(int command);
  bool save();  // false when refused or failed (the user was told)
  void setKind(int kind);
  int kind() const;
  void stepLayout();
  bool insertPicture(const QString& file);
  bool setPictureBytes(const std::vector<std::uint8_t>& bytes);
  void removePicture();
  bool chooseFont();
  // Documents inside the frame: "Вставить объект..." / "Создать объект из
  // документа", one of the ten kinds of the menu, "Активизировать  объект",
  // "Свойства Объекта", the picture format.
  bool insertObject(bool fromFile);
  bool createObject(int kind);
  bool activateObject();
  bool objectProperties();
  bool pictureFormat();
  bool objectMode() const { return object_; }

  // The frame as the window now holds it (not yet saved) and as last read.
  tables::Vop current() const;
  const tables::Vop& saved() const { return opened_; }
  const tables::Training& helpRecord() const { return help_; }
  std::uint16_t code() const { return v_.CODEVOP; }
  bool isNewFrame() const { return added_; }
  testfile::TestFile& test() { return *tf_; }
  const tables::TuneTest& tune() const { return tune_; }

  // Hooks the program (and tests) set: the standard dialogs and the other
  // windows of the editor.
  std::function<QString()> pickPictureFile;
  std::function<std::optional<QFont>(const QFont&)> pickFont;
  std::function<std::optional<int>(int lowest, int highest, int now)> pickCode;
  std::function<std::optional<QString>(QWidget*)> pickTemplate;
  std::function<std::optional<SectionEntry>(testfile::TestFile&, QWidget*)> pickSection;
  std::function<bool(tables::Training&, std::function<bool(tables::Training&)> write, QWidget*)> editHelp;
  std::function<bool(tables::Vop&, tables::Training&, std::function<bool(tables::Vop&, tables::Training&)> write, QWidget*)> editFields;
  std::function<void(tables::Vop&, QWidget*)> preview;
  struct ObjectRequest {
    ObjectChoice choice;
    int kind = -1;
    QString file;
  };
  std::function<std::optional<ObjectRequest>(const ObjectChoice& initial, bool fromFile, QWidget*)> selectObject;
  std::function<QString()> pickObjectFile;
  common::DocumentOpener& documents() { return docs_; }
  QLabel* objectLabel() const { return objectName_; }

  // Widgets the tests reach.
  QPlainTextEdit* questionBox() const { return question_; }
  QPlainTextEdit* variantBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].text; }
  QCheckBox* rightBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].right; }
  QSpinBox* placeBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].place; }
  QRadioButton* singleBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].single; }
  QLineEdit* rowBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].rowText; }
  QComboBox* matchBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].match; }
  QSpinBox* weightBox(int i) const { return rows_[static_cast<std::size_t>(i - 1)].weight; }
  QLineEdit* slotBox(int j) const { return slots_[static_cast<std::size_t>(j - 1)].first; }
  QLineEdit* secondSlotBox(int j) const { return slots_[static_cast<std::size_t>(j - 1)].second; }
  QCheckBox* keywordsBox() const { return keywords_; }
  QRadioButton* numbersBox() const { return numbers_; }
  QCheckBox* wordOrderBox() const { return wordOrder_; }
  QPlainTextEdit* algorithmBox() const { return algorithm_; }
  QTabBar* tabs() const { return tabs_; }
  QLabel* pictureLabel() const { return picture_; }
  QPushButton* layoutButton() const { return layoutButton_; }
  QLabel* statusLabel() const { return status_; }
  QAction* action(int command) const { return actions_[static_cast<std::size_t>(command)]; }

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  struct Row {
    QWidget* line = nullptr;
    QLabel* number = nullptr;
    QPlainTextEdit* text = nullptr;
    QCheckBox* right = nullptr;
    QSpinBox* place = nullptr;
    QRadioButton* single = nullptr;
    QLabel* letter = nullptr;
    QLineEdit* rowText = nullptr;
    QComboBox* match = nullptr;
    QSpinBox* weight = nullptr;
  };
  struct Slot {
    QLineEdit* first = nullptr;
    QLineEdit* second = nullptr;
  };

  void buildToolBar();
  void buildBody();
  QWidget* buildCompletion();
  void menuCommand(int index);
  bool load(std::uint16_t code);
  bool addNewFrame();
  void showFrame(const tables::Vop& v);
  void showKind();
  void showPicture();
  void showObject();
  void refreshMatchLists();
  void setCaption();
  bool leaveFrame();  // saves or drops the open frame before another opens
  bool dropNewFrame();
  bool writeFrame(tables::Vop& v, const tables::Training* help);
  bool reportFailure(const Outcome& o);
  std::vector<std::pair<QString, QString>> texts() const;
  bool textsFit();
  void applyFont(const QFont& f);

  Startup& s_;
  EditorRequest req_;
  std::unique_ptr<testfile::TestFile> tf_;
  tables::Vop v_;       // the parameters and what the widgets do not hold
  tables::Vop opened_;  // as read or last saved
  tables::Vop baseline_;  // what the window made of it: unsaved changes differ from it
  tables::Training help_, helpOpened_;
  tables::TuneTest tune_;
  bool hasHelp_ = false;
  bool added_ = false;  // added on opening and never saved
  bool object_ = false;
  common::DocumentOpener docs_;
  bool loading_ = false;
  bool closing_ = false;
  std::vector<SectionEntry> sections_;
  std::string rememberedSection_;

  QToolBar* bar_ = nullptr;
  std::array<QAction*, CommandCount> actions_{};
  QPlainTextEdit* question_ = nullptr;
  QLabel* picture_ = nullptr;
  QWidget* pictureArea_ = nullptr;
  QPushButton* layoutButton_ = nullptr;
  QTabBar* tabs_ = nullptr;
  QLabel* tabNote_ = nullptr;
  QWidget* variants_ = nullptr;
  QLabel* answerHead_ = nullptr;
  std::array<Row, 9> rows_{};
  QGroupBox* completion_ = nullptr;
  QCheckBox* keywords_ = nullptr;
  QRadioButton *words_ = nullptr, *numbers_ = nullptr;
  QCheckBox *wordOrder_ = nullptr, *numberOrder_ = nullptr;
  std::array<Slot, 5> slots_{};
  std::array<QLabel*, 5> slotLabels_{};
  QLabel* secondHead_ = nullptr;
  QGroupBox* generator_ = nullptr;
  QPlainTextEdit* algorithm_ = nullptr;
  QLabel* status_ = nullptr;
  QGroupBox* objectArea_ = nullptr;
  QLabel* objectView_ = nullptr;
  QLabel* objectName_ = nullptr;
};

// The editor factory the program installs: the standard editor for
// standard frames, nothing for the others yet.
EditorFactory standardEditors(Startup& s);

}  // namespace constructor
