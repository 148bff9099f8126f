// Frames carried to another test through the scratch table VOPBUF, the
// printed test "Список заданий" (its title, its frames and their reference
// answers, the date of the last print), and the synopsis' help records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cp1251.h"
#include "frame_operations.h"
#include "test_print.h"
#include "test_register.h"
#include "test_tables.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }
const std::string kKey = cp1251::pad(u("ключ-слово"), 20);

struct Base {
  TempDir dir;
  std::string path = dir.path() + "/";
  TestRegister reg{dir / "DataTest.tps"};
  void make(testfile::TestFile& tf, const std::string& name) {
    std::uint16_t code = 0;
    NewTestRequest r;
    r.baseDir = path;
    r.name = name;
    r.keyWord = kKey;
    Outcome o = reg.create(r, code);
    ASSERT_TRUE(o) << o.message;
    tf.name(path, name, kKey);
    ASSERT_EQ(tf.open(), store::Ok) << tf.error().text();
  }
};

// Frames "<prefix> k" (single choice), each with the help "Справка <prefix> k"
// and a picture of the bytes "рисунок k".
void addFrames(testfile::TestFile& tf, int count, const std::string& prefix) {
  for (int k = 1; k <= count; ++k) {
    std::uint16_t code = 0;
    ASSERT_TRUE(newFrame(tf, tables::VopParam{}, "Stnd", code));
    tables::Vop v;
    v.CODEVOP = code;
    v.TYPEEDIT = "Stnd";
    v.TYPEKADR = 3;
    v.KOLPOP = 1;
    v.VOPROS = u(prefix + " " + std::to_string(k));
    v.VAROT11 = u("да");
    v.VAROT12 = u("нет");
    v.TRUEOT[0] = 2;
    const std::string pic = "рисунок " + std::to_string(k);
    v.BLOBVOP.bytes.assign(pic.begin(), pic.end());
    v.YESIMAGE = 1;
    tables::Training h;
    h.HELPVOP = u("Справка " + prefix + " " + std::to_string(k));
    Outcome o = saveFrame(tf, v, &h);
    ASSERT_TRUE(o) << o.message;
  }
}

struct Seen {
  std::uint16_t code;
  std::string question, help, picture;
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Seen& s) { return o << s.code << ":" << s.question << "/" << s.help << "/" << s.picture; }

std::vector<Seen> contents(testfile::TestFile& tf) {
  std::vector<tables::Vop> frames;
  EXPECT_EQ(tf.frames(frames), store::Ok);
  std::vector<Seen> out;
  for (const auto& v : frames) {
    Seen s{v.CODEVOP, cp1251::toUtf8(v.VOPROS.text), "", std::string(v.BLOBVOP.bytes.begin(), v.BLOBVOP.bytes.end())};
    if (tf.findHelp(v.CODEVOP) == store::Ok) {
      s.help = cp1251::toUtf8(tf.training.HELPVOP.text);
      EXPECT_EQ(tf.training.CODE, v.CODEVOP);
    }
    out.push_back(s);
  }
  return out;
}

Seen seen(std::uint16_t code, const std::string& prefix, int k) {
  const std::string n = std::to_string(k);
  return {code, prefix + " " + n, "Справка " + prefix + " " + n, "рисунок " + n};
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(Transfer, TaggedFramesFollowTheTargetInTagOrderThroughAnEncryptedBufferThatGoesAfterwards) {
  Base a, b;
  testfile::TestFile src, dst;
  a.make(src, "Источник");
  b.make(dst, "Приёмник");
  addFrames(src, 5, "Исходный");
  addFrames(dst, 5, "Свой");
  const auto sourceBefore = contents(src);

  // A buffer left over from an earlier run holds a stray frame: it is emptied first.
  TempDir work;
  const std::string buffer = work / "VOPBUF";
  {
    tables::VopBuf rec;
    store::Table t(tables::vopBufDef(), rec, buffer);
    t.setPassword(kKey);
    ASSERT_EQ(t.create(), store::Ok);
    ASSERT_EQ(t.open(store::Exclusive), store::Ok);
    rec.CODEVOP = 1;
    rec.VOPROS = u("Чужой кадр");
    ASSERT_EQ(t.add(), store::Ok);
    t.close();
  }

  Transfer how;
  how.buffer = buffer;
  how.keyWord = kKey;
  std::vector<std::pair<int, int>> steps;
  bool bufferInClear = false;
  how.progress = [&](int done, int total) {
    steps.emplace_back(done, total);
    // The questions never lie in the buffer's file unencrypted.
    bufferInClear = bufferInClear || fileBytes(buffer).find(u("Исходный")) != std::string::npos;
  };
  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(src, {4, 1, 3}, dst, false, got, how);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(got, (std::vector<std::uint16_t>{6, 7, 8}));
  const auto now = contents(dst);
  ASSERT_EQ(now.size(), 8u);
  EXPECT_EQ(now[4], seen(5, "Свой", 5));
  EXPECT_EQ(now[5], seen(6, "Исходный", 4));
  EXPECT_EQ(now[6], seen(7, "Исходный", 1));
  EXPECT_EQ(now[7], seen(8, "Исходный", 3));
  EXPECT_EQ(contents(src), sourceBefore) << "a copy leaves the source as it was";
  EXPECT_EQ(steps.size(), 6u) << "every record read and written is a step";
  EXPECT_EQ(steps.back(), std::make_pair(6, 6));
  EXPECT_FALSE(bufferInClear);
  EXPECT_FALSE(std::filesystem::exists(buffer)) << "the buffer is deleted when the transfer ends";
}

TEST(Transfer, IntoTheOpenTestAppendsDuplicates) {
  Base a;
  testfile::TestFile tf;
  a.make(tf, "Тест");
  addFrames(tf, 3, "Кадр");
  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(tf, {3, 2}, tf, false, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(got, (std::vector<std::uint16_t>{4, 5}));
  EXPECT_EQ(contents(tf), (std::vector<Seen>{seen(1, "Кадр", 1), seen(2, "Кадр", 2), seen(3, "Кадр", 3), seen(4, "Кадр", 3),
                                            seen(5, "Кадр", 2)}));
  EXPECT_EQ(copyFrames(tf, {1}, tf, true, got).error, Outcome::Refused) << "no move into the test itself";
}

TEST(Transfer, AMoveDeletesOnlyWhatItCopiedAndRenumbersTheSource) {
  Base a, b;
  testfile::TestFile src, dst;
  a.make(src, "Источник");
  b.make(dst, "Приёмник");
  addFrames(src, 5, "Исходный");
  addFrames(dst, 2, "Свой");
  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(src, {4, 2}, dst, true, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(contents(dst), (std::vector<Seen>{seen(1, "Свой", 1), seen(2, "Свой", 2), seen(3, "Исходный", 4), seen(4, "Исходный", 2)}));
  EXPECT_EQ(contents(src), (std::vector<Seen>{seen(1, "Исходный", 1), seen(2, "Исходный", 3), seen(3, "Исходный", 5)}));
  // No help record of a moved frame stays behind.
  int helps = 0;
  ASSERT_EQ(src.trainingT.set(), store::Ok);
  while (src.trainingT.next() == store::Ok) ++helps;
  EXPECT_EQ(helps, 3);
}

TEST(Transfer, AFailureLeavesBothTestsAsTheyWereAndIsNamed) {
  Base a, b;
  testfile::TestFile src, dst;
  a.make(src, "Источник");
  b.make(dst, "Приёмник");
  addFrames(src, 3, "Исходный");
  addFrames(dst, 2, "Свой");
  const auto s = contents(src), d = contents(dst);
  std::vector<std::uint16_t> got;

  Transfer nowhere;
  nowhere.buffer = a.dir / "нет такой папки/VOPBUF";
  Outcome o = copyFrames(src, {1, 2}, dst, true, got, nowhere);
  EXPECT_FALSE(o);
  EXPECT_NE(o.message.find("VOPBUF"), std::string::npos) << o.message;

  // A tagged frame deleted meanwhile: nothing moves, and it is named.
  o = copyFrames(src, {1, 9}, dst, true, got);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find("Кадра 9"), std::string::npos) << o.message;
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(contents(src), s);
  EXPECT_EQ(contents(dst), d);
}

TEST(Transfer, TheBufferHoldsEveryFieldOfAFrame) {
  tables::Vop v;
  v.VOPROS = u("Вопрос");
  v.OLEBLOB.bytes = {1, 2, 3};
  v.BLOBVOP.bytes = {4, 5};
  v.CODEVOP = 7;
  v.CODETEMA = 3;
  v.VARTEST = 2;
  v.CODERAZ = 4;
  v.TYPEEDIT = "Objk";
  v.TYPEKADR = 5;
  v.RAZDEL = u("Раздел");
  for (int i = 1; i <= 9; ++i) v.varot1(i) = u("в" + std::to_string(i));
  v.HEIGTTEXTVOP = 9;
  v.HEIGTTEXTOT.fill(8);
  v.KOLOT = 3;
  v.VAROT2[8] = u("правый");
  v.YESIMAGE = 1;
  v.TYPEETOT = 2;
  v.HOWVVODDOP = 1;
  v.CRDNX = {1, 2, 3, 4, 5};
  v.CRDNY = {6, 7, 8, 9, 10};
  v.TRUEOTSTR = u("точно");
  v.TRUEOT = {1, 0, 1, 0, 0, 0, 0, 0, 9};
  v.MARK = {1, -2, 3, 0, 0, 0, 0, 0, 5};
  v.LEVEL = 4;
  v.LASTOT = {1, 2};
  v.PORNUMOT = 1;
  v.SINONIM = 1;
  v.TIMEVOP = 90;
  v.KOLPOP = 2;
  v.ALGORITM[9] = u("алгоритм");
  v.BALLVOP = 12;
  v.OBJECTSAVE = "F";
  v.OBJECTTYPE = "D";
  v.OBJECTLINK = "N";
  v.OBJECTDOC = u("тест.emb!7");
  v.OBJECTSHOW = "A";
  EXPECT_EQ(fromBuffer(toBuffer(v)), v);
}

// ----------------------------------------------------------------- printing

namespace {

tables::Vop choice(int kind, std::vector<std::string> variants, std::array<std::uint8_t, 9> key) {
  tables::Vop v;
  v.CODEVOP = 4;
  v.TYPEKADR = static_cast<std::uint8_t>(kind);
  v.VOPROS = u("Что верно?");
  for (std::size_t i = 0; i < variants.size(); ++i) v.varot1(static_cast<int>(i + 1)) = u(variants[i]);
  v.KOLOT = static_cast<std::uint8_t>(variants.size());
  v.TRUEOT = key;
  return v;
}

}  // namespace

TEST(PrintedTest, FramesAsTheExaminerShowsThemAndAnswersOnlyWhenAsked) {
  tables::Vop matching = choice(4, {"Москва", "Париж", "Рим", "Берлин"}, {3, 1, 4, 2});
  for (int i = 0; i < 4; ++i) matching.VAROT2[static_cast<std::size_t>(i)] = u(std::vector<std::string>{"Италия", "Россия", "Германия", "Франция"}[static_cast<std::size_t>(i)]);
  tables::Vop completion;
  completion.TYPEKADR = 5;
  completion.VOPROS = u("Программа — это ___");
  completion.VAROT15 = u("алгоритм");
  completion.VAROT2[4] = u("план, порядок");
  tables::Vop bounds;
  bounds.TYPEKADR = 7;
  bounds.TYPEETOT = 2;
  bounds.VAROT15 = u("2.5");
  bounds.VAROT2[4] = u("3.5");
  tables::Vop exact;
  exact.TYPEKADR = 6;
  exact.TRUEOTSTR = u("H2O");

  struct Case {
    const char* what;
    tables::Vop v;
    std::vector<std::string> variants, rows;
    std::string answer;  // with "Печатать эталонные ответы"
  };
  const std::vector<Case> cases = {
      {"single choice, variant 2", choice(3, {"один", "два", "три"}, {2}), {"а) один", "б) два", "в) три"}, {}, "Эталонный ответ: 2."},
      {"multiple choice", choice(1, {"x", "y", "z", "w"}, {1, 0, 1}), {"а) x", "б) y", "в) z", "г) w"}, {}, "Эталонный ответ: 1,3."},
      {"ranking", choice(2, {"x", "y", "z"}, {2, 3, 1}), {"а) x", "б) y", "в) z"}, {}, "Эталонный ответ: 2,3,1."},
      {"matching: rows lettered, items numbered, four pairs", matching,
       {"1. Москва", "2. Париж", "3. Рим", "4. Берлин"}, {"а) Италия", "б) Россия", "в) Германия", "г) Франция"},
       "Эталонный ответ: а3,б1,в4,г2."},
      {"completion: its keywords are the answer", completion, {}, {}, "Эталонный ответ: алгоритм (синонимы: план, порядок)"},
      {"completion with bounds", bounds, {}, {}, "Эталонный ответ: от 2.5 до 3.5"},
      {"exact answer", exact, {}, {}, "Эталонный ответ: H2O"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PrintOptions with;
    with.answers = true;
    const PrintedFrame f = printedFrame(c.v, with);
    EXPECT_EQ(f.variants, c.variants);
    EXPECT_EQ(f.rows, c.rows);
    EXPECT_EQ(f.answer, c.answer);
    // Without the option no answer shows in any form: no line, and the
    // completion slots are not among the variants either.
    const PrintedFrame plain = printedFrame(c.v, PrintOptions{});
    EXPECT_EQ(plain.answer, "");
    EXPECT_EQ(plain.variants, c.variants);
    for (const auto& line : plain.variants) EXPECT_EQ(line.find("алгоритм"), std::string::npos);
  }
  EXPECT_EQ(printedFrame(choice(3, {"один", "два", "три"}, {2}), PrintOptions{}).question, "Что верно?");
}

TEST(PrintedTest, PicturesOnRequestAndTheTitlePart) {
  tables::Vop v = choice(3, {"да", "нет"}, {1});
  v.BLOBVOP.bytes = {0x89, 'P', 'N', 'G'};
  EXPECT_TRUE(printedFrame(v, PrintOptions{}).picture.empty());
  PrintOptions pics;
  pics.pictures = true;
  EXPECT_EQ(printedFrame(v, pics).picture, v.BLOBVOP.bytes);

  tables::Tema tema;
  tema.NAMEKURS = u("2 курс");
  tema.TIMETEST = 25;
  tema.SHCALA = {51, 60, 75, 90};
  tables::Titul titul;
  titul.KOLVOP = "12";
  titul.MAXBALL = 30;
  titul.VERSION = 3;
  const PrintedTitle t = printedTitle(tema, titul);
  ASSERT_EQ(t.data.size(), 9u);
  EXPECT_EQ(t.data[0].label, "Курс:");
  EXPECT_EQ(t.data[0].value, "2 курс");
  EXPECT_EQ(t.data[4].value, "25");
  EXPECT_EQ(t.data[5].value, "12");
  EXPECT_EQ(t.data[6].value, "30");
  ASSERT_EQ(t.scale.size(), 4u);
  EXPECT_EQ(t.scale[0].value, "0 - 60");
  EXPECT_EQ(t.scale[1].value, "60 - 75");
  EXPECT_EQ(t.scale[2].value, "75 - 90");
  EXPECT_EQ(t.scale[3].value, "90 - 100");
  EXPECT_EQ(t.history[2].value, "3");
}

TEST(PrintedTest, FramesReadInCodeOrderUntilStoppedAndThePrintDateWrittenOnlyWhenAsked) {
  Base a;
  testfile::TestFile tf;
  a.make(tf, "Тест");
  addFrames(tf, 4, "Кадр");
  std::vector<std::pair<int, int>> seenPlaces;
  Outcome o = readPrintedFrames(tf, PrintOptions{}, [&](const PrintedFrame& f, int place, int total) {
    EXPECT_EQ(f.code, place);
    seenPlaces.emplace_back(place, total);
    return true;
  });
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(seenPlaces, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));

  // Stopped after the second frame (the progress window's "О&тменить").
  int read = 0;
  o = readPrintedFrames(tf, PrintOptions{}, [&](const PrintedFrame&, int, int) { return ++read < 2; });
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_EQ(read, 2);
  testfile::TestFile again;
  again.name(a.path, "Тест", kKey);
  ASSERT_EQ(again.open(), store::Ok);
  EXPECT_EQ(again.titul.PRINTD, 0) << "reading alone never marks the test printed";

  ASSERT_TRUE(markPrinted(tf, 81234, 360000));
  again.close();
  ASSERT_EQ(again.open(), store::Ok);
  EXPECT_EQ(again.titul.PRINTD, 81234);
  EXPECT_EQ(again.titul.PRINTT, 360000);
  EXPECT_EQ(again.titul.VERSION, tf.titul.VERSION) << "the rest of the title stays";
}

// ----------------------------------------------------------------- synopsis

TEST(Synopsis, HelpRecordsAddedByTypedCodeWholeAndRefusedTwice) {
  Base a;
  testfile::TestFile tf;
  a.make(tf, "Тест");
  addFrames(tf, 2, "Кадр");
  std::uint16_t code = 0;
  ASSERT_TRUE(newFrame(tf, tables::VopParam{}, "Stnd", code));
  ASSERT_EQ(tf.findHelp(code), store::NoRecord) << "a frame without material has no record";

  // 5000 characters of code page 1251, ending in a letter (trailing blanks are not kept).
  std::string stored;
  while (stored.size() < 5000) stored += u("Закон Ома: I = U / R. ");
  stored.resize(4999);
  stored += u("ж");
  const std::string text = cp1251::toUtf8(stored);
  tables::Training h;
  h.CODEVOP = code;
  h.HELPVOP = stored;
  Outcome o = addFrameHelp(tf, h);
  ASSERT_TRUE(o) << o.message;
  ASSERT_EQ(tf.findHelp(code), store::Ok);
  EXPECT_EQ(cp1251::toUtf8(tf.training.HELPVOP.text), text) << "all 5000 characters stored";
  EXPECT_EQ(tf.training.CODE, code);

  tables::Training twice;
  twice.CODEVOP = 1;
  twice.HELPVOP = u("ещё одна");
  o = addFrameHelp(tf, twice);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find("TRA:KeyCode"), std::string::npos) << o.message;
  ASSERT_EQ(tf.findHelp(1), store::Ok);
  EXPECT_EQ(cp1251::toUtf8(tf.training.HELPVOP.text), "Справка Кадр 1");

  tables::Training none;
  none.CODEVOP = 40;
  none.HELPVOP = u("к несуществующему");
  EXPECT_EQ(addFrameHelp(tf, none).error, Outcome::Refused);

  ASSERT_TRUE(deleteFrameHelp(tf, 1));
  EXPECT_EQ(tf.findHelp(1), store::NoRecord);
  EXPECT_EQ(tf.findHelp(2), store::Ok);
}

TEST(Synopsis, ACodeNoFrameHasIsRefusedBeforeTheCodesCloseUp) {
  Base a;
  testfile::TestFile tf;
  a.make(tf, "Тест");
  addFrames(tf, 2, "Кадр");
  // An older file keeps the codes 1 and 3: frame 3 becomes 2 when the codes close up.
  tf.vop.CODEVOP = 2;
  ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
  tf.vop.CODEVOP = 3;
  ASSERT_EQ(tf.vopT.put(), store::Ok);
  ASSERT_EQ(tf.findHelp(2), store::Ok);
  tf.training.CODE = tf.training.CODEVOP = 3;
  ASSERT_EQ(tf.trainingT.put(), store::Ok);

  tables::Training typed;
  typed.CODEVOP = 2;
  typed.HELPVOP = u("новая к кадру 2");
  EXPECT_EQ(addFrameHelp(tf, typed).error, Outcome::Refused);
  // Whatever code the frame has now, its own help is kept.
  bool kept = false;
  for (std::uint16_t c : {2, 3})
    if (tf.findHelp(c) == store::Ok) kept = kept || cp1251::toUtf8(tf.training.HELPVOP.text) == "Справка Кадр 2";
  EXPECT_TRUE(kept);
  for (std::uint16_t c : {2, 3})
    if (tf.findHelp(c) == store::Ok) EXPECT_NE(cp1251::toUtf8(tf.training.HELPVOP.text), "новая к кадру 2");
}

TEST(Transfer, ATargetWithGapsInItsCodesIsRenumberedFirstSoNoCopyIsLost) {
  Base a, b;
  testfile::TestFile src, dst;
  a.make(src, "Источник");
  b.make(dst, "Приёмник");
  addFrames(src, 2, "Исходный");
  addFrames(dst, 3, "Свой");
  // An older file keeps the codes 1, 2, 5: counting on from the number of
  // frames, the second copy would meet frame 5.
  dst.vop.CODEVOP = 3;
  ASSERT_EQ(dst.vopT.get(dst.vopT.key("KEYCODEVOP")), store::Ok);
  dst.vop.CODEVOP = 5;
  ASSERT_EQ(dst.vopT.put(), store::Ok);
  ASSERT_EQ(dst.findHelp(3), store::Ok);
  dst.training.CODE = dst.training.CODEVOP = 5;
  ASSERT_EQ(dst.trainingT.put(), store::Ok);

  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(src, {1, 2}, dst, true, got);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(got, (std::vector<std::uint16_t>{4, 5}));
  EXPECT_EQ(contents(dst), (std::vector<Seen>{seen(1, "Свой", 1), seen(2, "Свой", 2), seen(3, "Свой", 3), seen(4, "Исходный", 1),
                                             seen(5, "Исходный", 2)}));
  EXPECT_TRUE(contents(src).empty());
}
