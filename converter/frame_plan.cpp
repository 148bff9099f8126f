#include "frame_plan.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>

#include "cp1251.h"
#include "frame_rules.h"
#include "text.h"

namespace converter {
namespace {

constexpr int kVariants = 9;
constexpr int kSlots = 5;

bool full(double fraction) { return fraction >= 99.99; }

// A frame's contents in UTF-8, before they are checked and put in a record.
struct Draft {
  int kind = 0;
  bool numbers = false;
  std::string text;
  std::vector<std::string> variants;  // VAROT11..
  std::vector<std::string> comments;  // per variant
  std::vector<std::string> rows;      // kind 4: VAROT2[1..]
  std::array<std::uint8_t, 9> key{};
  std::array<double, 9> fractions{};  // kind 1: the right answers' shares, weighed into the frame's points
  std::string first, second;          // completion slot 1
  std::string exact;                  // kind 6
};

struct Mapping {
  Draft d;
  std::string skipped;
  std::vector<std::string> notes;
};

std::string quoted(const std::string& s) { return "«" + (s.size() > 60 ? s.substr(0, 57) + "..." : s) + "»"; }

// The places n items are stored in: shuffled, so that neither the printed
// test nor the editor shows the answer in order, and the same for the same
// question on every run. order[k] is the item stored at place k.
std::vector<int> storedOrder(int n, const std::string& seedText) {
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::uint32_t seed = 2166136261u;
  for (unsigned char c : seedText) seed = (seed ^ c) * 16777619u;
  std::mt19937 random(seed);
  for (int i = n - 1; i > 0; --i) std::swap(order[static_cast<std::size_t>(i)], order[random() % static_cast<std::uint32_t>(i + 1)]);
  if (std::is_sorted(order.begin(), order.end())) std::rotate(order.begin(), order.begin() + 1, order.end());
  return order;
}

void choice(const Question& q, Mapping& m) {
  const auto& a = q.answers;
  const int n = static_cast<int>(a.size());
  if (n > kVariants) {
    m.skipped = "Вариантов ответа " + std::to_string(n) + ", а в кадре их не больше девяти.";
    return;
  }
  std::vector<int> right, complete;
  bool penalties = false;
  for (int i = 0; i < n; ++i) {
    if (a[static_cast<std::size_t>(i)].fraction > 0) right.push_back(i);
    if (full(a[static_cast<std::size_t>(i)].fraction)) complete.push_back(i);
    penalties = penalties || a[static_cast<std::size_t>(i)].fraction < 0;
  }
  if (right.empty()) {
    m.skipped = "Нет верного ответа.";
    return;
  }
  for (const auto& ans : a) {
    m.d.variants.push_back(oneLine(ans.text));
    m.d.comments.push_back(ans.feedback);
  }
  if (q.single) {
    if (complete.size() > 1) {
      m.skipped = "Полностью верны несколько ответов, а выбрать можно один: в кадре с одним верным ответом так нельзя.";
      return;
    }
    int best = right.front();
    for (int i : right)
      if (a[static_cast<std::size_t>(i)].fraction > a[static_cast<std::size_t>(best)].fraction) best = i;
    m.d.kind = 3;
    m.d.key[0] = static_cast<std::uint8_t>(best + 1);
    if (right.size() > 1) m.notes.push_back("Частично верные ответы засчитываются как неверные: верен только ответ " + quoted(a[static_cast<std::size_t>(best)].text) + ".");
    return;
  }
  // Boxes to tick (however many are right): the right ones share the
  // frame's points as their fractions share the grade.
  m.d.kind = 1;
  for (int i : right) {
    m.d.key[static_cast<std::size_t>(i)] = 1;
    m.d.fractions[static_cast<std::size_t>(i)] = a[static_cast<std::size_t>(i)].fraction;
  }
  if (penalties) m.notes.push_back("Отрицательные доли неверных ответов не переносятся: их вес 0.");
}

void trueFalse(const Question& q, Mapping& m) {
  m.d.kind = 3;
  m.d.variants = {"Верно", "Неверно"};
  m.d.key[0] = q.truth ? 1 : 2;
  m.d.comments = q.truth ? std::vector<std::string>{q.feedbackRight, q.feedbackWrong} : std::vector<std::string>{q.feedbackWrong, q.feedbackRight};
}

void ordering(const Question& q, Mapping& m) {
  const int n = static_cast<int>(q.answers.size());
  if (n > kVariants) {
    m.skipped = "Элементов " + std::to_string(n) + ", а в кадре их не больше девяти.";
    return;
  }
  if (n < 2) {
    m.skipped = "Упорядочивать нечего: элементов меньше двух.";
    return;
  }
  m.d.kind = 2;
  // Each stored variant keyed with its place in the right order.
  const std::vector<int> order = storedOrder(n, q.text);
  for (int k = 0; k < n; ++k) {
    const auto& item = q.answers[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
    m.d.variants.push_back(oneLine(item.text));
    m.d.comments.push_back(item.feedback);
    m.d.key[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(order[static_cast<std::size_t>(k)] + 1);
  }
}

void matching(const Question& q, Mapping& m) {
  std::vector<std::string> answers;
  std::vector<std::pair<std::string, int>> rows;
  for (const auto& p : q.pairs) {
    const std::string answer = oneLine(p.answer);
    auto at = std::find(answers.begin(), answers.end(), answer);
    if (at == answers.end()) at = answers.insert(answers.end(), answer);
    if (!trim(p.row).empty()) rows.emplace_back(oneLine(p.row), static_cast<int>(at - answers.begin()));
  }
  if (rows.empty()) {
    m.skipped = "Нет ни одной пары для сопоставления.";
    return;
  }
  if (rows.size() > kVariants || answers.size() > kVariants) {
    m.skipped = "Элементов " + std::to_string(rows.size()) + " и пар " + std::to_string(answers.size()) + ", а в кадре их не больше девяти.";
    return;
  }
  m.d.kind = 4;
  // The answers stored shuffled, each row keyed with the place its answer took.
  const std::vector<int> order = storedOrder(static_cast<int>(answers.size()), q.text);
  std::vector<int> placeOf(answers.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    m.d.variants.push_back(answers[static_cast<std::size_t>(order[k])]);
    placeOf[static_cast<std::size_t>(order[k])] = static_cast<int>(k);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    m.d.rows.push_back(rows[i].first);
    m.d.key[i] = static_cast<std::uint8_t>(placeOf[static_cast<std::size_t>(rows[i].second)] + 1);
  }
}

void shortAnswer(const Question& q, Mapping& m) {
  std::vector<std::string> right;
  bool partial = false, feedback = false;
  for (const auto& a : q.answers) {
    if (!a.feedback.empty() && a.fraction > 0) feedback = true;
    if (a.fraction <= 0) continue;
    if (!full(a.fraction)) {
      partial = true;
      continue;
    }
    // A keyword is found anywhere in the typed answer, as "*" around it would.
    std::string t = oneLine(a.text);
    while (!t.empty() && t.front() == '*') t.erase(0, 1);
    while (!t.empty() && t.back() == '*') t.pop_back();
    t = trim(t);
    if (t.empty() || t.find('*') != std::string::npos) {
      m.notes.push_back("Ответ " + quoted(a.text) + " с подстановочным знаком «*» не переносится.");
      continue;
    }
    right.push_back(t);
  }
  if (partial) m.notes.push_back("Частично верные ответы не переносятся.");
  if (feedback) m.notes.push_back("Отклики на введённые ответы не переносятся.");
  if (right.empty()) {
    m.skipped = "Нет верного ответа.";
    return;
  }
  // Synonyms are separated by commas, so one holding a comma cannot be kept;
  // dropped first, so that what remains decides the kind.
  std::vector<std::string> kept{right.front()};
  for (std::size_t i = 1; i < right.size(); ++i) {
    if (right[i].find(',') != std::string::npos)
      m.notes.push_back("Синоним " + quoted(right[i]) + " с запятой не переносится: синонимы разделяются запятыми.");
    else
      kept.push_back(right[i]);
  }
  // One answer compared exactly when letter case matters, when it has no
  // letters (a formula, a number written as text: a keyword search would
  // take "14" for "4"), or when it is one character (a keyword of one
  // character is compared with the first character typed only, so "б"
  // would take "бег").
  const bool oneCharacter = kept.size() == 1 && cp1251::fromUtf8(kept.front()).size() == 1;
  if (kept.size() == 1 && (q.caseMatters || !hasLetter(kept.front()) || oneCharacter)) {
    m.d.kind = 6;
    m.d.exact = kept.front();
    if (!q.caseMatters && hasLetter(kept.front())) m.notes.push_back("Ответ сравнивается точно: буква должна быть введена в том же регистре.");
    return;
  }
  m.d.kind = 5;
  m.d.first = kept.front();
  for (std::size_t i = 1; i < kept.size(); ++i) m.d.second += (m.d.second.empty() ? "" : ", ") + kept[i];
  if (q.caseMatters && std::any_of(kept.begin(), kept.end(), [](const std::string& a) { return hasLetter(a); }))
    m.notes.push_back("Регистр букв не учитывается: ключевые слова сравниваются без него.");
}

void numerical(const Question& q, Mapping& m) {
  std::vector<const NumberAnswer*> right;
  bool partial = false, feedback = false;
  for (const auto& n : q.numbers) {
    if (!n.feedback.empty() && n.fraction > 0) feedback = true;
    if (full(n.fraction)) right.push_back(&n);
    else if (n.fraction > 0) partial = true;
  }
  if (partial) m.notes.push_back("Частично верные числа не переносятся.");
  if (feedback) m.notes.push_back("Отклики на введённые ответы не переносятся.");
  if (right.empty()) {
    m.skipped = "Нет верного ответа.";
    return;
  }
  if (right.front()->outOfRange) {
    m.skipped = "Число или допуск слишком длинны: границы ответа не помещаются в поля кадра.";
    return;
  }
  if (right.size() > 1) m.notes.push_back("Верных чисел несколько: перенесено первое.");
  m.d.kind = 5;
  m.d.numbers = true;
  m.d.first = right.front()->low;
  m.d.second = right.front()->high;
}

Mapping map(const Question& q) {
  Mapping m;
  m.d.text = q.text;
  switch (q.type) {
    case QuestionType::Choice: choice(q, m); break;
    case QuestionType::TrueFalse: trueFalse(q, m); break;
    case QuestionType::Ordering: ordering(q, m); break;
    case QuestionType::Matching: matching(q, m); break;
    case QuestionType::ShortAnswer: shortAnswer(q, m); break;
    case QuestionType::Numerical: numerical(q, m); break;
    case QuestionType::Skipped: m.skipped = q.skipReason; break;
  }
  return m;
}

// Memo texts keep the line breaks of the system's editors.
std::string memoText(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    if (c == '\n') out += "\r\n";
    else if (c != '\r') out += c;
  }
  return cp1251::fromUtf8(out);
}

// The weights of a kind 1 frame: the Examiner's weighted marking adds the
// weight of every variant answered as the key, so the right answers share
// the frame's points as their fractions share the grade. Each takes the
// whole part of its share and the points left over go to the largest
// remainders, so that the weights add up to the points exactly.
// `rough` tells the shares that the weights could not keep exactly, as a
// note's text; empty when they did.
std::array<std::int32_t, 9> weights(const std::array<double, 9>& fractions, int points, std::string& rough) {
  std::array<std::int32_t, 9> w{};
  const double total = std::accumulate(fractions.begin(), fractions.end(), 0.0);
  if (total <= 0 || points <= 0) return w;
  std::array<double, 9> rest{};
  int given = 0;
  for (std::size_t i = 0; i < 9; ++i) {
    const double share = points * fractions[i] / total;
    w[i] = static_cast<std::int32_t>(std::floor(share + 1e-9));
    rest[i] = share - w[i];
    given += w[i];
  }
  std::array<std::size_t, 9> byRest{};
  std::iota(byRest.begin(), byRest.end(), std::size_t{0});
  std::stable_sort(byRest.begin(), byRest.end(), [&](std::size_t a, std::size_t b) { return rest[a] > rest[b] + 1e-9; });
  for (std::size_t k = 0; given < points && k < 9; ++k)
    if (fractions[byRest[k]] > 0) ++w[byRest[k]], ++given;
  bool exact = true;
  for (std::size_t i = 0; i < 9; ++i) exact = exact && std::abs(w[i] * total - points * fractions[i]) < 1e-6 * total * points;
  if (!exact) {
    std::string list;
    for (std::size_t i = 0; i < 9; ++i)
      if (fractions[i] > 0) list += (list.empty() ? "" : ", ") + numberText(100 * fractions[i] / total, 2) + "% → " + std::to_string(w[i]);
    rough = "Доли верных ответов переданы весами из " + std::to_string(points) + " балл(ов) кадра неточно: " + list + ".";
  }
  return w;
}

// Every text checked against the code page and its field's width; what
// does not fit a text that decides the answer skips the question, a
// comment or help too long is cut (noted).
class Filler {
 public:
  Filler(PlannedFrame& f) : f_(f) {}
  std::vector<std::string> problems;

  bool fits(const std::string& label, const std::string& text, std::size_t width) {
    if (std::string why = common::unfitMessage(label, text); !why.empty()) {
      problems.push_back(why);
      return false;
    }
    const std::size_t size = cp1251::fromUtf8(text).size();
    if (size > width) {
      problems.push_back(label + ": " + std::to_string(size) + " знаков, а помещается " + std::to_string(width) + ".");
      return false;
    }
    return true;
  }
  std::string cut(const std::string& label, const std::string& cp, std::size_t width) {
    if (cp.size() <= width) return cp;
    f_.notes.push_back(label + " длиннее " + std::to_string(width) + " знаков: обрезан(а).");
    return cp.substr(0, width);
  }

 private:
  PlannedFrame& f_;
};

void fill(const Question& q, const Draft& d, const tables::Tema& tema, const tables::VopParam& defaults, PlannedFrame& f) {
  tables::Vop v;
  v.CODETEMA = tema.CODETEMA;
  v.TYPEEDIT = "Stnd";
  v.TYPEKADR = static_cast<std::uint8_t>(d.kind);
  v.TYPEETOT = d.numbers ? 2 : 1;
  v.KOLPOP = defaults.KOLPOP ? defaults.KOLPOP : 1;
  v.VARTEST = defaults.VARTEST;
  v.LEVEL = defaults.LEVEL;
  v.TIMEVOP = defaults.TIMEVOP;
  v.BALLVOP = defaults.BALLVOP;
  v.HEIGTTEXTVOP = 216;
  v.HEIGTTEXTOT.fill(216);
  Filler fl(f);
  // The width counts the memo as stored, its line breaks two characters each.
  if (fl.fits("Вопрос", d.text, 1u << 30)) {
    const std::string memo = memoText(d.text);
    if (memo.size() > 5000) fl.problems.push_back("Вопрос: " + std::to_string(memo.size()) + " знаков, а помещается 5000.");
    else v.VOPROS = memo;
  }
  for (std::size_t i = 0; i < d.variants.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    if (fl.fits(d.kind == 4 ? "Пара " + n : "Вариант " + n, d.variants[i], 512)) v.varot1(static_cast<int>(i + 1)) = cp1251::fromUtf8(d.variants[i]);
  }
  for (std::size_t i = 0; i < d.rows.size(); ++i)
    if (fl.fits("Элемент " + std::to_string(i + 1), d.rows[i], 256)) v.VAROT2[i] = cp1251::fromUtf8(d.rows[i]);
  v.TRUEOT = d.key;
  if (d.kind == 1) {
    std::string rough;
    v.MARK = weights(d.fractions, common::framePoints(v, tema), rough);
    // Named by frame when the scenario marks by the weights; otherwise they
    // wait for a scenario that does, and the plan says so once.
    f.roughWeights = !rough.empty();
    if (f.roughWeights && tema.DIFFBALL) f.notes.push_back(rough);
  }
  if (d.kind == 5) {
    if (fl.fits("Ответ", d.first, common::kTypedAnswer)) v.VAROT15 = cp1251::fromUtf8(d.first);
    if (fl.fits(d.numbers ? "Верхняя граница" : "Синонимы", d.second, 256)) v.VAROT2[4] = cp1251::fromUtf8(d.second);
  }
  if (d.kind == 6 && fl.fits("Ответ", d.exact, common::kTypedAnswer)) v.TRUEOTSTR = cp1251::fromUtf8(d.exact);
  if (!q.picture.empty()) {
    v.BLOBVOP.bytes = q.picture;
    v.YESIMAGE = 1;
  }

  tables::Training h;
  if (!q.generalFeedback.empty() && fl.fits("Справка", q.generalFeedback, 1u << 30))
    h.HELPVOP = fl.cut("Текст справки", memoText(q.generalFeedback), 5000);
  for (std::size_t i = 0; i < d.comments.size() && i < 9; ++i) {
    const std::string label = "Отклик на вариант " + std::to_string(i + 1);
    if (!d.comments[i].empty() && fl.fits(label, d.comments[i], 1u << 30)) h.COMMOT[i] = fl.cut(label, cp1251::fromUtf8(oneLine(d.comments[i])), 300);
  }
  if (!fl.problems.empty()) {
    f.skipped = "";
    for (const auto& p : fl.problems) f.skipped += (f.skipped.empty() ? "" : " ") + p;
    return;
  }
  // The Constructor's own rules decide whether the frame may be saved.
  common::VariantMoves moves;
  const auto problems = common::normaliseFrame(v, tema, moves);
  if (!problems.empty()) {
    for (const auto& p : problems) f.skipped += (f.skipped.empty() ? "" : " ") + p;
    return;
  }
  common::followVariants(h, moves);
  f.kind = d.kind;
  f.vop = v;
  f.help = h;
  f.hasHelp = !h.HELPVOP.text.empty() || std::any_of(h.COMMOT.begin(), h.COMMOT.end(), [](const auto& c) { return !c.blank(); });
}

}  // namespace

int Plan::frames() const {
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const PlannedFrame& f) { return f.kind != 0; }));
}

std::string sectionName(const std::string& path) {
  std::string p = trim(path);
  // Moodle names the context first: "$course$/", "$system$/".
  if (!p.empty() && p.front() == '$') {
    const auto end = p.find('$', 1);
    if (end != std::string::npos) {
      p = p.substr(end + 1);
      if (!p.empty() && p.front() == '/') p.erase(0, 1);
    }
  }
  if (p == "top") return {};
  if (p.rfind("top/", 0) == 0) p = p.substr(4);
  return trim(p);
}

std::string kindName(const tables::Vop& v) {
  switch (v.TYPEKADR) {
    case 1: return "Выбор-N";
    case 2: return "Ранжир";
    case 3: return "Выбор-1";
    case 4: return "Сопоставление";
    case 5: return v.TYPEETOT == 2 ? "Дополнение (число)" : "Дополнение (слова)";
    case 6: return "Точный ответ";
    case 7: return "Генератор";
    default: return "Тип " + std::to_string(v.TYPEKADR);
  }
}

Plan planFrames(const Bank& bank, const tables::Tema& tema, const tables::VopParam& defaults) {
  Plan plan;
  plan.tema = tema;
  for (std::size_t i = 0; i < bank.questions.size(); ++i) {
    const Question& q = bank.questions[i];
    PlannedFrame f;
    f.question = static_cast<int>(i);
    f.where = q.where;
    f.name = q.name;
    f.notes = q.notes;
    Mapping m = map(q);
    f.notes.insert(f.notes.end(), m.notes.begin(), m.notes.end());
    if (!m.skipped.empty()) f.skipped = m.skipped;
    else fill(q, m.d, tema, defaults, f);
    // A question not imported is named by why alone.
    if (!f.kind) f.notes.clear();
    plan.items.push_back(std::move(f));
  }

  // Sections in the order their categories first hold a frame; the eighth
  // and later join the seventh.
  std::map<std::string, int> numbers;
  for (PlannedFrame& f : plan.items) {
    if (!f.kind) continue;
    std::string name = sectionName(bank.questions[static_cast<std::size_t>(f.question)].category);
    if (name.empty()) continue;
    auto it = numbers.find(name);
    if (it == numbers.end()) {
      if (plan.sections.size() < 7) {
        const int number = static_cast<int>(plan.sections.size()) + 1;
        // The section's own name: the path when it fits, else its last part.
        std::string shown = name;
        if (cp1251::fromUtf8(shown).size() > 40 && shown.find('/') != std::string::npos) shown = trim(shown.substr(shown.rfind('/') + 1));
        if (!common::unfitMessage("", shown).empty()) {
          plan.notes.push_back(common::unfitMessage("Категория «" + name + "»", shown) + " Раздел назван «Раздел " + std::to_string(number) + "».");
          shown = "Раздел " + std::to_string(number);
        }
        if (cp1251::fromUtf8(shown).size() > 40) {
          plan.notes.push_back("Название раздела «" + shown + "» обрезано до 40 знаков.");
          shown = cp1251::toUtf8(cp1251::fromUtf8(shown).substr(0, 40));
        }
        plan.sections.push_back({number, shown});
        it = numbers.emplace(name, number).first;
      } else {
        plan.notes.push_back("Категорий больше семи: вопросы категории «" + name + "» отнесены к седьмому разделу «" +
                             plan.sections.back().name + "».");
        it = numbers.emplace(name, 7).first;
      }
    }
    f.vop.CODERAZ = static_cast<std::uint8_t>(it->second);
    f.vop.RAZDEL = cp1251::fromUtf8(plan.sections[static_cast<std::size_t>(it->second - 1)].name);
  }

  if (!tema.DIFFBALL) {
    const auto rough = std::count_if(plan.items.begin(), plan.items.end(), [](const PlannedFrame& f) { return f.kind && f.roughWeights; });
    if (rough)
      plan.notes.push_back("Кадров «Выбор-N», где баллов кадра мало, чтобы веса верных ответов точно передали их доли: " +
                           std::to_string(rough) + ". Новый тест оценивает ответы без весов.");
  }
  // Counted as written: the frames, not the questions skipped on the way.
  if (plan.frames() > kMostFrames)
    plan.refusal = "Кадров для импорта " + std::to_string(plan.frames()) + ", а в тесте их может быть не больше " +
                   std::to_string(kMostFrames) + " (столько мест в заголовке результата). Разделите файл на части.";
  else if (plan.frames() == 0)
    plan.refusal = "В файле нет ни одного вопроса, который можно перенести в тест.";
  return plan;
}

}  // namespace converter
