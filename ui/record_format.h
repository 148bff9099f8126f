#pragma once
// Showing and editing the fields of a record buffer by its table definition:
// the display formats of list columns and entry fields.
#include <QString>
#include <Qt>
#include <string>
#include <string_view>

#include "table_def.h"

namespace ui {

struct Format {
  enum Kind { Text, Integer, Fixed, Date, Time } kind = Text;
  int digits = 0;        // Integer / Fixed: width in places (0: as needed)
  int places = 0;        // Fixed: decimals
  bool grouping = false; // Integer: thousands separated
  static Format text() { return {}; }
  static Format integer(int digits = 0, bool grouping = false) { return {Integer, digits, 0, grouping}; }
  static Format fixed(int digits, int places) { return {Fixed, digits, places, false}; }
  static Format date() { return {Date, 0, 0, false}; }
  static Format time() { return {Time, 0, 0, false}; }
};

// A field (element `element` of an array) as text, UTF-8 at the window boundary.
QString fieldText(const store::TableDef& def, const void* rec, int field, const Format& f = {}, int element = 0);
// The number a numeric field holds (decimals: scaled value).
long long fieldNumber(const store::TableDef& def, const void* rec, int field, int element = 0);
void setFieldNumber(const store::TableDef& def, void* rec, int field, long long value, int element = 0);
// Sets a field from typed text; false (and the buffer unchanged) when the
// text is not a value of the field (a number out of range, a bad date).
bool setFieldText(const store::TableDef& def, void* rec, int field, const QString& text, const Format& f = {},
                  int element = 0);
// Record text (CP1251, trailing blanks dropped) as a window shows it, and
// back; `fitsRecord` tells whether every character has a CP1251 form.
QString fromRecord(std::string_view cp1251);
std::string toRecord(const QString& text);
bool fitsRecord(const QString& text);

// The alignment a column of the field takes by default.
Qt::Alignment defaultAlignment(const store::TableDef& def, int field);

}  // namespace ui
