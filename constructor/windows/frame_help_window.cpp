#include "frame_help_window.h"

#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "cp1251.h"
#include "frame_rules.h"
#include "document_view.h"
#include "message_service.h"
#include "record_format.h"
#include "services.h"
#include "window_memory.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }

constexpr std::size_t kMostText = 5000;  // TRA:HELPVOP

bool holdsNothing(const tables::Training& h) {
  if (!cp1251::clip(h.HELPVOP.text).empty() || !h.OLEBLOB.empty()) return false;
  for (const auto& c : h.COMMOT)
    if (!c.blank()) return false;
  return true;
}

}  // namespace

FrameHelpWindow::FrameHelpWindow(tables::Training& help, std::function<bool(tables::Training&)> write, QWidget* parent)
    : QDialog(parent), help_(help), copy_(help), write_(std::move(write)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(holdsNothing(help) ? QStringLiteral("Добавление новых данных  (Новый)") : QStringLiteral("Редактирование данных"));
  auto* outer = new QVBoxLayout(this);
  auto* box = new QGroupBox(QStringLiteral("Справка к заданию"), this);
  auto* form = new QVBoxLayout(box);
  auto* codeRow = new QFormLayout;
  code_ = new QLineEdit(QString::number(help.CODEVOP), box);
  code_->setReadOnly(true);  // the help belongs to the frame it was opened for
  code_->setMaximumWidth(code_->fontMetrics().averageCharWidth() * 10);
  codeRow->addRow(QStringLiteral("Код кадра:"), code_);
  form->addLayout(codeRow);
  form->addWidget(new QLabel(QStringLiteral("Учебно-справочный материал:"), box));
  text_ = new QPlainTextEdit(ui::fromRecord(help.HELPVOP.text), box);
  text_->setToolTip(QStringLiteral("Не более 5000 символов"));
  text_->setMinimumSize(460, 200);
  form->addWidget(text_, 1);

  auto* attached = new QGroupBox(QStringLiteral("Рисунок или документ к справке"), box);
  auto* al = new QHBoxLayout(attached);
  shown_ = new QLabel(attached);
  shown_->setObjectName(QStringLiteral("attachment"));
  shown_->setAlignment(Qt::AlignCenter);
  shown_->setMinimumHeight(60);
  al->addWidget(shown_, 1);
  auto* side = new QVBoxLayout;
  attach_ = new QPushButton(QStringLiteral("Вложить файл..."), attached);
  attach_->setToolTip(QStringLiteral("Рисунок или документ, который тестируемый увидит вместе со справкой"));
  remove_ = new QPushButton(QStringLiteral("Убрать"), attached);
  side->addWidget(attach_);
  side->addWidget(remove_);
  side->addStretch(1);
  al->addLayout(side);
  form->addWidget(attached);
  outer->addWidget(box, 1);

  auto* row = new QHBoxLayout;
  ok_ = new QPushButton(QStringLiteral("&OK"), this);
  cancel_ = new QPushButton(QStringLiteral("О&тменить"), this);
  helpButton_ = new QPushButton(QStringLiteral("Справка"), this);
  row->addStretch(1);
  for (auto* b : {ok_, cancel_, helpButton_}) row->addWidget(b);
  outer->addLayout(row);
  for (auto* b : {attach_, remove_, cancel_, helpButton_}) b->setAutoDefault(false);
  ok_->setDefault(true);

  pickFile = [this] {
    return ui::openFileDialog(this, QStringLiteral("Выберите рисунок или документ"),
                              QStringLiteral("Все файлы|*.*|Рисунки|*.BMP;*.JPG;*.JPEG;*.GIF;*.PNG|Документы|*.PDF;*.DOC;*.DOCX;*.RTF;*.TXT;*.HTM;*.HTML"));
  };
  connect(attach_, &QPushButton::clicked, this, [this] {
    const QString path = pickFile ? pickFile() : QString();
    if (!path.isEmpty()) attachFile(path);
  });
  connect(remove_, &QPushButton::clicked, this, &FrameHelpWindow::removeAttachment);
  connect(ok_, &QPushButton::clicked, this, &FrameHelpWindow::accept);
  connect(cancel_, &QPushButton::clicked, this, &FrameHelpWindow::reject);
  connect(helpButton_, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  showAttachment();
  text_->setFocus();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QPushButton* FrameHelpWindow::button(const QString& text) const {
  for (auto* b : {attach_, remove_, ok_, cancel_, helpButton_})
    if (b->text() == text) return b;
  return nullptr;
}

bool FrameHelpWindow::attachFile(const QString& path) {
  const QFileInfo info(path);
  if (info.size() > kMostBytes) {
    ms().ask(QStringLiteral("Файл «%1» больше %2 МБ: такой файл к справке не вложить.")
                 .arg(info.fileName())
                 .arg(kMostBytes / (1024 * 1024)),
             windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    ms().ask(QStringLiteral("Не удалось прочитать файл «%1»: %2").arg(info.fileName(), f.errorString()), windowTitle(),
             messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  const QByteArray data = f.readAll();
  copy_.OLEBLOB.bytes.assign(reinterpret_cast<const std::uint8_t*>(data.constData()),
                             reinterpret_cast<const std::uint8_t*>(data.constData()) + data.size());
  attachedName_ = info.fileName();
  showAttachment();
  return true;
}

void FrameHelpWindow::removeAttachment() {
  copy_.OLEBLOB.bytes.clear();
  attachedName_.clear();
  showAttachment();
}

void FrameHelpWindow::showAttachment() {
  const auto& bytes = copy_.OLEBLOB.bytes;
  remove_->setEnabled(!bytes.empty());
  shown_->setPixmap(QPixmap());
  if (bytes.empty()) {
    shown_->setText(QStringLiteral("(нет вложения)"));
    return;
  }
  QImage img;
  if (img.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
    // A picture is shown here as the examinee will see it under the text.
    shown_->setPixmap(QPixmap::fromImage(img.width() > 320 || img.height() > 240
                                             ? img.scaled(320, 240, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                             : img));
    shown_->setToolTip(attachedName_);
    return;
  }
  // Another document only by its name (or, stored without one, its type).
  const QString name = common::documentLabel(bytes, attachedName_);
  shown_->setText(QStringLiteral("%1 (%2 КБ)").arg(name).arg((bytes.size() + 1023) / 1024));
  shown_->setToolTip(QString());
}

void FrameHelpWindow::allowCodeEntry() {
  codeTyped_ = true;
  code_->setReadOnly(false);
  code_->setValidator(new QIntValidator(1, 65535, code_));
  if (help_.CODEVOP == 0) code_->clear();
  code_->setFocus();
}

bool FrameHelpWindow::changed() const {
  return cp1251::clip(ui::toRecord(text_->toPlainText())) != cp1251::clip(help_.HELPVOP.text) || copy_.OLEBLOB != help_.OLEBLOB;
}

void FrameHelpWindow::accept() {
  const QString text = text_->toPlainText();
  if (const std::string why = common::unfitMessage("Учебно-справочный материал", text.toStdString()); !why.empty()) {
    ms().ask(QString::fromStdString(why), windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    text_->setFocus();
    return;
  }
  const std::string record = ui::toRecord(text);
  if (record.size() > kMostText) {
    ms().ask(QStringLiteral("Учебно-справочный материал длиннее %1 знаков (%2): сократите его.").arg(kMostText).arg(record.size()),
             windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    text_->setFocus();
    return;
  }
  std::uint16_t code = help_.CODEVOP;
  if (codeTyped_) {
    bool ok = false;
    const int typed = code_->text().trimmed().toInt(&ok);
    if (!ok || typed < 1 || typed > 65535) {
      ms().ask(QStringLiteral("Введите код кадра, к которому относится справка."), windowTitle(), messages::Buttons::Ok,
               messages::Icon::Exclamation);
      code_->setFocus();
      return;
    }
    code = static_cast<std::uint16_t>(typed);
  }
  if (changed()) {
    copy_.HELPVOP = record;
    copy_.CODEVOP = code;
    if (!write_(copy_)) return;  // the writer has said why
    help_ = copy_;
  }
  QDialog::accept();
}

void FrameHelpWindow::reject() {
  if (changed() && ms().show(messages::standard(23, {})) != messages::Yes) return;
  QDialog::reject();
}

}  // namespace constructor
