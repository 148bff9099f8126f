#pragma once
// The numbered standard messages of the record operations and of the
// opening procedure, and the interface through which logic that has no
// windows talks to the user. The window layer implements the interface with
// message boxes; tests implement it with scripted answers.
#include <string>
#include <vector>

#include "store.h"

namespace messages {

enum class Buttons { Ok, YesNo, YesNoCancel, RetryCancel, OkCancel };
enum class Icon { None, Information, Question, Exclamation, Stop };
enum Button : int { NoButton = 0, Ok = 1, Cancel = 2, Yes = 6, No = 7, Retry = 4 };

struct Message {
  int number = 0;
  std::string text;      // UTF-8
  std::string caption;   // UTF-8
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::Exclamation;
  int defaultButton = Ok;
  std::string finalMessage;  // when the message ends the program: what it ends with
};

// What a message says about the failure it reports.
struct Args {
  std::string name;   // a table's full name or label
  std::string error;  // the store's error text: "<text> (<number>)"
  std::string key;    // a key's name ("BRZ:KeyCodeZag")
  std::string path;   // a directory
  std::string extra;  // the tail some messages add
};
Args argsOf(const store::ErrorInfo& e);

// The standard message of that number (1 to 5, 7, 12 to 19, 21 to 25, 29,
// 30, 32, 33, 35, 37, 38, 101); `atStart` picks the second text of message 29.
Message standard(int number, const Args& a, bool atStart = false);
// A file that cannot be opened, told with the standard file-error message
// (30) while the program goes on.
Message openFailure(const store::ErrorInfo& e, const std::string& name);

// What logic asks of the user.
class Interaction {
 public:
  virtual ~Interaction() = default;
  // Shows a message and returns the button pressed.
  virtual int show(const Message& m) = 0;
  // The wait cursor while the opening procedure retries a locked table.
  virtual void waitCursor(bool on) = 0;
  // The window "Ждите..." / "Идет переиндексация файла" while keys are rebuilt.
  virtual void rebuildWindow(bool on, const std::string& table) = 0;
  // The one way a program ends after a failure it cannot mend.
  virtual void endProgram(const std::string& finalMessage) = 0;
};

// The message procedure: records the store's error, rolls back an open
// transaction, shows the message and returns the button pressed.
class Procedure {
 public:
  explicit Procedure(Interaction& ui) : ui_(ui) {}
  int show(int number, const Args& a, const store::ErrorInfo* error = nullptr, store::Transaction* open = nullptr,
           bool atStart = false);
  int show(const Message& m, const store::ErrorInfo* error = nullptr, store::Transaction* open = nullptr);
  const store::ErrorInfo& lastError() const { return last_; }
  Interaction& ui() { return ui_; }

 private:
  Interaction& ui_;
  store::ErrorInfo last_;
};

// An Interaction that answers from a script and records what it was shown,
// for tests and for programs run without a display.
class Scripted : public Interaction {
 public:
  std::vector<int> answers;            // taken in order; Ok / the default button when they run out
  std::vector<Message> shown;
  std::vector<std::string> rebuilt;    // tables whose keys were rebuilt
  int waitCursorOn = 0;                // times the wait cursor was switched on
  bool ended = false;
  std::string finalMessage;

  int show(const Message& m) override;
  void waitCursor(bool on) override;
  void rebuildWindow(bool on, const std::string& table) override;
  void endProgram(const std::string& finalMessage) override;
};

}  // namespace messages
