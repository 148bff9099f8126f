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
