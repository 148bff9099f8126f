#pragma once
// Work tables of single programs. Their names have no directory, so they
// live in the program's working directory.
#include <array>
#include <cstdint>

#include "store.h"

namespace tables {

struct BdTest {
  std::uint16_t CODE = 0;
  store::FixedString<20> AUTOR;
  store::FixedString<200> NAME;
  store::FixedString<100> FAK;
  store::FixedString<120> NAMEOTD;
  store::FixedString<60> NAMEPRD;
  store::FixedString<256> REZUME;
  std::int32_t CREATED = 0;
  std::int32_t CHANGED = 0;
  std::int32_t PRINTD = 0;
  std::int32_t VERSION = 0;
  std::int32_t KOLRUN = 0;
  store::FixedString<20> KOLVOP;
};

inline const store::TableDef& bdTestDef() {
  static const store::TableDef d = store::TableBuilder<BdTest>("BD_TEST", "KBD")
      .field("CODE", &BdTest::CODE)
      .field("AUTOR", &BdTest::AUTOR)
      .field("NAME", &BdTest::NAME)
      .field("FAK", &BdTest::FAK)
      .field("NAMEOTD", &BdTest::NAMEOTD)
      .field("NAMEPRD", &BdTest::NAMEPRD)
      .field("REZUME", &BdTest::REZUME)
      .field("CREATED", &BdTest::CREATED)
      .field("CHANGED", &BdTest::CHANGED)
      .field("PRINTD", &BdTest::PRINTD)
      .field("VERSION", &BdTest::VERSION)
      .field("KOLRUN", &BdTest::KOLRUN)
      .field("KOLVOP", &BdTest::KOLVOP)
      .build();
  return d;
}

struct AllTest {
  std::int32_t CODEBD = 0;
  store::FixedString<100> NAME;
};

inline const store::TableDef& allTestDef() {
  static const store::TableDef d = store::TableBuilder<AllTest>("ALLTEST", "TBT")
      .field("CODEBD", &AllTest::CODEBD)
      .field("NAME", &AllTest::NAME)
      .key("KEYBT", "CODEBD", store::Dup)
      .build();
  return d;
}

struct FileRez {
  store::FixedString<255> NAME;
};

inline const store::TableDef& fileRezDef() {
  static const store::TableDef d = store::TableBuilder<FileRez>("FILEREZ", "FIL")
      .field("NAME", &FileRez::NAME)
      .key("KEYNAME", "NAME", store::Dup)
      .build();
  return d;
}

struct RsBall {
  std::int32_t BALL = 0;
  std::uint16_t HOWITBALL = 0;
  store::Decimal<4, 2> PROCENT;
  store::Decimal<4, 2> NPROC;
};

inline const store::TableDef& rsBallDef() {
  static const store::TableDef d = store::TableBuilder<RsBall>("RSBALL", "RSP")
      .field("BALL", &RsBall::BALL)
      .field("HOWITBALL", &RsBall::HOWITBALL)
      .field("PROCENT", &RsBall::PROCENT)
      .field("NPROC", &RsBall::NPROC)
      .key("KEYBALL", "BALL", store::Dup)
      .build();
  return d;
}

struct VopParam {
  std::uint8_t VARTEST = 0;
  std::uint8_t HEIGTTEXTVOP = 0;
  std::uint8_t KOLOT = 0;
  std::array<std::uint8_t, 9> HEIGTTEXTOT{};
  std::uint8_t LEVEL = 0;
  std::uint8_t PORNUMOT = 0;
  std::uint16_t TIMEVOP = 0;
  std::uint8_t KOLPOP = 0;
  std::uint16_t BALLVOP = 0;
  store::FixedString<1> OBJECTSAVE;
  store::FixedString<1> OBJECTTYPE;
  store::FixedString<64> OBJECTDOC;
  store::FixedString<1> OBJECTLINK;
  store::FixedString<1> OBJECTSHOW;
  std::uint8_t CODERAZ = 0;
  store::FixedString<4> TYPEEDIT;
  std::uint8_t TYPEKADR = 0;
  store::FixedString<50> TYPEKADRSTR;
  store::FixedString<40> RAZDEL;
  std::uint8_t AUTOBALL = 0;
};

inline const store::TableDef& vopParamDef() {
  static const store::TableDef d = store::TableBuilder<VopParam>("VOPPARAM", "VPR")
      .field("VARTEST", &VopParam::VARTEST)
      .field("HEIGTTEXTVOP", &VopParam::HEIGTTEXTVOP)
      .field("KOLOT", &VopParam::KOLOT)
      .field("HEIGTTEXTOT", &VopParam::HEIGTTEXTOT)
      .field("LEVEL", &VopParam::LEVEL)
      .field("PORNUMOT", &VopParam::PORNUMOT)
      .field("TIMEVOP", &VopParam::TIMEVOP)
      .field("KOLPOP", &VopParam::KOLPOP)
      .field("BALLVOP", &VopParam::BALLVOP)
      .field("OBJECTSAVE", &VopParam::OBJECTSAVE)
      .field("OBJECTTYPE", &VopParam::OBJECTTYPE)
      .field("OBJECTDOC", &VopParam::OBJECTDOC)
      .field("OBJECTLINK", &VopParam::OBJECTLINK)
      .field("OBJECTSHOW", &VopParam::OBJECTSHOW)
      .field("CODERAZ", &VopParam::CODERAZ)
      .field("TYPEEDIT", &VopParam::TYPEEDIT)
      .field("TYPEKADR", &VopParam::TYPEKADR)
      .field("TYPEKADRSTR", &VopParam::TYPEKADRSTR)
      .field("RAZDEL", &VopParam::RAZDEL)
      .field("AUTOBALL", &VopParam::AUTOBALL)
      .build();
  return d;
}

struct SelRec {
  std::int32_t CODEREZ = 0;
  std::uint8_t CLR = 0;
};

inline const store::TableDef& selRecDef() {
  static const store::TableDef d = store::TableBuilder<SelRec>("SELREC", "SEL")
      .field("CODEREZ", &SelRec::CODEREZ)
      .field("CLR", &SelRec::CLR)
      .key("KEYCODEREZ", "CODEREZ", store::Dup)
      .build();
  return d;
}

struct RezDtlBf {
  store::Memo<2560> HOWOT;
  store::Memo<2560> HOWTXT;
  std::int32_t CODEREZ = 0;
};

inline const store::TableDef& rezDtlBfDef() {
  static const store::TableDef d = store::TableBuilder<RezDtlBf>("REZDTLBF", "DTF")
      .field("HOWOT", &RezDtlBf::HOWOT)
      .field("HOWTXT", &RezDtlBf::HOWTXT)
      .field("CODEREZ", &RezDtlBf::CODEREZ)
      .key("KEYCODEREZ", "CODEREZ", store::Dup)
      .build();
  return d;
}

// Counters and the score are wider than 16 bits: a score summed over many
// tests and the number of examinees of a large base pass 65,535.
struct RtingSel {
  std::int32_t CODEREI = 0;
  std::int32_t CODEST = 0;
  store::FixedString<40> NAMESTUD;
  store::FixedString<30> GR;
  store::FixedString<200> NAMETEMA;
  store::FixedString<64> FILEREZ;
  store::Decimal<18, 0> BALL;
  std::int32_t F = 0;
  std::int32_t CUMF = 0;
  store::Decimal<3, 1> PROSREI;
  std::int32_t MESTO = 0;
};

inline const store::TableDef& rtingSelDef() {
  static const store::TableDef d = store::TableBuilder<RtingSel>("RTINGSEL", "RET")
      .field("CODEREI", &RtingSel::CODEREI)
      .field("CODEST", &RtingSel::CODEST)
      .field("NAMESTUD", &RtingSel::NAMESTUD)
      .field("GR", &RtingSel::GR)
      .field("NAMETEMA", &RtingSel::NAMETEMA)
      .field("FILEREZ", &RtingSel::FILEREZ)
      .field("BALL", &RtingSel::BALL)
      .field("F", &RtingSel::F)
      .field("CUMF", &RtingSel::CUMF)
      .field("PROSREI", &RtingSel::PROSREI)
      .field("MESTO", &RtingSel::MESTO)
      .key("KEYCODENUM", "CODEREI", store::Unique)
      .key("KEYMESTO", "MESTO", store::Dup)
      .key("KEYBALL", "-BALL", store::Dup)
      .key("KEYCODEST", "CODEST", store::Dup)
      .build();
  return d;
}

struct RezTstBf {
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
  std::array<std::uint16_t, 9> PRRAZ{};
  std::array<std::uint16_t, 9> KOLOTRAZ{};
  std::array<std::uint16_t, 3> KOLOTLEVEL{};
  std::array<std::uint16_t, 3> PRLEVEL{};
  std::int32_t REZBAL = 0;
  std::int32_t MAXBALL = 0;
  std::array<std::int32_t, 3> BALLLEV{};
  std::array<store::FixedString<20>, 3> MAXBALLLEV;
  std::uint8_t PRDURAK = 0;
  store::Date TESTTIME;
  std::int32_t TESTTIMEFAKT = 0;
  std::uint8_t KOLPROSVOP = 0;
  std::int32_t TIMEPROSVOP = 0;
  std::uint8_t OTM = 0;
};

inline const store::TableDef& rezTstBfDef() {
  static const store::TableDef d = store::TableBuilder<RezTstBf>("REZTSTBF", "RSB")
      .field("CODEREZ", &RezTstBf::CODEREZ)
      .field("CODEALL", &RezTstBf::CODEALL)
      .field("CODETEMA", &RezTstBf::CODETEMA)
      .field("NAMETEMA", &RezTstBf::NAMETEMA)
      .field("OTDEL", &RezTstBf::OTDEL)
      .field("PREDMET", &RezTstBf::PREDMET)
      .field("WRITER", &RezTstBf::WRITER)
      .field("INSTRUCTOR", &RezTstBf::INSTRUCTOR)
      .field("GR", &RezTstBf::GR)
      .field("CODEST", &RezTstBf::CODEST)
      .field("FIO", &RezTstBf::FIO)
      .field("DATE", &RezTstBf::DATE)
      .field("TIMEEND", &RezTstBf::TIMEEND)
      .field("TIMEBEG", &RezTstBf::TIMEBEG)
      .field("KOLVOP", &RezTstBf::KOLVOP)
      .field("KOLVOPOT", &RezTstBf::KOLVOPOT)
      .field("KOLTROT", &RezTstBf::KOLTROT)
      .field("KOLFSOT", &RezTstBf::KOLFSOT)
      .field("ALLOT", &RezTstBf::ALLOT)
      .field("REZTEXT", &RezTstBf::REZTEXT)
      .field("OTMETKA", &RezTstBf::OTMETKA)
      .field("PRRAZ", &RezTstBf::PRRAZ)
      .field("KOLOTRAZ", &RezTstBf::KOLOTRAZ)
      .field("KOLOTLEVEL", &RezTstBf::KOLOTLEVEL)
      .field("PRLEVEL", &RezTstBf::PRLEVEL)
      .field("REZBAL", &RezTstBf::REZBAL)
      .field("MAXBALL", &RezTstBf::MAXBALL)
      .field("BALLLEV", &RezTstBf::BALLLEV)
      .field("MAXBALLLEV", &RezTstBf::MAXBALLLEV)
      .field("PRDURAK", &RezTstBf::PRDURAK)
      .field("TESTTIME", &RezTstBf::TESTTIME)
      .field("TESTTIMEFAKT", &RezTstBf::TESTTIMEFAKT)
      .field("KOLPROSVOP", &RezTstBf::KOLPROSVOP)
      .field("TIMEPROSVOP", &RezTstBf::TIMEPROSVOP)
      .field("OTM", &RezTstBf::OTM)
      .key("KEYCODEREZ", "CODEREZ", store::Unique)
      .key("KEYCODEALLREZ", "CODEREZ", store::Dup)
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

struct Kadr {
  std::uint8_t N = 0;
  store::FixedString<50> NAME;
};

inline const store::TableDef& kadrDef() {
  static const store::TableDef d = store::TableBuilder<Kadr>("KADR", "KAD")
      .field("N", &Kadr::N)
      .field("NAME", &Kadr::NAME)
      .key("KEYN", "N", store::Unique)
      .build();
  return d;
}

struct TmFalsOt {
  std::array<std::uint8_t, 512> ALLOT{};
};

inline const store::TableDef& tmFalsOtDef() {
  static const store::TableDef d = store::TableBuilder<TmFalsOt>("TMFALSOT", "TMF")
      .field("ALLOT", &TmFalsOt::ALLOT)
      .build();
  return d;
}

struct ObjectRec {
  std::uint8_t NUM = 0;
  store::FixedString<30> NAME;
  store::FixedString<40> OBJECTID;
};

inline const store::TableDef& objectRecDef() {
  static const store::TableDef d = store::TableBuilder<ObjectRec>("OBJECT_", "OB")
      .field("NUM", &ObjectRec::NUM)
      .field("NAME", &ObjectRec::NAME)
      .field("OBJECTID", &ObjectRec::OBJECTID)
      .build();
  return d;
}

struct TempIns {
  store::Memo<1800> HELP;
  std::uint8_t CODETMP = 0;
  std::uint8_t CODETIT = 0;
};

inline const store::TableDef& tempInsDef() {
  static const store::TableDef d = store::TableBuilder<TempIns>("TEMPINS", "TMP")
      .field("HELP", &TempIns::HELP)
      .field("CODETMP", &TempIns::CODETMP)
      .field("CODETIT", &TempIns::CODETIT)
      .key("KEYCODE", "CODETMP", store::Unique)
      .key("KEYCODETIT", "CODETIT", store::Dup)
      .build();
  return d;
}

struct StdTema {
  std::uint8_t YESRAZ = 0;
  std::uint8_t TYPEOZENKA = 0;
  std::uint8_t POVTORTEST = 0;
  std::uint8_t SHOWFALSEOT = 0;
  std::uint8_t FREESEL = 0;
  std::uint8_t HOWTIMETEST = 0;
  std::uint8_t MODECONTROLZN = 0;
  std::uint8_t MODEOZENKA = 0;
  std::uint8_t TYPETEST = 0;
  std::array<std::uint8_t, 10> SHCALA{};
  std::uint8_t STOPTEST = 0;
  std::uint16_t TIMETEST = 0;
  std::uint8_t MODETRAINING = 0;
  std::uint8_t HOWHELP = 0;
  std::uint8_t HOWTRN = 0;
  std::uint8_t HOWEND = 0;
  std::uint8_t DIFFBALL = 0;
  std::uint8_t MODELEVEL = 0;
  std::uint8_t ADDLEVEL = 0;
  std::uint8_t SHOWOTM = 0;
  std::array<std::uint16_t, 2> BALLRANGE{};
  std::uint8_t IFPROSTIME = 0;
  std::uint8_t IFPROSVOP = 0;
  std::uint8_t SHOWTF_OT = 0;
  std::uint16_t BALLVOP = 0;
};

inline const store::TableDef& stdTemaDef() {
  static const store::TableDef d = store::TableBuilder<StdTema>("STDTEMA", "STD")
      .field("YESRAZ", &StdTema::YESRAZ)
      .field("TYPEOZENKA", &StdTema::TYPEOZENKA)
      .field("POVTORTEST", &StdTema::POVTORTEST)
      .field("SHOWFALSEOT", &StdTema::SHOWFALSEOT)
      .field("FREESEL", &StdTema::FREESEL)
      .field("HOWTIMETEST", &StdTema::HOWTIMETEST)
      .field("MODECONTROLZN", &StdTema::MODECONTROLZN)
      .field("MODEOZENKA", &StdTema::MODEOZENKA)
      .field("TYPETEST", &StdTema::TYPETEST)
      .field("SHCALA", &StdTema::SHCALA)
      .field("STOPTEST", &StdTema::STOPTEST)
      .field("TIMETEST", &StdTema::TIMETEST)
      .field("MODETRAINING", &StdTema::MODETRAINING)
      .field("HOWHELP", &StdTema::HOWHELP)
      .field("HOWTRN", &StdTema::HOWTRN)
      .field("HOWEND", &StdTema::HOWEND)
      .field("DIFFBALL", &StdTema::DIFFBALL)
      .field("MODELEVEL", &StdTema::MODELEVEL)
      .field("ADDLEVEL", &StdTema::ADDLEVEL)
      .field("SHOWOTM", &StdTema::SHOWOTM)
      .field("BALLRANGE", &StdTema::BALLRANGE)
      .field("IFPROSTIME", &StdTema::IFPROSTIME)
      .field("IFPROSVOP", &StdTema::IFPROSVOP)
      .field("SHOWTF_OT", &StdTema::SHOWTF_OT)
      .field("BALLVOP", &StdTema::BALLVOP)
      .build();
  return d;
}

struct VopBuf {
  store::Memo<5000> VOPROS;
  store::Blob OLEBLOB;
  store::Blob BLOBVOP;
  std::uint16_t CODEVOP = 0;
  std::uint16_t CODETEMA = 0;
  std::uint8_t VARTEST = 0;
  std::uint8_t CODERAZ = 0;
  store::FixedString<4> TYPEEDIT;
  std::uint8_t TYPEKADR = 0;
  store::FixedString<40> RAZDEL;
  store::FixedString<512> VAROT11;
  store::FixedString<512> VAROT12;
  store::FixedString<512> VAROT13;
  store::FixedString<512> VAROT14;
  store::FixedString<512> VAROT15;
  store::FixedString<512> VAROT16;
  store::FixedString<512> VAROT17;
  store::FixedString<512> VAROT18;
  store::FixedString<512> VAROT19;
  std::uint8_t HEIGTTEXTVOP = 0;
  std::array<std::uint8_t, 9> HEIGTTEXTOT{};
  std::uint8_t KOLOT = 0;
  std::array<store::FixedString<256>, 9> VAROT2;
  std::uint8_t YESIMAGE = 0;
  std::uint8_t TYPEETOT = 0;
  std::uint8_t HOWVVODDOP = 0;
  std::array<std::uint16_t, 5> CRDNX{};  // as the frame keeps them, so a copied frame keeps its input positions
  std::array<std::uint16_t, 5> CRDNY{};
  store::FixedString<512> TRUEOTSTR;
  std::array<std::uint8_t, 9> TRUEOT{};
  std::array<std::int32_t, 9> MARK{};
  std::uint8_t LEVEL = 0;
  std::array<std::uint8_t, 2> LASTOT{};
  std::uint8_t PORNUMOT = 0;
  std::uint8_t SINONIM = 0;
  std::uint16_t TIMEVOP = 0;
  std::uint8_t KOLPOP = 0;
  std::array<store::FixedString<50>, 10> ALGORITM;
  std::uint16_t BALLVOP = 0;
  store::FixedString<1> OBJECTSAVE;
  store::FixedString<1> OBJECTTYPE;
  store::FixedString<1> OBJECTLINK;
  store::FixedString<64> OBJECTDOC;
  store::FixedString<1> OBJECTSHOW;
};

inline const store::TableDef& vopBufDef() {
  static const store::TableDef d = store::TableBuilder<VopBuf>("VOPBUF", "BUF")
      .field("VOPROS", &VopBuf::VOPROS)
      .field("OLEBLOB", &VopBuf::OLEBLOB)
      .field("BLOBVOP", &VopBuf::BLOBVOP)
      .field("CODEVOP", &VopBuf::CODEVOP)
      .field("CODETEMA", &VopBuf::CODETEMA)
      .field("VARTEST", &VopBuf::VARTEST)
      .field("CODERAZ", &VopBuf::CODERAZ)
      .field("TYPEEDIT", &VopBuf::TYPEEDIT)
      .field("TYPEKADR", &VopBuf::TYPEKADR)
      .field("RAZDEL", &VopBuf::RAZDEL)
      .field("VAROT11", &VopBuf::VAROT11)
      .field("VAROT12", &VopBuf::VAROT12)
      .field("VAROT13", &VopBuf::VAROT13)
      .field("VAROT14", &VopBuf::VAROT14)
      .field("VAROT15", &VopBuf::VAROT15)
      .field("VAROT16", &VopBuf::VAROT16)
      .field("VAROT17", &VopBuf::VAROT17)
      .field("VAROT18", &VopBuf::VAROT18)
      .field("VAROT19", &VopBuf::VAROT19)
      .field("HEIGTTEXTVOP", &VopBuf::HEIGTTEXTVOP)
      .field("HEIGTTEXTOT", &VopBuf::HEIGTTEXTOT)
      .field("KOLOT", &VopBuf::KOLOT)
      .field("VAROT2", &VopBuf::VAROT2)
      .field("YESIMAGE", &VopBuf::YESIMAGE)
      .field("TYPEETOT", &VopBuf::TYPEETOT)
      .field("HOWVVODDOP", &VopBuf::HOWVVODDOP)
      .field("CRDNX", &VopBuf::CRDNX)
      .field("CRDNY", &VopBuf::CRDNY)
      .field("TRUEOTSTR", &VopBuf::TRUEOTSTR)
      .field("TRUEOT", &VopBuf::TRUEOT)
      .field("MARK", &VopBuf::MARK)
      .field("LEVEL", &VopBuf::LEVEL)
      .field("LASTOT", &VopBuf::LASTOT)
      .field("PORNUMOT", &VopBuf::PORNUMOT)
      .field("SINONIM", &VopBuf::SINONIM)
      .field("TIMEVOP", &VopBuf::TIMEVOP)
      .field("KOLPOP", &VopBuf::KOLPOP)
      .field("ALGORITM", &VopBuf::ALGORITM)
      .field("BALLVOP", &VopBuf::BALLVOP)
      .field("OBJECTSAVE", &VopBuf::OBJECTSAVE)
      .field("OBJECTTYPE", &VopBuf::OBJECTTYPE)
      .field("OBJECTLINK", &VopBuf::OBJECTLINK)
      .field("OBJECTDOC", &VopBuf::OBJECTDOC)
      .field("OBJECTSHOW", &VopBuf::OBJECTSHOW)
      .key("KEYCODEVOP", "CODEVOP", store::Unique)
      .key("KEYCODETEMA", "CODETEMA", store::Dup)
      .key("KEYCODEVARTEST", "VARTEST", store::Dup)
      .key("KEYCODERAZ", "CODERAZ", store::Dup)
      .key("KEYTYPEKADR", "TYPEKADR", store::Dup)
      .key("KEYLEVEL", "LEVEL", store::Dup)
      .build();
  return d;
}

struct VopStdVp {
  std::uint16_t CODEVP = 0;
  std::uint16_t CODEGR = 0;
  store::FixedString<1024> NAME;
};

inline const store::TableDef& vopStdVpDef() {
  static const store::TableDef d = store::TableBuilder<VopStdVp>("VOPSTDVP", "VSV")
      .field("CODEVP", &VopStdVp::CODEVP)
      .field("CODEGR", &VopStdVp::CODEGR)
      .field("NAME", &VopStdVp::NAME)
      .key("KEYCODEVP", "CODEVP", store::Unique)
      .key("KEYCODEGR", "CODEGR", store::Dup)
      .key("KEYNAME", "NAME", store::Dup)
      .build();
  return d;
}

struct VopStdGr {
  std::uint16_t CODEGR = 0;
  store::FixedString<20> NAME;
};

inline const store::TableDef& vopStdGrDef() {
  static const store::TableDef d = store::TableBuilder<VopStdGr>("VOPSTDGR", "VSG")
      .field("CODEGR", &VopStdGr::CODEGR)
      .field("NAME", &VopStdGr::NAME)
      .key("KEYCODEGR", "CODEGR", store::Unique)
      .build();
  return d;
}

struct OtTestW {
  store::Memo<128> TRUEOTSTR;
  std::uint16_t CODE = 0;
  std::array<std::uint8_t, 9> TRUEOT{};
  std::uint16_t BALLVOP = 0;
  std::uint8_t VERNO = 0;
};

inline const store::TableDef& otTestWDef() {
  static const store::TableDef d = store::TableBuilder<OtTestW>("OtTestW", "OTW")
      .field("TRUEOTSTR", &OtTestW::TRUEOTSTR)
      .field("CODE", &OtTestW::CODE)
      .field("TRUEOT", &OtTestW::TRUEOT)
      .field("BALLVOP", &OtTestW::BALLVOP)
      .field("VERNO", &OtTestW::VERNO)
      .key("KEYCODE", "CODE", store::Unique)
      .build();
  return d;
}

namespace files {
inline constexpr const char* BdTest = "BD_TEST";
inline constexpr const char* AllTest = "ALLTEST";
inline constexpr const char* FileRez = "FILEREZ";
inline constexpr const char* RsBall = "RSBALL";
inline constexpr const char* VopParam = "VOPPARAM";
inline constexpr const char* SelRec = "SELREC";
inline constexpr const char* RezDtlBf = "REZDTLBF";
inline constexpr const char* RtingSel = "RTINGSEL";
inline constexpr const char* RezTstBf = "REZTSTBF";
inline constexpr const char* Kadr = "KADR";
inline constexpr const char* TmFalsOt = "TMFALSOT";
inline constexpr const char* ObjectRec = "OBJECT_";
inline constexpr const char* TempIns = "TEMPINS";
inline constexpr const char* StdTema = "STDTEMA";
inline constexpr const char* VopBuf = "VOPBUF";
inline constexpr const char* VopStdVp = "VOPSTDVP";
inline constexpr const char* VopStdGr = "VOPSTDGR";
inline constexpr const char* OtTestW = "OtTestW.ott";
}  // namespace files

}  // namespace tables
