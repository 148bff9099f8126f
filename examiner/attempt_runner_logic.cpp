#include "attempt_runner_logic.h"

#include "cp1251.h"
#include "journal_name.h"
#include "result_file.h"

namespace examiner {

AttemptConfig configFor(testfile::TestFile& tf, const Startup& s, const Registration& who, int variant) {
  AttemptConfig c;
  c.tema = tf.tema;
  c.titul = tf.titul;
  if (tf.vopT.set() == store::Ok)
    while (tf.vopT.next() == store::Ok) c.frames.push_back(tf.vop);
  if (tf.trainingT.set() == store::Ok)
    while (tf.trainingT.next() == store::Ok) c.helps.push_back(tf.training);
  c.sectionNames.assign(7, {});
  if (tf.razdelT.set(tf.razdelT.key("KEYCODERAZ")) == store::Ok)
    while (tf.razdelT.next() == store::Ok)
      if (tf.razdel.CODERAZ >= 1 && tf.razdel.CODERAZ <= 7) c.sectionNames[tf.razdel.CODERAZ - 1] = tf.razdel.NAME.str();
  c.modeWork = s.inst.modeWork;
  c.variant = variant;
  c.room = static_cast<int>(s.inst.ini.getInt("GlbTune", "Class", 0));
  c.library = cp1251::fromUtf8(s.inst.libraryDir);
  c.who.fio = who.fullName();
  c.who.group = who.group;
  c.who.faket = who.faculty;
  c.who.kurs = who.course;
  c.who.code = who.code;
  return c;
}

std::string errorViewingJournal(const setup::Installation& inst) {
  const std::string named = inst.ini.get("GlbTune", "ViewFileRez");
  if (named.empty() || common::journalNameRefusal(named)) return inst.fileRez;
  return named;
}

int loadStoredAttempt(const setup::Installation& inst, std::int32_t code, tables::RezTest& rez,
                      std::map<std::uint16_t, Response>& answers, store::ErrorInfo* error) {
  tables::RezDtl dtl;
  store::Table rt(tables::rezTestDef(), rez, inst.rezTest());
  store::Table dt(tables::rezDtlDef(), dtl, inst.rezDtl());
  for (store::Table* t : {&rt, &dt}) {
    if (int rc = t->open(store::Shared)) {
      if (error) *error = t->error();
      return rc;
    }
  }
  rez.CODEREZ = code;
  if (int rc = rt.get(rt.key("KEYCODEREZ"))) {
    if (error) *error = rt.error();
    return rc;
  }
  dtl.CODEREZ = code;
  if (dt.get(dt.key("KEYCODEREZ")) == store::Ok) answers = readMemos(dtl.HOWOT.text, dtl.HOWTXT.text);
  return store::Ok;
}

StoreRequest storeRequestFor(const Attempt& a, const Startup& s, int saveRez) {
  StoreRequest r;
  r.rez = a.result();
  buildMemos(a.answers(), r.howot, r.howtxt);
  r.saveRez = saveRez;
  r.resultBase = s.inst.base.empty() ? s.inst.work("") : s.inst.base;
  r.fileRez = s.inst.fileRez;
  r.vedomFile = s.inst.central(tables::files::Vedom);
  return r;
}

}  // namespace examiner
