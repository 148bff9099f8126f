#pragma once
// The central tables of the database directory, shared by the three programs.
#include <array>
#include <cstdint>

#include "store.h"

namespace tables {

struct PathFile {
  std::int32_t CODEBD = 0;
  std::int32_t DATECR = 0;
  std::int32_t TIMECR = 0;
  store::FixedString<256> PRIM;
  std::uint8_t CODEOTDEL = 0;
  store::FixedString<255> DIRBD;
  store::FixedString<200> NAMEBD;
};

inline const store::TableDef& pathFileDef() {
  static const store::TableDef d = store::TableBuilder<PathFile>("PathFile", "PBD")
      .field("CODEBD", &PathFile::CODEBD)
      .field("DATECR", &PathFile::DATECR)
      .field("TIMECR", &PathFile::TIMECR)
      .field("PRIM", &PathFile::PRIM)
      .field("CODEOTDEL", &PathFile::CODEOTDEL)
      .field("DIRBD", &PathFile::DIRBD)
      .field("NAMEBD", &PathFile::NAMEBD)
      .key("KEYCODEBD", "CODEBD", store::Primary)
      .key("KEYCODEDTDEL", "CODEOTDEL", store::Dup)
      .key("KEYDIRBD", "DIRBD", store::Unique)
      .build();
  return d;
}

struct AllRez {
  std::uint16_t CODEALL = 0;
  std::int32_t CODEBD = 0;
  store::FixedString<100> NAMEREZ;
  store::FixedString<250> PATHREZ;
  std::int32_t DATECR = 0;
  std::int32_t TIMECR = 0;
  std::int32_t DATEIZM = 0;
  std::int32_t TIMEIZM = 0;
  std::uint16_t KOLREC = 0;
  store::FixedString<256> PRIM;
  store::FixedString<20> MODENET;
};

inline const store::TableDef& allRezDef() {
  static const store::TableDef d = store::TableBuilder<AllRez>("AllRez", "ALL")
      .field("CODEALL", &AllRez::CODEALL)
      .field("CODEBD", &AllRez::CODEBD)
      .field("NAMEREZ", &AllRez::NAMEREZ)
      .field("PATHREZ", &AllRez::PATHREZ)
      .field("DATECR", &AllRez::DATECR)
      .field("TIMECR", &AllRez::TIMECR)
      .field("DATEIZM", &AllRez::DATEIZM)
      .field("TIMEIZM", &AllRez::TIMEIZM)
      .field("KOLREC", &AllRez::KOLREC)
      .field("PRIM", &AllRez::PRIM)
      .field("MODENET", &AllRez::MODENET)
      .key("KEYCODE", "CODEALL", store::Primary)
      .key("KEYCODEBD", "CODEBD", store::Dup)
      .key("KEYNAME", "NAMEREZ", store::Dup)
      .key("KEYDATECR", "DATECR", store::Dup)
      .key("KEYDATEIZM", "DATEIZM", store::Dup)
      .build();
  return d;
}

struct DataTest {
  std::uint16_t CODETEST = 0;
  std::int32_t CODEBD = 0;
  std::uint8_t CODEOTDEL = 0;
  std::uint8_t CODEKURS = 0;
  std::uint8_t CODEPREDMET = 0;
  std::int32_t CODEVED = 0;
  store::FixedString<250> NAME;
  store::FixedString<20> KEYW;
  std::uint8_t YESINBD = 0;
  store::FixedString<20> PASSW;
};

inline const store::TableDef& dataTestDef() {
  static const store::TableDef d = store::TableBuilder<DataTest>("DataTest", "DAT")
      .field("CODETEST", &DataTest::CODETEST)
      .field("CODEBD", &DataTest::CODEBD)
      .field("CODEOTDEL", &DataTest::CODEOTDEL)
      .field("CODEKURS", &DataTest::CODEKURS)
      .field("CODEPREDMET", &DataTest::CODEPREDMET)
      .field("CODEVED", &DataTest::CODEVED)
      .field("NAME", &DataTest::NAME)
      .field("KEYW", &DataTest::KEYW)
      .field("YESINBD", &DataTest::YESINBD)
      .field("PASSW", &DataTest::PASSW)
      .key("KEYCODE", "CODETEST", store::Primary)
      .key("KEYNAME", "NAME", store::Dup)
      .key("KEYCODEOTDEL", "CODEOTDEL", store::Dup)
      .key("KEYKURS", "CODEKURS", store::Dup)
      .key("KEYCODEPRM", "CODEPREDMET", store::Dup)
      .key("KEYCODEVED", "CODEVED", store::Dup)
      .key("KEYCODEBD", "CODEBD", store::Dup)
      .build();
  return d;
}

struct Student {
  std::int32_t CODEST = 0;
  std::uint8_t CODEKURS = 0;
  store::FixedString<7> PASSER;
  store::FixedString<6> PASNUM;
  store::Date DATE;
  store::FixedString<100> WHY;
  std::int32_t CODEGR = 0;
  store::FixedString<30> NAMEGR;
  store::FixedString<30> FAM;
  store::FixedString<30> NAME;
  store::FixedString<30> OTCHE;
  store::FixedString<10> NUMID;
  store::FixedString<20> ZACHBOOK;
};

inline const store::TableDef& studentDef() {
  static const store::TableDef d = store::TableBuilder<Student>("Student", "STU")
      .field("CODEST", &Student::CODEST)
      .field("CODEKURS", &Student::CODEKURS)
      .field("PASSER", &Student::PASSER)
      .field("PASNUM", &Student::PASNUM)
      .field("DATE", &Student::DATE)
      .field("WHY", &Student::WHY)
      .field("CODEGR", &Student::CODEGR)
      .field("NAMEGR", &Student::NAMEGR)
      .field("FAM", &Student::FAM)
      .field("NAME", &Student::NAME)
      .field("OTCHE", &Student::OTCHE)
      .field("NUMID", &Student::NUMID)
      .field("ZACHBOOK", &Student::ZACHBOOK)
      .key("KEYKODST", "CODEST", store::Primary)
      .key("KEYKODGR", "CODEGR", store::Dup)
      .key("KEYFAM", "FAM", store::Dup)
      .key("KEYKURS", "CODEKURS", store::Dup)
      .build();
  return d;
}

struct Group {
  std::int32_t CODEGR = 0;
  store::FixedString<20> KODSPES;
  std::uint8_t CODEFAK = 0;
  std::uint8_t CODEKURS = 0;
  store::FixedString<30> NAME;
};

inline const store::TableDef& groupDef() {
  static const store::TableDef d = store::TableBuilder<Group>("Group", "GRO")
      .field("CODEGR", &Group::CODEGR)
      .field("KODSPES", &Group::KODSPES)
      .field("CODEFAK", &Group::CODEFAK)
      .field("CODEKURS", &Group::CODEKURS)
      .field("NAME", &Group::NAME)
      .key("KEYCODEGR", "CODEGR", store::Primary)
      .key("KEYFAK", "CODEFAK", store::Dup)
      .key("KEYCODEKURS", "CODEKURS", store::Dup)
      .key("KEYNAME", "NAME", store::Dup)
      .build();
  return d;
}

struct Faket {
  std::uint8_t CODEFAK = 0;
  store::FixedString<100> NAME;
};

inline const store::TableDef& faketDef() {
  static const store::TableDef d = store::TableBuilder<Faket>("Faket", "FAK")
      .field("CODEFAK", &Faket::CODEFAK)
      .field("NAME", &Faket::NAME)
      .key("KEYFAK", "CODEFAK", store::Primary)
      .build();
  return d;
}

struct Kurs {
  std::uint8_t CODEKURS = 0;
  store::FixedString<40> NAME;
};

inline const store::TableDef& kursDef() {
  static const store::TableDef d = store::TableBuilder<Kurs>("Kurs", "KRS")
      .field("CODEKURS", &Kurs::CODEKURS)
      .field("NAME", &Kurs::NAME)
      .key("KEYCODEKURS", "CODEKURS", store::Primary)
      .build();
  return d;
}

struct Otdel {
  std::uint8_t CODEOTDEL = 0;
  std::uint8_t CODEFAK = 0;
  store::FixedString<120> NAMEOTDEL;
};

inline const store::TableDef& otdelDef() {
  static const store::TableDef d = store::TableBuilder<Otdel>("Otdel", "OTD")
      .field("CODEOTDEL", &Otdel::CODEOTDEL)
      .field("CODEFAK", &Otdel::CODEFAK)
      .field("NAMEOTDEL", &Otdel::NAMEOTDEL)
      .key("KEYCODEOTDEL", "CODEOTDEL", store::Primary)
      .key("KEYFAK", "CODEFAK", store::Dup)
      .key("KEYNAME", "NAMEOTDEL", store::Dup)
      .build();
  return d;
}

struct Predmet {
  std::uint8_t CODEPREDMET = 0;
  std::uint8_t CODEOTDEL = 0;
  std::uint8_t CODEKURS = 0;
  store::FixedString<60> NAMEPREDMET;
};

inline const store::TableDef& predmetDef() {
  static const store::TableDef d = store::TableBuilder<Predmet>("Predmet", "PRE")
      .field("CODEPREDMET", &Predmet::CODEPREDMET)
      .field("CODEOTDEL", &Predmet::CODEOTDEL)
      .field("CODEKURS", &Predmet::CODEKURS)
      .field("NAMEPREDMET", &Predmet::NAMEPREDMET)
      .key("KEYCODEPREDMET", "CODEPREDMET", store::Primary)
      .key("KEYCODEOTDEL", "CODEOTDEL", store::Dup)
      .key("KEYCODEKURS", "CODEKURS", store::Dup)
      .key("KEYNAME", "NAMEPREDMET", store::Dup)
      .build();
  return d;
}

struct Writer {
  std::uint8_t CODEWRITER = 0;
  store::FixedString<60> NAMEWRITER;
};

inline const store::TableDef& writerDef() {
  static const store::TableDef d = store::TableBuilder<Writer>("Writer", "WRI")
      .field("CODEWRITER", &Writer::CODEWRITER)
      .field("NAMEWRITER", &Writer::NAMEWRITER)
      .key("KEYCODEWRITER", "CODEWRITER", store::Primary)
      .key("KEYNAME", "NAMEWRITER", store::Dup)
      .build();
  return d;
}

struct Labr {
  std::uint16_t CODELABR = 0;
  store::FixedString<40> NAMELABR;
  std::uint16_t NUMROOM = 0;
  std::uint8_t KOLWS = 0;
  store::FixedString<40> ADMIN;
  store::FixedString<100> CURREZ;
  store::FixedString<65> ZAG;
};

inline const store::TableDef& labrDef() {
  static const store::TableDef d = store::TableBuilder<Labr>("Labr", "LAB")
      .field("CODELABR", &Labr::CODELABR)
      .field("NAMELABR", &Labr::NAMELABR)
      .field("NUMROOM", &Labr::NUMROOM)
      .field("KOLWS", &Labr::KOLWS)
      .field("ADMIN", &Labr::ADMIN)
      .field("CURREZ", &Labr::CURREZ)
      .field("ZAG", &Labr::ZAG)
      .key("KEYCODELABR", "CODELABR", store::Primary)
      .key("KEYNUMROOM", "NUMROOM", store::Dup)
      .key("KEYNAMELABR", "NAMELABR", store::Dup)
      .build();
  return d;
}

struct Ws {
  std::int32_t CODEWS = 0;
  std::uint16_t CODELABR = 0;
  store::FixedString<20> NAMEPC;
  store::FixedString<255> PATH;
};

inline const store::TableDef& wsDef() {
  static const store::TableDef d = store::TableBuilder<Ws>("WS", "WS")
      .field("CODEWS", &Ws::CODEWS)
      .field("CODELABR", &Ws::CODELABR)
      .field("NAMEPC", &Ws::NAMEPC)
      .field("PATH", &Ws::PATH)
      .key("KEYCODEWS", "CODEWS", store::Primary)
      .key("KEYCODELABR", "CODELABR", store::Dup)
      .build();
  return d;
}

struct TuneTest {
  store::FixedString<20> PASSADM;
  store::FixedString<20> PASSUSR;
  store::FixedString<120> ORG;
  store::FixedString<60> INSPECT;
  std::uint8_t CHECKID = 0;
  store::FixedString<100> CURBIBL;
  store::FixedString<100> CURREZ;
  std::uint16_t CODEFILEREZ = 0;
  std::uint8_t PRINTLIT = 0;
  store::FixedString<100> NAMETEST;
  std::uint8_t RASPRVAR = 0;
  std::uint8_t MODETEST = 0;
  std::uint8_t ADDFIO = 0;
  std::uint8_t YESMONI = 0;
  store::FixedString<120> ORG2;
  store::FixedString<65> NAMEPROT;
  store::FixedString<65> NAMEPROT2;
  std::uint8_t YESFONT = 0;
  std::array<store::FixedString<20>, 2> FONTNAME;
  std::array<std::int32_t, 2> FONTSIZE{};
  std::array<std::int32_t, 2> FONTCOLOR{};
  std::array<std::int32_t, 2> FONTSTYLE{};
  std::array<std::int32_t, 2> FIELDFON{};
  std::uint8_t MODENET = 0;
  store::FixedString<10> CHECKPASS;
  store::FixedString<10> CHANGEPASS;
};

inline const store::TableDef& tuneTestDef() {
  static const store::TableDef d = store::TableBuilder<TuneTest>("TuneTest", "TUN")
      .field("PASSADM", &TuneTest::PASSADM)
      .field("PASSUSR", &TuneTest::PASSUSR)
      .field("ORG", &TuneTest::ORG)
      .field("INSPECT", &TuneTest::INSPECT)
      .field("CHECKID", &TuneTest::CHECKID)
      .field("CURBIBL", &TuneTest::CURBIBL)
      .field("CURREZ", &TuneTest::CURREZ)
      .field("CODEFILEREZ", &TuneTest::CODEFILEREZ)
      .field("PRINTLIT", &TuneTest::PRINTLIT)
      .field("NAMETEST", &TuneTest::NAMETEST)
      .field("RASPRVAR", &TuneTest::RASPRVAR)
      .field("MODETEST", &TuneTest::MODETEST)
      .field("ADDFIO", &TuneTest::ADDFIO)
      .field("YESMONI", &TuneTest::YESMONI)
      .field("ORG2", &TuneTest::ORG2)
      .field("NAMEPROT", &TuneTest::NAMEPROT)
      .field("NAMEPROT2", &TuneTest::NAMEPROT2)
      .field("YESFONT", &TuneTest::YESFONT)
      .field("FONTNAME", &TuneTest::FONTNAME)
      .field("FONTSIZE", &TuneTest::FONTSIZE)
      .field("FONTCOLOR", &TuneTest::FONTCOLOR)
      .field("FONTSTYLE", &TuneTest::FONTSTYLE)
      .field("FIELDFON", &TuneTest::FIELDFON)
      .field("MODENET", &TuneTest::MODENET)
      .field("CHECKPASS", &TuneTest::CHECKPASS)
      .field("CHANGEPASS", &TuneTest::CHANGEPASS)
      .build();
  return d;
}

struct GlbTune {
  std::uint8_t MODERUN = 0;
  store::FixedString<100> LOGO;
  std::uint8_t RESERVED1 = 0;
  std::int32_t KOLRECVED = 0;
  store::FixedString<180> ORG;
  store::FixedString<40> ADMINISTRATOR;
  std::int32_t RESERVED2 = 0;
  store::FixedString<20> PASSADM;
  store::FixedString<20> PASSINS;
  std::uint8_t RESERVED3 = 0;
  store::FixedString<20> KEYW;
  std::uint8_t LASTSTATUS = 0;
  store::FixedString<20> WHOSTART;
  std::uint8_t MODESTATUS = 0;
  std::uint8_t SHOWPASS = 0;
  store::FixedString<9> RESERVED4;
};

inline const store::TableDef& glbTuneDef() {
  static const store::TableDef d = store::TableBuilder<GlbTune>("GlbTune", "GLB")
      .field("MODERUN", &GlbTune::MODERUN)
      .field("LOGO", &GlbTune::LOGO)
      .field("RESERVED1", &GlbTune::RESERVED1)
      .field("KOLRECVED", &GlbTune::KOLRECVED)
      .field("ORG", &GlbTune::ORG)
      .field("ADMINISTRATOR", &GlbTune::ADMINISTRATOR)
      .field("RESERVED2", &GlbTune::RESERVED2)
      .field("PASSADM", &GlbTune::PASSADM)
      .field("PASSINS", &GlbTune::PASSINS)
      .field("RESERVED3", &GlbTune::RESERVED3)
      .field("KEYW", &GlbTune::KEYW)
      .field("LASTSTATUS", &GlbTune::LASTSTATUS)
      .field("WHOSTART", &GlbTune::WHOSTART)
      .field("MODESTATUS", &GlbTune::MODESTATUS)
      .field("SHOWPASS", &GlbTune::SHOWPASS)
      .field("RESERVED4", &GlbTune::RESERVED4)
      .build();
  return d;
}

struct MonCons {
  std::uint16_t CODEC = 0;
  store::FixedString<40> NAMEPC;
  store::FixedString<60> FIO;
  std::int32_t TIMEBEG = 0;
  store::FixedString<80> TEST;
  std::uint16_t KOLVOPOT = 0;
  std::uint16_t KOLZAD = 0;
  std::uint16_t KOLBALLMAX = 0;
  std::uint16_t KOLBALLREAL = 0;
  std::int32_t TIMEEND = 0;
  std::uint8_t FLAG = 0;
  std::uint16_t CODEVOP = 0;
  std::uint16_t FALSEOT = 0;
};

inline const store::TableDef& monConsDef() {
  static const store::TableDef d = store::TableBuilder<MonCons>("MonCons", "CNS")
      .field("CODEC", &MonCons::CODEC)
      .field("NAMEPC", &MonCons::NAMEPC)
      .field("FIO", &MonCons::FIO)
      .field("TIMEBEG", &MonCons::TIMEBEG)
      .field("TEST", &MonCons::TEST)
      .field("KOLVOPOT", &MonCons::KOLVOPOT)
      .field("KOLZAD", &MonCons::KOLZAD)
      .field("KOLBALLMAX", &MonCons::KOLBALLMAX)
      .field("KOLBALLREAL", &MonCons::KOLBALLREAL)
      .field("TIMEEND", &MonCons::TIMEEND)
      .field("FLAG", &MonCons::FLAG)
      .field("CODEVOP", &MonCons::CODEVOP)
      .field("FALSEOT", &MonCons::FALSEOT)
      .key("BYCODEC", "CODEC", store::Primary)
      .key("BYKOLVOPOT", "KOLVOPOT", store::Dup)
      .key("BYBALLREAL", "KOLBALLREAL", store::Dup)
      .key("BYNAMEPC", "NAMEPC", store::Dup)
      .key("BYFIO", "FIO", store::Dup)
      .key("BYTIMEBEG", "TIMEBEG", store::Dup)
      .build();
  return d;
}

// An attempt under way, saved after every step so that it outlives its
// workstation ("Attempt.tps\!Attempt"); the result it would give as it
// stands is the RezTest record of the same file whose CODEREZ is CODE.
// Both go in the commit that stores the result.
struct Attempt {
  std::int32_t CODE = 0;
  std::int32_t CODEST = 0;            // STU:CODEST, 0 for a name typed in
  store::FixedString<60> FIO;
  store::FixedString<30> GR;
  store::FixedString<40> NAMEPC;      // the workstation running it now
  store::FixedString<40> OWNER;       // that run's token: only it may write
  store::FixedString<255> TESTFILE;   // the test file as that station reached it
  store::FixedString<200> NAMETEMA;
  std::uint16_t VARIANT = 1;
  std::uint16_t KOLVOP = 0;           // frames drawn
  std::uint16_t KOLOT = 0;            // frames answered
  std::int32_t DATEBEG = 0;
  std::int32_t TIMEBEG = 0;
  std::int32_t LASTDATE = 0;          // the last answer
  std::int32_t LASTTIME = 0;
  std::int32_t SEENDATE = 0;          // the owner's last sign of life
  std::int32_t SEENTIME = 0;
  std::int32_t SAVES = 0;
  std::uint8_t SAVEREZ = 1;           // TEM:SAVEREZ
  store::FixedString<255> BASE;       // where the result goes
  store::FixedString<100> FILEREZ;
  store::FixedString<255> VEDOM;
  store::Memo<2560> HOWOT;            // the detail as it stands
  store::Memo<2560> HOWTXT;
  store::Memo<1000000> STATE;         // the attempt's own state (text)
};

inline const store::TableDef& attemptDef() {
  static const store::TableDef d = store::TableBuilder<Attempt>("Attempt", "ATT")
      .field("CODE", &Attempt::CODE)
      .field("CODEST", &Attempt::CODEST)
      .field("FIO", &Attempt::FIO)
      .field("GR", &Attempt::GR)
      .field("NAMEPC", &Attempt::NAMEPC)
      .field("OWNER", &Attempt::OWNER)
      .field("TESTFILE", &Attempt::TESTFILE)
      .field("NAMETEMA", &Attempt::NAMETEMA)
      .field("VARIANT", &Attempt::VARIANT)
      .field("KOLVOP", &Attempt::KOLVOP)
      .field("KOLOT", &Attempt::KOLOT)
      .field("DATEBEG", &Attempt::DATEBEG)
      .field("TIMEBEG", &Attempt::TIMEBEG)
      .field("LASTDATE", &Attempt::LASTDATE)
      .field("LASTTIME", &Attempt::LASTTIME)
      .field("SEENDATE", &Attempt::SEENDATE)
      .field("SEENTIME", &Attempt::SEENTIME)
      .field("SAVES", &Attempt::SAVES)
      .field("SAVEREZ", &Attempt::SAVEREZ)
      .field("BASE", &Attempt::BASE)
      .field("FILEREZ", &Attempt::FILEREZ)
      .field("VEDOM", &Attempt::VEDOM)
      .field("HOWOT", &Attempt::HOWOT)
      .field("HOWTXT", &Attempt::HOWTXT)
      .field("STATE", &Attempt::STATE)
      .key("KEYCODE", "CODE", store::Primary)
      .key("KEYCODEST", "CODEST", store::Dup)
      .key("KEYFIO", "FIO", store::Dup)
      .build();
  return d;
}

struct Vedom {
  std::int32_t CODEVED = 0;
  std::int32_t CODEST = 0;
  store::FixedString<40> NAMESTUD;
  store::FixedString<30> GR;
  store::FixedString<200> NAMETEMA;
  std::uint8_t CODEPREDMET = 0;
  store::FixedString<60> PREDMET;
  std::int32_t BALL = 0;
  std::int32_t CODEREZ = 0;
  std::int32_t DATE = 0;
  store::FixedString<20> REZTEXT;
  std::uint8_t OTMETKA = 0;
  store::FixedString<64> FILEREZ;
};

inline const store::TableDef& vedomDef() {
  static const store::TableDef d = store::TableBuilder<Vedom>("Vedom", "VED")
      .field("CODEVED", &Vedom::CODEVED)
      .field("CODEST", &Vedom::CODEST)
      .field("NAMESTUD", &Vedom::NAMESTUD)
      .field("GR", &Vedom::GR)
      .field("NAMETEMA", &Vedom::NAMETEMA)
      .field("CODEPREDMET", &Vedom::CODEPREDMET)
      .field("PREDMET", &Vedom::PREDMET)
      .field("BALL", &Vedom::BALL)
      .field("CODEREZ", &Vedom::CODEREZ)
      .field("DATE", &Vedom::DATE)
      .field("REZTEXT", &Vedom::REZTEXT)
      .field("OTMETKA", &Vedom::OTMETKA)
      .field("FILEREZ", &Vedom::FILEREZ)
      .key("KEYCODEVED", "CODEVED", store::Primary)
      .key("KEYCODEST", "CODEST", store::Dup)
      .key("KEYNAMEST", "NAMESTUD", store::Dup)
      .key("KEYGR", "GR", store::Dup)
      .key("KEYNAMETEST", "NAMETEMA", store::Dup)
      .key("KEYCODEPRM", "CODEPREDMET", store::Dup)
      .build();
  return d;
}

struct BrwZag {
  std::uint16_t CODEZAG = 0;
  std::uint16_t CODELABR = 0;
  store::FixedString<65> ZAG;
};

inline const store::TableDef& brwZagDef() {
  static const store::TableDef d = store::TableBuilder<BrwZag>("BrwZag", "BRZ")
      .field("CODEZAG", &BrwZag::CODEZAG)
      .field("CODELABR", &BrwZag::CODELABR)
      .field("ZAG", &BrwZag::ZAG)
      .key("KEYCODEZAG", "CODEZAG", store::Primary)
      .key("KEYCODELAB", "CODELABR", store::Dup)
      .build();
  return d;
}

struct ZagExzVed {
  store::FixedString<528> ZAG;
};

inline const store::TableDef& zagExzVedDef() {
  static const store::TableDef d = store::TableBuilder<ZagExzVed>("ZagExzVed", "ZGV")
      .field("ZAG", &ZagExzVed::ZAG)
      .build();
  return d;
}

struct AutoStar {
  std::uint8_t AUTOSTART = 0;
  std::uint8_t YESTEST = 0;
  std::uint8_t YESREZ = 0;
  store::FixedString<100> CURBT;
  store::FixedString<100> CURTEST;
  store::FixedString<100> CURREZ;
};

inline const store::TableDef& autoStarDef() {
  static const store::TableDef d = store::TableBuilder<AutoStar>("AutoStar", "AUT")
      .field("AUTOSTART", &AutoStar::AUTOSTART)
      .field("YESTEST", &AutoStar::YESTEST)
      .field("YESREZ", &AutoStar::YESREZ)
      .field("CURBT", &AutoStar::CURBT)
      .field("CURTEST", &AutoStar::CURTEST)
      .field("CURREZ", &AutoStar::CURREZ)
      .build();
  return d;
}

struct SelVar {
  std::uint8_t START = 0;
  store::FixedString<200> NAMETEST;
  std::array<std::uint8_t, 15> VAR{};
};

inline const store::TableDef& selVarDef() {
  static const store::TableDef d = store::TableBuilder<SelVar>("SelVar", "VAR")
      .field("START", &SelVar::START)
      .field("NAMETEST", &SelVar::NAMETEST)
      .field("VAR", &SelVar::VAR)
      .build();
  return d;
}

// File names: the base directory is put in front, except for `Writer`, whose
// name has no directory and is found in the working directory, and
// `AutoStar`, which the Examiner keeps in its working directory.
namespace files {
inline constexpr const char* PathFile = "PathFile.tps";
inline constexpr const char* AllRez = "AllRez.tps";
inline constexpr const char* DataTest = "DataTest.tps";
inline constexpr const char* Student = "Student.tps";
inline constexpr const char* Group = "Group.tps";
inline constexpr const char* Faket = "Faket.tps";
inline constexpr const char* Kurs = "Kurs.tps";
inline constexpr const char* Otdel = "Otdel.tps";
inline constexpr const char* Predmet = "Predmet.tps";
inline constexpr const char* Writer = "WRITER";
inline constexpr const char* Labr = "Labr.tps";
inline constexpr const char* Ws = "WS.tps";
inline constexpr const char* TuneTest = "TuneTest.tps";
inline constexpr const char* GlbTune = "GlbTune.tps";
inline constexpr const char* MonCons = "MonCons.tps";
inline constexpr const char* Attempt = "Attempt.tps";
inline constexpr const char* Vedom = "Vedom.tps";
inline constexpr const char* BrwZag = "BrwZag.tps";
inline constexpr const char* ZagExzVed = "ZagExzVed.tps";
inline constexpr const char* AutoStar = "AutoStar.tps";
inline constexpr const char* SelVar = "SelVar.tps";
}  // namespace files

}  // namespace tables
