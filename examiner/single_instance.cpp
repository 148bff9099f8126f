#include "single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace examiner {

std::string SingleInstance::defaultPath() { return "/tmp/.ormida-varnuke.lock"; }

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

bool SingleInstance::tryTakeLock() {
  if (fd_ >= 0) return true;
  int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::fchmod(fd, 0666);  // any user of the machine takes the same lock
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

SingleInstance::Start SingleInstance::start(settings::IniFile& ini) {
  if (tryTakeLock()) return Start::First;
  if (ini.getInt("GlbTune", "RunTune", 0) == 0) return Start::Refused;
  ini.set("GlbTune", "RunTune", "0");  // one further start only
  return Start::Allowed;
}

}  // namespace examiner
