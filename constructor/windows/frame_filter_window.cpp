#include "frame_filter_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "cp1251.h"
#include "test_summary.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {

FrameFilterWindow::FrameFilterWindow(const FrameFilter& current, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Фильтр заданий"));
  auto* outer = new QVBoxLayout(this);
  on_ = new QCheckBox(QStringLiteral("Подключить фильтр"), this);
  on_->setChecked(current.on);
  outer->addWidget(on_);
  auto* group = new QGroupBox(QStringLiteral("Отбирать задания, у которых"), this);
  auto* g = new QGridLayout(group);
  auto spin = [group](int lo, int hi, std::optional<int> v) {
    auto* s = new QSpinBox(group);
    s->setRange(lo, hi);
    s->setValue(v.value_or(lo));
    return s;
  };
  variantBox = new QCheckBox(QStringLiteral("Вариант"), group);
  variant = spin(0, 255, current.variant);
  levelBox = new QCheckBox(QStringLiteral("Уровень"), group);
  level = spin(1, 5, current.level);
  sectionBox = new QCheckBox(QStringLiteral("Раздел"), group);
  section = spin(0, 7, current.section);
  editBox = new QCheckBox(QStringLiteral("Редактор"), group);
  edit = new QComboBox(group);
  for (const auto& k : editorKinds()) edit->addItem(QString::fromUtf8(k.label), QString::fromLatin1(k.typeEdit));
  if (current.editLabel >= 0 && current.editLabel < edit->count()) {
    edit->setCurrentIndex(current.editLabel);
  } else if (current.editKind) {
    int i = edit->findData(QString::fromStdString(cp1251::toUtf8(*current.editKind)));
    if (i >= 0) edit->setCurrentIndex(i);
  }
  typeBox = new QCheckBox(QStringLiteral("Тип кадра"), group);
  type = new QComboBox(group);
  for (int k = 1; k <= 7; ++k) type->addItem(QStringLiteral("%1 — %2").arg(k).arg(QString::fromStdString(frameKindName(k))), k);
  if (current.frameType) type->setCurrentIndex(std::clamp(*current.frameType, 1, 7) - 1);
  variantBox->setChecked(current.variant.has_value());
  levelBox->setChecked(current.level.has_value());
  sectionBox->setChecked(current.section.has_value());
  editBox->setChecked(current.editKind.has_value());
  typeBox->setChecked(current.frameType.has_value());
  int row = 0;
  for (auto [box, value] : std::initializer_list<std::pair<QCheckBox*, QWidget*>>{
           {variantBox, variant}, {levelBox, level}, {sectionBox, section}, {editBox, edit}, {typeBox, type}}) {
    g->addWidget(box, row, 0);
    g->addWidget(value, row, 1);
    connect(box, &QCheckBox::toggled, this, [this] { update(); });
    ++row;
  }
  outer->addWidget(group);
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("expression"));
  text_->setWordWrap(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  outer->addWidget(text_);
  outer->addWidget(ui::okCancel(this));
  connect(on_, &QCheckBox::toggled, this, [this] { update(); });
  for (auto* s : {variant, level, section}) connect(s, &QSpinBox::valueChanged, this, [this] { update(); });
  for (auto* c : {edit, type}) connect(c, &QComboBox::currentIndexChanged, this, [this] { update(); });
  update();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

FrameFilter FrameFilterWindow::filter() const {
  FrameFilter f;
  f.on = on_->isChecked();
  if (variantBox->isChecked()) f.variant = variant->value();
  if (levelBox->isChecked()) f.level = level->value();
  if (sectionBox->isChecked()) f.section = section->value();
  if (editBox->isChecked()) {
    f.editKind = cp1251::fromUtf8(edit->currentData().toString().toStdString());
    f.editLabel = edit->currentIndex();
  }
  if (typeBox->isChecked()) f.frameType = type->currentData().toInt();
  return f;
}

QString FrameFilterWindow::expression() const { return QString::fromStdString(cp1251::toUtf8(frameFilterExpression(filter()))); }

void FrameFilterWindow::update() {
  for (auto [box, value] : std::initializer_list<std::pair<QCheckBox*, QWidget*>>{
           {variantBox, variant}, {levelBox, level}, {sectionBox, section}, {editBox, edit}, {typeBox, type}}) {
    box->setEnabled(on_->isChecked());
    value->setEnabled(on_->isChecked() && box->isChecked());
  }
  QString e = expression();
  text_->setText(e.isEmpty() ? QStringLiteral("Фильтр не подключен: показываются все задания.") : QStringLiteral("Условие: ") + e);
}

}  // namespace constructor
