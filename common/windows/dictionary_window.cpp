#include "dictionary_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "browse.h"
#include "icons.h"
#include "message_service.h"
#include "record_format.h"
#include "services.h"
#include "table_opener.h"
#include "update_form.h"

namespace common {
namespace {

auto& ms() { return ui::MessageService::instance(); }

// How a dictionary's windows look: the system's own texts.
struct Look {
  QString browseProcedure, caption;
  QString codeHeading, nameHeading;
  int nameWidth;
  QString codeOrder, nameOrder;  // nameOrder is unused where there is no name key
  QString insert;                // empty: a picture with the tooltip "Добавить"
  QString close, help;
  QString formProcedure, formCaption;
  QString formTab;  // empty: the fields without a tab
  QString codeLabel, nameLabel;
};

const Look& look(Dictionary d) {
  static const Look all[] = {
      {"BrowseFaket", "Просмотр файла Faket", "Код", "Название", 50, "По коду", {}, "&Добавить", "Закрыть", "Справка",
       "UpdateFaket", "Редактирование файла Faket", "Факультет", "Код:", "Название:"},
      {"BrowseOtdel", "Список подразделений", "Код отдела", "Название отдела", 50, "По коду отдела", "По алфавиту", {},
       "&Закрыть", "&Помощь", "UpdateOtdel", "Update the Otdel File", {}, "Код:", "Название кафедры:"},
      {"BrowseKurs", "Просмотр файла Krs", "Код:", "Название   курса", 30, "По коду", {}, "&Добавить", "Закрыть",
       "Справка", "UpdateKurs", "Редактирование файла Krs", "Учебный курс", "Код:", "Название   курса:"},
      {"BrowsePredmet", "Список дисциплин", "Код", "Дисциплина", 45, "По коду", "По названию", {}, "&Закрыть",
       "&Подсказка", "UpdatePredmet", "Update the Predmet File", {}, "Код:", "Название дисциплины:"},
      {"BrowseWriter", "Список авторов", "Код автора", "Фамилия, инициалы", 45, "По коду", "По имени", {}, "&Закрыть",
       "&Подсказка", "UpdateWriter", "Update the Writer File", {}, "Код:", "Фамилия, имя, отчество автора:"},
  };
  return all[static_cast<int>(d)];
}

// A field of the form chosen from another dictionary.
struct ChoiceSpec {
  const char* label;
  const char* field;
  Dictionary from;
};

std::vector<ChoiceSpec> choicesOf(Dictionary d) {
  if (d == Dictionary::Departments) return {{"Факультет:", "CODEFAK", Dictionary::Faculties}};
  if (d == Dictionary::Disciplines)
    return {{"Кафедра:", "CODEOTDEL", Dictionary::Departments}, {"Курс:", "CODEKURS", Dictionary::Courses}};
  return {};
}

void helpOnF1(QWidget* w, const QString& procedure) {
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), w);
  QObject::connect(f1, &QShortcut::activated, w, [w, procedure] { ui::openHelp(procedure, w); });
}

// A dictionary's table and buffer, open for as long as its window lives.
class Session : public QObject {
 public:
  Session(Dictionary d, const setup::Installation& inst)
      : d(d),
        inst(inst),
        buf(tableOf(d).def->makeBuffer()),
        table(*tableOf(d).def, buf.get(), inst.central(tableOf(d).file)) {}
  ~Session() override { opener.close(table); }
  bool open() { return opener.open(table) == store::Ok; }

  const Dictionary d;
  const setup::Installation inst;
  std::shared_ptr<void> buf;
  store::Table table;
  setup::TableOpener opener{ms()};
};

// The entries of another dictionary, read through a handle of their own.
std::vector<Entry> entriesOf(const setup::Installation& inst, Dictionary d) {
  std::vector<Entry> out;
  const auto& t = tableOf(d);
  auto buf = t.def->makeBuffer();
  store::Table table(*t.def, buf.get(), inst.central(t.file));
  setup::TableOpener opener(ms());
  if (opener.open(table) != store::Ok) return out;
  if (readEntries(table, buf.get(), d, out) != store::Ok)
    ms().ask(QStringLiteral("Не удалось прочитать файл %1: %2")
                 .arg(QString::fromStdString(table.name()), QString::fromStdString(table.error().text())),
             QStringLiteral("Ошибка чтения"), messages::Buttons::Ok, messages::Icon::Exclamation);
  opener.close(table);
  return out;
}

class DictionaryForm : public ui::UpdateForm {
 public:
  DictionaryForm(Session& s, QWidget* parent)
      : UpdateForm(s.table, s.buf.get(), look(s.d).formProcedure, look(s.d).formCaption, look(s.d).formCaption, parent),
        s_(s) {
    const Look& l = look(s.d);
    const auto& t = tableOf(s.d);
    addField({t.codeField, l.codeLabel});
    addField({t.nameField, l.nameLabel});
    for (const ChoiceSpec& c : choicesOf(s.d)) {
      auto* box = new QComboBox(this);
      const int field = t.def->fieldIndex(c.field);
      box->setObjectName(QString::fromLatin1(c.field));
      box->addItem(QString(), 0);  // none chosen
      for (const Entry& e : entriesOf(s.inst, c.from))
        box->addItem(e.name.empty() ? QString::number(e.code) : QString::fromStdString(e.name), e.code);
      fields()->addRow(QString::fromUtf8(c.label), box);
      choices_.push_back({box, field});
    }
    if (!l.formTab.isEmpty()) putOnTab(l.formTab);
    helpOnF1(this, l.formProcedure);
  }

 protected:
  bool mayRun(ui::Request r) override {
    if (r == ui::Insert && freeCode(s_.table, buffer(), s_.d) == 0) {
      ms().ask(QStringLiteral("В справочнике уже %1 записей: кодов для новой записи не осталось.").arg(kMaxCode),
               QStringLiteral("Новая запись"), messages::Buttons::Ok, messages::Icon::Exclamation);
      return false;
    }
    if (r == ui::Delete && table().reget(position()) == store::Ok) {
      if (auto why = deletionRefusal(s_.inst, s_.d, codeOf(s_.d, buffer()))) {
        ms().ask(QString::fromStdString(*why), QStringLiteral("Нарушение ссылочной целостности"), messages::Buttons::Ok,
                 messages::Icon::Exclamation);
        return false;
      }
    }
    return true;
  }

  // The code after the last one is past 255: the lowest free code instead.
  // With none free, a taken code makes the add fail with the standard message.
  void beforeAutonumberedAdd(long long code) override {
    if (code <= kMaxCode) return;
    const int free = freeCode(s_.table, buffer(), s_.d);
    setCode(s_.d, buffer(), free ? free : kMaxCode);
  }

  void loadControls() override {
    UpdateForm::loadControls();
    loadedCode_ = codeOf(s_.d, buffer());
    const auto& def = *tableOf(s_.d).def;
    for (auto& c : choices_) {
      const int code = static_cast<int>(ui::fieldNumber(def, buffer(), c.field));
      int i = c.box->findData(code);
      if (i < 0) {  // an entry that is gone: keep the code as it is
        c.box->addItem(QStringLiteral("(код %1)").arg(code), code);
        i = c.box->count() - 1;
      }
      c.box->setCurrentIndex(i);
    }
  }

  bool saveControls() override {
    if (!UpdateForm::saveControls()) return false;
    const int code = codeOf(s_.d, buffer());
    if (code < 1) {
      ms().ask(QStringLiteral("Код должен быть числом от 1 до %1.").arg(kMaxCode), QStringLiteral("Ошибка ввода"),
               messages::Buttons::Ok, messages::Icon::Exclamation);
      editorOf(tableOf(s_.d).codeField)->setFocus();
      return false;
    }
    if (request() == ui::Change && code != loadedCode_) {
      if (auto why = codeChangeRefusal(s_.inst, s_.d, loadedCode_)) {
        ms().ask(QString::fromStdString(*why), QStringLiteral("Нарушение ссылочной целостности"), messages::Buttons::Ok,
                 messages::Icon::Exclamation);
        editorOf(tableOf(s_.d).codeField)->setFocus();
        return false;
      }
    }
    const auto& def = *tableOf(s_.d).def;
    for (auto& c : choices_) ui::setFieldNumber(def, buffer(), c.field, c.box->currentData().toInt());
    return true;
  }

 private:
  // The fields on one tab page of that title, as the system's own forms show them.
  void putOnTab(const QString& title) {
    auto* outer = static_cast<QVBoxLayout*>(layout());
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    auto* pageLayout = new QVBoxLayout(page);
    outer->removeItem(fields());
    fields()->setParent(nullptr);
    pageLayout->addLayout(fields());
    pageLayout->addStretch(1);
    tabs->addTab(page, title);
    outer->insertWidget(0, tabs, 1);
  }

  struct Choice {
    QComboBox* box;
    int field;
  };
  Session& s_;
  std::vector<Choice> choices_;
  int loadedCode_ = 0;
};

ui::BrowseWindow* makeBrowse(Session& s, QWidget* parent, bool choosing) {
  const Look& l = look(s.d);
  const auto& t = tableOf(s.d);
  auto* w = new ui::BrowseWindow(s.table, s.buf.get(), l.browseProcedure, l.caption, parent);
  w->addOrder(t.codeKey, l.codeOrder);
  if (t.nameKey >= 0) w->addOrder(t.nameKey, l.nameOrder);
  w->addColumn({t.codeField, l.codeHeading, std::max(6, static_cast<int>(l.codeHeading.size()))});
  w->addColumn({t.nameField, l.nameHeading, l.nameWidth});
  w->setUpdateForm([&s, w] { return std::make_unique<DictionaryForm>(s, w); });
  w->setSelectMode(choosing);
  using B = ui::BrowseWindow::Button;
  QPushButton* insert = w->button(B::Insert);
  if (l.insert.isEmpty()) {
    insert->setText(QString());
    insert->setIcon(ui::letterIcon(QStringLiteral("+"), QColor(46, 125, 50)));
    insert->setToolTip(QStringLiteral("Добавить"));
  } else {
    insert->setText(l.insert);
  }
  w->button(B::Close)->setText(l.close);
  w->button(B::Help)->setText(l.help);
  helpOnF1(w, l.browseProcedure);
  w->resize(560, 420);
  return w;
}

}  // namespace

QString browseProcedure(Dictionary d) { return look(d).browseProcedure; }
QString formProcedure(Dictionary d) { return look(d).formProcedure; }

QWidget* openDictionary(Dictionary d, const setup::Installation& inst, QWidget* parent) {
  auto* s = new Session(d, inst);
  if (!s->open()) {
    delete s;
    return nullptr;
  }
  ui::BrowseWindow* w = makeBrowse(*s, parent, false);
  s->setParent(w);  // the table closes with the window
  w->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(w, &QDialog::finished, w, &QObject::deleteLater);
  w->show();
  return w;
}

std::optional<Chosen> chooseFromDictionary(Dictionary d, const setup::Installation& inst, QWidget* parent) {
  Session s(d, inst);
  if (!s.open()) return std::nullopt;
  std::unique_ptr<ui::BrowseWindow> w(makeBrowse(s, parent, true));
  w->exec();
  if (!w->selected()) return std::nullopt;
  return Chosen{codeOf(d, s.buf.get()), QString::fromStdString(nameOf(d, s.buf.get()))};
}

}  // namespace common
