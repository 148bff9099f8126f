#include "test_file.h"

#include "cp1251.h"
#include "datetime.h"
#include "filepath.h"

namespace tables {

std::string testTableName(const std::string& libraryDir, const std::string& baseName, const char* table) {
  return libraryDir + baseName + ".orm\\!" + table;
}

}  // namespace tables

namespace testfile {

void primeTema(tables::Tema& m, const NewTest& t) {
  m = tables::Tema{};
  m.CODETEMA = t.code;
  m.TYPEOZENKA = 1;
  m.POVTORTEST = 1;
  m.SHOWFALSEOT = 0;
  m.HOWTIMETEST = 1;
  m.NAME = t.name;
  m.MODECONTROLZN = 1;
  m.MODEOZENKA = 1;
  m.SHCALA = {51, 70, 81, 91, 95, 0, 0, 0, 0, 0};
  m.TIMETEST = 20;
  m.HOWTRN = 1;
  m.HOWEND = 3;
  m.IFPROSTIME = 1;
  m.SHOWTF_OT = 1;
  m.YESCALC = 1;
  m.PASSW = t.password;
}

void primeTitul(tables::Titul& s, const NewTest& t) {
  s = tables::Titul{};
  s.CODETIT = 1;
  s.NAMEORG = t.organisation;
  s.NAME = t.name;
  s.CREATED = datetime::today();
  s.CREATET = datetime::now();
  s.VERSION = 1;
  s.KOLVOP = "0";
}

TestFile::TestFile()
    : temaT(tables::temaDef(), tema),
      titulT(tables::titulDef(), titul),
      razdelT(tables::razdelDef(), razdel),
      vopT(tables::vopDef(), vop),
      trainingT(tables::trainingDef(), training) {}

std::vector<store::Table*> TestFile::all() { return {&temaT, &titulT, &razdelT, &vopT, &trainingT}; }

void TestFile::name(const std::string& dir, const std::string& base, std::string_view keyWord) {
  path_ = dir + base + ".orm";
  temaT.setName(tables::testTableName(dir, base, "Tema"));
  titulT.setName(tables::testTableName(dir, base, "Titul"));
  razdelT.setName(tables::testTableName(dir, base, "Razdel"));
  vopT.setName(tables::testTableName(dir, base, "Vop"));
  trainingT.setName(tables::testTableName(dir, base, "Training"));
  std::string key = cp1251::pad(keyWord, 20);
  for (auto* t : all()) t->setPassword(key);
}

int TestFile::failWith(const store::Table& t) {
  error_ = t.error();
  return error_.code;
}

int TestFile::create(const NewTest& t) {
  error_ = {};
  for (auto* table : all())
    if (table->create() != store::Ok) return failWith(*table);
  NewTest named = t;
  if (cp1251::clip(named.name).empty()) named.name = cp1251::fromUtf8(filepath::fileNameOf(path_.substr(0, path_.size() - 4)));
  for (auto* table : {&temaT, &titulT}) {
    if (table->open() != store::Ok) {
      failWith(*table);
      close();
      return error_.code;
    }
  }
  primeTema(tema, named);
  primeTitul(titul, named);
  int rc = temaT.add() != store::Ok ? failWith(temaT) : (titulT.add() != store::Ok ? failWith(titulT) : store::Ok);
  close();
  return rc;
}

int TestFile::open(int mode) {
  error_ = {};
  for (auto* t : all()) {
    if (t->isOpen()) continue;
    if (t->open(mode) != store::Ok) {
      failWith(*t);
      close();
      return error_.code;
    }
  }
  for (auto* t : {&temaT, &titulT}) {
    if (t->set() != store::Ok || t->next() != store::Ok) {
      failWith(*t);
      close();
      return error_.code;
    }
  }
  return store::Ok;
}

void TestFile::close() {
  for (auto* t : all())
    if (t->isOpen()) t->close();
}

int TestFile::frames(std::vector<tables::Vop>& out) {
  out.clear();
  if (vopT.set(vopT.key("KEYCODEVOP")) != store::Ok) return failWith(vopT);
  int rc;
  while ((rc = vopT.next()) == store::Ok) out.push_back(vop);
  if (rc != store::NoRecord) return failWith(vopT);
  return store::Ok;
}

int TestFile::findHelp(std::uint16_t codeVop) {
  training.CODEVOP = codeVop;
  if (trainingT.get(trainingT.key("KEYCODEVOP")) != store::Ok) return failWith(trainingT);
  return store::Ok;
}

int removeTest(const std::string& path) {
  int rc = store::removeFile(path);
  // The objects go only with the test: a test still open keeps both.
  if (rc != store::Ok) return rc;
  std::string emb = path;
  auto dot = emb.rfind('.');
  if (dot != std::string::npos && emb.find('/', dot) == std::string::npos) {
    emb = emb.substr(0, dot) + ".emb";
    store::removeFile(emb);
  }
  return rc;
}

}  // namespace testfile
