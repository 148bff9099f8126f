// Tests and frames changed through the Constructor's library: the register
// and the files, frames deleted, reordered, copied and moved with their
// help and stored objects, sections, and the title statistics after each.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "cp1251.h"
#include "filepath.h"
#include "frame_operations.h"
#include "instruction_templates.h"
#include "result_file.h"
#include "scenario.h"
#include "sections.h"
#include "statistics.h"
#include "test_choice.h"
#include "test_names.h"
#include "test_register.h"
#include "test_tables.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }
const std::string kKey = "ключ-теста";

// A base directory with its register.
struct Base {
  TempDir dir;
  std::string path = dir.path() + "/";
  TestRegister reg{dir / "DataTest.tps"};

  std::uint16_t make(const std::string& name) {
    std::uint16_t code = 0;
    NewTestRequest r;
    r.baseDir = path;
    r.baseCode = 3;
    r.name = name;
    r.keyWord = u(kKey);
    Outcome o = reg.create(r, code);
    EXPECT_TRUE(o) << o.message;
    return code;
  }
  void open(testfile::TestFile& tf, const std::string& name) {
    tf.name(path, name, u(kKey));
    ASSERT_EQ(tf.open(), store::Ok) << tf.error().text();
  }
};

// Frame k: single choice, question "Вопрос k", help "Справка k", and for
// odd k an object stored apart holding "объект k".
void addFrames(testfile::TestFile& tf, int count, int from = 1, bool objects = true) {
  tables::VopParam defaults;
  for (int k = from; k < from + count; ++k) {
    std::uint16_t code = 0;
    Outcome o = newFrame(tf, defaults, "Stnd", code);
    ASSERT_TRUE(o) << o.message;
    tables::Vop v;
    v.CODEVOP = code;
    v.TYPEEDIT = "Stnd";
    v.TYPEKADR = 3;
    v.VOPROS = u("Вопрос " + std::to_string(k));
    v.VAROT11 = u("да");
    v.VAROT12 = u("нет");
    v.TRUEOT[0] = 1;
    v.KOLPOP = 1;
    if (objects && k % 2 == 1) {
      const std::string bytes = "объект " + std::to_string(k);
      ASSERT_EQ(results::writeEmb(results::embPart(tf.path(), code), std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                                  u("док" + std::to_string(k) + ".txt"), "txt"),
                store::Ok);
      v.OBJECTTYPE = "D";
      v.OBJECTSAVE = "F";
      v.OBJECTLINK = "N";
      v.OBJECTDOC = u(objectPartName(tf, code));
    }
    tables::Training help;
    help.HELPVOP = u("Справка " + std::to_string(k));
    help.COMMOT[0] = u("к варианту а " + std::to_string(k));
    o = saveFrame(tf, v, &help);
    ASSERT_TRUE(o) << o.message;
  }
}

// What a test holds, frame by frame, in code order: the question's number,
// and whether its help and object are its own.
struct Seen {
  std::uint16_t code;
  std::string question;  // "Вопрос k"
  std::string help;      // "Справка k", or "" without one
  std::string object;    // "объект k", or ""
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Seen& s) {
  return o << s.code << ":" << s.question << "/" << s.help << "/" << s.object;
}

std::vector<Seen> contents(testfile::TestFile& tf) {
  std::vector<Seen> out;
  std::vector<tables::Vop> frames;
  EXPECT_EQ(tf.frames(frames), store::Ok);
  for (const auto& v : frames) {
    Seen s{v.CODEVOP, cp1251::toUtf8(v.VOPROS.text), "", ""};
    if (tf.findHelp(v.CODEVOP) == store::Ok) {
      s.help = cp1251::toUtf8(tf.training.HELPVOP.text);
      EXPECT_EQ(tf.training.CODE, v.CODEVOP) << "help record number follows the frame";
    }
    if (v.OBJECTSAVE == "F") {
      EXPECT_EQ(cp1251::toUtf8(cp1251::clip(v.OBJECTDOC.view())), objectPartName(tf, v.CODEVOP));
      tables::Emb e;
      if (results::readEmb(results::resolveEmbPart(v.OBJECTDOC.str(), filepath::directoryOf(tf.path()) + "/"), e) == store::Ok)
        s.object.assign(e.DATA.bytes.begin(), e.DATA.bytes.end());
    }
    out.push_back(s);
  }
  return out;
}

Seen frame(std::uint16_t code, int k, bool object) {
  return {code, "Вопрос " + std::to_string(k), "Справка " + std::to_string(k), object ? "объект " + std::to_string(k) : ""};
}

// The title's counts as the frames give them (one point a frame).
void expectTitle(testfile::TestFile& tf, int frames, int objects) {
  ASSERT_EQ(tf.titulT.set(), store::Ok);
  ASSERT_EQ(tf.titulT.next(), store::Ok);
  EXPECT_EQ(tf.titul.KOLVOP.str(), std::to_string(frames));
  EXPECT_EQ(tf.titul.MAXBALL, frames);
  EXPECT_EQ(tf.titul.KOLOBJ, objects);
}

TEST(TestFiles, CreatedOpenedRenamedAndDeletedUnderADottedName) {
  Base b;
  EXPECT_EQ(b.make("Гр. 1.2"), 1);  // the first code of an empty register
  EXPECT_EQ(b.make("Другой"), 2);
  auto listed = testsOf(b.path);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].base, "Гр. 1.2");  // the whole name for every operation
  EXPECT_EQ(listed[0].shown, "Гр");      // cut at the first point in the lists
  {
    testfile::TestFile tf;
    b.open(tf, "Гр. 1.2");
    EXPECT_EQ(tf.tema.NAME.utf8(), "Гр. 1.2");
    EXPECT_EQ(tf.tema.CODETEMA, 1);
    addFrames(tf, 2);
    tf.close();
  }
  // Renamed: the companion file along, the stored objects named anew, the
  // scenario's name following the file's.
  Outcome o = b.reg.rename(b.path, "Гр. 1.2", "Гр. 2.0", u(kKey));
  ASSERT_TRUE(o) << o.message;
  EXPECT_FALSE(std::filesystem::exists(b.dir / "Гр. 1.2.orm"));
  EXPECT_FALSE(std::filesystem::exists(b.dir / "Гр. 1.emb"));
  EXPECT_TRUE(std::filesystem::exists(b.dir / "Гр. 2.0.orm"));
  {
    testfile::TestFile tf;
    b.open(tf, "Гр. 2.0");
    EXPECT_EQ(tf.tema.NAME.utf8(), "Гр. 2.0");
    EXPECT_EQ(contents(tf), (std::vector<Seen>{frame(1, 1, true), frame(2, 2, false)}));
  }
  EXPECT_FALSE(b.reg.rename(b.path, "Гр. 2.0", "Другой", u(kKey)));  // taken
  EXPECT_FALSE(b.reg.rename(b.path, "Гр. 2.0", "../Другой", u(kKey)));
  ASSERT_TRUE(b.reg.remove(b.path, "Гр. 2.0"));
  EXPECT_FALSE(std::filesystem::exists(b.dir / "Гр. 2.0.orm"));
  EXPECT_FALSE(std::filesystem::exists(b.dir / "Гр. 2.emb"));

  // The register keeps refusing a name it holds, any letter case.
  std::uint16_t code = 0;
  NewTestRequest r{b.path, 3, "гр. 1.2", "", "", u(kKey)};
  Outcome again = b.reg.create(r, code);
  EXPECT_EQ(again.error, Outcome::Refused);
  EXPECT_EQ(again.message, "Тест с таким именем уже существует.");
  // A file of that name on disk is refused and left as it was.
  std::ofstream(b.dir / "Чужой.orm") << "не тест";
  r.name = "ЧУЖОЙ";
  EXPECT_EQ(b.reg.create(r, code).error, Outcome::Refused);
  std::ifstream in(b.dir / "Чужой.orm");
  std::string kept((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(kept, "не тест");
  r.name = "../вне";
  EXPECT_EQ(b.reg.create(r, code).error, Outcome::Refused);
  // A hidden file would be a test no list shows.
  r.name = ".скрытый";
  EXPECT_EQ(b.reg.create(r, code).message, "Имя файла теста не может начинаться с точки.");
  EXPECT_FALSE(std::filesystem::exists(b.dir / ".скрытый.orm"));
  // The register record holds the base's code; the password is one record updated.
  ASSERT_TRUE(b.reg.setPassword(2, "секрет"));
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, b.dir / "DataTest.tps");
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  EXPECT_EQ(t.records(), 2);
  d.CODETEST = 2;
  ASSERT_EQ(t.get(t.key("KEYCODE")), store::Ok);
  EXPECT_EQ(d.CODEBD, 3);
  EXPECT_EQ(d.PASSW.utf8(), "секрет");
}

TEST(TestFiles, AFileInUseOrANameTakenIsLeftWhole) {
  Base b;
  b.make("Открытый");
  b.make("abc");
  b.make("ABC~1");
  {
    testfile::TestFile tf;
    b.open(tf, "Открытый");
    addFrames(tf, 1);
  }
  // Another station has the test open: neither deleted nor renamed, and its
  // objects stay with it.
  testfile::TestFile elsewhere;
  b.open(elsewhere, "Открытый");
  Outcome o = b.reg.remove(b.path, "Открытый");
  EXPECT_EQ(o.error, store::AccessDenied) << o.message;
  o = b.reg.rename(b.path, "Открытый", "Новый", u(kKey));
  EXPECT_EQ(o.error, store::AccessDenied) << o.message;
  EXPECT_TRUE(std::filesystem::exists(b.dir / "Открытый.orm"));
  EXPECT_TRUE(std::filesystem::exists(b.dir / "Открытый.emb"));
  EXPECT_FALSE(std::filesystem::exists(b.dir / "Новый.orm"));
  elsewhere.close();
  // Only the letter case changes: a test named like the temporary file survives.
  ASSERT_TRUE(b.reg.rename(b.path, "abc", "ABC", u(kKey)));
  EXPECT_TRUE(std::filesystem::exists(b.dir / "ABC.orm"));
  EXPECT_FALSE(std::filesystem::exists(b.dir / "abc.orm"));
  testfile::TestFile kept;
  b.open(kept, "ABC~1");
  // Names the register or code page 1251 cannot hold are refused.
  EXPECT_EQ(b.reg.rename(b.path, "ABC", "Тест ✓", u(kKey)).error, Outcome::Refused);
  b.make("Занятое");
  ASSERT_TRUE(b.reg.remove(b.path, "Занятое"));
  EXPECT_EQ(b.reg.rename(b.path, "ABC", "Занятое", u(kKey)).error, Outcome::Refused);
}

TEST(Frames, LeftoversOfOlderFilesNeitherBlockNorAttach) {
  Base b;
  b.make("Старый");
  testfile::TestFile tf;
  b.open(tf, "Старый");
  addFrames(tf, 3, 1, false);
  // As older programs left them: help of a frame deleted long ago (code 3,
  // its frame gone, codes now 1, 2, 4) and help numbered apart from its frame.
  {
    store::Transaction tx{&tf.vopT, &tf.trainingT};
    ASSERT_EQ(tx.begin(), store::Ok);
    tf.vop.CODEVOP = 3;
    ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
    tf.vop.CODEVOP = 4;
    ASSERT_EQ(tf.vopT.put(), store::Ok);
    ASSERT_EQ(tf.findHelp(3), store::Ok);
    tf.training.CODE = 9;
    ASSERT_EQ(tf.trainingT.put(), store::Ok);  // the help of the frame now 4 stays 3: a leftover
    ASSERT_EQ(tf.findHelp(2), store::Ok);
    tf.training.CODE = 3;                       // numbered apart from its frame
    ASSERT_EQ(tf.trainingT.put(), store::Ok);
    ASSERT_EQ(tx.commit(), store::Ok);
  }
  ASSERT_TRUE(renumber(tf));  // 4 becomes 3: the leftover there goes
  std::uint16_t code = 0;
  ASSERT_TRUE(newFrame(tf, tables::VopParam{}, "Stnd", code));
  EXPECT_EQ(code, 4);
  EXPECT_EQ(tf.findHelp(4), store::NoRecord);  // nothing left over attaches to it
  EXPECT_EQ(tf.findHelp(3), store::NoRecord);
  ASSERT_EQ(tf.findHelp(2), store::Ok);
  EXPECT_EQ(tf.training.CODE, 2);
  std::vector<tables::Vop> frames;
  ASSERT_EQ(tf.frames(frames), store::Ok);
  tables::Training help;
  help.HELPVOP = u("новая справка");
  ASSERT_TRUE(saveFrame(tf, frames[2], &help));
  ASSERT_EQ(tf.findHelp(3), store::Ok);
  EXPECT_EQ(tf.training.HELPVOP.text, u("новая справка"));
}

TEST(Frames, DeletingKeepsTheOrderWithHelpAndObjects) {
  Base b;
  b.make("Тест");
  testfile::TestFile tf;
  b.open(tf, "Тест");
  addFrames(tf, 6);
  Outcome o = deleteFrames(tf, {2, 4});
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(contents(tf), (std::vector<Seen>{frame(1, 1, true), frame(2, 3, true), frame(3, 5, true), frame(4, 6, false)}));
  expectTitle(tf, 4, 3);
  // The parts of the deleted frames are gone from the companion file.
  tables::Emb e;
  EXPECT_EQ(results::readEmb(results::embPart(tf.path(), 5), e), store::NoRecord);
}

TEST(Frames, CommentsStayWithTheirVariantsWhenTheVariantsCloseUp) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  addFrames(tf, 1, 1, false);
  std::vector<tables::Vop> frames;
  ASSERT_EQ(tf.frames(frames), store::Ok);
  tables::Vop v = frames[0];
  // Typed with a gap: variants 1 and 3, the right one the third.
  v.TYPEKADR = 3;
  v.VAROT11 = u("первый");
  v.VAROT12 = "";
  v.VAROT13 = u("третий");
  v.TRUEOT = {3, 0, 0, 0, 0, 0, 0, 0, 0};
  tables::Training help;
  help.COMMOT[0] = u("о первом");
  help.COMMOT[2] = u("о третьем");
  ASSERT_TRUE(saveFrame(tf, v, &help));
  ASSERT_EQ(tf.frames(frames), store::Ok);
  EXPECT_EQ(frames[0].VAROT12.utf8(), "третий");
  EXPECT_EQ(frames[0].TRUEOT[0], 2);
  ASSERT_EQ(tf.findHelp(1), store::Ok);
  EXPECT_EQ(tf.training.COMMOT[1].utf8(), "о третьем");
  EXPECT_TRUE(tf.training.COMMOT[2].blank());
}

TEST(Frames, ReorderedThroughTheTemporaryCode) {
  struct Case {
    const char* what;
    std::uint16_t code;
    Place where;
    std::vector<int> order;  // the questions' numbers in code order
    std::uint16_t now;
    std::uint16_t onto = 0;  // dragged onto this frame's place instead
  } cases[] = {
      {"up", 3, Place::Up, {1, 3, 2, 4}, 2},
      {"down", 2, Place::Down, {1, 3, 2, 4}, 3},
      {"first", 3, Place::First, {3, 1, 2, 4}, 1},
      {"last", 1, Place::Last, {2, 3, 4, 1}, 4},
      {"the first frame up stays", 1, Place::Up, {1, 2, 3, 4}, 1},
      {"the last frame down stays", 4, Place::Down, {1, 2, 3, 4}, 4},
      {"dragged down onto the third", 1, Place::Up, {2, 3, 1, 4}, 3, 3},
      {"dragged up onto the first", 4, Place::Up, {4, 1, 2, 3}, 1, 1},
      {"dragged onto itself", 2, Place::Up, {1, 2, 3, 4}, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Base b;
    b.make("Т");
    testfile::TestFile tf;
    b.open(tf, "Т");
    addFrames(tf, 4);
    std::uint16_t now = 0;
    Outcome o = c.onto ? moveFrameTo(tf, c.code, c.onto, now) : moveFrame(tf, c.code, c.where, now);
    ASSERT_TRUE(o) << o.message;
    EXPECT_EQ(now, c.now);
    std::vector<Seen> expected;
    for (std::size_t i = 0; i < c.order.size(); ++i)
      expected.push_back(frame(static_cast<std::uint16_t>(i + 1), c.order[i], c.order[i] % 2 == 1));
    EXPECT_EQ(contents(tf), expected);
  }
}

TEST(Frames, CopiedAndMovedIntoATestOfAnotherBase) {
  Base a, b;
  a.make("Источник");
  b.make("Приёмник");
  testfile::TestFile src, dst;
  a.open(src, "Источник");
  b.open(dst, "Приёмник");
  addFrames(src, 5);
  addFrames(dst, 5, 11, false);
  const auto before = contents(src);

  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(src, {3, 1, 5}, dst, false, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(got, (std::vector<std::uint16_t>{6, 7, 8}));
  auto now = contents(dst);
  ASSERT_EQ(now.size(), 8u);
  EXPECT_EQ(now[5], frame(6, 3, true));  // in tag order, objects in the target's own file
  EXPECT_EQ(now[6], frame(7, 1, true));
  EXPECT_EQ(now[7], frame(8, 5, true));
  EXPECT_TRUE(std::filesystem::exists(b.dir / "Приёмник.emb"));
  EXPECT_EQ(contents(src), before);
  expectTitle(dst, 8, 3);

  // A move that cannot be completed leaves both tests as they were.
  {
    store::Transaction tx{&dst.vopT};
    ASSERT_EQ(tx.begin(), store::Ok);
    for (int k = 9; k <= kMostFrames - 1; ++k) {
      dst.vop = tables::Vop{};
      dst.vop.CODEVOP = static_cast<std::uint16_t>(k);
      ASSERT_EQ(dst.vopT.add(), store::Ok);
    }
    ASSERT_EQ(tx.commit(), store::Ok);
  }
  const auto full = contents(dst);
  o = copyFrames(src, {2, 4}, dst, true, got);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_EQ(contents(src), before);
  EXPECT_EQ(contents(dst), full);

  // Moved where there is room: gone from the source in the same commit.
  Base c;
  c.make("Третий");
  testfile::TestFile third;
  c.open(third, "Третий");
  o = copyFrames(src, {2, 5}, third, true, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(contents(third), (std::vector<Seen>{frame(1, 2, false), frame(2, 5, true)}));
  EXPECT_EQ(contents(src), (std::vector<Seen>{frame(1, 1, true), frame(2, 3, true), frame(3, 4, false)}));
  expectTitle(src, 3, 2);
  expectTitle(third, 2, 1);
}

TEST(Frames, CopiesIntoTheSameTestFollowItsEnd) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  addFrames(tf, 3);
  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(tf, {1, 2}, tf, false, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(contents(tf), (std::vector<Seen>{frame(1, 1, true), frame(2, 2, false), frame(3, 3, true), frame(4, 1, true),
                                             frame(5, 2, false)}));
  EXPECT_FALSE(copyFrames(tf, {1}, tf, true, got));
}

TEST(Statistics, FollowFramesSectionsAndKeepTheRunCount) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  ASSERT_TRUE(addSection(tf, 2, "Дроби"));
  EXPECT_EQ(addSection(tf, 8, "Лишний").error, Outcome::Refused);
  EXPECT_EQ(addSection(tf, 2, "Снова").error, store::DuplicateKey);
  addFrames(tf, 3, 1, false);
  // Frame 2 into section 2 at level 3, frame 3 at level 5 with a picture.
  std::vector<tables::Vop> frames;
  ASSERT_EQ(tf.frames(frames), store::Ok);
  frames[1].CODERAZ = 2;
  frames[1].RAZDEL = u("Дроби");
  frames[1].LEVEL = 3;
  frames[2].LEVEL = 5;
  frames[2].YESIMAGE = 3;
  frames[2].BLOBVOP.bytes = {1, 2, 3};
  ASSERT_TRUE(saveFrame(tf, frames[1]));

  // Another station runs the test meanwhile.
  const int runs = tf.titul.KOLRUN;
  pid_t kid = ::fork();
  if (kid == 0) {
    testfile::TestFile other;
    other.name(b.path, "Т", u(kKey));
    _exit(other.open() == store::Ok && examiner::raiseRunCount(other) == store::Ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(kid, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(saveFrame(tf, frames[2]));

  ASSERT_EQ(tf.titulT.set(), store::Ok);
  ASSERT_EQ(tf.titulT.next(), store::Ok);
  const tables::Titul& t = tf.titul;
  EXPECT_EQ(t.KOLRUN, runs + 1);
  EXPECT_EQ(t.KOLVOP.str(), "3");
  EXPECT_EQ(t.KOLOBJ, 1);
  EXPECT_EQ(t.KOLRAZD, 2);
  EXPECT_EQ(t.RASPRAZ[1], 1);
  EXPECT_EQ(t.KOLLEV, 5);
  EXPECT_EQ(t.RASPLEV[2], 1);
  EXPECT_EQ(t.RASPLEV[4], 1);
  tf.razdel.CODERAZ = 2;
  ASSERT_EQ(tf.razdelT.get(tf.razdelT.key("KEYCODERAZ")), store::Ok);
  EXPECT_EQ(tf.razdel.KOLZAD, 1);

  // Levels multiply the points where the test says so (level 0 counts as 1).
  ASSERT_EQ(tf.temaT.set(), store::Ok);
  ASSERT_EQ(tf.temaT.next(), store::Ok);
  tf.tema.MODELEVEL = 1;
  tf.tema.ADDLEVEL = 1;
  ASSERT_EQ(tf.temaT.put(), store::Ok);
  ASSERT_TRUE(renumber(tf));
  ASSERT_EQ(tf.titulT.set(), store::Ok);
  ASSERT_EQ(tf.titulT.next(), store::Ok);
  EXPECT_EQ(tf.titul.MAXBALL, 1 + 3 + 5);
  EXPECT_EQ(tf.titul.MAXBALLLEV[2], 3);

  // A section in use is not deleted; renamed, its frames follow.
  EXPECT_EQ(deleteSection(tf, 2).error, Outcome::Refused);
  ASSERT_TRUE(changeSection(tf, 2, 4, "Дроби и проценты"));
  ASSERT_EQ(tf.frames(frames), store::Ok);
  EXPECT_EQ(frames[1].CODERAZ, 4);
  EXPECT_EQ(frames[1].RAZDEL.utf8(), "Дроби и проценты");
  ASSERT_TRUE(deleteFrames(tf, {2}));
  ASSERT_TRUE(deleteSection(tf, 4));
}

TEST(Scenario, SavedWithItsTitleTextsInOneStep) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  addFrames(tf, 2, 1, false);
  tables::Tema tema = tf.tema;
  tables::Titul texts = tf.titul;
  texts.INS = u("Прочитайте задания внимательно.");
  tema.TYPEOZENKA = 2;
  tema.BALLVOP = 5;
  ASSERT_TRUE(saveScenario(tf, tema, texts, false));
  ASSERT_EQ(tf.titulT.set(), store::Ok);
  ASSERT_EQ(tf.titulT.next(), store::Ok);
  EXPECT_EQ(tf.titul.VERSION, 2);
  EXPECT_GT(tf.titul.CHANGED, 0);
  EXPECT_EQ(tf.titul.INS.text, u("Прочитайте задания внимательно."));
  // A scale out of order is refused and nothing is written.
  tema.SHCALA = {51, 70, 81, 75, 95, 0, 0, 0, 0, 0};
  std::optional<ScenarioRefusal> why;
  EXPECT_EQ(saveScenario(tf, tema, texts, false, &why).error, Outcome::Refused);
  ASSERT_TRUE(why.has_value());
  EXPECT_EQ(why->message.text, "Неверный диапазон в шкале оценок");
  ASSERT_EQ(tf.titulT.set(), store::Ok);
  ASSERT_EQ(tf.titulT.next(), store::Ok);
  EXPECT_EQ(tf.titul.VERSION, 2);
}

}  // namespace

namespace {

// The points of every frame, in code order.
std::vector<int> pointsOf(testfile::TestFile& tf) {
  std::vector<tables::Vop> frames;
  tf.frames(frames);
  std::vector<int> out;
  for (const auto& v : frames) out.push_back(v.BALLVOP);
  return out;
}

TEST(Scenario, ANewMarkingGivesEveryFrameItsPointsInTheSameStep) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  addFrames(tf, 3, 1, false);
  EXPECT_EQ(pointsOf(tf), (std::vector<int>{1, 1, 1}));
  tables::Tema tema = tf.tema;
  const tables::Titul texts = tf.titul;
  struct Step {
    const char* what;
    std::function<void(tables::Tema&)> set;
    std::vector<int> points;
    int maxBall;
  } steps[] = {
      {"four points each", [](tables::Tema& t) { t.TYPEOZENKA = 2, t.BALLVOP = 4; }, {4, 4, 4}, 12},
      {"a range below: each kept within it", [](tables::Tema& t) { t.TYPEOZENKA = 3, t.BALLRANGE = {2, 3}; }, {3, 3, 3}, 9},
      {"one point each", [](tables::Tema& t) { t.TYPEOZENKA = 1, t.BALLVOP = 7; }, {1, 1, 1}, 3},
  };
  for (const auto& s : steps) {
    s.set(tema);
    Outcome o = saveScenario(tf, tema, texts, false);
    ASSERT_TRUE(o) << s.what << ": " << o.message;
    EXPECT_EQ(pointsOf(tf), s.points) << s.what;
    ASSERT_EQ(tf.titulT.set(), store::Ok);
    ASSERT_EQ(tf.titulT.next(), store::Ok);
    EXPECT_EQ(tf.titul.MAXBALL, s.maxBall) << s.what;
  }
  // Another scenario change leaves the frames' points alone.
  testfile::TestFile other;
  b.open(other, "Т");
  other.vop.CODEVOP = 2;
  ASSERT_EQ(other.vopT.get(other.vopT.key("KEYCODEVOP")), store::Ok);
  other.vop.BALLVOP = 1;
  ASSERT_EQ(other.vopT.put(), store::Ok);
  tema.TIMETEST = 33;
  ASSERT_TRUE(saveScenario(tf, tema, texts, false));
  EXPECT_EQ(pointsOf(tf), (std::vector<int>{1, 1, 1}));
}

TEST(Scenario, AScenarioChangedOnAnotherStationIsNotOverwrittenUnasked) {
  Base b;
  b.make("Т");
  testfile::TestFile mine, theirs;
  b.open(mine, "Т");
  b.open(theirs, "Т");
  const tables::Tema opened = mine.tema;
  theirs.tema.NAME = u("Их название");
  ASSERT_EQ(theirs.temaT.put(), store::Ok);

  tables::Tema edited = opened;
  edited.NAME = u("Моё название");
  Outcome o = saveScenario(mine, edited, mine.titul, false, nullptr, &opened);
  EXPECT_EQ(o.error, store::ChangedByOther);
  testfile::TestFile check;
  b.open(check, "Т");
  EXPECT_EQ(check.tema.NAME.view(), u("Их название"));
  EXPECT_EQ(check.titul.VERSION, 1) << "nothing of the failed save stays";
  ASSERT_TRUE(saveScenario(mine, edited, mine.titul, false, nullptr, &opened, true));
  testfile::TestFile after;
  b.open(after, "Т");
  EXPECT_EQ(after.tema.NAME.view(), u("Моё название"));
}

TEST(Scenario, CountsOfDrawnFramesAndMinutesAreChecked) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  addFrames(tf, 4, 1, false);
  struct Case {
    const char* what;
    std::function<void(tables::Tema&)> set;
    bool refused;
    ScenarioPage page;
  } cases[] = {
      {"all frames in order: no count needed", [](tables::Tema& t) { t.MODECONTROLZN = 1, t.KOLSELVOP = 0; }, false, {}},
      {"a random part of none", [](tables::Tema& t) { t.MODECONTROLZN = 3, t.KOLSELVOP = 0; }, true, ScenarioPage::Order},
      {"a random part of all four", [](tables::Tema& t) { t.MODECONTROLZN = 4, t.KOLSELVOP = 4; }, false, {}},
      {"a random part of five of four", [](tables::Tema& t) { t.MODECONTROLZN = 3, t.KOLSELVOP = 5; }, true, ScenarioPage::Order},
      {"the whole test in no minutes", [](tables::Tema& t) { t.HOWTIMETEST = 2, t.TIMETEST = 0; }, true, ScenarioPage::Parameters},
      {"per frame: the test's minutes do not matter", [](tables::Tema& t) { t.HOWTIMETEST = 1, t.TIMETEST = 0; }, false, {}},
  };
  for (const auto& c : cases) {
    tables::Tema t = tf.tema;
    c.set(t);
    std::optional<ScenarioRefusal> why;
    Outcome o = saveScenario(tf, t, tf.titul, false, &why);
    EXPECT_EQ(!o, c.refused) << c.what << ": " << o.message;
    if (c.refused) {
      ASSERT_TRUE(why) << c.what;
      EXPECT_EQ(why->page, c.page) << c.what;
    }
  }
  // A test without frames yet takes any count of at least one.
  b.make("Пустой");
  testfile::TestFile empty;
  b.open(empty, "Пустой");
  tables::Tema t = empty.tema;
  t.MODECONTROLZN = 3, t.KOLSELVOP = 10;
  EXPECT_TRUE(saveScenario(empty, t, empty.titul, false));
}

TEST(Statistics, TheListShowsWhatTheFramesHold) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  ASSERT_TRUE(addSection(tf, 1, "Алгебра"));
  ASSERT_TRUE(addSection(tf, 3, "Геометрия и тригонометрия"));
  addFrames(tf, 5, 1, false);
  // Levels and sections by frame: counted here by hand.
  struct Frame {
    int level, section, points;
    bool picture;
  } frames[] = {{1, 1, 2, false}, {1, 3, 3, true}, {3, 3, 1, false}, {0, 1, 4, false}, {3, 0, 5, true}};
  for (std::uint16_t c = 1; c <= 5; ++c) {
    const Frame& f = frames[c - 1];
    tf.vop.CODEVOP = c;
    ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
    tf.vop.LEVEL = static_cast<std::uint8_t>(f.level);
    tf.vop.CODERAZ = static_cast<std::uint8_t>(f.section);
    tf.vop.RAZDEL = f.section == 1 ? u("Алгебра") : f.section == 3 ? u("Геометрия и тригонометрия") : "";
    tf.vop.BALLVOP = static_cast<std::uint16_t>(f.points);
    tf.vop.YESIMAGE = f.picture ? 1 : 0;
    ASSERT_EQ(tf.vopT.put(), store::Ok);
  }
  tables::Tema tema = tf.tema;
  tema.YESRAZ = 1;
  tema.MODELEVEL = 1;
  tema.TYPEOZENKA = 3;
  tema.BALLRANGE = {1, 5};
  ASSERT_TRUE(saveScenario(tf, tema, tf.titul, false));
  ASSERT_TRUE(refreshStatistics(tf));
  std::vector<tables::Razdel> sections;
  ASSERT_EQ(tf.razdelT.set(tf.razdelT.key("KEYCODERAZ")), store::Ok);
  while (tf.razdelT.next() == store::Ok) sections.push_back(tf.razdel);
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& r : statisticsRows(tf.tema, tf.titul, sections)) rows.emplace_back(r.label, r.value);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"РАЗДЕЛЫ ТЕСТА:", "2"},        {"Алгебра", "2"}, {"Геометрия и тригоном", "2"},
      {"УРОВНИ СЛОЖНОСТИ:", "2"},     {"1 - уровень", "2"}, {"3 - уровень", "2"},
      {"Мультимедия", "2"},           {"МАКС. БАЛЛ ЗА ТЕСТ", "15"},
  };
  EXPECT_EQ(rows, expected);
  tema = tf.tema;
  tema.YESRAZ = 0, tema.MODELEVEL = 0;
  rows.clear();
  for (const auto& r : statisticsRows(tema, tf.titul, sections)) rows.emplace_back(r.label, r.value);
  EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"РАЗДЕЛЫ ТЕСТА:", "нет"}));
  EXPECT_EQ(rows[1], (std::pair<std::string, std::string>{"УРОВНИ СЛОЖНОСТИ:", "нет"}));
}

TEST(Sections, AUsedNumberIsRefusedWithTheDuplicateKeyMessage) {
  Base b;
  b.make("Т");
  testfile::TestFile tf;
  b.open(tf, "Т");
  ASSERT_TRUE(addSection(tf, 2, "Первый"));
  ASSERT_TRUE(addSection(tf, 3, "Второй"));
  for (Outcome o : {addSection(tf, 2, "Снова"), changeSection(tf, 3, 2, "Второй")}) {
    EXPECT_EQ(o.error, store::DuplicateKey);
    EXPECT_EQ(o.message, "При обновлении файла возник недопустимый дубликат в ключе [RAZ:KeyCodeRaz].");
  }
  EXPECT_EQ(addSection(tf, 8, "Восьмой").error, Outcome::Refused);
}

}  // namespace

namespace {

TEST(InstructionTemplates, CodesInTurnTitlesAndLimits) {
  TempDir dir;
  InstructionTemplates t(dir / "TEMPINS");
  std::vector<InstructionTemplate> list;
  ASSERT_TRUE(t.list(list));
  EXPECT_TRUE(list.empty());
  std::uint8_t a = 0, c = 0;
  ASSERT_TRUE(t.add("Экзамен\nОтвечайте на вопросы по порядку.", a));
  ASSERT_TRUE(t.add("Зачёт", c));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(c, 2);
  ASSERT_TRUE(t.change(a, "Экзамен по физике\nВремя ограничено."));
  ASSERT_TRUE(t.list(list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].title(), "Экзамен по физике");
  EXPECT_EQ(list[0].text, "Экзамен по физике\nВремя ограничено.");
  std::string long1801;
  for (int i = 0; i < 1801; ++i) long1801 += "ж";
  std::uint8_t none = 0;
  EXPECT_EQ(t.add(long1801, none).error, Outcome::Refused) << "it would be cut without a word";
  EXPECT_EQ(t.change(c, "日本").error, Outcome::Refused);
  ASSERT_TRUE(t.remove(a));
  ASSERT_TRUE(t.list(list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].code, 2);
  std::uint8_t next = 0;
  ASSERT_TRUE(t.add("Ещё", next));
  EXPECT_EQ(next, 3) << "after the last code, not into a gap";
}

TEST(TestFiles, ANameRegisteredInAnotherBaseIsRefused) {
  Base b;
  ASSERT_EQ(b.make("Механика"), 1);
  TempDir other;
  NewTestRequest r;
  r.baseDir = other.path() + "/";
  r.baseCode = 9;
  r.name = "механика";  // any letter case
  r.keyWord = u(kKey);
  std::uint16_t code = 0;
  Outcome o = b.reg.create(r, code);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_EQ(o.message, "Тест с таким именем уже существует.");
  EXPECT_FALSE(std::filesystem::exists(other / "механика.orm"));
}

}  // namespace
