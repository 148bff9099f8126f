#pragma once
// The question templates: groups (VOPSTDGR) and the template questions in
// them (VOPSTDVP), ready texts an author takes into a frame's question.
// Codes are 1 to 65535 and typed by the author (a free one is suggested); a
// code already taken is refused with the standard duplicate-key message
// naming VSG:KeyCodeGr or VSV:KeyCodeVp. A group's questions follow it when
// its code changes; a group that still holds questions is not deleted.
// Texts are UTF-8 here and must fit code page 1251 and their fields.
#include <cstdint>
#include <string>
#include <vector>

#include "installation.h"
#include "test_register.h"

namespace constructor {

struct TemplateGroup {
  std::uint16_t code = 0;
  std::string name;  // 20 characters at most
};

struct TemplateQuestion {
  std::uint16_t code = 0;
  std::uint16_t group = 0;
  std::string text;  // 1024 characters at most
  // The question as a line of the tree: its first line, cut to `most` characters.
  std::string title(std::size_t most = 80) const;
};

class QuestionTemplates {
 public:
  QuestionTemplates(std::string groupsFile, std::string questionsFile)
      : groupsFile_(std::move(groupsFile)), questionsFile_(std::move(questionsFile)) {}
  // The two tables of an installation (in its working directory).
  static QuestionTemplates of(const setup::Installation& inst);

  // In code order; missing tables are made empty.
  Outcome groups(std::vector<TemplateGroup>& out);
  Outcome questions(std::vector<TemplateQuestion>& out);

  // The code to offer for a new group or question: the last one plus 1,
  // or the lowest free one when the last is 65535; 0 when none is free.
  std::uint16_t nextGroupCode();
  std::uint16_t nextQuestionCode();

  Outcome addGroup(const TemplateGroup& g);
  // `code` is the group's code as stored; `g` may carry another one.
  Outcome changeGroup(std::uint16_t code, const TemplateGroup& g);
  Outcome removeGroup(std::uint16_t code);

  // The question's group must exist.
  Outcome addQuestion(const TemplateQuestion& q);
  Outcome changeQuestion(std::uint16_t code, const TemplateQuestion& q);
  Outcome removeQuestion(std::uint16_t code);

 private:
  std::string groupsFile_, questionsFile_;
};

}  // namespace constructor
