#pragma once
// Small tables of the tests' own that exercise every field type and key kind.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "store.h"

namespace testing_tables {

struct Person {
  std::uint16_t CODE = 0;
  store::FixedString<30> NAME;
  std::int32_t BORN = 0;
  std::uint8_t GRADE = 0;
  std::array<std::uint16_t, 3> SCORES{};
  std::array<store::FixedString<5>, 2> TAGS;
  store::Decimal<5, 2> AVG;
  store::Date SEEN;
  std::int16_t DELTA = 0;
  store::Memo<100> NOTE;
  store::Blob PIC;
};

inline const store::TableDef& personDef() {
  static const store::TableDef d = store::TableBuilder<Person>("Person", "PER")
                                       .field("CODE", &Person::CODE)
                                       .field("NAME", &Person::NAME)
                                       .field("BORN", &Person::BORN)
                                       .field("GRADE", &Person::GRADE)
                                       .field("SCORES", &Person::SCORES)
                                       .field("TAGS", &Person::TAGS)
                                       .field("AVG", &Person::AVG)
                                       .field("SEEN", &Person::SEEN)
                                       .field("DELTA", &Person::DELTA)
                                       .field("NOTE", &Person::NOTE)
                                       .field("PIC", &Person::PIC)
                                       .key("KEYCODE", "CODE", store::Primary)
                                       .key("KEYNAME", "NAME", store::Dup)
                                       .key("KEYNAMECS", "NAME", store::Dup | store::CaseSensitive)
                                       .key("KEYGRADE", "-GRADE", store::Dup)
                                       .build();
  return d;
}

// The same table name with another layout.
struct PersonV2 {
  std::uint16_t CODE = 0;
  store::FixedString<40> NAME;
};
inline const store::TableDef& personV2Def() {
  static const store::TableDef d = store::TableBuilder<PersonV2>("Person", "PER")
                                       .field("CODE", &PersonV2::CODE)
                                       .field("NAME", &PersonV2::NAME)
                                       .key("KEYCODE", "CODE", store::Primary)
                                       .build();
  return d;
}

// A second small table, for multi-table files and transactions.
struct Line {
  std::int32_t CODE = 0;
  store::FixedString<20> TEXT;
};
inline const store::TableDef& lineDef() {
  static const store::TableDef d = store::TableBuilder<Line>("Line", "LIN")
                                       .field("CODE", &Line::CODE)
                                       .field("TEXT", &Line::TEXT)
                                       .key("KEYCODE", "CODE", store::Unique)
                                       .build();
  return d;
}

// A fresh directory for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/ormida-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace testing_tables
