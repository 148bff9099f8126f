#include "sections.h"

#include <vector>

#include "cp1251.h"
#include "messages.h"
#include "statistics.h"

namespace constructor {
namespace {

Outcome refused(std::string text) { return {Outcome::Refused, std::move(text)}; }

Outcome failed(const store::ErrorInfo& e, const char* what) {
  return {e.code ? e.code : store::StoreSpecific, std::string(what) + " (" + e.text() + ")."};
}

// The standard duplicate-key message, naming the key.
Outcome numberTaken() {
  messages::Args a;
  a.key = "RAZ:KeyCodeRaz";
  return {store::DuplicateKey, messages::standard(24, a).text};
}

Outcome badNumber(int n) {
  return refused("Номер раздела " + std::to_string(n) + " вне допустимых пределов: от 1 до 7.");
}

// The frames of a section, by position.
int framesOf(testfile::TestFile& tf, int number, std::vector<store::Position>& out) {
  out.clear();
  int rc = tf.vopT.set();
  if (rc != store::Ok) return rc;
  while ((rc = tf.vopT.next()) == store::Ok)
    if (tf.vop.CODERAZ == number) out.push_back(tf.vopT.position());
  return rc == store::NoRecord ? store::Ok : rc;
}

}  // namespace

Outcome addSection(testfile::TestFile& tf, int number, const std::string& name) {
  if (number < 1 || number > 7) return badNumber(number);
  store::Transaction tx{&tf.razdelT, &tf.titulT, &tf.vopT, &tf.temaT};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись раздела");
  tf.razdel = tables::Razdel{};
  tf.razdel.CODERAZ = static_cast<std::uint8_t>(number);
  if (tf.razdelT.get(tf.razdelT.key("KEYCODERAZ")) == store::Ok)
    return numberTaken();
  if (tf.temaT.set() != store::Ok || tf.temaT.next() != store::Ok) return failed(tf.temaT.error(), "Не удалось прочитать сценарий");
  tf.razdel = tables::Razdel{};
  tf.razdel.CODERAZ = static_cast<std::uint8_t>(number);
  tf.razdel.CODETEMA = tf.tema.CODETEMA;
  tf.razdel.NAME = cp1251::fromUtf8(name);
  if (tf.razdelT.add() != store::Ok) return failed(tf.razdelT.error(), "Не удалось добавить раздел");
  store::ErrorInfo e;
  if (recount(tf, &e) != store::Ok) return failed(e, "Не удалось обновить статистику теста");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать раздел");
  return {};
}

Outcome changeSection(testfile::TestFile& tf, int number, int newNumber, const std::string& name) {
  if (newNumber < 1 || newNumber > 7) return badNumber(newNumber);
  store::Transaction tx{&tf.razdelT, &tf.titulT, &tf.vopT, &tf.temaT};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись раздела");
  if (newNumber != number) {
    tf.razdel.CODERAZ = static_cast<std::uint8_t>(newNumber);
    if (tf.razdelT.get(tf.razdelT.key("KEYCODERAZ")) == store::Ok)
      return numberTaken();
  }
  tf.razdel.CODERAZ = static_cast<std::uint8_t>(number);
  if (tf.razdelT.get(tf.razdelT.key("KEYCODERAZ")) != store::Ok) return failed(tf.razdelT.error(), "Раздел не найден");
  tf.razdel.CODERAZ = static_cast<std::uint8_t>(newNumber);
  tf.razdel.NAME = cp1251::fromUtf8(name);
  if (tf.razdelT.put() != store::Ok) return failed(tf.razdelT.error(), "Не удалось изменить раздел");
  // The frames carry the section's number and a copy of its name.
  std::vector<store::Position> frames;
  if (framesOf(tf, number, frames) != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадры");
  for (store::Position pos : frames) {
    if (tf.vopT.getAt(pos) != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадр");
    tf.vop.CODERAZ = static_cast<std::uint8_t>(newNumber);
    tf.vop.RAZDEL = cp1251::fromUtf8(name);
    if (tf.vopT.put() != store::Ok) return failed(tf.vopT.error(), "Не удалось изменить кадр");
  }
  store::ErrorInfo e;
  if (recount(tf, &e) != store::Ok) return failed(e, "Не удалось обновить статистику теста");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать раздел");
  return {};
}

Outcome deleteSection(testfile::TestFile& tf, int number) {
  store::Transaction tx{&tf.razdelT, &tf.titulT, &tf.vopT, &tf.temaT};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать удаление раздела");
  std::vector<store::Position> frames;
  if (framesOf(tf, number, frames) != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадры");
  if (!frames.empty())
    return refused("Раздел " + std::to_string(number) + " нельзя удалить: к нему относятся задания (" + std::to_string(frames.size()) + ").");
  tf.razdel.CODERAZ = static_cast<std::uint8_t>(number);
  if (tf.razdelT.get(tf.razdelT.key("KEYCODERAZ")) != store::Ok) return failed(tf.razdelT.error(), "Раздел не найден");
  if (tf.razdelT.del() != store::Ok) return failed(tf.razdelT.error(), "Не удалось удалить раздел");
  store::ErrorInfo e;
  if (recount(tf, &e) != store::Ok) return failed(e, "Не удалось обновить статистику теста");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось удалить раздел");
  return {};
}

}  // namespace constructor
