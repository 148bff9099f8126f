// The record store's transactions and filtered views.
#include <algorithm>

#include "cp1251.h"
#include "store_internal.h"

namespace store {

namespace {
constexpr int kNotOpen = 37;
}

// ---------------------------------------------------------------- Transaction

// A transaction has a connection of its own, to the file of its first table,
// with the files of the others attached, so that one commit covers them all
// and nothing written through another connection joins it. It holds the
// writer's turn of each of its files from begin to end.
struct Transaction::State : TxnState {
  Conn* conn = nullptr;
  std::vector<std::string> aliases;
  std::vector<WriterTurn> turns;
  std::vector<std::shared_ptr<FileState>> files;
};

Transaction::Transaction(std::initializer_list<Table*> tables) : tables_(tables) {}
Transaction::Transaction(std::vector<Table*> tables) : tables_(std::move(tables)) {}

Transaction::~Transaction() {
  if (active_) rollback();
}

int Transaction::failBegin(int code) {
  error_.code = code;
  finish();
  return code;
}

int Transaction::begin() {
  error_ = ErrorInfo{};
  if (active_) {
    error_.code = StoreSpecific;
    error_.storeMessage = "Транзакция уже начата";
    return error_.code;
  }
  if (tables_.empty()) return Ok;
  for (Table* t : tables_) {
    error_.file = t->name();
    if (!t->d_->opened) return error_.code = kNotOpen;
    if (t->d_->txn) {
      error_.code = StoreSpecific;
      error_.storeMessage = "Таблица уже участвует в другой транзакции";
      return error_.code;
    }
  }
  error_.file.clear();
  st_ = std::make_unique<State>();
  std::vector<Table::Impl*> firstOfFile;
  for (Table* t : tables_) {
    if (std::find(st_->files.begin(), st_->files.end(), t->d_->fs) != st_->files.end()) continue;
    st_->files.push_back(t->d_->fs);
    firstOfFile.push_back(t->d_.get());
  }
  // Turns are taken in one order by everybody, so that two transactions
  // over the same files never wait for each other.
  std::vector<std::size_t> order(st_->files.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return st_->files[a]->path < st_->files[b]->path; });
  for (std::size_t i : order) {
    WriterTurn turn;
    if (turn.take(st_->files[i], error_) != Ok) {
      error_.file = firstOfFile[i]->fullName;
      return failBegin(AccessDenied);
    }
    st_->turns.push_back(std::move(turn));
  }
  Table::Impl* first = firstOfFile[0];
  ErrorInfo cerr;
  if (int rc = openTxnConn(first->fs, first->home->pwKey, first->home->keyed, first->home->password, st_->conn, cerr)) {
    error_ = cerr;
    error_.file = first->fullName;
    return failBegin(rc);
  }
  sqlite3* db = st_->conn->db;
  auto sqlFailure = [&](int rc, const std::string& file) {
    error_.storeCode = rc;
    error_.storeMessage = sqlite3_errmsg(db);
    error_.file = file;
    return failBegin(mapSql(rc) == Ok ? StoreSpecific : mapSql(rc));
  };
  std::vector<std::string> schemaOf(st_->files.size(), "main");
  for (std::size_t i = 1; i < st_->files.size(); ++i) {
    const Conn* h = firstOfFile[i]->home;
    std::string alias = "f" + std::to_string(i);
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, ("ATTACH DATABASE ? AS " + alias + " KEY ?").c_str(), -1, &s, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_text(s, 1, st_->files[i]->path.c_str(), -1, SQLITE_TRANSIENT);
      if (h->keyed) sqlite3_bind_blob(s, 2, h->password.data(), static_cast<int>(h->password.size()), SQLITE_TRANSIENT);
      else sqlite3_bind_text(s, 2, "", 0, SQLITE_STATIC);
      rc = sqlite3_step(s);
      sqlite3_finalize(s);
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) return sqlFailure(rc, firstOfFile[i]->fullName);
    st_->aliases.push_back(alias);
    schemaOf[i] = alias;
  }
  if (int rc = execSql(db, "BEGIN IMMEDIATE"); rc != SQLITE_OK) return sqlFailure(rc, first->fullName);
  for (Table* t : tables_) {
    auto& d = *t->d_;
    std::size_t i = static_cast<std::size_t>(std::find(st_->files.begin(), st_->files.end(), d.fs) - st_->files.begin());
    d.txn = st_.get();
    d.setRoute(Route{st_->conn, schemaOf[i]});
  }
  active_ = true;
  return Ok;
}

void Transaction::finish() {
  if (!st_) return;
  for (Table* t : tables_) {
    auto& d = *t->d_;
    if (d.txn != st_.get()) continue;
    d.txn = nullptr;
    d.setRoute(Route{d.home, "main"});
  }
  if (st_->conn) {
    for (const auto& alias : st_->aliases) execSql(st_->conn->db, "DETACH DATABASE " + alias);
    poolTxnConn(st_->conn);
  }
  st_.reset();  // gives the turns back
}

int Transaction::commit() {
  error_ = ErrorInfo{};
  if (!active_) return Ok;
  int rc = execSql(st_->conn->db, "COMMIT");
  if (rc != SQLITE_OK) {
    ErrorInfo e;
    e.code = mapSql(rc) == Ok ? StoreSpecific : mapSql(rc);
    e.storeCode = rc;
    e.storeMessage = sqlite3_errmsg(st_->conn->db);
    rollback();
    error_ = e;
    return error_.code;
  }
  active_ = false;
  for (const auto& fs : st_->files) ++fs->localWrites;
  finish();
  return Ok;
}

int Transaction::rollback() {
  if (!active_) return Ok;
  execSql(st_->conn->db, "ROLLBACK");
  active_ = false;
  for (const auto& fs : st_->files) ++fs->localWrites;
  for (Table* t : tables_)
    if (t->d_->txn == st_.get()) t->d_->cursor.ahead.clear();
  finish();
  return Ok;
}

// ---------------------------------------------------------------- View

struct View::Compiled {
  filter::Translation t;
};

View::View(Table& table) : table_(table) {}
View::~View() = default;

int View::setFilter(std::string_view expression) {
  started_ = false;
  if (cp1251::clip(expression).empty()) {
    filter_.reset();
    return table_.d_->ok();
  }
  auto c = std::make_unique<Compiled>();
  c->t = filter::translate(expression, table_.def());
  if (!c->t.ok) {
    filter_.reset();
    return table_.d_->failStore(0, "Ошибка в выражении фильтра: " + c->t.error);
  }
  filter_ = std::move(c);
  return table_.d_->ok();
}

void View::bind(const std::string& variable, Value value) {
  if (auto* s = std::get_if<std::string>(&value)) *s = std::string(cp1251::clip(*s));
  bindings_[cp1251::upper(variable)] = std::move(value);
}

void View::setOrder(int key) {
  order_ = key;
  started_ = false;
}

int View::set() {
  Table::Impl& d = *table_.d_;
  if (int e = order_ >= 0 ? table_.set(order_) : table_.set()) return e;
  if (filter_) {
    d.cursor.filterSql = filter_->t.sql;
    for (const auto& p : filter_->t.params) {
      switch (p.kind) {
        case filter::Param::Int: d.cursor.filterParams.emplace_back(p.i); break;
        case filter::Param::Real: d.cursor.filterParams.emplace_back(p.r); break;
        case filter::Param::Text: d.cursor.filterParams.emplace_back(p.s); break;
        case filter::Param::Variable: {
          auto it = bindings_.find(p.s);
          if (it == bindings_.end()) {
            d.cursor.state = Cursor::State::None;
            return d.failStore(0, "Переменная фильтра не связана: " + p.s);
          }
          std::visit([&](const auto& v) { d.cursor.filterParams.emplace_back(v); }, it->second);
          break;
        }
      }
    }
  }
  started_ = true;
  return d.ok();
}

int View::next() {
  if (!started_)
    if (int e = set()) return e;
  return table_.next();
}

int View::previous() {
  if (!started_)
    if (int e = set()) return e;
  return table_.previous();
}

std::int64_t View::records() {
  Table::Impl& d = *table_.d_;
  if (set() != Ok) return 0;
  std::string sql = "SELECT count(*) FROM " + d.qualified();
  if (!d.cursor.filterSql.empty()) sql += " WHERE " + d.cursor.filterSql;
  sqlite3_stmt* s = d.stmt(sql);
  if (!s) return 0;
  int i = 1;
  for (const auto& v : d.cursor.filterParams) {
    if (auto* n = std::get_if<std::int64_t>(&v)) sqlite3_bind_int64(s, i, *n);
    else if (auto* r = std::get_if<double>(&v)) sqlite3_bind_double(s, i, *r);
    else sqlite3_bind_text(s, i, std::get<std::string>(v).c_str(), -1, SQLITE_TRANSIENT);
    ++i;
  }
  std::int64_t n = 0;
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) n = sqlite3_column_int64(s, 0);
  sqlite3_reset(s);
  if (rc != SQLITE_ROW) d.failSql(rc, d.route.conn->db);
  return n;
}

}  // namespace store
