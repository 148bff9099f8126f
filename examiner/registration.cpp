#include "registration.h"

#include "cp1251.h"
#include "examinee_name.h"

namespace examiner {
namespace {
std::string clip(const std::string& s) { return std::string(cp1251::clip(s)); }
}  // namespace

std::string Registration::fullName() const { return common::examineeName(fam, name, otche); }

void chooseGroup(Registration& r, const tables::Group& g, store::Table* faket, tables::Faket* fak) {
  r.group = g.NAME.str();
  r.groupCode = g.CODEGR;
  r.faculty.clear();
  if (faket && fak) {
    fak->CODEFAK = g.CODEFAK;
    if (faket->get(faket->key("KEYFAK")) == store::Ok) r.faculty = fak->NAME.str();
  }
  r.code = 0;
  r.password.clear();
  r.numId.clear();
}

void chooseStudent(Registration& r, const tables::Student& s) {
  r.fam = s.FAM.str();
  r.name = s.NAME.str();
  r.otche = s.OTCHE.str();
  r.numId = s.NUMID.str();
  r.code = s.CODEST;
  if (r.group.empty()) r.group = s.NAMEGR.str();
}

void newUser(Registration& r) {
  r.fam.clear();
  r.name.clear();
  r.otche.clear();
  r.password.clear();
  r.numId.clear();
  r.code = 0;
}

std::optional<Refusal> addToDirectory(Registration& r, store::Table& t, tables::Student& rec) {
  if (clip(r.fam).empty()) return Refusal{"Не указана фамилия", "Сообщение программы", "FAM"};
  if (clip(r.name).empty()) return Refusal{"Не указано имя", "Сообщение программы", "NAME"};
  if (clip(r.otche).empty()) return Refusal{"Не указано отчество", "Сообщение программы", "OTCHE"};
  if (r.groupCode == 0 && clip(r.group).empty()) return Refusal{"Выберите группу", "Сообщение программы", "GROUP"};
  rec = tables::Student{};
  rec.FAM = r.fam;
  int rc = t.get(t.key("KEYFAM"));
  if (rc == store::Ok && clip(rec.FAM.str()) + clip(rec.NAME.str()) + clip(rec.OTCHE.str()) ==
                             clip(r.fam) + clip(r.name) + clip(r.otche))
    return Refusal{"В списке уже имеется|такая фамилия с такими инициалами", "Сообщение программы", "FAM"};
  if (rc != store::Ok && rc != store::NoRecord)
    return Refusal{"Ошибка - [" + t.error().text() + "] при считывании записи файла " + t.name(), "Ошибка считывания записи", ""};
  // The next code: last + 1; another workstation registering at the same
  // moment may take it, then the following one is tried.
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::int32_t code = 1;
    if (t.set(t.key("KEYKODST")) == store::Ok && t.previous() == store::Ok) code = rec.CODEST + 1;
    rec = tables::Student{};
    rec.CODEST = code;
    rec.FAM = r.fam;
    rec.NAME = r.name;
    rec.OTCHE = r.otche;
    rec.CODEGR = r.groupCode;
    rec.NAMEGR = r.group;
    rec.NUMID = r.password;
    rc = t.add();
    if (rc == store::Ok) {
      r.code = code;
      r.numId = r.password;
      return std::nullopt;
    }
    if (rc != store::DuplicateKey) break;
  }
  return Refusal{"Ошибка при попытке добавления записи. Ошибка - [" + t.error().text() + "].", "Ошибка добавления записи", ""};
}

std::optional<Refusal> proceed(const Registration& r, bool checkPassword) {
  if (clip(r.fam).empty()) return Refusal{"Введите, пожалуйста, свою фамилию.", "Сообщение программы", "FAM"};
  if (checkPassword && clip(r.password) != clip(r.numId))
    return Refusal{"Неверный пароль доступа.", "Сообщение программы", "PASSWORD"};
  return std::nullopt;
}

std::optional<Refusal> changePassword(store::Table& t, tables::Student& rec, std::int32_t code, const std::string& oldPass,
                                      const std::string& newPass, const std::string& confirm) {
  rec.CODEST = code;
  t.watch();
  if (t.get(t.key("KEYKODST")) != store::Ok)
    return Refusal{"Ошибка - [" + t.error().text() + "] при считывании записи файла " + t.name(), "Ошибка считывания записи", ""};
  if (clip(oldPass) != rec.NUMID.view()) return Refusal{"Неверный пароль", "Сообщение программы", "OLD"};
  if (clip(newPass) != clip(confirm)) return Refusal{"Неверное подтверждение", "Сообщение программы", "CONFIRM"};
  rec.NUMID = clip(newPass);
  if (t.put() != store::Ok)
    return Refusal{"Ошибка - [" + t.error().text() + "] при попытке обновить запись файла.", "Ошибка обновления записи", ""};
  return std::nullopt;
}

}  // namespace examiner
