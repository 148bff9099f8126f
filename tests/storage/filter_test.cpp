// Filter expressions: translation to SQL with parameters, and views that
// read through them.
#include <gtest/gtest.h>

#include "cp1251.h"
#include "filter_expr.h"
#include "store.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;

namespace {

TEST(FilterTranslation, GoodExpressions) {
  struct Case {
    const char* text;
    const char* sql;
    std::size_t params;
  } cases[] = {
      {"PER:Code = 5", "(\"CODE\" = ?)", 1},
      {"per:grade>=2 AND per:Grade<=4", "((\"GRADE\" >= ?) AND (\"GRADE\" <= ?))", 2},
      {"UPPER(PER:NAME) = UPPER(FIO)", "(cp1251_upper(\"NAME\") = cp1251_upper(?))", 1},
      {"NOT (PER:CODE <> 1 OR PER:CODE < -2)", "(NOT (((\"CODE\" <> ?) OR (\"CODE\" < (- ?)))))", 2},
      {"PER:NAME = 'O''Brien'", "(\"NAME\" = ?)", 1},
      {"PER:AVG > 1.5", "(\"AVG\" > ?)", 1},
  };
  for (const auto& c : cases) {
    auto t = filter::translate(c.text, personDef());
    ASSERT_TRUE(t.ok) << c.text << ": " << t.error;
    EXPECT_EQ(t.sql, c.sql) << c.text;
    EXPECT_EQ(t.params.size(), c.params) << c.text;
  }
  auto t = filter::translate("PER:NAME = 'O''Brien   ' AND PER:CODE = FiltrInt", personDef());
  ASSERT_TRUE(t.ok);
  EXPECT_EQ(t.params[0].s, "O'Brien");  // literals are compared clipped
  EXPECT_EQ(t.params[1].kind, filter::Param::Variable);
  EXPECT_EQ(t.params[1].s, "FILTRINT");
}

TEST(FilterTranslation, MalformedExpressionsAreRefused) {
  const char* bad[] = {
      "",                          // nothing
      "PER:CODE =",                // no right operand
      "(PER:CODE = 1",             // unclosed parenthesis
      "PER:CODE = 1)",             // stray parenthesis
      "PER:NOSUCH = 1",            // unknown field
      "REZ:CODE = 1",              // another table's field
      "PER:SCORES = 1",            // arrays cannot be compared
      "PER:NAME = 'open",          // unclosed string
      "PER:CODE = 1; DROP TABLE x",  // no statement separators
      "PER:CODE == 1",             // no such operator
      "AND PER:CODE = 1",
      "UPPER PER:NAME",
      "PER:CODE = 1.2.3",
  };
  for (const char* b : bad) {
    auto t = filter::translate(b, personDef());
    EXPECT_FALSE(t.ok) << b;
    EXPECT_FALSE(t.error.empty()) << b;
  }
}

TEST(FilterTranslation, HostileInputEndsInAClearErrorNotInACrash) {
  auto repeat = [](const std::string& s, std::size_t n) {
    std::string r;
    r.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) r += s;
    return r;
  };
  struct Case {
    const char* what;
    std::string text;
    const char* error;  // a part of the message
  } cases[] = {
      {"a real beyond double", "PER:AVG > " + repeat("9", 400) + ".5", "слишком большое число"},
      {"an integer beyond 64 bits", "PER:CODE = 99999999999999999999", "слишком большое число"},
      {"ten thousand brackets", repeat("(", 10000) + "PER:CODE = 1" + repeat(")", 10000), "вложенность"},
      {"a hundred thousand NOTs", repeat("NOT ", 100000) + "PER:CODE = 1", "длиннее"},
      {"NOTs within the length", repeat("NOT ", 5000) + "PER:CODE = 1", "вложенность"},
      {"minus upon minus", "PER:CODE = " + repeat("-", 1000) + "1", "вложенность"},
      {"UPPER in UPPER", repeat("UPPER(", 100) + "PER:NAME" + repeat(")", 100) + " = 'A'", "вложенность"},
      {"a hundred thousand ORs", repeat("PER:CODE = 1 OR ", 100000) + "PER:CODE = 1", "длиннее"},
  };
  for (const auto& c : cases) {
    auto t = filter::translate(c.text, personDef());
    EXPECT_FALSE(t.ok) << c.what;
    EXPECT_NE(t.error.find(c.error), std::string::npos) << c.what << ": " << t.error;
  }
  // A number too small to tell from zero is zero, not a failure.
  auto tiny = filter::translate("PER:AVG > 0." + repeat("0", 400) + "1", personDef());
  ASSERT_TRUE(tiny.ok) << tiny.error;
  EXPECT_EQ(tiny.params[0].r, 0.0);
}

TEST(View, LongOrChainsAndDeepNestingRunAsSql) {
  TempDir dir;
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  for (int i = 1; i <= 400; ++i) {
    p.CODE = static_cast<std::uint16_t>(i);
    ASSERT_EQ(t.add(), Ok);
  }
  // The grade sheet's filter: up to 3072 characters of codes joined by OR;
  // and the longest chain allowed at all.
  auto codes = [](int from, int to, std::size_t limit) {
    std::string f;
    int n = 0;
    for (int i = from; i <= to && n < static_cast<int>(filter::kMaxValues); ++i) {
      std::string term = (f.empty() ? "" : " OR ") + std::string("PER:CODE=") + std::to_string(i);
      if (f.size() + term.size() > limit) break;
      f += term;
      ++n;
    }
    return std::make_pair(f, n);
  };
  auto [sheet, inSheet] = codes(1, 400, 3072);
  ASSERT_GT(inSheet, 150);
  auto [longest, inLongest] = codes(1, 100000, filter::kMaxLength);
  ASSERT_EQ(inLongest, static_cast<int>(filter::kMaxValues));
  EXPECT_FALSE(filter::translate(longest + " OR PER:CODE=0", personDef()).ok);
  // NOT, the brackets and two minuses: exactly as deep as allowed.
  std::string deep = std::string(filter::kMaxDepth - 4, '(') + "NOT PER:CODE > -(-3)" + std::string(filter::kMaxDepth - 4, ')');
  // Chains with NOT and brackets as deep as allowed: the SQL written for
  // them nests deeper still and must stay within the SQL engine's parser.
  // Every depth the translator accepts runs; the levels alternate between
  // matching {2, 3} and {2}.
  std::string mixed = "PER:CODE = 1";
  for (int level = 1; level <= 40; ++level) {
    mixed = "PER:CODE = 2 OR PER:CODE = 3 AND NOT (" + mixed + ")";
    if (!filter::translate(mixed, personDef()).ok) break;
    View v(t);
    ASSERT_EQ(v.setFilter(mixed), Ok) << v.error().text();
    EXPECT_EQ(v.records(), level % 2 ? 2 : 1) << "nested " << level << ": " << v.error().text();
  }
  struct Case {
    std::string filter;
    std::int64_t matches;
  } cases[] = {{sheet, inSheet}, {longest, 400}, {"NOT (" + sheet + ")", 400 - inSheet}, {deep, 3}};
  for (const auto& c : cases) {
    View v(t);
    ASSERT_EQ(v.setFilter(c.filter), Ok) << v.error().text();
    EXPECT_EQ(v.records(), c.matches) << c.filter.substr(0, 60) << ": " << v.error().text();
  }
}

TEST(View, FiltersAndOrdersWithBoundVariables) {
  TempDir dir;
  Person p;
  Table t(personDef(), p, dir / "p.tps");
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  const char* names[] = {"Иванов", "иванов", "Петров", "ИВАНОВ", "Сидоров"};
  for (int i = 0; i < 5; ++i) {
    p.CODE = static_cast<std::uint16_t>(i + 1);
    p.NAME = cp1251::fromUtf8(names[i]);
    p.GRADE = static_cast<std::uint8_t>(i);
    ASSERT_EQ(t.add(), Ok);
  }
  View v(t);
  ASSERT_EQ(v.setFilter("UPPER(PER:NAME) = UPPER(FIO) AND PER:GRADE > MinGrade"), Ok);
  v.bind("fio", cp1251::fromUtf8("иВаНоВ   "));
  v.bind("MINGRADE", std::int64_t{0});
  v.setOrder(t.key("KEYGRADE"));
  std::vector<int> codes;
  while (v.next() == Ok) codes.push_back(p.CODE);
  EXPECT_EQ(codes, (std::vector<int>{4, 2}));
  EXPECT_EQ(v.records(), 2);

  // Case-sensitive comparison without UPPER; a string that looks like SQL is only a value.
  ASSERT_EQ(v.setFilter("PER:NAME = N OR PER:NAME = 'x'' OR 1=1 --'"), Ok);
  v.bind("N", cp1251::fromUtf8("Петров"));
  codes.clear();
  while (v.next() == Ok) codes.push_back(p.CODE);
  EXPECT_EQ(codes, (std::vector<int>{3}));

  // An unbound variable and a malformed expression give clear errors.
  ASSERT_EQ(v.setFilter("PER:CODE = Nobody"), Ok);
  EXPECT_EQ(v.next(), StoreSpecific);
  EXPECT_NE(v.error().text().find("NOBODY"), std::string::npos);
  EXPECT_EQ(v.setFilter("PER:CODE = = 1"), StoreSpecific);
  EXPECT_NE(v.error().storeMessage.find("фильтра"), std::string::npos);
}

}  // namespace
