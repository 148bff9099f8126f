#include "object_windows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "frame_editor.h"
#include "message_service.h"
#include "window_memory.h"

namespace constructor {
namespace {

QGroupBox* storageGroup(QWidget* owner, QButtonGroup*& group) {
  auto* g = new QGroupBox(QStringLiteral("Файл хранения"), owner);
  g->setToolTip(QStringLiteral("Где хранить объект ('B', F'')"));
  auto* l = new QVBoxLayout(g);
  group = new QButtonGroup(owner);
  auto* common = new QRadioButton(QStringLiteral("Общий"), g);
  auto* apart = new QRadioButton(QStringLiteral("Отдельный"), g);
  group->addButton(common, 'B');
  group->addButton(apart, 'F');
  l->addWidget(common);
  l->addWidget(apart);
  return g;
}

QGroupBox* statusGroup(QWidget* owner, QButtonGroup*& group) {
  auto* g = new QGroupBox(QStringLiteral("Статус"), owner);
  auto* l = new QVBoxLayout(g);
  group = new QButtonGroup(owner);
  const std::pair<char, const char*> items[] = {{'I', " Изображение"}, {'A', " Активизация"}, {'S', " Изменение"}};
  for (auto [id, text] : items) {
    auto* b = new QRadioButton(QString::fromUtf8(text), g);
    group->addButton(b, id);
    l->addWidget(b);
  }
  return g;
}

void check(QButtonGroup* g, char id) {
  if (QAbstractButton* b = g->button(id)) b->setChecked(true);
}

}  // namespace

SelectObjectWindow::SelectObjectWindow(const ObjectChoice& initial, bool fromFile, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Вставка объекта"));
  pickFile = [this] { return QFileDialog::getOpenFileName(this, QStringLiteral("Выбор файла"), QString(), QStringLiteral("Все файлы (*)")); };
  auto* outer = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  create_ = new QRadioButton(QStringLiteral("Создание"), this);
  file_ = new QRadioButton(QStringLiteral("Создание из файла"), this);
  left->addWidget(create_);
  left->addWidget(file_);
  left->addStretch(1);
  left->addWidget(storageGroup(this, save_));
  left->addWidget(statusGroup(this, show_));
  outer->addLayout(left);

  auto* mid = new QVBoxLayout;
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(new QLabel(QStringLiteral("Тип объекта:"), this));
  typeRow->addStretch(1);
  sort_ = new QPushButton(QStringLiteral("А → Я"), this);
  sort_->setToolTip(QStringLiteral("Сортировка по названию"));
  sort_->setAutoDefault(false);
  typeRow->addWidget(sort_);
  mid->addLayout(typeRow);
  kinds_ = new QListWidget(this);
  const auto& list = objectKindList();
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    auto* it = new QListWidgetItem(objectKinds()[i] + QStringLiteral("  —  ") + QString::fromUtf8(list[static_cast<std::size_t>(i)].format) +
                                       QStringLiteral("  (") + QString::fromLatin1(list[static_cast<std::size_t>(i)].identifier) + QLatin1Char(')'),
                                   kinds_);
    it->setData(Qt::UserRole, i);
    it->setToolTip(QString::fromLatin1(list[static_cast<std::size_t>(i)].identifier));
  }
  kinds_->setCurrentRow(0);
  mid->addWidget(kinds_, 1);
  mid->addWidget(new QLabel(QStringLiteral("Имя файла:"), this));
  auto* fileRow = new QHBoxLayout;
  fileName_ = new QLineEdit(this);
  fileName_->setObjectName(QStringLiteral("fileName"));
  auto* browse = new QPushButton(QStringLiteral("Обзор..."), this);
  browse->setAutoDefault(false);
  fileRow->addWidget(fileName_, 1);
  fileRow->addWidget(browse);
  mid->addLayout(fileRow);
  link_ = new QCheckBox(QStringLiteral(" Связь с файлом"), this);
  link_->setToolTip(QStringLiteral("Связать или нет документ"));
  mid->addWidget(link_);
  mid->addWidget(new QLabel(QStringLiteral("Результат:"), this));
  result_ = new QPlainTextEdit(this);
  result_->setReadOnly(true);
  result_->setMaximumHeight(110);
  mid->addWidget(result_);
  outer->addLayout(mid, 1);

  auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  outer->addWidget(buttons);

  (fromFile || initial.type == 'D' ? file_ : create_)->setChecked(true);
  link_->setChecked(initial.link == 'L');
  check(save_, initial.save);
  check(show_, initial.show);
  auto update = [this] {
    const bool file = file_->isChecked();
    kinds_->setEnabled(!file);
    sort_->setEnabled(!file);
    fileName_->setEnabled(file);
    link_->setEnabled(file);
    explain();
  };
  connect(create_, &QRadioButton::toggled, this, update);
  connect(link_, &QCheckBox::toggled, this, [this] { explain(); });
  connect(kinds_, &QListWidget::currentRowChanged, this, [this] { explain(); });
  connect(save_, &QButtonGroup::idClicked, this, [this] { explain(); });
  connect(show_, &QButtonGroup::idClicked, this, [this] { explain(); });
  connect(sort_, &QPushButton::clicked, this, [this] {
    descending_ = !descending_;
    kinds_->sortItems(descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    sort_->setText(descending_ ? QStringLiteral("Я → А") : QStringLiteral("А → Я"));
  });
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString f = pickFile ? pickFile() : QString();
    if (!f.isEmpty()) {
      fileName_->setText(f);
      file_->setChecked(true);
    }
  });
  update();
  if (fromFile) {
    kinds_->hide();
    sort_->hide();
    fileName_->setFocus();
  }
  setMinimumSize(700, 440);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(820, 500); });
}

void SelectObjectWindow::setSave(char save) { check(save_, save); explain(); }
void SelectObjectWindow::setShow(char show) { check(show_, show); explain(); }

void SelectObjectWindow::explain() {
  QStringList t;
  if (file_->isChecked()) {
    t << (link_->isChecked() ? QStringLiteral("     Вставка содержимого указанного файла в кадр и создание связи с источником. Изменения в "
                                              "исходном файле будут автоматически отражаться в документе.")
                             : QStringLiteral("      Вставка содержимого указанного файла в кадр так, чтобы его можнобыло "
                                              "редактировать, используя приложение, в котором он был создан"));
  } else if (QListWidgetItem* it = kinds_->currentItem()) {
    t << QStringLiteral("      Вставка нового объекта типа ") + it->text();
  }
  if (!(file_->isChecked() && link_->isChecked()))
    t << (save_->checkedId() == 'F' ? QStringLiteral("      Oбъект будет храниться отдельно от теста, в другом файле.")
                                    : QStringLiteral("     Oбъект будет храниться в том же файле, что и весь сценарий теста."));
  t << (show_->checkedId() == 'I' ? QStringLiteral("      При тестировании объект будет выглядеть как обычное изображение (рисунок).")
                                  : QStringLiteral("      При тестировании объект можно будет активизировать нажатием кнопки."));
  result_->setPlainText(t.join(QLatin1Char('\n')));
}

ObjectChoice SelectObjectWindow::choice() const {
  ObjectChoice c;
  c.type = file_->isChecked() ? 'D' : 'O';
  c.link = file_->isChecked() && link_->isChecked() ? 'L' : 'N';
  c.save = save_->checkedId() == 'F' ? 'F' : 'B';
  c.show = static_cast<char>(show_->checkedId() > 0 ? show_->checkedId() : 'I');
  return c;
}

int SelectObjectWindow::kind() const {
  QListWidgetItem* it = kinds_->currentItem();
  return it ? it->data(Qt::UserRole).toInt() : -1;
}

QString SelectObjectWindow::fileName() const { return fileName_->text().trimmed(); }
bool SelectObjectWindow::fromFile() const { return file_->isChecked(); }

void SelectObjectWindow::accept() {
  if (file_->isChecked()) {
    const QFileInfo f(fileName());
    if (fileName().isEmpty() || !f.isFile() || !f.isReadable()) {
      ui::MessageService::instance().ask(fileName().isEmpty() ? QStringLiteral("Укажите файл документа.")
                                                              : QStringLiteral("Файл «%1» не найден или не читается.").arg(fileName()),
                                         QStringLiteral("Вставка объекта"), messages::Buttons::Ok, messages::Icon::Exclamation);
      fileName_->setFocus();
      return;
    }
  } else if (kind() < 0) {
    return;
  }
  QDialog::accept();
}

ObjectPropertiesWindow::ObjectPropertiesWindow(char save, char show, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Свойства Объекта"));
  auto* l = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(storageGroup(this, save_));
  row->addWidget(statusGroup(this, show_));
  l->addLayout(row);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("Применить"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("О&тменить"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  l->addWidget(buttons);
  setSave(save);
  setShow(show);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

char ObjectPropertiesWindow::save() const { return save_->checkedId() == 'F' ? 'F' : 'B'; }
char ObjectPropertiesWindow::show() const { return static_cast<char>(show_->checkedId() > 0 ? show_->checkedId() : 'I'); }
void ObjectPropertiesWindow::setSave(char save) { check(save_, save == 'F' ? 'F' : 'B'); }
void ObjectPropertiesWindow::setShow(char show) { check(show_, show == 'A' || show == 'S' ? show : 'I'); }

PictureFormatWindow::PictureFormatWindow(int layout, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Настройка старого формата рисунка"));
  auto* l = new QVBoxLayout(this);
  auto* g = new QGroupBox(QStringLiteral("Тип мультимедия (рисунка)"), this);
  auto* gl = new QVBoxLayout(g);
  layouts_ = new QButtonGroup(this);
  const char* names[] = {"Нет рисунка", "1 — рядом с вопросом", "2 — не показывать, вопрос во всю ширину",
                         "3 — высотой 201 (ширина в пропорции)", "4 — в натуральную величину слева вверху",
                         "5 — в натуральную величину по центру"};
  for (int i = 0; i <= 5; ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(names[i]), g);
    layouts_->addButton(b, i);
    gl->addWidget(b);
  }
  l->addWidget(g);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("О&тменить"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  l->addWidget(buttons);
  setPictureLayout(layout);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

int PictureFormatWindow::pictureLayout() const { return std::max(0, layouts_->checkedId()); }
void PictureFormatWindow::setPictureLayout(int layout) { check(layouts_, static_cast<char>(std::clamp(layout, 0, 5))); }

}  // namespace constructor
