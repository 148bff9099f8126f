#pragma once
// GIFT, the plain-text question format: reading a file into a bank and
// writing questions out.
#include <string>
#include <string_view>
#include <vector>

#include "bank.h"
#include "sources.h"

namespace converter {

// Reads GIFT text (UTF-8; a text that is not UTF-8 is taken as code page
// 1251). Pictures named by [html] texts are fetched through `fetch`. A
// syntax error anywhere makes the whole file unreadable: every error is
// named with its line.
Bank readGift(std::string_view text, const Fetch& fetch = {});

// What a writer produced: the file's text, and what it left out or could
// not say, each note naming its question.
struct Written {
  std::string text;
  int written = 0;
  std::vector<std::string> notes;
};

// Writes the questions as GIFT. Ordering questions and pictures have no
// GIFT form and are left out (noted), as are answers that match no row.
Written writeGift(const std::vector<Question>& questions);

}  // namespace converter
