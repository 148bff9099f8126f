#include "demo_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#include "cp1251.h"
#include "datetime.h"
#include "result_file.h"
#include "tables_central.h"
#include "tables_results.h"
#include "test_file.h"

namespace demo {
namespace {

std::string u(const std::string& utf8) { return cp1251::fromUtf8(utf8); }

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void check(int rc, const store::Table& t) {
  if (rc != store::Ok) throw Failure(t.name() + ": " + t.error().text());
}

// A central table created empty and opened.
template <class R>
struct Central {
  R rec;
  store::Table t;
  Central(const store::TableDef& def, const std::string& name) : t(def, rec, name) {
    check(t.create(), t);
    check(t.open(), t);
  }
  void add() {
    check(t.add(), t);
    rec = R{};
  }
};

void makeDir(const std::string& d) {
  if (::mkdir(d.c_str(), 0777) != 0 && errno != EEXIST) throw Failure("cannot create " + d);
}

// A picture as a 24-bit BMP file: the flag of Russia, three stripes.
std::vector<std::uint8_t> flagPicture() {
  const int w = 180, h = 120;
  const int row = (w * 3 + 3) & ~3;
  const std::uint32_t size = 54 + static_cast<std::uint32_t>(row * h);
  std::vector<std::uint8_t> b(size, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  b[26] = 1;
  b[28] = 24;
  put32(34, static_cast<std::uint32_t>(row * h));
  for (int y = 0; y < h; ++y) {  // rows run bottom-up
    std::uint8_t r, g, bl;
    if (y < h / 3) { r = 213; g = 43; bl = 30; }          // red
    else if (y < 2 * h / 3) { r = 0; g = 57; bl = 166; }  // blue
    else { r = g = bl = 255; }                            // white
    if (y == 0 || y == h - 1) r = g = bl = 60;             // a thin frame
    for (int x = 0; x < w; ++x) {
      std::size_t at = 54 + static_cast<std::size_t>(y * row + x * 3);
      bool edge = x == 0 || x == w - 1;
      b[at] = edge ? 60 : bl;
      b[at + 1] = edge ? 60 : g;
      b[at + 2] = edge ? 60 : r;
    }
  }
  return b;
}

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// ------------------------------------------------------------------ tests

struct Frame {
  int kind = 3;
  int section = 1;
  int level = 1;
  int variant = 0;
  int points = 1;
  int seconds = 60;
  std::string text;
  std::vector<std::string> variants;  // VAROT11...
  std::vector<std::string> second;    // VAROT2[1..]
  std::vector<int> key;               // TRUEOT[1..]
  std::string exact;                  // TRUEOTSTR
  std::vector<std::pair<std::string, std::string>> slots;  // completion slots: keyword/lower, synonyms/upper
  int typeEtot = 1;
  int ordered = 0;
  std::string help;
  std::vector<std::string> comments;
  bool picture = false;
  std::string objectDoc;       // a document kept in the frame
  std::string objectFileName;
  bool separateObject = false; // kept in the companion file instead
};

struct TestSpec {
  std::string file;   // base name (UTF-8)
  std::string name;
  int code = 0;
  int writer = 0, otdel = 0, predmet = 0, kurs = 0, fak = 0;
  std::vector<std::string> sections;
  std::vector<Frame> frames;
  int mode = 1;          // MODECONTROLZN
  int kolsel = 0;
  int freeSel = 0;
  int howTime = 2;
  int minutes = 20;
  int training = 0;
  int variants = 0;
  int levels = 0;
  int stop = 0;
  int diffball = 0;
  std::string instruction;
};

struct Dicts {
  std::vector<std::string> writers, otdels, predmets, kurses, faks;
};

void writeTest(const TestSpec& s, const Installation& inst, const Dicts& d, const std::string& org) {
  testfile::TestFile tf;
  tf.name(inst.library, s.file, u(inst.keyWord));
  testfile::NewTest nt;
  nt.code = static_cast<std::uint16_t>(s.code);
  nt.name = u(s.name);
  nt.organisation = u(org);
  if (tf.create(nt) != store::Ok) throw Failure(tf.path() + ": " + tf.error().text());
  if (tf.open() != store::Ok) throw Failure(tf.path() + ": " + tf.error().text());
  auto& m = tf.tema;
  m.CODEWRITER = static_cast<std::uint8_t>(s.writer);
  m.NAMEWRI = u(d.writers[static_cast<std::size_t>(s.writer - 1)]);
  m.CODEOTDEL = static_cast<std::uint8_t>(s.otdel);
  m.NAMEOTD = u(d.otdels[static_cast<std::size_t>(s.otdel - 1)]);
  m.CODEPREDMET = static_cast<std::uint8_t>(s.predmet);
  m.NAMEPRD = u(d.predmets[static_cast<std::size_t>(s.predmet - 1)]);
  m.CODEKURS = static_cast<std::uint8_t>(s.kurs);
  m.NAMEKURS = u(d.kurses[static_cast<std::size_t>(s.kurs - 1)]);
  m.CODEFAK = static_cast<std::uint8_t>(s.fak);
  m.NAMEFAK = u(d.faks[static_cast<std::size_t>(s.fak - 1)]);
  m.FAK = m.NAMEFAK;
  m.YESRAZ = s.sections.empty() ? 0 : 1;
  m.MODECONTROLZN = static_cast<std::uint8_t>(s.mode);
  m.KOLSELVOP = static_cast<std::int16_t>(s.kolsel);
  m.FREESEL = static_cast<std::uint8_t>(s.freeSel);
  m.HOWTIMETEST = static_cast<std::uint8_t>(s.howTime);
  m.TIMETEST = static_cast<std::uint16_t>(s.minutes);
  m.MODETRAINING = static_cast<std::uint8_t>(s.training);
  m.HOWHELP = 1;
  m.HOWTRN = s.training ? 1 : 0;
  m.REITING = static_cast<std::uint8_t>(s.variants);
  m.HOWRASPVAR = s.variants ? 1 : 0;
  m.MODELEVEL = static_cast<std::uint8_t>(s.levels);
  m.STOPTEST = static_cast<std::uint8_t>(s.stop);
  m.DIFFBALL = static_cast<std::uint8_t>(s.diffball);
  m.SHOWFALSEOT = 1;
  m.SHOWTRUEOT = 1;
  m.SAVEREZ = 1;
  m.HOWEND = 2;
  check(tf.temaT.put(), tf.temaT);

  for (std::size_t i = 0; i < s.sections.size(); ++i) {
    tf.razdel = tables::Razdel{};
    tf.razdel.CODERAZ = static_cast<std::uint8_t>(i + 1);
    tf.razdel.CODETEMA = static_cast<std::uint16_t>(s.code);
    tf.razdel.NAME = u(s.sections[i]);
    for (const auto& f : s.frames)
      if (f.section == static_cast<int>(i + 1)) ++tf.razdel.KOLZAD;
    check(tf.razdelT.add(), tf.razdelT);
  }

  auto& t = tf.titul;
  t.INS = u(s.instruction);
  t.BIBL = u("Учебные пособия кафедры.");
  t.REZUME = u("Демонстрационный тест");
  t.CHANGED = datetime::today();
  t.CHANGET = datetime::now();
  t.WHOCHANGE = u(d.writers[static_cast<std::size_t>(s.writer - 1)]);  // cut to 20 characters by the field
  t.MAXBALL = 0;
  int kolvop = 0, helpCode = 0;
  for (std::size_t n = 0; n < s.frames.size(); ++n) {
    const Frame& f = s.frames[n];
    auto& v = tf.vop;
    v = tables::Vop{};
    v.CODEVOP = static_cast<std::uint16_t>(n + 1);
    v.CODETEMA = static_cast<std::uint16_t>(s.code);
    v.VARTEST = static_cast<std::uint8_t>(f.variant);
    v.CODERAZ = static_cast<std::uint8_t>(f.section);
    v.RAZDEL = s.sections.empty() ? std::string() : u(s.sections[static_cast<std::size_t>(f.section - 1)]);
    v.TYPEEDIT = f.objectDoc.empty() ? "Stnd" : "Objk";
    v.TYPEKADR = static_cast<std::uint8_t>(f.kind);
    v.VOPROS = u(f.text);
    for (std::size_t i = 0; i < f.variants.size() && i < 9; ++i) v.varot1(static_cast<int>(i + 1)) = u(f.variants[i]);
    for (std::size_t i = 0; i < f.second.size() && i < 9; ++i) v.VAROT2[i] = u(f.second[i]);
    for (std::size_t i = 0; i < f.key.size() && i < 9; ++i) v.TRUEOT[i] = static_cast<std::uint8_t>(f.key[i]);
    v.KOLOT = static_cast<std::uint8_t>(f.variants.size());
    if (f.kind == 5 || f.kind == 7) {
      // Slot j keeps its keyword (or lower bound) in VAROT1(4+j) and its
      // synonyms (or upper bound) in VAROT2[4+j].
      for (std::size_t j = 0; j < f.slots.size() && j < 5; ++j) {
        v.varot1(static_cast<int>(5 + j)) = u(f.slots[j].first);
        v.VAROT2[4 + j] = u(f.slots[j].second);
      }
      v.KOLOT = static_cast<std::uint8_t>(f.slots.size());
      v.TYPEETOT = static_cast<std::uint8_t>(f.typeEtot);
      v.PORNUMOT = static_cast<std::uint8_t>(f.ordered);
      v.SINONIM = 1;
      std::string written;
      for (const auto& sl : f.slots) written += (written.empty() ? "" : ", ") + sl.first;
      v.TRUEOTSTR = u(written);
    }
    if (f.kind == 6) v.TRUEOTSTR = u(f.exact);
    for (int i = 0; i < 9; ++i) v.MARK[static_cast<std::size_t>(i)] = f.points;
    v.LEVEL = static_cast<std::uint8_t>(f.level);
    v.TIMEVOP = static_cast<std::uint16_t>(f.seconds);
    v.KOLPOP = 1;
    v.BALLVOP = static_cast<std::uint16_t>(f.points);
    v.HEIGTTEXTVOP = 5;
    v.HEIGTTEXTOT.fill(2);
    if (f.picture) {
      v.YESIMAGE = 5;
      v.BLOBVOP.bytes = flagPicture();
    }
    if (!f.objectDoc.empty()) {
      v.OBJECTTYPE = "D";
      v.OBJECTLINK = "N";
      v.OBJECTSHOW = "A";
      if (f.separateObject) {
        v.OBJECTSAVE = "F";
        std::string part = results::embPart(tf.path(), v.CODEVOP);
        store::ErrorInfo e;
        if (results::writeEmb(part, bytesOf(f.objectDoc), u(f.objectFileName), "txt", &e))
          throw Failure(part + ": " + e.text());
        v.OBJECTDOC = u(results::embPart(s.file + ".orm", v.CODEVOP));  // relative to the library
      } else {
        v.OBJECTSAVE = "B";
        v.OLEBLOB.bytes = bytesOf(f.objectDoc);
      }
    }
    check(tf.vopT.add(), tf.vopT);

    // Title statistics, as the Constructor recomputes them.
    ++kolvop;
    if (v.YESIMAGE || !f.objectDoc.empty()) ++t.KOLOBJ;
    if (f.level >= 1 && f.level <= 5) {
      ++t.RASPLEV[static_cast<std::size_t>(f.level - 1)];
      t.MAXBALLLEV[static_cast<std::size_t>(f.level - 1)] = static_cast<std::uint16_t>(t.MAXBALLLEV[static_cast<std::size_t>(f.level - 1)] + f.points);
      if (f.level > t.KOLLEV) t.KOLLEV = static_cast<std::uint8_t>(f.level);
    }
    if (!s.sections.empty()) {
      ++t.RASPRAZ[static_cast<std::size_t>(f.section - 1)];
      t.MAXBALLRAZ[static_cast<std::size_t>(f.section - 1)] = static_cast<std::uint16_t>(t.MAXBALLRAZ[static_cast<std::size_t>(f.section - 1)] + f.points);
    }
    t.MAXBALL = static_cast<std::uint16_t>(t.MAXBALL + f.points);

    if (!f.help.empty() || !f.comments.empty()) {
      auto& h = tf.training;
      h = tables::Training{};
      h.CODE = static_cast<std::uint16_t>(++helpCode);
      h.CODEVOP = v.CODEVOP;
      h.HELPVOP = u(f.help);
      for (std::size_t i = 0; i < f.comments.size() && i < 9; ++i) h.COMMOT[i] = u(f.comments[i]);
      check(tf.trainingT.add(), tf.trainingT);
    }
  }
  t.KOLVOP = std::to_string(kolvop);
  t.KOLRAZD = static_cast<std::uint8_t>(s.sections.size());
  check(tf.titulT.put(), tf.titulT);
  tf.close();
}

std::vector<TestSpec> sampleTests() {
  std::vector<TestSpec> out;

  TestSpec a;
  a.file = "Арифметика";
  a.name = "Арифметика: действия с натуральными числами и дробями";
  a.code = 1;
  a.writer = 1, a.otdel = 1, a.predmet = 1, a.kurs = 1, a.fak = 1;
  a.sections = {"Натуральные числа", "Дроби"};
  a.levels = 1;
  a.howTime = 2;
  a.minutes = 15;
  a.stop = 0;
  a.instruction = "Тест содержит задания двух разделов: натуральные числа и дроби.\r\n"
                  "Выберите верные ответы или впишите ответ в поле «Ответ». На весь тест отводится 15 минут.";
  {
    Frame f; f.kind = 3; f.section = 1; f.level = 1;
    f.text = "Чему равно произведение 12 · 12?";
    f.variants = {"124", "144", "142", "164"};
    f.key = {2};
    f.help = "Умножьте 12 на 10 и прибавьте 12 · 2.";
    f.comments = {"Проверьте умножение на 2.", "", "Проверьте сложение.", "Это 12 · 13 + 8."};
    a.frames.push_back(f);
  }
  {
    Frame f; f.kind = 1; f.section = 1; f.level = 2; f.points = 2;
    f.text = "Отметьте все простые числа.";
    f.variants = {"2", "9", "13", "21", "29", "51"};
    f.key = {1, 0, 1, 0, 1, 0};
    f.help = "Простое число делится только на 1 и на само себя. 9 = 3 · 3, 21 = 3 · 7, 51 = 3 · 17.";
    a.frames.push_back(f);
  }
  {
    Frame f; f.kind = 2; f.section = 1; f.level = 2; f.points = 2;
    f.text = "Расположите числа в порядке возрастания (1 — наименьшее).";
    f.variants = {"1 001", "999", "1 010", "1 000"};
    f.key = {3, 1, 4, 2};
    a.frames.push_back(f);
  }
  {
    Frame f; f.kind = 5; f.section = 1; f.level = 1;
    f.text = "Впишите результат деления 144 на 12.";
    f.typeEtot = 2;
    f.slots = {{"12", "12"}};
    f.help = "Вспомните предыдущее задание.";
    a.frames.push_back(f);
  }
  {
    Frame f; f.kind = 4; f.section = 2; f.level = 2; f.points = 3;
    f.text = "Сопоставьте дробь и равную ей десятичную дробь.";
    f.second = {"1/2", "1/4", "3/4", "1/5"};
    f.variants = {"0,25", "0,2", "0,5", "0,75"};
    f.key = {3, 1, 4, 2};
    f.help = "Разделите числитель на знаменатель.";
    a.frames.push_back(f);
  }
  {
    Frame f; f.kind = 6; f.section = 2; f.level = 3; f.points = 3;
    f.text = "Сократите дробь 18/24. Запишите ответ в виде a/b без пробелов.";
    f.exact = "3/4";
    f.help = "Найдите наибольший общий делитель числителя и знаменателя: НОД(18, 24) = 6.";
    a.frames.push_back(f);
  }
  {
    Frame f; f.kind = 3; f.section = 2; f.level = 3; f.points = 3;
    f.text = "Чему равна сумма 1/3 + 1/6?";
    f.variants = {"2/9", "1/2", "2/6", "1/9"};
    f.key = {2};
    a.frames.push_back(f);
  }
  out.push_back(a);

  TestSpec g;
  g.file = "География";
  g.name = "География России и мира";
  g.code = 2;
  g.writer = 2, g.otdel = 3, g.predmet = 3, g.kurs = 2, g.fak = 2;
  g.mode = 5;
  g.variants = 2;
  g.freeSel = 1;
  g.howTime = 2;
  g.minutes = 10;
  g.instruction = "Тест состоит из двух вариантов. Вы можете отвечать на вопросы в любом порядке, "
                  "переходя между ними кнопками с номерами. Завершите тест кнопкой «Финиш».";
  for (int var = 1; var <= 2; ++var) {
    {
      Frame f; f.kind = 3; f.variant = var;
      f.text = var == 1 ? "Какой город является столицей России?" : "Какая река самая длинная в Европе?";
      f.variants = var == 1 ? std::vector<std::string>{"Санкт-Петербург", "Москва", "Казань", "Новосибирск"}
                            : std::vector<std::string>{"Дунай", "Днепр", "Волга", "Урал"};
      f.key = {static_cast<int>(var == 1 ? 2 : 3)};
      f.help = var == 1 ? "Столица России — город федерального значения с 1918 года." : "Её длина 3 530 км.";
      g.frames.push_back(f);
    }
    {
      Frame f; f.kind = 4; f.variant = var; f.points = 2;
      f.text = var == 1 ? "Сопоставьте страну и её столицу." : "Сопоставьте материк и его высочайшую вершину.";
      if (var == 1) {
        f.second = {"Франция", "Германия", "Италия"};
        f.variants = {"Рим", "Париж", "Берлин"};
        f.key = {2, 3, 1};
      } else {
        f.second = {"Евразия", "Африка", "Северная Америка"};
        f.variants = {"Килиманджаро", "Денали", "Джомолунгма"};
        f.key = {3, 1, 2};
      }
      g.frames.push_back(f);
    }
    {
      Frame f; f.kind = 5; f.variant = var; f.points = 2;
      f.text = var == 1 ? "Назовите океан, омывающий Россию с севера."
                        : "Назовите самое глубокое озеро мира.";
      f.slots = var == 1 ? std::vector<std::pair<std::string, std::string>>{{"северный ледовитый", "ледовитый, северный,"}}
                         : std::vector<std::pair<std::string, std::string>>{{"байкал", "озеро байкал,"}};
      g.frames.push_back(f);
    }
    {
      Frame f; f.kind = 6; f.variant = var;
      f.text = var == 1 ? "Флаг какой страны изображён на рисунке? Ответ впишите с заглавной буквы."
                        : "Какого цвета средняя полоса флага на рисунке? Ответ — одно слово строчными буквами.";
      f.exact = var == 1 ? "Россия" : "синяя";
      f.picture = true;
      g.frames.push_back(f);
    }
  }
  out.push_back(g);

  TestSpec n;
  n.file = "Информатика";
  n.name = "Основы информатики";
  n.code = 3;
  n.writer = 1, n.otdel = 2, n.predmet = 2, n.kurs = 1, n.fak = 1;
  n.sections = {"Информация и её измерение", "Алгоритмы"};
  n.mode = 2;
  n.training = 1;
  n.howTime = 3;
  n.instruction = "Тест проводится в режиме обучения: к каждому заданию открывается справочный материал "
                  "(кнопка «Конспект»). Время не ограничено.";
  {
    Frame f; f.kind = 2; f.section = 1; f.level = 1;
    f.text = "Расположите единицы измерения информации по возрастанию.";
    f.variants = {"Килобайт", "Бит", "Гигабайт", "Байт", "Мегабайт"};
    f.key = {3, 1, 5, 2, 4};
    f.help = "1 байт = 8 бит, 1 Кбайт = 1024 байта, 1 Мбайт = 1024 Кбайта, 1 Гбайт = 1024 Мбайта.";
    n.frames.push_back(f);
  }
  {
    Frame f; f.kind = 5; f.section = 1; f.level = 2; f.points = 2;
    f.text = "Сколько бит в одном байте и сколько байт в одном килобайте? Впишите два числа через запятую.";
    f.typeEtot = 2;
    f.ordered = 1;
    f.slots = {{"8", "8"}, {"1024", "1024"}};
    f.help = "Байт состоит из восьми битов; приставка «кило» в информатике означает 2^10.";
    n.frames.push_back(f);
  }
  {
    Frame f; f.kind = 1; f.section = 1; f.level = 1;
    f.text = "Какие из устройств служат для ввода информации?";
    f.variants = {"Клавиатура", "Монитор", "Сканер", "Принтер", "Мышь"};
    f.key = {1, 0, 1, 0, 1};
    f.help = "Устройства ввода передают данные в компьютер, устройства вывода — из него.";
    f.comments = {"Верно: клавиатура — устройство ввода.", "Монитор выводит изображение.", "Верно.",
                  "Принтер выводит информацию на бумагу.", "Верно."};
    n.frames.push_back(f);
  }
  {
    Frame f; f.kind = 7; f.section = 2; f.level = 2; f.points = 2;
    f.text = "Как называется конечная последовательность команд, приводящая к решению задачи? "
             "Укажите термин и того, кто её выполняет.";
    f.slots = {{"алгоритм", "программа,"}, {"исполнитель", "исполнителем, компьютер,"}};
    f.help = "Алгоритм — понятное и точное предписание исполнителю выполнить конечную последовательность команд.";
    n.frames.push_back(f);
  }
  {
    Frame f; f.kind = 3; f.section = 2; f.level = 3; f.points = 3;
    f.text = "Прочитайте описание алгоритма в прилагаемом документе (кнопка «Объект»). "
             "Чему равен НОД(48, 18), найденный этим алгоритмом?";
    f.variants = {"3", "6", "9", "18"};
    f.key = {2};
    f.objectDoc = cp1251::fromUtf8(
        "Алгоритм Евклида\r\n\r\nПока числа не равны, из большего вычитается меньшее.\r\n"
        "Когда числа станут равны, это число и есть наибольший общий делитель.\r\n");
    f.objectFileName = "Алгоритм Евклида.txt";
    f.help = "48 - 18 = 30, 30 - 18 = 12, 18 - 12 = 6, 12 - 6 = 6.";
    n.frames.push_back(f);
  }
  {
    Frame f; f.kind = 6; f.section = 2; f.level = 2;
    f.text = "Запишите результат выполнения фрагмента: x := 5; x := x * 2 + 1. Чему равно x?";
    f.exact = "11";
    f.objectDoc = cp1251::fromUtf8("Справка: оператор := присваивает переменной значение выражения.\r\n");
    f.objectFileName = "Присваивание.txt";
    f.separateObject = true;
    f.help = "Сначала вычисляется правая часть: 5 · 2 + 1.";
    n.frames.push_back(f);
  }
  out.push_back(n);
  return out;
}

std::string absolute(const std::string& dir) {
  char buf[PATH_MAX];
  if (!::realpath(dir.c_str(), buf)) throw Failure("cannot resolve " + dir);
  std::string s = buf;
  if (s.back() != '/') s += '/';
  return s;
}

}  // namespace

std::string make(const std::string& dirArg, Installation& inst) {
  try {
    makeDir(dirArg);
    const std::string base = absolute(dirArg);
    inst.directory = base;
    inst.keyWord = "ormida-demo";
    inst.adminPassword = "admin";
    inst.userPassword = "user";
    inst.library = base + "Tema/";
    inst.resultFile = "Общий";
    makeDir(base + "Tema");
    makeDir(base + "Stat");
    const std::string org = "Государственный педагогический университет";

    {
      std::ofstream ini(base + "Varnuke.ini");
      ini << "[GlbTune]\nModeNet=1\nClass=101\nModeWork=0\nNumPC=1\nSelTest=\nCodeRez=\n"
          << "[Path]\nCentBD=" << base << "\nLocBD=" << base << "\nDirBD=" << inst.library
          << "\nFileRez=" << inst.resultFile << "\nCodeRez=1\n";
      if (!ini) throw Failure("cannot write Varnuke.ini");
    }

    {
      Central<tables::GlbTune> g(tables::glbTuneDef(), base + tables::files::GlbTune);
      g.rec.ORG = u(org);
      g.rec.ADMINISTRATOR = u("Петрова");
      g.rec.PASSADM = u(inst.adminPassword);
      g.rec.PASSINS = u(inst.userPassword);
      g.rec.KEYW = u(inst.keyWord);
      g.add();
      Central<tables::TuneTest> t(tables::tuneTestDef(), base + tables::files::TuneTest);
      t.rec.PASSADM = u(inst.adminPassword);
      t.rec.PASSUSR = u(inst.userPassword);
      t.rec.ORG = u(org);
      t.rec.ORG2 = u("Центр компьютерного тестирования");
      t.rec.CURBIBL = u("Основная библиотека тестов");
      t.rec.CURREZ = u(inst.resultFile);
      t.rec.CODEFILEREZ = 1;
      t.rec.YESMONI = 1;
      t.rec.NAMEPROT = u("Протокол компьютерного тестирования");
      t.rec.NAMEPROT2 = u("Центр компьютерного тестирования");
      t.rec.FONTNAME[0] = u("DejaVu Sans");
      t.rec.FONTNAME[1] = u("DejaVu Sans");
      t.rec.FONTSIZE = {11, 10};
      t.rec.FIELDFON = {-1, -1};
      t.add();
      Central<tables::ZagExzVed> z(tables::zagExzVedDef(), base + tables::files::ZagExzVed);
      z.rec.ZAG = u("ЭКЗАМЕНАЦИОННАЯ ВЕДОМОСТЬ");
      z.add();
    }

    Dicts d;
    d.faks = {"Физико-математический факультет", "Естественно-географический факультет"};
    d.otdels = {"Кафедра высшей математики", "Кафедра информатики", "Кафедра физической географии"};
    d.kurses = {"Первый курс", "Второй курс", "Третий курс"};
    d.predmets = {"Математика", "Информатика", "География"};
    d.writers = {"Смирнова Елена Павловна", "Кузнецов Андрей Викторович"};
    {
      Central<tables::Faket> f(tables::faketDef(), base + tables::files::Faket);
      for (std::size_t i = 0; i < d.faks.size(); ++i) {
        f.rec.CODEFAK = static_cast<std::uint8_t>(i + 1);
        f.rec.NAME = u(d.faks[i]);
        f.add();
      }
      Central<tables::Otdel> o(tables::otdelDef(), base + tables::files::Otdel);
      const int otdFak[] = {1, 1, 2};
      for (std::size_t i = 0; i < d.otdels.size(); ++i) {
        o.rec.CODEOTDEL = static_cast<std::uint8_t>(i + 1);
        o.rec.CODEFAK = static_cast<std::uint8_t>(otdFak[i]);
        o.rec.NAMEOTDEL = u(d.otdels[i]);
        o.add();
      }
      Central<tables::Kurs> k(tables::kursDef(), base + tables::files::Kurs);
      for (std::size_t i = 0; i < d.kurses.size(); ++i) {
        k.rec.CODEKURS = static_cast<std::uint8_t>(i + 1);
        k.rec.NAME = u(d.kurses[i]);
        k.add();
      }
      Central<tables::Predmet> p(tables::predmetDef(), base + tables::files::Predmet);
      const int prOtd[] = {1, 2, 3}, prKurs[] = {1, 1, 2};
      for (std::size_t i = 0; i < d.predmets.size(); ++i) {
        p.rec.CODEPREDMET = static_cast<std::uint8_t>(i + 1);
        p.rec.CODEOTDEL = static_cast<std::uint8_t>(prOtd[i]);
        p.rec.CODEKURS = static_cast<std::uint8_t>(prKurs[i]);
        p.rec.NAMEPREDMET = u(d.predmets[i]);
        p.add();
      }
      // The authors' table has no directory in its name: it lives in the working directory.
      Central<tables::Writer> w(tables::writerDef(), base + tables::files::Writer);
      for (std::size_t i = 0; i < d.writers.size(); ++i) {
        w.rec.CODEWRITER = static_cast<std::uint8_t>(i + 1);
        w.rec.NAMEWRITER = u(d.writers[i]);
        w.add();
      }
    }

    struct GroupSpec {
      const char* name;
      int fak, kurs;
      const char* spec;
    } groups[] = {{"ФМ-101", 1, 1, "050201"}, {"ФМ-102", 1, 1, "050202"}, {"ЕГ-201", 2, 2, "050103"}};
    const char* surnames[] = {"Иванов", "Петров", "Сидоров", "Кузнецов", "Смирнов", "Попов", "Васильев",
                              "Соколов", "Михайлов", "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев"};
    const char* namesM[] = {"Алексей", "Дмитрий", "Сергей", "Андрей", "Михаил", "Иван", "Никита"};
    const char* namesF[] = {"Анна", "Мария", "Елена", "Ольга", "Татьяна", "Наталья", "Ирина"};
    const char* patrM[] = {"Иванович", "Петрович", "Сергеевич", "Андреевич", "Николаевич"};
    const char* patrF[] = {"Ивановна", "Петровна", "Сергеевна", "Андреевна", "Николаевна"};
    struct Stu {
      int code;
      std::string fio, group;
    };
    std::vector<Stu> students;
    {
      Central<tables::Group> gr(tables::groupDef(), base + tables::files::Group);
      Central<tables::Student> st(tables::studentDef(), base + tables::files::Student);
      int code = 0;
      std::mt19937 rnd(2026);
      for (std::size_t gi = 0; gi < 3; ++gi) {
        gr.rec.CODEGR = static_cast<std::int32_t>(gi + 1);
        gr.rec.KODSPES = groups[gi].spec;
        gr.rec.CODEFAK = static_cast<std::uint8_t>(groups[gi].fak);
        gr.rec.CODEKURS = static_cast<std::uint8_t>(groups[gi].kurs);
        gr.rec.NAME = u(groups[gi].name);
        gr.add();
        for (int s = 0; s < 10; ++s) {
          ++code;
          bool female = (s + static_cast<int>(gi)) % 2 == 1;
          std::string fam = surnames[(static_cast<std::size_t>(code) * 5) % 14];
          if (female) fam += "а";
          std::string nm = female ? namesF[rnd() % 7] : namesM[rnd() % 7];
          std::string ot = female ? patrF[rnd() % 5] : patrM[rnd() % 5];
          st.rec.CODEST = code;
          st.rec.CODEKURS = static_cast<std::uint8_t>(groups[gi].kurs);
          st.rec.PASSER = u("45 0") + std::to_string(gi + 1);
          st.rec.PASNUM = std::to_string(100000 + rnd() % 900000);
          st.rec.DATE = datetime::dayNumber(2020 + static_cast<int>(rnd() % 4), 1 + static_cast<int>(rnd() % 12), 1 + static_cast<int>(rnd() % 28));
          st.rec.WHY = u("ОВД района Центральный");
          st.rec.CODEGR = static_cast<std::int32_t>(gi + 1);
          st.rec.NAMEGR = u(groups[gi].name);
          st.rec.FAM = u(fam);
          st.rec.NAME = u(nm);
          st.rec.OTCHE = u(ot);
          st.rec.NUMID = std::to_string(2026000000 + code * 37);
          st.rec.ZACHBOOK = std::to_string(26000 + code);
          students.push_back({code, fam + " " + nm + " " + ot, groups[gi].name});
          st.add();
        }
      }
    }

    {
      Central<tables::Labr> l(tables::labrDef(), base + tables::files::Labr);
      l.rec.CODELABR = 1;
      l.rec.NAMELABR = u("Компьютерный класс 101");
      l.rec.NUMROOM = 101;
      l.rec.KOLWS = 6;
      l.rec.ADMIN = u("Орлов Павел Сергеевич");
      l.rec.CURREZ = u(inst.resultFile);
      l.rec.ZAG = u("Компьютерное тестирование. Аудитория 101");
      l.add();
      Central<tables::Ws> w(tables::wsDef(), base + tables::files::Ws);
      for (int i = 1; i <= 6; ++i) {
        w.rec.CODEWS = i;
        w.rec.CODELABR = 1;
        w.rec.NAMEPC = "PC101-0" + std::to_string(i);
        w.rec.PATH = base;
        w.add();
      }
      Central<tables::BrwZag> z(tables::brwZagDef(), base + tables::files::BrwZag);
      z.rec.CODEZAG = 1;
      z.rec.CODELABR = 1;
      z.rec.ZAG = u("Компьютерное тестирование. Аудитория 101");
      z.add();
      z.rec.CODEZAG = 2;
      z.rec.CODELABR = 1;
      z.rec.ZAG = u("Промежуточная аттестация");
      z.add();
      // The headers the settings hold are in the list too.
      z.rec.CODEZAG = 3;
      z.rec.CODELABR = 0;
      z.rec.ZAG = u("Протокол компьютерного тестирования");
      z.add();
      z.rec.CODEZAG = 4;
      z.rec.ZAG = u("Центр компьютерного тестирования");
      z.add();
      Central<tables::AutoStar> a(tables::autoStarDef(), base + tables::files::AutoStar);
      a.add();  // disarmed
      Central<tables::SelVar> v(tables::selVarDef(), base + tables::files::SelVar);
      v.add();
      Central<tables::MonCons> m(tables::monConsDef(), base + tables::files::MonCons);
    }

    auto specs = sampleTests();
    {
      Central<tables::PathFile> p(tables::pathFileDef(), base + tables::files::PathFile);
      p.rec.CODEBD = 1;
      p.rec.DATECR = datetime::today();
      p.rec.TIMECR = datetime::now();
      p.rec.PRIM = u("Тесты кафедр физико-математического и естественно-географического факультетов");
      p.rec.CODEOTDEL = 1;
      p.rec.DIRBD = u(inst.library);
      p.rec.NAMEBD = u("Основная библиотека тестов");
      p.add();
      Central<tables::DataTest> dt(tables::dataTestDef(), base + tables::files::DataTest);
      for (const auto& s : specs) {
        writeTest(s, inst, d, org);
        inst.tests.push_back(s.file);
        dt.rec.CODETEST = static_cast<std::uint16_t>(s.code);
        dt.rec.CODEBD = 1;
        dt.rec.CODEOTDEL = static_cast<std::uint8_t>(s.otdel);
        dt.rec.CODEKURS = static_cast<std::uint8_t>(s.kurs);
        dt.rec.CODEPREDMET = static_cast<std::uint8_t>(s.predmet);
        dt.rec.NAME = u(s.file);
        dt.rec.KEYW = u(inst.keyWord);
        dt.add();
      }
    }

    // The journal template, the current journal and a few attempts in it.
    {
      store::ErrorInfo e;
      if (results::createTemplate(base, &e)) throw Failure("ObrazRez.rez: " + e.text());
      if (results::create(base, inst.resultFile, &e)) throw Failure("journal: " + e.text());
      Central<tables::AllRez> all(tables::allRezDef(), base + tables::files::AllRez);
      if (results::catalogue(all.t, all.rec, u(inst.resultFile), u(results::path(base, inst.resultFile)), 1))
        throw Failure("AllRez: " + all.t.error().text());
    }
    {
      results::ResultFile rf;
      if (rf.open(base, inst.resultFile)) throw Failure("journal: " + rf.error().text());
      Central<tables::Vedom> ved(tables::vedomDef(), base + tables::files::Vedom);
      struct Attempt {
        int student;
        std::size_t test;
        std::vector<int> right;  // per frame of the test: 1 right, 0 wrong
        int day;
      } attempts[] = {
          {1, 0, {1, 1, 1, 1, 1, 1, 0}, -3}, {2, 0, {1, 0, 1, 1, 0, 0, 1}, -3}, {3, 0, {1, 1, 1, 1, 1, 1, 1}, -2},
          {11, 0, {0, 0, 1, 0, 1, 0, 0}, -2}, {4, 2, {1, 1, 1, 0, 1, 1}, -1}, {21, 2, {1, 0, 1, 1, 1, 0}, -1},
      };
      int codeRez = 0, codeVed = 0;
      for (const auto& a : attempts) {
        const TestSpec& s = specs[a.test];
        const Stu& who = students[static_cast<std::size_t>(a.student - 1)];
        auto& r = rf.rez;
        r = tables::RezTest{};
        r.CODEREZ = ++codeRez;
        r.CODEALL = 101;
        r.CODETEMA = static_cast<std::uint16_t>(s.code);
        r.NAMETEMA = u(s.name);
        r.OTDEL = u(d.otdels[static_cast<std::size_t>(s.otdel - 1)]);
        r.PREDMET = u(d.predmets[static_cast<std::size_t>(s.predmet - 1)]);
        r.WRITER = u(d.writers[static_cast<std::size_t>(s.writer - 1)]);
        r.GR = u(who.group);
        r.CODEST = who.code;
        r.FIO = u(who.fio);
        r.DATE = datetime::today() + a.day;
        r.TIMEBEG = datetime::clockTime(10, 0, 0) + codeRez * 6000;
        r.TIMEEND = r.TIMEBEG + 9 * 60 * 100;
        r.TESTTIMEFAKT = r.TIMEEND - r.TIMEBEG + 100;
        r.TIMEPROSVOP = (s.minutes * 60 + 1) * 100;
        r.KOLVOP = static_cast<std::uint16_t>(s.frames.size());
        r.KOLVOPOT = static_cast<std::int32_t>(s.frames.size());
        r.ALLOT.fill(2);
        std::string wrong, howot;
        for (std::size_t i = 0; i < s.frames.size(); ++i) {
          const Frame& f = s.frames[i];
          int code = static_cast<int>(i + 1);
          r.ALLOT[i] = static_cast<std::uint8_t>(a.right[i]);
          int sec = f.section - 1, lev = f.level - 1;
          if (!s.sections.empty()) ++r.KOLOTRAZ[static_cast<std::size_t>(sec)];
          if (s.levels) ++r.KOLOTLEVEL[static_cast<std::size_t>(lev)];
          r.MAXBALL += f.points;
          if (a.right[i]) {
            ++r.KOLTROT;
            r.REZBAL += f.points;
            if (!s.sections.empty()) {
              ++r.PRRAZ[static_cast<std::size_t>(sec)];
              r.BALLRAZ[static_cast<std::size_t>(sec)] = static_cast<std::uint16_t>(r.BALLRAZ[static_cast<std::size_t>(sec)] + f.points);
            }
            if (s.levels) {
              ++r.PRLEVEL[static_cast<std::size_t>(lev)];
              r.BALLLEV[static_cast<std::size_t>(lev)] += f.points;
            }
          } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%03d,", code);
            wrong += buf;
            std::snprintf(buf, sizeof buf, "%03d", code);
            // A wrong choice: the first variant marked.
            howot += std::string(buf) + "100000000";
          }
        }
        for (std::size_t i = 0; i < 7; ++i) r.MAXBALLRAZ[i] = 0;
        r.KOLFSOT = static_cast<std::uint16_t>(r.KOLVOPOT - r.KOLTROT);
        int pct = r.KOLVOP ? r.KOLTROT * 100 / r.KOLVOP : 0;
        const int S2 = 70, S3 = 81, S4 = 91;
        r.OTMETKA = static_cast<std::uint8_t>(pct < S2 ? 2 : pct < S3 ? 3 : pct < S4 ? 4 : 5);
        const char* texts[] = {"", "", "Неудовлетворительно", "Удовлетворительно", "Хорошо", "Отлично"};
        r.REZTEXT = u(texts[r.OTMETKA]);
        r.BIBLTEST = u(inst.library);
        r.FAKET = u(d.faks[static_cast<std::size_t>(s.fak - 1)]);
        r.KURS = u(d.kurses[static_cast<std::size_t>(s.kurs - 1)]);
        r.BOOK = std::to_string(26000 + who.code);
        rf.dtl = tables::RezDtl{};
        rf.dtl.HOWOT = howot + "~";
        rf.dtl.HOWTXT = "~";
        if (rf.add(true)) throw Failure("journal: " + rf.error().text());
        auto& v = ved.rec;
        v.CODEVED = ++codeVed;
        v.CODEST = who.code;
        v.NAMESTUD = u(who.fio);
        v.GR = u(who.group);
        v.NAMETEMA = u(s.name);
        v.CODEPREDMET = static_cast<std::uint8_t>(s.predmet);
        v.PREDMET = u(d.predmets[static_cast<std::size_t>(s.predmet - 1)]);
        v.BALL = r.REZBAL;
        v.CODEREZ = r.CODEREZ;
        v.DATE = r.DATE;
        v.REZTEXT = r.REZTEXT;
        v.OTMETKA = r.OTMETKA;
        v.FILEREZ = u(inst.resultFile);
        ved.add();
      }
    }
    return {};
  } catch (const Failure& e) {
    return e.what();
  }
}

}  // namespace demo
