// Documents inside frames: where each storage keeps them, that they travel
// with the test and with copied frames, the kinds made empty, linked names,
// and an object frame checked as any other.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "answer_checking.h"
#include "cp1251.h"
#include "frame_object.h"
#include "frame_objects.h"
#include "frame_operations.h"
#include "result_file.h"
#include "test_register.h"
#include "test_tables.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }
std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }
const std::string kKey = "ключ-теста";

struct Library {
  TempDir dir;
  std::string path = dir.path() + "/";
  TestRegister reg{dir / "DataTest.tps"};
  void make(const std::string& name) {
    std::uint16_t code = 0;
    NewTestRequest r;
    r.baseDir = path;
    r.name = name;
    r.keyWord = u(kKey);
    ASSERT_TRUE(reg.create(r, code));
  }
  void open(testfile::TestFile& tf, const std::string& name) {
    tf.name(path, name, u(kKey));
    ASSERT_EQ(tf.open(), store::Ok) << tf.error().text();
  }
};

// A single-choice frame (variant 2 right) with the document `c` puts in.
void frameWith(testfile::TestFile& tf, const ObjectChoice& c, const std::string& name, const std::string& text,
               const std::string& typeEdit = "Stnd") {
  std::uint16_t code = 0;
  ASSERT_TRUE(newFrame(tf, tables::VopParam{}, typeEdit, code));
  tables::Vop v;
  v.CODEVOP = code;
  v.TYPEEDIT = typeEdit;
  v.TYPEKADR = 3;
  v.VOPROS = u("Вопрос " + std::to_string(code));
  v.VAROT11 = u("нет");
  v.VAROT12 = u("да");
  v.TRUEOT[0] = 2;
  v.KOLPOP = 1;
  Outcome o = putObject(tf, v, c, name, bytesOf(text));
  ASSERT_TRUE(o) << o.message;
  o = saveFrame(tf, v);
  ASSERT_TRUE(o) << o.message;
}

std::vector<tables::Vop> framesOf(testfile::TestFile& tf) {
  std::vector<tables::Vop> out;
  tf.frames(out);
  return out;
}

}  // namespace

TEST(FrameObjects, KeptInTheTestFileOrItsCompanionAndReadBackWithTheirNames) {
  Library lib;
  lib.make("Объекты");
  {
    testfile::TestFile tf;
    lib.open(tf, "Объекты");
    frameWith(tf, {'O', 'N', 'B', 'A'}, "Документ.rtf", "{\\rtf1 один}");
    EXPECT_FALSE(std::filesystem::exists(results::embPath(tf.path()))) << "a test with 'B' objects is its .orm alone";
    frameWith(tf, {'D', 'N', 'F', 'I'}, "схема.svg", "<svg>два</svg>");
    frameWith(tf, {'D', 'N', 'F', 'S'}, "таблица.fods", "три");
  }
  testfile::TestFile tf;
  lib.open(tf, "Объекты");
  const auto frames = framesOf(tf);
  ASSERT_EQ(frames.size(), 3u);
  struct Want {
    const char* save;
    const char* show;
    const char* name;
    const char* text;
  } want[] = {{"B", "A", "Документ.rtf", "{\\rtf1 один}"}, {"F", "I", "схема.svg", "<svg>два</svg>"}, {"F", "S", "таблица.fods", "три"}};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(frames[i].OBJECTSAVE, want[i].save);
    EXPECT_EQ(frames[i].OBJECTSHOW, want[i].show);
    const frameobject::Document d = frameobject::read(frames[i], lib.path);
    EXPECT_TRUE(d.missing.empty()) << d.missing;
    EXPECT_EQ(d.name, want[i].name);
    EXPECT_EQ(d.bytes, bytesOf(want[i].text));
  }
  EXPECT_TRUE(frames[0].OBJECTDOC.blank());
  // Two frames, two parts of one companion file, named by their codes.
  EXPECT_EQ(results::resolveEmbPart(std::string(frames[1].OBJECTDOC.view()), lib.path), results::embPart(tf.path(), 2));
  EXPECT_EQ(results::resolveEmbPart(std::string(frames[2].OBJECTDOC.view()), lib.path), results::embPart(tf.path(), 3));

  // A part that is gone is named, not a crash.
  ASSERT_EQ(results::removeEmb(results::embPart(tf.path(), 3)), store::Ok);
  EXPECT_NE(frameobject::read(frames[2], lib.path).missing.find(".emb"), std::string::npos);
}

TEST(FrameObjects, CopiedFramesTakeTheirDocumentsToAnotherBase) {
  Library from, to;
  from.make("Источник");
  to.make("Приёмник");
  testfile::TestFile src, dst;
  from.open(src, "Источник");
  to.open(dst, "Приёмник");
  frameWith(src, {'O', 'N', 'B', 'A'}, "a.rtf", "в записи");
  frameWith(src, {'D', 'N', 'F', 'A'}, "b.odt", "в файле объектов");
  std::vector<std::uint16_t> got;
  Outcome o = copyFrames(src, {1, 2}, dst, false, got);
  ASSERT_TRUE(o) << o.message;
  const auto frames = framesOf(dst);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frameobject::read(frames[0], to.path).bytes, bytesOf("в записи"));
  const frameobject::Document apart = frameobject::read(frames[1], to.path);
  EXPECT_EQ(apart.bytes, bytesOf("в файле объектов"));
  EXPECT_EQ(apart.name, "b.odt");

  // A linked document named from the source's directory is still found from the target's.
  std::filesystem::create_directories(from.path + "Материалы");
  std::ofstream(from.path + "Материалы/схема.odg") << "схема";
  std::uint16_t code = 0;
  ASSERT_TRUE(newFrame(src, tables::VopParam{}, "Stnd", code));
  tables::Vop v;
  v.CODEVOP = code;
  v.TYPEEDIT = "Stnd";
  v.TYPEKADR = 3;
  v.VOPROS = u("Вопрос со связью");
  v.VAROT11 = u("нет");
  v.VAROT12 = u("да");
  v.TRUEOT[0] = 2;
  v.KOLPOP = 1;
  ASSERT_TRUE(putObject(src, v, {'D', 'L', 'F', 'A'}, "схема.odg", {}, from.path + "Материалы/схема.odg"));
  ASSERT_TRUE(saveFrame(src, v));
  ASSERT_EQ(cp1251::toUtf8(std::string(v.OBJECTDOC.view())), "Материалы/схема.odg");
  o = copyFrames(src, {code}, dst, false, got);
  ASSERT_TRUE(o) << o.message;
  const auto linked = framesOf(dst).back();
  EXPECT_EQ(frameobject::read(linked, to.path).bytes, bytesOf("схема"));
  EXPECT_EQ(frameobject::read(framesOf(src).back(), from.path).bytes, bytesOf("схема")) << "the source keeps its own name";
}

TEST(FrameObjects, StoredNamesAreCutToTheirLastComponent) {
  const struct {
    const char* stored;
    const char* read;
  } cases[] = {{"../../x.odt", "x.odt"}, {"C:\\Документы\\план.odt", "план.odt"}, {"..", ""}, {"", ""}};
  for (const auto& c : cases) {
    std::string name;
    std::vector<std::uint8_t> bytes;
    frameobject::unpackBlob(frameobject::packBlob(c.stored, bytesOf("x")), name, bytes);
    EXPECT_EQ(name, c.read) << c.stored;
    EXPECT_EQ(bytes, bytesOf("x"));
  }
  // A blob of an older file, written without a name, is the document whole.
  std::string name;
  std::vector<std::uint8_t> bytes;
  frameobject::unpackBlob(bytesOf("PK\x03\x04 старый"), name, bytes);
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(bytes, bytesOf("PK\x03\x04 старый"));
}

TEST(FrameObjects, LinkedDocumentsAreNamedWithinTheFieldOrRefused) {
  Library lib;
  lib.make("Связи");
  testfile::TestFile tf;
  lib.open(tf, "Связи");
  std::filesystem::create_directories(lib.path + "Материалы");
  std::ofstream(lib.path + "Материалы/карта.odg") << "карта";
  tables::Vop v;
  v.CODEVOP = 1;
  Outcome o = putObject(tf, v, {'D', 'L', 'F', 'A'}, "карта.odg", {}, lib.path + "Материалы/карта.odg");
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(cp1251::toUtf8(std::string(v.OBJECTDOC.view())), "Материалы/карта.odg") << "relative to the library";
  EXPECT_EQ(frameobject::read(v, lib.path).bytes, bytesOf("карта"));
  std::filesystem::remove(lib.path + "Материалы/карта.odg");
  EXPECT_NE(frameobject::read(v, lib.path).missing.find("карта.odg"), std::string::npos);

  tables::Vop far;
  const std::string longPath = "/" + std::string(70, 'd') + "/doc.odt";
  EXPECT_FALSE(putObject(tf, far, {'D', 'L', 'F', 'A'}, "doc.odt", {}, longPath));
  EXPECT_TRUE(far.OBJECTTYPE.blank()) << "nothing set when refused";
}

TEST(FrameObjects, KindsMadeEmptyAreOpenFormatsAndTheOthersNeedAFile) {
  const auto& kinds = objectKindList();
  ASSERT_EQ(kinds.size(), 10u);
  const char* mimes[] = {"\\rtf1", "opendocument.text", "opendocument.spreadsheet", "opendocument.presentation", "BM", "MathML",
                         "<svg"};
  for (int i = 0; i < 10; ++i) {
    std::string name;
    std::vector<std::uint8_t> bytes;
    const bool made = emptyDocument(i, name, bytes);
    EXPECT_EQ(made, i < 7) << kinds[static_cast<std::size_t>(i)].identifier;
    if (!made) continue;
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find(mimes[i]), std::string::npos) << name;
  }
  EXPECT_STREQ(kinds[0].identifier, "WordPad.Document.1");
}

TEST(FrameObjects, AnObjectFrameIsCheckedLikeAStandardOne) {
  Library lib;
  lib.make("Объектный");
  testfile::TestFile tf;
  lib.open(tf, "Объектный");
  std::string name;
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(emptyDocument(0, name, bytes));
  frameWith(tf, {'O', 'N', 'B', 'A'}, name, std::string(bytes.begin(), bytes.end()), "Objk");
  const auto v = framesOf(tf).at(0);
  EXPECT_EQ(v.TYPEEDIT, "Objk");
  common::Response right, wrong;
  right.r[1] = 2;
  wrong.r[1] = 1;
  EXPECT_TRUE(common::check(v, right, false).correct);
  EXPECT_FALSE(common::check(v, wrong, false).correct);
}

TEST(FrameObjects, ThePartOfADocumentKeptApartIsWrittenOnlyWithItsFrameAndFollowsIt) {
  Library lib;
  lib.make("Части");
  testfile::TestFile tf;
  lib.open(tf, "Части");
  frameWith(tf, {'D', 'N', 'F', 'A'}, "первый.txt", "первый");
  frameWith(tf, {'D', 'N', 'F', 'A'}, "второй.txt", "второй");
  frameWith(tf, {'D', 'N', 'F', 'A'}, "третий.txt", "третий");
  auto partOf = [&](std::uint16_t code) {
    tables::Emb e;
    const int rc = results::readEmb(results::embPart(tf.path(), code), e);
    return rc == store::Ok ? std::string(e.DATA.bytes.begin(), e.DATA.bytes.end()) : std::string("(нет)");
  };

  // Another document chosen and then discarded: the stored one stays.
  tables::Vop v = framesOf(tf).at(0);
  ASSERT_TRUE(putObject(tf, v, {'D', 'N', 'F', 'A'}, "новый.txt", bytesOf("новый")));
  EXPECT_EQ(frameobject::read(v, lib.path).bytes, bytesOf("новый")) << "the editor shows the one chosen";
  EXPECT_EQ(partOf(1), "первый");

  // An older file with a gap (1, 3 after 2 went): the saved frame and its part take code 2 together.
  tf.vop.CODEVOP = 2;
  ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
  ASSERT_EQ(tf.vopT.del(), store::Ok);
  tables::Vop third = framesOf(tf).at(1);
  ASSERT_EQ(third.CODEVOP, 3);
  third.VOPROS = u("Третий, исправленный");
  ASSERT_TRUE(saveFrame(tf, third));
  EXPECT_EQ(third.CODEVOP, 2);
  const tables::Vop stored = framesOf(tf).at(1);
  EXPECT_EQ(frameobject::read(stored, lib.path).bytes, bytesOf("третий")) << cp1251::toUtf8(std::string(stored.OBJECTDOC.view()));

  // A frame whose document is removed (or moved into the record) leaves no part behind.
  tables::Vop first = framesOf(tf).at(0);
  clearObject(first);
  ASSERT_TRUE(saveFrame(tf, first));
  EXPECT_EQ(partOf(1), "(нет)");
  tables::Vop second = framesOf(tf).at(1);
  ASSERT_TRUE(changeObject(tf, second, 'B', 'I'));
  ASSERT_TRUE(saveFrame(tf, second));
  EXPECT_EQ(partOf(2), "(нет)");
  EXPECT_EQ(frameobject::read(framesOf(tf).at(1), lib.path).bytes, bytesOf("третий"));
}
