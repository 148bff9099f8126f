#pragma once
// The examinee's registration: choosing a group and a name from the lists,
// or typing a name as a new user and adding it to the list; the password.
#include <cstdint>
#include <optional>
#include <string>

#include "store.h"
#include "tables_central.h"

namespace examiner {

// Everything here is CP1251, as the records hold it.
struct Registration {
  std::string fam, name, otche;  // 30 characters each
  std::string group;             // 30
  std::int32_t groupCode = 0;
  std::string password;          // typed, 10
  std::string numId;             // STU:NUMID of the chosen student
  std::int32_t code = 0;         // STU:CODEST; 0 for a name typed in
  std::string faculty;           // FAK:NAME of the group's faculty
  std::string course;            // KRS:NAME of the group's course
  std::string fullName() const;  // surname, name and patronymic, single blanks
};

// A refusal: the message (UTF-8, "|" breaks lines) and the field to select.
struct Refusal {
  std::string text;
  std::string caption = "Сообщение программы";
  std::string field;  // "FAM", "NAME", "OTCHE", "PASSWORD", "GROUP" or empty
};

// A group chosen from the list: its faculty is looked up; the student and
// the password are cleared.
void chooseGroup(Registration& r, const tables::Group& g, store::Table* faket, tables::Faket* fak);
void chooseStudent(Registration& r, const tables::Student& s);
// "Новый пользователь".
void newUser(Registration& r);
// "Добавить в справочник": checks the fields, refuses a name the first
// student of that surname already has, then adds the student with the next
// code (taking the following one if another workstation took it meanwhile).
std::optional<Refusal> addToDirectory(Registration& r, store::Table& students, tables::Student& rec);
// "Далее": a surname is needed; with `checkPassword` the typed password
// must be the student's.
std::optional<Refusal> proceed(const Registration& r, bool checkPassword);
// The window "Пароль": the old password must be the student's, the new one
// typed twice alike; then it replaces STU:NUMID.
std::optional<Refusal> changePassword(store::Table& students, tables::Student& rec, std::int32_t code,
                                      const std::string& oldPass, const std::string& newPass,
                                      const std::string& confirm);

}  // namespace examiner
