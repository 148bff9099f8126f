#include "import.h"

#include "cp1251.h"
#include "filepath.h"
#include "frame_operations.h"
#include "gift.h"
#include "installation.h"
#include "moodle_xml.h"
#include "qti.h"
#include "sections.h"
#include "sources.h"
#include "test_file.h"
#include "text.h"

namespace converter {
namespace {

constructor::Outcome refused(std::string text) { return {constructor::Outcome::Refused, std::move(text)}; }

std::string extension(const std::string& path) {
  const std::string name = filepath::fileNameOf(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : lowerUtf8(name.substr(dot + 1));
}

// The local name of the first element of an XML text.
std::string rootName(std::string_view head) {
  std::size_t i = 0;
  while ((i = head.find('<', i)) != std::string_view::npos) {
    if (i + 1 < head.size() && (head[i + 1] == '?' || head[i + 1] == '!')) {
      ++i;
      continue;
    }
    std::size_t e = i + 1;
    while (e < head.size() && head[e] != ' ' && head[e] != '>' && head[e] != '/' && head[e] != '\n' && head[e] != '\r' && head[e] != '\t') ++e;
    std::string name(head.substr(i + 1, e - i - 1));
    if (const auto colon = name.find(':'); colon != std::string::npos) name = name.substr(colon + 1);
    return name;
  }
  return {};
}

}  // namespace

Format guessFormat(const std::string& path, std::string_view head) {
  const std::string ext = extension(path);
  if (ext == "zip" || filepath::fileNameOf(path) == "imsmanifest.xml") return Format::QtiPackage;
  if (ext == "gift" || ext == "txt") return Format::Gift;
  const std::string root = rootName(head);
  if (root == "quiz") return Format::MoodleXml;
  if (root == "assessmentItem") return Format::QtiItem;
  if (root == "manifest") return Format::QtiPackage;
  if (root.empty() && head.find('{') != std::string_view::npos) return Format::Gift;
  return Format::Unknown;
}

Bank readSource(const std::string& path, Format* format) {
  Bank bank;
  const std::string real = filepath::resolve(path);
  const auto bytes = readFile(real);
  if (!bytes || filepath::isDirectory(real)) {
    bank.errors.push_back("Файл " + path + " не найден или не читается.");
    return bank;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  const Format f = guessFormat(real, text.substr(0, 4096));
  if (format) *format = f;
  const Fetch beside = filesIn(filepath::directoryOf(real));
  switch (f) {
    case Format::Gift: return readGift(text, beside);
    case Format::MoodleXml: return readMoodleXml(text, beside);
    case Format::QtiItem: return readQtiItem(text, filepath::fileNameOf(real), beside);
    case Format::QtiPackage: return readQtiPackage(real);
    default:
      bank.errors.push_back("Формат файла " + path +
                            " не распознан: ожидается GIFT (.gift, .txt), Moodle XML (<quiz>), задание QTI 2.1 (<assessmentItem>) или пакет IMS (.zip).");
      return bank;
  }
}

tables::Tema newScenario() {
  tables::Tema t;
  testfile::primeTema(t, testfile::NewTest{});
  return t;
}

namespace {

constructor::NewTestRequest request(const ImportTarget& target) {
  constructor::NewTestRequest r;
  r.baseDir = target.baseDir;
  r.baseCode = target.baseCode;
  r.name = target.name;
  r.organisation = target.organisation;
  r.keyWord = target.keyWord;
  return r;
}

}  // namespace

constructor::Outcome checkTarget(const ImportTarget& target) {
  if (target.name.empty()) return refused("Не указано имя теста.");
  constructor::TestRegister reg(target.dataTestFile);
  return reg.checkNewName(request(target));
}

constructor::Outcome importPlan(const Plan& plan, const ImportTarget& target) {
  if (!plan.refusal.empty()) return refused(plan.refusal);
  if (target.name.empty()) return refused("Не указано имя теста.");
  constructor::TestRegister reg(target.dataTestFile);
  // Written apart and moved in with its register record at the end: a run
  // that fails or is killed leaves no test, and a name taken is never replaced.
  constructor::TestApart apart(reg, request(target));
  if (constructor::Outcome o = apart.begin(); !o) return o;
  auto undo = [&](constructor::Outcome o) {
    apart.discard();
    o.message += "|Тест «" + target.name + "» не создан.";
    return o;
  };
  {
    testfile::TestFile tf;
    tf.name(apart.dir(), target.name, target.keyWord);
    if (tf.open() != store::Ok) return undo({tf.error().code ? tf.error().code : store::StoreSpecific, "Не удалось открыть новый тест (" + tf.error().text() + ")."});
    // The frames' points and weights were set for the plan's scenario: the test takes its marking.
    tf.tema.TYPEOZENKA = plan.tema.TYPEOZENKA;
    tf.tema.BALLVOP = plan.tema.BALLVOP;
    tf.tema.BALLRANGE = plan.tema.BALLRANGE;
    tf.tema.DIFFBALL = plan.tema.DIFFBALL;
    if (tf.temaT.put() != store::Ok) {
      constructor::Outcome o{tf.temaT.error().code ? tf.temaT.error().code : store::StoreSpecific, "Не удалось записать сценарий нового теста (" + tf.temaT.error().text() + ")."};
      tf.close();
      return undo(o);
    }
    for (const auto& s : plan.sections)
      if (constructor::Outcome o = constructor::addSection(tf, s.number, s.name); !o) {
        tf.close();
        return undo(o);
      }
    const int total = plan.frames();
    std::uint16_t next = 0;
    for (const auto& f : plan.items) {
      if (!f.kind) continue;
      tables::Vop v = f.vop;
      v.CODEVOP = ++next;
      v.CODETEMA = apart.code();
      constructor::Outcome o = constructor::saveFrame(tf, v, f.hasHelp ? &f.help : nullptr);
      if (!o) {
        tf.close();
        o.message = "Кадр " + std::to_string(next) + " (" + f.where + "): " + o.message;
        return undo(o);
      }
      if (target.progress && !target.progress(next, total)) {
        tf.close();
        return undo({constructor::Outcome::Refused, "Импорт отменён."});
      }
    }
    tf.close();
  }
  std::uint16_t code = 0;
  if (constructor::Outcome o = apart.finish(code); !o) return undo(o);
  return {};
}

}  // namespace converter
