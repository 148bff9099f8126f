#pragma once
// Moodle XML (<quiz> of <question> elements): reading a file into a bank and
// writing questions out with their pictures embedded.
#include <string_view>
#include <vector>

#include "bank.h"
#include "gift.h"
#include "sources.h"

namespace converter {

// Reads a Moodle XML file. Pictures come from the <file> elements of the
// question text (or, named relatively, through `fetch`). A file that is not
// well-formed XML, or a question that lacks what its type needs, makes the
// whole file unreadable: each error names its element and line.
Bank readMoodleXml(std::string_view bytes, const Fetch& fetch = {});

// Writes the questions as Moodle XML (UTF-8), pictures inside the question
// texts as base64 files.
Written writeMoodleXml(const std::vector<Question>& questions);

}  // namespace converter
