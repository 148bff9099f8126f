#pragma once
// One attempt at a test, from the drawing of its question set to its
// result record: the logic the testing window drives, with no window in it.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "checking.h"
#include "engine_support.h"
#include "selection.h"
#include "store.h"
#include "tables_results.h"
#include "tables_test_file.h"
#include "tables_work.h"

namespace examiner {

struct Examinee {
  std::string fio;    // CP1251: surname, name and patronymic separated by single blanks
  std::string group, faket, kurs, book;
  std::int32_t code = 0;  // STU:CODEST; 0 for a name typed in
};

struct AttemptConfig {
  tables::Tema tema;
  tables::Titul titul;
  std::vector<tables::Vop> frames;        // in the Vop table's stored order
  std::vector<tables::Training> helps;    // in the Training table's stored order
  std::vector<std::string> sectionNames;  // RAZ:NAME of sections 1..7 (CP1251)
  int modeWork = 0;                       // 7 error viewing, 9 trial testing
  int variant = 1;                        // for selection mode 5
  int room = 0;                           // GlbTune/Class
  std::string library;                    // the test library (CP1251)
  Examinee who;
};

// What the attempt asks the examinee; the testing window answers with
// message boxes, tests with scripted answers.
class Dialogue {
 public:
  virtual ~Dialogue() = default;
  // "Вы не ответили на вопрос.|Перейти к следующему вопросу?": true goes on.
  virtual bool skipUnanswered() = 0;
  // "Неверный ответ|Повторить попытку?": true stays on the frame.
  virtual bool retryWrong() = 0;
  // The feedback "Верный ответ" (1), "Неверный ответ" (2), "Истекло время!" (3).
  virtual void feedback(int /*outcome*/) {}
};

// The answer table's record of a frame (OtTestW.ott).
struct Answer {
  Response response;
  long points = 0;   // OTW:BALLVOP, the points credited now
  bool correct = false;  // OTW:VERNO
};

class Attempt {
 public:
  Attempt(AttemptConfig cfg, Random& rnd, Clock& clock);

  // Keeps the answer table in this table as well (the file "OtTestW.ott"):
  // emptied at the start, written when a frame is left.
  void keepAnswersIn(store::Table* otw, tables::OtTestW* rec);

  // Draws the question set and opens the first frame.
  void start();
  // Error viewing of a stored attempt: its wrong frames with the stored answers.
  void startReview(const tables::RezTest& stored, const std::map<std::uint16_t, Response>& answers);

  bool freeOrder() const { return free_; }
  bool reviewing() const { return cfg_.modeWork == 7; }
  int length() const { return static_cast<int>(order_.size()); }
  int position() const { return pos_; }  // 1-based
  std::uint16_t code() const;
  std::uint16_t codeAt(int position) const;
  const tables::Vop& frame() const;
  const tables::Vop* frameByCode(std::uint16_t code) const;
  const Permutation& permutation() const { return perm_; }
  const std::vector<std::uint16_t>& order() const { return order_; }

  // Answering: a click on the control at display position k (kinds 1 to
  // 3), on left item k (kind 4), the typed text (kinds 5 to 7).
  void click(int k);
  void setText(const std::string& cp1251);
  // The whole response at once, as an answer panel changed it (the same
  // guards as a click: nothing changes once the frame cannot be answered).
  void respond(const Response& r);
  const Response& response() const { return resp_; }
  // Kind 4: the display number now given to left item k (0 none).
  int shownNumber(int k) const;
  bool answered() const;
  bool answeredAt(int position) const;  // free order: the grid's colour
  // Presented frames that hold an answer (fixed order counts in REZ:KOLVOPOT
  // every frame passed; this is what the examinee actually answered).
  int answeredCount() const;
  // Frames whose answer was given and kept (the frame on screen only once it
  // was left with one): what an interrupted attempt can go on with.
  int givenCount() const;

  // Fixed order: "Далее".
  enum class Step { Stayed, Moved, Finished };
  Step next(Dialogue& d);
  // Free order: go to a position (leaving the current frame first).
  void goTo(int position, Dialogue& d);
  // Ends the attempt ("Финиш", time over, the wrong-answer stop).
  void finish(Dialogue& d);
  // The current frame's time ran out (TEM:HOWTIMETEST 1). Fixed order
  // presses "Далее" for the examinee. Free order answers the frame as a
  // late answer, locks it for the rest of the attempt and moves to the next
  // frame that is not locked; when none is left the attempt finishes.
  Step frameTimedOut(Dialogue& d);
  // The current frame's time has run out and that was not yet acted upon.
  bool frameTimeUp() const { return frameTimeUp_; }
  // Free order: a frame whose time ran out cannot be answered again.
  bool locked() const { return locked_.count(code()) != 0; }
  bool lockedAt(int position) const { return locked_.count(codeAt(position)) != 0; }
  bool finished() const { return finished_; }

  // Time: one second passed. Mode 1 reports the frame's time running out
  // (the caller then presses "Далее" for the examinee), mode 2 the whole
  // test's time (the caller says so and finishes when TEM:IFPROSTIME is set).
  enum class Tick { None, FrameTimeUp, TestTimeUp };
  Tick tick();
  int allowanceSeconds() const;         // TEM:TIMETEST * 60 + 1
  int remainingSeconds() const;         // mode 1: of the frame; mode 2: of the test
  // Mode 2: whole minutes left, the extra second of the allowance not
  // counted (a 15-minute test shows 15 at its start, 0 in its last second).
  int minutesShown() const;
  std::string timeUnit() const;         // "сек", "мин" or "б/о" (UTF-8)

  // The most the frame of a code can earn in this test (weights, levels).
  long maxPointsOf(std::uint16_t code) const;

  // Training: the help of the current frame (TEM:HOWHELP 1, by TRA:CODEVOP)
  // and the pages of the whole test's help (TEM:HOWHELP 2).
  const tables::Training* helpForFrame() const;
  int helpPages() const;

  // Keeping an attempt through a dead workstation: its own state as text
  // (what the result as it stands does not hold) and the result as it would
  // be stored now, with its detail memos.
  std::string state() const;
  void asItStands(tables::RezTest& rez, std::string& howot, std::string& howtxt) const;
  // Goes on with a saved attempt at the frame where it stopped. `outageCs`
  // hundredths of a second passed since the save; up to `graceCs` of them
  // are not counted against the examinee, the rest are. False when the
  // state does not fit this test (the attempt is then not started).
  bool resume(const std::string& state, const tables::RezTest& asItStands, std::int64_t outageCs, std::int64_t graceCs);
  int variant() const { return cfg_.variant; }
  // A state saved after the attempt ended (its result is as it stands).
  static bool stateEnded(const std::string& state) { return state.find("\ndone 1\n") != std::string::npos; }
  int testSeconds() const { return testSeconds_; }

  // The result record being built and, after finish(), complete.
  const tables::RezTest& result() const { return rez_; }
  tables::RezTest& result() { return rez_; }
  const std::map<std::uint16_t, Answer>& answers() const { return answers_; }
  // "P###,P" codes of the positions not answered correctly (600 characters).
  const std::string& wrongList() const { return wrongList_; }
  int consecutiveWrong() const { return wrongRun_; }
  int lastOutcome() const { return lastOutcome_; }
  // Checks made so far: a step that made none changed no result.
  int checks() const { return checks_; }

 private:
  void load(int position);
  void leave(Dialogue* d, bool checkAnswered);
  int nextUnlocked() const;
  int checkFrame(Dialogue* d, bool timeUp);
  void resetUnanswered();
  void countAnswered(int step);
  void saveAnswer();
  void buildResult();
  void buildResultInto(tables::RezTest& rez, std::string& wrong) const;
  void rewriteAnswerTable();
  int levelIndex() const;
  int sectionIndex() const;

  AttemptConfig cfg_;
  Random& rnd_;
  Clock& clock_;
  store::Table* otw_ = nullptr;
  tables::OtTestW* otwRec_ = nullptr;
  std::map<std::uint16_t, std::size_t> byCode_;
  std::vector<std::uint16_t> order_;
  int pos_ = 0;
  bool free_ = false;
  Permutation perm_;
  Response resp_;
  std::map<std::uint16_t, Answer> answers_;
  std::map<std::uint16_t, bool> answered_;  // free order: counted as answered
  std::map<std::uint16_t, Response> checked_;  // free order: the response as last checked
  std::map<std::uint16_t, int> frameSeconds_;  // seconds spent on each frame, over all visits
  std::set<std::uint16_t> locked_;             // free order: frames whose time ran out
  std::array<std::uint8_t, 513> status_{};  // frame status by code: 1 correct
  tables::RezTest rez_;
  std::string wrongList_;
  int wrongRun_ = 0;
  int attempts_ = 1;
  int lastOutcome_ = 0;
  int checks_ = 0;
  bool finished_ = false;
  bool frameTimeUp_ = false;
  int testSeconds_ = 0;
  std::int32_t beganDate_ = 0;   // the day of TIMEBEG
  std::int64_t excludedCs_ = 0;  // outages not counted against the examinee
};

// The two detail memos of an attempt from its answer table, and back.
void buildMemos(const std::map<std::uint16_t, Answer>& answers, std::string& howot, std::string& howtxt);
std::map<std::uint16_t, Response> readMemos(const std::string& howot, const std::string& howtxt);

}  // namespace examiner
