#include "result_store.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "cp1251.h"
#include "examinee_name.h"
#include "open_attempts.h"
#include "result_code.h"
#include "result_file.h"

namespace common {

std::string pendingFile(const std::string& workingDir) {
  return (workingDir.empty() ? std::string() : workingDir + "/") + "Pending.rez";
}

tables::Vedom vedomLine(const tables::RezTest& rez, const std::string& fileRez) {
  tables::Vedom v;
  v.CODEST = rez.CODEST;
  v.NAMESTUD = rez.FIO.view().substr(0, std::min(rez.FIO.view().size(), common::kGradeSheetNameWidth));
  v.GR = rez.GR.view();
  v.NAMETEMA = rez.NAMETEMA.view();
  v.PREDMET = rez.PREDMET.view();
  v.BALL = rez.REZBAL;
  v.CODEREZ = rez.CODEREZ;
  v.DATE = rez.DATE;
  v.REZTEXT = rez.REZTEXT.view();
  v.OTMETKA = rez.OTMETKA;
  v.FILEREZ = fileRez;
  return v;
}

namespace {

// The last code of a key plus one (1 for an empty table); the buffer's key
// field receives the last record's value.
template <class R, class F>
std::int32_t lastPlusOne(store::Table& t, R& rec, const char* key, F field) {
  if (t.set(t.key(key)) == store::Ok && t.previous() == store::Ok) return static_cast<std::int32_t>(field(rec)) + 1;
  return 1;
}

}  // namespace

int ResultStore::storeOnce(const StoreRequest& r, std::int32_t& code, store::ErrorInfo& e, const AttemptLink* link,
                           const std::vector<store::Table*>& extra, const std::function<int()>& alsoDo) {
  results::ResultFile rf;
  if (int rc = rf.open(r.resultBase, r.fileRez, store::Shared)) {
    e = rf.error();
    return rc;
  }
  const bool addVedom = r.rez.CODEST != 0;
  tables::Vedom ved;
  store::Table vt(tables::vedomDef(), ved, r.vedomFile);
  if (addVedom) {
    int rc = vt.open(store::Shared);
    if (rc == store::FileNotFound) {
      if ((rc = vt.createIfMissing()) == store::Ok) rc = vt.open(store::Shared);
    }
    if (rc) {
      e = vt.error();
      return rc;
    }
  }
  std::unique_ptr<AttemptTables> att, local;
  if (link && !link->file.empty()) {
    att = std::make_unique<AttemptTables>(link->file);
    int rc = att->open(false);
    if (rc == store::FileNotFound) {
      att.reset();  // no attempt is open there at all: nothing to close
    } else if (rc) {
      e = att->error();
      return rc;
    }
  }
  // This station's copy of the attempt goes in the same commit.
  if (link && !workingDir_.empty()) {
    local = std::make_unique<AttemptTables>(localAttemptFile(workingDir_));
    if (local->open(false) != store::Ok) local.reset();
  }
  std::vector<store::Table*> tables{&rf.rezT, &rf.dtlT};
  if (addVedom) tables.push_back(&vt);
  for (AttemptTables* a : {att.get(), local.get()}) {
    if (!a) continue;
    tables.push_back(&a->attT);
    tables.push_back(&a->rezT);
  }
  tables.insert(tables.end(), extra.begin(), extra.end());
  store::Transaction tx(tables);
  if (int rc = tx.begin()) {
    e = tx.error();
    return rc;
  }
  // The code is taken inside the transaction. An attempt that is not kept
  // takes no code: its class-journal line then names no result rather than
  // another examinee's.
  code = 0;
  if (r.saveRez == 1 || r.saveRez == 2) code = common::nextResultCode(rf.rezT, rf.rez);
  rf.rez = r.rez;
  rf.rez.CODEREZ = code;
  if (r.saveRez == 1 || r.saveRez == 2) {
    if (int rc = rf.rezT.add()) {
      e = rf.rezT.error();
      return rc;
    }
  }
  if (r.saveRez == 1) {
    rf.dtl = tables::RezDtl{};
    rf.dtl.HOWOT = r.howot;
    rf.dtl.HOWTXT = r.howtxt;
    rf.dtl.CODEREZ = code;
    if (int rc = rf.dtlT.add()) {
      e = rf.dtlT.error();
      return rc;
    }
  }
  if (addVedom) {
    std::int32_t vcode = lastPlusOne(vt, ved, "KEYCODEVED", [](const tables::Vedom& x) { return x.CODEVED; });
    tables::RezTest withCode = r.rez;
    withCode.CODEREZ = code;
    ved = vedomLine(withCode, cp1251::fromUtf8(r.fileRez));
    ved.CODEVED = vcode;
    if (int rc = vt.add()) {
      e = vt.error();
      return rc;
    }
  }
  if (att) {
    // The attempt leaves the open ones in this commit, if it is still ours
    // to close: closed elsewhere or taken over, it is not stored here.
    att->att.CODE = link->code;
    int rc = att->attT.get(att->attT.key("KEYCODE"));
    if (rc && rc != store::NoRecord) e = att->attT.error();
    if (rc == store::NoRecord ||
        (rc == store::Ok && !link->owner.empty() && cp1251::clip(att->att.OWNER.view()) != cp1251::clip(link->owner))) {
      e = store::ErrorInfo{};
      e.code = kAttemptSuperseded;
      return kAttemptSuperseded;
    }
    if (rc) return rc;
    if ((rc = att->remove(link->code))) {
      e = att->error();
      return rc;
    }
  }
  if (local) {
    if (int rc = local->remove(link->code)) {
      e = local->error();
      return rc;
    }
  }
  if (alsoDo) {
    if (int rc = alsoDo()) {
      e.code = rc;
      return rc;
    }
  }
  if (int rc = tx.commit()) {
    e = tx.error();
    return rc;
  }
  return store::Ok;
}

StoreOutcome ResultStore::store(const StoreRequest& r, const AttemptLink* link) {
  StoreOutcome out;
  for (int attempt = 0; attempt <= retries; ++attempt) {
    out.code = storeOnce(r, out.resultCode, out.error, link);
    if (out.code == store::Ok) return out;
    if (out.code == kAttemptSuperseded) {
      out.superseded = true;
      out.resultCode = 0;
      // This station's copy of it has no more use.
      AttemptTables local(localAttemptFile(workingDir_));
      if (!workingDir_.empty() && local.open(false) == store::Ok) {
        store::Transaction tx{&local.attT, &local.rezT};
        if (tx.begin() == store::Ok && local.remove(link->code) == store::Ok) tx.commit();
      }
      return out;
    }
    // Another station holding the journal: wait a little and try again.
    if (out.code != store::AccessDenied && out.code != store::DuplicateKey) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100 + 20 * attempt));
  }
  if (!keepWhenFailing) return out;
  store::ErrorInfo pe;
  out.pending = keepPending(r, link, pe);
  out.pendingFile = pendingFile(workingDir_);
  return out;
}

// ------------------------------------------------------------------ pending

namespace {

struct Pending {
  std::int32_t CODE = 0;
  store::FixedString<255> BASE;
  store::FixedString<100> FILEREZ;
  store::FixedString<255> VEDOM;
  std::uint8_t SAVEREZ = 1;
  store::Memo<2560> HOWOT;
  store::Memo<2560> HOWTXT;
};

const store::TableDef& pendingDef() {
  static const store::TableDef d = store::TableBuilder<Pending>("Pending", "PND")
                                       .field("CODE", &Pending::CODE)
                                       .field("BASE", &Pending::BASE)
                                       .field("FILEREZ", &Pending::FILEREZ)
                                       .field("VEDOM", &Pending::VEDOM)
                                       .field("SAVEREZ", &Pending::SAVEREZ)
                                       .field("HOWOT", &Pending::HOWOT)
                                       .field("HOWTXT", &Pending::HOWTXT)
                                       .key("KEYCODE", "CODE", store::Primary)
                                       .build();
  return d;
}

// A pending result of a kept attempt: the attempt to close when it is stored.
struct PendingAttempt {
  std::int32_t CODE = 0;  // PND:CODE
  store::FixedString<255> FILE;
  std::int32_t ATTEMPT = 0;
  store::FixedString<40> OWNER;
};

const store::TableDef& pendingAttemptDef() {
  static const store::TableDef d = store::TableBuilder<PendingAttempt>("PendAtt", "PNA")
                                       .field("CODE", &PendingAttempt::CODE)
                                       .field("FILE", &PendingAttempt::FILE)
                                       .field("ATTEMPT", &PendingAttempt::ATTEMPT)
                                       .field("OWNER", &PendingAttempt::OWNER)
                                       .key("KEYCODE", "CODE", store::Primary)
                                       .build();
  return d;
}

int openOrCreate(store::Table& t) {
  int rc = t.open(store::DenyWrite);
  if (rc == store::FileNotFound) {
    if ((rc = t.createIfMissing()) == store::Ok) rc = t.open(store::DenyWrite);
  }
  return rc;
}

}  // namespace

bool ResultStore::keepPending(const StoreRequest& r, const AttemptLink* link, store::ErrorInfo& e) {
  const std::string file = pendingFile(workingDir_);
  Pending p;
  tables::RezTest rez;
  PendingAttempt pa;
  store::Table pt(pendingDef(), p, file + "\\!Pending");
  store::Table rt(tables::rezTestDef(), rez, file + "\\!RezTest");
  store::Table at(pendingAttemptDef(), pa, file + "\\!PendAtt");
  std::vector<store::Table*> tabs{&pt, &rt};
  if (link) tabs.push_back(&at);
  for (store::Table* t : tabs) {
    if (openOrCreate(*t) != store::Ok) {
      e = t->error();
      return false;
    }
  }
  // This station's copy of the attempt goes in the same commit: from now on
  // the pending result stands for it.
  AttemptTables local(localAttemptFile(workingDir_));
  const bool haveLocal = link && local.open(false) == store::Ok;
  if (haveLocal) {
    tabs.push_back(&local.attT);
    tabs.push_back(&local.rezT);
  }
  store::Transaction tx(tabs);
  if (tx.begin() != store::Ok) {
    e = tx.error();
    return false;
  }
  std::int32_t code = lastPlusOne(pt, p, "KEYCODE", [](const Pending& x) { return x.CODE; });
  p = Pending{};
  p.CODE = code;
  p.BASE = cp1251::fromUtf8(r.resultBase);
  p.FILEREZ = cp1251::fromUtf8(r.fileRez);
  p.VEDOM = cp1251::fromUtf8(r.vedomFile);
  p.SAVEREZ = static_cast<std::uint8_t>(r.saveRez);
  p.HOWOT = r.howot;
  p.HOWTXT = r.howtxt;
  rez = r.rez;
  rez.CODEREZ = code;  // links the record to its pending entry
  if (pt.add() != store::Ok || rt.add() != store::Ok) {
    e = pt.error().code ? pt.error() : rt.error();
    return false;
  }
  if (link) {
    pa.CODE = code;
    pa.FILE = cp1251::fromUtf8(link->file);
    pa.ATTEMPT = link->code;
    pa.OWNER = link->owner;
    if (at.add() != store::Ok) {
      e = at.error();
      return false;
    }
    if (haveLocal && local.remove(link->code) != store::Ok) {
      e = local.error();
      return false;
    }
  }
  if (tx.commit() != store::Ok) {
    e = tx.error();
    return false;
  }
  return true;
}

int ResultStore::pendingCount() const {
  Pending p;
  store::Table pt(pendingDef(), p, pendingFile(workingDir_) + "\\!Pending");
  if (pt.open(store::DenyWrite) != store::Ok) return 0;
  return static_cast<int>(pt.records());
}

int ResultStore::storePending(store::ErrorInfo* error) {
  const std::string file = pendingFile(workingDir_);
  Pending p;
  tables::RezTest rez;
  PendingAttempt pa;
  store::Table pt(pendingDef(), p, file + "\\!Pending");
  store::Table rt(tables::rezTestDef(), rez, file + "\\!RezTest");
  store::Table at(pendingAttemptDef(), pa, file + "\\!PendAtt");
  if (pt.open(store::DenyWrite) != store::Ok || rt.open(store::DenyWrite) != store::Ok) return 0;
  // Written only with a kept attempt's result: a file from before has none.
  const bool links = at.open(store::DenyWrite) == store::Ok;
  int left = 0;
  pt.set(pt.key("KEYCODE"));
  std::vector<std::pair<store::Position, std::int32_t>> entries;
  while (pt.next() == store::Ok) entries.emplace_back(pt.position(), p.CODE);
  for (const auto& [pos, code] : entries) {
    if (pt.getAt(pos) != store::Ok) continue;
    rez.CODEREZ = code;
    if (rt.get(rt.key("KEYCODEREZ")) != store::Ok) continue;
    StoreRequest r;
    r.rez = rez;
    r.howot = p.HOWOT.text;
    r.howtxt = p.HOWTXT.text;
    r.saveRez = p.SAVEREZ;
    r.resultBase = cp1251::toUtf8(p.BASE.view());
    r.fileRez = cp1251::toUtf8(p.FILEREZ.view());
    r.vedomFile = cp1251::toUtf8(p.VEDOM.view());
    std::optional<AttemptLink> link;
    pa.CODE = code;
    if (links && at.get(at.key("KEYCODE")) == store::Ok)
      link = AttemptLink{cp1251::toUtf8(cp1251::clip(pa.FILE.view())), pa.ATTEMPT, std::string(cp1251::clip(pa.OWNER.view()))};
    std::int32_t newCode = 0;
    store::ErrorInfo e;
    // The pending entry goes in the same commit: stored once, never twice.
    auto drop = [&, pos = pos, code = code]() -> int {
      if (int rc = pt.getAt(pos)) return rc;
      if (int rc = pt.del()) return rc;
      if (int rc = rt.del()) return rc;
      if (link) {
        pa.CODE = code;
        if (at.get(at.key("KEYCODE")) == store::Ok)
          if (int rc = at.del()) return rc;
      }
      return store::Ok;
    };
    std::vector<store::Table*> extra{&pt, &rt};
    if (links) extra.push_back(&at);
    int rc = storeOnce(r, newCode, e, link ? &*link : nullptr, extra, drop);
    if (rc == kAttemptSuperseded) {
      // Closed by the administrator or taken over on another workstation
      // while this one was cut off: the journal holds that attempt's result
      // already (or will), and a second one would count it twice.
      std::vector<store::Table*> own{&pt, &rt, &at};
      store::Transaction tx(own);
      if (tx.begin() == store::Ok && drop() == store::Ok && tx.commit() == store::Ok) continue;
    }
    if (rc != store::Ok) {
      if (error) *error = e;
      ++left;
    }
  }
  return left;
}

}  // namespace common
