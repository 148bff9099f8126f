#include "command_line.h"

#include "filepath.h"
#include "import.h"
#include "site.h"
#include "test_questions.h"

namespace converter {
namespace {

std::string absolute(const std::string& path, const std::string& workingDir) {
  if (path.empty() || path.front() == '/' || workingDir.empty()) return path;
  return workingDir.back() == '/' ? workingDir + path : workingDir + "/" + path;
}

// A constructor message's parts ("a|b") on lines of their own.
std::string lines(std::string s) {
  for (auto& c : s)
    if (c == '|') c = '\n';
  return s;
}

int toTest(const std::string& source, const std::string& baseName, const std::string& name, const std::string& workingDir, std::ostream& out,
           std::ostream& err) {
  Site site;
  std::string why;
  if (!openSite(workingDir, site, why)) {
    err << "ormida-convert: " << why << "\n";
    return Failed;
  }
  std::string error;
  const auto bases = testBases(site, &error);
  const auto base = findBase(bases, baseName);
  if (!base) {
    err << "ormida-convert: база тестов «" << baseName << "» не найдена в библиотеках." << (error.empty() ? "" : " " + error) << "\n";
    for (const auto& b : bases) err << "  " << b.code << "  " << b.name << "  " << b.dir << "\n";
    return Failed;
  }
  ImportTarget t;
  t.baseDir = base->dir;
  t.baseCode = base->code;
  t.name = name;
  t.keyWord = site.inst.keyWord;
  t.organisation = std::string(site.glb.ORG.view());
  t.dataTestFile = dataTestFile(site);
  // A name that cannot become a test stops the run before the source is read.
  if (constructor::Outcome o = checkTarget(t); !o) {
    err << "ormida-convert: «" << name << "»: " << lines(o.message) << "\n";
    return Failed;
  }
  Format format = Format::Unknown;
  const Bank bank = readSource(absolute(source, workingDir), &format);
  if (!bank.ok()) {
    for (const auto& e : bank.errors) err << "ormida-convert: " << source << ": " << e << "\n";
    return Failed;
  }
  const Plan plan = planFrames(bank, newScenario(), site.defaults);
  for (const auto& f : plan.items) {
    const std::string who = f.where + (f.name.empty() ? "" : " «" + f.name + "»");
    if (!f.kind) err << who << ": пропущен: " << f.skipped << "\n";
    for (const auto& n : f.notes) err << who << ": " << n << "\n";
  }
  for (const auto& n : plan.notes) err << n << "\n";
  if (constructor::Outcome o = importPlan(plan, t); !o) {
    err << "ormida-convert: " << lines(o.message) << "\n";
    return Failed;
  }
  out << "Тест «" << name << "» создан в базе «" << base->name << "» из файла " << formatName(format) << ": кадров " << plan.frames()
      << ", пропущено вопросов " << plan.items.size() - static_cast<std::size_t>(plan.frames()) << ".\n";
  return Success;
}

int fromTest(const std::string& test, const std::string& formatName, const std::string& outPath, bool force, const std::string& workingDir,
             std::ostream& out, std::ostream& err) {
  Format format = formatName == "gift" ? Format::Gift : formatName == "moodle-xml" ? Format::MoodleXml : Format::Unknown;
  if (format == Format::Unknown) {
    err << "ormida-convert: формат «" << formatName << "» неизвестен: gift или moodle-xml.\n";
    return Usage;
  }
  Site site;
  std::string why;
  if (!openSite(workingDir, site, why)) {
    err << "ormida-convert: " << why << "\n";
    return Failed;
  }
  // A bare name is looked for in the current test base as well.
  std::string path = absolute(test, workingDir);
  if (!filepath::exists(filepath::resolve(path)) && test.find('/') == std::string::npos && !site.inst.libraryDir.empty()) {
    std::string dir = site.inst.libraryDir;
    if (dir.back() != '/') dir += '/';
    path = dir + test;
  }
  Written written;
  if (constructor::Outcome o = exportTest(path, site.inst.keyWord, format, absolute(outPath, workingDir), written, force); !o) {
    if (!force && filepath::exists(filepath::resolve(absolute(outPath, workingDir))) &&
        exportTargetRefusal(path, absolute(outPath, workingDir)).empty())
      o.message += "\nЧтобы заменить его, добавьте --force.";
    err << "ormida-convert: " << lines(o.message) << "\n";
    return Failed;
  }
  for (const auto& n : written.notes) err << n << "\n";
  out << "Выгружено кадров: " << written.written << " в файл " << outPath << ".\n";
  return Success;
}

}  // namespace

const char* usageText() {
  return "Запуск в каталоге установки (где лежит Varnuke.ini):\n"
         "  ormida-convert                         окно конвертера\n"
         "  ormida-convert --to-test ФАЙЛ БАЗА ИМЯ  новый тест ИМЯ в базе тестов БАЗА (название, каталог или код)\n"
         "                                         из файла GIFT, Moodle XML, задания QTI 2.1 или пакета IMS (.zip)\n"
         "  ormida-convert --from-test ТЕСТ.orm --format gift|moodle-xml ФАЙЛ [--force]\n"
         "                                         тест в файл GIFT или Moodle XML; имеющийся ФАЙЛ\n"
         "                                         заменяется только с --force\n";
}

std::optional<int> runCommandLine(const std::vector<std::string>& args, const std::string& workingDir, std::ostream& out,
                                  std::ostream& err) {
  if (args.empty()) return std::nullopt;
  const std::string& form = args.front();
  if (form == "--help" || form == "-h") {
    out << usageText();
    return Success;
  }
  if (form == "--to-test" && args.size() == 4) return toTest(args[1], args[2], args[3], workingDir, out, err);
  if (form == "--from-test" && (args.size() == 5 || (args.size() == 6 && args[5] == "--force")) && args[2] == "--format")
    return fromTest(args[1], args[3], args[4], args.size() == 6, workingDir, out, err);
  if (form.rfind("-", 0) != 0) return std::nullopt;  // an argument the desktop adds, not a form
  err << "ormida-convert: неверные аргументы.\n" << usageText();
  return Usage;
}

}  // namespace converter
