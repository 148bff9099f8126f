#include "frame_object.h"

#include <fstream>
#include <iterator>

#include "cp1251.h"
#include "filepath.h"
#include "installation.h"
#include "result_file.h"

namespace frameobject {
namespace {
// Marks a blob written with the document's name; nothing stored by the
// platform's object service begins so.
constexpr char kMagic[] = "ORMOBJ\x01";
constexpr std::size_t kMagicSize = sizeof(kMagic) - 1;

bool readFile(const std::string& path, std::vector<std::uint8_t>& out) {
  std::ifstream f(filepath::resolve(path), std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

std::string joined(const std::string& libraryDir, const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::string dir = libraryDir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + name;
}
}  // namespace

std::vector<std::uint8_t> packBlob(const std::string& nameUtf8, const std::vector<std::uint8_t>& bytes) {
  std::string name = cp1251::fromUtf8(nameUtf8);
  if (name.size() > 255) name.resize(255);
  std::vector<std::uint8_t> out(kMagic, kMagic + kMagicSize);
  out.push_back(static_cast<std::uint8_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

void unpackBlob(const std::vector<std::uint8_t>& blob, std::string& nameUtf8, std::vector<std::uint8_t>& bytes) {
  nameUtf8.clear();
  const bool packed = blob.size() > kMagicSize && std::equal(kMagic, kMagic + kMagicSize, blob.begin()) &&
                      blob.size() >= kMagicSize + 1 + blob[kMagicSize];
  if (!packed) {
    bytes = blob;
    return;
  }
  const std::size_t len = blob[kMagicSize];
  const auto nameAt = blob.begin() + static_cast<std::ptrdiff_t>(kMagicSize + 1);
  nameUtf8 = documentFileName(std::string(nameAt, nameAt + static_cast<std::ptrdiff_t>(len)), {});
  bytes.assign(nameAt + static_cast<std::ptrdiff_t>(len), blob.end());
}

Document read(const tables::Vop& v, const std::string& libraryDir) {
  Document d;
  const std::string doc = cp1251::toUtf8(cp1251::clip(v.OBJECTDOC.view()));
  if (v.OBJECTLINK == "L") {
    if (doc.empty() || !readFile(joined(libraryDir, doc), d.bytes)) {
      d.missing = doc.empty() ? std::string("связанный документ не указан") : "документ «" + doc + "» не найден";
      d.bytes.clear();
      return d;
    }
    d.name = documentFileName(v.OBJECTDOC.view(), {});
    return d;
  }
  if (v.OBJECTSAVE == "F" && !v.OLEBLOB.empty()) {
    // Chosen in the editor and not yet saved: it waits in the record's blob.
    unpackBlob(v.OLEBLOB.bytes, d.name, d.bytes);
    return d;
  }
  if (v.OBJECTSAVE == "F") {
    tables::Emb e;
    if (doc.empty() || results::readEmb(results::resolveEmbPart(std::string(v.OBJECTDOC.view()), libraryDir), e) != store::Ok) {
      d.missing = "часть «" + doc + "» файла объектов теста не найдена";
      return d;
    }
    d.bytes = e.DATA.bytes;
    d.name = documentFileName(e.FILENAME.view(), {});
    return d;
  }
  unpackBlob(v.OLEBLOB.bytes, d.name, d.bytes);
  if (d.bytes.empty() && !v.OBJECTTYPE.blank()) d.missing = "объект кадра пуст";
  return d;
}

std::string documentFileName(std::string_view stored, const std::string& fallback) {
  std::string name = cp1251::toUtf8(cp1251::clip(stored));
  auto cut = name.find_last_of("/\\");
  if (cut != std::string::npos) name = name.substr(cut + 1);
  while (!name.empty() && name.front() == ' ') name.erase(name.begin());
  if (name.empty() || name == "." || name == ".." || !setup::safeFileName(name)) return fallback;
  return name;
}

bool linkName(const std::string& fileUtf8, const std::string& libraryDir, std::string& out) {
  std::string dir = libraryDir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::string name = fileUtf8;
  if (!dir.empty() && name.size() > dir.size() && name.compare(0, dir.size(), dir) == 0) name = name.substr(dir.size());
  const std::string cp = cp1251::fromUtf8(name);
  if (cp.size() > 64 || cp1251::toUtf8(cp) != name) return false;
  out = cp;
  return true;
}

}  // namespace frameobject
