// The command line in a demo installation: a bank into a test of a base of
// the library, a test out to a file, and every failure with its status and
// its message on standard error.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "command_line.h"
#include "demo_data.h"
#include "support.h"

using namespace converter;

namespace {

struct Outcome {
  std::optional<int> status;
  std::string out, err;
};

Outcome run(const std::vector<std::string>& args, const std::string& dir) {
  std::ostringstream out, err;
  Outcome r;
  r.status = runCommandLine(args, dir, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

struct Installation {
  testing_tables::TempDir tmp;
  demo::Installation inst;
  Installation() { EXPECT_EQ(demo::make(tmp.path(), inst), ""); }
};

}  // namespace

TEST(CommandLine, BankIntoATestAndTheTestOut) {
  Installation d;
  const std::string& dir = d.inst.directory;
  Outcome r = run({"--to-test", convtest::fixture("constructs.gift"), "Основная библиотека тестов", "Импорт GIFT"}, dir);
  ASSERT_EQ(r.status, Success) << r.err;
  EXPECT_NE(r.out.find("Тест «Импорт GIFT» создан в базе «Основная библиотека тестов» из файла GIFT: кадров 10, пропущено вопросов 2."),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("строка 39 «Эссе»: пропущен: Эссе: ответ проверяет преподаватель."), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::exists(d.inst.library + "Импорт GIFT.orm"));

  // The base by its code, the source relative to the working directory.
  std::filesystem::copy_file(convtest::fixture("constructs.xml"), dir + "банк.xml");
  r = run({"--to-test", "банк.xml", "1", "Импорт XML"}, dir);
  ASSERT_EQ(r.status, Success) << r.err;

  // Out again: a bare test name is found in the current base.
  r = run({"--from-test", "Импорт GIFT.orm", "--format", "moodle-xml", "выгрузка.xml"}, dir);
  ASSERT_EQ(r.status, Success) << r.err;
  EXPECT_EQ(r.out, "Выгружено кадров: 10 в файл выгрузка.xml.\n");
  const std::string xml = convtest::readText(dir + "выгрузка.xml");
  EXPECT_NE(xml.find("<quiz>"), std::string::npos);
  EXPECT_NE(xml.find("encoding=\"base64\""), std::string::npos) << "the picture goes inside";
  r = run({"--from-test", d.inst.library + "Импорт XML.orm", "--format", "gift", dir + "выгрузка.gift"}, dir);
  ASSERT_EQ(r.status, Success) << r.err;
  EXPECT_NE(r.err.find("в GIFT нет заданий на упорядочение"), std::string::npos) << r.err;
}

TEST(CommandLine, ExportNeverOverwritesTheInstallationAndReplacesOnlyWithForce) {
  Installation d;
  const std::string& dir = d.inst.directory;
  ASSERT_EQ(run({"--to-test", convtest::fixture("constructs.gift"), "1", "Выгружаемый"}, dir).status, Success);
  const std::string test = d.inst.library + "Выгружаемый.orm";
  const auto testSize = std::filesystem::file_size(test);
  std::ofstream(dir + "DataTest.TPS") << "база";
  struct Case {
    std::string out;
    std::string message;
  } cases[] = {
      {test, "и есть выгружаемый тест"},
      {d.inst.library + "Другой.orm", "с расширением .orm"},
      {dir + "DataTest.TPS", "с расширением .tps"},
      {dir + "Varnuke.ini", "с расширением .ini"},
      {dir + "x.emb", "с расширением .emb"},
      {dir + "итоги.rez", "с расширением .rez"},
      {dir + "..", "Не задано имя файла"},
  };
  for (const auto& c : cases) {
    const Outcome r = run({"--from-test", test, "--format", "gift", c.out, "--force"}, dir);
    EXPECT_EQ(r.status, Failed) << c.out;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.out << ": " << r.err;
  }
  EXPECT_EQ(std::filesystem::file_size(test), testSize);
  EXPECT_EQ(convtest::readText(dir + "DataTest.TPS"), "база");

  std::ofstream(dir + "старая.gift") << "прежнее";
  Outcome r = run({"--from-test", test, "--format", "gift", "старая.gift"}, dir);
  EXPECT_EQ(r.status, Failed);
  EXPECT_NE(r.err.find("добавьте --force"), std::string::npos) << r.err;
  EXPECT_EQ(convtest::readText(dir + "старая.gift"), "прежнее");
  r = run({"--from-test", test, "--format", "gift", "старая.gift", "--force"}, dir);
  ASSERT_EQ(r.status, Success) << r.err;
  EXPECT_NE(convtest::readText(dir + "старая.gift"), "прежнее");
}

TEST(CommandLine, FailuresHaveTheirStatusAndMessage) {
  Installation d;
  const std::string& dir = d.inst.directory;
  ASSERT_EQ(run({"--to-test", convtest::fixture("constructs.gift"), "1", "Дубль"}, dir).status, Success);
  std::ofstream(dir + "плохой.gift") << "Вопрос {=да ~нет\n";
  testing_tables::TempDir empty;
  struct Case {
    std::vector<std::string> args;
    std::string where;
    int status;
    std::string message;
  } cases[] = {
      {{"--to-test", convtest::fixture("constructs.gift"), "1", "Дубль"}, dir, Failed, "Тест с таким именем уже существует."},
      {{"--to-test", "плохой.gift", "1", "Плохой"}, dir, Failed, "плохой.gift: строка 1: блок ответов, открытый «{», не закрыт «}»."},
      // The name is judged before the source is read.
      {{"--to-test", "плохой.gift", "1", "дубль"}, dir, Failed, "«дубль»: Тест с таким именем уже существует."},
      {{"--to-test", "нет.gift", "1", "../Вне"}, dir, Failed, "«../Вне»: "},
      {{"--to-test", "нет.gift", "1", "Нет"}, dir, Failed, "не найден или не читается."},
      {{"--to-test", convtest::fixture("constructs.gift"), "Чужая база", "Х"}, dir, Failed, "база тестов «Чужая база» не найдена"},
      {{"--to-test", convtest::fixture("constructs.gift"), "1", "Х"}, empty.path(), Failed, "нет файла настроек Varnuke.ini"},
      {{"--from-test", "Нет.orm", "--format", "gift", "x.gift"}, dir, Failed, "не найден."},
      {{"--from-test", "Дубль.orm", "--format", "pdf", "x.pdf"}, dir, Usage, "формат «pdf» неизвестен"},
      {{"--to-test", "только-источник"}, dir, Usage, "неверные аргументы"},
  };
  for (const auto& c : cases) {
    const Outcome r = run(c.args, c.where);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_FALSE(std::filesystem::exists(d.inst.library + "Плохой.orm"));
  EXPECT_FALSE(run({}, dir).status) << "no form: the window opens";
  EXPECT_EQ(run({"--help"}, dir).status, Success);
}
