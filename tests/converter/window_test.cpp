// The converter's window on a demo installation: the preview of every
// question with the frame it becomes or why it is skipped, "Импорт" making
// the test (and refusing a taken name), a malformed file told with its line,
// and a test written out with what the format could not hold.
#include <gtest/gtest.h>

#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "convert_window.h"
#include "demo_data.h"
#include "message_service.h"
#include "support.h"
#include "window_tools.h"

using namespace converter;

namespace {

auto& ms() { return ui::MessageService::instance(); }

struct Demo {
  testing_tables::TempDir tmp;
  demo::Installation inst;
  Site site;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    std::string why;
    EXPECT_TRUE(openSite(inst.directory, site, why)) << why;
    ms().script({});
    ms().clearShown();
  }
  std::string lastText() const { return ms().shown().empty() ? std::string() : ms().shown().back().text; }
};

QString cell(QTableWidget* t, int row, int column) { return t->item(row, column) ? t->item(row, column)->text() : QString(); }

}  // namespace

TEST(ConvertWindow, PreviewThenImportMakesTheTest) {
  Demo d;
  ConvertWindow w(d.site);
  ASSERT_EQ(w.bases()->count(), 1);
  EXPECT_EQ(w.bases()->currentText(), "Основная библиотека тестов");
  const int demoTests = w.tests()->count();
  EXPECT_EQ(demoTests, static_cast<int>(d.inst.tests.size()));
  EXPECT_FALSE(w.importButton()->isEnabled()) << "nothing to import before a preview";

  w.source()->setText(QString::fromStdString(convtest::fixture("constructs.gift")));
  w.showPreview();
  QTableWidget* t = w.preview();
  ASSERT_EQ(t->rowCount(), 12);
  EXPECT_EQ(cell(t, 0, 0), "1");
  EXPECT_EQ(cell(t, 0, 2), "Сложение: Сколько будет 2 + 2?");
  EXPECT_EQ(cell(t, 0, 3), "Выбор-1");
  EXPECT_EQ(cell(t, 0, 4), "Арифметика");
  EXPECT_EQ(cell(t, 3, 3), "Сопоставление");
  EXPECT_EQ(cell(t, 9, 0), "") << "a skipped question gets no frame number";
  EXPECT_EQ(cell(t, 9, 3), "пропущен");
  EXPECT_EQ(cell(t, 9, 5), "Эссе: ответ проверяет преподаватель.");
  EXPECT_TRUE(w.summary()->text().contains("Будет кадров: 10, пропущено вопросов: 2, разделов: 2.")) << w.summary()->text().toStdString();
  EXPECT_EQ(w.testName()->text(), "constructs") << "the file's name is offered";
  ASSERT_TRUE(w.importButton()->isEnabled());

  w.testName()->setText("Из окна");
  w.importButton()->click();
  EXPECT_EQ(d.lastText(), "Тест «Из окна» создан в базе «Основная библиотека тестов»: кадров 10.");
  EXPECT_TRUE(std::filesystem::exists(d.inst.library + "Из окна.orm"));
  EXPECT_EQ(w.tests()->count(), demoTests + 1);
  EXPECT_EQ(w.tests()->currentText(), "Из окна");
  EXPECT_FALSE(w.importButton()->isEnabled()) << "the preview was used";

  // The same name again is refused and the test stays as it was.
  w.showPreview();
  w.testName()->setText("из окна");
  EXPECT_FALSE(w.importPreview());
  EXPECT_EQ(d.lastText(), "Тест с таким именем уже существует.");
  EXPECT_EQ(w.tests()->count(), demoTests + 1);
}

TEST(ConvertWindow, TheOfferedNameFollowsTheFileAndACancelledImportLeavesNoTest) {
  Demo d;
  ConvertWindow w(d.site);
  const std::string other = d.inst.directory + "Вторая часть.gift";
  ASSERT_TRUE(writeFile(other, convtest::readText(convtest::fixture("constructs.gift"))));
  w.source()->setText(QString::fromStdString(convtest::fixture("constructs.gift")));
  w.showPreview();
  EXPECT_EQ(w.testName()->text(), "constructs");
  w.source()->setText(QString::fromStdString(other));
  w.showPreview();
  EXPECT_EQ(w.testName()->text(), "Вторая часть") << "an offered name follows the new file";
  w.testName()->setText("Своё имя");
  w.source()->setText(QString::fromStdString(convtest::fixture("constructs.gift")));
  w.showPreview();
  EXPECT_EQ(w.testName()->text(), "Своё имя") << "a typed name stays";

  // "О&тменить" (here Esc) in the progress window stops the import.
  QTimer::singleShot(0, [] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<ui::ProgressWindow*>(top); p && p->isVisible()) p->reject();
  });
  EXPECT_FALSE(w.importPreview());
  EXPECT_EQ(d.lastText(), "Импорт отменён.|Тест «Своё имя» не создан.");
  EXPECT_FALSE(std::filesystem::exists(d.inst.library + "Своё имя.orm"));
  EXPECT_EQ(w.tests()->findText("Своё имя"), -1);
}

TEST(ConvertWindow, MalformedFileIsToldWithItsLine) {
  Demo d;
  ConvertWindow w(d.site);
  const std::string bad = d.inst.directory + "плохой.xml";
  ASSERT_TRUE(writeFile(bad, "<quiz>\n<question type=\"multichoice\">\n</quiz>\n"));
  w.source()->setText(QString::fromStdString(bad));
  w.showPreview();
  EXPECT_EQ(w.preview()->rowCount(), 0);
  EXPECT_FALSE(w.importButton()->isEnabled());
  EXPECT_NE(d.lastText().find("(Moodle XML):|строка 3: ошибка XML"), std::string::npos) << d.lastText();
}

TEST(ConvertWindow, TestWrittenOutNamesWhatTheFormatCannotHold) {
  Demo d;
  ConvertWindow w(d.site);
  w.source()->setText(QString::fromStdString(convtest::fixture("constructs.xml")));
  w.showPreview();
  w.testName()->setText("Физика");
  ASSERT_TRUE(w.importPreview()) << d.lastText();
  w.format()->setCurrentIndex(w.format()->findText("GIFT"));
  const QString out = QString::fromStdString(d.inst.directory + "физика.gift");
  ASSERT_TRUE(w.exportTo(out)) << d.lastText();
  EXPECT_NE(d.lastText().find("Выгружено кадров: 7 в файл"), std::string::npos) << d.lastText();
  EXPECT_NE(d.lastText().find("Кадр 5: в GIFT нет заданий на упорядочение"), std::string::npos) << d.lastText();
  const Bank back = readSource(out.toStdString());
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.questions.size(), 7u);

  // Written again: replaced only when the user agrees; never into the test itself.
  std::ofstream(out.toStdString()) << "прежнее";
  ms().script({messages::No});
  EXPECT_FALSE(w.exportTo(out));
  EXPECT_NE(d.lastText().find("уже есть. Заменить"), std::string::npos) << d.lastText();
  EXPECT_EQ(convtest::readText(out.toStdString()), "прежнее");
  ms().script({messages::Yes});
  ASSERT_TRUE(w.exportTo(out)) << d.lastText();
  EXPECT_NE(convtest::readText(out.toStdString()), "прежнее");
  const QString self = QString::fromStdString(d.inst.library + "Физика.orm");
  ms().script({messages::Yes});
  EXPECT_FALSE(w.exportTo(self));
  EXPECT_NE(d.lastText().find("и есть выгружаемый тест"), std::string::npos) << d.lastText();
}
