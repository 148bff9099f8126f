// The previewer's word-processor export: the .docx read back as a word
// processor would read it (pages, breaks, margins, orientation, pictures),
// the page choice, the progress texts, and the messages on success and failure.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <QCheckBox>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QXmlStreamReader>
#include <sys/stat.h>

#include "../when_shown.h"
#include "docx_export.h"
#include "message_service.h"
#include "previewer.h"
#include "report.h"
#include "test_tables.h"

using testing_tables::TempDir;

namespace {

// What a word processor finds in the file.
struct Docx {
  bool opened = false;
  std::map<std::string, QByteArray> parts;
  int pictures = 0;        // w:drawing
  int pageBreaks = 0;      // w:br w:type="page"
  QStringList embeds;      // a:blip r:embed, in page order
  std::map<QString, QString> imageTargets;  // relationship id -> part
  std::map<QString, QString> margins;       // w:pgMar attributes
  QString orient;
  int pageW = 0, pageH = 0;  // twips
  long long maxCx = 0, maxCy = 0;

  QImage picture(int n) const {  // 0-based, in page order
    auto t = imageTargets.find(embeds.value(n));
    if (t == imageTargets.end()) return {};
    auto p = parts.find("word/" + t->second.toStdString());
    return p == parts.end() ? QImage() : QImage::fromData(p->second, "PNG");
  }
};

Docx readDocx(const QString& path) {
  Docx d;
  int err = 0;
  zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
  if (!z) return d;
  d.opened = true;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
    zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
    QByteArray data(static_cast<qsizetype>(st.size), '\0');
    zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    d.parts[st.name] = data;
  }
  zip_close(z);
  QXmlStreamReader doc(d.parts["word/document.xml"]);
  while (!doc.atEnd()) {
    if (doc.readNext() != QXmlStreamReader::StartElement) continue;
    const auto a = doc.attributes();
    const auto name = doc.qualifiedName();
    if (name == QLatin1String("w:drawing")) ++d.pictures;
    if (name == QLatin1String("w:br") && a.value(QLatin1String("w:type")) == QLatin1String("page")) ++d.pageBreaks;
    if (name == QLatin1String("a:blip")) d.embeds << a.value(QLatin1String("r:embed")).toString();
    if (name == QLatin1String("wp:extent")) {
      d.maxCx = std::max(d.maxCx, a.value(QLatin1String("cx")).toLongLong());
      d.maxCy = std::max(d.maxCy, a.value(QLatin1String("cy")).toLongLong());
    }
    if (name == QLatin1String("w:pgMar"))
      for (const auto& x : a) d.margins[x.qualifiedName().toString()] = x.value().toString();
    if (name == QLatin1String("w:pgSz")) {
      d.pageW = a.value(QLatin1String("w:w")).toInt();
      d.pageH = a.value(QLatin1String("w:h")).toInt();
      d.orient = a.value(QLatin1String("w:orient")).toString();
    }
  }
  EXPECT_FALSE(doc.hasError()) << doc.errorString().toStdString();
  QXmlStreamReader rels(d.parts["word/_rels/document.xml.rels"]);
  while (!rels.atEnd())
    if (rels.readNext() == QXmlStreamReader::StartElement && rels.name() == QLatin1String("Relationship"))
      d.imageTargets[rels.attributes().value(QLatin1String("Id")).toString()] =
          rels.attributes().value(QLatin1String("Target")).toString();
  return d;
}

// A report of `pages` pages, each with its number written large, so that
// a page's picture tells which page it is.
std::unique_ptr<ui::Report> numberedReport(int pages, QPageLayout::Orientation o = QPageLayout::Portrait) {
  auto r = std::make_unique<ui::Report>(QStringLiteral("Отчет"), o);
  for (int i = 1; i <= pages; ++i) {
    if (i > 1) r->addPageBreak();
    r->addText(QStringLiteral("Страница номер %1").arg(i), 28, true);
  }
  return r;
}

const std::vector<messages::Message>& shown() { return ui::MessageService::instance().shown(); }

bool saidSuccess() {
  for (const auto& m : shown())
    if (QString::fromStdString(m.text).contains(QStringLiteral("успешно создан"))) return true;
  return false;
}

class DocxExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::MessageService::instance().script({});
    ui::MessageService::instance().clearShown();
  }
  QString file(const char* name) const { return QString::fromStdString(dir / name); }
  TempDir dir;
};

}  // namespace

TEST_F(DocxExport, EvenPagesOfAThreePageReportExportPageTwoOnly) {
  auto r = numberedReport(3);
  ASSERT_EQ(r->pageCount(), 3);
  ui::Previewer v(*r);
  ASSERT_TRUE(v.saveAsDocx(file("even.docx"), ui::PageChoice::Even));
  Docx d = readDocx(file("even.docx"));
  ASSERT_TRUE(d.opened);
  EXPECT_EQ(d.pictures, 1);
  EXPECT_EQ(d.pageBreaks, 0);
  ASSERT_EQ(d.embeds.size(), 1);
  QImage got = d.picture(0).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(got, r->pageImage(2, 150).convertToFormat(QImage::Format_RGB32)) << "the picture is page 2";
  EXPECT_NE(got, r->pageImage(1, 150).convertToFormat(QImage::Format_RGB32));
  // The progress names the report's own page number out of all its pages.
  EXPECT_EQ(v.progressTexts(), (QStringList{QStringLiteral("Формирование страницы 1 из 3"), QStringLiteral("Выполнено 0%"),
                                            QStringLiteral("Создание документа..."), QStringLiteral("Формирование страницы 2 из 3"),
                                            QStringLiteral("Выполнено 0%"), QStringLiteral("Выполнено 100%"),
                                            QStringLiteral("Документ создан")}));
  EXPECT_TRUE(saidSuccess());
}

TEST_F(DocxExport, PagesBreaksMarginsAndOrientationAsAWordProcessorReadsThem) {
  struct Case {
    const char* name;
    int pages;
    ui::PageChoice choice;
    QPageLayout::Orientation orientation;
    int pictures;
  } cases[] = {
      {"all3.docx", 3, ui::PageChoice::All, QPageLayout::Portrait, 3},
      {"one.docx", 1, ui::PageChoice::All, QPageLayout::Portrait, 1},
      {"odd-landscape.docx", 4, ui::PageChoice::Odd, QPageLayout::Landscape, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = numberedReport(c.pages, c.orientation);
    ASSERT_EQ(r->pageCount(), c.pages);
    ui::Previewer v(*r);
    ASSERT_TRUE(v.saveAsDocx(file(c.name), c.choice));
    Docx d = readDocx(file(c.name));
    ASSERT_TRUE(d.opened);
    EXPECT_EQ(d.pictures, c.pictures);
    EXPECT_EQ(d.pageBreaks, c.pictures - 1) << "a break between pages, none after the last";
    ASSERT_EQ(d.embeds.size(), c.pictures);
    for (int i = 0; i < c.pictures; ++i) EXPECT_FALSE(d.picture(i).isNull()) << "page picture " << i << " is a PNG";
    for (const char* side : {"w:top", "w:bottom", "w:left", "w:right", "w:header", "w:footer"})
      EXPECT_EQ(d.margins[side], QStringLiteral("0")) << side;
    const bool landscape = c.orientation == QPageLayout::Landscape;
    EXPECT_EQ(d.orient, landscape ? QStringLiteral("landscape") : QString());
    EXPECT_EQ(d.pageW > d.pageH, landscape);
    // A4 in twips, as the report's page lies.
    EXPECT_EQ(std::min(d.pageW, d.pageH), 595 * 20);
    EXPECT_EQ(std::max(d.pageW, d.pageH), 842 * 20);
    // Each picture fills the page without running over it (635 EMU a twip).
    EXPECT_LE(d.maxCx, 635LL * d.pageW);
    EXPECT_LE(d.maxCy, 635LL * d.pageH);
    EXPECT_GT(d.maxCy, 635LL * d.pageH * 99 / 100);
    EXPECT_TRUE(d.parts.count("[Content_Types].xml") && d.parts.count("_rels/.rels"));
  }
}

TEST_F(DocxExport, AFailedWriteIsReportedAndNeverCalledASuccess) {
  auto r = numberedReport(2);
  ui::Previewer v(*r);
  std::string ro = dir / "ro";
  ASSERT_EQ(::mkdir(ro.c_str(), 0555), 0);
  // Permissions do not bind root: there the folder is one no one may write into.
  QString path = ::geteuid() == 0 ? QStringLiteral("/proc/ormida-export/report.docx") : QString::fromStdString(ro + "/report.docx");
  EXPECT_FALSE(v.saveAsDocx(path, ui::PageChoice::All));
  EXPECT_FALSE(QFile::exists(path));
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_TRUE(QString::fromStdString(shown()[0].text).contains(QStringLiteral("не создан"))) << shown()[0].text;
  EXPECT_FALSE(saidSuccess());
  EXPECT_FALSE(v.progressTexts().contains(QStringLiteral("Документ создан")));
  ::chmod(ro.c_str(), 0755);
}

TEST_F(DocxExport, AnExistingFileIsReplacedOnlyWhenTheUserAgrees) {
  auto r = numberedReport(1);
  ui::Previewer v(*r);
  const QString path = file("old.docx");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kept");
  }
  ui::MessageService::instance().script({messages::No});
  EXPECT_FALSE(v.saveAsDocx(path, ui::PageChoice::All));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("kept"));
  f.close();
  ui::MessageService::instance().script({messages::Yes});
  EXPECT_TRUE(v.saveAsDocx(path, ui::PageChoice::All));
  EXPECT_EQ(readDocx(path).pictures, 1);
}

TEST_F(DocxExport, TheWindowTakesThePagesTheNameAndOpensTheDocumentInsteadOfTheMessage) {
  auto r = numberedReport(3);
  ui::Previewer v(*r);
  QString opened;
  v.openDocument = [&](const QString& p) {
    opened = p;
    return true;
  };
  const QString typed = file("отчет.doc");
  whenShown<ui::DocxDialog>([&](ui::DocxDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Формирование WinWord-файла"));
    EXPECT_EQ(d->showBox()->toolTip(), QStringLiteral("Загрузить WinWord и показать документ"));
    d->pages()->setChoice(ui::PageChoice::Range);
    d->pages()->setRange(2, 3);
    d->nameBox()->setText(typed);
    d->showBox()->setChecked(true);
    for (auto* b : d->findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("&Формировать")) b->click();
  });
  v.docxDialog();
  EXPECT_EQ(opened, file("отчет.docx")) << "the extension matches the content";
  Docx d = readDocx(opened);
  EXPECT_EQ(d.pictures, 2);
  EXPECT_EQ(d.pageBreaks, 1);
  EXPECT_EQ(d.picture(1).convertToFormat(QImage::Format_RGB32), r->pageImage(3, 150).convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(shown().empty()) << "a shown document needs no message";
}

TEST_F(DocxExport, AFilePickedWithTheButtonIsAskedAboutOnce) {
  auto r = numberedReport(1);
  ui::Previewer v(*r);
  const QString path = file("picked.docx");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
  }
  // The file dialog's own question, should it ask, is answered and counted.
  int dialogQuestions = 0;
  QTimer boxes;
  QObject::connect(&boxes, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) {
        ++dialogQuestions;
        if (QAbstractButton* yes = b->button(QMessageBox::Yes)) yes->click();
        else b->accept();
      }
  });
  boxes.start(10);
  bool picked = false;
  whenShown<ui::DocxDialog>([&](ui::DocxDialog* d) {
    whenShown<QFileDialog>([&](QFileDialog* f) {
      f->selectFile(path);
      static_cast<QDialog*>(f)->accept();  // as its "Save" button does
    });
    for (auto* b : d->findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("...")) b->click();
    picked = d->nameBox()->text() == path;
    d->showBox()->setChecked(false);
    for (auto* b : d->findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("&Формировать")) b->click();
  });
  ui::MessageService::instance().script({messages::Yes});
  v.docxDialog();
  boxes.stop();
  EXPECT_TRUE(picked);
  EXPECT_EQ(dialogQuestions, 0) << "the file dialog does not ask as well";
  int questions = 0;
  for (const auto& m : shown()) questions += QString::fromStdString(m.text).contains(QStringLiteral("Заменить"));
  EXPECT_EQ(questions, 1);
  EXPECT_TRUE(saidSuccess());
  EXPECT_EQ(readDocx(path).pictures, 1);
}

TEST(DocxFileName, TheExtensionMatchesTheContent) {
  const std::pair<const char*, const char*> cases[] = {
      {"doc1.doc", "doc1.docx"}, {"Отчет", "Отчет.docx"}, {"a.DOCX", "a.DOCX"}, {"a.b/report.txt", "a.b/report.txt.docx"}, {"  ", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(ui::docxFileName(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}
