#include "instruction_templates.h"

#include <optional>

#include "cp1251.h"
#include "tables_work.h"

namespace constructor {
namespace {

Outcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

bool fitsCodePage(const std::string& utf8) { return cp1251::toUtf8(cp1251::fromUtf8(utf8)) == utf8; }

// A template longer than its field would be cut without a word.
std::optional<Outcome> unfit(const std::string& utf8) {
  if (!fitsCodePage(utf8)) return Outcome{Outcome::Refused, "Текст содержит знаки, которых нет в кодировке Windows-1251."};
  if (cp1251::fromUtf8(utf8).size() > 1800) return Outcome{Outcome::Refused, "Текст шаблона длиннее 1800 знаков."};
  return std::nullopt;
}

}  // namespace

std::string InstructionTemplate::title() const {
  std::string first = text.substr(0, text.find('\n'));
  // 255 characters, not bytes: cut in code page 1251.
  std::string cp = cp1251::fromUtf8(first);
  if (cp.size() > 255) cp.resize(255);
  return cp1251::toUtf8(cp);
}

std::string InstructionTemplates::fileOf(const setup::Installation& inst) { return inst.work(tables::files::TempIns); }

Outcome InstructionTemplates::list(std::vector<InstructionTemplate>& out) {
  out.clear();
  tables::TempIns rec;
  store::Table t(tables::tempInsDef(), rec, file_);
  if (t.createIfMissing() != store::Ok || t.open(store::Shared) != store::Ok) return failed(t.error(), "Не удалось открыть шаблоны инструкций");
  int rc = t.set(t.key("KEYCODE"));
  while (rc == store::Ok && (rc = t.next()) == store::Ok) out.push_back({rec.CODETMP, cp1251::toUtf8(rec.HELP.text)});
  if (rc != store::NoRecord && rc != store::Ok) return failed(t.error(), "Не удалось прочитать шаблоны инструкций");
  return {};
}

Outcome InstructionTemplates::add(const std::string& text, std::uint8_t& code) {
  if (auto o = unfit(text)) return *o;
  tables::TempIns rec;
  store::Table t(tables::tempInsDef(), rec, file_);
  if (t.createIfMissing() != store::Ok || t.open(store::Shared) != store::Ok) return failed(t.error(), "Не удалось открыть шаблоны инструкций");
  store::Transaction tx{&t};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись шаблона");
  int next = 1;
  if (t.set(t.key("KEYCODE")) == store::Ok && t.previous() == store::Ok) next = rec.CODETMP + 1;
  if (next > 255) return {Outcome::Refused, "Шаблонов больше не может быть: все коды от 1 до 255 заняты."};
  rec = tables::TempIns{};
  rec.CODETMP = static_cast<std::uint8_t>(next);
  rec.HELP = cp1251::fromUtf8(text);
  if (t.add() != store::Ok) return failed(t.error(), "Не удалось добавить шаблон");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать шаблон");
  code = static_cast<std::uint8_t>(next);
  return {};
}

Outcome InstructionTemplates::change(std::uint8_t code, const std::string& text) {
  if (auto o = unfit(text)) return *o;
  tables::TempIns rec;
  store::Table t(tables::tempInsDef(), rec, file_);
  if (t.open(store::Shared) != store::Ok) return failed(t.error(), "Не удалось открыть шаблоны инструкций");
  rec.CODETMP = code;
  if (t.get(t.key("KEYCODE")) != store::Ok) return failed(t.error(), "Шаблон не найден");
  rec.HELP = cp1251::fromUtf8(text);
  if (t.put() != store::Ok) return failed(t.error(), "Не удалось изменить шаблон");
  return {};
}

Outcome InstructionTemplates::remove(std::uint8_t code) {
  tables::TempIns rec;
  store::Table t(tables::tempInsDef(), rec, file_);
  if (t.open(store::Shared) != store::Ok) return failed(t.error(), "Не удалось открыть шаблоны инструкций");
  rec.CODETMP = code;
  if (t.get(t.key("KEYCODE")) != store::Ok) return failed(t.error(), "Шаблон не найден");
  if (t.del() != store::Ok) return failed(t.error(), "Не удалось удалить шаблон");
  return {};
}

}  // namespace constructor
