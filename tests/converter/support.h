#pragma once
// What the converter's tests share: the fixtures, a test base of their own,
// and answering a frame as the Examiner checks it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "answer_checking.h"
#include "bank.h"
#include "cp1251.h"
#include "import.h"
#include "sources.h"
#include "test_file.h"
#include "test_tables.h"

namespace convtest {

inline std::string fixture(const std::string& name) { return std::string(CONVERTER_FIXTURES) + "/" + name; }

inline std::string readText(const std::string& path) {
  const auto bytes = converter::readFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// The response the frame's own key gives (kinds 1 to 4).
inline common::Response keyResponse(const tables::Vop& v) {
  common::Response r;
  for (int i = 1; i <= 9; ++i) r.r[static_cast<std::size_t>(i)] = v.TRUEOT[static_cast<std::size_t>(i - 1)];
  return r;
}

// A response that differs from the key in one place (kinds 1 to 4).
inline common::Response wrongResponse(const tables::Vop& v) {
  common::Response r = keyResponse(v);
  switch (v.TYPEKADR) {
    case 1: r.r[1] = r.r[1] ? 0 : 1; break;
    case 2: std::swap(r.r[1], r.r[2]); break;
    case 3: r.r[1] = static_cast<std::uint8_t>(r.r[1] == 1 ? 2 : 1); break;
    case 4: r.r[1] = static_cast<std::uint8_t>(r.r[1] == v.KOLOT ? 1 : r.r[1] + 1); break;
    default: break;
  }
  return r;
}

inline common::Response typed(const std::string& utf8) {
  common::Response r;
  common::typeAnswer(r, cp1251::fromUtf8(utf8));
  return r;
}

inline bool right(const tables::Vop& v, const common::Response& r) { return common::check(v, r, false).correct; }

inline const converter::Question* byName(const converter::Bank& b, const std::string& name) {
  for (const auto& q : b.questions)
    if (q.name == name) return &q;
  return nullptr;
}

// A test base in a fresh directory, with its register.
struct Base {
  testing_tables::TempDir dir;
  std::string path = dir.path() + "/";
  std::string keyWord = cp1251::fromUtf8("ключ-конвертера");

  converter::ImportTarget target(const std::string& name) const {
    converter::ImportTarget t;
    t.baseDir = path;
    t.baseCode = 1;
    t.name = name;
    t.keyWord = keyWord;
    t.dataTestFile = dir / "DataTest.tps";
    return t;
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(path + name + ".orm"); }
  // The frames of a test with their help records and section names.
  struct Frame {
    tables::Vop vop;
    tables::Training help;
    bool hasHelp = false;
    std::string section;
  };
  std::vector<Frame> frames(const std::string& name) const {
    testfile::TestFile tf;
    tf.name(path, name, keyWord);
    EXPECT_EQ(tf.open(), store::Ok) << tf.error().text();
    std::map<int, std::string> sections;
    if (tf.razdelT.set() == store::Ok)
      while (tf.razdelT.next() == store::Ok) sections[tf.razdel.CODERAZ] = tf.razdel.NAME.utf8();
    std::vector<tables::Vop> vops;
    EXPECT_EQ(tf.frames(vops), store::Ok);
    std::vector<Frame> out;
    for (const auto& v : vops) {
      Frame f{v, {}, tf.findHelp(v.CODEVOP) == store::Ok, v.CODERAZ ? sections[v.CODERAZ] : std::string()};
      if (f.hasHelp) f.help = tf.training;
      out.push_back(f);
    }
    tf.close();
    return out;
  }
};

}  // namespace convtest
