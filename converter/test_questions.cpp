#include "test_questions.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "answer_checking.h"
#include "cp1251.h"
#include "filepath.h"
#include "installation.h"
#include "moodle_xml.h"
#include "sources.h"
#include "text.h"

namespace converter {
namespace {

std::string memoText(const std::string& cp) {
  std::string out = cp1251::toUtf8(cp);
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  return tidyLines(out);
}

std::string comment(const tables::Training* help, int i) {
  return help ? help->COMMOT[static_cast<std::size_t>(i)].utf8() : std::string();
}

constructor::Outcome refused(std::string text) { return {constructor::Outcome::Refused, std::move(text)}; }

}  // namespace

Question questionOfFrame(const tables::Vop& v, const tables::Training* help, const std::string& section) {
  Question q;
  q.name = "Кадр " + std::to_string(v.CODEVOP);
  q.where = q.name;
  q.category = section;
  q.text = memoText(v.VOPROS.text);
  if (help) q.generalFeedback = memoText(help->HELPVOP.text);
  if (!v.BLOBVOP.empty()) q.picture = v.BLOBVOP.bytes;
  auto skip = [&](std::string why) {
    q.type = QuestionType::Skipped;
    q.skipReason = std::move(why);
    return q;
  };
  if (v.TYPEEDIT == "Objk") return skip("Кадр-объект: его документ в эти форматы не переносится.");
  const int n = std::min<int>(v.KOLOT, 9);
  auto variant = [&](int i) { return v.varot1(i + 1).utf8(); };
  auto key = [&](int i) { return static_cast<int>(v.TRUEOT[static_cast<std::size_t>(i)]); };
  switch (v.TYPEKADR) {
    case 1: {
      q.type = QuestionType::Choice;
      q.single = false;
      int right = 0;
      long weights = 0;
      bool weighted = true;
      for (int i = 0; i < n; ++i)
        if (key(i) == 1) {
          ++right;
          weights += v.MARK[static_cast<std::size_t>(i)];
          weighted = weighted && v.MARK[static_cast<std::size_t>(i)] > 0;
        }
      // The right ones share the grade by their weights (evenly without
      // them); the wrong ones take it back, so that ticking all earns nothing.
      for (int i = 0; i < n; ++i) {
        Answer a;
        a.text = variant(i);
        a.feedback = comment(help, i);
        if (key(i) == 1) a.fraction = weighted && weights > 0 ? 100.0 * v.MARK[static_cast<std::size_t>(i)] / static_cast<double>(weights) : 100.0 / right;
        else a.fraction = -100.0 / (n - right);
        q.answers.push_back(a);
      }
      return q;
    }
    case 3: {
      const int right = key(0) - 1;
      if (n == 2 && variant(0) == "Верно" && variant(1) == "Неверно" && (right == 0 || right == 1)) {
        q.type = QuestionType::TrueFalse;
        q.truth = right == 0;
        q.feedbackRight = comment(help, right);
        q.feedbackWrong = comment(help, 1 - right);
        return q;
      }
      q.type = QuestionType::Choice;
      q.single = true;
      for (int i = 0; i < n; ++i) q.answers.push_back({variant(i), i == right ? 100.0 : 0.0, comment(help, i)});
      return q;
    }
    case 2: {
      q.type = QuestionType::Ordering;
      std::vector<std::pair<int, int>> places;  // place, variant
      for (int i = 0; i < n; ++i) places.emplace_back(key(i), i);
      std::sort(places.begin(), places.end());
      for (const auto& [place, i] : places) q.answers.push_back({variant(i), 0, comment(help, i)});
      return q;
    }
    case 4: {
      q.type = QuestionType::Matching;
      std::vector<bool> used(static_cast<std::size_t>(n), false);
      for (int r = 0; r < 9; ++r) {
        const auto& row = v.VAROT2[static_cast<std::size_t>(r)];
        if (row.blank() || key(r) < 1 || key(r) > n) continue;
        used[static_cast<std::size_t>(key(r) - 1)] = true;
        q.pairs.push_back({row.utf8(), variant(key(r) - 1)});
      }
      for (int i = 0; i < n; ++i)
        if (!used[static_cast<std::size_t>(i)]) q.pairs.push_back({{}, variant(i)});
      for (int i = 0; i < n; ++i)
        if (!comment(help, i).empty()) {
          q.notes.push_back(q.name + ": отклики к вариантам сопоставления не выгружаются.");
          break;
        }
      return q;
    }
    case 5: {
      std::vector<int> slots;
      for (int j = 1; j <= 5; ++j)
        if (!v.varot1(4 + j).blank()) slots.push_back(j);
      if (slots.size() != 1) return skip("Нужно ввести несколько ключевых слов сразу: такой проверки в этих форматах нет.");
      const std::string first = trim(v.varot1(4 + slots[0]).utf8());
      const std::string second = trim(v.VAROT2[static_cast<std::size_t>(3 + slots[0])].utf8());
      if (v.TYPEETOT == 2) {
        q.type = QuestionType::Numerical;
        NumberAnswer a;
        const auto low = decimalText(first), high = decimalText(second);
        if (!low) return skip("Граница «" + first + "» не число.");
        a.low = *low;
        if (high && *high != *low) a.high = *high;
        q.numbers.push_back(a);
        return q;
      }
      q.type = QuestionType::ShortAnswer;
      q.answers.push_back({first, 100, {}});
      for (const auto& s : common::synonyms(cp1251::fromUtf8(second))) q.answers.push_back({cp1251::toUtf8(s), 100, {}});
      return q;
    }
    case 6:
      q.type = QuestionType::ShortAnswer;
      q.caseMatters = true;
      q.answers.push_back({v.TRUEOTSTR.utf8(), 100, {}});
      return q;
    case 7: return skip("Генератор: задача с генерацией данных в эти форматы не переносится.");
    default: return skip("Неизвестный тип кадра " + std::to_string(v.TYPEKADR) + ".");
  }
}

int questionsOfTest(testfile::TestFile& tf, std::vector<Question>& out) {
  out.clear();
  std::map<int, std::string> sections;
  int rc = tf.razdelT.set();
  if (rc != store::Ok) return rc;
  while ((rc = tf.razdelT.next()) == store::Ok) sections[tf.razdel.CODERAZ] = tf.razdel.NAME.utf8();
  if (rc != store::NoRecord) return rc;
  std::vector<tables::Vop> frames;
  if ((rc = tf.frames(frames)) != store::Ok) return rc;
  for (const auto& v : frames) {
    std::string section;
    if (v.CODERAZ) section = sections.count(v.CODERAZ) ? sections[v.CODERAZ] : v.RAZDEL.utf8();
    rc = tf.findHelp(v.CODEVOP);
    if (rc != store::Ok && rc != store::NoRecord) return rc;
    const tables::Training help = tf.training;
    out.push_back(questionOfFrame(v, rc == store::Ok ? &help : nullptr, section));
  }
  return store::Ok;
}

std::string exportTargetRefusal(const std::string& testPath, const std::string& outPath) {
  const std::string name = filepath::fileNameOf(outPath);
  std::string why;
  if (name.empty() || name == "." || name == "..") return "Не задано имя файла выгрузки.";
  if (!setup::safeFileName(name, &why)) return why;
  const std::string source = filepath::resolve(testPath);
  const std::string target = filepath::resolve(outPath);
  std::error_code ec;
  if (source == target || std::filesystem::equivalent(source, target, ec))
    return "Файл " + outPath + " и есть выгружаемый тест.";
  // The installation's own files are never overwritten by an export.
  const std::string lowered = cp1251::lower(name);
  for (const char* ext : {".orm", ".emb", ".tps", ".rez", ".ini"})
    if (lowered.size() >= 4 && lowered.compare(lowered.size() - 4, 4, ext) == 0)
      return "Файл " + outPath + ": тест не выгружается в файл с расширением " + ext + " (это файлы установки).";
  if (filepath::isDirectory(target)) return "Файл " + outPath + " — это каталог.";
  return {};
}

constructor::Outcome exportTest(const std::string& testPath, const std::string& keyWord, Format format, const std::string& outPath,
                                Written& written, bool replace) {
  if (const std::string why = exportTargetRefusal(testPath, outPath); !why.empty()) return refused(why);
  if (!replace && filepath::exists(filepath::resolve(outPath)))
    return refused("Файл " + outPath + " уже есть; он заменяется только по согласию.");
  if (format != Format::Gift && format != Format::MoodleXml) return refused("Тест выгружается только в GIFT или Moodle XML.");
  std::string name = filepath::fileNameOf(testPath);
  if (name.size() < 4 || cp1251::lower(name.substr(name.size() - 4)) != ".orm") return refused("Файл теста " + testPath + " должен иметь расширение .orm.");
  name.resize(name.size() - 4);
  std::string dir = filepath::directoryOf(testPath);
  if (!dir.empty()) dir += "/";
  if (!filepath::exists(filepath::resolve(testPath))) return refused("Файл теста " + testPath + " не найден.");
  testfile::TestFile tf;
  tf.name(dir, name, keyWord);
  if (int rc = tf.open(); rc != store::Ok) {
    if (rc == store::NotDataFile) return {rc, "Файл " + testPath + " не открывается ключевым словом этой установки: тест сделан в другой установке."};
    return {rc, "Не удалось открыть тест " + testPath + " (" + tf.error().text() + ")."};
  }
  std::vector<Question> questions;
  const int rc = questionsOfTest(tf, questions);
  tf.close();
  if (rc != store::Ok) return {rc, "Не удалось прочитать кадры теста " + testPath + "."};
  written = format == Format::Gift ? writeGift(questions) : writeMoodleXml(questions);
  for (const auto& q : questions)
    for (const auto& n : q.notes) written.notes.push_back(n);
  if (!writeFile(outPath, written.text)) return refused("Не удалось записать файл " + outPath + ".");
  return {};
}

}  // namespace converter
