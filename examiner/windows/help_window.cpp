#include "help_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "cp1251.h"
#include "services.h"
#include "window_memory.h"

namespace examiner {
namespace {

// The reader's choices stay in force for the rest of the program run.
struct Look {
  bool fontSet = false, backgroundSet = false, autoSet = false;
  QFont font;
  QColor background;
  bool autoView = false;
};
Look& look() {
  static Look l;
  return l;
}

int pagesOf(const AttemptConfig& cfg) {
  // The pages run up to the first record whose help text is blank.
  int n = 0;
  for (const auto& h : cfg.helps) {
    if (cp1251::clip(h.HELPVOP.text).empty()) break;
    ++n;
  }
  return n;
}

}  // namespace

bool HelpWindow::autoView(const AttemptConfig& cfg) { return look().autoSet ? look().autoView : cfg.tema.HOWTRN != 0; }

HelpWindow::HelpWindow(const AttemptConfig& cfg, QWidget* owner) : QWidget(owner, Qt::Window), cfg_(cfg) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Учебно-справочный материал"));
  auto* l = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  auto* sheet = new QWidget(tabs);
  auto* pl = new QVBoxLayout(sheet);
  frame_ = new QLabel(sheet);
  pl->addWidget(frame_);
  view_ = new QTextBrowser(sheet);
  pl->addWidget(view_, 1);
  picture_ = new QLabel(sheet);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->hide();
  pl->addWidget(picture_);
  material_ = new QPushButton(sheet);
  material_->hide();
  pl->addWidget(material_, 0, Qt::AlignLeft);
  tabs->addTab(sheet, QStringLiteral("Справка к заданию"));
  l->addWidget(tabs, 1);

  auto* nav = new QHBoxLayout;
  back_ = new QPushButton(QStringLiteral("Назад"), this);
  current_ = new QPushButton(QStringLiteral("Текущая"), this);
  forward_ = new QPushButton(QStringLiteral("Далее"), this);
  for (auto* b : {back_, current_, forward_}) nav->addWidget(b);
  nav->addStretch(1);
  auto_ = new QCheckBox(QStringLiteral("АвтоПросмотр"), this);
  auto_->setToolTip(QStringLiteral("Автопоявление справочного материала"));
  auto_->setChecked(autoView(cfg_));
  nav->addWidget(auto_);
  l->addLayout(nav);
  auto* tools = new QHBoxLayout;
  auto* font = new QPushButton(QStringLiteral("Шрифт"), this);
  font->setToolTip(QStringLiteral("Изменить параметры шрифта"));
  auto* bg = new QPushButton(QStringLiteral("Фон"), this);
  bg->setToolTip(QStringLiteral("Изменить цвет фона"));
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  tools->addWidget(font);
  tools->addWidget(bg);
  tools->addStretch(1);
  tools->addWidget(close);
  l->addLayout(tools);
  for (auto* b : findChildren<QPushButton*>()) b->setAutoDefault(false);

  const bool paged = cfg_.tema.HOWHELP == 2;
  back_->setEnabled(paged);
  forward_->setEnabled(paged);
  connect(back_, &QPushButton::clicked, this, [this] { page(page_ - 1); });
  connect(forward_, &QPushButton::clicked, this, [this] { page(page_ + 1); });
  connect(current_, &QPushButton::clicked, this, [this] { showFor(code_, position_); });
  connect(auto_, &QCheckBox::toggled, this, &HelpWindow::setAutoView);
  connect(font, &QPushButton::clicked, this, &HelpWindow::changeFont);
  connect(bg, &QPushButton::clicked, this, &HelpWindow::changeBackground);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(material_, &QPushButton::clicked, this, [this] {
    if (shown_) docs_.open(this, shown_->OLEBLOB.bytes, {});
  });
  resize(460, 420);
  applyLook();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [owner](QWidget* w) {
    if (owner) ui::placeBeside(w, owner);
  });
}

void HelpWindow::setAutoView(bool on) {
  look().autoSet = true;
  look().autoView = on;
}

void HelpWindow::changeFont() {
  QFont f = view_->font();
  if (!ui::chooseFont(this, f)) return;
  look().font = f;
  look().fontSet = true;
  applyLook();
}

void HelpWindow::changeBackground() {
  QColor c = view_->palette().color(QPalette::Base);
  if (!ui::chooseColour(this, c)) return;
  look().background = c;
  look().backgroundSet = true;
  applyLook();
}

void HelpWindow::applyLook() {
  if (look().fontSet) view_->setFont(look().font);
  if (look().backgroundSet) {
    QPalette p = view_->palette();
    p.setColor(QPalette::Base, look().background);
    view_->setPalette(p);
  }
}

void HelpWindow::display(const tables::Training* h) {
  shown_ = h;
  picture_->hide();
  material_->hide();
  if (!h) {
    view_->setPlainText(QStringLiteral("К этому заданию нет справочного материала."));
    return;
  }
  view_->setPlainText(QString::fromStdString(cp1251::toUtf8(h->HELPVOP.text)));
  // The material kept with the help: a picture under the text, any other
  // document behind a button.
  if (!h->OLEBLOB.empty()) {
    QImage img;
    if (img.loadFromData(h->OLEBLOB.bytes.data(), static_cast<int>(h->OLEBLOB.size()))) {
      picture_->setPixmap(QPixmap::fromImage(img.height() > 240 ? img.scaledToHeight(240, Qt::SmoothTransformation) : img));
      picture_->show();
    }
    material_->setText(QStringLiteral("Открыть материал: ") + common::documentLabel(h->OLEBLOB.bytes, {}));
    material_->show();
  }
}

void HelpWindow::showFor(std::uint16_t code, int position) {
  code_ = code;
  position_ = position;
  if (cfg_.tema.HOWHELP == 2) {
    // One text for the whole test: the page of this frame, when it has one.
    const int pages = pagesOf(cfg_);
    for (int i = 0; i < pages; ++i)
      if (cfg_.helps[static_cast<std::size_t>(i)].CODEVOP == code) {
        page(i);
        return;
      }
    page(page_);
    return;
  }
  frame_->setText(QStringLiteral("К заданию: %1").arg(position));
  const tables::Training* found = nullptr;
  for (const auto& h : cfg_.helps)
    if (h.CODEVOP == code) found = &h;
  display(found);
}

void HelpWindow::page(int p) {
  const int pages = pagesOf(cfg_);
  if (pages == 0) {
    frame_->setText(QString());
    display(nullptr);
    return;
  }
  page_ = std::clamp(p, 0, pages - 1);
  frame_->setText(QStringLiteral("Страница %1 из %2").arg(page_ + 1).arg(pages));
  display(&cfg_.helps[static_cast<std::size_t>(page_)]);
  back_->setEnabled(page_ > 0);
  forward_->setEnabled(page_ + 1 < pages);
}

QString HelpWindow::text() const { return view_->toPlainText(); }

}  // namespace examiner
