#include "monitoring.h"

#include <algorithm>

namespace examiner {

Monitor::~Monitor() { remove(); }

int Monitor::add(const std::string& namePc) {
  if (!t_.isOpen()) {
    int rc = t_.open(store::Shared);
    if (rc == store::FileNotFound) {
      if ((rc = t_.createIfMissing()) == store::Ok) rc = t_.open(store::Shared);
    }
    if (rc) return rc;
  }
  tables::MonCons fresh;
  fresh.NAMEPC = namePc;
  fresh.FLAG = 1;
  if (int rc = insert(fresh)) return rc;
  live_ = true;
  return store::Ok;
}

int Monitor::insert(const tables::MonCons& content) {
  store::Transaction tx{&t_};
  if (int rc = tx.begin()) return rc;
  std::uint16_t code = static_cast<std::uint16_t>(t_.records() + 1);
  rec_.CODEC = code;
  if (t_.get(t_.key("BYCODEC")) == store::Ok) {
    // Taken: the highest code + 1.
    t_.set(t_.key("BYCODEC"));
    code = t_.previous() == store::Ok ? static_cast<std::uint16_t>(rec_.CODEC + 1) : 1;
  }
  rec_ = content;
  rec_.CODEC = code;
  if (int rc = t_.add()) return rc;
  if (int rc = tx.commit()) return rc;
  pos_ = t_.position();
  return store::Ok;
}

int Monitor::reread() {
  if (!live_) return store::NoRecord;
  tables::MonCons keep = rec_;
  int rc = t_.getAt(pos_);
  if (rc == store::NoRecord) {
    // Cleared by the Administrator while this station still tests: the
    // record comes back under a free entry number, the update then goes on.
    rc = insert(keep);
    if (rc) return rc;
    keep.CODEC = rec_.CODEC;
  }
  if (rc) return rc;
  rec_ = keep;
  return store::Ok;
}

int Monitor::begin(const std::string& fio, std::int32_t timeBeg, const std::string& test, int frames) {
  if (int rc = reread()) return rc;
  rec_.FIO = fio;
  rec_.TIMEBEG = timeBeg;
  rec_.TEST = test;
  rec_.KOLZAD = static_cast<std::uint16_t>(frames);
  rec_.KOLVOPOT = 0;
  rec_.KOLBALLMAX = 0;
  rec_.KOLBALLREAL = 0;
  rec_.TIMEEND = 0;
  rec_.FLAG = 2;
  return t_.put();
}

int Monitor::answered(int count, int frameMax, long points, int frameCode, bool wrong) {
  if (int rc = reread()) return rc;
  rec_.KOLVOPOT = static_cast<std::uint16_t>(std::clamp(count, 0, 65535));
  rec_.KOLBALLMAX = static_cast<std::uint16_t>(std::clamp(rec_.KOLBALLMAX + frameMax, 0, 65535));
  rec_.KOLBALLREAL = static_cast<std::uint16_t>(std::clamp<long>(points, 0, 65535));
  rec_.CODEVOP = static_cast<std::uint16_t>(frameCode);
  if (wrong) ++rec_.FALSEOT;
  return t_.put();
}

int Monitor::remove() {
  if (!live_) return store::Ok;
  live_ = false;
  int rc = t_.getAt(pos_);
  if (rc == store::Ok) rc = t_.del();
  pos_ = 0;
  return rc == store::NoRecord ? store::Ok : rc;
}

}  // namespace examiner
