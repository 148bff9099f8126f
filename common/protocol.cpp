#include "protocol.h"

#include <algorithm>
#include <cstdio>

#include "cp1251.h"
#include "pictures.h"

namespace common {

int percentageRounded(int correct, int presented) {
  return presented > 0 ? (correct * 200 + presented) / (2 * presented) : 0;
}


std::string wrongCodes(const tables::RezTest& r, int upTo) {
  std::string s;
  for (int c = 1; c <= upTo && c <= 512; ++c)
    if (r.ALLOT[static_cast<std::size_t>(c - 1)] == 0) s += picture::pattern("P###,P", c);
  return s;
}

namespace {
std::string u8(std::string_view cp) { return cp1251::toUtf8(cp1251::clip(cp)); }

std::string minutes(std::int32_t hundredths) {
  int secs = hundredths / 100;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d мин. %02d сек.", secs / 60, secs % 60);
  return buf;
}
}  // namespace

std::string timeAllowedText(const tables::Tema& t, const std::vector<tables::Vop>& frames) {
  if (t.HOWTIMETEST == 2) return std::to_string(t.TIMETEST) + " мин.";
  if (t.HOWTIMETEST != 1) return "не ограничено";
  // Per frame; a frame of 0 seconds has no limit.
  int lo = 0, hi = 0;
  bool unlimited = false;
  for (const auto& v : frames) {
    if (v.TIMEVOP == 0) {
      unlimited = true;
      continue;
    }
    lo = lo == 0 ? v.TIMEVOP : std::min<int>(lo, v.TIMEVOP);
    hi = std::max<int>(hi, v.TIMEVOP);
  }
  if (hi == 0) return frames.empty() ? "по заданиям" : "не ограничено";
  std::string s = lo == hi ? std::to_string(hi) + " сек. на задание"
                           : "от " + std::to_string(lo) + " до " + std::to_string(hi) + " сек. на задание";
  return unlimited ? s + " (на некоторые - без ограничения)" : s;
}

Protocol protocolOf(const tables::RezTest& r, const tables::Tema& t, const tables::Titul& ti, const tables::TuneTest& tune,
                    const std::vector<std::string>& sectionNames, const std::vector<tables::Vop>& frames) {
  Protocol p;
  p.title = u8(tune.NAMEPROT.view());
  p.subtitle = u8(tune.NAMEPROT2.view());
  auto add = [&](const char* label, std::string value) { p.lines.emplace_back(label, std::move(value)); };
  add("Фамилия, имя, отчество:", u8(r.FIO.view()));
  add("Группа:", u8(r.GR.view()));
  add("Класс:", std::to_string(r.CODEALL));
  add("Факультет:", u8(r.FAKET.view()));
  add("Кафедра:", u8(r.OTDEL.view()));
  add("Дисциплина:", u8(r.PREDMET.view()));
  add("Тест:", u8(r.NAMETEMA.view()));
  add("Дата тестирования:", picture::shortDate(r.DATE));
  add("Начало тестирования:", picture::time(r.TIMEBEG));
  add("Завершение тестирования:", picture::time(r.TIMEEND));
  add("Количество заданий теста:", std::to_string(r.KOLVOP));
  add("Установлено время на тест:", timeAllowedText(t, frames));
  add("Тест пройден за:", minutes(r.TESTTIMEFAKT));
  add("Ответы даны на:", std::to_string(r.KOLVOPOT));
  add("Верно выполнено:", std::to_string(r.KOLTROT));
  add("Неверно выполнено:", std::to_string(r.KOLFSOT));
  add("Процент верных ответов:", std::to_string(percentageRounded(r.KOLTROT, r.KOLVOP)) + " %");
  add("Количество баллов:", std::to_string(r.REZBAL));
  if (!t.SHOWOTM) {
    std::string text = u8(r.REZTEXT.view());
    if (t.MODEOZENKA == 3) text = text == "Тест не сдан.Незачет" ? "Тест не сдан. Незачтено" : "Тест сдан. Зачтено";
    else if (t.MODEOZENKA == 2 && r.OTMETKA) text = std::to_string(r.OTMETKA);
    add("Результат:", text);
  }
  p.wrong = wrongCodes(r, 500);
  p.showWrong = r.KOLTROT != r.KOLVOP;
  if (t.YESRAZ) {
    for (int n = 1; n <= ti.KOLRAZD && n <= 7; ++n) {
      SectionRow row;
      row.name = n <= static_cast<int>(sectionNames.size()) ? cp1251::toUtf8(cp1251::clip(sectionNames[static_cast<std::size_t>(n - 1)])) : "";
      row.frames = ti.RASPRAZ[static_cast<std::size_t>(n - 1)];
      row.correct = r.PRRAZ[static_cast<std::size_t>(n - 1)];
      row.points = r.BALLRAZ[static_cast<std::size_t>(n - 1)];
      row.percent = percentageRounded(row.correct, row.frames);
      p.sections.push_back(row);
    }
  }
  return p;
}

Protocol journalProtocolOf(const tables::RezTest& r, const tables::TuneTest& tune, const TestTiming* timing) {
  Protocol p;
  p.title = u8(tune.NAMEPROT.view());
  p.subtitle = u8(tune.NAMEPROT2.view());
  auto add = [&](const char* label, std::string value) { p.lines.emplace_back(label, std::move(value)); };
  add("Код:", std::to_string(r.CODEREZ));
  add("Фамилия, имя, отчество:", u8(r.FIO.view()));
  add("Группа:", u8(r.GR.view()));
  add("Факультет:", u8(r.FAKET.view()));
  add("Кафедра:", u8(r.OTDEL.view()));
  add("Дисциплина:", u8(r.PREDMET.view()));
  add("Тест:", u8(r.NAMETEMA.view()));
  add("Дата тестирования:", picture::shortDate(r.DATE));
  add("Начало тестирования:", picture::time(r.TIMEBEG));
  add("Завершение тестирования:", picture::time(r.TIMEEND));
  add("Количество заданий теста:", std::to_string(r.KOLVOP));
  // The stored allowance is (minutes * 60 + 1) seconds, in hundredths.
  const int allowed = r.TIMEPROSVOP / 100 - 1;
  std::string time;
  if (!timing) time = "нет сведений (тест не найден)";
  else if (timing->tema.HOWTIMETEST != 2 || allowed <= 0) time = timeAllowedText(timing->tema, timing->frames);
  else time = allowed % 60 == 0 ? std::to_string(allowed / 60) + " мин." : minutes(r.TIMEPROSVOP - 100);
  add("Установлено время на тест:", time);
  add("Тест пройден за:", minutes(r.TESTTIMEFAKT));
  add("Ответы даны на:", std::to_string(r.KOLVOPOT));
  add("Верно выполнено:", std::to_string(r.KOLTROT));
  add("Неверно выполнено:", std::to_string(r.KOLFSOT));
  if (!r.PRDURAK) add("Процент верных ответов:", std::to_string(percentageRounded(r.KOLTROT, r.KOLVOP)) + " %");
  add("Количество баллов:", std::to_string(r.REZBAL));
  if (!r.PRDURAK) {
    std::string text = u8(r.REZTEXT.view());
    add("Оценка:", r.OTMETKA ? std::to_string(r.OTMETKA) + (text.empty() ? "" : " (" + text + ")") : text);
  }
  p.wrong = wrongCodes(r, 500);
  p.showWrong = r.KOLTROT != r.KOLVOP;
  // By sections, from the result's own counters: the test is not at hand.
  p.sectionsTitle = "Неверные ответы даны (по разделам)";
  for (std::size_t n = 0; n < 7; ++n) {
    if (r.KOLOTRAZ[n] == 0 && r.PRRAZ[n] == 0 && r.MAXBALLRAZ[n] == 0) continue;
    SectionRow row;
    row.name = "Раздел " + std::to_string(n + 1);
    row.frames = r.KOLOTRAZ[n];
    row.correct = r.PRRAZ[n];
    row.points = r.BALLRAZ[n];
    row.percent = percentageRounded(row.correct, row.frames);
    p.sections.push_back(row);
  }
  return p;
}

}  // namespace common
