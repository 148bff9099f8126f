// Test files, result files and the companion files of separate objects.
#include <gtest/gtest.h>

#include <fstream>

#include "cp1251.h"
#include "result_file.h"
#include "test_file.h"
#include "test_tables.h"

using namespace store;
using testing_tables::TempDir;

namespace {

std::string u(const char* s) { return cp1251::fromUtf8(s); }

TEST(TestFile, CreateOpenListFramesAndHelp) {
  TempDir dir;
  std::string lib = dir.path() + "/";  // the library directory keeps its trailing separator
  testfile::TestFile tf;
  tf.name(lib, "Арифметика", "ключ");
  testfile::NewTest nt;
  nt.code = 12;
  nt.password = "123";
  nt.organisation = u("Университет");
  ASSERT_EQ(tf.create(nt), Ok) << tf.error().text();
  EXPECT_TRUE(std::filesystem::exists(dir / "Арифметика.orm"));

  ASSERT_EQ(tf.open(), Ok) << tf.error().text();
  EXPECT_EQ(tf.tema.CODETEMA, 12);
  EXPECT_EQ(tf.tema.NAME.utf8(), "Арифметика");  // a new test is named after its file
  EXPECT_EQ(tf.tema.SHCALA, (std::array<std::uint8_t, 10>{51, 70, 81, 91, 95, 0, 0, 0, 0, 0}));
  EXPECT_EQ(tf.tema.TIMETEST, 20);
  EXPECT_EQ(tf.tema.HOWEND, 3);
  EXPECT_EQ(tf.tema.PASSW, "123");
  EXPECT_EQ(tf.titul.NAMEORG.utf8(), "Университет");
  EXPECT_EQ(tf.titul.VERSION, 1);
  EXPECT_GT(tf.titul.CREATED, 0);

  for (int code : {3, 1, 2}) {
    tf.vop = tables::Vop{};
    tf.vop.CODEVOP = static_cast<std::uint16_t>(code);
    tf.vop.TYPEKADR = 3;
    tf.vop.VOPROS = u("Сколько будет 2+2?");
    tf.vop.varot1(2) = "4";
    ASSERT_EQ(tf.vopT.add(), Ok);
  }
  tf.training.CODE = 1;
  tf.training.CODEVOP = 2;
  tf.training.HELPVOP = u("Сложите числа.");
  ASSERT_EQ(tf.trainingT.add(), Ok);

  std::vector<tables::Vop> frames;
  ASSERT_EQ(tf.frames(frames), Ok);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].CODEVOP, 1);
  EXPECT_EQ(frames[2].CODEVOP, 3);
  EXPECT_EQ(frames[1].VAROT12, "4");
  EXPECT_EQ(tf.findHelp(2), Ok);
  EXPECT_EQ(tf.training.HELPVOP.utf8(), "Сложите числа.");
  EXPECT_EQ(tf.findHelp(3), NoRecord);  // a frame without help
  tf.close();

  // Under another key word nothing is read.
  testfile::TestFile other;
  other.name(lib, "Арифметика", "другой");
  other.tema.NAME = "untouched";
  EXPECT_EQ(other.open(), NotDataFile);
  EXPECT_FALSE(other.isOpen());
  EXPECT_EQ(other.tema.NAME, "untouched");

  EXPECT_EQ(testfile::removeTest(tf.path()), Ok);
  EXPECT_FALSE(std::filesystem::exists(dir / "Арифметика.orm"));
}

TEST(ResultFiles, CreatedFromTheTemplateOrEmptyAndListed) {
  TempDir dir;
  std::string base = dir.path() + "/";
  EXPECT_EQ(results::path(base, ""), base + "Stat/.rez");

  // Without a template the file is created empty.
  results::ResultFile rf;
  ASSERT_EQ(rf.open(base, "Общий"), Ok) << rf.error().text();
  rf.rez.CODEREZ = 1;
  rf.rez.FIO = u("Иванов Иван Иванович");
  rf.dtl.HOWOT = "001100000000~";
  ASSERT_EQ(rf.add(true), Ok) << rf.error().text();
  rf.rez.CODEREZ = 2;
  ASSERT_EQ(rf.add(false), Ok);
  EXPECT_EQ(rf.rezT.records(), 2);
  EXPECT_EQ(rf.dtlT.records(), 1);
  rf.rez.CODEREZ = 1;  // taken: neither record is stored
  EXPECT_EQ(rf.add(true), DuplicateKey);
  EXPECT_EQ(rf.dtlT.records(), 1);
  rf.close();

  // With a template, a new file is its copy (a record left in the template shows it).
  ASSERT_EQ(results::createTemplate(base), Ok);
  {
    tables::RezTest r;
    Table t(tables::rezTestDef(), r, results::templatePath(base) + "\\!RezTest");
    ASSERT_EQ(t.open(), Ok);
    r.CODEREZ = 77;
    ASSERT_EQ(t.add(), Ok);
  }
  ASSERT_EQ(results::create(base, "Группа 101"), Ok);
  ASSERT_EQ(rf.open(base, "Группа 101"), Ok);
  EXPECT_EQ(rf.rezT.records(), 1);
  rf.close();
  ASSERT_EQ(rf.open(base, ""), Ok);  // the empty name
  rf.close();

  ASSERT_EQ(results::create(base, "Сессия 2026.1"), Ok);
  { std::ofstream(dir / "Stat/notes.txt") << "x"; }
  auto listed = results::list(base);
  std::vector<std::string> names;
  for (const auto& l : listed) {
    names.push_back(l.name);
    EXPECT_GT(l.date, 0);
    EXPECT_GE(l.sizeK, 1);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"", "Группа 101", "Общий", "Сессия 2026.1"}));
}

TEST(CompanionFile, PartsByFrameCode) {
  TempDir dir;
  std::string test = dir / "Информатика.orm";
  EXPECT_EQ(results::embPath(test), dir / "Информатика.emb");
  std::string p12 = results::embPart(test, 12), p5 = results::embPart(test, 5);
  EXPECT_EQ(p12, dir / "Информатика.emb\\!12");
  std::string file;
  std::uint16_t code = 0;
  ASSERT_TRUE(results::parseEmbPart(p12, file, code));
  EXPECT_EQ(code, 12);
  EXPECT_FALSE(results::parseEmbPart(dir / "x.emb\\!abc", file, code));
  EXPECT_FALSE(results::parseEmbPart(dir / "x.emb", file, code));

  tables::Emb e;
  EXPECT_EQ(results::readEmb(p12, e), FileNotFound);
  ASSERT_EQ(results::writeEmb(p12, {1, 2, 3}, "doc.txt", "txt"), Ok);
  ASSERT_EQ(results::writeEmb(p5, {9}, "pic.png", "png"), Ok);
  ASSERT_EQ(results::writeEmb(p12, {4, 5}, "doc2.txt", "txt"), Ok);  // replaced, not added
  ASSERT_EQ(results::readEmb(p12, e), Ok);
  EXPECT_EQ(e.DATA.bytes, (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(e.FILENAME, "doc2.txt");
  ASSERT_EQ(results::removeEmb(p12), Ok);
  EXPECT_EQ(results::readEmb(p12, e), NoRecord);
  ASSERT_EQ(results::readEmb(p5, e), Ok);
  EXPECT_EQ(e.TYPE, "png");
}

}  // namespace
