#pragma once
// The tables of a result file "Stat/<name>.rez", and the companion file of a
// test's separately stored objects.
#include <array>
#include <cstdint>

#include "store.h"

namespace tables {

struct RezTest {
  std::int32_t CODEREZ = 0;
  std::uint16_t CODEALL = 0;
  std::uint16_t CODETEMA = 0;
  store::FixedString<200> NAMETEMA;
  store::FixedString<120> OTDEL;
  store::FixedString<60> PREDMET;
  store::FixedString<60> WRITER;
  store::FixedString<40> INSTRUCTOR;
  store::FixedString<30> GR;
  std::int32_t CODEST = 0;
  store::FixedString<60> FIO;
  store::FixedString<10> ID;
  std::int32_t DATE = 0;
  std::int32_t TIMEEND = 0;
  std::int32_t TIMEBEG = 0;
  std::uint16_t KOLVOP = 0;
  std::int32_t KOLVOPOT = 0;
  std::uint16_t KOLTROT = 0;
  std::uint16_t KOLFSOT = 0;
  std::array<std::uint8_t, 512> ALLOT{};
  store::FixedString<20> REZTEXT;
  std::uint8_t OTMETKA = 0;
  std::array<std::uint16_t, 7> PRRAZ{};
  std::array<std::uint16_t, 7> KOLOTRAZ{};
  std::array<std::uint16_t, 7> BALLRAZ{};
  std::array<std::uint16_t, 7> MAXBALLRAZ{};
  std::array<std::uint16_t, 5> KOLOTLEVEL{};
  std::array<std::uint16_t, 5> PRLEVEL{};
  std::array<std::int32_t, 5> BALLLEV{};
  std::array<store::FixedString<20>, 5> MAXBALLLEV;
  std::int32_t REZBAL = 0;
  std::int32_t MAXBALL = 0;
  std::uint8_t PRDURAK = 0;
  store::Date TESTTIME;
  std::int32_t TESTTIMEFAKT = 0;
  std::uint8_t KOLPROSVOP = 0;
  std::int32_t TIMEPROSVOP = 0;
  std::uint8_t OTM = 0;
  store::FixedString<255> BIBLTEST;
  store::FixedString<100> FAKET;
  store::FixedString<40> KURS;
  store::FixedString<20> BOOK;
  friend bool operator==(const RezTest&, const RezTest&) = default;
};

inline const store::TableDef& rezTestDef() {
  static const store::TableDef d = store::TableBuilder<RezTest>("RezTest", "REZ")
      .field("CODEREZ", &RezTest::CODEREZ)
      .field("CODEALL", &RezTest::CODEALL)
      .field("CODETEMA", &RezTest::CODETEMA)
      .field("NAMETEMA", &RezTest::NAMETEMA)
      .field("OTDEL", &RezTest::OTDEL)
      .field("PREDMET", &RezTest::PREDMET)
      .field("WRITER", &RezTest::WRITER)
      .field("INSTRUCTOR", &RezTest::INSTRUCTOR)
      .field("GR", &RezTest::GR)
      .field("CODEST", &RezTest::CODEST)
      .field("FIO", &RezTest::FIO)
      .field("ID", &RezTest::ID)
      .field("DATE", &RezTest::DATE)
      .field("TIMEEND", &RezTest::TIMEEND)
      .field("TIMEBEG", &RezTest::TIMEBEG)
      .field("KOLVOP", &RezTest::KOLVOP)
      .field("KOLVOPOT", &RezTest::KOLVOPOT)
      .field("KOLTROT", &RezTest::KOLTROT)
      .field("KOLFSOT", &RezTest::KOLFSOT)
      .field("ALLOT", &RezTest::ALLOT)
      .field("REZTEXT", &RezTest::REZTEXT)
      .field("OTMETKA", &RezTest::OTMETKA)
      .field("PRRAZ", &RezTest::PRRAZ)
      .field("KOLOTRAZ", &RezTest::KOLOTRAZ)
      .field("BALLRAZ", &RezTest::BALLRAZ)
      .field("MAXBALLRAZ", &RezTest::MAXBALLRAZ)
      .field("KOLOTLEVEL", &RezTest::KOLOTLEVEL)
      .field("PRLEVEL", &RezTest::PRLEVEL)
      .field("BALLLEV", &RezTest::BALLLEV)
      .field("MAXBALLLEV", &RezTest::MAXBALLLEV)
      .field("REZBAL", &RezTest::REZBAL)
      .field("MAXBALL", &RezTest::MAXBALL)
      .field("PRDURAK", &RezTest::PRDURAK)
      .field("TESTTIME", &RezTest::TESTTIME)
      .field("TESTTIMEFAKT", &RezTest::TESTTIMEFAKT)
      .field("KOLPROSVOP", &RezTest::KOLPROSVOP)
      .field("TIMEPROSVOP", &RezTest::TIMEPROSVOP)
      .field("OTM", &RezTest::OTM)
      .field("BIBLTEST", &RezTest::BIBLTEST)
      .field("FAKET", &RezTest::FAKET)
      .field("KURS", &RezTest::KURS)
      .field("BOOK", &RezTest::BOOK)
      .key("KEYCODEREZ", "CODEREZ", store::Primary)
      .key("KEYALLREZ", "CODEALL", store::Dup)
      .key("KEYCODETEMA", "CODETEMA", store::Dup)
      .key("KEYCODEOTDEL", "OTDEL", store::Dup)
      .key("KEYCODEPREDMET", "PREDMET", store::Dup)
      .key("KEYGR", "GR", store::Dup)
      .key("KEYFIO", "FIO", store::Dup)
      .key("KEYCODEST", "CODEST", store::Dup)
      .key("KEYNAMETEMA", "NAMETEMA", store::Dup)
      .key("KEYDATE", "DATE", store::Dup)
      .key("KEYOTMETKA", "OTMETKA", store::Dup)
      .key("KEYCODEWRITER", "WRITER", store::Dup)
      .build();
  return d;
}

struct RezDtl {
  store::Memo<2560> HOWOT;
  store::Memo<2560> HOWTXT;
  std::int32_t CODEREZ = 0;
};

inline const store::TableDef& rezDtlDef() {
  static const store::TableDef d = store::TableBuilder<RezDtl>("RezDtl", "DTL")
      .field("HOWOT", &RezDtl::HOWOT)
      .field("HOWTXT", &RezDtl::HOWTXT)
      .field("CODEREZ", &RezDtl::CODEREZ)
      .key("KEYCODEREZ", "CODEREZ", store::Dup)
      .build();
  return d;
}

// One separately stored object of a test: a record of the companion file
// "<test>.emb", one per frame code.
struct Emb {
  std::uint16_t CODEVOP = 0;
  store::FixedString<255> FILENAME;  // the document's original file name
  store::FixedString<60> TYPE;       // its type, as the file name's extension or a type name
  store::Blob DATA;
};

inline const store::TableDef& embDef() {
  static const store::TableDef d = store::TableBuilder<Emb>("Emb", "EMB")
      .field("CODEVOP", &Emb::CODEVOP)
      .field("FILENAME", &Emb::FILENAME)
      .field("TYPE", &Emb::TYPE)
      .field("DATA", &Emb::DATA)
      .key("KEYCODEVOP", "CODEVOP", store::Primary)
      .build();
  return d;
}

}  // namespace tables
