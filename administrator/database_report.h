#pragma once
// "Подробный отчет по Базе данных": what the report prints, read from the
// library and the bases' folders. The window turns it into pages.
#include <string>
#include <vector>

#include "contingent.h"
#include "installation.h"
#include "test_library.h"

namespace administrator {

// dd.mm.yyyy and hh:mm of the system's day numbers and clock times ("" for 0).
std::string dateText(std::int32_t day);
std::string timeText(std::int32_t time);

struct DatabaseReport {
  std::string date;           // "по состоянию на" this day
  std::string administrator;  // GLB:ADMINISTRATOR
  struct Block {
    std::int32_t code = 0;
    std::string name;     // PBD:NAMEBD, "Каталог библиотеки:"
    std::string folder;   // PBD:DIRBD, "Местонахождение:"
    std::string created;  // "Дата создания:"
    std::string note;     // PBD:PRIM
    std::vector<std::string> tests;  // the names of the base's tests
  };
  std::vector<Block> blocks;  // one per base, in code order
};

// The report of the main library on `today`, by `administrator` (UTF-8).
Outcome databaseReport(const setup::Installation& inst, std::int32_t today, const std::string& administrator,
                       DatabaseReport& out);

}  // namespace administrator
