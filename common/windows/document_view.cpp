#include "document_view.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QScrollArea>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "message_service.h"
#include "window_memory.h"

namespace common {
namespace {

QMimeType typeOf(const std::vector<std::uint8_t>& bytes, const QString& name) {
  QMimeDatabase db;
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  return name.isEmpty() ? db.mimeTypeForData(data) : db.mimeTypeForFileNameAndData(name, data);
}

// Folder of this program run, readable by this user only, removed at exit.
QString privateFolder() {
  static QTemporaryDir dir(QDir::temp().filePath(QCoreApplication::applicationName().isEmpty() ? QStringLiteral("ormida-XXXXXX") : QCoreApplication::applicationName() + QStringLiteral("-XXXXXX")));
  return dir.isValid() ? dir.path() : QString();
}

QString decodeText(const QByteArray& data) {
  auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString s = utf8(data);
  if (!utf8.hasError()) return s;
  QStringDecoder cp("windows-1251");
  return cp.isValid() ? cp(data) : QString::fromLatin1(data);
}

}  // namespace

QString documentLabel(const std::vector<std::uint8_t>& bytes, const QString& name) {
  if (!name.isEmpty()) return name;
  QMimeType t = typeOf(bytes, {});
  QString suffix = t.preferredSuffix().toUpper();
  return suffix.isEmpty() ? QStringLiteral("Документ") : QStringLiteral("Документ ") + suffix;
}

DocumentOpener::DocumentOpener()
    : desktopOpen([](const QString& path) {
        // xdg-open starts whether or not anything handles the type: ask first.
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (!xdgMime.isEmpty()) {
          QProcess q;
          q.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QMimeDatabase().mimeTypeForFile(path).name()});
          if (q.waitForFinished(3000) && q.exitCode() == 0 && q.readAllStandardOutput().trimmed().isEmpty()) return false;
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
      }) {}

void DocumentOpener::closeViewers() {
  for (const auto& v : viewers_)
    if (v) v->close();
  viewers_.clear();
}

bool DocumentOpener::open(QWidget* owner, const std::vector<std::uint8_t>& bytes, const QString& name, bool inApplication) {
  auto& ms = ui::MessageService::instance();
  const QString label = documentLabel(bytes, name);
  lastCopy_.clear();
  if (bytes.empty()) {
    ms.ask(QStringLiteral("Документ «%1» не найден или пуст.").arg(label), QStringLiteral("Объект"), messages::Buttons::Ok,
           messages::Icon::Exclamation);
    return false;
  }
  const QMimeType type = typeOf(bytes, name);
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  QImage picture;
  const bool isPicture = !inApplication && picture.loadFromData(data);
  const bool isText = !inApplication && !isPicture && type.inherits(QStringLiteral("text/plain"));
  if (isPicture || isText) {
    // Shown here, whatever the desktop offers: a lab machine may have no viewer.
    auto* d = new QDialog(owner, Qt::Window);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setObjectName(QStringLiteral("Document"));
    d->setWindowTitle(label);
    auto* l = new QVBoxLayout(d);
    if (isPicture) {
      auto* area = new QScrollArea(d);
      auto* p = new QLabel(area);
      p->setPixmap(QPixmap::fromImage(picture));
      area->setWidget(p);
      area->setAlignment(Qt::AlignCenter);
      l->addWidget(area, 1);
      d->resize(std::min(picture.width() + 40, 1000), std::min(picture.height() + 80, 760));
    } else {
      auto* t = new QTextBrowser(d);
      t->setPlainText(decodeText(data));
      l->addWidget(t, 1);
      d->resize(640, 480);
    }
    auto* close = new QPushButton(QStringLiteral("Закрыть"), d);
    QObject::connect(close, &QPushButton::clicked, d, &QDialog::close);
    l->addWidget(close, 0, Qt::AlignRight);
    if (owner) ui::placeBeside(d, owner);
    d->show();
    viewers_.removeAll(nullptr);
    viewers_.append(d);
    return true;
  }
  // Any other type: a copy under its own name and type, for the desktop.
  QString fileName = name;
  if (fileName.isEmpty()) {
    QString suffix = type.preferredSuffix();
    fileName = QStringLiteral("документ") + (suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix);
  }
  const QString folder = privateFolder();
  QFile f(QDir(folder).filePath(fileName));
  if (folder.isEmpty() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size()) {
    ms.ask(QStringLiteral("Не удалось подготовить документ «%1» к просмотру.").arg(label), QStringLiteral("Объект"),
           messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  f.close();
  lastCopy_ = f.fileName();
  if (desktopOpen && desktopOpen(lastCopy_)) return true;
  ms.ask(QStringLiteral("На этом компьютере нет программы, которая показывает документ «%1» (%2).|Обратитесь к преподавателю.")
             .arg(label, type.comment()),
         QStringLiteral("Объект"), messages::Buttons::Ok, messages::Icon::Exclamation);
  return false;
}

}  // namespace common
