#pragma once
// What the Navigator and the main frame ask of an open frame editor (the
// standard one and the object one): whether it holds unsaved changes, and
// the numbered commands of the "&Редактор" and "О&бъект" menus, which the
// main frame posts to it as user events.
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame_editing.h"

namespace constructor {

// The "&Редактор" items are posted as kEditorCommands + index, the
// "О&бъект" items as kObjectCommands + index (the order of the lists).
inline constexpr int kEditorCommands = 1300;
inline constexpr int kObjectCommands = 1400;
// The kinds of "Создать объект (Offce2000)": kObjectKinds + index.
inline constexpr int kObjectKinds = 1420;
const QStringList& editorMenuItems();
const QStringList& objectMenuItems();
const QStringList& objectKinds();  // the ten kinds of "Создать объект (Offce2000)"

struct EditorRequest {
  std::string baseDir;    // the test base, ending in "/"
  std::string testName;   // the test's whole base name
  std::string keyWord;    // the test files' owner password
  std::uint16_t code = 0; // the frame; 0 for a new one
  bool object = false;    // the object frame editor
};

class FrameEditorWindow : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // Changes typed since the last save.
  virtual bool hasUnsavedChanges() const = 0;
  // The Navigator's frame commands while the editor is open: another frame
  // of the test (the open one saved first), or a new one.
  virtual bool goToFrame(std::uint16_t) { return false; }
  virtual bool startNewFrame() { return false; }

  // The parameters the console shows and edits for the open frame, and the
  // test's sections it offers (nothing for an editor without a frame).
  virtual FrameParameters parameters() const { return {}; }
  virtual std::vector<SectionEntry> sections() const { return {}; }
  // Problems named (UTF-8) when a value is out of range; the frame keeps
  // its parameters then.
  virtual std::vector<std::string> setParameters(const FrameParameters&) { return {}; }
  // "По умолч.": the open frame's parameters become those of new frames.
  virtual bool saveAsDefaults() { return false; }
  // The open frame's kind (VOP:TYPEKADR), ticked in the "&Редактор" menu; 0 for none.
  virtual int frameKind() const { return 0; }
  // The synopsis may have changed the open frame's help: it is read again
  // (comments typed meanwhile stay), so a save does not write the old one back.
  virtual void reloadHelp() {}

 signals:
  // A frame was written: the lists show it again.
  void frameSaved(std::uint16_t code);
  // Another frame is open, or the open one's parameters changed.
  void parametersChanged();
  void lockRequested();
  void calculatorRequested();
  // "Параметры задания", "Настройка кадра": the console's frame page.
  void consoleRequested();
};

// Makes the editor a request names (its own table handles), or nothing
// when the kind of editor is not available.
using EditorFactory = std::function<FrameEditorWindow*(const EditorRequest&, QWidget* parent)>;

}  // namespace constructor
