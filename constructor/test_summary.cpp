#include "test_summary.h"

#include <cstdio>

#include "cp1251.h"
#include "datetime.h"

namespace constructor {

std::string dateAndTime(std::int32_t day, std::int32_t time) {
  if (day <= 0) return {};
  auto d = datetime::fromDayNumber(day);
  char buf[40];
  if (time > 0) {
    auto t = datetime::fromClockTime(time);
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", d.day, d.month, d.year, t.hour, t.minute, t.second);
  } else {
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
  }
  return buf;
}

std::vector<Property> testProperties(const tables::Tema& tema, const tables::Titul& titul, int frames) {
  const std::string unknown = "Неизвестно";
  auto text = [&](std::string_view cp, std::size_t most = std::string::npos) {
    std::string_view s = cp1251::clip(cp);
    if (s.empty()) return unknown;
    return cp1251::toUtf8(s.substr(0, std::min(most, s.size())));
  };
  auto when = [&](std::int32_t day, std::int32_t time, const std::string& none) {
    std::string s = dateAndTime(day, time);
    return s.empty() ? none : s;
  };
  return {
      {"Название теста", text(tema.NAME.view())},
      {"Автор", text(tema.NAMEWRI.view())},
      {"Кафедра", text(tema.NAMEOTD.view(), 40)},
      {"Дисциплина", text(tema.NAMEPRD.view())},
      {"Заданий", std::to_string(frames)},
      {"Создан", when(titul.CREATED, titul.CREATET, unknown)},
      {"Изменен", when(titul.CHANGED, titul.CHANGET, unknown)},
      {"Версия теста", std::to_string(titul.VERSION)},
      {"Количество тестирования", std::to_string(titul.KOLRUN)},
      {"Дата печати", when(titul.PRINTD, titul.PRINTT, "Не печатался")},
  };
}

std::string frameKindName(int kind) {
  switch (kind) {
    case 1: return "Множественный выбор";
    case 2: return "Ранжирование";
    case 3: return "Единственный выбор";
    case 4: return "Сопоставление";
    case 5: return "Дополнение (ключевые слова)";
    case 6: return "Дополнение (точный ответ)";
    case 7: return "Генератор";
    default: return {};
  }
}

bool frameMatches(const FrameFilter& f, const tables::Vop& v) {
  if (!f.on) return true;
  if (f.variant && v.VARTEST != *f.variant) return false;
  if (f.level && v.LEVEL != *f.level) return false;
  if (f.section && v.CODERAZ != *f.section) return false;
  if (f.editKind && !(v.TYPEEDIT == std::string_view(*f.editKind))) return false;
  if (f.frameType && v.TYPEKADR != *f.frameType) return false;
  return true;
}

const std::vector<EditorKind>& editorKinds() {
  static const std::vector<EditorKind> k = {
      {" Стандартный", "Stnd"}, {" Форматирующий", "Objk"}, {" MS Word Pad", "Objk"}, {" MS Word", "Objk"}};
  return k;
}

}  // namespace constructor
