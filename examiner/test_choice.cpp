#include "test_choice.h"

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "installation.h"

namespace examiner {

std::vector<Library> libraries(store::Table& t, tables::PathFile& rec) {
  std::vector<Library> out;
  if (t.set(t.key("KEYCODEBD")) != store::Ok) return out;
  while (t.next() == store::Ok) out.push_back({rec.CODEBD, rec.DIRBD.utf8(), rec.NAMEBD.utf8()});
  return out;
}

std::vector<TestEntry> testsIn(const std::string& dir) {
  std::vector<TestEntry> out;
  std::string d = dir;
  if (d.size() > 1 && d.back() == '/') d.pop_back();
  for (const auto& e : fileops::list(filepath::resolve(d), "*.orm")) {
    if (e.directory) continue;
    out.push_back({e.name.substr(0, e.name.size() - 4), e.date});
  }
  return out;
}

std::string journalForTest(const tables::Tema& tema, std::string* why) {
  std::string name = tema.FAK.blank() ? tema.NAMEPRD.utf8() : tema.FAK.utf8();
  if (!setup::safeFileName(name, why)) return {};
  return name;
}

int raiseRunCount(testfile::TestFile& tf) {
  store::Transaction tx{&tf.titulT};
  if (int rc = tx.begin()) return rc;
  if (int rc = tf.titulT.set()) return rc;
  if (int rc = tf.titulT.next()) return rc;
  ++tf.titul.KOLRUN;
  if (int rc = tf.titulT.put()) return rc;
  return tx.commit();
}

TestLocation locateTest(const std::string& selTest, const std::string& libraryDir) {
  TestLocation l;
  auto slash = selTest.rfind('/');
  if (slash == std::string::npos) {
    l.dir = libraryDir;
    l.base = selTest;
  } else {
    l.dir = selTest.substr(0, slash + 1);
    l.base = selTest.substr(slash + 1);
  }
  if (l.base.size() > 4 && cp1251::upper(l.base.substr(l.base.size() - 4)) == ".ORM") l.base.resize(l.base.size() - 4);
  return l;
}

}  // namespace examiner
