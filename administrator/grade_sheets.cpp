#include "grade_sheets.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "cp1251.h"
#include "csv.h"
#include "database_report.h"
#include "datetime.h"
#include "examinee_name.h"
#include "result_file.h"
#include "tables_central.h"

namespace administrator {

namespace {

std::string cp(const std::string& utf8) { return std::string(cp1251::clip(cp1251::fromUtf8(utf8))); }
std::string u8(std::string_view v) { return cp1251::toUtf8(cp1251::clip(v)); }

// A central table opened shared; a missing one is made empty, as the
// opening procedure does.
Outcome openShared(store::Table& t) {
  if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
  if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
  return {};
}

Outcome openJournal(results::ResultFile& rf, const std::string& base, const std::string& journal) {
  if (rf.open(base, journal, store::Shared) != store::Ok)
    return Outcome::failed(rf.error(), "Не удалось открыть журнал результатов " + journal);
  return {};
}

// Reads the view to its end; `each` sees every record in the table's buffer.
template <class F>
Outcome readAll(store::View& v, store::Table& t, F each) {
  int rc = v.set();
  while (rc == store::Ok && (rc = v.next()) == store::Ok) each();
  if (rc != store::NoRecord) return Outcome::failed(t.error(), "Не удалось прочитать " + t.name());
  return {};
}

}  // namespace

const std::vector<std::string>& ExamSheetLists::testsOf(const std::string& group) const {
  static const std::vector<std::string> none;
  auto it = tests.find(group);
  return it == tests.end() ? none : it->second;
}

const std::vector<std::int32_t>& ExamSheetLists::datesOf(const std::string& group, const std::string& test) const {
  static const std::vector<std::int32_t> none;
  auto it = dates.find({group, test});
  return it == dates.end() ? none : it->second;
}

Outcome examSheetLists(const std::string& base, const std::string& journal, ExamSheetLists& out) {
  out = {};
  results::ResultFile rf;
  if (Outcome o = openJournal(rf, base, journal); !o) return o;
  // group -> test -> dates, as the records hold them (CP1251).
  std::map<std::string, std::map<std::string, std::set<std::int32_t>, std::less<>>, std::less<>> seen;
  store::View v(rf.rezT);
  Outcome o = readAll(v, rf.rezT, [&] {
    const std::string_view rg = cp1251::clip(rf.rez.GR.view());
    if (rg.empty()) return;
    auto g = seen.find(rg);
    if (g == seen.end()) g = seen.emplace(std::string(rg), std::map<std::string, std::set<std::int32_t>, std::less<>>{}).first;
    const std::string_view rt = cp1251::clip(rf.rez.NAMETEMA.view());
    if (rt.empty()) return;
    auto t = g->second.find(rt);
    if (t == g->second.end()) t = g->second.emplace(std::string(rt), std::set<std::int32_t>{}).first;
    t->second.insert(rf.rez.DATE);
  });
  if (!o) return o;
  for (const auto& [group, tests] : seen) {
    const std::string g = cp1251::toUtf8(group);
    out.groups.push_back(g);
    std::vector<std::string>& list = out.tests[g];
    for (const auto& [test, days] : tests) {
      list.push_back(cp1251::toUtf8(test));
      out.dates[{g, list.back()}].assign(days.begin(), days.end());
    }
  }
  return {};
}

Outcome buildExamSheet(const setup::Installation& inst, const std::string& base, const std::string& journal,
                       const ExamSheetChoice& choice, ExamSheet& out) {
  out = {};
  results::ResultFile rf;
  if (Outcome o = openJournal(rf, base, journal); !o) return o;
  store::View v(rf.rezT);
  if (v.setFilter(choice.allTests ? "REZ:GR = Gr" : "REZ:GR = Gr AND REZ:NAMETEMA = Tema AND REZ:DATE = Dat") != store::Ok)
    return Outcome::failed(rf.rezT.error(), "Не удалось отобрать результаты");
  v.bind("Gr", cp(choice.group));
  v.bind("Tema", cp(choice.test));
  v.bind("Dat", static_cast<std::int64_t>(choice.date));
  // Read through the group's key: the rows are put in name order at the end.
  v.setOrder(rf.rezT.key("KEYGR"));

  // One person: the student's code, or the name for a result without one.
  std::map<std::string, std::size_t> person;
  Outcome o = readAll(v, rf.rezT, [&] {
    const tables::RezTest& r = rf.rez;
    ExamSheetRow row;
    row.result = r.CODEREZ;
    row.student = r.CODEST;
    row.name = u8(r.FIO.view());
    row.test = u8(r.NAMETEMA.view());
    row.discipline = u8(r.PREDMET.view());
    row.mark = r.OTMETKA;
    if (choice.allTests) {
      out.rows.push_back(std::move(row));
      return;
    }
    const std::string key = r.CODEST != 0 ? "#" + std::to_string(r.CODEST) : "=" + std::string(cp1251::clip(r.FIO.view()));
    auto [it, fresh] = person.emplace(key, out.rows.size());
    if (fresh)
      out.rows.push_back(std::move(row));
    else if (row.mark > out.rows[it->second].mark)
      out.rows[it->second] = std::move(row);  // a higher mark replaces; an equal one leaves the first
  });
  if (!o) return o;

  // The group, its faculty and its students.
  tables::Group gro;
  store::Table groT(tables::groupDef(), gro, inst.central(tables::files::Group));
  if (Outcome g = openShared(groT); !g) return g;
  bool groupKnown = false;
  {
    store::View gv(groT);
    if (gv.setFilter("GRO:NAME = Gr") != store::Ok) return Outcome::failed(groT.error(), "Не удалось прочитать группы");
    gv.bind("Gr", cp(choice.group));
    int rc = gv.set();
    if (rc == store::Ok && (rc = gv.next()) == store::Ok)
      groupKnown = true;
    else if (rc != store::NoRecord)
      return Outcome::failed(groT.error(), "Не удалось прочитать группы");
  }
  ExamSheetHeader& h = out.header;
  h.group = choice.group;
  h.test = choice.allTests ? std::string() : choice.test;
  if (!out.rows.empty()) h.discipline = out.rows.front().discipline;
  if (groupKnown) {
    h.specialty = u8(gro.KODSPES.view());
    h.course = gro.CODEKURS ? std::to_string(gro.CODEKURS) : std::string();
    tables::Faket fak;
    store::Table fakT(tables::faketDef(), fak, inst.central(tables::files::Faket));
    if (Outcome f = openShared(fakT); !f) return f;
    fak.CODEFAK = gro.CODEFAK;
    if (fakT.get(fakT.key("KEYFAK")) == store::Ok) h.faculty = u8(fak.NAME.view());

    tables::Student stu;
    store::Table stuT(tables::studentDef(), stu, inst.central(tables::files::Student));
    if (Outcome s = openShared(stuT); !s) return s;
    store::View sv(stuT);
    if (sv.setFilter("STU:CODEGR = Code") != store::Ok) return Outcome::failed(stuT.error(), "Не удалось прочитать студентов");
    sv.bind("Code", static_cast<std::int64_t>(gro.CODEGR));
    struct Known {
      std::string name, book;
      bool seen = false;
    };
    std::map<std::int32_t, Known> students;
    std::multimap<std::string, std::int32_t> byName;
    Outcome r = readAll(sv, stuT, [&] {
      std::string n = common::examineeName(stu.FAM.view(), stu.NAME.view(), stu.OTCHE.view());
      byName.emplace(n, stu.CODEST);
      students[stu.CODEST] = {cp1251::toUtf8(n), u8(stu.ZACHBOOK.view())};
    });
    if (!r) return r;
    for (ExamSheetRow& row : out.rows) {
      auto it = students.find(row.student);
      // A name typed in at sign-in is the student of that name, if the
      // group has exactly one.
      if (row.student == 0 && byName.count(cp(row.name)) == 1) it = students.find(byName.find(cp(row.name))->second);
      if (it == students.end()) continue;
      it->second.seen = true;
      row.recordBook = it->second.book;
    }
    for (const auto& [code, k] : students)
      if (!k.seen) {
        ExamSheetRow absent;
        absent.student = code;
        absent.name = k.name;
        absent.recordBook = k.book;
        out.rows.push_back(std::move(absent));
      }
  }
  // Names in the system's alphabetical order (Ё after Е, case ignored).
  {
    std::vector<std::string> keys;
    keys.reserve(out.rows.size());
    for (const ExamSheetRow& row : out.rows) keys.push_back(cp1251::fromUtf8(row.name));
    std::vector<std::size_t> order(out.rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return cp1251::compareNoCase(keys[a], keys[b]) < 0; });
    std::vector<ExamSheetRow> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order) sorted.push_back(std::move(out.rows[i]));
    out.rows = std::move(sorted);
  }
  for (const ExamSheetRow& row : out.rows) {
    if (row.absent()) {
      ++out.absent;
      continue;
    }
    ++out.present;
    if (row.mark >= 2 && row.mark <= 5) ++out.byMark[static_cast<std::size_t>(5 - row.mark)];
  }
  return {};
}

Outcome readSheetHeading(const setup::Installation& inst, std::string& text) {
  text.clear();
  tables::ZagExzVed z;
  store::Table t(tables::zagExzVedDef(), z, inst.central(tables::files::ZagExzVed));
  if (Outcome o = openShared(t); !o) return o;
  int rc = t.set();
  if (rc == store::Ok && (rc = t.next()) == store::Ok) text = u8(z.ZAG.view());
  if (rc != store::Ok && rc != store::NoRecord) return Outcome::failed(t.error(), "Не удалось прочитать " + t.name());
  return {};
}

Outcome writeSheetHeading(const setup::Installation& inst, const std::string& text) {
  std::string why;
  auto value = recordText(text, sizeof(tables::ZagExzVed::ZAG), &why);
  if (!value) return Outcome::refused("Заголовок ведомости: " + why);
  tables::ZagExzVed z;
  store::Table t(tables::zagExzVedDef(), z, inst.central(tables::files::ZagExzVed));
  if (Outcome o = openShared(t); !o) return o;
  int rc = t.set();
  if (rc == store::Ok) rc = t.next();
  z.ZAG = *value;
  if (rc == store::Ok) rc = t.put();
  else if (rc == store::NoRecord) rc = t.add();
  if (rc != store::Ok) return Outcome::failed(t.error(), "Не удалось записать " + t.name());
  return {};
}

std::string examSheetCsv(const ExamSheet& s, const std::string& heading) {
  common::CsvWriter w;
  // The heading's lines, each a row of its own; blank lines dropped.
  std::size_t from = 0;
  bool any = false;
  while (from <= heading.size()) {
    std::size_t to = heading.find('\n', from);
    if (to == std::string::npos) to = heading.size();
    std::string line = heading.substr(from, to - from);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) line.pop_back();
    const std::size_t lead = line.find_first_not_of(" \t");
    if (lead != std::string::npos) {
      w.row({line.substr(lead)});
      any = true;
    }
    from = to + 1;
  }
  if (any) w.row({});
  const ExamSheetHeader& h = s.header;
  w.row({"Факультет", h.faculty});
  w.row({"Семестр", h.semester});
  w.row({"Группа", h.group});
  w.row({"Специальность (код)", h.specialty});
  w.row({"Курс", h.course});
  w.row({"Дисциплина", h.discipline});
  w.row({"Название теста:", h.test});
  w.row({"Фамилия И.О., должность преподавателя", h.teacher});
  w.row({"Дата проведения", h.examDate});
  w.row({});
  w.row({"№", "Фамилия, имя и отчество", "Шифр", "Тест", "Отметка"});
  int n = 0;
  for (const ExamSheetRow& r : s.rows)
    w.row({std::to_string(++n), r.name, r.recordBook, r.test, r.absent() ? "не явился" : std::to_string(r.mark)});
  w.row({});
  w.row({"Число студентов на экзамене (зачете)", std::to_string(s.present)});
  const char* grades[] = {"отлично", "хорошо", "удовлетворительно", "неудовлетворительно"};
  for (int i = 0; i < 4; ++i)
    w.row({std::string(i == 0 ? "Из них: получивших " : "получивших ") + "\"" + grades[i] + "\"", std::to_string(s.byMark[i])});
  w.row({"Число студентов, не явившихся на экзамен (зачет)", std::to_string(s.absent)});
  w.row({"Число студентов, не допущенных к экзамену (зачету)", ""});
  return w.text();
}

Outcome cleanGradeSheet(const setup::Installation& inst, const std::function<CleanAnswer(const std::string&)>& ask,
                        CleanUpCount& count) {
  count = {};
  tables::Vedom ved;
  store::Table vt(tables::vedomDef(), ved, inst.central(tables::files::Vedom));
  if (Outcome o = openShared(vt); !o) return o;
  tables::Student stu;
  store::Table st(tables::studentDef(), stu, inst.central(tables::files::Student));
  if (Outcome o = openShared(st); !o) return o;
  bool all = false;
  int rc = vt.set();
  while (rc == store::Ok && (rc = vt.next()) == store::Ok) {
    ++count.read;
    const store::Position here = vt.position();
    stu.CODEST = ved.CODEST;
    const int found = st.get(st.key("KEYKODST"));
    if (found != store::Ok && found != store::NoRecord) return Outcome::failed(st.error(), "Не удалось прочитать " + st.name());
    if (found == store::Ok) {
      const std::string built =
          common::examineeName(stu.FAM.view(), stu.NAME.view(), stu.OTCHE.view(), common::kGradeSheetNameWidth);
      if (cp1251::clip(built) == cp1251::clip(ved.NAMESTUD.view())) continue;
    }
    CleanAnswer a = all ? CleanAnswer::DeleteAll : ask(u8(ved.NAMESTUD.view()));
    if (a == CleanAnswer::Stop) break;
    if (a == CleanAnswer::Keep) continue;
    all = all || a == CleanAnswer::DeleteAll;
    // The question ran a nested event loop: the line is read again by its
    // position before it goes.
    if (vt.getAt(here) != store::Ok || vt.del() != store::Ok)
      return Outcome::failed(vt.error(), "Не удалось удалить строку ведомости");
    ++count.deleted;
  }
  if (rc != store::Ok && rc != store::NoRecord) return Outcome::failed(vt.error(), "Не удалось прочитать " + vt.name());
  return {};
}

Outcome studentGradeLines(const setup::Installation& inst, std::int32_t student, std::vector<GradeLine>& out) {
  out.clear();
  tables::Vedom ved;
  store::Table vt(tables::vedomDef(), ved, inst.central(tables::files::Vedom));
  if (Outcome o = openShared(vt); !o) return o;
  store::View v(vt);
  if (v.setFilter("VED:CODEST = Code") != store::Ok) return Outcome::failed(vt.error(), "Не удалось прочитать ведомость");
  v.bind("Code", static_cast<std::int64_t>(student));
  Outcome o = readAll(v, vt, [&] {
    out.push_back({ved.CODEVED, u8(ved.NAMETEMA.view()), ved.DATE, ved.BALL, u8(ved.REZTEXT.view()), ved.OTMETKA});
  });
  if (!o) return o;
  std::stable_sort(out.begin(), out.end(), [](const GradeLine& a, const GradeLine& b) { return a.date < b.date; });
  return {};
}

std::string gradeLinesCsv(const std::string& group,
                          const std::vector<std::pair<std::string, std::vector<GradeLine>>>& students) {
  common::CsvWriter w;
  w.row({"Группа", group});
  w.row({"Студент", "Тест", "Дата", "Балл", "Результат", "Оценка"});
  for (const auto& [name, lines] : students)
    for (const GradeLine& l : lines)
      w.row({name, l.test, dateText(l.date), std::to_string(l.ball), l.resultText, std::to_string(l.mark)});
  return w.text();
}

}  // namespace administrator
