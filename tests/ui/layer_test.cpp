// The window layer's services: user events, window positions, filters,
// sibling programs, reports and the previewer's page choice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QWidget>

#include "page_choice.h"
#include "previewer.h"
#include "report.h"
#include "services.h"
#include "test_tables.h"
#include "user_events.h"
#include "window_memory.h"
#include "window_tools.h"

using testing_tables::TempDir;

namespace {

class Receiver : public QObject {
 public:
  std::vector<int> got;
  bool event(QEvent* e) override {
    if (e->type() == ui::UserEvent::type()) {
      got.push_back(static_cast<ui::UserEvent*>(e)->number());
      return true;
    }
    return QObject::event(e);
  }
};

TEST(UserEvents, DeliveredInOrderFrom1024Up) {
  Receiver r;
  EXPECT_FALSE(ui::post(&r, 1000));
  for (int n : {1089, 1026, 1027, 1024}) EXPECT_TRUE(ui::post(&r, n));
  QCoreApplication::processEvents();
  EXPECT_EQ(r.got, (std::vector<int>{1089, 1026, 1027, 1024}));
}

TEST(WindowMemory, PositionsRoundTripMaximizedIncluded) {
  TempDir dir;
  ui::setPositionFile(QString::fromStdString(dir / "VARNUKE.INI"));
  {
    QWidget w;
    w.setGeometry(40, 50, 420, 300);
    w.show();
    ui::saveWindow(&w, "BrowseOtdel");
  }
  {
    QWidget w;
    ASSERT_TRUE(ui::restoreWindow(&w, "BrowseOtdel"));
    EXPECT_EQ(w.geometry(), QRect(40, 50, 420, 300));
    EXPECT_FALSE(w.isMaximized());
    w.show();
    w.showMaximized();
    ui::saveWindow(&w, "BrowseOtdel");
  }
  {
    QWidget w;
    ASSERT_TRUE(ui::restoreWindow(&w, "BrowseOtdel"));
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.normalGeometry(), QRect(40, 50, 420, 300));  // the last normal place
  }
  QWidget fresh;
  EXPECT_FALSE(ui::restoreWindow(&fresh, "NeverSaved"));
}

TEST(Services, FiltersAndSiblingPrograms) {
  EXPECT_EQ(ui::convertFilter("Все файлы|*.*"), "Все файлы (*.*)");
  EXPECT_EQ(ui::convertFilter("Точечные рисунки|*.BMP|Файлы JPG|*.JPG;*.JPEG"),
            "Точечные рисунки (*.BMP);;Файлы JPG (*.JPG *.JPEG)");
  TempDir dir;
  QString d = QString::fromStdString(dir.path());
  EXPECT_EQ(ui::siblingProgram("stat.exe", d), d + "/stat");  // never looked up through PATH
  EXPECT_EQ(ui::siblingProgram("Varnuke.exe", d), d + "/varnuke");
  EXPECT_EQ(ui::siblingProgram("ORMIDA.EXE", d), d + "/ormida");
  EXPECT_TRUE(ui::siblingProgram("Convert.exe", d).isEmpty()) << "the converter is optional: absent, nothing";
  QFile converter(d + "/ormida-convert");
  ASSERT_TRUE(converter.open(QIODevice::WriteOnly));
  converter.close();
  EXPECT_EQ(ui::siblingProgram("Convert.exe", d), d + "/ormida-convert");
}

TEST(Reports, PageChoiceRule) {
  using ui::PageChoice;
  std::vector<std::uint8_t> marks{1, 0, 1, 0, 0};
  struct Case {
    PageChoice c;
    int count, current, from, to;
    std::vector<int> pages;
  } cases[] = {
      {PageChoice::Even, 3, 1, 1, 0, {2}},       {PageChoice::Odd, 3, 1, 1, 0, {1, 3}},
      {PageChoice::All, 3, 1, 1, 0, {1, 2, 3}},  {PageChoice::Current, 5, 4, 1, 0, {4}},
      {PageChoice::Marked, 5, 1, 1, 0, {1, 3}},  {PageChoice::Unmarked, 5, 1, 1, 0, {2, 4, 5}},
      {PageChoice::Range, 5, 1, 2, 4, {2, 3, 4}}, {PageChoice::Range, 5, 1, 4, 2, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ui::choosePages(c.count, c.c, c.current, marks, c.from, c.to), c.pages) << static_cast<int>(c.c);
}

ui::Report sampleReport(int lines) {
  ui::Report r("Протокол");
  QFont head = r.font(12, true);
  r.setPageHeader(30, [head](QPainter& p, const QRectF& rect, int, int) {
    p.setFont(head);
    p.drawText(rect, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Протокол тестирования"));
  });
  r.setPageNumbers();
  for (int i = 1; i <= lines; ++i)
    r.addRow({60, 300, 100}, {QString::number(i), QStringLiteral("Иванов Иван Иванович"), QStringLiteral("Отлично")}, 10);
  return r;
}

TEST(Reports, PagesPicturesAndPdf) {
  ui::Report r = sampleReport(120);
  EXPECT_GE(r.pageCount(), 3);
  QImage img = r.pageImage(1, 72);
  ASSERT_FALSE(img.isNull());
  // Something was drawn: not every pixel is white.
  bool ink = false;
  for (int y = 0; y < img.height() && !ink; y += 2)
    for (int x = 0; x < img.width() && !ink; x += 2) ink = img.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_TRUE(ink);
  TempDir dir;
  QString pdf = QString::fromStdString(dir / "r.pdf");
  ASSERT_TRUE(r.writePdf(pdf, {2}));
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(5) == "%PDF-");

  ui::Previewer v(r);
  EXPECT_EQ(v.pageCount(), r.pageCount());
  v.lastPage();
  EXPECT_EQ(v.currentPage(), r.pageCount());
  v.nextPage();
  EXPECT_EQ(v.currentPage(), r.pageCount());  // no page after the last
  v.firstPage();
  v.toggleMark();
  EXPECT_EQ(v.marks()[0], 1);
  v.markAll();
  v.toggleMark();
  EXPECT_EQ(v.marks()[0], 0);
  EXPECT_EQ(v.marks()[1], 1);
  v.unmarkAll();
  EXPECT_EQ(std::count(v.marks().begin(), v.marks().end(), 1), 0);
  v.setGrid(2, 1);
  EXPECT_EQ(v.columns(), 2);
  ASSERT_TRUE(v.saveAsPdf(pdf, ui::PageChoice::Odd));
}

TEST(Calendar, WeekHeadsAndDayNumbers) {
  ui::CalendarDialog d(82526);  // 9 December 2026
  EXPECT_EQ(d.day(), 82526);
  for (const char* h : {"ПНД", "ВТР", "СРД", "ЧТВ", "ПТН", "СУБ", "ВСК"}) EXPECT_NE(d.findChild<QWidget*>(QString::fromUtf8(h)), nullptr) << h;
}

}  // namespace
