#include "frame_operations.h"

#include "frame_object.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "cp1251.h"
#include "filepath.h"
#include "frame_rules.h"
#include "messages.h"
#include "result_file.h"
#include "statistics.h"
#include "tables_results.h"

namespace constructor {
namespace {

constexpr std::uint16_t kTemporary = 38527;  // the code a frame holds while codes are exchanged

Outcome refused(std::string text) { return {Outcome::Refused, std::move(text)}; }

Outcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

bool storedApart(const tables::Vop& v) { return v.OBJECTSAVE == "F" && v.OBJECTLINK != "L"; }

// The directory a test's linked documents are named from, absolute, ending in "/".
std::string linkBase(const testfile::TestFile& tf) {
  std::string d = std::filesystem::absolute(filepath::directoryOf(filepath::resolve(tf.path()))).lexically_normal().string();
  if (d.empty() || d.back() != '/') d += '/';
  return d;
}

// A linked document's name as the target test must hold it: a name relative
// to the source's directory is made relative to the target's (or absolute).
Outcome relink(tables::Vop& v, const std::string& fromDir, const std::string& toDir) {
  if (v.OBJECTLINK != "L" || fromDir == toDir) return {};
  const std::string doc = cp1251::toUtf8(cp1251::clip(v.OBJECTDOC.view()));
  if (doc.empty() || doc.front() == '/') return {};
  const std::string file = std::filesystem::path(fromDir + doc).lexically_normal().string();
  std::string out;
  if (!frameobject::linkName(file, toDir, out))
    return refused("Путь связанного документа «" + file + "» кадра " + std::to_string(v.CODEVOP) +
                   " не помещается в 64 знака поля кадра теста-приёмника: положите документ в каталог этого теста.");
  v.OBJECTDOC = out;
  return {};
}

// The companion file of one test, opened for a transaction when it exists
// (or when it must be made).
struct Companion {
  tables::Emb rec;
  store::Table t{tables::embDef(), rec};
  bool open = false;
  int attach(const testfile::TestFile& tf, bool create) {
    t.setName(companionOf(tf) + "\\!Emb");
    const std::string real = filepath::resolve(companionOf(tf));
    if (real != companionOf(tf)) t.setName(real + "\\!Emb");
    int rc = t.open(store::Shared);
    if (rc == store::FileNotFound && create) {
      if ((rc = t.createIfMissing()) == store::Ok) rc = t.open(store::Shared);
    }
    if (rc == store::FileNotFound && !create) return store::Ok;  // none: nothing stored apart
    open = rc == store::Ok;
    return rc;
  }
};

// An error from whichever table failed last.
struct Failure {
  store::ErrorInfo e;
  int set(const store::Table& t) {
    e = t.error();
    if (!e.code) e.code = store::StoreSpecific;
    return e.code;
  }
};

std::vector<store::Table*> tablesOf(testfile::TestFile& tf) {
  return {&tf.temaT, &tf.titulT, &tf.razdelT, &tf.vopT, &tf.trainingT};
}

// Gives frames new codes: old -> new for every code in `map` (codes left
// out keep theirs), through temporary codes from 38527 up, so that no
// unique key meets itself. Help records and stored objects follow their
// frames; a leftover of no frame (older files have them) that stands where
// a frame now is goes, lest it be taken for that frame's; every help record
// ends with TRA:CODE = TRA:CODEVOP. Only records that change are written.
int relabel(testfile::TestFile& tf, Companion& emb, const std::map<std::uint16_t, std::uint16_t>& map, Failure& f) {
  auto finalOf = [&](std::uint16_t c) { return map.count(c) ? map.at(c) : c; };
  std::map<std::uint16_t, std::uint16_t> temp;  // old -> temporary
  std::uint16_t next = kTemporary;
  for (const auto& entry : map) temp[entry.first] = next++;

  // Frames.
  std::vector<std::pair<store::Position, std::uint16_t>> frames;  // position, old code
  std::set<std::uint16_t> present, finalCodes;
  if (tf.vopT.set() != store::Ok) return f.set(tf.vopT);
  int rc;
  while ((rc = tf.vopT.next()) == store::Ok) {
    present.insert(tf.vop.CODEVOP);
    finalCodes.insert(finalOf(tf.vop.CODEVOP));
    if (map.count(tf.vop.CODEVOP)) frames.emplace_back(tf.vopT.position(), tf.vop.CODEVOP);
  }
  if (rc != store::NoRecord) return f.set(tf.vopT);
  for (int step = 0; step < 2; ++step)
    for (const auto& [pos, old] : frames) {
      if (tf.vopT.getAt(pos) != store::Ok) return f.set(tf.vopT);
      tf.vop.CODEVOP = step == 0 ? temp.at(old) : map.at(old);
      if (step == 1 && storedApart(tf.vop)) tf.vop.OBJECTDOC = cp1251::fromUtf8(objectPartName(tf, tf.vop.CODEVOP));
      if (tf.vopT.put() != store::Ok) return f.set(tf.vopT);
    }

  // Help records.
  struct Help {
    store::Position pos;
    std::uint16_t now;  // the frame code it ends with
  };
  std::vector<Help> moving;
  std::vector<store::Position> dropping;
  if (tf.trainingT.set() != store::Ok) return f.set(tf.trainingT);
  while ((rc = tf.trainingT.next()) == store::Ok) {
    const std::uint16_t c = tf.training.CODEVOP;
    const bool ofFrame = present.count(c) != 0;
    const std::uint16_t now = ofFrame ? finalOf(c) : c;
    if (!ofFrame && finalCodes.count(now)) dropping.push_back(tf.trainingT.position());
    else if (tf.training.CODE != now || c != now) moving.push_back({tf.trainingT.position(), now});
  }
  if (rc != store::NoRecord) return f.set(tf.trainingT);
  for (store::Position pos : dropping)
    if (tf.trainingT.getAt(pos) != store::Ok || tf.trainingT.del() != store::Ok) return f.set(tf.trainingT);
  std::uint16_t spare = kTemporary;
  for (int step = 0; step < 2; ++step)
    for (const Help& h : moving) {
      if (tf.trainingT.getAt(h.pos) != store::Ok) return f.set(tf.trainingT);
      tf.training.CODE = tf.training.CODEVOP = step == 0 ? spare++ : h.now;
      if (tf.trainingT.put() != store::Ok) return f.set(tf.trainingT);
    }

  // Stored objects.
  if (emb.open) {
    std::vector<std::pair<store::Position, std::uint16_t>> parts;  // position, old code
    dropping.clear();
    if (emb.t.set() != store::Ok) return f.set(emb.t);
    while ((rc = emb.t.next()) == store::Ok) {
      const std::uint16_t c = emb.rec.CODEVOP;
      if (!present.count(c) && finalCodes.count(c)) dropping.push_back(emb.t.position());
      else if (present.count(c) && map.count(c)) parts.emplace_back(emb.t.position(), c);
    }
    if (rc != store::NoRecord) return f.set(emb.t);
    for (store::Position pos : dropping)
      if (emb.t.getAt(pos) != store::Ok || emb.t.del() != store::Ok) return f.set(emb.t);
    for (int step = 0; step < 2; ++step)
      for (const auto& [pos, old] : parts) {
        if (emb.t.getAt(pos) != store::Ok) return f.set(emb.t);
        emb.rec.CODEVOP = step == 0 ? temp.at(old) : map.at(old);
        if (emb.t.put() != store::Ok) return f.set(emb.t);
      }
  }
  return store::Ok;
}

// Codes 1..N in code order.
int compact(testfile::TestFile& tf, Companion& emb, Failure& f) {
  std::vector<std::uint16_t> codes;
  if (frameCodes(tf, codes) != store::Ok) return f.set(tf.vopT);
  std::map<std::uint16_t, std::uint16_t> map;
  for (std::size_t i = 0; i < codes.size(); ++i)
    if (codes[i] != i + 1) map[codes[i]] = static_cast<std::uint16_t>(i + 1);
  return relabel(tf, emb, map, f);
}

// As compact, and `code` follows its frame to the code it now has (left as
// it was when no frame has it).
int compactFollowing(testfile::TestFile& tf, Companion& emb, Failure& f, std::uint16_t& code) {
  std::vector<std::uint16_t> codes;
  if (frameCodes(tf, codes) != store::Ok) return f.set(tf.vopT);
  auto at = std::find(codes.begin(), codes.end(), code);
  if (compact(tf, emb, f) != store::Ok) return f.e.code ? f.e.code : store::StoreSpecific;
  if (at != codes.end()) code = static_cast<std::uint16_t>(at - codes.begin() + 1);
  return store::Ok;
}

// Removes a frame's help record and stored object (when it has them).
int dropExtras(testfile::TestFile& tf, Companion& emb, std::uint16_t code, Failure& f) {
  tf.training.CODEVOP = code;
  int rc = tf.trainingT.get(tf.trainingT.key("KEYCODEVOP"));
  if (rc == store::Ok && tf.trainingT.del() != store::Ok) return f.set(tf.trainingT);
  if (rc != store::Ok && rc != store::NoRecord) return f.set(tf.trainingT);
  if (emb.open) {
    emb.rec.CODEVOP = code;
    rc = emb.t.get(emb.t.key("KEYCODEVOP"));
    if (rc == store::Ok && emb.t.del() != store::Ok) return f.set(emb.t);
    if (rc != store::Ok && rc != store::NoRecord) return f.set(emb.t);
  }
  return store::Ok;
}

// Runs `body` in one transaction over the test's tables (and its companion
// file), then recounts and commits.
template <class Body>
Outcome inTransaction(testfile::TestFile& tf, bool needCompanion, const std::string& what, Body body) {
  Companion emb;
  if (int rc = emb.attach(tf, needCompanion); rc != store::Ok) return failed(emb.t.error(), "Не удалось открыть файл объектов теста");
  std::vector<store::Table*> tables = tablesOf(tf);
  if (emb.open) tables.push_back(&emb.t);
  store::Transaction tx(tables);
  if (tx.begin() != store::Ok) return failed(tx.error(), what);
  Failure f;
  Outcome o = body(emb, f);
  if (!o) return o;
  if (recount(tf, &f.e) != store::Ok) return failed(f.e, "Не удалось обновить статистику теста");
  if (tx.commit() != store::Ok) return failed(tx.error(), what);
  return {};
}

}  // namespace

std::string companionOf(const testfile::TestFile& tf) { return results::embPath(tf.path()); }

std::string objectPartName(const testfile::TestFile& tf, std::uint16_t code) {
  return filepath::fileNameOf(results::embPart(tf.path(), code));
}

int frameCodes(testfile::TestFile& tf, std::vector<std::uint16_t>& out) {
  out.clear();
  int rc = tf.vopT.set(tf.vopT.key("KEYCODEVOP"));
  if (rc != store::Ok) return rc;
  while ((rc = tf.vopT.next()) == store::Ok) out.push_back(tf.vop.CODEVOP);
  return rc == store::NoRecord ? store::Ok : rc;
}

Outcome newFrame(testfile::TestFile& tf, const tables::VopParam& d, const std::string& typeEdit, std::uint16_t& code) {
  return inTransaction(tf, false, "Не удалось добавить кадр", [&](Companion& emb, Failure& f) -> Outcome {
    if (compact(tf, emb, f) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры");
    const std::int64_t n = tf.vopT.records();
    if (n >= kMostFrames) return refused("В тесте уже " + std::to_string(kMostFrames) + " заданий: больше добавить нельзя.");
    if (tf.temaT.set() != store::Ok || tf.temaT.next() != store::Ok) return failed(tf.temaT.error(), "Не удалось прочитать сценарий");
    tables::Vop v;
    v.CODEVOP = static_cast<std::uint16_t>(n + 1);
    // A leftover help or object under that code is not the new frame's.
    if (dropExtras(tf, emb, v.CODEVOP, f) != store::Ok) return failed(f.e, "Не удалось убрать оставшуюся справку");
    v.CODETEMA = tf.tema.CODETEMA;
    v.TYPEEDIT = typeEdit.empty() ? std::string("Stnd") : typeEdit;
    v.TYPEKADR = 1;
    v.TYPEETOT = 1;
    v.KOLPOP = 1;
    v.VARTEST = d.VARTEST;
    v.LEVEL = d.LEVEL;
    v.BALLVOP = d.BALLVOP;
    v.CODERAZ = d.CODERAZ;
    v.RAZDEL = d.RAZDEL.view();
    v.TIMEVOP = d.TIMEVOP;
    if (d.KOLPOP) v.KOLPOP = d.KOLPOP;
    v.HEIGTTEXTVOP = 216;
    v.HEIGTTEXTOT.fill(216);
    tf.vop = v;
    if (tf.vopT.add() != store::Ok) return failed(tf.vopT.error(), "Не удалось добавить кадр");
    code = v.CODEVOP;
    return {};
  });
}

Outcome saveFrame(testfile::TestFile& tf, tables::Vop& v, const tables::Training* help, const tables::Vop* opened) {
  if (tf.temaT.set() != store::Ok || tf.temaT.next() != store::Ok) return failed(tf.temaT.error(), "Не удалось прочитать сценарий");
  common::VariantMoves moves;
  std::vector<std::string> problems = common::normaliseFrame(v, tf.tema, moves);
  if (!problems.empty()) {
    std::string text;
    for (const auto& p : problems) text += (text.empty() ? "" : "|") + p;
    return refused(text);
  }
  // A document to be kept apart waits in the record's blob until the frame is written.
  const bool pendingApart = storedApart(v) && !v.OLEBLOB.empty();
  return inTransaction(tf, pendingApart, "Не удалось записать кадр", [&](Companion& emb, Failure& f) -> Outcome {
    if (opened) {
      // The frame must still be the one the editor read: another station may
      // have changed, deleted or renumbered frames meanwhile.
      tf.vop.CODEVOP = opened->CODEVOP;
      const int now = tf.vopT.get(tf.vopT.key("KEYCODEVOP"));
      if (now != store::Ok && now != store::NoRecord) return failed(tf.vopT.error(), "Не удалось прочитать кадр");
      if (now == store::NoRecord || !(tf.vop == *opened))
        return refused("Кадр " + std::to_string(opened->CODEVOP) +
                       " изменён, удалён или перенумерован на другой станции после того, как был открыт: запись не выполнена, "
                       "чтобы не затереть чужой кадр. Перенесите свои изменения (например, через буфер), закройте кадр без "
                       "записи и откройте его снова.");
    }
    // Codes with gaps (older files) close up; the frame keeps its own.
    const std::uint16_t before = v.CODEVOP;
    if (compactFollowing(tf, emb, f, v.CODEVOP) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры");
    tf.vop.CODEVOP = v.CODEVOP;
    int rc = tf.vopT.get(tf.vopT.key("KEYCODEVOP"));
    if (rc != store::Ok && rc != store::NoRecord) return failed(tf.vopT.error(), "Не удалось прочитать кадр");
    const bool wasApart = rc == store::Ok && storedApart(tf.vop);
    // The frame's part of the companion file: written with it, named by its
    // code as it now is, and gone when the frame stops keeping one.
    if (emb.open && (pendingApart || (wasApart && !storedApart(v)))) {
      emb.rec.CODEVOP = v.CODEVOP;
      const int er = emb.t.get(emb.t.key("KEYCODEVOP"));
      if (er != store::Ok && er != store::NoRecord) return failed(emb.t.error(), "Не удалось прочитать файл объектов теста");
      if (pendingApart) {
        std::string name;
        std::vector<std::uint8_t> bytes;
        frameobject::unpackBlob(v.OLEBLOB.bytes, name, bytes);
        emb.rec = tables::Emb{};
        emb.rec.CODEVOP = v.CODEVOP;
        emb.rec.FILENAME = cp1251::fromUtf8(name);
        const auto dot = name.find_last_of('.');
        if (dot != std::string::npos) emb.rec.TYPE = cp1251::fromUtf8(name.substr(dot + 1));
        emb.rec.DATA.bytes = std::move(bytes);
        if ((er == store::Ok ? emb.t.put() : emb.t.add()) != store::Ok) return failed(emb.t.error(), "Не удалось записать объект кадра");
        v.OLEBLOB.bytes.clear();
      } else if (er == store::Ok && emb.t.del() != store::Ok) {
        return failed(emb.t.error(), "Не удалось удалить объект кадра");
      }
    }
    // A part written now, or moved with its frame's code, is named by that
    // code; a name an older file keeps otherwise stays as it is.
    if (storedApart(v) && (pendingApart || before != v.CODEVOP)) v.OBJECTDOC = cp1251::fromUtf8(objectPartName(tf, v.CODEVOP));
    const tables::Vop toWrite = v;
    if (rc == store::NoRecord) {
      std::vector<std::uint16_t> codes;
      if (frameCodes(tf, codes) != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадры");
      if (static_cast<int>(codes.size()) >= kMostFrames)
        return refused("В тесте уже " + std::to_string(kMostFrames) + " заданий: больше добавить нельзя.");
      if (v.CODEVOP != codes.size() + 1)
        return refused("Код нового кадра должен быть " + std::to_string(codes.size() + 1) + ": коды кадров идут подряд.");
    }
    tf.vop = toWrite;
    if ((rc == store::Ok ? tf.vopT.put() : tf.vopT.add()) != store::Ok) return failed(tf.vopT.error(), "Не удалось записать кадр");
    // The comments stay with their variants when the variants were closed up.
    tf.training.CODEVOP = v.CODEVOP;
    int hr = tf.trainingT.get(tf.trainingT.key("KEYCODEVOP"));
    if (hr != store::Ok && hr != store::NoRecord) return failed(tf.trainingT.error(), "Не удалось прочитать справку к кадру");
    if (!help && hr == store::Ok && moves.moved()) {
      common::followVariants(tf.training, moves);
      if (tf.trainingT.put() != store::Ok) return failed(tf.trainingT.error(), "Не удалось записать справку к кадру");
    }
    if (help) {
      tables::Training h = *help;
      common::followVariants(h, moves);
      tf.training = h;
      tf.training.CODEVOP = v.CODEVOP;
      tf.training.CODE = v.CODEVOP;
      if ((hr == store::Ok ? tf.trainingT.put() : tf.trainingT.add()) != store::Ok)
        return failed(tf.trainingT.error(), "Не удалось записать справку к кадру");
    }
    return {};
  });
}

Outcome saveFrameHelp(testfile::TestFile& tf, tables::Training& help) {
  std::uint16_t code = help.CODEVOP;
  return inTransaction(tf, false, "Не удалось записать справку к кадру", [&](Companion& emb, Failure& f) -> Outcome {
    // A code no frame has is refused before the codes close up: in an older
    // file with gaps it would then name another frame, whose help it would
    // overwrite.
    tf.vop.CODEVOP = code;
    int found = tf.vopT.get(tf.vopT.key("KEYCODEVOP"));
    if (found == store::NoRecord) return refused("Кадра " + std::to_string(code) + " нет в тесте: справку к нему не записать.");
    if (found != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадр");
    // Settles TRA:CODE = TRA:CODEVOP in older files, so the record's code is
    // free; the help follows its frame's code.
    if (compactFollowing(tf, emb, f, code) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры");
    help.CODEVOP = code;
    tf.vop.CODEVOP = code;
    int rc = tf.vopT.get(tf.vopT.key("KEYCODEVOP"));
    if (rc == store::NoRecord) return refused("Кадра " + std::to_string(code) + " нет в тесте: справку к нему не записать.");
    if (rc != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадр");
    tf.training.CODEVOP = code;
    const int hr = tf.trainingT.get(tf.trainingT.key("KEYCODEVOP"));
    if (hr != store::Ok && hr != store::NoRecord) return failed(tf.trainingT.error(), "Не удалось прочитать справку к кадру");
    help.CODE = code;
    bool empty = cp1251::clip(help.HELPVOP.text).empty() && help.OLEBLOB.empty();
    for (const auto& c : help.COMMOT) empty = empty && c.blank();
    if (empty) {
      // A frame without material has no record, as the Examiner expects.
      if (hr == store::Ok && tf.trainingT.del() != store::Ok) return failed(tf.trainingT.error(), "Не удалось удалить справку к кадру");
      return {};
    }
    tf.training = help;
    if ((hr == store::Ok ? tf.trainingT.put() : tf.trainingT.add()) != store::Ok)
      return failed(tf.trainingT.error(), "Не удалось записать справку к кадру");
    return {};
  });
}

Outcome addFrameHelp(testfile::TestFile& tf, tables::Training& help) {
  const int rc = tf.findHelp(help.CODEVOP);
  if (rc == store::Ok) {
    messages::Args a;
    a.key = "TRA:KeyCode";
    return refused(messages::standard(24, a).text);
  }
  if (rc != store::NoRecord) return failed(tf.trainingT.error(), "Не удалось прочитать справку к кадру");
  return saveFrameHelp(tf, help);
}

Outcome deleteFrameHelp(testfile::TestFile& tf, std::uint16_t code) {
  return inTransaction(tf, false, "Не удалось удалить справку к кадру", [&](Companion&, Failure&) -> Outcome {
    tf.training.CODEVOP = code;
    const int rc = tf.trainingT.get(tf.trainingT.key("KEYCODEVOP"));
    if (rc == store::NoRecord) return {};  // deleted meanwhile
    if (rc != store::Ok || tf.trainingT.del() != store::Ok) return failed(tf.trainingT.error(), "Не удалось удалить справку к кадру");
    return {};
  });
}

Outcome deleteFrames(testfile::TestFile& tf, const std::vector<std::uint16_t>& codes) {
  return inTransaction(tf, false, "Не удалось удалить кадры", [&](Companion& emb, Failure& f) -> Outcome {
    for (std::uint16_t c : codes) {
      tf.vop.CODEVOP = c;
      int rc = tf.vopT.get(tf.vopT.key("KEYCODEVOP"));
      if (rc == store::NoRecord) continue;  // deleted meanwhile
      if (rc != store::Ok || tf.vopT.del() != store::Ok) return failed(tf.vopT.error(), "Не удалось удалить кадр " + std::to_string(c));
      if (dropExtras(tf, emb, c, f) != store::Ok) return failed(f.e, "Не удалось удалить справку или объект кадра " + std::to_string(c));
    }
    if (compact(tf, emb, f) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры");
    return {};
  });
}

Outcome renumber(testfile::TestFile& tf) {
  return inTransaction(tf, false, "Не удалось перенумеровать кадры", [&](Companion& emb, Failure& f) -> Outcome {
    if (compact(tf, emb, f) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры");
    return {};
  });
}

namespace {
// Moves a frame to the place `placeOf(i, count)` gives for its index, the
// frames between shifting by one, as repeated exchanges would leave them.
template <class PlaceOf>
Outcome moveTo(testfile::TestFile& tf, std::uint16_t code, std::uint16_t& now, PlaceOf placeOf) {
  now = code;
  return inTransaction(tf, false, "Не удалось переместить кадр", [&](Companion& emb, Failure& f) -> Outcome {
    std::vector<std::uint16_t> codes;
    if (frameCodes(tf, codes) != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать кадры");
    auto at = std::find(codes.begin(), codes.end(), code);
    if (at == codes.end()) return refused("Кадр " + std::to_string(code) + " не найден.");
    const std::size_t i = static_cast<std::size_t>(at - codes.begin());
    const std::optional<std::size_t> to = placeOf(i, codes);
    if (!to) return refused("Кадр не найден.");
    const std::size_t j = *to;
    if (j == i) return {};
    std::vector<std::uint16_t> order = codes;
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(i));
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(j), code);
    std::map<std::uint16_t, std::uint16_t> map;
    for (std::size_t k = 0; k < order.size(); ++k)
      if (order[k] != codes[k]) map[order[k]] = codes[k];
    if (relabel(tf, emb, map, f) != store::Ok) return failed(f.e, "Не удалось переместить кадр");
    now = codes[j];
    return {};
  });
}
}  // namespace

Outcome moveFrame(testfile::TestFile& tf, std::uint16_t code, Place where, std::uint16_t& now) {
  return moveTo(tf, code, now, [where](std::size_t i, const std::vector<std::uint16_t>& codes) -> std::optional<std::size_t> {
    switch (where) {
      case Place::Up: return i == 0 ? i : i - 1;
      case Place::Down: return i + 1 >= codes.size() ? i : i + 1;
      case Place::First: return 0;
      case Place::Last: return codes.size() - 1;
    }
    return i;
  });
}

Outcome moveFrameTo(testfile::TestFile& tf, std::uint16_t code, std::uint16_t target, std::uint16_t& now) {
  return moveTo(tf, code, now, [target](std::size_t, const std::vector<std::uint16_t>& codes) -> std::optional<std::size_t> {
    auto t = std::find(codes.begin(), codes.end(), target);
    if (t == codes.end()) return std::nullopt;
    return static_cast<std::size_t>(t - codes.begin());
  });
}

tables::VopBuf toBuffer(const tables::Vop& v) {
  tables::VopBuf b;
#define ORMIDA_SAME_FIELDS(X)                                                                                          \
  X(VOPROS) X(OLEBLOB) X(BLOBVOP) X(CODEVOP) X(CODETEMA) X(VARTEST) X(CODERAZ) X(TYPEEDIT) X(TYPEKADR) X(RAZDEL)       \
  X(VAROT11) X(VAROT12) X(VAROT13) X(VAROT14) X(VAROT15) X(VAROT16) X(VAROT17) X(VAROT18) X(VAROT19) X(HEIGTTEXTVOP) \
  X(HEIGTTEXTOT) X(KOLOT) X(VAROT2) X(YESIMAGE) X(TYPEETOT) X(HOWVVODDOP) X(CRDNX) X(CRDNY) X(TRUEOTSTR) X(TRUEOT)    \
  X(MARK) X(LEVEL) X(LASTOT) X(PORNUMOT) X(SINONIM) X(TIMEVOP) X(KOLPOP) X(ALGORITM) X(BALLVOP) X(OBJECTSAVE)        \
  X(OBJECTTYPE) X(OBJECTLINK) X(OBJECTDOC) X(OBJECTSHOW)
#define ORMIDA_COPY(f) b.f = v.f;
  ORMIDA_SAME_FIELDS(ORMIDA_COPY)
  return b;
}

tables::Vop fromBuffer(const tables::VopBuf& b) {
  tables::Vop v;
#define ORMIDA_COPY_BACK(f) v.f = b.f;
  ORMIDA_SAME_FIELDS(ORMIDA_COPY_BACK)
#undef ORMIDA_COPY_BACK
#undef ORMIDA_COPY
#undef ORMIDA_SAME_FIELDS
  return v;
}

namespace {

// VOPBUF for one transfer: made anew (a leftover of an earlier run emptied),
// and gone again however the transfer ends.
struct Buffer {
  tables::VopBuf rec;
  store::Table t{tables::vopBufDef(), rec};
  std::string path;
  bool made = false;
  int make(const Transfer& how) {
    path = how.buffer;
    if (path.empty()) {
      std::random_device r;
      path = (std::filesystem::temp_directory_path() / ("VOPBUF-" + std::to_string(r()))).string();
    }
    t.setName(path);
    if (!how.keyWord.empty()) t.setPassword(how.keyWord);
    int rc = t.create();
    made = rc == store::Ok;
    if (rc == store::Ok) rc = t.open(store::Exclusive);
    return rc;
  }
  ~Buffer() {
    if (!made) return;
    if (t.isOpen()) t.close();
    t.remove();
  }
};

}  // namespace

Outcome copyFrames(testfile::TestFile& from, const std::vector<std::uint16_t>& codes, testfile::TestFile& to, bool move,
                   std::vector<std::uint16_t>& newCodes, const Transfer& how) {
  newCodes.clear();
  const bool same = filepath::sameName(filepath::resolve(from.path()), filepath::resolve(to.path()));
  if (same && move) return refused("Задания нельзя переместить в тот же тест.");
  const std::string fromDir = linkBase(from), toDir = linkBase(to);
  const int total = static_cast<int>(codes.size()) * 2;
  int done = 0;
  auto advance = [&] {
    if (how.progress) how.progress(++done, total);
  };

  // What goes with each frame besides its record: its help and its stored
  // object, in the order of the buffer.
  struct Extras {
    std::uint16_t source = 0;
    store::Position at = 0;
    std::optional<tables::Training> help;
    std::optional<tables::Emb> object;
  };
  std::vector<Extras> extras;
  // Reads the tagged frames into VOPBUF (made empty), numbered there 1..n in tag order.
  auto fillBuffer = [&](Buffer& buf, Companion& srcEmb) -> Outcome {
    extras.clear();
    for (std::uint16_t c : codes) {
      from.vop.CODEVOP = c;
      const int rc = from.vopT.get(from.vopT.key("KEYCODEVOP"));
      if (rc == store::NoRecord)
        return refused("Кадра " + std::to_string(c) + " уже нет в тесте (его удалили или перенумеровали на другой станции): "
                       "задания не перенесены. Обновите список и отметьте кадры снова.");
      if (rc != store::Ok) return failed(from.vopT.error(), "Не удалось прочитать кадр " + std::to_string(c));
      Extras e{c, from.vopT.position(), std::nullopt, std::nullopt};
      buf.rec = toBuffer(from.vop);
      buf.rec.CODEVOP = static_cast<std::uint16_t>(extras.size() + 1);
      if (buf.t.add() != store::Ok) return failed(buf.t.error(), "Не удалось записать кадр " + std::to_string(c) + " в буфер заданий");
      from.training.CODEVOP = c;
      const int hr = from.trainingT.get(from.trainingT.key("KEYCODEVOP"));
      if (hr == store::Ok) e.help = from.training;
      else if (hr != store::NoRecord) return failed(from.trainingT.error(), "Не удалось прочитать справку к кадру " + std::to_string(c));
      if (storedApart(from.vop)) {
        if (!srcEmb.open) return refused("Объект кадра " + std::to_string(c) + " не найден: нет файла " + companionOf(from) + ".");
        srcEmb.rec.CODEVOP = c;
        if (srcEmb.t.get(srcEmb.t.key("KEYCODEVOP")) != store::Ok)
          return failed(srcEmb.t.error(), "Не удалось прочитать объект кадра " + std::to_string(c));
        e.object = srcEmb.rec;
      }
      extras.push_back(std::move(e));
      advance();
    }
    return {};
  };

  // Whether the target needs a companion file: some frame keeps its object apart.
  bool objects = false;
  for (std::uint16_t c : codes) {
    from.vop.CODEVOP = c;
    if (from.vopT.get(from.vopT.key("KEYCODEVOP")) == store::Ok && storedApart(from.vop)) objects = true;
  }

  Buffer buf;
  if (buf.make(how) != store::Ok) return failed(buf.t.error(), "Не удалось создать буфер заданий VOPBUF");
  Companion toEmb, fromEmb;
  if (toEmb.attach(to, objects) != store::Ok) return failed(toEmb.t.error(), "Не удалось открыть файл объектов теста-приёмника");
  if (!same && fromEmb.attach(from, false) != store::Ok) return failed(fromEmb.t.error(), "Не удалось открыть файл объектов теста");
  // The target (and, for a move, the source) in one transaction with the
  // buffer; a copy only reads the source.
  std::vector<store::Table*> tables = tablesOf(to);
  if (toEmb.open) tables.push_back(&toEmb.t);
  if (move) {
    for (store::Table* t : tablesOf(from)) tables.push_back(t);
    if (fromEmb.open) tables.push_back(&fromEmb.t);
  }
  tables.push_back(&buf.t);
  // The same test copied into itself reads its objects through the target's handle.
  Companion& srcEmb = same ? toEmb : fromEmb;
  store::Transaction tx(tables);
  const std::string what = move ? "Не удалось переместить задания" : "Не удалось скопировать задания";
  if (tx.begin() != store::Ok) return failed(tx.error(), what);
  Failure f;
  std::vector<std::uint16_t> made;
  if (Outcome o = fillBuffer(buf, srcEmb); !o) return o;

  // The target's codes first run 1..N, the copies follow.
  if (compact(to, toEmb, f) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры теста-приёмника");
  std::int64_t n = to.vopT.records();
  if (n + static_cast<std::int64_t>(extras.size()) > kMostFrames)
    return refused("В тесте-приёмнике " + std::to_string(n) + " заданий: добавить ещё " + std::to_string(extras.size()) +
                   " нельзя, в тесте может быть не больше " + std::to_string(kMostFrames) + ".");
  if (to.temaT.set() != store::Ok || to.temaT.next() != store::Ok) return failed(to.temaT.error(), "Не удалось прочитать сценарий теста-приёмника");
  // From the buffer in its order, which is the tag order.
  if (buf.t.set(buf.t.key("KEYCODEVOP")) != store::Ok) return failed(buf.t.error(), "Не удалось прочитать буфер заданий");
  for (std::size_t i = 0; i < extras.size(); ++i) {
    if (buf.t.next() != store::Ok || buf.rec.CODEVOP != i + 1) return failed(buf.t.error(), "Не удалось прочитать буфер заданий");
    const Extras& e = extras[i];
    const auto code = static_cast<std::uint16_t>(++n);
    if (dropExtras(to, toEmb, code, f) != store::Ok) return failed(f.e, "Не удалось убрать оставшуюся справку");
    to.vop = fromBuffer(buf.rec);
    if (Outcome o = relink(to.vop, fromDir, toDir); !o) return o;
    to.vop.CODEVOP = code;
    to.vop.CODETEMA = to.tema.CODETEMA;
    if (e.object) {
      // The object's bytes go into the target's own companion file.
      const std::string part = objectPartName(to, code);
      if (cp1251::fromUtf8(part).size() > 64) return refused("Имя части файла объектов \"" + part + "\" длиннее 64 знаков: переименуйте тест-приёмник короче.");
      toEmb.rec.CODEVOP = code;
      const int rc = toEmb.t.get(toEmb.t.key("KEYCODEVOP"));  // a leftover part of that code is replaced
      toEmb.rec = *e.object;
      toEmb.rec.CODEVOP = code;
      if ((rc == store::Ok ? toEmb.t.put() : toEmb.t.add()) != store::Ok) return failed(toEmb.t.error(), "Не удалось записать объект кадра");
      to.vop.OBJECTDOC = cp1251::fromUtf8(part);
    }
    if (to.vopT.add() != store::Ok) return failed(to.vopT.error(), "Не удалось добавить кадр " + std::to_string(code));
    if (e.help) {
      to.training = *e.help;
      to.training.CODE = code;
      to.training.CODEVOP = code;
      if (to.trainingT.add() != store::Ok) return failed(to.trainingT.error(), "Не удалось добавить справку к кадру " + std::to_string(code));
    }
    made.push_back(code);
    advance();
  }
  if (move) {
    // Exactly the frames read into the buffer, by the positions they were read at.
    for (const Extras& e : extras) {
      if (from.vopT.getAt(e.at) != store::Ok || from.vopT.del() != store::Ok)
        return failed(from.vopT.error(), "Не удалось удалить перенесённый кадр " + std::to_string(e.source));
      if (dropExtras(from, fromEmb, e.source, f) != store::Ok) return failed(f.e, "Не удалось удалить справку или объект кадра");
    }
    if (compact(from, fromEmb, f) != store::Ok) return failed(f.e, "Не удалось перенумеровать кадры");
    if (recount(from, &f.e) != store::Ok) return failed(f.e, "Не удалось обновить статистику теста");
  }
  if (recount(to, &f.e) != store::Ok) return failed(f.e, "Не удалось обновить статистику теста-приёмника");
  if (tx.commit() != store::Ok) return failed(tx.error(), what);
  newCodes = std::move(made);
  return {};
}

}  // namespace constructor
