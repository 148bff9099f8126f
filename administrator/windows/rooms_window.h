#pragma once
// Computer rooms and their workstations: the list "Просмотр файла Labr"
// (menu "&Лаборатории"), the room form "Лаборатория" with the room's
// workstations, the workstation form "Редактирование [Рабочая станция]",
// the list "Справочник рабочих станций" and the room choice "Выбор
// лаборатории". Standard browses and forms; the rules are in rooms.h.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "contingent_forms.h"
#include "installation.h"
#include "rooms.h"
#include "tables_central.h"
#include "update_form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class BrowseWindow;
}

namespace administrator {

// Procedure names: help pages and remembered places.
inline constexpr const char* kRoomBrowse = "BrowseLabr";
inline constexpr const char* kRoomForm = "UpdateLabr";
inline constexpr const char* kRoomSelect = "SelectLabr";
inline constexpr const char* kWorkstationBrowse = "BrowseWS";
inline constexpr const char* kWorkstationForm = "UpdateWS";

// The folder chooser of "...": a folder, or "" when cancelled. Tests give their own.
using FolderChooser = std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
void setFolderChooser(FolderChooser f);
// The journal chooser of "Журнал результатов:": a journal's name, or ""
// (the system's journal list when none is set; tests give their own).
using JournalChooser = std::function<QString(QWidget* parent, const QString& current)>;
void setJournalChooser(JournalChooser f);

// "Редактирование [Рабочая станция]": the room's name, "Код:", "Сетевое
// имя:", the Examiner's folder with "..." (stored ending in "/"). A new
// workstation goes into `room` (0: chosen with "Выбор лаборатории").
class WorkstationForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  WorkstationForm(store::Table& t, tables::Ws& rec, const setup::Installation& inst, std::uint16_t room,
                  QWidget* parent = nullptr);
  QLineEdit* nameBox() const { return name_; }
  QLineEdit* pathBox() const { return path_; }
  QPushButton* browseButton() const { return browse_; }
  QPushButton* roomButton() const { return roomButton_; }
  QLabel* roomLabel() const { return room_; }
  // The room's name as its own form shows it (the room may not be written yet).
  void setRoomName(const QString& name) { roomName_ = name; }

 protected:
  void beforeAutonumberedAdd(long long code) override;
  void loadControls() override;
  bool saveControls() override;

 private:
  void showRoom(std::uint16_t code);
  tables::Ws& rec_;
  setup::Installation inst_;
  std::uint16_t fixedRoom_, chosenRoom_ = 0;
  QString roomName_;
  QLabel *room_, *code_;
  QLineEdit *name_, *path_;
  QPushButton *browse_, *roomButton_;
};

// "Лаборатория": code, name, room number, workstations, the person
// responsible, "Журнал результатов:" (the journal of the Examiners of the
// room when they keep one journal per room), and the room's workstations
// with their own buttons. A room with workstations is not deleted.
class RoomForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  RoomForm(store::Table& t, tables::Labr& rec, const setup::Installation& inst, QWidget* parent = nullptr);
  QLineEdit* field(const char* name) const;
  QPushButton* journalButton() const { return journalButton_; }
  ui::BrowseWindow* workstations() const { return ws_; }
  void reject() override;

 protected:
  bool mayRun(ui::Request r) override;
  void loadControls() override;
  bool saveControls() override;

 private:
  tables::Labr& rec_;
  setup::Installation inst_;
  struct Bound {
    const char* name;
    QLineEdit* edit;
    QString label;
    int width;  // characters of a text field, 0 for a number
  };
  std::vector<Bound> bound_;
  QPushButton* journalButton_;
  OpenTable<tables::Ws>* wsTable_;
  ui::BrowseWindow* ws_ = nullptr;
};

// The lists of the menu "Справо&чники": non-modal, deleted when closed;
// nullptr when a table could not be opened.
ui::BrowseWindow* openRoomList(const setup::Installation& inst, QWidget* parent);
ui::BrowseWindow* openWorkstationList(const setup::Installation& inst, QWidget* parent);

// "Выбор лаборатории" (modal): the chosen room's code, or nothing.
std::optional<std::uint16_t> chooseRoom(const setup::Installation& inst, QWidget* parent);

}  // namespace administrator
