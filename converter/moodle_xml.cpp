#include "moodle_xml.h"

#include <libxml/tree.h>

#include <map>
#include <optional>

#include "text.h"
#include "xml.h"

namespace converter {
namespace {

using xml::attribute;
using xml::content;
using xml::element;
using xml::elements;

const char* const kPluginFile = "@@PLUGINFILE@@/";

// Types this system has no frame for, and why.
std::string skippedType(const std::string& type) {
  if (type == "description") return "Описание без ответа.";
  if (type == "essay") return "Эссе: ответ проверяет преподаватель.";
  if (type == "multianswer") return "Вопрос с вложенными ответами (Cloze).";
  if (type == "calculated" || type == "calculatedsimple" || type == "calculatedmulti")
    return "Вычисляемый вопрос: его числа меняются от попытки к попытке.";
  if (type == "random" || type == "randomsamatch") return "Случайный вопрос из категории: его вопросы выбирает Moodle.";
  if (type == "ddwtos" || type == "gapselect" || type == "ddimageortext" || type == "ddmarker")
    return "Вопрос с перетаскиванием или выбором пропущенных слов.";
  return "Тип вопроса «" + type + "» не поддерживается.";
}

class Reader {
 public:
  Reader(Bank& bank, const Fetch& fetch) : bank_(bank), fetch_(fetch) {}

  void question(xmlNode* qn) {
    const std::string type = attribute(qn, "type");
    if (type.empty()) return fail(qn, "у вопроса нет атрибута type.");
    if (type == "category") {
      xmlNode* c = element(qn, "category");
      if (!c) return fail(qn, "у категории нет элемента <category>.");
      category_ = oneLine(element(c, "text") ? content(element(c, "text")) : content(c));
      return;
    }
    Question q;
    q.category = category_;
    q.where = xml::where(qn);
    q.name = oneLine(content(element(element(qn, "name"), "text")));
    xmlNode* qt = element(qn, "questiontext");
    if (!qt) return fail(qn, "нет текста вопроса <questiontext>.");
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (xmlNode* f : elements(qt, "file")) {
      bool ok = false;
      auto bytes = base64Decode(content(f), &ok);
      if (!ok) return fail(f, "содержимое файла «" + attribute(f, "name") + "» не в кодировке base64.");
      files[attribute(f, "name")] = std::move(bytes);
    }
    std::vector<std::string> images;
    q.text = text(qt, &images);
    q.generalFeedback = text(element(qn, "generalfeedback"));
    const std::size_t errors = bank_.errors.size();

    if (type == "multichoice") {
      q.type = QuestionType::Choice;
      const std::string single = trim(content(element(qn, "single")));
      q.single = single.empty() || single == "true" || single == "1";
      answers(qn, q);
    } else if (type == "truefalse") {
      trueFalse(qn, q);
    } else if (type == "shortanswer") {
      q.type = QuestionType::ShortAnswer;
      q.caseMatters = trim(content(element(qn, "usecase"))) == "1";
      answers(qn, q);
    } else if (type == "numerical") {
      numerical(qn, q);
    } else if (type == "matching") {
      matching(qn, q);
    } else if (type == "ordering") {
      ordering(qn, q);
    } else {
      q.type = QuestionType::Skipped;
      q.skipReason = skippedType(type);
    }
    if (bank_.errors.size() != errors) return;
    if (q.type != QuestionType::Skipped) {
      Fetch local = [&](const std::string& src) -> std::optional<std::vector<std::uint8_t>> {
        const std::string n = urlDecode(src);
        if (n.rfind(kPluginFile, 0) == 0) {
          auto it = files.find(n.substr(std::string(kPluginFile).size()));
          if (it == files.end()) return std::nullopt;
          return it->second;
        }
        return fetch_ ? fetch_(src) : std::nullopt;
      };
      takePicture(q, images, local);
    }
    bank_.questions.push_back(std::move(q));
  }

 private:
  void fail(const xmlNode* n, const std::string& why) { bank_.errors.push_back(xml::where(n) + ": " + why); }

  // The text of an element that holds <text> (and a format).
  std::string text(const xmlNode* holder, std::vector<std::string>* images = nullptr) {
    if (!holder) return {};
    const std::string format = attribute(holder, "format");
    const xmlNode* t = element(holder, "text");
    const std::string raw = t ? content(t) : std::string();
    const bool html = format == "html" || ((format.empty() || format == "moodle_auto_format") && looksLikeHtml(raw));
    return html ? htmlToText(raw, images) : tidyLines(raw);
  }

  std::optional<double> fraction(const xmlNode* a) {
    const std::string f = attribute(a, "fraction");
    if (f.empty()) return 0.0;
    auto d = Decimal::parse(f);
    if (!d) {
      fail(a, "доля оценки fraction=\"" + f + "\" не число.");
      return std::nullopt;
    }
    return d->value();
  }

  void answers(const xmlNode* qn, Question& q) {
    for (xmlNode* a : elements(qn, "answer")) {
      auto f = fraction(a);
      if (!f) return;
      Answer ans;
      ans.text = text(a);
      ans.fraction = *f;
      ans.feedback = text(element(a, "feedback"));
      q.answers.push_back(ans);
    }
    if (q.answers.empty()) fail(qn, "у вопроса нет ни одного ответа <answer>.");
  }

  void trueFalse(const xmlNode* qn, Question& q) {
    q.type = QuestionType::TrueFalse;
    std::optional<double> trueFraction;
    std::string onTrue, onFalse;
    for (xmlNode* a : elements(qn, "answer")) {
      auto f = fraction(a);
      if (!f) return;
      const std::string word = lowerUtf8(trim(content(element(a, "text"))));
      if (word == "true") {
        trueFraction = *f;
        onTrue = text(element(a, "feedback"));
      } else if (word == "false") {
        onFalse = text(element(a, "feedback"));
        if (!trueFraction) trueFraction = 100 - *f;
      }
    }
    if (!trueFraction) return fail(qn, "у вопроса «верно/неверно» нет ответов true и false.");
    q.truth = *trueFraction >= 50;
    q.feedbackRight = q.truth ? onTrue : onFalse;
    q.feedbackWrong = q.truth ? onFalse : onTrue;
  }

  void numerical(const xmlNode* qn, Question& q) {
    q.type = QuestionType::Numerical;
    for (xmlNode* a : elements(qn, "answer")) {
      auto f = fraction(a);
      if (!f) return;
      const std::string value = trim(content(element(a, "text")));
      if (value == "*") {
        q.notes.push_back("Ответ «*» (любой другой) не переносится.");
        continue;
      }
      auto v = Decimal::parse(value);
      const std::string tol = trim(content(element(a, "tolerance")));
      auto t = tol.empty() ? Decimal::parse("0") : Decimal::parse(tol);
      if (!v) return fail(a, "ответ «" + value + "» не число.");
      if (!t || t->mantissa < 0) return fail(a, "допуск «" + tol + "» не число.");
      NumberAnswer n;
      n.fraction = *f;
      n.feedback = text(element(a, "feedback"));
      if (t->mantissa == 0) {
        n.low = v->str();
      } else if (const auto low = v->minus(*t), high = v->plus(*t); low && high) {
        n.low = low->str();
        n.high = high->str();
      } else {
        n.outOfRange = true;
      }
      q.numbers.push_back(n);
    }
    if (const xmlNode* units = element(qn, "units"); units && !elements(units, "unit").empty())
      q.notes.push_back("Единицы измерения не переносятся: ответом будет одно число.");
    if (q.numbers.empty()) fail(qn, "у вопроса нет ни одного числового ответа.");
  }

  // Moodle keeps each item's place in the right order as its fraction
  // (1, 2, 3...); without distinct places the items stand in the order given.
  void ordering(const xmlNode* qn, Question& q) {
    q.type = QuestionType::Ordering;
    answers(qn, q);
    std::vector<double> places;
    for (const auto& a : q.answers) places.push_back(a.fraction);
    std::sort(places.begin(), places.end());
    const bool ranked = !places.empty() && places.front() > 0 && std::adjacent_find(places.begin(), places.end()) == places.end();
    if (ranked) std::stable_sort(q.answers.begin(), q.answers.end(), [](const Answer& a, const Answer& b) { return a.fraction < b.fraction; });
    else if (!places.empty() && places.back() > 0) {
      std::string given;
      for (const auto& a : q.answers) given += (given.empty() ? "" : ", ") + numberText(a.fraction);
      q.notes.push_back("Места элементов в верном порядке (" + given + ") повторяются или не заданы: верным считается порядок файла.");
    }
    for (auto& a : q.answers) a.fraction = 0;
    const std::string grading = trim(content(element(qn, "gradingtype")));
    if (!grading.empty() && grading != "ALL_OR_NOTHING")
      q.notes.push_back("Частичная оценка порядка (" + grading + ") не переносится: ответ верен, когда верен весь порядок.");
    const std::string select = trim(content(element(qn, "selecttype")));
    const std::string count = trim(content(element(qn, "selectcount")));
    if (!select.empty() && select != "ALL" && !count.empty() && count != "0")
      q.notes.push_back("Показ части элементов (" + select + ", " + count + ") не переносится: упорядочиваются все.");
  }

  void matching(const xmlNode* qn, Question& q) {
    q.type = QuestionType::Matching;
    for (xmlNode* s : elements(qn, "subquestion")) {
      const xmlNode* a = element(s, "answer");
      if (!a) return fail(s, "у элемента нет пары <answer>.");
      q.pairs.push_back({text(s), oneLine(text(a))});
    }
    if (q.pairs.empty()) fail(qn, "у вопроса на соответствие нет элементов <subquestion>.");
  }

  Bank& bank_;
  const Fetch& fetch_;
  std::string category_;
};

// Building the file.
xmlNode* add(xmlNode* parent, const char* name, const std::string& text) {
  return xmlNewTextChild(parent, nullptr, BAD_CAST name, BAD_CAST text.c_str());
}

xmlNode* textBlock(xmlNode* parent, const char* name, const std::string& plain, const char* format = "html") {
  xmlNode* n = xmlNewChild(parent, nullptr, BAD_CAST name, nullptr);
  xmlNewProp(n, BAD_CAST "format", BAD_CAST format);
  add(n, "text", std::string(format) == "html" ? textToHtml(plain) : plain);
  return n;
}

xmlNode* answer(xmlNode* q, double fraction, const std::string& text, const std::string& feedback, const char* format = "html") {
  xmlNode* a = textBlock(q, "answer", text, format);
  xmlNewProp(a, BAD_CAST "fraction", BAD_CAST numberText(fraction, 7).c_str());
  if (!feedback.empty()) textBlock(a, "feedback", feedback);
  return a;
}

}  // namespace

Bank readMoodleXml(std::string_view bytes, const Fetch& fetch) {
  Bank bank;
  std::string error;
  xml::Document doc = xml::parse(bytes, error);
  if (!doc) {
    bank.errors.push_back(error);
    return bank;
  }
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (xml::name(root) != "quiz") {
    bank.errors.push_back(xml::where(root) + ": файл Moodle XML начинается элементом <quiz>.");
    return bank;
  }
  Reader r(bank, fetch);
  for (xmlNode* qn : elements(root)) {
    if (xml::name(qn) != "question") {
      bank.errors.push_back(xml::where(qn) + ": в <quiz> ожидаются только элементы <question>.");
      continue;
    }
    r.question(qn);
  }
  if (!bank.ok()) bank.questions.clear();
  return bank;
}

Written writeMoodleXml(const std::vector<Question>& questions) {
  Written w;
  xml::Document doc(xmlNewDoc(BAD_CAST "1.0"));
  xmlNode* quiz = xmlNewNode(nullptr, BAD_CAST "quiz");
  xmlDocSetRootElement(doc.get(), quiz);
  std::optional<std::string> category;
  int number = 0;
  for (const Question& q : questions) {
    ++number;
    const std::string who = q.name.empty() ? q.where : q.name;
    if (q.type == QuestionType::Skipped) {
      w.notes.push_back(who + ": " + q.skipReason);
      continue;
    }
    if (!category || *category != q.category) {
      category = q.category;
      xmlNode* c = xmlNewChild(quiz, nullptr, BAD_CAST "question", nullptr);
      xmlNewProp(c, BAD_CAST "type", BAD_CAST "category");
      add(xmlNewChild(c, nullptr, BAD_CAST "category", nullptr), "text",
          "$course$/top" + (q.category.empty() ? std::string() : "/" + oneLine(q.category)));
    }
    const char* type = "multichoice";
    switch (q.type) {
      case QuestionType::TrueFalse: type = "truefalse"; break;
      case QuestionType::Matching: type = "matching"; break;
      case QuestionType::Ordering: type = "ordering"; break;
      case QuestionType::ShortAnswer: type = "shortanswer"; break;
      case QuestionType::Numerical: type = "numerical"; break;
      default: break;
    }
    xmlNode* qn = xmlNewChild(quiz, nullptr, BAD_CAST "question", nullptr);
    xmlNewProp(qn, BAD_CAST "type", BAD_CAST type);
    add(xmlNewChild(qn, nullptr, BAD_CAST "name", nullptr), "text", q.name.empty() ? "Вопрос " + std::to_string(number) : q.name);

    // The picture goes inside the question text, as Moodle keeps its files.
    xmlNode* qt = xmlNewChild(qn, nullptr, BAD_CAST "questiontext", nullptr);
    xmlNewProp(qt, BAD_CAST "format", BAD_CAST "html");
    std::string html = "<p>" + textToHtml(q.text) + "</p>";
    const std::string kind = imageType(q.picture);
    const std::string file = "picture" + std::to_string(number) + "." + (kind == "jpeg" ? "jpg" : kind);
    if (!kind.empty()) html += "<p><img src=\"" + std::string(kPluginFile) + file + "\" alt=\"\"></p>";
    add(qt, "text", html);
    if (!kind.empty()) {
      xmlNode* f = add(qt, "file", base64Encode(q.picture));
      xmlNewProp(f, BAD_CAST "name", BAD_CAST file.c_str());
      xmlNewProp(f, BAD_CAST "path", BAD_CAST "/");
      xmlNewProp(f, BAD_CAST "encoding", BAD_CAST "base64");
    } else if (!q.picture.empty()) {
      w.notes.push_back(who + ": рисунок не в формате PNG, JPEG, GIF или BMP, не выгружен.");
    }
    textBlock(qn, "generalfeedback", q.generalFeedback);
    add(qn, "defaultgrade", "1");
    add(qn, "penalty", "0");
    add(qn, "hidden", "0");

    switch (q.type) {
      case QuestionType::Choice:
        add(qn, "single", q.single ? "true" : "false");
        add(qn, "shuffleanswers", "true");
        add(qn, "answernumbering", "abc");
        for (const auto& a : q.answers) answer(qn, a.fraction, a.text, a.feedback);
        break;
      case QuestionType::TrueFalse:
        answer(qn, q.truth ? 100 : 0, "true", q.truth ? q.feedbackRight : q.feedbackWrong, "moodle_auto_format");
        answer(qn, q.truth ? 0 : 100, "false", q.truth ? q.feedbackWrong : q.feedbackRight, "moodle_auto_format");
        break;
      case QuestionType::Matching:
        add(qn, "shuffleanswers", "true");
        for (const auto& p : q.pairs) {
          xmlNode* s = textBlock(qn, "subquestion", p.row);
          add(xmlNewChild(s, nullptr, BAD_CAST "answer", nullptr), "text", oneLine(p.answer));
        }
        break;
      case QuestionType::Ordering: {
        add(qn, "layouttype", "VERTICAL");
        add(qn, "selecttype", "ALL");
        add(qn, "selectcount", "0");
        add(qn, "gradingtype", "ALL_OR_NOTHING");
        int place = 0;
        for (const auto& a : q.answers) answer(qn, ++place, a.text, a.feedback);
        break;
      }
      case QuestionType::ShortAnswer:
        add(qn, "usecase", q.caseMatters ? "1" : "0");
        for (const auto& a : q.answers) answer(qn, a.fraction, a.text, a.feedback, "moodle_auto_format");
        break;
      case QuestionType::Numerical:
        for (const auto& n : q.numbers) {
          // Moodle keeps a value and its tolerance; a range is its middle and half its width.
          auto low = Decimal::parse(n.low), high = Decimal::parse(n.high);
          if (!low) continue;
          Decimal value = *low, tolerance{};
          if (high) {
            // Bounds read from a frame are short; a sum that overflows keeps the low bound.
            const auto sum = low->plus(*high), width = high->minus(*low);
            const auto middle = sum ? sum->half() : std::nullopt, halfWidth = width ? width->half() : std::nullopt;
            if (middle && halfWidth) {
              value = *middle;
              tolerance = *halfWidth;
            }
          }
          xmlNode* a = answer(qn, n.fraction, value.str(), n.feedback, "moodle_auto_format");
          add(a, "tolerance", tolerance.str());
        }
        break;
      default: break;
    }
    ++w.written;
  }
  xmlChar* mem = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc.get(), &mem, &size, "UTF-8", 1);
  if (mem) w.text.assign(reinterpret_cast<const char*>(mem), static_cast<std::size_t>(size));
  xmlFree(mem);
  return w;
}

}  // namespace converter
