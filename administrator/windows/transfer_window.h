#pragma once
// "Перевод студентов в другую группу": every student of the current group
// moves to the group chosen in the drop list.
#include <QDialog>
#include <vector>

#include "contingent.h"
#include "installation.h"

class QComboBox;
class QLabel;

namespace administrator {

class TransferWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "PerevodStud";
  TransferWindow(const setup::Installation& inst, const GroupRow& from, QWidget* parent = nullptr);

  QComboBox* target() const { return to_; }
  // After OK: the group the students went to, and how many went.
  std::int32_t movedTo() const { return movedTo_; }
  int moved() const { return moved_; }

  void accept() override;

 private:
  setup::Installation inst_;
  GroupRow from_;
  std::vector<GroupRow> groups_;
  QComboBox* to_;
  QLabel* wait_;
  std::int32_t movedTo_ = 0;
  int moved_ = 0;
};

}  // namespace administrator
