#include "test_register.h"

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "installation.h"
#include "result_file.h"

namespace constructor {
namespace {

constexpr std::uint16_t kLongestCode = 512;  // the longest part name a test's objects get

Outcome refused(std::string text) { return {Outcome::Refused, std::move(text)}; }

Outcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

bool onDisk(const std::string& path) { return filepath::exists(filepath::resolve(path)); }

}  // namespace

std::string testPath(const std::string& baseDir, const std::string& name) { return baseDir + name + ".orm"; }

int TestRegister::open(store::Table& t) {
  int rc = t.open(store::Shared);
  if (rc == store::FileNotFound && (rc = t.createIfMissing()) == store::Ok) rc = t.open(store::Shared);
  return rc;
}

bool TestRegister::registered(const std::string& name, store::ErrorInfo* error) {
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, file_);
  if (open(t) != store::Ok) {
    if (error) *error = t.error();
    return false;
  }
  const std::string cp = cp1251::fromUtf8(name);
  if (t.set() != store::Ok) return false;
  int rc;
  while ((rc = t.next()) == store::Ok)
    if (cp1251::equalNoCase(cp1251::clip(d.NAME.view()), cp1251::clip(cp))) return true;
  if (rc != store::NoRecord && error) *error = t.error();
  return false;
}

Outcome TestRegister::create(const NewTestRequest& r, std::uint16_t& code) {
  std::string why;
  if (r.name.empty()) return refused("Не указано имя файла теста.");
  if (!setup::safeFileName(r.name, &why)) return refused(why);
  if (cp1251::toUtf8(cp1251::fromUtf8(r.name)) != r.name) return refused("Имя файла содержит знаки, которых нет в кодировке Windows-1251.");
  const std::string path = testPath(r.baseDir, r.name);
  if (onDisk(path)) return refused("Тест с таким именем уже существует.");
  // Objects left by a test of that name would pass to the new one.
  if (onDisk(results::embPath(path)))
    return refused("В базе тестов остался файл объектов " + results::embPath(path) + " прежнего теста с этим именем.|Удалите или переименуйте его.");
  store::ErrorInfo e;
  if (registered(r.name, &e)) return refused("Тест с таким именем уже существует.");
  if (e.code) return failed(e, "Не удалось прочитать реестр тестов");

  // The next register code, taken inside a transaction; a code another
  // station took meanwhile is followed by the next one.
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, file_);
  if (open(t) != store::Ok) return failed(t.error(), "Не удалось открыть реестр тестов");
  for (int attempt = 0;; ++attempt) {
    store::Transaction tx{&t};
    if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись в реестр тестов");
    std::uint16_t next = 1;
    if (t.set(t.key("KEYCODE")) == store::Ok && t.previous() == store::Ok) {
      if (d.CODETEST == 65535) return refused("В реестре тестов больше нет свободных кодов.");
      next = static_cast<std::uint16_t>(d.CODETEST + 1);
    }
    d = tables::DataTest{};
    d.CODETEST = next;
    d.CODEBD = r.baseCode;
    d.NAME = cp1251::fromUtf8(r.name);
    d.PASSW = cp1251::fromUtf8(r.password);
    int rc = t.add();
    if (rc == store::Ok) rc = tx.commit();
    if (rc == store::Ok) {
      code = next;
      break;
    }
    store::ErrorInfo err = tx.error().code ? tx.error() : t.error();
    tx.rollback();
    if (rc != store::DuplicateKey || attempt >= 20) return failed(err, "Не удалось добавить тест в реестр тестов");
  }
  const store::Position registeredAt = t.position();

  testfile::TestFile tf;
  tf.name(r.baseDir, r.name, r.keyWord);
  testfile::NewTest nt;
  nt.code = code;
  nt.name = cp1251::fromUtf8(r.name);
  nt.password = cp1251::fromUtf8(r.password);
  nt.organisation = r.organisation;
  if (tf.create(nt) != store::Ok) {
    store::ErrorInfo err = tf.error();
    // No register record without its file.
    if (t.getAt(registeredAt) == store::Ok) t.del();
    store::removeFile(path);
    return failed(err, "Не удалось создать файл теста " + path);
  }
  return {};
}

Outcome TestRegister::rename(const std::string& dir, const std::string& from, const std::string& to, const std::string& keyWord) {
  std::string why;
  if (to.empty()) return refused("Не указано новое имя файла теста.");
  if (!setup::safeFileName(to, &why)) return refused(why);
  if (cp1251::toUtf8(cp1251::fromUtf8(to)) != to) return refused("Имя файла содержит знаки, которых нет в кодировке Windows-1251.");
  const std::string oldPath = testPath(dir, from), newPath = testPath(dir, to);
  if (!onDisk(oldPath)) return refused("Файл теста " + oldPath + " не найден.");
  const bool sameFile = filepath::sameName(from, to);
  if (!sameFile && onDisk(newPath)) return refused("Тест с таким именем уже существует.");
  if (!sameFile && onDisk(results::embPath(newPath)))
    return refused("В базе тестов есть файл объектов " + results::embPath(newPath) + " с этим именем.|Выберите другое имя.");

  // The file is copied under the new name (a temporary one when only the
  // letter case changes) and its records put right there; the old file goes
  // only when all that succeeded.
  store::ErrorInfo e;
  const std::string realOld = filepath::resolve(oldPath);
  std::string tempBase = to;
  for (int i = 1; sameFile && (tempBase == to || onDisk(testPath(dir, tempBase)) || onDisk(results::embPath(testPath(dir, tempBase)))); ++i)
    tempBase = to + "~" + std::to_string(i);  // a name nothing holds
  const std::string temp = testPath(dir, tempBase);
  const std::string oldEmb = results::embPath(realOld), tempEmb = results::embPath(temp), newEmb = results::embPath(newPath);
  const bool hasEmb = onDisk(oldEmb);
  auto undo = [&] {
    store::removeFile(temp);
    if (hasEmb) store::removeFile(tempEmb);
  };
  const std::string key = cp1251::pad(keyWord, 20);
  if (store::copyFile(realOld, temp, &key, &e) != store::Ok) {
    undo();
    return failed(e, "Не удалось скопировать файл теста");
  }
  if (hasEmb && store::copyFile(filepath::resolve(oldEmb), tempEmb, nullptr, &e) != store::Ok) {
    undo();
    return failed(e, "Не удалось скопировать файл объектов теста");
  }
  {
    testfile::TestFile tf;
    tf.name(dir, tempBase, keyWord);
    if (tf.open() != store::Ok) {
      Outcome o = failed(tf.error(), "Не удалось открыть файл теста");
      undo();
      return o;
    }
    // Another test of the register under the new name would make two of one name.
    {
      tables::DataTest d;
      store::Table reg(tables::dataTestDef(), d, file_);
      if (open(reg) == store::Ok && reg.set() == store::Ok) {
        while (reg.next() == store::Ok)
          if (cp1251::equalNoCase(cp1251::clip(d.NAME.view()), cp1251::fromUtf8(to)) && d.CODETEST != tf.tema.CODETEMA) {
            tf.close();
            undo();
            return refused("Тест с таким именем уже существует.");
          }
      }
    }
    // Stored objects are named in a field of 64 characters.
    bool objectsApart = false;
    std::string partName = filepath::fileNameOf(results::embPart(newPath, kLongestCode));
    store::Transaction tx{&tf.temaT, &tf.titulT, &tf.vopT};
    int rc = tx.begin();
    const std::string oldName = cp1251::fromUtf8(from), newName = cp1251::fromUtf8(to);
    if (rc == store::Ok && cp1251::equalNoCase(cp1251::clip(tf.tema.NAME.view()), oldName)) {
      tf.tema.NAME = newName;
      rc = tf.temaT.put();
    }
    if (rc == store::Ok && cp1251::equalNoCase(cp1251::clip(tf.titul.NAME.view()), oldName)) {
      tf.titul.NAME = newName;
      rc = tf.titulT.put();
    }
    // Separately stored objects are named by the new companion file.
    std::vector<store::Position> withParts;
    if (rc == store::Ok && (rc = tf.vopT.set()) == store::Ok) {
      while ((rc = tf.vopT.next()) == store::Ok)
        if (tf.vop.OBJECTSAVE == "F" && tf.vop.OBJECTLINK != "L") withParts.push_back(tf.vopT.position());
      if (rc == store::NoRecord) rc = store::Ok;
    }
    objectsApart = !withParts.empty();
    if (rc == store::Ok && objectsApart && cp1251::fromUtf8(partName).size() > 64) {
      tx.rollback();
      tf.close();
      undo();
      return refused("Имя \"" + to + "\" слишком длинное: объекты теста, хранимые отдельно, не смогут на него сослаться (не больше 64 знаков).");
    }
    for (store::Position pos : withParts) {
      if (rc != store::Ok) break;
      if ((rc = tf.vopT.getAt(pos)) != store::Ok) break;
      tf.vop.OBJECTDOC = cp1251::fromUtf8(filepath::fileNameOf(results::embPart(newPath, tf.vop.CODEVOP)));
      rc = tf.vopT.put();
    }
    if (rc == store::Ok) rc = tx.commit();
    if (rc != store::Ok) {
      store::ErrorInfo err = tx.error().code ? tx.error() : tf.vopT.error();
      tx.rollback();
      tf.close();
      undo();
      return failed(err, "Не удалось переименовать тест");
    }
    tf.close();
  }
  // The old file goes through the store, which refuses while another
  // station has the test open: then the new copy goes instead.
  if (int err = store::removeFile(realOld); err != store::Ok) {
    undo();
    store::ErrorInfo e2;
    e2.code = err;
    return failed(e2, err == store::AccessDenied ? "Тест открыт на другой станции, переименовать его сейчас нельзя"
                                                  : "Не удалось удалить прежний файл теста");
  }
  if (hasEmb) store::removeFile(filepath::resolve(oldEmb));
  if (sameFile) {
    if (int e2 = fileops::rename(temp, newPath))
      return {e2, "Тест сохранён в файле " + temp + ", переименовать его не удалось: " + fileops::errorText(e2)};
    if (hasEmb)
      if (int e3 = fileops::rename(tempEmb, newEmb))
        return {e3, "Объекты теста сохранены в файле " + tempEmb + ", переименовать его не удалось: " + fileops::errorText(e3)};
  }
  return {};
}

Outcome TestRegister::remove(const std::string& dir, const std::string& name) {
  const std::string path = filepath::resolve(testPath(dir, name));
  int rc = testfile::removeTest(path);
  if (rc == store::FileNotFound) return refused("Файл теста " + path + " не найден.");
  if (rc != store::Ok) {
    store::ErrorInfo e;
    e.code = rc;
    return failed(e, "Не удалось удалить файл теста " + path);
  }
  return {};
}

Outcome TestRegister::setPassword(std::uint16_t code, const std::string& password) {
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, file_);
  if (open(t) != store::Ok) return failed(t.error(), "Не удалось открыть реестр тестов");
  d.CODETEST = code;
  t.watch();
  if (t.get(t.key("KEYCODE")) != store::Ok) return failed(t.error(), "Тест с кодом " + std::to_string(code) + " не найден в реестре");
  d.PASSW = cp1251::fromUtf8(password);
  if (t.put() != store::Ok) return failed(t.error(), "Не удалось записать пароль теста");
  return {};
}

}  // namespace constructor
