#include "xml.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include "text.h"

namespace converter::xml {

namespace {
// The first error of a parse: later ones follow from it.
struct FirstError {
  bool set = false;
  int line = 0;
  std::string message;
};
void keepFirst(void* data, xmlErrorPtr e) {
  auto* first = static_cast<FirstError*>(data);
  if (first->set || !e || e->level < XML_ERR_ERROR) return;
  first->set = true;
  first->line = e->line;
  first->message = e->message ? trim(e->message) : std::string();
}
}  // namespace

Document parse(std::string_view bytes, std::string& error) {
  std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt) {
    error = "не хватает памяти для разбора XML";
    return {};
  }
  FirstError first;
  xmlSetStructuredErrorFunc(&first, keepFirst);
  // No network, no entities from outside. libxml2's default limits stay on:
  // they refuse entities that expand without bound, at the cost of a
  // 10 MB limit on one text (a picture in base64).
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;
  Document d(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (!d || !ctxt->wellFormed) {
    if (!first.set) {
      const xmlError* e = xmlCtxtGetLastError(ctxt.get());
      first.line = e ? e->line : 0;
      first.message = e && e->message ? trim(e->message) : std::string("документ не прочитан");
    }
    error = "строка " + std::to_string(first.line) + ": ошибка XML: " + first.message;
    return {};
  }
  return d;
}

std::string name(const xmlNode* n) { return n && n->name ? reinterpret_cast<const char*>(n->name) : std::string(); }

std::vector<xmlNode*> elements(const xmlNode* parent, std::string_view wanted) {
  std::vector<xmlNode*> out;
  if (!parent) return out;
  for (xmlNode* c = parent->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && (wanted.empty() || name(c) == wanted)) out.push_back(c);
  return out;
}

xmlNode* element(const xmlNode* parent, std::string_view wanted) {
  if (!parent) return nullptr;
  for (xmlNode* c = parent->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && name(c) == wanted) return c;
  return nullptr;
}

std::string content(const xmlNode* n) {
  if (!n) return {};
  xmlChar* c = xmlNodeGetContent(n);
  std::string out = c ? reinterpret_cast<const char*>(c) : "";
  xmlFree(c);
  return out;
}

std::string attribute(const xmlNode* n, const char* attr) {
  if (!n) return {};
  xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(attr));
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

int line(const xmlNode* n) { return n ? static_cast<int>(xmlGetLineNo(n)) : 0; }

std::string where(const xmlNode* n) { return "<" + name(n) + "> в строке " + std::to_string(line(n)); }

std::string inner(const xmlNode* n) {
  std::string out;
  if (!n) return out;
  std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> buf(xmlBufferCreate(), xmlBufferFree);
  for (xmlNode* c = n->children; c; c = c->next) {
    xmlBufferEmpty(buf.get());
    xmlNodeDump(buf.get(), n->doc, c, 0, 0);
    out.append(reinterpret_cast<const char*>(xmlBufferContent(buf.get())), static_cast<std::size_t>(xmlBufferLength(buf.get())));
  }
  return out;
}

}  // namespace converter::xml
