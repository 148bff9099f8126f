// Takes pictures of the standard windows on a demo installation, for a look
// at them without a display: ui-gallery <demo dir> <output dir>
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTimer>

#include "browse.h"
#include "cp1251.h"
#include "message_service.h"
#include "previewer.h"
#include "report.h"
#include "tables_central.h"
#include "update_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) return 2;
  const std::string base = std::string(argv[1]) + "/";
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  ui::MessageService::instance().script({});

  tables::Student st;
  store::Table t(tables::studentDef(), st, base + tables::files::Student);
  if (t.open() != store::Ok) return 1;
  const auto& d = tables::studentDef();
  ui::BrowseWindow w(t, &st, "BrowseStudent", QStringLiteral("Список студентов"));
  w.addOrder(t.key("KEYFAM"), QStringLiteral("По фамилии"));
  w.addOrder(t.key("KEYKODST"), QStringLiteral("По коду"));
  w.addColumn({d.fieldIndex("CODEST"), QStringLiteral("Код"), 5});
  w.addColumn({d.fieldIndex("FAM"), QStringLiteral("Фамилия"), 16});
  w.addColumn({d.fieldIndex("NAME"), QStringLiteral("Имя"), 12});
  w.addColumn({d.fieldIndex("OTCHE"), QStringLiteral("Отчество"), 14});
  w.addColumn({d.fieldIndex("NAMEGR"), QStringLiteral("Группа"), 8});
  w.addColumn({d.fieldIndex("DATE"), QStringLiteral("Дата"), 8, ui::Format::date()});
  w.setTagging(true);
  w.setSelectMode(true);
  w.setUpdateForm([&] {
    auto f = std::make_unique<ui::UpdateForm>(t, &st, "UpdateSt", QStringLiteral("Новый студент"),
                                              QStringLiteral("Корректировка данных студента"));
    f->addField({d.fieldIndex("CODEST"), QStringLiteral("Код студента:"), {}, ui::FormField::Line, true});
    f->addField({d.fieldIndex("FAM"), QStringLiteral("Фамилия:")});
    f->addField({d.fieldIndex("NAME"), QStringLiteral("Имя:")});
    f->addField({d.fieldIndex("OTCHE"), QStringLiteral("Отчество:")});
    f->addField({d.fieldIndex("NAMEGR"), QStringLiteral("Группа:")});
    f->addField({d.fieldIndex("NUMID"), QStringLiteral("ID номер:")});
    f->addField({d.fieldIndex("ZACHBOOK"), QStringLiteral("№ зачетной книжки:")});
    f->addField({d.fieldIndex("DATE"), QStringLiteral("Дата:"), ui::Format::date()});
    f->offerSaveAndAdd(true);
    return f;
  });
  w.resize(760, 420);
  w.show();
  w.toggleTag();
  w.down();
  w.down();
  app.processEvents();
  w.grab().save(out + "/browse.png");

  QTimer::singleShot(100, [&] {
    for (QWidget* x : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<ui::UpdateForm*>(x); f && f->isVisible()) {
        f->grab().save(out + "/form.png");
        f->reject();
      }
  });
  w.changeRecord();

  ui::Report r(QStringLiteral("Список студентов"));
  QFont head = r.font(14, true);
  r.setPageHeader(40, [head](QPainter& p, const QRectF& rect, int, int) {
    p.setFont(head);
    p.drawText(rect, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Список студентов"));
  });
  r.setPageNumbers();
  r.addRow({40, 200, 120, 80}, {QStringLiteral("Код"), QStringLiteral("Фамилия, имя, отчество"), QStringLiteral("Группа"), QStringLiteral("ID")}, 10, true, {}, true);
  t.set(t.key("KEYFAM"));
  while (t.next() == store::Ok)
    for (int k = 0; k < 3; ++k)
      r.addRow({40, 200, 120, 80},
               {QString::number(st.CODEST), QString::fromStdString(st.FAM.utf8() + " " + st.NAME.utf8() + " " + st.OTCHE.utf8()),
                QString::fromStdString(st.NAMEGR.utf8()), QString::fromStdString(st.NUMID.utf8())},
               10, false, {Qt::AlignRight, Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft}, true);
  ui::Previewer v(r);
  v.resize(900, 700);
  v.show();
  v.setZoom(-1);
  app.processEvents();
  v.grab().save(out + "/previewer.png");
  return 0;
}
