// Every table of the system: record sizes, and each group created, filled,
// closed, reopened and read back.
#include <gtest/gtest.h>

#include <cstring>

#include "cp1251.h"
#include "tables_central.h"
#include "tables_results.h"
#include "tables_test_file.h"
#include "tables_work.h"
#include "test_tables.h"

using namespace store;
using testing_tables::TempDir;

namespace {

TEST(TableDefinitions, RecordSizesAsTheFilesCountThem) {
  EXPECT_EQ(tables::temaDef().recordSize(), 797u);
  EXPECT_EQ(tables::titulDef().recordSize(), 591u);
  EXPECT_EQ(tables::vopDef().recordSize(), 8132u);
  EXPECT_EQ(tables::rezTestDef().recordSize(), 1781u);
}

TEST(TableDefinitions, TheFrameBufferHoldsEveryFieldOfAFrame) {
  const TableDef& vop = tables::vopDef();
  const TableDef& buf = tables::vopBufDef();
  ASSERT_EQ(vop.fields.size(), buf.fields.size());
  for (const auto& f : vop.fields) {
    int i = buf.fieldIndex(f.name);
    ASSERT_GE(i, 0) << f.name;
    const FieldDef& b = buf.fields[static_cast<std::size_t>(i)];
    EXPECT_EQ(b.type, f.type) << f.name;
    EXPECT_EQ(b.width, f.width) << f.name;
    EXPECT_EQ(b.count, f.count) << f.name;
    EXPECT_EQ(b.memoMax, f.memoMax) << f.name;
  }
}

TEST(TableDefinitions, KeysAsTheTablesDeclareThem) {
  struct Case {
    const TableDef* def;
    const char* key;
    bool unique, primary, descending;
  } cases[] = {
      {&tables::vopDef(), "VOP:KEYCODEVOP", true, true, false},
      {&tables::trainingDef(), "TRA:KEYCODEVOP", true, false, false},
      {&tables::pathFileDef(), "PBD:KEYDIRBD", true, false, false},
      {&tables::studentDef(), "STU:KEYFAM", false, false, false},
      {&tables::rtingSelDef(), "RET:KEYBALL", false, false, true},
      {&tables::rezTestDef(), "REZ:KEYCODEREZ", true, true, false},
      {&tables::rezDtlDef(), "DTL:KEYCODEREZ", false, false, false},
  };
  for (const auto& c : cases) {
    int k = c.def->keyIndex(c.key);
    ASSERT_GE(k, 0) << c.key;
    const KeyDef& kd = c.def->keys[static_cast<std::size_t>(k)];
    EXPECT_EQ(kd.unique, c.unique) << c.key;
    EXPECT_EQ(kd.primary, c.primary) << c.key;
    EXPECT_EQ(kd.descending, c.descending) << c.key;
    EXPECT_FALSE(kd.caseSensitive) << c.key;
  }
  EXPECT_TRUE(tables::glbTuneDef().keys.empty());
  EXPECT_EQ(tables::glbTuneDef().fieldIndex("RESERVED4"), static_cast<int>(tables::glbTuneDef().fields.size()) - 1);
}

// Writes a distinct value into every field of a buffer, through the definition.
void fillEveryField(const TableDef& def, void* rec, int seed) {
  char* base = static_cast<char*>(rec);
  int n = seed;
  for (const auto& f : def.fields) {
    char* p = base + f.offset;
    for (int e = 0; e < f.count; ++e, ++n) {
      char* q = p + f.memSize * static_cast<std::size_t>(e);
      switch (f.type) {
        case FieldType::UInt8: *reinterpret_cast<std::uint8_t*>(q) = static_cast<std::uint8_t>(n % 250 + 1); break;
        case FieldType::Int16: *reinterpret_cast<std::int16_t*>(q) = static_cast<std::int16_t>(-n); break;
        case FieldType::UInt16: *reinterpret_cast<std::uint16_t*>(q) = static_cast<std::uint16_t>(n * 3); break;
        case FieldType::Int32:
        case FieldType::Date: *reinterpret_cast<std::int32_t*>(q) = -n * 1000; break;
        case FieldType::Decimal: *reinterpret_cast<std::int64_t*>(q) = n * 7; break;
        case FieldType::String: {
          std::string v = cp1251::fromUtf8("Ж" + std::to_string(n));
          std::memset(q, ' ', static_cast<std::size_t>(f.width));
          std::memcpy(q, v.data(), std::min(v.size(), static_cast<std::size_t>(f.width)));
          break;
        }
        case FieldType::Memo: *reinterpret_cast<std::string*>(q) = cp1251::fromUtf8("памятка ") + std::to_string(n); break;
        case FieldType::Blob: *reinterpret_cast<std::vector<std::uint8_t>*>(q) = {0, static_cast<std::uint8_t>(n), 255}; break;
      }
    }
  }
}

bool sameFields(const TableDef& def, const void* a, const void* b, std::string& which) {
  for (const auto& f : def.fields) {
    const char* p = static_cast<const char*>(a) + f.offset;
    const char* q = static_cast<const char*>(b) + f.offset;
    bool same;
    if (f.type == FieldType::Memo) same = *reinterpret_cast<const std::string*>(p) == *reinterpret_cast<const std::string*>(q);
    else if (f.type == FieldType::Blob) same = *reinterpret_cast<const std::vector<std::uint8_t>*>(p) == *reinterpret_cast<const std::vector<std::uint8_t>*>(q);
    else same = std::memcmp(p, q, f.memSize * static_cast<std::size_t>(f.count)) == 0;
    if (!same) {
      which = f.name;
      return false;
    }
  }
  return true;
}

void roundTrip(const std::vector<const TableDef*>& group, const std::string& file, bool multi, const char* password) {
  for (const TableDef* def : group) {
    std::string name = multi ? file + "\\!" + def->name : file + "/" + def->name + ".tps";
    auto written = def->makeBuffer();
    fillEveryField(*def, written.get(), 7);
    {
      auto buf = def->makeBuffer();
      def->copyBuffer(buf.get(), written.get());
      Table t(*def, buf.get(), name);
      if (password) t.setPassword(password);
      ASSERT_EQ(t.create(), Ok) << name << ": " << t.error().text();
      ASSERT_EQ(t.open(), Ok) << name << ": " << t.error().text();
      ASSERT_EQ(t.add(), Ok) << name << ": " << t.error().text();
    }
    auto read = def->makeBuffer();
    Table t(*def, read.get(), name);
    if (password) t.setPassword(password);
    ASSERT_EQ(t.open(), Ok) << name;
    ASSERT_EQ(t.set(), Ok);
    ASSERT_EQ(t.next(), Ok) << name;
    std::string which;
    EXPECT_TRUE(sameFields(*def, written.get(), read.get(), which)) << def->name << ":" << which;
    EXPECT_EQ(t.next(), NoRecord);
  }
}

TEST(TableDefinitions, EveryGroupRoundTripsThroughItsFiles) {
  TempDir dir;
  const std::string key = cp1251::pad("demo", 20);
  roundTrip({&tables::temaDef(), &tables::titulDef(), &tables::razdelDef(), &tables::vopDef(), &tables::trainingDef()},
            dir / "t.orm", true, key.c_str());
  roundTrip({&tables::rezTestDef(), &tables::rezDtlDef()}, dir / "r.rez", true, nullptr);
  roundTrip({&tables::embDef()}, dir / "t.emb", true, nullptr);
  roundTrip({&tables::pathFileDef(), &tables::allRezDef(), &tables::dataTestDef(), &tables::studentDef(),
             &tables::groupDef(), &tables::faketDef(), &tables::kursDef(), &tables::otdelDef(), &tables::predmetDef(),
             &tables::writerDef(), &tables::labrDef(), &tables::wsDef(), &tables::tuneTestDef(), &tables::glbTuneDef(),
             &tables::monConsDef(), &tables::vedomDef(), &tables::brwZagDef(), &tables::zagExzVedDef(),
             &tables::autoStarDef(), &tables::selVarDef()},
            dir.path(), false, nullptr);
  roundTrip({&tables::bdTestDef(), &tables::allTestDef(), &tables::fileRezDef(), &tables::rsBallDef(),
             &tables::vopParamDef(), &tables::selRecDef(), &tables::rezDtlBfDef(), &tables::rtingSelDef(),
             &tables::rezTstBfDef(), &tables::kadrDef(), &tables::tmFalsOtDef(), &tables::objectRecDef(),
             &tables::tempInsDef(), &tables::stdTemaDef(), &tables::vopBufDef(), &tables::vopStdVpDef(),
             &tables::vopStdGrDef(), &tables::otTestWDef()},
            dir.path(), false, nullptr);
}

}  // namespace
