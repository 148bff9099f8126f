#pragma once
// "Импорт заданий" (CopyXY): where the tagged frames of the open test are
// copied or moved to: a test base of the library, then a test in it.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "startup.h"
#include "test_names.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace constructor {

struct TransferTarget {
  std::string baseDir;  // ending in "/"
  std::string test;     // the whole base name, without ".orm" (UTF-8)
};

class CopyWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "CopyXY";
  // `libraryFile` lists the bases, then `reserveFile` (when given) the
  // reserve library's; the base `currentBase` is chosen first.
  CopyWindow(const std::string& libraryFile, const std::string& currentBase, bool move, int tagged, QWidget* parent = nullptr,
             const std::string& reserveFile = {});

  QTableWidget* bases() const { return bases_; }
  QTableWidget* tests() const { return tests_; }
  QLabel* targetLabel() const { return target_; }
  QLabel* countLabel() const { return count_; }
  QPushButton* button(const QString& text) const;
  bool chooseBase(int row);
  bool chooseTest(int row);
  // The chosen target; nothing until a test is chosen.
  const std::optional<TransferTarget>& target() const { return chosen_; }

 public slots:
  // Refused, with "Выберите тест-приемник заданий", until a test is chosen.
  void accept() override;

 private:
  std::vector<TestBase> baseList_;
  std::vector<ListedTest> testList_;
  std::string baseDir_;
  std::optional<TransferTarget> chosen_;
  QTableWidget *bases_, *tests_;
  QLabel *target_, *count_;
  std::vector<QPushButton*> buttons_;
};

// Shows the window; the target, or nothing when cancelled.
std::optional<TransferTarget> chooseTransferTarget(const Startup& s, const std::string& currentBase, bool move, int tagged,
                                                   QWidget* parent);

}  // namespace constructor
