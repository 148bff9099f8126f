#include "test_location.h"

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "test_file.h"

namespace administrator {
namespace {

std::string withSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

std::string text(std::string_view cp) { return cp1251::toUtf8(cp1251::clip(cp)); }

bool onDisk(const std::string& path) { return filepath::exists(filepath::resolve(path)); }

TestFound at(const std::string& dir, const std::string& base) {
  TestFound f;
  f.found = true;
  f.dir = withSlash(dir);
  f.base = base;
  f.path = f.dir + base + ".orm";
  return f;
}

// A name read from a record that would lead out of its folder is not followed.
bool usable(const std::string& base) { return !base.empty() && setup::safeFileName(base); }

// The library directory of a register code (PBD:DIRBD), or "".
std::string libraryOf(const setup::Installation& inst, std::int32_t codeBd) {
  tables::PathFile p;
  store::Table t(tables::pathFileDef(), p, inst.central(tables::files::PathFile));
  if (t.open(store::Shared) != store::Ok) return {};
  p.CODEBD = codeBd;
  if (t.get(t.key("KEYCODE")) != store::Ok) return {};
  return text(p.DIRBD.view());
}

}  // namespace

TestFound locateResultTest(const tables::RezTest& r, const setup::Installation& inst) {
  const std::string library = withSlash(text(r.BIBLTEST.view()));
  const std::string title = text(r.NAMETEMA.view());
  TestFound missing;
  missing.tried = library + title + ".orm";
  missing.error.code = store::FileNotFound;
  missing.error.file = missing.tried;

  // 1. A test whose title is its file name.
  if (usable(title) && onDisk(library + title + ".orm")) return at(library, title);

  // 2. The register's record of the test's code, in its library (or, when
  // that library is gone, in the result's).
  {
    tables::DataTest d;
    store::Table t(tables::dataTestDef(), d, inst.central(tables::files::DataTest));
    if (t.open(store::Shared) == store::Ok) {
      d.CODETEST = r.CODETEMA;
      if (t.get(t.key("KEYCODE")) == store::Ok) {
        const std::string base = text(d.NAME.view());
        const std::string dir = withSlash(libraryOf(inst, d.CODEBD));
        if (usable(base)) {
          if (!dir.empty() && onDisk(dir + base + ".orm")) return at(dir, base);
          if (onDisk(library + base + ".orm")) return at(library, base);
        }
      }
    }
  }

  // 3. The test of the result's library whose scenario carries the code.
  if (!library.empty()) {
    for (const auto& e : fileops::list(filepath::resolve(library), "*.orm")) {
      if (e.directory) continue;
      const std::string base = e.name.substr(0, e.name.size() - 4);
      testfile::TestFile tf;
      tf.name(library, base, inst.keyWord);
      if (tf.open(store::Shared) != store::Ok) continue;
      const bool same = tf.tema.CODETEMA == r.CODETEMA;
      tf.close();
      if (same) return at(library, base);
    }
  }
  return missing;
}

std::optional<common::TestTiming> testTimingOf(const tables::RezTest& r, const setup::Installation& inst) {
  const TestFound where = locateResultTest(r, inst);
  if (!where.found) return std::nullopt;
  testfile::TestFile tf;
  tf.name(where.dir, where.base, inst.keyWord);
  if (tf.open(store::Shared) != store::Ok) return std::nullopt;
  common::TestTiming t;
  t.tema = tf.tema;
  if (t.tema.HOWTIMETEST == 1 && tf.vopT.set() == store::Ok)
    while (tf.vopT.next() == store::Ok) t.frames.push_back(tf.vop);
  tf.close();
  return t;
}

messages::Message testNotFoundMessage(const TestFound& f) {
  messages::Args a = messages::argsOf(f.error);
  a.name = f.tried;
  return messages::standard(35, a);
}

}  // namespace administrator
