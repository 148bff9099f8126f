#include "table_def.h"

#include <cstring>

#include "cp1251.h"

namespace store {

std::size_t FieldDef::recordSize() const {
  switch (type) {
    case FieldType::UInt8: return 1;
    case FieldType::Int16:
    case FieldType::UInt16: return 2;
    case FieldType::Int32:
    case FieldType::Date: return 4;
    case FieldType::Decimal: return static_cast<std::size_t>(width / 2 + 1);
    case FieldType::String: return static_cast<std::size_t>(width);
    case FieldType::Memo:
    case FieldType::Blob: return 0;
  }
  return 0;
}

namespace {
// "TEM:NAME" or "NAME" -> "NAME" when the prefix is the table's own.
std::string ownName(std::string_view name, const std::string& prefix) {
  auto colon = name.find(':');
  if (colon != std::string_view::npos) {
    if (cp1251::upper(name.substr(0, colon)) != cp1251::upper(prefix)) return {};
    name = name.substr(colon + 1);
  }
  return cp1251::upper(name);
}
}  // namespace

int TableDef::fieldIndex(std::string_view n) const {
  std::string own = ownName(n, prefix);
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (cp1251::upper(fields[i].name) == own) return static_cast<int>(i);
  return -1;
}

int TableDef::keyIndex(std::string_view n) const {
  std::string own = ownName(n, prefix);
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (cp1251::upper(keys[i].name) == own) return static_cast<int>(i);
  return -1;
}

std::string TableDef::keyLabel(int key) const {
  if (key < 0 || key >= static_cast<int>(keys.size())) return {};
  return prefix + ":" + keys[static_cast<std::size_t>(key)].name;
}

std::size_t TableDef::recordSize() const {
  std::size_t n = 0;
  for (const auto& f : fields) n += f.recordSize() * static_cast<std::size_t>(f.count);
  return n;
}

std::string TableDef::signature() const {
  static const char* kTypes[] = {"u8", "s16", "u16", "s32", "dec", "date", "str", "memo", "blob"};
  std::string s;
  for (const auto& f : fields) {
    s += cp1251::upper(f.name);
    s += ':';
    s += kTypes[static_cast<int>(f.type)];
    if (f.type == FieldType::String || f.type == FieldType::Decimal) s += "(" + std::to_string(f.width) + "," + std::to_string(f.places) + ")";
    if (f.type == FieldType::Memo) s += "(" + std::to_string(f.memoMax) + ")";
    if (f.array) s += "x" + std::to_string(f.count);
    s += ';';
  }
  s += '|';
  for (const auto& k : keys) {
    s += cp1251::upper(k.name) + ":" + cp1251::upper(fields[static_cast<std::size_t>(k.field)].name) + ":";
    s += k.unique ? 'U' : 'D';
    s += k.primary ? 'P' : '-';
    s += k.caseSensitive ? 'C' : 'I';
    s += k.descending ? 'd' : 'a';
    s += ';';
  }
  return s;
}

bool TableDef::sameValues(const void* a, const void* b) const {
  for (const auto& f : fields) {
    const char* p = static_cast<const char*>(a) + f.offset;
    const char* q = static_cast<const char*>(b) + f.offset;
    if (f.type == FieldType::Memo) {
      if (*reinterpret_cast<const std::string*>(p) != *reinterpret_cast<const std::string*>(q)) return false;
    } else if (f.type == FieldType::Blob) {
      if (*reinterpret_cast<const std::vector<std::uint8_t>*>(p) != *reinterpret_cast<const std::vector<std::uint8_t>*>(q)) return false;
    } else if (std::memcmp(p, q, f.memSize * static_cast<std::size_t>(f.count)) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace store
