#pragma once
// The protocol of a result laid out as a report: printed by the Examiner at
// the end of an attempt and by the Administrator from a journal.
#include "protocol.h"
#include "report.h"

namespace common {

// The heading "Ормида 2.0 <Экзаменатор>" with the date and time of
// printing, the two title lines, the labelled lines, the wrong answers
// (when shown) and the table of sections.
ui::Report protocolReport(const Protocol& p);

}  // namespace common
