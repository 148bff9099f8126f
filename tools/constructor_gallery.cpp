// Pictures of the Constructor's windows on a demo installation, for a look
// at them without a display: constructor-gallery <demo dir> <output dir>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include "about_window.h"
#include "browse.h"
#include "console_window.h"
#include "copy_window.h"
#include "print_window.h"
#include "previewer.h"
#include "report.h"
#include "synopsis_window.h"
#include "constructor_app.h"
#include "frame_filter_window.h"
#include "main_frame.h"
#include "message_service.h"
#include "navigator.h"
#include "scenario_window.h"
#include "sign_in_window.h"
#include "templates_window.h"
#include "frame_preview_window.h"
#include "standard_editor.h"
#include "object_windows.h"
#include <QTabWidget>
#include "test_dialogs.h"
#include "test_register.h"

namespace {
void snap(QWidget* w, const QString& file) {
  w->show();
  QApplication::processEvents();
  w->grab().save(file);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) return 2;
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  ui::MessageService::instance().script({});
  constructor::ConstructorApp ormida(QString::fromLocal8Bit(argv[1]));
  if (!ormida.start()) return 1;
  auto* f = ormida.frame();
  f->resize(1200, 760);
  if (auto* s = ormida.statusWindow()) {
    snap(s, out + "/status.png");
    s->password()->setText(QString::fromStdString(ormida.startup().glb.PASSADM.utf8()));
    s->accept();
  }
  QApplication::processEvents();
  snap(f, out + "/navigator.png");
  auto* nav = ormida.navigator();
  if (nav->testsList()->rowCount() > 1) nav->testsList()->setCurrentCell(1, 0);
  if (nav->frames()) nav->frames()->tagAll();
  QApplication::processEvents();
  snap(f, out + "/navigator2.png");
  ormida.console()->pages()->setCurrentIndex(1);
  snap(ormida.consoleDock(), out + "/console.png");

  constructor::FrameFilterWindow filter(nav->filter());
  filter.switchOn()->setChecked(true);
  filter.variantBox->setChecked(true);
  filter.typeBox->setChecked(true);
  snap(&filter, out + "/filter.png");
  constructor::TestRegister reg(ormida.startup().inst.central("DataTest.tps"));
  constructor::NewTestRequest req;
  req.baseDir = nav->base();
  constructor::CreateTestWindow create(reg, req);
  snap(&create, out + "/create.png");
  constructor::RenameTestWindow rename(nav->currentTest());
  snap(&rename, out + "/rename.png");
  constructor::TestPasswordWindow pass(QStringLiteral("География"), "x");
  snap(&pass, out + "/password.png");
  common::SignInWindow lock(QStringLiteral("Блокировка окна Ормида"), ormida.startup().glb, common::SignInWindow::Lock);
  lock.resize(1000, 680);  // as it covers the program
  snap(&lock, out + "/lock.png");
  constructor::ScenarioWindow scenario(ormida.startup(), nav->base(), nav->baseName(), nav->currentTest().toStdString(),
                                       constructor::ScenarioWindow::Change);
  if (scenario.openTest()) {
    for (int i = 0; i < scenario.pages()->count(); ++i) {
      scenario.pages()->setCurrentIndex(i);
      snap(&scenario, out + QStringLiteral("/scenario%1.png").arg(i + 1));
    }
    scenario.hide();
  }
  constructor::TemplatesWindow templates(constructor::InstructionTemplates::fileOf(ormida.startup().inst), true);
  snap(&templates, out + "/templates.png");
  // The frame editor on the first frame, in each kind, and its preview.
  {
    constructor::StandardEditor editor(ormida.startup(), constructor::EditorRequest{nav->base(), nav->currentTest().toStdString(),
                                                                                   ormida.startup().inst.keyWord, 1, false});
    if (editor.open()) {
      editor.resize(1180, 820);
      const int kinds[] = {1, 3, 2, 4, 5, 6, 7};
      for (int k : kinds) {
        editor.setKind(k);
        snap(&editor, out + QStringLiteral("/editor-kind%1.png").arg(k));
      }
      editor.setKind(1);
      tables::Vop v = editor.current();
      constructor::FramePreviewWindow preview(v, editor.test().tema, editor.tune());
      snap(&preview, out + "/preview.png");
      preview.hide();
      editor.hide();
    }
  }
  // The object frame editor on a new frame, and the object windows.
  {
    constructor::StandardEditor objects(ormida.startup(), constructor::EditorRequest{nav->base(), nav->currentTest().toStdString(),
                                                                                    ormida.startup().inst.keyWord, 0, true});
    if (objects.open()) {
      objects.resize(1180, 820);
      snap(&objects, out + "/object-editor.png");
      objects.hide();
      objects.close();
    }
    constructor::SelectObjectWindow select(constructor::ObjectChoice{}, false);
    snap(&select, out + "/insert-object.png");
    select.hide();
    constructor::ObjectPropertiesWindow props('F', 'A');
    snap(&props, out + "/object-properties.png");
    props.hide();
  }
  // Copying frames, printing a test and its synopsis.
  {
    constructor::CopyWindow copy(constructor::libraryFile(ormida.startup().inst, false), nav->base(), false, 3);
    if (copy.tests()->rowCount() > 0) copy.tests()->setCurrentCell(0, 0);
    snap(&copy, out + "/copy.png");
    copy.hide();
    constructor::PrintOptionWindow options(constructor::PrintOptions{});
    snap(&options, out + "/print-options.png");
    options.hide();
    if (testfile::TestFile* tf = nav->test()) {
      tables::TuneTest tune;
      constructor::Outcome failure;
      constructor::PrintOptions o;
      o.answers = true;
      o.pictures = true;
      if (auto report = constructor::testReport(*tf, tune, o, [](int, int) { return true; }, failure)) {
        ui::Previewer preview(*report);
        preview.setWindowTitle(QStringLiteral("Ормида 1.5 [Печать заданий <Предварительный просмотр>]"));
        snap(&preview, out + "/print-preview.png");
        preview.hide();
        report->pageImage(1, 80).save(out + "/print-page1.png");
        if (report->pageCount() > 1) report->pageImage(2, 80).save(out + "/print-page2.png");
      }
      constructor::SynopsisWindow synopsis(*tf);
      snap(&synopsis, out + "/synopsis.png");
      synopsis.hide();
    }
  }
  common::AboutWindow about(QStringLiteral("Конструктор тестов"), QStringLiteral("Составление тестов."));
  snap(&about, out + "/about.png");
  return 0;
}
