#pragma once
// One Examiner per machine: a lock on a file at a fixed path, held while the
// program runs. The kernel drops it when the program ends, even by a crash,
// so a dead instance never blocks the next start.
#include <string>

#include "settings_file.h"

namespace examiner {

class SingleInstance {
 public:
  // The lock file's fixed path for the whole machine.
  static std::string defaultPath();
  explicit SingleInstance(std::string path = defaultPath()) : path_(std::move(path)) {}
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Start {
    First,    // this is the only instance
    Allowed,  // another one runs, but RunTune = 1 let this one start (RunTune is now 0)
    Refused,  // another one runs: "Программа Экзаменатор уже запущена"
  };
  // Tries the lock; when another instance holds it, the settings file's
  // GlbTune/RunTune decides.
  Start start(settings::IniFile& ini);
  // An allowed second start takes the lock once the first instance is gone.
  bool tryTakeLock();
  bool holdsLock() const { return fd_ >= 0; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace examiner
