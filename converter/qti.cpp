#include "qti.h"

#include <zip.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "filepath.h"
#include "text.h"
#include "xml.h"

namespace converter {
namespace {

using xml::attribute;
using xml::content;
using xml::element;
using xml::elements;

struct Response {
  std::string cardinality, baseType;
  std::vector<std::string> correct;
  std::map<std::string, double> mapped;  // mapKey -> mappedValue
  bool caseSensitive = true;             // QTI compares strings exactly unless told otherwise
};

bool endsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Every element below `n` whose local name ends in "Interaction".
void interactions(xmlNode* n, std::vector<xmlNode*>& out) {
  for (xmlNode* c : elements(n)) {
    if (endsWith(xml::name(c), "Interaction")) out.push_back(c);
    else interactions(c, out);
  }
}

// The text of an element's content as plain text, with the elements named
// in `drop` left out and `gap` (when given) replaced by a blank to fill.
std::string textOf(xmlNode* n, std::vector<std::string>* images, const std::set<std::string>& drop = {},
                   xmlNode* gap = nullptr, const char* gapText = " _____ ") {
  if (!n) return {};
  xmlNode* copy = xmlDocCopyNode(n, n->doc, 1);
  std::function<void(xmlNode*, xmlNode*)> prune = [&](xmlNode* original, xmlNode* copied) {
    xmlNode* o = original->children;
    xmlNode* c = copied->children;
    while (o && c) {
      xmlNode* nextO = o->next;
      xmlNode* nextC = c->next;
      if (o == gap) {
        xmlNode* blank = xmlNewDocText(n->doc, BAD_CAST gapText);
        xmlReplaceNode(c, blank);
        xmlFreeNode(c);
      } else if (c->type == XML_ELEMENT_NODE && drop.count(xml::name(c))) {
        xmlUnlinkNode(c);
        xmlFreeNode(c);
      } else if (c->type == XML_ELEMENT_NODE) {
        prune(o, c);
      }
      o = nextO;
      c = nextC;
    }
  };
  prune(n, copy);
  std::string out = htmlToText(xml::inner(copy), images);
  xmlFreeNode(copy);
  return out;
}

class ItemReader {
 public:
  ItemReader(Bank& bank, const std::string& where, const Fetch& fetch) : bank_(bank), where_(where), fetch_(fetch) {}

  void read(xmlNode* item) {
    if (xml::name(item) != "assessmentItem") return fail(item, "задание QTI начинается элементом <assessmentItem>.");
    for (xmlNode* d : elements(item, "responseDeclaration")) declare(d);
    Question q;
    q.where = where_;
    q.name = oneLine(attribute(item, "title"));
    xmlNode* body = element(item, "itemBody");
    if (!body) return fail(item, "нет тела задания <itemBody>.");
    std::vector<xmlNode*> found;
    interactions(body, found);
    std::vector<std::string> images;
    for (xmlNode* f : elements(item, "modalFeedback")) {
      const std::string t = textOf(f, nullptr);
      if (!t.empty()) q.generalFeedback += (q.generalFeedback.empty() ? "" : "\n") + t;
    }
    if (found.size() != 1) {
      q.text = textOf(body, &images);
      q.type = QuestionType::Skipped;
      q.skipReason = found.empty() ? "Описание без ответа." : "Составное задание: несколько взаимодействий в одном вопросе.";
      bank_.questions.push_back(q);
      return;
    }
    xmlNode* in = found.front();
    const std::string kind = xml::name(in);
    const bool inline_ = kind == "textEntryInteraction" || kind == "inlineChoiceInteraction";
    q.text = textOf(body, &images, {}, in, inline_ ? " _____ " : "");
    if (const std::string prompt = textOf(element(in, "prompt"), &images); !prompt.empty())
      q.text += (q.text.empty() ? "" : "\n") + prompt;
    const std::size_t errors = bank_.errors.size();
    if (kind == "choiceInteraction" || kind == "inlineChoiceInteraction") choice(in, q);
    else if (kind == "orderInteraction") order(in, q);
    else if (kind == "matchInteraction") match(in, q);
    else if (kind == "textEntryInteraction") textEntry(in, q);
    else {
      q.type = QuestionType::Skipped;
      q.skipReason = kind == "extendedTextInteraction" ? "Эссе: ответ проверяет преподаватель."
                                                       : "Взаимодействие <" + kind + "> не поддерживается.";
    }
    if (bank_.errors.size() != errors) return;
    if (q.type != QuestionType::Skipped) takePicture(q, images, fetch_);
    bank_.questions.push_back(q);
  }

  void fail(const xmlNode* n, const std::string& why) { bank_.errors.push_back(where_ + ": " + xml::where(n) + ": " + why); }

 private:
  void declare(xmlNode* d) {
    Response r;
    r.cardinality = attribute(d, "cardinality");
    r.baseType = attribute(d, "baseType");
    for (xmlNode* v : elements(element(d, "correctResponse"), "value")) r.correct.push_back(trim(content(v)));
    if (xmlNode* m = element(d, "mapping")) {
      for (xmlNode* e : elements(m, "mapEntry")) {
        const auto value = Decimal::parse(attribute(e, "mappedValue"));
        r.mapped[attribute(e, "mapKey")] = value ? value->value() : 0;
        if (attribute(e, "caseSensitive") == "false") r.caseSensitive = false;
      }
    }
    responses_[attribute(d, "identifier")] = r;
  }

  const Response* response(const xmlNode* in) {
    auto it = responses_.find(attribute(in, "responseIdentifier"));
    if (it == responses_.end()) {
      fail(in, "ответ «" + attribute(in, "responseIdentifier") + "» не объявлен в <responseDeclaration>.");
      return nullptr;
    }
    return &it->second;
  }

  // The identifiers the response takes as right: the correct response, or
  // the keys mapped to points.
  std::vector<std::string> rightKeys(const Response& r) {
    if (!r.correct.empty()) return r.correct;
    std::vector<std::string> keys;
    for (const auto& [k, v] : r.mapped)
      if (v > 0) keys.push_back(k);
    return keys;
  }

  void choice(xmlNode* in, Question& q) {
    const Response* r = response(in);
    if (!r) return;
    q.type = QuestionType::Choice;
    const std::string most = attribute(in, "maxChoices");
    q.single = xml::name(in) == "inlineChoiceInteraction" || most == "1" || (most.empty() && r->cardinality == "single");
    const auto right = rightKeys(*r);
    if (right.empty()) return fail(in, "не указан верный ответ (<correctResponse>).");
    const std::set<std::string> rightSet(right.begin(), right.end());
    double mappedSum = 0;
    for (const auto& k : right)
      if (r->mapped.count(k) && r->mapped.at(k) > 0) mappedSum += r->mapped.at(k);
    for (xmlNode* c : elements(in)) {
      const std::string n = xml::name(c);
      if (n != "simpleChoice" && n != "inlineChoice") continue;
      Answer a;
      const std::string id = attribute(c, "identifier");
      a.text = oneLine(textOf(c, nullptr, {"feedbackInline", "feedbackBlock"}));
      for (xmlNode* f : elements(c))
        if (xml::name(f) == "feedbackInline" || xml::name(f) == "feedbackBlock") a.feedback += textOf(f, nullptr);
      if (rightSet.count(id)) {
        a.fraction = q.single ? 100 : mappedSum > 0 && r->mapped.count(id) ? r->mapped.at(id) * 100 / mappedSum : 100.0 / static_cast<double>(right.size());
      } else if (r->mapped.count(id) && r->mapped.at(id) < 0 && mappedSum > 0) {
        a.fraction = r->mapped.at(id) * 100 / mappedSum;
      }
      q.answers.push_back(a);
    }
    if (q.answers.empty()) fail(in, "нет вариантов ответа <simpleChoice>.");
  }

  void order(xmlNode* in, Question& q) {
    const Response* r = response(in);
    if (!r) return;
    q.type = QuestionType::Ordering;
    std::map<std::string, Answer> items;
    for (xmlNode* c : elements(in, "simpleChoice")) items[attribute(c, "identifier")] = {oneLine(textOf(c, nullptr)), 0, {}};
    if (r->correct.empty()) return fail(in, "не указан верный порядок (<correctResponse>).");
    for (const auto& id : r->correct) {
      auto it = items.find(id);
      if (it == items.end()) return fail(in, "верный порядок называет неизвестный вариант «" + id + "».");
      q.answers.push_back(it->second);
      items.erase(it);
    }
    if (!items.empty()) q.notes.push_back("Варианты, не вошедшие в верный порядок, не переносятся.");
  }

  void match(xmlNode* in, Question& q) {
    const Response* r = response(in);
    if (!r) return;
    q.type = QuestionType::Matching;
    const auto sets = elements(in, "simpleMatchSet");
    if (sets.size() != 2) return fail(in, "ожидаются два множества <simpleMatchSet>.");
    std::vector<std::pair<std::string, std::string>> rows, targets;  // identifier, text
    for (xmlNode* c : elements(sets[0], "simpleAssociableChoice")) rows.emplace_back(attribute(c, "identifier"), oneLine(textOf(c, nullptr)));
    for (xmlNode* c : elements(sets[1], "simpleAssociableChoice")) targets.emplace_back(attribute(c, "identifier"), oneLine(textOf(c, nullptr)));
    auto textOfId = [](const auto& list, const std::string& id) -> const std::string* {
      for (const auto& [i, t] : list)
        if (i == id) return &t;
      return nullptr;
    };
    const auto right = rightKeys(*r);
    if (right.empty()) return fail(in, "не указаны верные пары (<correctResponse>).");
    std::set<std::string> usedRows, usedTargets;
    for (const std::string& pair : right) {
      const auto blank = pair.find(' ');
      const std::string from = blank == std::string::npos ? pair : pair.substr(0, blank);
      const std::string to = blank == std::string::npos ? std::string() : trim(pair.substr(blank + 1));
      const std::string* row = textOfId(rows, from);
      const std::string* target = textOfId(targets, to);
      if (!row || !target) return fail(in, "пара «" + pair + "» называет неизвестный элемент.");
      if (!usedRows.insert(from).second) {
        q.type = QuestionType::Skipped;
        q.skipReason = "Одному элементу соответствуют несколько пар.";
        return;
      }
      usedTargets.insert(to);
      q.pairs.push_back({*row, *target});
    }
    for (const auto& [id, text] : targets)
      if (!usedTargets.count(id)) q.pairs.push_back({{}, text});
    for (const auto& [id, text] : rows)
      if (!usedRows.count(id)) q.notes.push_back("Элемент «" + text + "» без пары не переносится.");
  }

  void textEntry(xmlNode* in, Question& q) {
    const Response* r = response(in);
    if (!r) return;
    const auto right = rightKeys(*r);
    if (right.empty()) return fail(in, "не указан верный ответ (<correctResponse>).");
    if (r->baseType == "float" || r->baseType == "integer") {
      q.type = QuestionType::Numerical;
      for (const auto& v : right) {
        auto d = Decimal::parse(v);
        if (!d) return fail(in, "верный ответ «" + v + "» не число.");
        NumberAnswer n;
        n.low = d->str();
        q.numbers.push_back(n);
      }
      return;
    }
    q.type = QuestionType::ShortAnswer;
    q.caseMatters = r->caseSensitive;
    for (const auto& v : right) {
      Answer a;
      a.text = v;
      a.fraction = 100;
      q.answers.push_back(a);
    }
    // Answers that earn part of the points.
    double best = 0;
    for (const auto& [k, v] : r->mapped) best = std::max(best, v);
    for (const auto& [k, v] : r->mapped)
      if (v > 0 && std::find(right.begin(), right.end(), k) == right.end()) q.answers.push_back({k, best > 0 ? v * 100 / best : 0, {}});
  }

  Bank& bank_;
  std::string where_;
  const Fetch& fetch_;
  std::map<std::string, Response> responses_;
};

class ZipFiles : public PackageFiles {
 public:
  // A question bank with its pictures is small; the caps keep a forged or
  // bomb archive from taking all memory.
  static constexpr std::uint64_t entryCap = 16u << 20;
  static constexpr std::uint64_t totalCap = 64u << 20;

  explicit ZipFiles(zip_t* z) : z_(z) {}
  ~ZipFiles() override { zip_discard(z_); }
  std::optional<std::vector<std::uint8_t>> read(const std::string& name) override {
    zip_stat_t st;
    if (zip_stat(z_, name.c_str(), ZIP_FL_ENC_GUESS, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return std::nullopt;
    if (st.size > entryCap || total_ + st.size > totalCap) return refuse(name);
    zip_file_t* f = zip_fopen(z_, name.c_str(), ZIP_FL_ENC_GUESS);
    if (!f) return std::nullopt;
    // The stated size is not trusted: read in chunks and stop at the cap.
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    zip_int64_t got = 0;
    while ((got = zip_fread(f, chunk, sizeof chunk)) > 0) {
      bytes.insert(bytes.end(), chunk, chunk + got);
      if (bytes.size() > entryCap || total_ + bytes.size() > totalCap) {
        zip_fclose(f);
        return refuse(name);
      }
    }
    zip_fclose(f);
    if (got < 0 || bytes.size() != st.size) return std::nullopt;
    total_ += bytes.size();
    return bytes;
  }
  std::string refusal() const override { return refusal_; }

 private:
  std::optional<std::vector<std::uint8_t>> refuse(const std::string& name) {
    if (refusal_.empty())
      refusal_ = "«" + name + "»: распакованные файлы архива больше " + std::to_string(entryCap >> 20) + " МБ каждый или " +
                 std::to_string(totalCap >> 20) + " МБ вместе; архив не читается.";
    return std::nullopt;
  }

  zip_t* z_;
  std::uint64_t total_ = 0;
  std::string refusal_;
};

class FolderFiles : public PackageFiles {
 public:
  explicit FolderFiles(std::string dir) : dir_(std::move(dir)) {}
  std::optional<std::vector<std::uint8_t>> read(const std::string& name) override {
    if (!safeRelativePath(name)) return std::nullopt;
    return readFile(joinRelative(dir_, name));
  }

 private:
  std::string dir_;
};

}  // namespace

std::optional<std::string> packagePath(const std::string& from, const std::string& relative) {
  const std::string rel = urlDecode(relative);
  if (rel.empty() || rel.front() == '/' || rel.find("://") != std::string::npos || rel.find('\\') != std::string::npos) return std::nullopt;
  std::vector<std::string> parts;
  const std::string dir = filepath::directoryOf(from);
  auto push = [&](const std::string& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const std::string part = path.substr(start, end - start);
      start = end + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (parts.empty()) return false;
        parts.pop_back();
        continue;
      }
      parts.push_back(part);
    }
    return true;
  };
  if (!push(dir) || !push(rel) || parts.empty()) return std::nullopt;
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

Bank readQtiItem(std::string_view bytes, const std::string& where, const Fetch& fetch) {
  Bank bank;
  std::string error;
  xml::Document doc = xml::parse(bytes, error);
  if (!doc) {
    bank.errors.push_back(where + ": " + error);
    return bank;
  }
  ItemReader(bank, where, fetch).read(xmlDocGetRootElement(doc.get()));
  if (!bank.ok()) bank.questions.clear();
  return bank;
}

Bank readQtiPackage(PackageFiles& files) {
  Bank bank;
  const auto manifestBytes = files.read("imsmanifest.xml");
  if (!manifestBytes && !files.refusal().empty()) {
    bank.errors.push_back(files.refusal());
    return bank;
  }
  if (!manifestBytes) {
    bank.errors.push_back("В пакете нет описания imsmanifest.xml.");
    return bank;
  }
  std::string error;
  xml::Document manifest = xml::parse(std::string_view(reinterpret_cast<const char*>(manifestBytes->data()), manifestBytes->size()), error);
  if (!manifest) {
    bank.errors.push_back("imsmanifest.xml: " + error);
    return bank;
  }
  xmlNode* root = xmlDocGetRootElement(manifest.get());
  xmlNode* resources = element(root, "resources");
  if (xml::name(root) != "manifest" || !resources) {
    bank.errors.push_back("imsmanifest.xml: " + xml::where(root) + ": ожидается <manifest> с разделом <resources>.");
    return bank;
  }
  int items = 0;
  for (xmlNode* res : elements(resources, "resource")) {
    if (attribute(res, "type").rfind("imsqti_item_xmlv2p", 0) != 0) continue;
    ++items;
    const std::string href = attribute(res, "href");
    const auto path = packagePath("", href);
    if (!path) {
      bank.errors.push_back("imsmanifest.xml: " + xml::where(res) + ": недопустимая ссылка на задание «" + href + "».");
      continue;
    }
    const auto bytes = files.read(*path);
    if (!bytes) {
      bank.errors.push_back("imsmanifest.xml: " + xml::where(res) + ": в пакете нет файла «" + *path + "».");
      continue;
    }
    const std::string item = *path;
    Fetch fetch = [&files, item](const std::string& src) -> std::optional<std::vector<std::uint8_t>> {
      const auto p = packagePath(item, src);
      if (!p) return std::nullopt;
      return files.read(*p);
    };
    Bank one = readQtiItem(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), item, fetch);
    bank.errors.insert(bank.errors.end(), one.errors.begin(), one.errors.end());
    for (auto& q : one.questions) bank.questions.push_back(std::move(q));
  }
  if (!files.refusal().empty()) bank.errors.insert(bank.errors.begin(), files.refusal());
  if (items == 0 && bank.errors.empty()) bank.errors.push_back("В пакете нет заданий QTI 2.1 (ресурсов imsqti_item_xmlv2p1).");
  if (!bank.ok()) bank.questions.clear();
  return bank;
}

Bank readQtiPackage(const std::string& path) {
  if (filepath::fileNameOf(path) == "imsmanifest.xml") {
    FolderFiles files(filepath::directoryOf(path));
    return readQtiPackage(files);
  }
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) {
    zip_error_t e;
    zip_error_init_with_code(&e, err);
    Bank bank;
    bank.errors.push_back(path + ": не открывается как архив zip (" + zip_error_strerror(&e) + ").");
    zip_error_fini(&e);
    return bank;
  }
  ZipFiles files(z);
  return readQtiPackage(files);
}

}  // namespace converter
