#include "question_templates.h"

#include <optional>

#include "cp1251.h"
#include "frame_rules.h"
#include "messages.h"
#include "tables_work.h"

namespace constructor {
namespace {

constexpr std::size_t kGroupName = 20;
constexpr std::size_t kQuestionText = 1024;

Outcome refused(std::string text) { return {Outcome::Refused, std::move(text)}; }

Outcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

// The standard duplicate-key message, naming the key as the system spells it.
Outcome duplicate(const char* key) {
  messages::Args a;
  a.key = key;
  return {store::DuplicateKey, messages::standard(24, a).text};
}

// The failure of a write: a taken code named by its key, anything else as it is.
Outcome writeFailed(const store::Table& t, const char* key, const std::string& what) {
  return t.error().code == store::DuplicateKey ? duplicate(key) : failed(t.error(), what);
}

std::optional<Outcome> unfitText(const char* label, const std::string& utf8, std::size_t most, bool mayBeBlank) {
  if (std::string m = common::unfitMessage(label, utf8); !m.empty()) return refused(m);
  const std::string cp = cp1251::fromUtf8(utf8);
  if (!mayBeBlank && cp1251::clip(cp).empty()) return refused(std::string(label) + " не может быть пустым.");
  if (cp.size() > most) return refused(std::string(label) + ": длиннее " + std::to_string(most) + " знаков.");
  return std::nullopt;
}

// Both tables with their buffers; opened (made when missing) on demand.
struct Tables {
  tables::VopStdGr gr;
  tables::VopStdVp vp;
  store::Table g, q;
  Tables(const std::string& groups, const std::string& questions)
      : g(tables::vopStdGrDef(), gr, groups), q(tables::vopStdVpDef(), vp, questions) {}
  static int open(store::Table& t) {
    if (t.isOpen()) return store::Ok;
    int rc = t.createIfMissing();
    return rc == store::Ok ? t.open(store::Shared) : rc;
  }
  Outcome openGroups() {
    return open(g) == store::Ok ? Outcome{} : failed(g.error(), "Не удалось открыть группы типовых вопросов");
  }
  Outcome openQuestions() {
    return open(q) == store::Ok ? Outcome{} : failed(q.error(), "Не удалось открыть типовые вопросы");
  }
  Outcome openBoth() {
    if (Outcome o = openGroups(); !o) return o;
    return openQuestions();
  }
  // Positions the group of that code; NoRecord when there is none.
  int findGroup(std::uint16_t code) {
    gr.CODEGR = code;
    return g.get(g.key("KEYCODEGR"));
  }
  int findQuestion(std::uint16_t code) {
    vp.CODEVP = code;
    return q.get(q.key("KEYCODEVP"));
  }
  // Positions of the questions of a group.
  int questionsOf(std::uint16_t group, std::vector<store::Position>& out) {
    out.clear();
    vp.CODEGR = group;
    int rc = q.setFrom(q.key("KEYCODEGR"));
    while (rc == store::Ok && (rc = q.next()) == store::Ok && vp.CODEGR == group) out.push_back(q.position());
    return rc == store::NoRecord || rc == store::Ok ? store::Ok : rc;
  }
};

// The code after the last of a key, or the lowest free one past 65535.
std::uint16_t nextCode(store::Table& t, int key, const std::uint16_t& field) {
  if (t.set(key) != store::Ok) return 0;
  if (t.previous() != store::Ok) return 1;
  if (field < 65535) return static_cast<std::uint16_t>(field + 1);
  std::uint32_t expected = 1;
  if (t.set(key) != store::Ok) return 0;
  while (t.next() == store::Ok && field <= expected)
    if (field == expected) ++expected;
  return expected <= 65535 ? static_cast<std::uint16_t>(expected) : 0;
}

Outcome badCode(const char* what) { return refused(std::string(what) + " должен быть числом от 1 до 65535."); }

std::optional<Outcome> invalidGroup(const TemplateGroup& g) {
  if (g.code == 0) return badCode("Код группы");
  return unfitText("Название группы", g.name, kGroupName, false);
}

std::optional<Outcome> invalidQuestion(const TemplateQuestion& q) {
  if (q.code == 0) return badCode("Код вопроса");
  if (q.group == 0) return badCode("Код группы");
  return unfitText("Текст вопроса", q.text, kQuestionText, false);
}

}  // namespace

std::string TemplateQuestion::title(std::size_t most) const {
  std::string cp = cp1251::fromUtf8(text.substr(0, text.find('\n')));
  if (cp.size() > most) cp.resize(most);
  return cp1251::toUtf8(cp1251::clip(cp));
}

QuestionTemplates QuestionTemplates::of(const setup::Installation& inst) {
  return {inst.work(tables::files::VopStdGr), inst.work(tables::files::VopStdVp)};
}

Outcome QuestionTemplates::groups(std::vector<TemplateGroup>& out) {
  out.clear();
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openGroups(); !o) return o;
  int rc = t.g.set(t.g.key("KEYCODEGR"));
  while (rc == store::Ok && (rc = t.g.next()) == store::Ok) out.push_back({t.gr.CODEGR, cp1251::toUtf8(t.gr.NAME.view())});
  if (rc != store::NoRecord) return failed(t.g.error(), "Не удалось прочитать группы типовых вопросов");
  return {};
}

Outcome QuestionTemplates::questions(std::vector<TemplateQuestion>& out) {
  out.clear();
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openQuestions(); !o) return o;
  int rc = t.q.set(t.q.key("KEYCODEVP"));
  while (rc == store::Ok && (rc = t.q.next()) == store::Ok)
    out.push_back({t.vp.CODEVP, t.vp.CODEGR, cp1251::toUtf8(t.vp.NAME.view())});
  if (rc != store::NoRecord) return failed(t.q.error(), "Не удалось прочитать типовые вопросы");
  return {};
}

std::uint16_t QuestionTemplates::nextGroupCode() {
  Tables t(groupsFile_, questionsFile_);
  if (!t.openGroups()) return 0;
  return nextCode(t.g, t.g.key("KEYCODEGR"), t.gr.CODEGR);
}

std::uint16_t QuestionTemplates::nextQuestionCode() {
  Tables t(groupsFile_, questionsFile_);
  if (!t.openQuestions()) return 0;
  return nextCode(t.q, t.q.key("KEYCODEVP"), t.vp.CODEVP);
}

Outcome QuestionTemplates::addGroup(const TemplateGroup& g) {
  if (auto o = invalidGroup(g)) return *o;
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openGroups(); !o) return o;
  t.gr = tables::VopStdGr{};
  t.gr.CODEGR = g.code;
  t.gr.NAME = cp1251::fromUtf8(g.name);
  if (t.g.add() != store::Ok) return writeFailed(t.g, "VSG:KeyCodeGr", "Не удалось добавить группу");
  return {};
}

Outcome QuestionTemplates::changeGroup(std::uint16_t code, const TemplateGroup& g) {
  if (auto o = invalidGroup(g)) return *o;
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openBoth(); !o) return o;
  store::Transaction tx{&t.g, &t.q};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись группы");
  int rc = t.findGroup(code);
  if (rc == store::NoRecord) return refused("Группы с кодом " + std::to_string(code) + " уже нет: её удалили с другой станции.");
  if (rc != store::Ok) return failed(t.g.error(), "Не удалось прочитать группу");
  const std::string name = cp1251::fromUtf8(g.name);
  if (t.gr.CODEGR == g.code && t.gr.NAME == name) return {};  // nothing changed: nothing written
  t.gr.CODEGR = g.code;
  t.gr.NAME = name;
  if (t.g.put() != store::Ok) return writeFailed(t.g, "VSG:KeyCodeGr", "Не удалось изменить группу");
  if (g.code != code) {
    // The group's questions go with it to the new code.
    std::vector<store::Position> moving;
    if (t.questionsOf(code, moving) != store::Ok) return failed(t.q.error(), "Не удалось прочитать вопросы группы");
    for (store::Position p : moving) {
      if (t.q.getAt(p) != store::Ok) return failed(t.q.error(), "Не удалось прочитать вопрос группы");
      t.vp.CODEGR = g.code;
      if (t.q.put() != store::Ok) return failed(t.q.error(), "Не удалось перенести вопрос в группу");
    }
  }
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать группу");
  return {};
}

Outcome QuestionTemplates::removeGroup(std::uint16_t code) {
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openBoth(); !o) return o;
  store::Transaction tx{&t.g, &t.q};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать удаление группы");
  int rc = t.findGroup(code);
  if (rc == store::NoRecord) return {};  // deleted meanwhile
  if (rc != store::Ok) return failed(t.g.error(), "Не удалось прочитать группу");
  const std::string name = cp1251::toUtf8(t.gr.NAME.view());
  std::vector<store::Position> inside;
  if (t.questionsOf(code, inside) != store::Ok) return failed(t.q.error(), "Не удалось прочитать вопросы группы");
  if (!inside.empty())
    return refused("Группу «" + name + "» нельзя удалить: в ней есть вопросы (" + std::to_string(inside.size()) +
                   "). Удалите их или перенесите в другую группу.");
  if (t.findGroup(code) != store::Ok || t.g.del() != store::Ok) return failed(t.g.error(), "Не удалось удалить группу");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось удалить группу");
  return {};
}

Outcome QuestionTemplates::addQuestion(const TemplateQuestion& q) {
  if (auto o = invalidQuestion(q)) return *o;
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openBoth(); !o) return o;
  store::Transaction tx{&t.g, &t.q};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись вопроса");
  int rc = t.findGroup(q.group);
  if (rc == store::NoRecord) return refused("Группы с кодом " + std::to_string(q.group) + " нет.");
  if (rc != store::Ok) return failed(t.g.error(), "Не удалось прочитать группу");
  t.vp = tables::VopStdVp{};
  t.vp.CODEVP = q.code;
  t.vp.CODEGR = q.group;
  t.vp.NAME = cp1251::fromUtf8(q.text);
  if (t.q.add() != store::Ok) return writeFailed(t.q, "VSV:KeyCodeVp", "Не удалось добавить вопрос");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать вопрос");
  return {};
}

Outcome QuestionTemplates::changeQuestion(std::uint16_t code, const TemplateQuestion& q) {
  if (auto o = invalidQuestion(q)) return *o;
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openBoth(); !o) return o;
  store::Transaction tx{&t.g, &t.q};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись вопроса");
  int rc = t.findGroup(q.group);
  if (rc == store::NoRecord) return refused("Группы с кодом " + std::to_string(q.group) + " нет.");
  if (rc != store::Ok) return failed(t.g.error(), "Не удалось прочитать группу");
  rc = t.findQuestion(code);
  if (rc == store::NoRecord) return refused("Вопроса с кодом " + std::to_string(code) + " уже нет: его удалили с другой станции.");
  if (rc != store::Ok) return failed(t.q.error(), "Не удалось прочитать вопрос");
  const std::string text = cp1251::fromUtf8(q.text);
  if (t.vp.CODEVP == q.code && t.vp.CODEGR == q.group && t.vp.NAME == text) return {};
  t.vp.CODEVP = q.code;
  t.vp.CODEGR = q.group;
  t.vp.NAME = text;
  if (t.q.put() != store::Ok) return writeFailed(t.q, "VSV:KeyCodeVp", "Не удалось изменить вопрос");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать вопрос");
  return {};
}

Outcome QuestionTemplates::removeQuestion(std::uint16_t code) {
  Tables t(groupsFile_, questionsFile_);
  if (Outcome o = t.openQuestions(); !o) return o;
  int rc = t.findQuestion(code);
  if (rc == store::NoRecord) return {};  // deleted meanwhile
  if (rc != store::Ok || t.q.del() != store::Ok) return failed(t.q.error(), "Не удалось удалить вопрос");
  return {};
}

}  // namespace constructor
