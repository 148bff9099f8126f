#pragma once
// The scenario of a test: which of its controls are open given the others
// (as data, so the window only shows them), the values a choice forces, the
// checks before it is saved, the distribution of variants, the trial run in
// the Examiner and the Navigator's frame filter.
// A new scenario is primed by testfile::primeTema / primeTitul.
#include <optional>
#include <string>
#include <vector>

#include "messages.h"
#include "settings_file.h"
#include "tables_test_file.h"
#include "test_file.h"
#include "test_register.h"

namespace constructor {

// Scenario fields that open or close other controls.
enum class Governing { TypeOzenka, ModeOzenka, HowTimeTest, FreeSel, HowEnd, ModeControlZn, ModeTraining, ModeLevel, YesRaz };
// The controls whose state depends on them.
enum class Control {
  BallVop,        // points per correct answer
  BallRange,      // the range of points, both boxes
  DiffBall,       // points by the accuracy of the answer
  PassThreshold,  // "Зачтено, не зачтено от" p "%"
  IfProsVop,      // the frame's time is over
  TimeTest,       // minutes for the test
  StopTest,       // wrong answers that stop the test
  ShowFalseOt,    // viewing frames answered wrongly
  ShowTrueOt,     // correct answers shown while viewing
  PovtorTest,     // repeated testing
  KolSelVop,      // frames drawn for a random part
  HowTrn,         // help opens by itself
  HowHelp,        // organisation of help material
  AddLevel,       // points times the level
  Sections,       // the sections list and its buttons
};

// A control is open only while each field governing it holds one of its values.
struct EnableRule {
  Control control;
  Governing by;
  std::vector<int> values;
};
const std::vector<EnableRule>& enableRules();

// A value a choice puts into another field.
struct ForcedValue {
  Governing by;
  int when;
  Control control;
  int value;
};
const std::vector<ForcedValue>& forcedValues();

int governingValue(const tables::Tema& tema, Governing g);
bool enabled(const tables::Tema& tema, Control c);
// Applies the forced values; on opening and whenever a governing field changes.
void applyForcedValues(tables::Tema& tema);

// Where a refused save sends the author.
enum class ScenarioPage { General, Order, Parameters, Marking, Sections, Help };
enum class ScaleTab { None, FourPoint, TenPoint };
struct ScenarioRefusal {
  messages::Message message;
  ScenarioPage page = ScenarioPage::General;
  ScaleTab tab = ScaleTab::None;
  std::optional<Control> focus;
};

// The standard range message: "Значение <label> должно быть в диапазоне
// между <lo> and <hi>.", title "Ошибка диапазона".
messages::Message rangeMessage(std::string_view labelUtf8, long lo, long hi);
// TEM:STOPTEST as typed: 0 to 30.
std::optional<messages::Message> checkStopTest(long typed);
// The marking scale of the chosen system: each bound at least the one before
// it (equal neighbours accepted), none above 100 per cent.
std::optional<ScenarioRefusal> checkScale(const tables::Tema& tema);
// Before "Готово": forced values and TEM:BALLVOP by TEM:TYPEOZENKA (1 -> 1,
// 3 -> the range's lower bound), then the checks. Nothing may be saved
// while a refusal is returned.
std::optional<ScenarioRefusal> prepareScenarioSave(tables::Tema& tema);

// Counts the scenario must fit: TEM:KOLSELVOP at least 1 with a random part
// of the frames (modes 3 and 4) and not above the test's frames once it has
// any; TEM:TIMETEST at least one minute when the time of the whole test is
// limited (option 2).
std::optional<ScenarioRefusal> checkCounts(const tables::Tema& tema, int frames);

// Whether saving `edited` over `stored` changes the frames' points: another
// marking option, other points per answer or another range.
bool marksFramesAnew(const tables::Tema& stored, const tables::Tema& edited);
// The points a frame takes under the scenario's marking: 1 under option 1,
// TEM:BALLVOP under option 2, its own points kept within TEM:BALLRANGE
// under option 3.
std::uint16_t framePointsUnder(const tables::Tema& tema, std::uint16_t current);

// "Готово": the scenario prepared and checked as above, then written with
// the title's texts (TIT:INS, TIT:BIBL, TIT:NAMEORG, TIT:NAME, TIT:REZUME,
// TIT:WHOCHANGE taken from `texts`) in one transaction. A new scenario
// (`first`) dates the title's creation and starts TIT:VERSION at 1; a change
// dates the change and raises the version. TIT:KOLRUN stays as stored; the
// statistics are recounted. `refusal` gets a check's refusal (the result is
// then Refused); other failures come with their error numbers.
//
// With `opened` (the scenario as read when the window opened), a scenario
// another station changed meanwhile is not overwritten: the result is
// store::ChangedByOther until it is saved again with `overwrite`. When the
// marking changes (marksFramesAnew), every frame takes its points under the
// new marking in the same transaction.
Outcome saveScenario(testfile::TestFile& tf, tables::Tema tema, const tables::Titul& texts, bool first,
                     std::optional<ScenarioRefusal>* refusal = nullptr, const tables::Tema* opened = nullptr,
                     bool overwrite = false);

// A new test password (CP1251) written into the stored scenario at once,
// as the register holds it; tf.tema gets the stored record.
Outcome writeTestPassword(testfile::TestFile& tf, const std::string& passwordCp1251);

// Distribution of variants ("Распределение по вариантам"): choosing a
// method sets TEM:SELVAR to 1 for method 3 ("Всем выдать..."), else to 0;
// the variant is editable only with method 3.
void chooseDistribution(tables::Tema& tema, int method);
bool variantEditable(const tables::Tema& tema);
// OK: "Количество вариантов меньше выбранного" when TEM:REITING < TEM:SELVAR.
std::optional<messages::Message> checkDistribution(const tables::Tema& tema);

// The trial run: SelTest = the test's full path, ModeWork = "9" in the
// shared settings file, where the Examiner takes them at start. False when
// the file could not be written.
bool writeTrialRun(settings::IniFile& shared, const std::string& baseDir, const std::string& baseName);

// The Navigator's frame filter: the ticked criteria.
struct FrameFilter {
  bool on = false;                       // "Подключить фильтр"
  std::optional<int> variant;            // VOP:VARTEST
  std::optional<int> level;              // VOP:LEVEL
  std::optional<int> section;            // VOP:CODERAZ
  std::optional<std::string> editKind;   // VOP:TYPEEDIT as stored ("Stnd", "Objk"), CP1251
  int editLabel = -1;                    // which of the offered editor kinds was chosen (several make "Objk")
  std::optional<int> frameType;          // VOP:TYPEKADR
};
// "(VOP:VarTest=1 AND VOP:TypeEdit='Stnd')" for store::View; empty (no
// filter) when the switch is off or nothing is ticked.
std::string frameFilterExpression(const FrameFilter& f);

}  // namespace constructor
