// The demo installation opens without error and its tests read back whole.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "cp1251.h"
#include "demo_data.h"
#include "result_file.h"
#include "tables_central.h"
#include "test_file.h"
#include "test_tables.h"

using namespace store;
using testing_tables::TempDir;

namespace {

template <class R>
std::int64_t countRecords(const TableDef& def, const std::string& name) {
  R rec;
  Table t(def, rec, name);
  EXPECT_EQ(t.open(), Ok) << name << ": " << t.error().text();
  return t.records();
}

TEST(DemoInstallation, EveryTableOpensAndTheTestsReadBackWhole) {
  TempDir tmp;
  demo::Installation inst;
  ASSERT_EQ(demo::make(tmp / "demo", inst), "");
  const std::string& base = inst.directory;

  std::ifstream ini(base + "Varnuke.ini");
  std::stringstream text;
  text << ini.rdbuf();
  EXPECT_NE(text.str().find("ModeNet=1"), std::string::npos);
  EXPECT_NE(text.str().find("CentBD=" + base + "\n"), std::string::npos);
  EXPECT_NE(text.str().find("FileRez=Общий"), std::string::npos);

  using namespace tables;
  EXPECT_EQ((countRecords<GlbTune>(glbTuneDef(), base + files::GlbTune)), 1);
  EXPECT_EQ((countRecords<TuneTest>(tuneTestDef(), base + files::TuneTest)), 1);
  EXPECT_EQ((countRecords<Student>(studentDef(), base + files::Student)), 30);
  EXPECT_EQ((countRecords<Group>(groupDef(), base + files::Group)), 3);
  EXPECT_EQ((countRecords<Faket>(faketDef(), base + files::Faket)), 2);
  EXPECT_EQ((countRecords<Otdel>(otdelDef(), base + files::Otdel)), 3);
  EXPECT_EQ((countRecords<Kurs>(kursDef(), base + files::Kurs)), 3);
  EXPECT_EQ((countRecords<Predmet>(predmetDef(), base + files::Predmet)), 3);
  EXPECT_EQ((countRecords<Writer>(writerDef(), base + files::Writer)), 2);
  EXPECT_EQ((countRecords<Labr>(labrDef(), base + files::Labr)), 1);
  EXPECT_EQ((countRecords<Ws>(wsDef(), base + files::Ws)), 6);
  EXPECT_EQ((countRecords<PathFile>(pathFileDef(), base + files::PathFile)), 1);
  EXPECT_EQ((countRecords<DataTest>(dataTestDef(), base + files::DataTest)), 3);
  EXPECT_EQ((countRecords<AllRez>(allRezDef(), base + files::AllRez)), 1);
  EXPECT_EQ((countRecords<Vedom>(vedomDef(), base + files::Vedom)), 6);
  EXPECT_EQ((countRecords<MonCons>(monConsDef(), base + files::MonCons)), 0);
  EXPECT_EQ((countRecords<BrwZag>(brwZagDef(), base + files::BrwZag)), 4);  // the settings' two headers among them
  EXPECT_EQ((countRecords<ZagExzVed>(zagExzVedDef(), base + files::ZagExzVed)), 1);
  EXPECT_EQ((countRecords<AutoStar>(autoStarDef(), base + files::AutoStar)), 1);
  EXPECT_EQ((countRecords<SelVar>(selVarDef(), base + files::SelVar)), 1);

  // Students have their identification numbers.
  {
    Student s;
    Table t(studentDef(), s, base + files::Student);
    ASSERT_EQ(t.open(), Ok);
    ASSERT_EQ(t.set(), Ok);
    std::set<std::string> ids;
    while (t.next() == Ok) {
      EXPECT_FALSE(s.NUMID.blank());
      EXPECT_FALSE(s.FAM.blank());
      ids.insert(s.NUMID.str());
    }
    EXPECT_EQ(ids.size(), 30u);
  }

  // The journal and its template.
  results::ResultFile rf;
  ASSERT_EQ(rf.open(base, inst.resultFile), Ok) << rf.error().text();
  EXPECT_EQ(rf.rezT.records(), 6);
  EXPECT_EQ(rf.dtlT.records(), 6);
  rf.close();
  EXPECT_EQ((countRecords<RezTest>(rezTestDef(), results::templatePath(base) + "\\!RezTest")), 0);  // both tables, empty
  EXPECT_EQ((countRecords<RezDtl>(rezDtlDef(), results::templatePath(base) + "\\!RezDtl")), 0);

  // The tests: every frame kind, sections, levels, two variants, help, a picture and objects.
  std::set<int> kinds;
  std::set<int> variants;
  int pictures = 0, objects = 0, helps = 0, sections = 0;
  std::string key(inst.keyWord);
  for (const auto& name : inst.tests) {
    testfile::TestFile tf;
    tf.name(inst.library, name, cp1251::fromUtf8(key));
    ASSERT_EQ(tf.open(), Ok) << name << ": " << tf.error().text();
    EXPECT_FALSE(tf.tema.NAME.blank());
    EXPECT_FALSE(tf.titul.INS.text.empty());
    std::vector<Vop> frames;
    ASSERT_EQ(tf.frames(frames), Ok);
    EXPECT_EQ(std::to_string(frames.size()), tf.titul.KOLVOP.str());
    sections += static_cast<int>(tf.razdelT.records());
    for (const auto& v : frames) {
      kinds.insert(v.TYPEKADR);
      variants.insert(v.VARTEST);
      EXPECT_FALSE(v.VOPROS.text.empty());
      if (v.YESIMAGE) {
        ++pictures;
        EXPECT_GT(v.BLOBVOP.size(), 54u);
      }
      if (v.OBJECTSAVE == "B") {
        ++objects;
        EXPECT_FALSE(v.OLEBLOB.empty());
      }
      if (v.OBJECTSAVE == "F") {
        ++objects;
        tables::Emb e;
        EXPECT_EQ(results::readEmb(results::resolveEmbPart(v.OBJECTDOC.str(), inst.library), e), Ok) << v.OBJECTDOC.str();
        EXPECT_FALSE(e.DATA.empty());
      }
      if (tf.findHelp(v.CODEVOP) == Ok) ++helps;
      if (v.TYPEKADR == 5 || v.TYPEKADR == 7) {
        EXPECT_GE(v.KOLOT, 1);
        EXPECT_FALSE(v.VAROT15.blank());  // the first slot's keyword
      }
    }
  }
  EXPECT_EQ(kinds, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_TRUE(variants.count(1) && variants.count(2));
  EXPECT_GE(pictures, 1);
  EXPECT_GE(objects, 2);
  EXPECT_GE(helps, 10);
  EXPECT_EQ(sections, 4);

  // Another key word opens none of them.
  testfile::TestFile wrong;
  wrong.name(inst.library, inst.tests[0], "other");
  EXPECT_EQ(wrong.open(), NotDataFile);
}

}  // namespace
