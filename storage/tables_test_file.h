#pragma once
// The tables of a test file "<name>.orm": scenario, title page, sections,
// frames and help. All five are kept under the installation's key word.
#include <array>
#include <cstdint>

#include "store.h"

namespace tables {

struct Tema {
  std::uint16_t CODETEMA = 0;
  std::uint8_t CODEFAK = 0;
  std::uint8_t YESRAZ = 0;
  std::uint8_t TYPEOZENKA = 0;
  std::uint8_t POVTORTEST = 0;
  std::uint8_t SHOWFALSEOT = 0;
  std::uint8_t SHOWTRUEOT = 0;
  std::uint8_t FREESEL = 0;
  std::uint8_t HOWTIMETEST = 0;
  store::FixedString<200> NAME;
  std::uint8_t CODEWRITER = 0;
  store::FixedString<60> NAMEWRI;
  std::uint8_t CODEOTDEL = 0;
  store::FixedString<120> NAMEOTD;
  std::uint8_t CODEPREDMET = 0;
  std::uint8_t CODEKURS = 0;
  store::FixedString<100> NAMEFAK;
  store::FixedString<40> NAMEKURS;
  store::FixedString<60> NAMEPRD;
  std::uint8_t MODECONTROLZN = 0;
  std::uint8_t MODEOZENKA = 0;
  std::int16_t KOLSELVOP = 0;
  std::uint8_t TYPETEST = 0;
  std::array<std::uint8_t, 10> SHCALA{};
  std::uint8_t STOPTEST = 0;
  store::FixedString<100> FAK;
  store::FixedString<20> KURS;
  std::uint16_t TIMETEST = 0;
  std::uint8_t MODETRAINING = 0;
  std::uint8_t HOWHELP = 0;
  std::uint8_t HOWTRN = 0;
  std::uint8_t HOWEND = 0;
  std::uint8_t DIFFBALL = 0;
  std::uint8_t MODELEVEL = 0;
  std::uint8_t REITING = 0;
  std::uint8_t ADDLEVEL = 0;
  std::uint8_t SHOWOTM = 0;
  std::array<std::uint16_t, 2> BALLRANGE{};
  std::uint8_t IFPROSTIME = 0;
  std::uint8_t IFPROSVOP = 0;
  std::uint8_t SHOWTF_OT = 0;
  std::uint16_t BALLVOP = 0;
  store::FixedString<20> PASS;
  std::uint8_t YESLOCK = 0;
  std::uint8_t YESCALC = 0;
  std::uint8_t RANDOMOT = 0;
  std::uint8_t NEXTVOP = 0;
  std::uint8_t SAVEREZ = 0;
  std::uint8_t HOWRASPVAR = 0;
  std::uint8_t SELVAR = 0;
  store::FixedString<20> PASSW;
};

inline const store::TableDef& temaDef() {
  static const store::TableDef d = store::TableBuilder<Tema>("Tema", "TEM")
      .field("CODETEMA", &Tema::CODETEMA)
      .field("CODEFAK", &Tema::CODEFAK)
      .field("YESRAZ", &Tema::YESRAZ)
      .field("TYPEOZENKA", &Tema::TYPEOZENKA)
      .field("POVTORTEST", &Tema::POVTORTEST)
      .field("SHOWFALSEOT", &Tema::SHOWFALSEOT)
      .field("SHOWTRUEOT", &Tema::SHOWTRUEOT)
      .field("FREESEL", &Tema::FREESEL)
      .field("HOWTIMETEST", &Tema::HOWTIMETEST)
      .field("NAME", &Tema::NAME)
      .field("CODEWRITER", &Tema::CODEWRITER)
      .field("NAMEWRI", &Tema::NAMEWRI)
      .field("CODEOTDEL", &Tema::CODEOTDEL)
      .field("NAMEOTD", &Tema::NAMEOTD)
      .field("CODEPREDMET", &Tema::CODEPREDMET)
      .field("CODEKURS", &Tema::CODEKURS)
      .field("NAMEFAK", &Tema::NAMEFAK)
      .field("NAMEKURS", &Tema::NAMEKURS)
      .field("NAMEPRD", &Tema::NAMEPRD)
      .field("MODECONTROLZN", &Tema::MODECONTROLZN)
      .field("MODEOZENKA", &Tema::MODEOZENKA)
      .field("KOLSELVOP", &Tema::KOLSELVOP)
      .field("TYPETEST", &Tema::TYPETEST)
      .field("SHCALA", &Tema::SHCALA)
      .field("STOPTEST", &Tema::STOPTEST)
      .field("FAK", &Tema::FAK)
      .field("KURS", &Tema::KURS)
      .field("TIMETEST", &Tema::TIMETEST)
      .field("MODETRAINING", &Tema::MODETRAINING)
      .field("HOWHELP", &Tema::HOWHELP)
      .field("HOWTRN", &Tema::HOWTRN)
      .field("HOWEND", &Tema::HOWEND)
      .field("DIFFBALL", &Tema::DIFFBALL)
      .field("MODELEVEL", &Tema::MODELEVEL)
      .field("REITING", &Tema::REITING)
      .field("ADDLEVEL", &Tema::ADDLEVEL)
      .field("SHOWOTM", &Tema::SHOWOTM)
      .field("BALLRANGE", &Tema::BALLRANGE)
      .field("IFPROSTIME", &Tema::IFPROSTIME)
      .field("IFPROSVOP", &Tema::IFPROSVOP)
      .field("SHOWTF_OT", &Tema::SHOWTF_OT)
      .field("BALLVOP", &Tema::BALLVOP)
      .field("PASS", &Tema::PASS)
      .field("YESLOCK", &Tema::YESLOCK)
      .field("YESCALC", &Tema::YESCALC)
      .field("RANDOMOT", &Tema::RANDOMOT)
      .field("NEXTVOP", &Tema::NEXTVOP)
      .field("SAVEREZ", &Tema::SAVEREZ)
      .field("HOWRASPVAR", &Tema::HOWRASPVAR)
      .field("SELVAR", &Tema::SELVAR)
      .field("PASSW", &Tema::PASSW)
      .key("KEYCODETEMA", "CODETEMA", store::Dup)
      .key("KEYFAK", "CODEFAK", store::Dup)
      .key("KEYKURS", "CODEKURS", store::Dup)
      .key("KEYCODEOTDEL", "CODEOTDEL", store::Dup)
      .key("KEYCODEPREDMET", "CODEPREDMET", store::Dup)
      .key("KEYCODEWRITER", "CODEWRITER", store::Dup)
      .build();
  return d;
}

struct Titul {
  store::Memo<1800> INS;
  store::Memo<600> BIBL;
  std::uint8_t CODETIT = 0;
  store::FixedString<100> NAMEORG;
  store::FixedString<100> NAME;
  store::FixedString<256> REZUME;
  std::int32_t CREATED = 0;
  std::int32_t CREATET = 0;
  std::int32_t CHANGED = 0;
  std::int32_t CHANGET = 0;
  std::int32_t PRINTD = 0;
  std::int32_t PRINTT = 0;
  store::FixedString<20> WHOCHANGE;
  std::int32_t OPEND = 0;
  std::int32_t OPENT = 0;
  std::int32_t VERSION = 0;
  std::int32_t KOLRUN = 0;
  store::FixedString<20> KOLVOP;
  std::array<std::uint16_t, 7> RASPRAZ{};
  std::uint8_t KOLRAZD = 0;
  std::array<std::uint16_t, 7> MAXBALLRAZ{};
  std::uint16_t KOLOBJ = 0;
  std::array<std::uint16_t, 5> RASPLEV{};
  std::uint16_t MAXBALL = 0;
  std::array<std::uint16_t, 5> MAXBALLLEV{};
  std::uint8_t KOLLEV = 0;
};

inline const store::TableDef& titulDef() {
  static const store::TableDef d = store::TableBuilder<Titul>("Titul", "TIT")
      .field("INS", &Titul::INS)
      .field("BIBL", &Titul::BIBL)
      .field("CODETIT", &Titul::CODETIT)
      .field("NAMEORG", &Titul::NAMEORG)
      .field("NAME", &Titul::NAME)
      .field("REZUME", &Titul::REZUME)
      .field("CREATED", &Titul::CREATED)
      .field("CREATET", &Titul::CREATET)
      .field("CHANGED", &Titul::CHANGED)
      .field("CHANGET", &Titul::CHANGET)
      .field("PRINTD", &Titul::PRINTD)
      .field("PRINTT", &Titul::PRINTT)
      .field("WHOCHANGE", &Titul::WHOCHANGE)
      .field("OPEND", &Titul::OPEND)
      .field("OPENT", &Titul::OPENT)
      .field("VERSION", &Titul::VERSION)
      .field("KOLRUN", &Titul::KOLRUN)
      .field("KOLVOP", &Titul::KOLVOP)
      .field("RASPRAZ", &Titul::RASPRAZ)
      .field("KOLRAZD", &Titul::KOLRAZD)
      .field("MAXBALLRAZ", &Titul::MAXBALLRAZ)
      .field("KOLOBJ", &Titul::KOLOBJ)
      .field("RASPLEV", &Titul::RASPLEV)
      .field("MAXBALL", &Titul::MAXBALL)
      .field("MAXBALLLEV", &Titul::MAXBALLLEV)
      .field("KOLLEV", &Titul::KOLLEV)
      .key("KEYCODETIT", "CODETIT", store::Dup)
      .build();
  return d;
}

struct Razdel {
  std::uint8_t CODERAZ = 0;
  std::uint16_t CODETEMA = 0;
  store::FixedString<40> NAME;
  std::uint16_t KOLZAD = 0;
};

inline const store::TableDef& razdelDef() {
  static const store::TableDef d = store::TableBuilder<Razdel>("Razdel", "RAZ")
      .field("CODERAZ", &Razdel::CODERAZ)
      .field("CODETEMA", &Razdel::CODETEMA)
      .field("NAME", &Razdel::NAME)
      .field("KOLZAD", &Razdel::KOLZAD)
      .key("KEYCODERAZ", "CODERAZ", store::Primary)
      .key("KEYTEMA", "CODETEMA", store::Dup)
      .key("KEYNAME", "NAME", store::Dup)
      .build();
  return d;
}

struct Vop {
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
  std::uint8_t KOLOT = 0;
  std::uint8_t HEIGTTEXTVOP = 0;
  std::array<std::uint8_t, 9> HEIGTTEXTOT{};
  std::array<store::FixedString<256>, 9> VAROT2;
  std::uint8_t YESIMAGE = 0;
  std::uint8_t TYPEETOT = 0;
  std::uint8_t HOWVVODDOP = 0;
  std::array<std::uint16_t, 5> CRDNX{};
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
  // Answer variant i (1 to 9): VAROT11 ... VAROT19.
  store::FixedString<512>& varot1(int i) {
    store::FixedString<512>* v[] = {&VAROT11, &VAROT12, &VAROT13, &VAROT14, &VAROT15,
                                    &VAROT16, &VAROT17, &VAROT18, &VAROT19};
    return *v[i - 1];
  }
  const store::FixedString<512>& varot1(int i) const { return const_cast<Vop*>(this)->varot1(i); }
  friend bool operator==(const Vop&, const Vop&) = default;
};

inline const store::TableDef& vopDef() {
  static const store::TableDef d = store::TableBuilder<Vop>("Vop", "VOP")
      .field("VOPROS", &Vop::VOPROS)
      .field("OLEBLOB", &Vop::OLEBLOB)
      .field("BLOBVOP", &Vop::BLOBVOP)
      .field("CODEVOP", &Vop::CODEVOP)
      .field("CODETEMA", &Vop::CODETEMA)
      .field("VARTEST", &Vop::VARTEST)
      .field("CODERAZ", &Vop::CODERAZ)
      .field("TYPEEDIT", &Vop::TYPEEDIT)
      .field("TYPEKADR", &Vop::TYPEKADR)
      .field("RAZDEL", &Vop::RAZDEL)
      .field("VAROT11", &Vop::VAROT11)
      .field("VAROT12", &Vop::VAROT12)
      .field("VAROT13", &Vop::VAROT13)
      .field("VAROT14", &Vop::VAROT14)
      .field("VAROT15", &Vop::VAROT15)
      .field("VAROT16", &Vop::VAROT16)
      .field("VAROT17", &Vop::VAROT17)
      .field("VAROT18", &Vop::VAROT18)
      .field("VAROT19", &Vop::VAROT19)
      .field("KOLOT", &Vop::KOLOT)
      .field("HEIGTTEXTVOP", &Vop::HEIGTTEXTVOP)
      .field("HEIGTTEXTOT", &Vop::HEIGTTEXTOT)
      .field("VAROT2", &Vop::VAROT2)
      .field("YESIMAGE", &Vop::YESIMAGE)
      .field("TYPEETOT", &Vop::TYPEETOT)
      .field("HOWVVODDOP", &Vop::HOWVVODDOP)
      .field("CRDNX", &Vop::CRDNX)
      .field("CRDNY", &Vop::CRDNY)
      .field("TRUEOTSTR", &Vop::TRUEOTSTR)
      .field("TRUEOT", &Vop::TRUEOT)
      .field("MARK", &Vop::MARK)
      .field("LEVEL", &Vop::LEVEL)
      .field("LASTOT", &Vop::LASTOT)
      .field("PORNUMOT", &Vop::PORNUMOT)
      .field("SINONIM", &Vop::SINONIM)
      .field("TIMEVOP", &Vop::TIMEVOP)
      .field("KOLPOP", &Vop::KOLPOP)
      .field("ALGORITM", &Vop::ALGORITM)
      .field("BALLVOP", &Vop::BALLVOP)
      .field("OBJECTSAVE", &Vop::OBJECTSAVE)
      .field("OBJECTTYPE", &Vop::OBJECTTYPE)
      .field("OBJECTLINK", &Vop::OBJECTLINK)
      .field("OBJECTDOC", &Vop::OBJECTDOC)
      .field("OBJECTSHOW", &Vop::OBJECTSHOW)
      .key("KEYCODEVOP", "CODEVOP", store::Primary)
      .key("KEYCODETEMA", "CODETEMA", store::Dup)
      .key("KEYCODEVARTEST", "VARTEST", store::Dup)
      .key("KEYCODERAZ", "CODERAZ", store::Dup)
      .key("KEYTYPEKADR", "TYPEKADR", store::Dup)
      .key("KEYLEVEL", "LEVEL", store::Dup)
      .build();
  return d;
}

struct Training {
  store::Memo<5000> HELPVOP;
  store::Blob OLEBLOB;
  std::uint16_t CODE = 0;
  std::uint16_t CODEVOP = 0;
  std::array<store::FixedString<300>, 9> COMMOT;
  friend bool operator==(const Training&, const Training&) = default;
};

inline const store::TableDef& trainingDef() {
  static const store::TableDef d = store::TableBuilder<Training>("Training", "TRA")
      .field("HELPVOP", &Training::HELPVOP)
      .field("OLEBLOB", &Training::OLEBLOB)
      .field("CODE", &Training::CODE)
      .field("CODEVOP", &Training::CODEVOP)
      .field("COMMOT", &Training::COMMOT)
      .key("KEYCODE", "CODE", store::Primary)
      .key("KEYCODEVOP", "CODEVOP", store::Unique)
      .build();
  return d;
}

// The five table names of a test file: the library directory (joined as
// stored, without adding a separator), the base name, ".orm", "\!" and the table.
std::string testTableName(const std::string& libraryDir, const std::string& baseName, const char* table);

}  // namespace tables
