#include "attempt_keeper.h"

#include <unistd.h>

#include <chrono>
#include <random>
#include <sys/stat.h>

#include "cp1251.h"
#include "filepath.h"

namespace examiner {
namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string dirOf(const std::string& file) {
  const auto slash = file.rfind('/');
  return slash == std::string::npos ? std::string(".") : file.substr(0, slash + 1);
}

// The next free code of the attempt file (its transaction is open).
std::int32_t nextCode(common::AttemptTables& t) {
  if (t.attT.set(t.attT.key("KEYCODE")) == store::Ok && t.attT.previous() == store::Ok) return t.att.CODE + 1;
  return 1;
}

}  // namespace

std::string newOwnerToken(const std::string& namePc) {
  std::random_device rd;
  const auto t = std::chrono::steady_clock::now().time_since_epoch().count();
  char buf[64];
  std::snprintf(buf, sizeof buf, ":%ld:%08x%08x", static_cast<long>(::getpid()), rd() ^ static_cast<unsigned>(t), rd());
  std::string name(cp1251::clip(namePc));
  if (name.size() > 40 - std::strlen(buf)) name.resize(40 - std::strlen(buf));
  return name + buf;
}

AttemptKeeper::AttemptKeeper(KeeperPlace place, Clock& clock)
    : place_(std::move(place)),
      clock_(clock),
      central_(place_.attemptFile),
      local_(common::localAttemptFile(place_.workingDir)) {
  owner_ = newOwnerToken(place_.namePc);
}

AttemptKeeper::~AttemptKeeper() = default;

std::int64_t AttemptKeeper::since(Clock& clock, std::int32_t day, std::int32_t time) {
  return common::secondsBetween(day, time, clock.today(), clock.now());
}

std::int64_t AttemptKeeper::sinceSave() { return since(clock_, savedDay_, savedTime_); }

bool AttemptKeeper::shareThere() const {
  // A share that went away leaves no file behind its path (its directory may
  // stay as an empty mount point); the first attempt of a base makes the file.
  return exists(central_) || (code_ == 0 && exists(dirOf(central_)));
}

void AttemptKeeper::fill(const Attempt& a, bool answered) {
  std::string howot, howtxt;
  a.asItStands(rez_, howot, howtxt);
  const std::int32_t day = clock_.today(), now = clock_.now();
  rec_.CODE = code_;
  rec_.CODEST = rez_.CODEST;
  rec_.FIO = rez_.FIO.view();
  rec_.GR = rez_.GR.view();
  rec_.NAMEPC = place_.namePc;
  rec_.OWNER = owner_;
  rec_.TESTFILE = place_.testFile;
  rec_.NAMETEMA = rez_.NAMETEMA.view();
  rec_.VARIANT = static_cast<std::uint16_t>(a.variant());
  rec_.KOLVOP = static_cast<std::uint16_t>(a.length());
  rec_.KOLOT = static_cast<std::uint16_t>(a.givenCount());
  rec_.TIMEBEG = rez_.TIMEBEG;
  if (answered || rec_.LASTDATE == 0) {
    rec_.LASTDATE = day;
    rec_.LASTTIME = now;
  }
  rec_.SEENDATE = day;
  rec_.SEENTIME = now;
  ++rec_.SAVES;
  rec_.SAVEREZ = static_cast<std::uint8_t>(place_.target.saveRez);
  rec_.BASE = cp1251::fromUtf8(place_.target.resultBase);
  rec_.FILEREZ = cp1251::fromUtf8(place_.target.fileRez);
  rec_.VEDOM = cp1251::fromUtf8(place_.target.vedomFile);
  rec_.HOWOT = howot;
  rec_.HOWTXT = howtxt;
  rec_.STATE = a.state();
}

AttemptKeeper::Saved AttemptKeeper::begin(const Attempt& a) {
  code_ = 0;
  rec_ = tables::Attempt{};
  rec_.DATEBEG = clock_.today();
  return save(a, false);
}

AttemptKeeper::Saved AttemptKeeper::save(const Attempt& a, bool answered) {
  if (last_ == Saved::Closed || last_ == Saved::TakenOver) return last_;
  fill(a, answered);
  savedDay_ = rec_.SEENDATE;
  savedTime_ = rec_.SEENTIME;
  Saved s = saveCentral();
  if (s == Saved::Local) s = saveLocal();
  return last_ = s;
}

AttemptKeeper::Saved AttemptKeeper::saveCentral() {
  if (!shareThere()) {
    if (ct_) ct_->close();
    return Saved::Local;
  }
  if (!ct_) ct_ = std::make_unique<common::AttemptTables>(central_);
  if (int rc = ct_->open(true)) {
    error_ = ct_->error();
    (void)rc;
    return Saved::Local;
  }
  // A station that waits long on others keeps the examinee waiting: its
  // answer is kept here and goes to the share with the next one.
  store::WaitLimit limit(std::chrono::milliseconds(3000));
  std::vector<store::Table*> tabs{&ct_->attT, &ct_->rezT};
  std::unique_ptr<common::AttemptTables> lt;
  if (localCopy_) {
    lt = std::make_unique<common::AttemptTables>(local_);
    if (lt->open(false) == store::Ok) {
      tabs.push_back(&lt->attT);
      tabs.push_back(&lt->rezT);
    } else {
      lt.reset();
    }
  }
  store::Transaction tx(tabs);
  if (tx.begin() != store::Ok) {
    error_ = tx.error();
    ct_->close();
    return Saved::Local;
  }
  const std::int32_t localCode = code_;
  if (code_ == 0) {
    code_ = nextCode(*ct_);
  } else {
    int rc = ct_->get(code_);
    if (rc == store::NoRecord) return Saved::Closed;
    if (rc) {
      error_ = ct_->error();
      return Saved::Local;
    }
    if (cp1251::clip(ct_->att.OWNER.view()) != cp1251::clip(owner_)) return Saved::TakenOver;
  }
  rec_.CODE = code_;
  ct_->att = rec_;
  ct_->rez = rez_;
  int rc = ct_->write();
  if (rc == store::Ok && lt) rc = lt->remove(localCode);
  if (rc == store::Ok) rc = tx.commit();
  if (rc != store::Ok) {
    error_ = tx.error().code ? tx.error() : ct_->error();
    code_ = localCode;
    rec_.CODE = code_;
    return Saved::Local;
  }
  localCopy_ = false;
  return Saved::Central;
}

AttemptKeeper::Saved AttemptKeeper::touch() {
  if (last_ == Saved::Closed || last_ == Saved::TakenOver) return last_;
  savedDay_ = clock_.today();
  savedTime_ = clock_.now();
  if (code_ == 0 || !ct_ || !shareThere() || ct_->open(false) != store::Ok) return last_;
  store::WaitLimit limit(std::chrono::milliseconds(3000));
  store::Transaction tx{&ct_->attT};
  if (tx.begin() != store::Ok) return last_;
  ct_->att.CODE = code_;
  if (ct_->attT.get(ct_->attT.key("KEYCODE")) != store::Ok) return last_;  // the next save says why
  if (cp1251::clip(ct_->att.OWNER.view()) != cp1251::clip(owner_)) return last_;
  ct_->att.SEENDATE = savedDay_;
  ct_->att.SEENTIME = savedTime_;
  if (ct_->attT.put() == store::Ok) tx.commit();
  return last_;
}

AttemptKeeper::Saved AttemptKeeper::saveLocal() {
  common::AttemptTables lt(local_);
  if (lt.open(true) != store::Ok) {
    error_ = lt.error();
    return Saved::Failed;
  }
  store::Transaction tx{&lt.attT, &lt.rezT};
  if (tx.begin() != store::Ok) {
    error_ = tx.error();
    return Saved::Failed;
  }
  lt.att = rec_;
  lt.rez = rez_;
  if (lt.write() != store::Ok || tx.commit() != store::Ok) {
    error_ = lt.error().code ? lt.error() : tx.error();
    return Saved::Failed;
  }
  localCopy_ = true;
  return Saved::Local;
}

AttemptKeeper::Saved AttemptKeeper::adopt(const OpenAttempt& o, bool local) {
  code_ = o.rec.CODE;
  rec_ = o.rec;
  rez_ = o.rez;
  if (local) {
    owner_ = std::string(cp1251::clip(o.rec.OWNER.view()));
    localCopy_ = true;
    return last_ = Saved::Local;
  }
  common::AttemptTables t(central_);
  if (t.open(false) != store::Ok) {
    error_ = t.error();
    return last_ = Saved::Failed;
  }
  store::Transaction tx{&t.attT, &t.rezT};
  if (tx.begin() != store::Ok) {
    error_ = tx.error();
    return last_ = Saved::Failed;
  }
  int rc = t.get(code_);
  if (rc == store::NoRecord) return last_ = Saved::Closed;
  if (rc) {
    error_ = t.error();
    return last_ = Saved::Failed;
  }
  // Another run took it between the question and the answer.
  if (cp1251::clip(t.att.OWNER.view()) != cp1251::clip(o.rec.OWNER.view())) return last_ = Saved::TakenOver;
  t.att.OWNER = owner_;
  t.att.NAMEPC = place_.namePc;
  t.att.SEENDATE = clock_.today();
  t.att.SEENTIME = clock_.now();
  // Going on is activity: the monitoring must not offer to close it now.
  t.att.LASTDATE = t.att.SEENDATE;
  t.att.LASTTIME = t.att.SEENTIME;
  if (t.attT.put() != store::Ok || tx.commit() != store::Ok) {
    error_ = t.attT.error().code ? t.attT.error() : tx.error();
    return last_ = Saved::Failed;
  }
  rec_ = t.att;
  savedDay_ = rec_.SEENDATE;
  savedTime_ = rec_.SEENTIME;
  return last_ = Saved::Central;
}

StoreOutcome AttemptKeeper::finish(const StoreRequest& r, ResultStore& store) {
  AttemptLink link{code_ ? central_ : std::string(), code_, owner_};
  if (ct_) ct_->close();
  StoreOutcome out = store.store(r, &link);
  if (out.superseded) last_ = Saved::TakenOver;
  return out;
}

void AttemptKeeper::discard() {
  if (ct_) ct_->close();
  if (code_ && exists(central_)) {
    common::AttemptTables t(central_);
    if (t.open(false) == store::Ok) {
      store::Transaction tx{&t.attT, &t.rezT};
      if (tx.begin() == store::Ok && t.get(code_) == store::Ok && cp1251::clip(t.att.OWNER.view()) == cp1251::clip(owner_) &&
          t.remove(code_) == store::Ok)
        tx.commit();
    }
  }
  if (exists(local_)) {
    common::AttemptTables t(local_);
    if (t.open(false) == store::Ok) {
      store::Transaction tx{&t.attT, &t.rezT};
      if (tx.begin() == store::Ok && t.remove(code_) == store::Ok) tx.commit();
    }
  }
  last_ = Saved::Closed;
}

void AttemptKeeper::pushLocal(const std::string& centralFile, const std::string& workingDir) {
  const std::string localFile = common::localAttemptFile(workingDir);
  if (!exists(localFile)) return;
  std::vector<OpenAttempt> kept;
  if (common::listAttempts(localFile, kept) != store::Ok || kept.empty()) return;
  if (!exists(dirOf(centralFile))) return;  // still cut off
  // An empty mount point is no share: a copy of an attempt the share knows
  // waits until its file is there again.
  for (const OpenAttempt& o : kept)
    if (o.rec.CODE != 0 && !exists(centralFile)) return;
  common::AttemptTables ct(centralFile), lt(localFile);
  if (ct.open(true) != store::Ok || lt.open(false) != store::Ok) return;
  for (const OpenAttempt& o : kept) {
    store::Transaction tx{&ct.attT, &ct.rezT, &lt.attT, &lt.rezT};
    if (tx.begin() != store::Ok) return;
    tables::Attempt rec = o.rec;
    bool write = true;
    if (rec.CODE == 0) {
      rec.CODE = nextCode(ct);
    } else {
      int rc = ct.get(rec.CODE);
      if (rc != store::Ok && rc != store::NoRecord) return;
      // Closed or taken over meanwhile: that run's word stands.
      write = rc == store::Ok && cp1251::clip(ct.att.OWNER.view()) == cp1251::clip(rec.OWNER.view());
    }
    if (write) {
      ct.att = rec;
      ct.rez = o.rez;
      if (ct.write() != store::Ok) return;
    }
    if (lt.remove(o.rec.CODE) != store::Ok || tx.commit() != store::Ok) return;
  }
}

}  // namespace examiner
