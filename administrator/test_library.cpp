#include "test_library.h"

#include <filesystem>
#include <system_error>

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "parameters.h"
#include "result_file.h"

namespace administrator {

namespace fs = std::filesystem;

namespace {

std::string utf8(std::string_view cp) { return cp1251::toUtf8(cp1251::clip(cp)); }

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// The plain files of `dir` that go by `fileName`, letter case aside.
std::vector<std::string> sameNamed(const std::string& dir, const std::string& fileName) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (it->is_regular_file(kind) && filepath::sameName(it->path().filename().string(), fileName))
      out.push_back(withSeparator(dir) + it->path().filename().string());
  }
  return out;
}

// What a replaced file is called while the new test comes in.
constexpr const char* kAside = ".replaced";

bool sameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

Outcome fileFailure(int err, const std::string& what) { return {err ? err : store::StoreSpecific, what + " (" + fileops::errorText(err) + ")."}; }

// The register records of the test in base `from` now name base `to`, all or none.
Outcome moveRegistration(const std::string& registerFile, const std::string& name, std::int32_t from, std::int32_t to) {
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, registerFile);
  if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
  if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть реестр тестов");
  const std::string cp = cp1251::fromUtf8(name);
  std::vector<store::Position> found;
  int rc = t.set();
  while (rc == store::Ok && (rc = t.next()) == store::Ok)
    if (d.CODEBD == from && cp1251::equalNoCase(cp1251::clip(d.NAME.view()), cp)) found.push_back(t.position());
  if (rc != store::NoRecord) return Outcome::failed(t.error(), "Не удалось прочитать реестр тестов");
  store::Transaction tx{&t};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать запись в реестр тестов");
  for (store::Position p : found) {
    if (t.getAt(p) != store::Ok) return Outcome::failed(t.error(), "Не удалось прочитать реестр тестов");
    d.CODEBD = to;
    if (t.put() != store::Ok) return Outcome::failed(t.error(), "Не удалось записать реестр тестов");
  }
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать реестр тестов");
  return {};
}

}  // namespace

const char* libraryTitle(Library l) { return l == Library::Main ? "Основная библиотека" : "Резервная библиотека"; }

std::string libraryFile(const setup::Installation& inst, Library l) {
  return l == Library::Main ? inst.central(tables::files::PathFile) : inst.central("PathFile.sec");
}

std::vector<TestFile> testsIn(const std::string& folder) {
  std::vector<TestFile> out;
  if (folder.empty()) return out;
  for (const fileops::Entry& e : fileops::list(withSeparator(folder), "*.orm"))
    if (!e.directory) out.push_back({e.name, e.name.substr(0, e.name.size() - 4), e.date, e.time});
  return out;
}

TestLibrary::TestLibrary(const setup::Installation& inst, Library l)
    : libraryFile_(libraryFile(inst, l)), registerFile_(inst.central(tables::files::DataTest)) {}

Outcome TestLibrary::bases(std::vector<tables::PathFile>& out) {
  out.clear();
  tables::PathFile rec;
  store::Table t(tables::pathFileDef(), rec, libraryFile_);
  if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
  if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
  int rc = t.set(t.key("KEYCODEBD"));
  while (rc == store::Ok && (rc = t.next()) == store::Ok) out.push_back(rec);
  if (rc != store::NoRecord) return Outcome::failed(t.error(), "Не удалось прочитать библиотеку тестов");
  return {};
}

Outcome TestLibrary::transfer(const std::string& file, const tables::PathFile& from, const tables::PathFile& to, Transfer how,
                              const std::function<bool(const std::string& name)>& replace) {
  std::string why;
  if (!setup::safeFileName(file, &why)) return Outcome::refused(why);
  const std::string fromDir = withSeparator(utf8(from.DIRBD.view())), toDir = withSeparator(utf8(to.DIRBD.view()));
  const std::string name = file.size() > 4 ? file.substr(0, file.size() - 4) : file;
  if (sameFolder(fromDir, toDir)) return Outcome::refused("Тест «" + name + "» уже находится в этой базе.");
  const std::string src = fromDir + file, dst = toDir + file;
  const std::string srcEmb = results::embPath(src), dstEmb = results::embPath(dst);
  if (!exists(src)) return Outcome::refused("Файл теста " + src + " не найден.");
  std::error_code ec;
  if (!fs::is_directory(toDir, ec)) return Outcome::refused("Папка базы " + toDir + " не найдена.");
  // Names are matched without regard to case: "физика.orm" in the target is
  // this test's name too.
  std::vector<std::string> replaced = sameNamed(toDir, file);
  for (std::string& f : sameNamed(toDir, filepath::fileNameOf(dstEmb))) replaced.push_back(std::move(f));
  if (!replaced.empty() && !(replace && replace(name))) return Outcome::refused("");

  // Both files are copied under other names first: the target's test is
  // replaced only by a whole copy, never by half of one.
  const bool hasEmb = exists(srcEmb);
  const std::string tmp = dst + ".copy", tmpEmb = dstEmb + ".copy";
  auto dropCopies = [&] {
    fileops::remove(tmp);
    fileops::remove(tmpEmb);
  };
  if (int e = fileops::copy(src, tmp)) {
    dropCopies();
    return fileFailure(e, "Не удалось скопировать " + src + " в " + toDir);
  }
  if (hasEmb)
    if (int e = fileops::copy(srcEmb, tmpEmb)) {
      dropCopies();
      return fileFailure(e, "Не удалось скопировать " + srcEmb + " в " + toDir);
    }
  if (fs::file_size(tmp, ec) != fs::file_size(src, ec) || (hasEmb && fs::file_size(tmpEmb, ec) != fs::file_size(srcEmb, ec))) {
    dropCopies();
    return Outcome::refused("Копия теста «" + name + "» вышла неполной; ничего не изменено.");
  }

  // The test replaced steps aside with its objects before the new pair comes
  // in, and comes back whole if the new pair does not: no test is ever left
  // beside another test's objects.
  std::vector<std::pair<std::string, std::string>> aside;  // file, its name while aside
  auto putBack = [&] {
    bool all = true;
    for (auto it = aside.rbegin(); it != aside.rend(); ++it)
      if (fileops::rename(it->second, it->first) != 0) all = false;
    return all;
  };
  std::vector<std::string> placed;
  auto undo = [&](int e, const std::string& what) -> Outcome {
    for (const std::string& f : placed) fileops::remove(f);
    dropCopies();
    std::string text = what + " (" + fileops::errorText(e) + "). Тест «" + name + "» в " + toDir + " не записан";
    if (aside.empty()) text += ".";
    else if (putBack()) text += "; прежний тест оставлен как был.";
    else text += ", а прежний тест вернуть не удалось: его файлы остались там с окончанием " + std::string(kAside) + ".";
    return {e ? e : store::StoreSpecific, text};
  };
  for (const std::string& f : replaced) {
    if (int e = fileops::rename(f, f + kAside)) return undo(e, "Не удалось убрать прежний файл " + f);
    aside.emplace_back(f, f + kAside);
  }
  if (int e = fileops::rename(tmp, dst)) return undo(e, "Не удалось записать " + dst);
  placed.push_back(dst);
  if (hasEmb) {
    if (int e = fileops::rename(tmpEmb, dstEmb)) return undo(e, "Не удалось записать файл объектов " + dstEmb);
    placed.push_back(dstEmb);
  }
  // The replaced test is gone for good. A file left aside is harmless: no
  // test or objects file goes by its name.
  for (const auto& a : aside) fileops::remove(a.second);
  if (how == Transfer::Copy) return {};

  if (Outcome o = moveRegistration(registerFile_, name, from.CODEBD, to.CODEBD); !o)
    return {o.error, "Тест «" + name + "» скопирован, но не перемещён: " + o.message + " Исходный файл оставлен на месте."};
  if (int e = fileops::remove(src)) return fileFailure(e, "Тест перемещён, но исходный файл " + src + " не удалён");
  if (hasEmb)
    if (int e = fileops::remove(srcEmb)) return fileFailure(e, "Тест перемещён, но файл объектов " + srcEmb + " не удалён");
  return {};
}

Outcome redefineCentralBase(setup::Installation& inst, const std::string& dir) {
  const std::string d = withSeparator(dir);
  if (d.empty()) return Outcome::refused("Не указан каталог базы данных.");
  // The base redefined is the one the program works with and finds again at
  // its next start: in local mode the local base; otherwise the central one,
  // and a program without a mode is given network mode to take it.
  const bool local = inst.modeNet == 2;
  const bool written = inst.ini.set("Path", local ? "LocBD" : "CentBD", d) &&
                       (local || inst.modeNet == 1 || inst.ini.setInt("GlbTune", "ModeNet", 1));
  if (!written) return Outcome::refused("Не удалось записать файл настроек " + inst.ini.path() + ".");
  if (!local) inst.modeNet = 1;
  inst.base = d;
  // A local base's libraries lie under it, as the program's start leaves them.
  return moveLibrariesUnderLocalBase(inst);
}

Outcome makeBaseFolders(const std::string& dir) {
  std::string d = dir;
  while (!d.empty() && (d.back() == ' ' || d.back() == '/')) d.pop_back();
  if (d.empty() || d.back() == ':') return {};
  for (const std::string& path : {d, d + "/Stat", d + "/Test"}) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path)) return {ec.value() ? ec.value() : store::StoreSpecific, "Не удалось создать папку " + path + " (" + ec.message() + ")."};
  }
  return {};
}

}  // namespace administrator
