#include "table_opener.h"

#include <sys/stat.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <thread>

#include "filepath.h"

namespace setup {

bool makeDirectories(const std::string& dir, std::string* failed, int* err) {
  std::string cur;
  for (std::size_t i = 0; i <= dir.size(); ++i) {
    if ((i == dir.size() || dir[i] == '/') && !cur.empty() && cur != "/") {
      std::string real = filepath::resolve(cur);
      if (!filepath::isDirectory(real) && ::mkdir(real.c_str(), 0777) != 0 && errno != EEXIST) {
        if (failed) *failed = cur;
        if (err) *err = errno;
        return false;
      }
      cur = real;
    }
    if (i < dir.size()) cur += dir[i];
  }
  return true;
}

TableOpener::TableOpener(messages::Interaction& ui) : proc_(ui) {}

int TableOpener::users(const store::Table& t) const {
  auto it = users_.find(&t);
  return it == users_.end() ? 0 : it->second;
}

int TableOpener::open(store::Table& t, bool allowCreate) {
  int& n = users_[&t];
  if (n > 0 && t.isOpen()) {
    ++n;
    return store::Ok;
  }
  int rc = openOnce(t, allowCreate);
  if (rc == store::Ok) n = 1;
  else users_.erase(&t);
  return rc;
}

void TableOpener::close(store::Table& t) {
  auto it = users_.find(&t);
  if (it == users_.end()) return;
  if (--it->second <= 0) {
    users_.erase(it);
    if (t.isOpen()) t.close();
  }
}

int TableOpener::end(int number, const store::ErrorInfo& e) {
  messages::Args a = messages::argsOf(e);
  messages::Message m = messages::standard(number, a);
  proc_.show(m, &e);
  ended_ = true;
  proc_.ui().endProgram(m.finalMessage);
  return e.code ? e.code : store::StoreSpecific;
}

int TableOpener::openOnce(store::Table& t, bool allowCreate) {
  auto& ui = proc_.ui();
  bool rebuilt = false;
  for (;;) {
    // Each try waits for another station's lock no longer than a retry step,
    // so that the whole retry below, wait cursor included, keeps to retryFor.
    const auto started = std::chrono::steady_clock::now();
    auto tryOpen = [&](std::chrono::milliseconds limit) {
      store::WaitLimit w(std::min(retryStep, limit));
      return t.open(store::Shared);
    };
    int rc = tryOpen(retryStep);
    if (rc == store::Ok || rc == store::AlreadyOpen) return store::Ok;
    store::ErrorInfo e = t.error();
    e.file = t.name();

    if (rc == store::FileNotFound || rc == store::PathNotFound) {
      if (!allowCreate) return end(22, e);
      if (rc == store::PathNotFound) {
        std::string dir = filepath::directoryOf(store::splitName(t.name()).file);
        std::string failed;
        int err = 0;
        if (!makeDirectories(dir, &failed, &err)) {
          messages::Args a = messages::argsOf(e);
          a.error = std::string(std::strerror(err)) + " (" + std::to_string(err) + ")";
          a.path = failed;
          proc_.show(101, a, &e);
        }
      }
      if (t.createIfMissing() != store::Ok) {
        store::ErrorInfo ce = t.error();
        ce.file = t.name();
        return end(4, ce);
      }
      if (t.open(store::Shared) != store::Ok) {
        store::ErrorInfo oe = t.error();
        oe.file = t.name();
        return end(5, oe);
      }
      return store::Ok;
    }

    if (rc == store::AccessDenied) {
      // Held by another station: wait and retry.
      using clock = std::chrono::steady_clock;
      ui.waitCursor(true);
      const auto until = started + retryFor;
      for (;;) {
        auto now = clock::now();
        if (now >= until) break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
        rc = tryOpen(left);
        if (rc != store::AccessDenied) break;
        auto spent = clock::now() - now;
        if (spent < retryStep) std::this_thread::sleep_for(std::min<clock::duration>(retryStep - spent, until - clock::now()));
      }
      ui.waitCursor(false);
      if (rc == store::Ok) return store::Ok;
      if (rc == store::AccessDenied) {
        e = t.error();
        e.file = t.name();
        return end(30, e);
      }
      continue;  // another error: handle it below on the next round
    }

    if (rc == store::RebuildKeys && !rebuilt) {
      messages::Args a = messages::argsOf(e);
      messages::Message m = messages::standard(2, a);
      if (proc_.show(m, &e) != messages::Yes) {
        ended_ = true;
        ui.endProgram(m.finalMessage);
        return rc;
      }
      ui.rebuildWindow(true, t.name());
      int b = t.buildKeys();
      ui.rebuildWindow(false, t.name());
      if (b != store::Ok) {
        store::ErrorInfo be = t.error();
        be.file = t.name();
        return end(3, be);
      }
      rebuilt = true;
      continue;
    }

    if (rc == store::LayoutMismatch) return end(1, e);
    return end(30, e);
  }
}

}  // namespace setup
