// The question templates: groups and their questions kept up, codes taken
// twice refused by the key's name, a group's questions following its new
// code, a group with questions kept, and texts that would not survive the
// record refused.
#include <gtest/gtest.h>

#include <functional>

#include "cp1251.h"
#include "question_templates.h"
#include "tables_work.h"
#include "test_tables.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

struct Templates {
  TempDir dir;
  QuestionTemplates t{dir / "VOPSTDGR", dir / "VOPSTDVP"};

  std::vector<TemplateGroup> groups() {
    std::vector<TemplateGroup> out;
    Outcome o = t.groups(out);
    EXPECT_TRUE(o) << o.message;
    return out;
  }
  std::vector<TemplateQuestion> questions() {
    std::vector<TemplateQuestion> out;
    Outcome o = t.questions(out);
    EXPECT_TRUE(o) << o.message;
    return out;
  }
  // Groups 1 "Физика" and 2 "Химия"; questions 10 and 11 in group 1, 20 in group 2.
  void fill() {
    ASSERT_TRUE(t.addGroup({1, "Физика"}));
    ASSERT_TRUE(t.addGroup({2, "Химия"}));
    ASSERT_TRUE(t.addQuestion({10, 1, "Сформулируйте закон Ома."}));
    ASSERT_TRUE(t.addQuestion({11, 1, "Чему равна скорость света?\nОтвет дайте в км/с."}));
    ASSERT_TRUE(t.addQuestion({20, 2, "Назовите благородные газы."}));
  }
};

std::vector<std::uint16_t> groupsOf(const std::vector<TemplateQuestion>& qs) {
  std::vector<std::uint16_t> out;
  for (const auto& q : qs) out.push_back(q.group);
  return out;
}

TEST(QuestionTemplates, GroupsAndQuestionsAreKeptWithTheNextCodeOffered) {
  Templates s;
  EXPECT_EQ(s.t.nextGroupCode(), 1) << "an empty table starts at 1";
  EXPECT_EQ(s.t.nextQuestionCode(), 1);
  s.fill();
  EXPECT_EQ(s.t.nextGroupCode(), 3);
  EXPECT_EQ(s.t.nextQuestionCode(), 21);

  auto gs = s.groups();
  ASSERT_EQ(gs.size(), 2u);
  EXPECT_EQ(gs[0].name, "Физика");
  EXPECT_EQ(gs[1].name, "Химия");
  auto qs = s.questions();
  ASSERT_EQ(qs.size(), 3u);
  EXPECT_EQ(qs[1].text, "Чему равна скорость света?\nОтвет дайте в км/с.") << "the whole text, lines and all";
  EXPECT_EQ(qs[1].title(), "Чему равна скорость света?");
  EXPECT_EQ(qs[1].title(9), "Чему равн");

  // A new name, and a question moved to another group under another code.
  EXPECT_EQ(s.t.changeGroup(2, {2, "Общая неорганическая химия"}).error, Outcome::Refused) << "past 20 characters";
  ASSERT_TRUE(s.t.changeGroup(2, {2, "Неорганика"}));
  ASSERT_TRUE(s.t.changeQuestion(11, {12, 2, "Скорость света?"}));
  qs = s.questions();
  ASSERT_EQ(qs.size(), 3u);
  EXPECT_EQ(qs[1].code, 12);
  EXPECT_EQ(qs[1].group, 2);
  EXPECT_EQ(s.groups()[1].name, "Неорганика");

  // Deleting a question leaves the rest.
  ASSERT_TRUE(s.t.removeQuestion(12));
  qs = s.questions();
  ASSERT_EQ(qs.size(), 2u);
  EXPECT_EQ(qs[0].code, 10);
  EXPECT_EQ(qs[1].code, 20);
}

TEST(QuestionTemplates, AGroupsQuestionsFollowItsNewCodeAndKeepItFromDeletion) {
  Templates s;
  s.fill();
  ASSERT_TRUE(s.t.changeGroup(1, {7, "Физика"}));
  auto gs = s.groups();
  ASSERT_EQ(gs.size(), 2u);
  EXPECT_EQ(gs[1].code, 7);
  EXPECT_EQ(groupsOf(s.questions()), (std::vector<std::uint16_t>{7, 7, 2})) << "both questions went with their group";

  Outcome o = s.t.removeGroup(7);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find("«Физика»"), std::string::npos) << o.message;
  EXPECT_NE(o.message.find("(2)"), std::string::npos) << "how many questions hold it: " << o.message;
  EXPECT_EQ(s.groups().size(), 2u);

  ASSERT_TRUE(s.t.removeQuestion(10));
  ASSERT_TRUE(s.t.removeQuestion(11));
  ASSERT_TRUE(s.t.removeGroup(7));
  gs = s.groups();
  ASSERT_EQ(gs.size(), 1u);
  EXPECT_EQ(gs[0].code, 2);
}

TEST(QuestionTemplates, ACodeTakenTwiceIsRefusedByTheNameOfItsKey) {
  struct Case {
    const char* what;
    std::function<Outcome(QuestionTemplates&)> act;
    const char* key;
  };
  const std::vector<Case> cases = {
      {"a new group", [](QuestionTemplates& t) { return t.addGroup({2, "Биология"}); }, "VSG:KeyCodeGr"},
      {"a group recoded", [](QuestionTemplates& t) { return t.changeGroup(1, {2, "Физика"}); }, "VSG:KeyCodeGr"},
      {"a new question", [](QuestionTemplates& t) { return t.addQuestion({20, 1, "Ещё вопрос"}); }, "VSV:KeyCodeVp"},
      {"a question recoded", [](QuestionTemplates& t) { return t.changeQuestion(10, {11, 1, "Закон Ома"}); }, "VSV:KeyCodeVp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Templates s;
    s.fill();
    Outcome o = c.act(s.t);
    EXPECT_EQ(o.error, store::DuplicateKey);
    EXPECT_EQ(o.message, "При обновлении файла возник недопустимый дубликат в ключе [" + std::string(c.key) + "].");
    // Nothing half-done: the same groups and questions as before.
    auto gs = s.groups();
    ASSERT_EQ(gs.size(), 2u);
    EXPECT_EQ(gs[0].code, 1);
    EXPECT_EQ(gs[1].name, "Химия");
    auto qs = s.questions();
    ASSERT_EQ(qs.size(), 3u);
    EXPECT_EQ(groupsOf(qs), (std::vector<std::uint16_t>{1, 1, 2}));
    EXPECT_EQ(qs[0].text, "Сформулируйте закон Ома.");
  }
}

TEST(QuestionTemplates, TextsThatWouldNotSurviveTheRecordAreRefusedAndNamed) {
  struct Case {
    const char* what;
    std::function<Outcome(QuestionTemplates&)> act;
    const char* named;  // what the refusal must say
  };
  const std::vector<Case> cases = {
      {"a character outside the code page", [](QuestionTemplates& t) { return t.addGroup({3, "Физика ☢"}); }, "«☢»"},
      {"a question with such characters", [](QuestionTemplates& t) { return t.addQuestion({30, 1, "Найдите ∑ и ∫"}); },
       "знаки «∑», «∫» не входят"},
      {"a blank name", [](QuestionTemplates& t) { return t.addGroup({3, "   "}); }, "Название группы"},
      {"a question past 1024 characters",
       [](QuestionTemplates& t) { return t.addQuestion({30, 1, std::string(1025, 'x')}); }, "1024"},
      {"a question of a group that is not there", [](QuestionTemplates& t) { return t.addQuestion({30, 9, "Вопрос"}); },
       "Группы с кодом 9 нет"},
      {"code 0", [](QuestionTemplates& t) { return t.addGroup({0, "Астрономия"}); }, "от 1 до 65535"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Templates s;
    s.fill();
    Outcome o = c.act(s.t);
    EXPECT_EQ(o.error, Outcome::Refused);
    EXPECT_NE(o.message.find(c.named), std::string::npos) << o.message;
    EXPECT_EQ(s.groups().size(), 2u);
    EXPECT_EQ(s.questions().size(), 3u);
  }
  // 1024 characters of Cyrillic fit exactly: one byte each in the record.
  Templates s;
  s.fill();
  const std::string longest = [] {
    std::string t;
    for (int i = 0; i < 1024; ++i) t += "ж";
    return t;
  }();
  ASSERT_TRUE(s.t.addQuestion({30, 1, longest}));
  EXPECT_EQ(s.questions().back().text, longest);
}

TEST(QuestionTemplates, PastTheLastCodeTheLowestFreeOneIsOffered) {
  Templates s;
  ASSERT_TRUE(s.t.addGroup({1, "А"}));
  ASSERT_TRUE(s.t.addGroup({2, "Б"}));
  ASSERT_TRUE(s.t.addGroup({65535, "В"}));
  EXPECT_EQ(s.t.nextGroupCode(), 3);
  ASSERT_TRUE(s.t.addGroup({3, "Г"}));
  EXPECT_EQ(s.t.nextGroupCode(), 4);
}

}  // namespace
