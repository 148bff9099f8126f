#include "record_format.h"

#include <QDate>
#include <climits>
#include <cstring>

#include "cp1251.h"
#include "datetime.h"
#include "pictures.h"

namespace ui {
namespace {

const char* at(const store::TableDef& def, const void* rec, int field, int element) {
  const auto& f = def.fields[static_cast<std::size_t>(field)];
  return static_cast<const char*>(rec) + f.offset + f.memSize * static_cast<std::size_t>(element);
}

}  // namespace

long long fieldNumber(const store::TableDef& def, const void* rec, int field, int element) {
  const auto& f = def.fields[static_cast<std::size_t>(field)];
  const char* p = at(def, rec, field, element);
  switch (f.type) {
    case store::FieldType::UInt8: return *reinterpret_cast<const std::uint8_t*>(p);
    case store::FieldType::Int16: return *reinterpret_cast<const std::int16_t*>(p);
    case store::FieldType::UInt16: return *reinterpret_cast<const std::uint16_t*>(p);
    case store::FieldType::Int32:
    case store::FieldType::Date: return *reinterpret_cast<const std::int32_t*>(p);
    case store::FieldType::Decimal: return *reinterpret_cast<const std::int64_t*>(p);
    default: return 0;
  }
}

void setFieldNumber(const store::TableDef& def, void* rec, int field, long long v, int element) {
  const auto& f = def.fields[static_cast<std::size_t>(field)];
  char* p = const_cast<char*>(at(def, rec, field, element));
  switch (f.type) {
    case store::FieldType::UInt8: *reinterpret_cast<std::uint8_t*>(p) = static_cast<std::uint8_t>(v); break;
    case store::FieldType::Int16: *reinterpret_cast<std::int16_t*>(p) = static_cast<std::int16_t>(v); break;
    case store::FieldType::UInt16: *reinterpret_cast<std::uint16_t*>(p) = static_cast<std::uint16_t>(v); break;
    case store::FieldType::Int32:
    case store::FieldType::Date: *reinterpret_cast<std::int32_t*>(p) = static_cast<std::int32_t>(v); break;
    case store::FieldType::Decimal: *reinterpret_cast<std::int64_t*>(p) = v; break;
    default: break;
  }
}

QString fieldText(const store::TableDef& def, const void* rec, int field, const Format& fmt, int element) {
  const auto& f = def.fields[static_cast<std::size_t>(field)];
  const char* p = at(def, rec, field, element);
  switch (f.type) {
    case store::FieldType::String:
      return QString::fromStdString(cp1251::toUtf8(cp1251::clip(std::string_view(p, static_cast<std::size_t>(f.width)))));
    case store::FieldType::Memo:
      return QString::fromStdString(cp1251::toUtf8(*reinterpret_cast<const std::string*>(p)));
    case store::FieldType::Blob:
      return QString::number(reinterpret_cast<const std::vector<std::uint8_t>*>(p)->size());
    default: break;
  }
  long long v = fieldNumber(def, rec, field, element);
  switch (fmt.kind) {
    case Format::Date: return QString::fromStdString(picture::shortDate(static_cast<std::int32_t>(v)));
    case Format::Time: return QString::fromStdString(picture::time(static_cast<std::int32_t>(v)));
    case Format::Fixed: {
      double d = static_cast<double>(v);
      if (f.type == store::FieldType::Decimal)
        for (int i = 0; i < f.places; ++i) d /= 10;
      return QString::fromStdString(picture::fixed(d, 0, fmt.places)).trimmed();
    }
    case Format::Integer:
      return QString::fromStdString(picture::integer(v, 0, fmt.grouping));
    case Format::Text:
      if (f.type == store::FieldType::Date) return QString::fromStdString(picture::shortDate(static_cast<std::int32_t>(v)));
      if (f.type == store::FieldType::Decimal) {
        double d = static_cast<double>(v);
        for (int i = 0; i < f.places; ++i) d /= 10;
        return QString::fromStdString(picture::fixed(d, 0, f.places)).trimmed();
      }
      return QString::number(v);
  }
  return {};
}

bool setFieldText(const store::TableDef& def, void* rec, int field, const QString& text, const Format& fmt, int element) {
  const auto& f = def.fields[static_cast<std::size_t>(field)];
  char* p = const_cast<char*>(at(def, rec, field, element));
  switch (f.type) {
    case store::FieldType::String: {
      std::string v = cp1251::fromUtf8(text.toStdString());
      std::size_t n = std::min(v.size(), static_cast<std::size_t>(f.width));
      std::memcpy(p, v.data(), n);
      std::memset(p + n, ' ', static_cast<std::size_t>(f.width) - n);
      return true;
    }
    case store::FieldType::Memo: {
      std::string v = cp1251::fromUtf8(text.toStdString());
      reinterpret_cast<std::string*>(p)->assign(v.substr(0, std::min(v.size(), f.memoMax)));
      return true;
    }
    case store::FieldType::Blob: return false;
    default: break;
  }
  QString t = text.trimmed();
  long long v = 0;
  if (fmt.kind == Format::Date || f.type == store::FieldType::Date) {
    if (t.isEmpty()) {
      v = 0;
    } else {
      QDate d = QDate::fromString(t, QStringLiteral("dd/MM/yy"));
      if (!d.isValid()) d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
      if (!d.isValid()) d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
      if (!d.isValid()) return false;
      if (d.year() < 1950 && t.size() <= 8) d = d.addYears(100);
      v = datetime::dayNumber(d.year(), d.month(), d.day());
    }
  } else if (fmt.kind == Format::Time) {
    if (t.isEmpty()) {
      v = 0;
    } else {
      QTime tm = QTime::fromString(t, QStringLiteral("HH:mm:ss"));
      if (!tm.isValid()) tm = QTime::fromString(t, QStringLiteral("HH:mm"));
      if (!tm.isValid()) return false;
      v = datetime::clockTime(tm.hour(), tm.minute(), tm.second());
    }
  } else if (f.type == store::FieldType::Decimal) {
    bool ok = false;
    double d = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok && !t.isEmpty()) return false;
    for (int i = 0; i < f.places; ++i) d *= 10;
    v = static_cast<long long>(d < 0 ? d - 0.5 : d + 0.5);
  } else {
    bool ok = true;
    v = t.isEmpty() ? 0 : QString(t).remove(QLatin1Char(' ')).toLongLong(&ok);
    if (!ok) return false;
  }
  long long lo = 0, hi = 0;
  switch (f.type) {
    case store::FieldType::UInt8: lo = 0, hi = 255; break;
    case store::FieldType::Int16: lo = -32768, hi = 32767; break;
    case store::FieldType::UInt16: lo = 0, hi = 65535; break;
    case store::FieldType::Int32:
    case store::FieldType::Date: lo = INT32_MIN, hi = INT32_MAX; break;
    default: lo = LLONG_MIN, hi = LLONG_MAX; break;
  }
  if (v < lo || v > hi) return false;
  setFieldNumber(def, rec, field, v, element);
  return true;
}

Qt::Alignment defaultAlignment(const store::TableDef& def, int field) {
  const auto& f = def.fields[static_cast<std::size_t>(field)];
  if (f.type == store::FieldType::String || f.type == store::FieldType::Memo) return Qt::AlignLeft | Qt::AlignVCenter;
  return Qt::AlignRight | Qt::AlignVCenter;
}

QString fromRecord(std::string_view cp) { return QString::fromStdString(cp1251::toUtf8(cp1251::clip(cp))); }
std::string toRecord(const QString& text) { return cp1251::fromUtf8(text.toStdString()); }
bool fitsRecord(const QString& text) { return cp1251::toUtf8(cp1251::fromUtf8(text.toStdString())) == text.toStdString(); }

}  // namespace ui
