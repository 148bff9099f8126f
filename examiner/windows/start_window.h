#pragma once
// The Examiner's start window "Приглашение" and its pages "Регистрация"
// and "Старт": the password, the examinee's registration and the choice and
// start of a test.
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "message_service.h"
#include "open_attempts.h"
#include "registration.h"
#include "startup.h"
#include "table_opener.h"
#include "test_choice.h"
#include "test_file.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTableWidget;

namespace ui {
class BrowseWindow;
}

namespace examiner {

using common::OpenAttempt;

// What running an attempt needs; the testing window fills in the outcome of
// its result window: 2 repeat, 5 exit, 7 back to registration, 0 stay.
struct AttemptRequest {
  Startup& startup;
  testfile::TestFile& test;
  const Registration& who;
  int variant = 1;
  // An open attempt to go on with, from the share or, while the share is
  // away, this workstation's own copy (`resumeLocal`).
  const common::OpenAttempt* resume = nullptr;
  bool resumeLocal = false;
};
using AttemptRunner = std::function<int(AttemptRequest&)>;

class StartWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "StartWindow";
  StartWindow(Startup& s, AttemptRunner runner, QWidget* parent = nullptr);
  ~StartWindow() override;

  enum Page { Invite = 0, Register = 1, Choice = 2 };
  int page() const;
  void showPage(Page p);

  // The buttons, as the examinee presses them.
  void start();          // "СТАРТ"
  void settings();       // "НАСТРОЙКА"
  void next();           // "Далее"
  void addStudent();     // "Добавить в справочник"
  void newStudent();     // "Новый пользователь"
  void changePassword(); // "Пароль"
  void beginTest();      // "Начать тестирование"
  // The group and the student as the user chooses them in the lists.
  void chooseGroupNamed(const QString& name);
  void chooseStudentAt(int row);  // a row of the student list's page
  void chooseLibrary(int row);
  void chooseTest(int row);
  void setFromList(bool on);

  // The widgets tests type into.
  QLineEdit* passwordField() const { return startPass_; }
  QLineEdit* field(const char* name) const;
  ui::BrowseWindow* groups() const { return groups_; }
  ui::BrowseWindow* students() const { return students_; }
  QListWidget* libraries() const { return libs_; }
  QTableWidget* tests() const { return tests_; }
  const Registration& registration() const { return reg_; }
  testfile::TestFile& test() { return test_; }
  bool testChosen() const { return chosenTimes_ > 0; }

 signals:
  void exitRequested();
  void settingsRequested();

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildInvite();
  void buildRegister();
  void buildChoice();
  bool openLists();
  void fillGroups();
  void fillStudents();
  void chooseGroup();    // the group in the group list's buffer
  void chooseStudent();  // the student in the student list's buffer
  void fillTests();
  void showTest();
  void tick();
  void readFields();
  void writeFields();
  bool openTest(const TestLocation& where);
  int askVariant();
  void applyAutostart();
  bool presetTest() const;
  void forgetStudent();
  void clearForNextExaminee();
  // An open attempt of the examinee just registered: "Продолжить
  // тестирование?" Yes goes on with it, no stores it as it stands. False
  // when there is none and the test choice comes next.
  bool offerToGoOn();
  bool openKeptTest(const OpenAttempt& o);
  // After an attempt: what its outcome asks for. True: "Повторить".
  bool afterAttempt(int outcome);

  // Central tables open through the common opening procedure, which creates
  // what is missing.
  bool openCentral(store::Table& t);

  Startup& s_;
  AttemptRunner runner_;
  Registration reg_;
  testfile::TestFile test_;
  int chosenTimes_ = 0;
  // The test of an attempt the examinee chose not to go on with: it is not
  // started again at once unless the test allows repeating (TEM:POVTORTEST).
  std::string declinedTest_;
  TestLocation location_;
  tables::Group groupRec_;
  tables::Student studentRec_;
  std::unique_ptr<store::Table> groupT_, studentT_;
  setup::TableOpener opener_{ui::MessageService::instance()};
  bool listsOpen_ = false;
  std::vector<Library> libRows_;
  std::vector<TestEntry> testRows_;

  QStackedWidget* pages_;
  QLineEdit* startPass_;
  QLabel *day_, *clock_;
  QCheckBox* fromList_;
  ui::BrowseWindow* groups_;
  ui::BrowseWindow* students_;
  QLineEdit *fam_, *name_, *otche_, *group_, *pass_;
  QPushButton *addBtn_, *passBtn_;
  QListWidget* libs_;
  QTableWidget* tests_;
  QLabel *infoGroup_, *infoWho_, *infoTest_, *infoTime_, *infoCount_;
  QPlainTextEdit* instruction_;
};

}  // namespace examiner
