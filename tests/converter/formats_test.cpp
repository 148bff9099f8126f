// Reading the formats: every construct of the fixtures read into a bank,
// malformed files named by line or element, texts and numbers as written.
#include <gtest/gtest.h>
#include <chrono>
#include <zip.h>

#include "cp1251.h"
#include "gift.h"
#include "moodle_xml.h"
#include "qti.h"
#include "support.h"
#include "text.h"

using namespace converter;
using convtest::byName;
using convtest::fixture;
using convtest::readText;

namespace {

struct Expected {
  const char* name;
  QuestionType type;
  const char* category;
  const char* text;
};

void expectQuestions(const Bank& bank, const std::vector<Expected>& expected) {
  ASSERT_TRUE(bank.ok()) << bank.errors.front();
  for (const auto& e : expected) {
    const Question* q = byName(bank, e.name);
    ASSERT_NE(q, nullptr) << e.name;
    EXPECT_EQ(q->type, e.type) << e.name;
    EXPECT_EQ(q->category, e.category) << e.name;
    EXPECT_EQ(q->text, e.text) << e.name;
  }
}

}  // namespace

TEST(Texts, HtmlBecomesPlainTextWithItsLineBreaks) {
  struct Case {
    const char* html;
    const char* text;
  } cases[] = {
      {"<p>Первая строка</p><p>Вторая&nbsp;строка</p>", "Первая строка\nВторая строка"},
      {"a<br>b<br/>  c", "a\nb\nc"},
      {"<ul><li>один</li><li>два</li></ul>", "- один\n- два"},
      {"x<sup>2</sup> &lt; 5 &amp;&amp; y &#8212; z", "x^2 < 5 && y — z"},
      {"  много     пробелов\n\n\n подряд ", "много пробелов подряд"},
      {"<script>alert(1)</script>текст", "текст"},
  };
  for (const auto& c : cases) EXPECT_EQ(htmlToText(c.html), c.text) << c.html;
  // Markup nested deeper than the parser goes keeps its text.
  for (int depth : {300, 300000}) {
    std::string deep;
    for (int i = 0; i < depth; ++i) deep += "<b>";
    deep += "Сколько &lt; 2+2?";
    for (int i = 0; i < depth; ++i) deep += "</b>";
    EXPECT_EQ(htmlToText(deep), "Сколько < 2+2?") << depth;
  }
  std::vector<std::string> images;
  htmlToText("<p><img src=\"a.png\"> и <object type=\"image/gif\" data=\"b.gif\"></object></p>", &images);
  EXPECT_EQ(images, (std::vector<std::string>{"a.png", "b.gif"}));
  EXPECT_TRUE(looksLikeHtml("<p>текст</p>"));
  EXPECT_FALSE(looksLikeHtml("если a<b и c>d"));
}

TEST(Texts, DecimalsKeepTheirDigits) {
  struct Case {
    const char* value;
    const char* tolerance;
    const char* low;
    const char* high;
  } cases[] = {
      {"3.14", "0.005", "3.135", "3.145"}, {"9.8", "0.5", "9.3", "10.3"}, {"-2", "0,25", "-2.25", "-1.75"}, {"1e3", "1", "999", "1001"},
  };
  for (const auto& c : cases) {
    auto v = Decimal::parse(c.value), t = Decimal::parse(c.tolerance);
    ASSERT_TRUE(v && t) << c.value;
    EXPECT_EQ(v->minus(*t)->str(), c.low);
    EXPECT_EQ(v->plus(*t)->str(), c.high);
    // Back again as Moodle keeps it: the middle and half the width.
    auto lo = *Decimal::parse(c.low), hi = *Decimal::parse(c.high);
    EXPECT_EQ(lo.plus(hi)->half()->str(), v->str());
    EXPECT_EQ(hi.minus(lo)->half()->str(), t->str());
  }
  // Sums that need more digits than are kept give nothing, not a wrapped number.
  const auto big = Decimal::parse("99999999999999999"), tiny = Decimal::parse("0.00000000000000001");
  ASSERT_TRUE(big && tiny);
  EXPECT_FALSE(big->plus(*tiny));
  EXPECT_FALSE(big->minus(*tiny));
  EXPECT_FALSE(big->plus(*big));
  EXPECT_EQ(Decimal::parse("1.50")->plus(*Decimal::parse("0.5"))->str(), "2");
  EXPECT_FALSE(Decimal::parse("три"));
  EXPECT_FALSE(Decimal::parse("1.2.3"));
  EXPECT_EQ(base64Encode(base64Decode("0JrQsNC00YA=")), "0JrQsNC00YA=");
}

TEST(Gift, ReadsEveryConstructOfTheFixture) {
  const Bank bank = readGift(readText(fixture("constructs.gift")));
  expectQuestions(bank, {
                            {"Сложение", QuestionType::Choice, "$course$/top/Арифметика", "Сколько будет 2 + 2?"},
                            {"Простые", QuestionType::Choice, "$course$/top/Арифметика", "Какие из чисел простые?"},
                            {"Земля", QuestionType::TrueFalse, "$course$/top/Арифметика", "Земля вращается вокруг Солнца."},
                            {"Столицы", QuestionType::Matching, "$course$/top/Арифметика", "Сопоставьте страны и столицы."},
                            {"Гнездо", QuestionType::ShortAnswer, "$course$/top/Язык", "Как называется дом птицы?"},
                            {"Пи", QuestionType::Numerical, "$course$/top/Язык", "Число пи с точностью до сотых."},
                            {"Интервал", QuestionType::Numerical, "$course$/top/Язык", "Назовите число от 1 до 5."},
                            {"Запись", QuestionType::ShortAnswer, "$course$/top/Язык", "Что означает запись a=b: {x} ~ y #1?"},
                            {"Пропуск", QuestionType::Choice, "$course$/top/Язык", "Москва _____ — столица."},
                            {"Эссе", QuestionType::Skipped, "$course$/top/Язык", "Опишите своё лето."},
                            {"Рисунок", QuestionType::Choice, "$course$/top/Язык", "Какая фигура на рисунке?"},
                        });
  ASSERT_EQ(bank.questions.size(), 12u);  // with the description, which has no name
  EXPECT_EQ(bank.questions[10].type, QuestionType::Skipped);
  EXPECT_EQ(bank.questions[10].skipReason, "Описание без ответа.");

  const Question& add = *byName(bank, "Сложение");
  EXPECT_TRUE(add.single);
  ASSERT_EQ(add.answers.size(), 3u);
  EXPECT_EQ(add.answers[0].fraction, 100);
  EXPECT_EQ(add.answers[1].feedback, "Мало.");
  EXPECT_EQ(add.generalFeedback, "Сложите единицы.");

  const Question& primes = *byName(bank, "Простые");
  EXPECT_FALSE(primes.single);
  EXPECT_EQ(primes.answers[2].fraction, -100);
  EXPECT_EQ(primes.answers[2].feedback, "Четыре делится на два.");

  const Question& earth = *byName(bank, "Земля");
  EXPECT_TRUE(earth.truth);
  EXPECT_EQ(earth.feedbackWrong, "Подумайте ещё.");
  EXPECT_EQ(earth.feedbackRight, "Да, это так.");

  const Question& capitals = *byName(bank, "Столицы");
  ASSERT_EQ(capitals.pairs.size(), 3u);
  EXPECT_EQ(capitals.pairs[1].row, "Франция");
  EXPECT_EQ(capitals.pairs[1].answer, "Париж");

  const Question& pi = *byName(bank, "Пи");
  ASSERT_EQ(pi.numbers.size(), 1u);
  EXPECT_EQ(pi.numbers[0].low, "3.135");
  EXPECT_EQ(pi.numbers[0].high, "3.145");
  EXPECT_EQ(byName(bank, "Интервал")->numbers[0].high, "5");
  EXPECT_EQ(byName(bank, "Гнездо")->answers[1].text, "гнёздышко");
  EXPECT_EQ(byName(bank, "Эссе")->skipReason, "Эссе: ответ проверяет преподаватель.");
  EXPECT_EQ(imageType(byName(bank, "Рисунок")->picture), "png");
}

TEST(Gift, NumbersWeightsAndGapsInEveryForm) {
  struct Case {
    const char* block;
    std::vector<std::pair<std::string, std::string>> numbers;  // low, high
    std::vector<double> fractions;
  } cases[] = {
      {"{#2}", {{"2", ""}}, {100}},
      {"{#2:0.5}", {{"1.5", "2.5"}}, {100}},
      {"{#1..3#Верно}", {{"1", "3"}}, {100}},
      {"{#\n=2:0\n=%50%1.5:0.5\n}", {{"2", ""}, {"1", "2"}}, {100, 50}},
  };
  for (const auto& c : cases) {
    const std::string text = std::string("Сколько? ") + c.block + "\n";
    const Bank bank = readGift(text);
    ASSERT_TRUE(bank.ok()) << c.block << ": " << bank.errors.front();
    const Question& q = bank.questions.at(0);
    ASSERT_EQ(q.type, QuestionType::Numerical) << c.block;
    ASSERT_EQ(q.numbers.size(), c.numbers.size()) << c.block;
    for (std::size_t i = 0; i < c.numbers.size(); ++i) {
      EXPECT_EQ(q.numbers[i].low, c.numbers[i].first) << c.block;
      EXPECT_EQ(q.numbers[i].high, c.numbers[i].second) << c.block;
      EXPECT_EQ(q.numbers[i].fraction, c.fractions[i]) << c.block;
    }
  }
  // A short answer with a partly right one; a gap in the middle of the sentence.
  const Bank bank = readGift("Столица {=%50%Питер =Москва} России.\n");
  ASSERT_TRUE(bank.ok());
  EXPECT_EQ(bank.questions[0].type, QuestionType::ShortAnswer);
  EXPECT_EQ(bank.questions[0].answers[0].fraction, 50);
  EXPECT_EQ(bank.questions[0].text, "Столица _____ России.");
}

TEST(Gift, FileInCodePage1251ReadsTheSame) {
  const std::string utf8 = "::Вопрос:: Столица России? {=Москва ~Казань}\n";
  const Bank fromUtf8 = readGift(utf8);
  const Bank from1251 = readGift(cp1251::fromUtf8(utf8));
  ASSERT_TRUE(from1251.ok());
  ASSERT_EQ(from1251.questions.size(), 1u);
  EXPECT_EQ(from1251.questions[0].text, fromUtf8.questions[0].text);
  EXPECT_EQ(from1251.questions[0].answers[0].text, "Москва");
}

TEST(Gift, PictureBesideTheFileIsTakenAndNoOtherPath) {
  convtest::Base base;
  const auto png = base64Decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
  ASSERT_TRUE(writeFile(base.path + "круг.png", std::string(png.begin(), png.end())));
  const Bank bank = readGift("[html]<img src=\"круг.png\">Что это? {=круг ~квадрат}\n\n[html]<img src=\"../etc/passwd\">Опасно? {T}\n",
                             filesIn(base.path));
  ASSERT_TRUE(bank.ok());
  EXPECT_EQ(bank.questions[0].picture, png);
  EXPECT_TRUE(bank.questions[1].picture.empty());
  ASSERT_FALSE(bank.questions[1].notes.empty());
  EXPECT_NE(bank.questions[1].notes[0].find(".."), std::string::npos) << bank.questions[1].notes[0];
}

TEST(Gift, MalformedFilesAreNamedByLineAndReason) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"::Один:: Вопрос {=да ~нет}\n\n::Два:: Вопрос {=да ~нет\n~может быть\n", "строка 3: блок ответов, открытый «{», не закрыт «}»."},
      {"Вопрос {\n=да\n~%много%нет\n}\n", "строка 3: вес ответа должен быть числом процентов"},
      {"Сопоставьте {\n=а -> 1\n=б\n}\n", "строка 3: в вопросе на соответствие каждый ответ пишется как «=элемент -> пара»."},
      {"\n\n::Без конца Вопрос {T}\n", "строка 3: название вопроса, начатое «::», не закрыто «::»."},
      {"Число? {#пять}\n", "строка 1: число ответа пишется как"},
      {"Вопрос {да ~нет}\n", "строка 1: ответ должен начинаться с «=» (верный) или «~» (неверный)"},
  };
  for (const auto& c : cases) {
    const Bank bank = readGift(c.text);
    ASSERT_FALSE(bank.ok()) << c.text;
    EXPECT_EQ(bank.errors.front().rfind(c.error, 0), 0u) << bank.errors.front();
    EXPECT_TRUE(bank.questions.empty()) << "nothing of a malformed file is taken";
  }
}

TEST(MoodleXml, ReadsEveryTypeOfTheFixture) {
  const Bank bank = readMoodleXml(readText(fixture("constructs.xml")));
  expectQuestions(bank, {
                            {"Скорость света", QuestionType::Choice, "$course$/top/Физика", "Чему равна скорость света в вакууме?"},
                            {"Векторы", QuestionType::Choice, "$course$/top/Физика", "Какие величины векторные?"},
                            {"Вакуум", QuestionType::TrueFalse, "$course$/top/Физика", "Звук распространяется в вакууме."},
                            {"Единицы", QuestionType::Matching, "$course$/top/Физика", "Сопоставьте величины и единицы."},
                            {"Планеты", QuestionType::Ordering, "$course$/top/Физика", "Расположите планеты по удалению от Солнца."},
                            {"Вода", QuestionType::ShortAnswer, "$course$/top/Химия", "Формула воды?"},
                            {"Газ", QuestionType::ShortAnswer, "$course$/top/Химия", "Каким газом мы дышим?"},
                            {"Ускорение", QuestionType::Numerical, "$course$/top/Химия",
                             "Ускорение свободного падения в метрах на секунду в квадрате?"},
                            {"Опыт", QuestionType::Skipped, "$course$/top/Химия", "Опишите опыт."},
                            {"Вступление", QuestionType::Skipped, "$course$/top/Химия", "Дальше вопросы по химии."},
                            {"Пропуски", QuestionType::Skipped, "$course$/top/Химия", "Вода кипит при {1:NUMERICAL:=100} градусах."},
                            {"Формула", QuestionType::Skipped, "$course$/top/Химия", "Сколько будет {a} + {b}?"},
                        });
  const Question& light = *byName(bank, "Скорость света");
  EXPECT_EQ(imageType(light.picture), "png") << "the embedded file named by @@PLUGINFILE@@ with an escaped blank";
  EXPECT_EQ(light.generalFeedback, "Около 300 000 км/с.");
  EXPECT_EQ(light.answers[1].feedback, "Вдвое меньше.");
  EXPECT_FALSE(byName(bank, "Векторы")->single);
  EXPECT_FALSE(byName(bank, "Вакуум")->truth);
  EXPECT_EQ(byName(bank, "Вакуум")->feedbackRight, "Правильно.");
  EXPECT_EQ(byName(bank, "Единицы")->pairs.size(), 4u);
  EXPECT_TRUE(byName(bank, "Вода")->caseMatters);
  EXPECT_EQ(byName(bank, "Ускорение")->numbers[0].low, "9.3");
  EXPECT_EQ(byName(bank, "Ускорение")->numbers[0].high, "10.3");
  EXPECT_EQ(byName(bank, "Пропуски")->skipReason, "Вопрос с вложенными ответами (Cloze).");
  EXPECT_EQ(byName(bank, "Формула")->skipReason, "Вычисляемый вопрос: его числа меняются от попытки к попытке.");
}

TEST(MoodleXml, MalformedFilesAreNamedByElementAndLine) {
  struct Case {
    const char* xml;
    const char* error;
  } cases[] = {
      {"<quiz>\n<question type=\"truefalse\">\n<name><text>a</text></nam>\n</question></quiz>", "строка 3: ошибка XML: "},
      {"<quiz>\n<question type=\"truefalse\">\n<name><text>a</text></name>\n</question></quiz>",
       "<question> в строке 2: нет текста вопроса <questiontext>."},
      {"<quiz><question type=\"multichoice\"><questiontext><text>Q</text></questiontext>\n\n<answer fraction=\"сто\"><text>a</text></answer>"
       "</question></quiz>",
       "<answer> в строке 3: доля оценки fraction=\"сто\" не число."},
      {"<quiz>\n<question type=\"numerical\"><questiontext><text>Q</text></questiontext>\n<answer fraction=\"100\"><text>девять</text></answer>"
       "</question></quiz>",
       "<answer> в строке 3: ответ «девять» не число."},
      {"<quiz><question type=\"shortanswer\"><questiontext><text>Q</text>\n<file name=\"a.png\">@@@</file></questiontext></question></quiz>",
       "<file> в строке 2: содержимое файла «a.png» не в кодировке base64."},
      {"<questions/>", "<questions> в строке 1: файл Moodle XML начинается элементом <quiz>."},
  };
  for (const auto& c : cases) {
    const Bank bank = readMoodleXml(c.xml);
    ASSERT_FALSE(bank.ok()) << c.xml;
    EXPECT_EQ(bank.errors.front().rfind(c.error, 0), 0u) << bank.errors.front();
    EXPECT_TRUE(bank.questions.empty());
  }
}

namespace {

// A zip file made here, so that the package the test reads is the one it shows.
void makeZip(const std::string& path, const std::map<std::string, std::string>& files) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(z, nullptr);
  for (const auto& [name, text] : files) {
    zip_source_t* s = zip_source_buffer(z, text.data(), text.size(), 0);
    ASSERT_GE(zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(z), 0);
}

std::string item(const std::string& title, const std::string& declaration, const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<assessmentItem xmlns=\"http://www.imsglobal.org/xsd/imsqti_v2p1\" identifier=\"i\" "
         "title=\"" + title + "\">\n" + declaration + "\n<itemBody>\n" + body + "\n</itemBody>\n</assessmentItem>\n";
}

std::string manifest(const std::vector<std::string>& hrefs) {
  std::string s = "<?xml version=\"1.0\"?>\n<manifest xmlns=\"http://www.imsglobal.org/xsd/imscp_v1p1\" identifier=\"m\">\n<organizations/>\n<resources>\n";
  int n = 0;
  for (const auto& h : hrefs) s += "<resource identifier=\"r" + std::to_string(++n) + "\" type=\"imsqti_item_xmlv2p1\" href=\"" + h + "\"/>\n";
  s += "<resource identifier=\"css\" type=\"webcontent\" href=\"style.css\"/>\n</resources>\n</manifest>\n";
  return s;
}

}  // namespace

TEST(Qti, SingleItemWithFeedback) {
  const Bank bank = readQtiItem(readText(fixture("choice_item.xml")), "choice_item.xml");
  ASSERT_TRUE(bank.ok()) << bank.errors.front();
  ASSERT_EQ(bank.questions.size(), 1u);
  const Question& q = bank.questions[0];
  EXPECT_EQ(q.name, "Столица Франции");
  EXPECT_EQ(q.type, QuestionType::Choice);
  EXPECT_TRUE(q.single);
  EXPECT_EQ(q.text, "Какой город — столица Франции?\nВыберите один ответ.");
  ASSERT_EQ(q.answers.size(), 3u);
  EXPECT_EQ(q.answers[0].text, "Лион");
  EXPECT_EQ(q.answers[0].feedback, "Это другой город.");
  EXPECT_EQ(q.answers[1].fraction, 100);
  EXPECT_EQ(q.generalFeedback, "Париж стоит на Сене.");
}

TEST(Qti, ContentPackageReadsItsItemsAndImages) {
  convtest::Base base;
  const std::string png64 = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==";
  const auto png = base64Decode(png64);
  std::map<std::string, std::string> files;
  files["imsmanifest.xml"] = manifest({"items/multi.xml", "items/order.xml", "items/match.xml", "items/number.xml", "items/word.xml",
                                       "items/essay.xml", "items/two.xml"});
  files["images/tri.png"] = std::string(png.begin(), png.end());
  files["items/multi.xml"] = item(
      "Чётные",
      "<responseDeclaration identifier=\"R\" cardinality=\"multiple\" baseType=\"identifier\"><correctResponse><value>a</value><value>c</value>"
      "</correctResponse></responseDeclaration>",
      "<p>Какие числа чётные?</p><p><img src=\"../images/tri.png\" alt=\"\"/></p><choiceInteraction responseIdentifier=\"R\" maxChoices=\"0\">"
      "<simpleChoice identifier=\"a\">2</simpleChoice><simpleChoice identifier=\"b\">3</simpleChoice><simpleChoice identifier=\"c\">4</simpleChoice>"
      "</choiceInteraction>");
  files["items/order.xml"] = item(
      "Порядок",
      "<responseDeclaration identifier=\"R\" cardinality=\"ordered\" baseType=\"identifier\"><correctResponse><value>y</value><value>x</value>"
      "<value>z</value></correctResponse></responseDeclaration>",
      "<orderInteraction responseIdentifier=\"R\"><prompt>По возрастанию:</prompt><simpleChoice identifier=\"x\">два</simpleChoice>"
      "<simpleChoice identifier=\"y\">один</simpleChoice><simpleChoice identifier=\"z\">три</simpleChoice></orderInteraction>");
  files["items/match.xml"] = item(
      "Пары",
      "<responseDeclaration identifier=\"R\" cardinality=\"multiple\" baseType=\"directedPair\"><correctResponse><value>p T</value>"
      "<value>q U</value></correctResponse></responseDeclaration>",
      "<matchInteraction responseIdentifier=\"R\"><prompt>Сопоставьте.</prompt><simpleMatchSet><simpleAssociableChoice identifier=\"p\" "
      "matchMax=\"1\">кот</simpleAssociableChoice><simpleAssociableChoice identifier=\"q\" matchMax=\"1\">пёс</simpleAssociableChoice>"
      "</simpleMatchSet><simpleMatchSet><simpleAssociableChoice identifier=\"T\" matchMax=\"1\">мяу</simpleAssociableChoice>"
      "<simpleAssociableChoice identifier=\"U\" matchMax=\"1\">гав</simpleAssociableChoice><simpleAssociableChoice identifier=\"V\" "
      "matchMax=\"1\">му</simpleAssociableChoice></simpleMatchSet></matchInteraction>");
  files["items/number.xml"] = item(
      "Число", "<responseDeclaration identifier=\"R\" cardinality=\"single\" baseType=\"float\"><correctResponse><value>2.5</value>"
               "</correctResponse></responseDeclaration>",
      "<p>Половина от пяти: <textEntryInteraction responseIdentifier=\"R\"/></p>");
  files["items/word.xml"] = item(
      "Слово",
      "<responseDeclaration identifier=\"R\" cardinality=\"single\" baseType=\"string\"><correctResponse><value>Волга</value></correctResponse>"
      "<mapping defaultValue=\"0\"><mapEntry mapKey=\"Волга\" mappedValue=\"1\" caseSensitive=\"false\"/><mapEntry mapKey=\"р. Волга\" "
      "mappedValue=\"1\" caseSensitive=\"false\"/></mapping></responseDeclaration>",
      "<p>Самая длинная река Европы — <textEntryInteraction responseIdentifier=\"R\"/>.</p>");
  files["items/essay.xml"] = item("Сочинение", "<responseDeclaration identifier=\"R\" cardinality=\"single\" baseType=\"string\"/>",
                                  "<extendedTextInteraction responseIdentifier=\"R\"><prompt>Напишите.</prompt></extendedTextInteraction>");
  files["items/two.xml"] = item("Два", "<responseDeclaration identifier=\"R\" cardinality=\"single\" baseType=\"string\"/>",
                                "<p><textEntryInteraction responseIdentifier=\"R\"/> и <textEntryInteraction responseIdentifier=\"R\"/></p>");
  const std::string zipPath = base.path + "пакет.zip";
  makeZip(zipPath, files);

  const Bank bank = readQtiPackage(zipPath);
  ASSERT_TRUE(bank.ok()) << bank.errors.front();
  ASSERT_EQ(bank.questions.size(), 7u);
  const Question& multi = bank.questions[0];
  EXPECT_EQ(multi.type, QuestionType::Choice);
  EXPECT_FALSE(multi.single);
  EXPECT_EQ(multi.picture, png) << "the image one folder up from the item";
  EXPECT_EQ(multi.answers[0].fraction, 50);
  EXPECT_EQ(multi.answers[1].fraction, 0);
  const Question& order = bank.questions[1];
  EXPECT_EQ(order.type, QuestionType::Ordering);
  EXPECT_EQ(order.text, "По возрастанию:");
  ASSERT_EQ(order.answers.size(), 3u);
  EXPECT_EQ(order.answers[0].text, "один");
  EXPECT_EQ(order.answers[1].text, "два");
  const Question& match = bank.questions[2];
  ASSERT_EQ(match.pairs.size(), 3u);
  EXPECT_EQ(match.pairs[1].row, "пёс");
  EXPECT_EQ(match.pairs[1].answer, "гав");
  EXPECT_TRUE(match.pairs[2].row.empty()) << "a target no row takes is offered all the same";
  EXPECT_EQ(bank.questions[3].type, QuestionType::Numerical);
  EXPECT_EQ(bank.questions[3].text, "Половина от пяти: _____");
  EXPECT_EQ(bank.questions[4].type, QuestionType::ShortAnswer);
  EXPECT_FALSE(bank.questions[4].caseMatters);
  EXPECT_EQ(bank.questions[4].answers.size(), 2u);
  EXPECT_EQ(bank.questions[5].skipReason, "Эссе: ответ проверяет преподаватель.");
  EXPECT_EQ(bank.questions[6].skipReason, "Составное задание: несколько взаимодействий в одном вопросе.");

  // The same package unpacked: the manifest with its files beside it.
  for (const auto& [name, text] : files) {
    std::filesystem::create_directories(std::filesystem::path(base.path + "unpacked/" + name).parent_path());
    ASSERT_TRUE(writeFile(base.path + "unpacked/" + name, text));
  }
  const Bank unpacked = readQtiPackage(base.path + "unpacked/imsmanifest.xml");
  ASSERT_TRUE(unpacked.ok());
  EXPECT_EQ(unpacked.questions.size(), bank.questions.size());
  EXPECT_EQ(unpacked.questions[0].picture, png);
}

TEST(Qti, MalformedItemsAndPackagesAreNamed) {
  const std::string undeclared = item("Ошибка", "", "<p>Вопрос</p>\n<choiceInteraction responseIdentifier=\"R\" maxChoices=\"1\">"
                                                    "<simpleChoice identifier=\"a\">1</simpleChoice></choiceInteraction>");
  Bank bank = readQtiItem(undeclared, "q.xml");
  ASSERT_FALSE(bank.ok());
  EXPECT_EQ(bank.errors.front(), "q.xml: <choiceInteraction> в строке 6: ответ «R» не объявлен в <responseDeclaration>.");

  bank = readQtiItem("<assessmentItem>\n<itemBody>\n<p>a</b>\n</itemBody></assessmentItem>", "bad.xml");
  ASSERT_FALSE(bank.ok());
  EXPECT_EQ(bank.errors.front().rfind("bad.xml: строка 3: ошибка XML", 0), 0u) << bank.errors.front();

  convtest::Base base;
  makeZip(base.path + "p.zip", {{"imsmanifest.xml", manifest({"items/none.xml"})}});
  bank = readQtiPackage(base.path + "p.zip");
  ASSERT_FALSE(bank.ok());
  EXPECT_EQ(bank.errors.front(), "imsmanifest.xml: <resource> в строке 5: в пакете нет файла «items/none.xml».");
  ASSERT_TRUE(writeFile(base.path + "not.zip", "это не архив"));
  EXPECT_FALSE(readQtiPackage(base.path + "not.zip").ok());
  EXPECT_FALSE(packagePath("items/q.xml", "../../x.png")) << "a name that leaves the package";
  EXPECT_EQ(packagePath("items/q.xml", "./img/a%20b.png"), "items/img/a b.png");
}

TEST(Xml, EntitiesThatExpandWithoutBoundAreRefusedQuickly) {
  // Nine levels of ten: a few hundred bytes that would grow to gigabytes.
  std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY e0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
  for (int i = 1; i <= 9; ++i) {
    doc += "<!ENTITY e" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) doc += "&e" + std::to_string(i - 1) + ";";
    doc += "\">";
  }
  doc += "]><quiz><question type=\"truefalse\"><name><text>a</text></name><questiontext><text>&e9;</text></questiontext>"
         "<answer fraction=\"100\"><text>true</text></answer><answer fraction=\"0\"><text>false</text></answer></question></quiz>";
  const auto start = std::chrono::steady_clock::now();
  const Bank bank = readMoodleXml(doc);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_FALSE(bank.ok());
  EXPECT_NE(bank.errors.front().find("ошибка XML"), std::string::npos) << bank.errors.front();
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(Qti, ArchiveStatingAHugeSizeIsRefusedNotTrusted) {
  convtest::Base base;
  const std::string path = base.path + "liar.zip";
  makeZip(path, {{"imsmanifest.xml", manifest({"q.xml"})}});
  // Forge the central directory's uncompressed size of the only entry.
  std::string bytes = readText(path);
  const auto at = bytes.find(std::string("PK\x01\x02", 4));
  ASSERT_NE(at, std::string::npos);
  for (int k = 0; k < 4; ++k) bytes[at + 24 + k] = k == 0 ? '\xF0' : '\xFF';
  ASSERT_TRUE(writeFile(path, bytes));
  const Bank bank = readQtiPackage(path);
  ASSERT_FALSE(bank.ok());
  EXPECT_NE(bank.errors.front().find("«imsmanifest.xml»: распакованные файлы архива больше"), std::string::npos) << bank.errors.front();
}
