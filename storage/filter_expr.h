#pragma once
// Translation of the system's filter expressions into SQL with bound
// parameters. No text of the expression reaches SQL unparsed: field names
// become quoted column names of the table's definition, literals and
// variables become parameters.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "table_def.h"

namespace store::filter {

struct Param {
  enum Kind { Int, Real, Text, Variable } kind = Int;
  std::int64_t i = 0;
  double r = 0;
  std::string s;  // text (CP1251, clipped) or the variable's name in upper case
};

struct Translation {
  bool ok = false;
  std::string sql;             // a boolean SQL expression
  std::vector<Param> params;   // in the order of the '?' marks
  std::string error;           // why the expression was refused
};

// Limits of an expression, refused with a clear error beyond them.
constexpr std::size_t kMaxLength = 32768;  // characters
constexpr int kMaxDepth = 12;               // brackets, NOT, minus and UPPER within one another (the SQL written nests deeper)
constexpr std::size_t kMaxValues = 999;     // numbers, strings and variables (the SQL engine's own limit)

// `text` is CP1251. Field names are "PREFIX:NAME" in any letter case, with the
// table's own prefix. UPPER(x) folds CP1251 letters through the SQL function
// `cp1251_upper`, which every connection registers.
Translation translate(std::string_view text, const TableDef& def);

}  // namespace store::filter
