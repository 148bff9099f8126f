#pragma once
// The standard update form: adds, changes or deletes one record of a table
// with autonumbering of the primary key, watched updates and the standard
// messages. Subclasses add their own controls; plain forms are built from
// a list of fields.
#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "messages.h"
#include "record_format.h"
#include "store.h"

class QCheckBox;
class QFormLayout;
class QWidget;

namespace ui {

enum Request { Insert = 1, Change = 2, Delete = 3 };

struct FormField {
  enum Editor { Line, Multi, Check };
  FormField(int field, QString label, Format format = {}, Editor editor = Line, bool readOnly = false, int element = 0)
      : field(field), element(element), label(std::move(label)), format(format), editor(editor), readOnly(readOnly) {}
  int field = -1;
  int element = 0;
  QString label;
  Format format;
  Editor editor = Line;
  bool readOnly = false;
};

class UpdateForm : public QDialog {
  Q_OBJECT
 public:
  UpdateForm(store::Table& table, void* buffer, QString procedure, QString insertCaption, QString changeCaption,
             QWidget* parent = nullptr);
  ~UpdateForm() override;

  void addField(const FormField& f);
  // The check box "Сохранить запись и добавить другую".
  void offerSaveAndAdd(bool on);

  // Carries out the request; the record of Change and Delete is the one at
  // `pos`. True when the request was completed.
  bool run(Request r, store::Position pos = 0);
  // The record added or changed.
  store::Position position() const { return pos_; }
  Request request() const { return request_; }

  // Whether every change the form needs has been written: used by tests.
  QCheckBox* saveAndAddBox() const { return saveAndAdd_; }
  QWidget* editorOf(int field) const;

  // OK and cancel.
  void accept() override;
  void reject() override;

 protected:
  // Buffer to controls and back; saveControls returns false (with a
  // reason, already shown) when a value is not acceptable.
  virtual void loadControls();
  virtual bool saveControls();
  // Before each attempt to add an autonumbered record (a hook for tests
  // and for forms that fill more fields).
  virtual void beforeAutonumberedAdd(long long /*code*/) {}
  // Before anything of a request is done: false refuses it (the form has
  // said why), e.g. a record others still refer to, or no code left to add.
  virtual bool mayRun(Request /*r*/) { return true; }
  QFormLayout* fields() const { return form_; }
  store::Table& table() { return table_; }
  void* buffer() { return buf_; }
  int message(int number, const store::ErrorInfo* e = nullptr, const QString& extra = {});

  void showEvent(QShowEvent* e) override;

 private:
  bool primeInsert();
  bool autonumber();
  bool doDelete();
  bool completeInsert();
  bool completeChange();
  bool undoInsert();

  store::Table& table_;
  void* buf_;
  std::shared_ptr<void> copy_;
  QString procedure_, insertCaption_, changeCaption_;
  Request request_ = Change;
  store::Position pos_ = 0;
  QFormLayout* form_ = nullptr;
  QCheckBox* saveAndAdd_ = nullptr;
  struct Bound {
    FormField f;
    QWidget* w;
  };
  std::vector<Bound> bound_;
  bool placed_ = false;
  bool completed_ = false;
};

}  // namespace ui
