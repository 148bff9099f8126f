#pragma once
// A question bank as the open formats describe it, between a file and the
// frames of a test: the readers of GIFT, Moodle XML and QTI fill it, the
// frame plan (frame_plan.h) turns it into frames; the other way the test's
// frames become questions (test_questions.h) that the writers put out. All
// texts are UTF-8 plain text with "\n" line breaks.
#include <cstdint>
#include <string>
#include <vector>

namespace converter {

enum class QuestionType {
  Choice,       // multiple choice: one (single) or several answers to tick
  TrueFalse,    // a statement, true or false
  Matching,     // rows matched with answers
  Ordering,     // items put in order
  ShortAnswer,  // a typed word or phrase
  Numerical,    // a typed number
  Skipped,      // a question this system has no frame for (skipReason says why)
};

struct Answer {
  std::string text;      // choice, short answer, ordering item (in the right order)
  double fraction = 0;   // per cent of the question's grade (negative: a penalty)
  std::string feedback;  // shown when this answer is chosen
};

// A number to type: one value (high empty) or the range low..high, as
// decimal texts with "." ("2.5", "-3").
struct NumberAnswer {
  std::string low, high;
  bool outOfRange = false;  // the bounds need more digits than a frame holds
  double fraction = 100;
  std::string feedback;
};

struct Pair {
  std::string row;     // empty: an answer offered that matches no row
  std::string answer;
};

struct Question {
  QuestionType type = QuestionType::Skipped;
  std::string skipReason;   // for Skipped: why, as the user reads it
  std::string where;        // its place in the source: "строка 12", "<question> в строке 40", "items/q1.xml"
  std::string name;         // the source's own name of the question
  std::string category;     // the category (section) it belongs to; empty for none
  std::string text;         // the question
  std::string generalFeedback;
  std::vector<std::uint8_t> picture;  // image bytes (PNG, JPEG, GIF, BMP)

  bool single = true;             // Choice: one answer is chosen
  bool truth = true;              // TrueFalse: the statement is true
  std::string feedbackRight;      // TrueFalse: on the right answer
  std::string feedbackWrong;      // TrueFalse: on the wrong answer
  std::vector<Answer> answers;    // Choice, ShortAnswer, Ordering
  std::vector<Pair> pairs;        // Matching
  bool caseMatters = false;       // ShortAnswer: letter case must match
  std::vector<NumberAnswer> numbers;  // Numerical

  std::vector<std::string> notes;  // what the reader or writer could not carry over
};

// What a reader made of a file: the questions in their order, or the
// errors that made the file unreadable (each with its line or element).
struct Bank {
  std::vector<Question> questions;
  std::vector<std::string> errors;
  bool ok() const { return errors.empty(); }
};

// The formats, by the file they come from.
enum class Format { Unknown, Gift, MoodleXml, QtiItem, QtiPackage };
const char* formatName(Format f);  // "GIFT", "Moodle XML", ...

}  // namespace converter
