#pragma once
// This workstation's monitoring record in MonCons: added when the testing
// window opens, updated after every answer, deleted at the end and when the
// program closes. A record cleared by the Administrator meanwhile ("Сброс")
// is added again, with what it held, at the next update.
#include <cstdint>
#include <string>

#include "store.h"
#include "tables_central.h"

namespace examiner {

class Monitor {
 public:
  explicit Monitor(std::string monConsFile) : rec_(), t_(tables::monConsDef(), rec_, std::move(monConsFile)) {}
  ~Monitor();

  // Adds the record (code: count + 1, or the highest + 1 when that is
  // taken, in one transaction) with the workstation's name and flag 1.
  int add(const std::string& namePcCp1251);
  // Once the attempt is set up: examinee, start, test, frames; flag 2.
  int begin(const std::string& fioCp1251, std::int32_t timeBeg, const std::string& testCp1251, int frames);
  // After every answer.
  int answered(int answeredCount, int frameMaxPoints, long points, int frameCode, bool wrong);
  // At the end (and when the program closes): the record goes.
  int remove();

  bool active() const { return live_; }
  const tables::MonCons& record() const { return rec_; }

 private:
  int reread();
  int insert(const tables::MonCons& content);
  tables::MonCons rec_;
  store::Table t_;
  store::Position pos_ = 0;
  bool live_ = false;  // added and not yet removed by this station
};

}  // namespace examiner
