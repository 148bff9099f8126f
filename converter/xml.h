#pragma once
// A thin layer over libxml2 for the XML formats: a document parsed with
// its lines kept (a malformed file is named by line and reason), elements
// found by their local names whatever their namespace, and places named
// for messages.
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace converter::xml {

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Document = std::unique_ptr<xmlDoc, DocFree>;

// Parses XML; on failure nothing, and `error` gets "строка N: <reason>".
Document parse(std::string_view bytes, std::string& error);

std::string name(const xmlNode* n);  // the local name
std::vector<xmlNode*> elements(const xmlNode* parent, std::string_view name = {});
xmlNode* element(const xmlNode* parent, std::string_view name);
std::string content(const xmlNode* n);  // all the text inside
std::string attribute(const xmlNode* n, const char* name);
int line(const xmlNode* n);
// "<question> в строке 40": an element as a message names it.
std::string where(const xmlNode* n);
// The markup inside an element, as written (the HTML of a QTI item body).
std::string inner(const xmlNode* n);

}  // namespace converter::xml
