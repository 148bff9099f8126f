#pragma once
// Sign-in slips of a group, printed for the students to take to the
// Examiner: each names the student and the group and gives the
// identification number that is the student's password there. Ten slips
// on an A4 page, framed by cutting lines.
#include <QString>
#include <vector>

#include "contingent.h"
#include "report.h"

namespace administrator {

inline constexpr int kSlipsPerPage = 10;

// Slips of the students that have an identification number; the others
// are left out.
ui::Report signInSlips(const QString& groupName, const std::vector<StudentRow>& students);

}  // namespace administrator
