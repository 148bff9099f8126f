#include "test_print.h"

#include <algorithm>

#include "answer_checking.h"
#include "cp1251.h"
#include "frame_rules.h"
#include "test_summary.h"

namespace constructor {
namespace {

const char* const kLetters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};

std::string text(std::string_view cp) { return cp1251::toUtf8(cp1251::clip(cp)); }

}  // namespace

PrintedTitle printedTitle(const tables::Tema& tema, const tables::Titul& titul) {
  PrintedTitle t;
  t.heading = {"СИСТЕМА АВТОМАТИЗИРОВАННОГО КОНТРОЛЯ ЗНАНИЙ", "ОРМИДА 2.0"};
  t.data = {
      {"Курс:", text(tema.NAMEKURS.view())},
      {"Факультет:", text(tema.FAK.view())},
      {"Кафедра:", text(tema.NAMEOTD.view())},
      {"Дисциплина:", text(tema.NAMEPRD.view())},
      {"Установлено время на тест (мин.):", std::to_string(tema.TIMETEST)},
      {"Количество заданий теста:", text(titul.KOLVOP.view())},
      {"Максимальный балл на тест:", std::to_string(titul.MAXBALL)},
      {"Максимальный балл на задание:", std::to_string(tema.BALLVOP)},
      {"Автор:", text(tema.NAMEWRI.view())},
  };
  // The four-grade bands: 2 from 0, then 3, 4 and 5 from SHCALA[2..4]; one
  // grade's upper bound is the next one's lower bound.
  const int b[] = {0, tema.SHCALA[1], tema.SHCALA[2], tema.SHCALA[3], 100};
  const char* const grades[] = {"Неудовлетворительно:", "Удовлетворительно:", "Хорошо", "Отлично"};
  for (int i = 0; i < 4; ++i) t.scale.push_back({grades[i], std::to_string(b[i]) + " - " + std::to_string(b[i + 1])});
  t.note = text(titul.REZUME.view());
  t.history = {
      {"Создан:", dateAndTime(titul.CREATED, titul.CREATET)},
      {"Изменен:", dateAndTime(titul.CHANGED, titul.CHANGET)},
      {"Версия:", std::to_string(titul.VERSION)},
  };
  return t;
}

PrintedFrame printedFrame(const tables::Vop& v, const PrintOptions& o) {
  PrintedFrame f;
  f.code = v.CODEVOP;
  f.kind = v.TYPEKADR;
  f.question = cp1251::toUtf8(v.VOPROS.text);
  while (!f.question.empty() && (f.question.back() == ' ' || f.question.back() == '\r' || f.question.back() == '\n'))
    f.question.pop_back();
  // The variants up to the first blank one, as the Examiner counts them.
  int filled = 0;
  while (filled < 9 && !v.varot1(filled + 1).blank()) ++filled;
  if (v.TYPEKADR >= 1 && v.TYPEKADR <= 3) {
    for (int i = 1; i <= filled; ++i) f.variants.push_back(std::string(kLetters[i - 1]) + ") " + text(v.varot1(i).view()));
  } else if (v.TYPEKADR == 4) {
    for (int i = 1; i <= filled; ++i) f.variants.push_back(std::to_string(i) + ". " + text(v.varot1(i).view()));
    // The rows the Examiner shows, lettered as it letters them.
    const int rows = common::matchingRows(v);
    for (int i = 1; i <= rows; ++i)
      f.rows.push_back(std::string(kLetters[i - 1]) + ") " + text(v.VAROT2[static_cast<std::size_t>(i - 1)].view()));
  }
  if (o.answers) {
    const std::string line = common::referenceAnswer(v);
    if (!line.empty()) f.answer = "Эталонный ответ: " + line;
  }
  if (o.pictures) f.picture = v.BLOBVOP.bytes;
  return f;
}

Outcome readPrintedFrames(testfile::TestFile& tf, const PrintOptions& o,
                          const std::function<bool(const PrintedFrame&, int place, int total)>& each) {
  const int total = static_cast<int>(tf.vopT.records());
  int rc = tf.vopT.set(tf.vopT.key("KEYCODEVOP"));
  int place = 0;
  while (rc == store::Ok && (rc = tf.vopT.next()) == store::Ok) {
    if (!each(printedFrame(tf.vop, o), ++place, std::max(total, place))) return {Outcome::Refused, {}};
  }
  if (rc != store::NoRecord) {
    const store::ErrorInfo& e = tf.vopT.error();
    return {e.code ? e.code : store::StoreSpecific, "Ошибка - [" + e.text() + "] при чтении файла Vop."};
  }
  return {};
}

Outcome markPrinted(testfile::TestFile& tf, std::int32_t day, std::int32_t time) {
  // The title as it is now: another station may have changed it since the test was opened.
  if (tf.titulT.set() != store::Ok || tf.titulT.next() != store::Ok) {
    const store::ErrorInfo& e = tf.titulT.error();
    return {e.code ? e.code : store::StoreSpecific, "Не удалось прочитать титул теста (" + e.text() + ")."};
  }
  tf.titul.PRINTD = day;
  tf.titul.PRINTT = time;
  if (tf.titulT.put() != store::Ok) {
    const store::ErrorInfo& e = tf.titulT.error();
    return {e.code ? e.code : store::StoreSpecific, "Не удалось записать дату печати в титул теста (" + e.text() + ")."};
  }
  return {};
}

}  // namespace constructor
