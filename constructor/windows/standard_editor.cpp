#include "standard_editor.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QIcon>
#include <QImageReader>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QMimeDatabase>
#include <QStyle>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QTabBar>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "frame_fields_window.h"
#include "frame_help_window.h"
#include "frame_object.h"
#include "frame_objects.h"
#include "frame_operations.h"
#include "frame_preview_window.h"
#include "frame_rules.h"
#include "cp1251.h"
#include "icons.h"
#include "message_service.h"
#include "object_windows.h"
#include "question_templates_window.h"
#include "record_format.h"
#include "sections_window.h"
#include "services.h"
#include "tables_central.h"
#include "test_font.h"
#include "user_events.h"
#include "window_memory.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString u8(const std::string& s) { return QString::fromStdString(s); }

const char* const kLetters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};
const char* const kTabNames[kEditorTabs] = {"Выбор-N", "Выбор-1", "Ранжир", "Сопоставление", "Дополнение", "Генератор"};
const char* const kTabNotes[kEditorTabs] = {"Один или несколько верных ответов", "Только один верный ответ",
                                            "Выстроить в указанном порядке", "Сопоставление одного множества другому",
                                            "Ввести правильный ответ с клавиатуры",
                                            "Рещение задачи с генерацией исходных данных"};

// A text box that takes no more characters than its field holds.
void limit(QPlainTextEdit* box, int most) {
  QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, most] {
    const QString t = box->toPlainText();
    if (t.size() <= most) return;
    QTextCursor c = box->textCursor();
    const int at = std::min(c.position(), most);
    box->setPlainText(t.left(most));
    c = box->textCursor();
    c.setPosition(at);
    box->setTextCursor(c);
  });
}

// Lines of a generator task: ten of fifty characters.
QString algorithmText(const tables::Vop& v) {
  QStringList lines;
  for (const auto& l : v.ALGORITM) lines << ui::fromRecord(l.view());
  while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines.join(QLatin1Char('\n'));
}

// The kinds of the file dialog, as far as this desktop can read them.
QString pictureFilter() {
  const QList<QByteArray> can = QImageReader::supportedImageFormats();
  const std::pair<const char*, QStringList> kinds[] = {
      {"Точечные рисунки", {"bmp"}}, {"Файлы JPG", {"jpg", "jpeg"}}, {"Файлы GIF", {"gif"}}, {"Документы PCX", {"pcx"}},
      {"Иконки", {"ico"}},          {"Курсоры", {"cur"}},            {"Метафайлы", {"wmf"}}, {"Рисунки PNG", {"png"}}};
  QStringList filters, all;
  for (const auto& [name, exts] : kinds) {
    QStringList patterns;
    for (const QString& e : exts)
      if (can.contains(e.toLatin1())) patterns << QStringLiteral("*.") + e;
    if (patterns.isEmpty()) continue;
    all << patterns;
    filters << QString::fromUtf8(name) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  filters.prepend(QStringLiteral("Все рисунки (") + all.join(QLatin1Char(' ')) + QLatin1Char(')'));
  filters << QStringLiteral("Все файлы (*)");
  return filters.join(QStringLiteral(";;"));
}

// The picture kinds this desktop reads, named for a refusal.
QString readableKinds() {
  QStringList names;
  for (const QByteArray& f : QImageReader::supportedImageFormats()) names << QString::fromLatin1(f).toUpper();
  return names.join(QStringLiteral(", "));
}

// A file's bytes; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> fileBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray b = f.readAll();
  return std::vector<std::uint8_t>(b.begin(), b.end());
}

std::vector<std::uint8_t> pngBytes(const QImage& img) {
  QByteArray b;
  QBuffer buf(&b);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return {b.begin(), b.end()};
}

}  // namespace

StandardEditor::StandardEditor(Startup& s, const EditorRequest& r, QWidget* parent)
    : FrameEditorWindow(parent), s_(s), req_(r), object_(r.object) {
  setObjectName(QString::fromLatin1(object_ ? kObjectProcedure : kProcedure));
  pickObjectFile = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Выбор файла"), QString(), QStringLiteral("Все файлы (*)"));
  };
  pickPictureFile = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Выберите файл с картиной"), QString(), pictureFilter());
  };
  pickFont = [this](const QFont& now) -> std::optional<QFont> {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, now, this, QStringLiteral("Шрифт"));
    if (!ok) return std::nullopt;
    return f;
  };
  pickCode = [this](int lo, int hi, int now) -> std::optional<int> {
    bool ok = false;
    int c = QInputDialog::getInt(this, QStringLiteral("Перейти к кадру"), QStringLiteral("Код кадра:"), now, lo, hi, 1, &ok);
    if (!ok) return std::nullopt;
    return c;
  };
  pickSection = [](testfile::TestFile& tf, QWidget* parent) -> std::optional<SectionEntry> {
    SectionsWindow w(tf, true, parent);
    w.exec();
    if (w.chosenNumber() <= 0) return std::nullopt;
    return SectionEntry{w.chosenNumber(), w.chosenName().toStdString()};
  };
}

StandardEditor::~StandardEditor() = default;

// ----------------------------------------------------------------- building

void StandardEditor::buildToolBar() {
  bar_ = new QToolBar(QStringLiteral("Конструктор кадров"), this);
  bar_->setObjectName(QStringLiteral("editorToolBar"));
  bar_->setIconSize(QSize(22, 22));
  auto add = [this](int c, const QIcon& icon, const QString& tip, const QKeySequence& key = {}) {
    QAction* a = bar_->addAction(icon, tip);
    a->setToolTip(key.isEmpty() ? tip : tip + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
    a->setObjectName(QStringLiteral("editorCommand%1").arg(c));
    if (!key.isEmpty()) {
      a->setShortcut(key);
      a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      addAction(a);
    }
    connect(a, &QAction::triggered, this, [this, c] { run(c); });
    actions_[static_cast<std::size_t>(c)] = a;
    return a;
  };
  using ui::letterIcon;
  using ui::styleIcon;
  const QColor blue(52, 101, 164), grey(90, 90, 90), green(46, 125, 50), brown(196, 120, 20);
  add(SaveAndNew, letterIcon(QStringLiteral("С+"), blue), QStringLiteral("Сохранить текущий и создать новый кадр"));
  add(Save, styleIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Сохранить кадр"), QKeySequence(Qt::CTRL | Qt::Key_S));
  add(SaveAndClose, styleIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Сохранить кадр  и закрыть редактор"));
  add(Preview, letterIcon(QStringLiteral("Пр"), green), QStringLiteral("Предварительный просмотр задания"));
  add(Reload, styleIcon(QStyle::SP_BrowserReload), QStringLiteral("Обновить кадр"));
  bar_->addSeparator();
  add(Sections, letterIcon(QStringLiteral("Р"), grey), QStringLiteral("Справочник разделов"));
  add(Fields, letterIcon(QStringLiteral("П"), grey), QStringLiteral("Редактор полей кадра"));
  add(Help, ui::helpIcon(), QStringLiteral("Справочная информация к заданию"));
  add(Templates, letterIcon(QStringLiteral("Т"), grey), QStringLiteral("Справочник типовых вопросов"));
  bar_->addSeparator();
  add(Cut, letterIcon(QStringLiteral("Вр"), grey), QStringLiteral("Вырезать и запомнить"));
  add(Copy, letterIcon(QStringLiteral("Кп"), grey), QStringLiteral("Копировать в буфер"));
  add(Paste, letterIcon(QStringLiteral("Вс"), grey), QStringLiteral("Вставить из буфера"));
  add(Undo, styleIcon(QStyle::SP_ArrowBack), QStringLiteral("Отменить последнее действие"));
  bar_->addSeparator();
  add(Picture, letterIcon(QStringLiteral("Рис"), brown), QStringLiteral("Вставить рисунок из файла"));
  add(ActivateObject, letterIcon(QStringLiteral("Ак"), brown), QStringLiteral("Активизировать  объект"));
  add(InsertObject, letterIcon(QStringLiteral("О+"), brown), QStringLiteral("Вставить объект"));
  add(RemoveObject, letterIcon(QStringLiteral("О-"), brown), QStringLiteral("Удалить объект"));
  bar_->addSeparator();
  add(Calculator, ui::calculatorIcon(), QStringLiteral("Калькулятор"));
  add(Lock, ui::lockIcon(), QStringLiteral("Блокировка экрана"));
  add(Font, letterIcon(QStringLiteral("Ш"), grey), QStringLiteral("Шрифт"));
  bar_->addSeparator();
  add(GoToCode, letterIcon(QStringLiteral("№"), green), QStringLiteral("Перейти на любую запись по выбранному коду"));
  add(First, ui::arrowIcon(ui::Arrow::Top), QStringLiteral("Перейти на первую запись"));
  add(Previous, ui::arrowIcon(ui::Arrow::Up), QStringLiteral("Перейти на предыдущую запись запись"),
      QKeySequence(Qt::CTRL | Qt::Key_PageUp));
  add(Next, ui::arrowIcon(ui::Arrow::Down), QStringLiteral("Перейти к следующей записи"), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
  add(Last, ui::arrowIcon(ui::Arrow::Bottom), QStringLiteral("Перейти на последнюю запись"));
  bar_->addSeparator();
  add(Close, styleIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Закрыть редактор и вернуться к Навигатору"));
}

void StandardEditor::buildBody() {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addWidget(bar_);

  // The question and the picture beside it.
  auto* top = new QHBoxLayout;
  auto* qcol = new QVBoxLayout;
  qcol->addWidget(new QLabel(QStringLiteral("Вопрос (задание):"), this));
  question_ = new QPlainTextEdit(this);
  question_->setObjectName(QStringLiteral("question"));
  question_->setToolTip(QStringLiteral("Описание вопроса. Мах. - 5000 символов."));
  question_->setMinimumHeight(120);
  question_->setAcceptDrops(false);
  limit(question_, 5000);
  qcol->addWidget(question_, 1);
  top->addLayout(qcol, 3);

  auto* pcol = new QVBoxLayout;
  pictureArea_ = new QWidget;
  pictureArea_->setObjectName(QStringLiteral("pictureArea"));
  pictureArea_->setMinimumSize(330, 220);
  pictureArea_->setAutoFillBackground(true);
  pictureArea_->setAcceptDrops(true);
  pictureArea_->setToolTip(QStringLiteral("Рисунок кадра: перетащите сюда файл рисунка или вставьте его из буфера"));
  picture_ = new QLabel(pictureArea_);
  picture_->setObjectName(QStringLiteral("picture"));
  picture_->setScaledContents(true);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(pictureArea_);
  scroll->setMinimumSize(340, 230);
  pcol->addWidget(scroll, 1);
  layoutButton_ = new QPushButton(this);
  layoutButton_->setObjectName(QStringLiteral("layout"));
  layoutButton_->setToolTip(QStringLiteral("Расположение рисунка: 1 → 2 → 3 → 4 → 5 → 1"));
  layoutButton_->setAutoDefault(false);
  connect(layoutButton_, &QPushButton::clicked, this, &StandardEditor::stepLayout);
  pcol->addWidget(layoutButton_);
  auto* format = new QPushButton(QStringLiteral("Формат рисунка..."), this);
  format->setAutoDefault(false);
  connect(format, &QPushButton::clicked, this, [this] { pictureFormat(); });
  pcol->addWidget(format);
  objectArea_ = new QGroupBox(QStringLiteral("Объект"), this);
  objectArea_->setObjectName(QStringLiteral("object"));
  auto* ol = new QHBoxLayout(objectArea_);
  objectView_ = new QLabel(objectArea_);
  objectView_->setMinimumSize(64, 64);
  objectName_ = new QLabel(objectArea_);
  objectName_->setWordWrap(true);
  auto* ob = new QVBoxLayout;
  auto* activate = new QPushButton(QStringLiteral("Активизировать"), objectArea_);
  auto* props = new QPushButton(QStringLiteral("Свойства..."), objectArea_);
  for (QPushButton* b : {activate, props}) {
    b->setAutoDefault(false);
    ob->addWidget(b);
  }
  connect(activate, &QPushButton::clicked, this, [this] { activateObject(); });
  connect(props, &QPushButton::clicked, this, [this] { objectProperties(); });
  ol->addWidget(objectView_);
  ol->addWidget(objectName_, 1);
  ol->addLayout(ob);
  pcol->addWidget(objectArea_);
  top->addLayout(pcol, 2);
  outer->addLayout(top, 2);
  pictureArea_->installEventFilter(this);
  question_->installEventFilter(this);

  // The kinds of task.
  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("kinds"));
  for (int i = 0; i < kEditorTabs; ++i) {
    tabs_->addTab(QString::fromUtf8(kTabNames[i]));
    tabs_->setTabToolTip(i, QString::fromUtf8(kTabNotes[i]));
  }
  connect(tabs_, &QTabBar::currentChanged, this, [this](int i) {
    if (loading_) return;
    setKind(kindOfTab(i, keywords_->isChecked()));
  });
  auto* tabRow = new QHBoxLayout;
  tabRow->addWidget(tabs_);
  tabNote_ = new QLabel(this);
  tabNote_->setStyleSheet(QStringLiteral("color: rgb(52,101,164);"));
  tabRow->addWidget(tabNote_, 1);
  outer->addLayout(tabRow);

  // Nine variants with their answer controls.
  auto* variantsScroll = new QScrollArea(this);
  variantsScroll->setWidgetResizable(true);
  variants_ = new QWidget;
  auto* grid = new QGridLayout(variants_);
  grid->setContentsMargins(2, 2, 2, 2);
  answerHead_ = new QLabel(variants_);
  grid->addWidget(new QLabel(QStringLiteral("Варианты ответов"), variants_), 0, 1);
  grid->addWidget(answerHead_, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Вес"), variants_), 0, 6);
  auto* singles = new QButtonGroup(this);
  singles->setExclusive(true);
  for (int i = 1; i <= 9; ++i) {
    Row& r = rows_[static_cast<std::size_t>(i - 1)];
    r.number = new QLabel(QString::number(i), variants_);
    r.text = new QPlainTextEdit(variants_);
    r.text->setObjectName(QStringLiteral("variant%1").arg(i));
    r.text->setToolTip(QStringLiteral("Вариант ответа. Мах. - 512 символов."));
    r.text->setFixedHeight(44);
    limit(r.text, 512);
    r.right = new QCheckBox(QStringLiteral("Верный ответ"), variants_);
    r.place = new QSpinBox(variants_);
    r.place->setRange(0, 9);
    r.place->setSpecialValueText(QStringLiteral("—"));
    r.place->setToolTip(QStringLiteral("Место варианта в правильном порядке"));
    r.single = new QRadioButton(QStringLiteral("Верный"), variants_);
    singles->addButton(r.single, i);
    r.letter = new QLabel(QString::fromUtf8(kLetters[i - 1]) + QStringLiteral(")"), variants_);
    r.rowText = new QLineEdit(variants_);
    r.rowText->setObjectName(QStringLiteral("row%1").arg(i));
    r.rowText->setMaxLength(256);
    r.rowText->setToolTip(QStringLiteral("Элемент для сопоставления"));
    r.match = new QComboBox(variants_);
    r.match->setToolTip(QStringLiteral("Варианты усеченных (30) ответов"));
    r.match->setMinimumWidth(220);
    r.weight = new QSpinBox(variants_);
    r.weight->setRange(-999, 999);
    r.weight->setToolTip(QStringLiteral("Вес варианта (при оценке с весами вариантов)"));
    grid->addWidget(r.number, i, 0);
    grid->addWidget(r.text, i, 1);
    auto* controls = new QHBoxLayout;
    controls->addWidget(r.right);
    controls->addWidget(r.place);
    controls->addWidget(r.single);
    controls->addStretch(1);
    grid->addLayout(controls, i, 2);
    grid->addWidget(r.letter, i, 3);
    grid->addWidget(r.rowText, i, 4);
    grid->addWidget(r.match, i, 5);
    grid->addWidget(r.weight, i, 6);
    connect(r.text, &QPlainTextEdit::textChanged, this, [this] {
      if (!loading_) refreshMatchLists();
    });
  }
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(4, 2);
  variantsScroll->setWidget(variants_);
  outer->addWidget(variantsScroll, 3);

  completion_ = static_cast<QGroupBox*>(buildCompletion());
  outer->addWidget(completion_, 3);

  generator_ = new QGroupBox(QStringLiteral("Алгоритм генерации исходных данных (10 строк по 50 знаков)"), this);
  auto* gl = new QVBoxLayout(generator_);
  algorithm_ = new QPlainTextEdit(generator_);
  algorithm_->setObjectName(QStringLiteral("algorithm"));
  algorithm_->setToolTip(QStringLiteral("#1=... ; #3=#2*#1  ! Комментарий после восклицательного знака"));
  gl->addWidget(algorithm_);
  outer->addWidget(generator_, 1);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setFrameShape(QFrame::StyledPanel);
  outer->addWidget(status_);
}

QWidget* StandardEditor::buildCompletion() {
  auto* g = new QGroupBox(QStringLiteral("Эталонный ответ"), this);
  g->setObjectName(QStringLiteral("Etalon"));
  auto* l = new QVBoxLayout(g);
  auto* options = new QHBoxLayout;
  auto* typeBox = new QGroupBox(QStringLiteral("Тип эталонного ответа"), g);
  auto* tl = new QVBoxLayout(typeBox);
  words_ = new QRadioButton(QStringLiteral("Символы, слова"), typeBox);
  numbers_ = new QRadioButton(QStringLiteral("Числа в интервале от...и до..."), typeBox);
  words_->setChecked(true);
  tl->addWidget(words_);
  tl->addWidget(numbers_);
  options->addWidget(typeBox);
  auto* checks = new QVBoxLayout;
  keywords_ = new QCheckBox(QStringLiteral("Синонимы, ключевые слова"), g);
  keywords_->setToolTip(QStringLiteral("Отмечено: ответ ищется по ключевым словам и их синонимам; "
                                       "не отмечено: ответ должен совпасть с эталоном (ответ 1) точно"));
  keywords_->setChecked(true);
  wordOrder_ = new QCheckBox(QStringLiteral("В ответе важен порядок слов"), g);
  numberOrder_ = new QCheckBox(QStringLiteral("Порядок номеров в ответе"), g);
  checks->addWidget(keywords_);
  checks->addWidget(wordOrder_);
  checks->addWidget(numberOrder_);
  options->addLayout(checks);
  options->addStretch(1);
  l->addLayout(options);
  // Both boxes stand for the one stored setting.
  connect(wordOrder_, &QCheckBox::toggled, numberOrder_, &QCheckBox::setChecked);
  connect(numberOrder_, &QCheckBox::toggled, wordOrder_, &QCheckBox::setChecked);
  connect(keywords_, &QCheckBox::toggled, this, [this](bool on) {
    if (loading_) return;
    const int k = kind();
    if (k == 5 || k == 6) setKind(on ? 5 : 6);
  });
  connect(numbers_, &QRadioButton::toggled, this, [this] {
    if (!loading_) showKind();
  });
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Ответ"), g), 0, 1);
  secondHead_ = new QLabel(g);
  grid->addWidget(secondHead_, 0, 2);
  for (int j = 1; j <= 5; ++j) {
    Slot& s = slots_[static_cast<std::size_t>(j - 1)];
    slotLabels_[static_cast<std::size_t>(j - 1)] = new QLabel(QStringLiteral("Ответ %1").arg(j), g);
    s.first = new QLineEdit(g);
    s.first->setObjectName(QStringLiteral("answer%1").arg(j));
    s.first->setMaxLength(static_cast<int>(common::kTypedAnswer));
    s.second = new QLineEdit(g);
    s.second->setObjectName(QStringLiteral("second%1").arg(j));
    s.second->setMaxLength(256);
    grid->addWidget(slotLabels_[static_cast<std::size_t>(j - 1)], j, 0);
    grid->addWidget(s.first, j, 1);
    grid->addWidget(s.second, j, 2);
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 2);
  l->addLayout(grid);
  l->addStretch(1);
  return g;
}

// ----------------------------------------------------------------- opening

bool StandardEditor::open() {
  tf_ = std::make_unique<testfile::TestFile>();
  tf_->name(req_.baseDir, req_.testName, req_.keyWord);
  if (int rc = tf_->open(); rc != store::Ok) {
    store::ErrorInfo e = tf_->error();
    messages::Procedure(ms()).show(messages::openFailure(e, tf_->path()), &e);
    tf_.reset();
    return false;
  }
  buildToolBar();
  buildBody();
  // The Examiner's font, when the test keeps one, so the author sees the frame as the examinee will.
  {
    store::Table t(tables::tuneTestDef(), tune_, s_.inst.central(tables::files::TuneTest));
    if (t.open(store::Shared) != store::Ok || t.set() != store::Ok || t.next() != store::Ok) tune_ = tables::TuneTest{};
    if (tune_.YESFONT) applyFont(common::testFont(tune_, 0));
  }
  const bool ok = req_.code ? load(req_.code) : addNewFrame();
  if (!ok) return false;
  ui::attachProcedure(this, QString::fromLatin1(object_ ? kObjectProcedure : kProcedure));
  return true;
}

bool StandardEditor::addNewFrame() {
  tables::VopParam d;
  if (Outcome o = readFrameDefaults(frameDefaultsFile(s_.inst), d); !o) {
    // Without the defaults a new frame starts blank.
    d = tables::VopParam{};
  }
  for (;;) {
    std::uint16_t code = 0;
    Outcome o = newFrame(*tf_, d, object_ ? "Objk" : "Stnd", code);
    if (o) {
      if (!load(code)) return false;
      if (object_) {
        // A new object frame starts with a new empty text document.
        std::string name;
        std::vector<std::uint8_t> bytes;
        emptyDocument(0, name, bytes);
        if (Outcome put = putObject(*tf_, v_, ObjectChoice{'O', 'N', 'B', 'A'}, name, bytes); !put) reportFailure(put);
        showObject();
        baseline_ = current();
      }
      // A frame without a section record of this test is put in none.
      if (v_.CODERAZ && std::none_of(sections_.begin(), sections_.end(), [&](const SectionEntry& e) { return e.number == v_.CODERAZ; })) {
        assignSection(v_, sections_, 0);
        baseline_ = current();
      }
      added_ = true;
      setCaption();
      emit frameSaved(code);
      emit parametersChanged();
      return true;
    }
    if (o.error == Outcome::Refused) {
      reportFailure(o);
      return false;
    }
    if (ms().ask(u8(o.message) + QStringLiteral("|Повторить попытку?"), QStringLiteral("Новый кадр"), messages::Buttons::RetryCancel,
                 messages::Icon::Exclamation) != messages::Retry)
      return false;
  }
}

bool StandardEditor::load(std::uint16_t code) {
  tf_->vop.CODEVOP = code;
  const int rc = tf_->vopT.get(tf_->vopT.key("KEYCODEVOP"));
  if (rc != store::Ok) {
    store::ErrorInfo e = tf_->vopT.error();
    if (rc == store::NoRecord) ms().ask(QStringLiteral("Кадр %1 не найден в тесте.").arg(code), QStringLiteral("Редактор кадров"));
    else messages::Procedure(ms()).show(messages::openFailure(e, "Vop"), &e);
    return false;
  }
  tables::Vop v = tf_->vop;
  if ((v.TYPEEDIT == "Objk") != object_) {
    ms().ask(object_ ? QStringLiteral("Кадр %1 — стандартный: он открывается в стандартном редакторе кадров.").arg(code)
                     : QStringLiteral("Кадр %1 — объектный: он открывается в редакторе объектных кадров.").arg(code),
             QStringLiteral("Редактор кадров"));
    return false;
  }
  // A temporary tables read, so a failure there is not the frame's.
  if (Outcome o = listSections(*tf_, sections_); !o) sections_.clear();
  if (tf_->temaT.set() == store::Ok) tf_->temaT.next();
  settleSection(v, sections_, tf_->tema.YESRAZ != 0, rememberedSection_);
  tf_->training.CODEVOP = code;
  hasHelp_ = tf_->trainingT.get(tf_->trainingT.key("KEYCODEVOP")) == store::Ok;
  help_ = hasHelp_ ? tf_->training : tables::Training{};
  if (!hasHelp_) help_.CODE = help_.CODEVOP = code;
  helpOpened_ = help_;
  added_ = false;
  opened_ = tf_->vop;
  showFrame(v);
  setCaption();
  question_->setFocus();
  emit parametersChanged();
  return true;
}

void StandardEditor::showFrame(const tables::Vop& v) {
  loading_ = true;
  v_ = v;
  question_->setPlainText(ui::fromRecord(v.VOPROS.text));
  const int k = v.TYPEKADR >= 1 && v.TYPEKADR <= 7 ? v.TYPEKADR : 1;
  auto* group = rows_[0].single->group();
  group->setExclusive(false);
  for (int i = 1; i <= 9; ++i) {
    Row& r = rows_[static_cast<std::size_t>(i - 1)];
    const auto idx = static_cast<std::size_t>(i - 1);
    r.text->setPlainText(ui::fromRecord(v.varot1(i).view()));
    r.right->setChecked(k == 1 && v.TRUEOT[idx] == 1);
    r.place->setValue(k == 2 ? v.TRUEOT[idx] : 0);
    r.single->setChecked(k == 3 && v.TRUEOT[0] == i);
    r.rowText->setText(k == 4 ? ui::fromRecord(v.VAROT2[idx].view()) : QString());
    r.weight->setValue(v.MARK[idx]);
  }
  group->setExclusive(true);
  refreshMatchLists();
  for (int i = 1; i <= 9; ++i) {
    const auto idx = static_cast<std::size_t>(i - 1);
    rows_[idx].match->setCurrentIndex(k == 4 && v.TRUEOT[idx] <= 9 ? v.TRUEOT[idx] : 0);
  }
  keywords_->setChecked(k != 6);
  (v.TYPEETOT == 2 ? numbers_ : words_)->setChecked(true);
  wordOrder_->setChecked(v.PORNUMOT != 0);
  for (int j = 1; j <= 5; ++j) {
    Slot& s = slots_[static_cast<std::size_t>(j - 1)];
    if (k == 6) {
      s.first->setText(j == 1 ? ui::fromRecord(v.TRUEOTSTR.view()) : QString());
      s.second->clear();
    } else if (k != 5 && k != 7) {
      // Variants 5..9 of a choice frame are no answers.
      s.first->clear();
      s.second->clear();
    } else {
      s.first->setText(ui::fromRecord(v.varot1(4 + j).view()));
      s.second->setText(ui::fromRecord(v.VAROT2[static_cast<std::size_t>(3 + j)].view()));
    }
  }
  algorithm_->setPlainText(algorithmText(v));
  tabs_->setCurrentIndex(tabOfKind(k));
  loading_ = false;
  showKind();
  showPicture();
  showObject();
  // Undo does not reach back into the previous frame.
  for (QPlainTextEdit* box : findChildren<QPlainTextEdit*>()) box->document()->clearUndoRedoStacks();
  baseline_ = current();
}

void StandardEditor::refreshMatchLists() {
  for (int i = 1; i <= 9; ++i) {
    QComboBox* c = rows_[static_cast<std::size_t>(i - 1)].match;
    const int was = c->currentIndex();
    const bool wasLoading = loading_;
    loading_ = true;
    c->clear();
    c->addItem(QStringLiteral("—"));
    for (int k = 1; k <= 9; ++k) {
      const QString t = rows_[static_cast<std::size_t>(k - 1)].text->toPlainText().simplified();
      c->addItem(QStringLiteral("%1. %2").arg(k).arg(t.left(30)));
    }
    c->setCurrentIndex(std::max(was, 0));
    loading_ = wasLoading;
  }
}

int StandardEditor::kind() const { return v_.TYPEKADR >= 1 && v_.TYPEKADR <= 7 ? v_.TYPEKADR : 1; }

void StandardEditor::setKind(int k) {
  if (k < 1 || k > 7) return;
  v_.TYPEKADR = static_cast<std::uint8_t>(k);
  loading_ = true;
  tabs_->setCurrentIndex(tabOfKind(k));
  if (k == 5 || k == 6) keywords_->setChecked(k == 5);
  if (k == 7) keywords_->setChecked(true);
  loading_ = false;
  showKind();
  question_->setFocus();
  emit parametersChanged();
}

void StandardEditor::showKind() {
  const int k = kind();
  tabNote_->setText(QString::fromUtf8(kTabNotes[tabOfKind(k)]));
  const bool choice = k >= 1 && k <= 4;
  variants_->parentWidget()->parentWidget()->setVisible(choice);  // its scroll area
  completion_->setVisible(k >= 5);
  generator_->setVisible(k == 7);
  keywords_->setEnabled(k == 5 || k == 6);
  static const char* heads[] = {"", "Верный ответ", "Место в правильном порядке", "Верный", "Сопоставить с вариантом"};
  if (choice) answerHead_->setText(QString::fromUtf8(heads[k]));
  for (auto& r : rows_) {
    r.right->setVisible(k == 1);
    r.place->setVisible(k == 2);
    r.single->setVisible(k == 3);
    r.letter->setVisible(k == 4);
    r.rowText->setVisible(k == 4);
    r.match->setVisible(k == 4);
  }
  const bool exact = k == 6;
  const bool numbers = numbers_->isChecked() && !exact;
  numbers_->setEnabled(!exact);
  wordOrder_->setEnabled(!exact && !numbers);
  numberOrder_->setEnabled(!exact);
  secondHead_->setText(exact ? QString() : numbers ? QStringLiteral("До (верхняя граница)") : QStringLiteral("Синонимы (через запятую)"));
  for (int j = 1; j <= 5; ++j) {
    const auto idx = static_cast<std::size_t>(j - 1);
    slotLabels_[idx]->setText(exact ? QStringLiteral("Эталон") : numbers ? QStringLiteral("От") : QStringLiteral("Ответ %1").arg(j));
    slotLabels_[idx]->setVisible(!exact || j == 1);
    slots_[idx].first->setVisible(!exact || j == 1);
    slots_[idx].second->setVisible(!exact);
  }
  status_->setText(QStringLiteral("Тип кадра: %1").arg(k));
}

void StandardEditor::showPicture() {
  const bool have = !v_.BLOBVOP.empty();
  QImage img;
  if (have) img.loadFromData(v_.BLOBVOP.bytes.data(), static_cast<int>(v_.BLOBVOP.size()));
  const int layout = have ? v_.YESIMAGE : 0;
  Box b = pictureBox(layout == 0 && have ? 1 : layout, img.width(), img.height());
  if (layout == 1 && !img.isNull()) {
    // Beside the question: the fixed place, the picture kept in proportion.
    QSize fit = img.size().scaled(b.width, b.height, Qt::KeepAspectRatio);
    b.width = fit.width();
    b.height = fit.height();
  }
  const bool shown = have && !b.empty() && !img.isNull();
  picture_->setVisible(shown);
  if (shown) {
    picture_->setPixmap(QPixmap::fromImage(img));
    picture_->setGeometry(b.x, b.y, b.width, b.height);
  } else {
    picture_->clear();
  }
  pictureArea_->resize(std::max(330, b.x + b.width + 17), std::max(220, b.y + b.height + 15));
  pictureArea_->parentWidget()->parentWidget()->setVisible(layout != 2);  // its scroll area
  layoutButton_->setEnabled(have);
  layoutButton_->setText(have ? QStringLiteral("Расположение рисунка: %1").arg(v_.YESIMAGE) : QStringLiteral("Рисунка нет"));
  actions_[RemoveObject]->setEnabled(have || !v_.OBJECTTYPE.blank());
}

void StandardEditor::setCaption() {
  if (object_) {
    QString frame = added_ ? QStringLiteral("Новый кадр") : QStringLiteral("Редактирование кадра %1").arg(v_.CODEVOP);
    setWindowTitle(QStringLiteral("Редактор кадров 'MS WordPad' - Тест: %1  —  %2").arg(QString::fromStdString(req_.testName), frame));
    return;
  }
  QString frame = added_ ? QStringLiteral("Новый кадр") : QStringLiteral("Кадр %1").arg(v_.CODEVOP);
  setWindowTitle(QStringLiteral("Ормида [Стандартный редактор кадров] - Тест: %1  —  %2")
                     .arg(QString::fromStdString(req_.testName), frame));
}

// ----------------------------------------------------------------- documents inside the frame

void StandardEditor::showObject() {
  const bool has = !v_.OBJECTTYPE.blank();
  objectArea_->setVisible(has || object_);
  actions_[RemoveObject]->setEnabled(has || !v_.BLOBVOP.empty());
  objectView_->clear();
  if (!has) {
    objectName_->setText(QStringLiteral("Объекта нет"));
    return;
  }
  const frameobject::Document d = frameobject::read(v_, req_.baseDir);
  QImage img;
  if (!d.missing.empty()) {
    objectName_->setText(QStringLiteral("Не найден: ") + QString::fromStdString(d.missing));
  } else if (img.loadFromData(d.bytes.data(), static_cast<int>(d.bytes.size()))) {
    objectView_->setPixmap(QPixmap::fromImage(img.scaled(220, 140, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    objectName_->setText(common::documentLabel(d.bytes, QString::fromStdString(d.name)));
  } else {
    // Another document: its type's icon from the desktop theme and its name.
    const QByteArray data(reinterpret_cast<const char*>(d.bytes.data()), static_cast<qsizetype>(d.bytes.size()));
    QMimeDatabase db;
    const QMimeType type = d.name.empty() ? db.mimeTypeForData(data) : db.mimeTypeForFileNameAndData(QString::fromStdString(d.name), data);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_FileIcon);
    objectView_->setPixmap(icon.pixmap(64, 64));
    objectName_->setText(common::documentLabel(d.bytes, QString::fromStdString(d.name)) + QStringLiteral("\n") + type.comment());
  }
  const ObjectChoice c = choiceOf(v_);
  objectName_->setToolTip(QStringLiteral("Хранение: %1, статус: %2").arg(QChar(c.save)).arg(QChar(c.show)));
}

bool StandardEditor::insertObject(bool fromFile) {
  ObjectChoice initial{fromFile ? 'D' : 'O', 'N', 'B', 'I'};
  std::optional<ObjectRequest> r;
  if (selectObject) {
    r = selectObject(initial, fromFile, this);
  } else {
    SelectObjectWindow w(initial, fromFile, this);
    if (w.exec() == QDialog::Accepted) r = ObjectRequest{w.choice(), w.kind(), w.fileName()};
  }
  if (!r) {
    // "Отмена": no object at all.
    clearObject(v_);
    showObject();
    return false;
  }
  std::string name;
  std::vector<std::uint8_t> bytes;
  QString file = r->file;
  if (r->choice.type == 'O') {
    if (!emptyDocument(r->kind, name, bytes)) {
      // Video, sound and clips are not made here: the author gives a file.
      file = pickObjectFile ? pickObjectFile() : QString();
      if (file.isEmpty()) return false;
    }
  }
  if (!file.isEmpty() && r->choice.link != 'L') {
    auto read = fileBytes(file);
    if (!read) {
      ms().ask(QStringLiteral("Файл «%1» не читается.").arg(file), QStringLiteral("Вставка объекта"), messages::Buttons::Ok,
               messages::Icon::Exclamation);
      return false;
    }
    bytes = std::move(*read);
    name = QFileInfo(file).fileName().toStdString();
  }
  // A link names the file as it is, wherever it was typed from.
  const std::string linked = file.isEmpty() ? std::string() : QFileInfo(file).absoluteFilePath().toStdString();
  if (!reportFailure(putObject(*tf_, v_, r->choice, name, bytes, linked))) return false;
  showObject();
  return true;
}

bool StandardEditor::createObject(int kind) {
  std::string name;
  std::vector<std::uint8_t> bytes;
  ObjectChoice c{'O', 'N', 'B', 'A'};
  if (!emptyDocument(kind, name, bytes)) {
    const QString file = pickObjectFile ? pickObjectFile() : QString();
    if (file.isEmpty()) return false;
    auto read = fileBytes(file);
    if (!read) return false;
    bytes = std::move(*read);
    name = QFileInfo(file).fileName().toStdString();
  }
  if (!reportFailure(putObject(*tf_, v_, c, name, bytes))) return false;
  showObject();
  return true;
}

bool StandardEditor::activateObject() {
  if (v_.OBJECTTYPE.blank()) return false;
  const frameobject::Document d = frameobject::read(v_, req_.baseDir);
  if (!d.missing.empty()) {
    ms().ask(QStringLiteral("Объект не найден: %1.").arg(QString::fromStdString(d.missing)), QStringLiteral("Объект"),
             messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  if (!docs_.open(this, d.bytes, QString::fromStdString(d.name), true)) return false;
  // Changed in its application: stored back when the author says it is done
  // (status "S" is the examinee's; the author may always change the document).
  if (ms().ask(QStringLiteral("Документ открыт в своём приложении.|Когда изменения в нём будут сохранены, нажмите «Да», "
                              "чтобы записать их в кадр."),
               QStringLiteral("Изменение объекта"), messages::Buttons::YesNo, messages::Icon::Question) != messages::Yes)
    return true;
  const auto changed = fileBytes(docs_.lastCopy());
  if (!changed) return false;
  if (*changed == d.bytes) return true;
  if (!reportFailure(storeBack(*tf_, v_, *changed))) return false;
  showObject();
  return true;
}

bool StandardEditor::objectProperties() {
  if (v_.OBJECTTYPE.blank()) return false;
  const ObjectChoice c = choiceOf(v_);
  ObjectPropertiesWindow w(c.save, c.show, this);
  if (w.exec() != QDialog::Accepted) return false;
  if (!reportFailure(changeObject(*tf_, v_, w.save(), w.show()))) return false;
  showObject();
  return true;
}

bool StandardEditor::pictureFormat() {
  PictureFormatWindow w(v_.BLOBVOP.empty() ? 0 : v_.YESIMAGE, this);
  if (w.exec() != QDialog::Accepted) return false;
  if (v_.BLOBVOP.empty()) return false;
  v_.YESIMAGE = static_cast<std::uint8_t>(std::max(1, w.pictureLayout()));
  showPicture();
  return true;
}

// ----------------------------------------------------------------- the frame as edited

tables::Vop StandardEditor::current() const {
  tables::Vop v = v_;
  const int k = kind();
  v.TYPEEDIT = std::string(object_ ? "Objk" : "Stnd");
  v.CODETEMA = tf_ ? tf_->tema.CODETEMA : v.CODETEMA;
  v.VOPROS = ui::toRecord(question_->toPlainText());
  for (int i = 1; i <= 9; ++i) {
    const Row& r = rows_[static_cast<std::size_t>(i - 1)];
    const auto idx = static_cast<std::size_t>(i - 1);
    v.varot1(i) = ui::toRecord(r.text->toPlainText());
    v.MARK[idx] = r.weight->value();
    switch (k) {
      case 1: v.TRUEOT[idx] = r.right->isChecked() ? 1 : 0; break;
      case 2: v.TRUEOT[idx] = static_cast<std::uint8_t>(r.place->value()); break;
      case 3: v.TRUEOT[idx] = 0; break;
      case 4:
        v.VAROT2[idx] = ui::toRecord(r.rowText->text());
        v.TRUEOT[idx] = static_cast<std::uint8_t>(std::max(0, r.match->currentIndex()));
        break;
      default: break;
    }
  }
  if (k == 3) {
    const int chosen = rows_[0].single->group()->checkedId();
    v.TRUEOT[0] = static_cast<std::uint8_t>(chosen >= 1 && chosen <= 9 ? chosen : 0);
  }
  if (k >= 5) {
    v.TYPEETOT = numbers_->isChecked() && k != 6 ? 2 : 1;
    v.PORNUMOT = wordOrder_->isChecked() ? 1 : 0;
    if (k == 6) {
      v.TRUEOTSTR = ui::toRecord(slots_[0].first->text());
    } else {
      for (int j = 1; j <= 5; ++j) {
        v.varot1(4 + j) = ui::toRecord(slots_[static_cast<std::size_t>(j - 1)].first->text());
        v.VAROT2[static_cast<std::size_t>(3 + j)] = ui::toRecord(slots_[static_cast<std::size_t>(j - 1)].second->text());
      }
    }
  }
  if (k == 7) {
    const QStringList lines = algorithm_->toPlainText().split(QLatin1Char('\n'));
    for (std::size_t i = 0; i < v.ALGORITM.size(); ++i)
      v.ALGORITM[i] = i < static_cast<std::size_t>(lines.size()) ? ui::toRecord(lines[static_cast<int>(i)]) : std::string();
  }
  return v;
}

bool StandardEditor::hasUnsavedChanges() const {
  if (!tf_ || !question_) return false;
  // What the window shows against what it showed for the frame as read.
  return !(current() == baseline_) || !(help_ == helpOpened_);
}


std::vector<std::pair<QString, QString>> StandardEditor::texts() const {
  std::vector<std::pair<QString, QString>> out;
  out.emplace_back(QStringLiteral("Вопрос"), question_->toPlainText());
  const int k = kind();
  if (k <= 4)
    for (int i = 1; i <= 9; ++i) out.emplace_back(QStringLiteral("Вариант %1").arg(i), rows_[static_cast<std::size_t>(i - 1)].text->toPlainText());
  if (k == 4)
    for (int i = 1; i <= 9; ++i)
      out.emplace_back(QStringLiteral("Элемент %1").arg(QString::fromUtf8(kLetters[i - 1])), rows_[static_cast<std::size_t>(i - 1)].rowText->text());
  if (k >= 5)
    for (int j = 1; j <= 5; ++j) {
      out.emplace_back(QStringLiteral("Ответ %1").arg(j), slots_[static_cast<std::size_t>(j - 1)].first->text());
      out.emplace_back(QStringLiteral("Ответ %1 (второе поле)").arg(j), slots_[static_cast<std::size_t>(j - 1)].second->text());
    }
  if (k == 7) out.emplace_back(QStringLiteral("Алгоритм"), algorithm_->toPlainText());
  return out;
}

bool StandardEditor::textsFit() {
  QStringList problems;
  for (const auto& [label, text] : texts()) {
    const std::string m = common::unfitMessage(label.toStdString(), text.toStdString());
    if (!m.empty()) problems << u8(m);
  }
  if (kind() == 7) {
    // Ten lines of fifty characters: nothing is cut without a word.
    const QStringList lines = algorithm_->toPlainText().split(QLatin1Char('\n'));
    int last = static_cast<int>(lines.size());
    while (last > 0 && lines[last - 1].isEmpty()) --last;
    if (last > 10) problems << QStringLiteral("Алгоритм: не больше 10 строк (сейчас %1).").arg(last);
    for (int i = 0; i < std::min(last, 10); ++i)
      if (lines[i].size() > 50) problems << QStringLiteral("Алгоритм, строка %1: длиннее 50 знаков.").arg(i + 1);
  }
  if (problems.isEmpty()) return true;
  ms().ask(problems.join(QLatin1Char('|')) + QStringLiteral("|Исправьте это, затем сохраните кадр."),
           QStringLiteral("Запись кадра"), messages::Buttons::Ok, messages::Icon::Exclamation);
  return false;
}

bool StandardEditor::reportFailure(const Outcome& o) {
  if (o) return true;
  ms().ask(u8(o.message), QStringLiteral("Запись кадра"), messages::Buttons::Ok, messages::Icon::Exclamation);
  return false;
}

bool StandardEditor::save() {
  if (!tf_) return false;
  if (!textsFit()) {
    question_->setFocus();
    return false;
  }
  // A frame opened for change is written only when something differs.
  if (!added_ && !hasUnsavedChanges()) return true;
  tables::Vop v = current();
  const bool withHelp = hasHelp_ || !(help_ == helpOpened_);
  return writeFrame(v, withHelp ? &help_ : nullptr);
}

bool StandardEditor::writeFrame(tables::Vop& v, const tables::Training* help) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Outcome o = saveFrame(*tf_, v, help, &opened_);
  QApplication::restoreOverrideCursor();
  if (!reportFailure(o)) {
    question_->setFocus();
    return false;
  }
  // Read back: the variants may have closed up, the comments with them.
  const std::uint16_t code = v.CODEVOP;
  if (!load(code)) return false;
  emit frameSaved(code);
  return true;
}

bool StandardEditor::dropNewFrame() {
  if (!added_) return true;
  for (;;) {
    Outcome o = deleteFrames(*tf_, {v_.CODEVOP});
    if (o) {
      added_ = false;
      emit frameSaved(0);
      return true;
    }
    if (ms().ask(u8(o.message) + QStringLiteral("|Повторить попытку?"), QStringLiteral("Удаление кадра"), messages::Buttons::RetryCancel,
                 messages::Icon::Exclamation) != messages::Retry)
      return false;
  }
}

bool StandardEditor::leaveFrame() {
  if (hasUnsavedChanges()) return save();
  // An untouched new frame is not left behind empty.
  return dropNewFrame();
}

void StandardEditor::reloadHelp() {
  if (!tf_ || !v_.CODEVOP) return;
  const bool commentsTyped = !(help_.COMMOT == helpOpened_.COMMOT);
  const auto comments = help_.COMMOT;
  hasHelp_ = tf_->findHelp(v_.CODEVOP) == store::Ok;
  help_ = hasHelp_ ? tf_->training : tables::Training{};
  if (!hasHelp_) help_.CODE = help_.CODEVOP = v_.CODEVOP;
  helpOpened_ = help_;
  if (commentsTyped) help_.COMMOT = comments;
}

bool StandardEditor::goToFrame(std::uint16_t code) {
  if (!tf_ || code == v_.CODEVOP) return tf_ != nullptr;
  if (!leaveFrame()) return false;
  return load(code);
}

bool StandardEditor::startNewFrame() {
  if (!tf_ || !leaveFrame()) return false;
  return addNewFrame();
}

// ----------------------------------------------------------------- commands

bool StandardEditor::event(QEvent* e) {
  if (e->type() == ui::UserEvent::type()) {
    const int n = static_cast<ui::UserEvent*>(e)->number();
    if (n >= kEditorCommands && n < kEditorCommands + editorMenuItems().size()) menuCommand(n - kEditorCommands);
    else if (n == kObjectCommands) run(Picture);
    else if (n == kObjectCommands + 1) insertObject(false);
    else if (n == kObjectCommands + 2) insertObject(true);
    else if (n == kObjectCommands + 3) run(ActivateObject);
    else if (n == kObjectCommands + 4) run(RemoveObject);
    else if (n >= kObjectKinds && n < kObjectKinds + objectKinds().size()) createObject(n - kObjectKinds);
    return true;
  }
  return FrameEditorWindow::event(e);
}

void StandardEditor::menuCommand(int index) {
  switch (index) {
    case 0: run(SaveAndClose); break;
    case 1: run(SaveAndNew); break;
    case 2: run(Reload); break;
    case 3: run(Sections); break;
    case 4: run(Fields); break;
    case 5: run(Help); break;
    case 6: setKind(1); break;
    case 7: setKind(3); break;
    case 8: setKind(2); break;
    case 9: setKind(4); break;
    case 10: setKind(keywords_->isChecked() ? 5 : 6); break;
    case 11:
    case 13: emit consoleRequested(); break;
    case 12: run(Font); break;
    case 14: run(Close); break;
    default: break;
  }
}

bool StandardEditor::run(int command) {
  if (!tf_) return false;
  switch (command) {
    case Save: return save();
    case SaveAndNew: return save() && startNewFrame();
    case SaveAndClose:
      if (!save()) return false;
      closing_ = true;
      if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
      else close();
      return true;
    case Preview: {
      if (!preview) return false;
      tables::Vop v = current();
      preview(v, this);
      // The preview places the input fields of a completion task and may change the texts.
      v_.HOWVVODDOP = v.HOWVVODDOP;
      v_.CRDNX = v.CRDNX;
      v_.CRDNY = v.CRDNY;
      if (!(v.VOPROS == current().VOPROS)) question_->setPlainText(ui::fromRecord(v.VOPROS.text));
      return true;
    }
    case Reload: {
      if (hasUnsavedChanges() &&
          ms().ask(QStringLiteral("Открыть кадр в первоначальном виде?|Несохранённые изменения будут потеряны."), QStringLiteral("Обновить кадр"),
                   messages::Buttons::YesNo, messages::Icon::Question, messages::No) != messages::Yes)
        return false;
      const bool wasAdded = added_;
      if (!load(v_.CODEVOP)) return false;
      added_ = wasAdded;
      setCaption();
      return true;
    }
    case Sections: {
      if (!pickSection) return false;
      auto chosen = pickSection(*tf_, this);
      // The list may have changed while it was open.
      if (Outcome o = listSections(*tf_, sections_); !o) sections_.clear();
      if (!chosen) {
        emit parametersChanged();
        return false;
      }
      assignSection(v_, sections_, chosen->number);
      rememberedSection_ = chosen->name;
      emit parametersChanged();
      return true;
    }
    case Fields: {
      if (!editFields || !textsFit()) return false;
      tables::Vop v = current();
      tables::Training h = help_;
      return editFields(v, h, [this](tables::Vop& nv, tables::Training& nh) {
        help_ = nh;
        return writeFrame(nv, &help_);
      }, this);
    }
    case Help: {
      if (!editHelp) return false;
      tables::Training h = help_;
      h.CODE = h.CODEVOP = v_.CODEVOP;
      return editHelp(h, [this](tables::Training& nh) {
        nh.CODE = nh.CODEVOP = v_.CODEVOP;
        Outcome o = saveFrameHelp(*tf_, nh);
        if (!reportFailure(o)) return false;
        // The comments typed meanwhile stay unsaved; the help text is written.
        const auto comments = help_.COMMOT;
        help_ = helpOpened_ = nh;
        help_.COMMOT = comments;
        helpOpened_.COMMOT = nh.COMMOT;
        // An emptied help record was deleted: the frame has none now.
        bool empty = cp1251::clip(nh.HELPVOP.text).empty() && nh.OLEBLOB.empty();
        for (const auto& c : nh.COMMOT) empty = empty && c.blank();
        hasHelp_ = !empty;
        return true;
      }, this);
    }
    case Templates: {
      if (!pickTemplate) return false;
      auto text = pickTemplate(this);
      if (!text) return false;
      question_->setFocus();
      question_->insertPlainText(*text);
      return true;
    }
    case Cut: ui::editFocused(ui::EditAction::Cut); return true;
    case Copy: ui::editFocused(ui::EditAction::Copy); return true;
    case Paste: {
      // A picture on the clipboard, with no text, becomes the frame's picture.
      const QMimeData* m = QApplication::clipboard()->mimeData();
      if (m && m->hasImage() && !m->hasText()) return setPictureBytes(pngBytes(qvariant_cast<QImage>(m->imageData())));
      ui::editFocused(ui::EditAction::Paste);
      return true;
    }
    case Undo: ui::editFocused(ui::EditAction::Undo); return true;
    case Picture: {
      const QString file = pickPictureFile ? pickPictureFile() : QString();
      return !file.isEmpty() && insertPicture(file);
    }
    case InsertObject: return insertObject(false);
    case ActivateObject: return activateObject();
    case RemoveObject:
      // The object first, then the picture.
      if (!v_.OBJECTTYPE.blank()) {
        clearObject(v_);
        showObject();
      } else {
        removePicture();
      }
      return true;
    case Calculator: emit calculatorRequested(); return true;
    case Lock: emit lockRequested(); return true;
    case Font: return chooseFont();
    case GoToCode:
    case Previous:
    case Next:
    case First:
    case Last: {
      // The frames this editor opens: the other kind is the other editor's.
      std::vector<tables::Vop> frames;
      if (tf_->frames(frames) != store::Ok) return false;
      std::vector<std::uint16_t> codes;
      for (const auto& f : frames)
        if ((f.TYPEEDIT == "Objk") == object_ || f.CODEVOP == v_.CODEVOP) codes.push_back(f.CODEVOP);
      if (codes.empty()) return false;
      auto at = std::find(codes.begin(), codes.end(), v_.CODEVOP);
      std::uint16_t to = 0;
      if (command == First) to = codes.front();
      else if (command == Last) to = codes.back();
      else if (command == Previous) to = at == codes.end() || at == codes.begin() ? 0 : *(at - 1);
      else if (command == Next) to = at == codes.end() || at + 1 == codes.end() ? 0 : *(at + 1);
      else if (pickCode) {
        auto c = pickCode(codes.front(), codes.back(), v_.CODEVOP);
        if (c && std::find(codes.begin(), codes.end(), *c) != codes.end()) to = static_cast<std::uint16_t>(*c);
      }
      if (to == 0) return false;
      // Leaving an untouched new frame drops it; the codes stay as they were below it.
      return goToFrame(to);
    }
    case Close:
      if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
      else close();
      return true;
    default: return false;
  }
}

// ----------------------------------------------------------------- picture and font

bool StandardEditor::insertPicture(const QString& file) {
  QImageReader reader(file);
  if (!reader.canRead()) {
    ms().ask(QStringLiteral("Файл «%1» не является рисунком, который программа может показать.|Годятся рисунки: %2.")
                 .arg(QFileInfo(file).fileName(), readableKinds()),
             QStringLiteral("Вставить рисунок"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  return setPictureBytes(fileBytes(file).value_or(std::vector<std::uint8_t>{}));
}

bool StandardEditor::setPictureBytes(const std::vector<std::uint8_t>& bytes) {
  QImage img;
  if (bytes.empty() || !img.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
    ms().ask(QStringLiteral("Рисунок не читается."), QStringLiteral("Вставить рисунок"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  v_.BLOBVOP.bytes = bytes;
  v_.YESIMAGE = 1;
  showPicture();
  return true;
}

void StandardEditor::removePicture() {
  v_.BLOBVOP.bytes.clear();
  v_.YESIMAGE = 0;
  showPicture();
}

void StandardEditor::stepLayout() {
  if (v_.BLOBVOP.empty()) return;
  v_.YESIMAGE = static_cast<std::uint8_t>(nextLayout(v_.YESIMAGE == 0 ? 1 : v_.YESIMAGE));
  showPicture();
}

void StandardEditor::applyFont(const QFont& f) {
  question_->setFont(f);
  for (auto& r : rows_) {
    r.text->setFont(f);
    r.rowText->setFont(f);
  }
  for (auto& sl : slots_) {
    sl.first->setFont(f);
    sl.second->setFont(f);
  }
}

bool StandardEditor::chooseFont() {
  if (!pickFont) return false;
  auto f = pickFont(question_->font());
  if (!f) return false;
  if (cp1251::fromUtf8(f->family().toStdString()).size() > 20 || !ui::fitsRecord(f->family())) {
    // A cut name is a font the Examiner would not find.
    ms().ask(QStringLiteral("Название шрифта «%1» длиннее 20 знаков (или содержит знаки не из кодировки 1251): "
                            "Экзаменатор не сможет его найти.|Выберите другой шрифт.")
                 .arg(f->family()),
             QStringLiteral("Шрифт"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  applyFont(*f);
  if (ms().ask(QStringLiteral("Использовать этот шрифт постоянно?|(Данный шрифт будет использован и в Экзаменаторе.)"), QStringLiteral("Шрифт"),
               messages::Buttons::YesNo, messages::Icon::Question) != messages::Yes)
    return true;
  const std::string file = s_.inst.central(tables::files::TuneTest);
  // The colours already kept stay.
  tables::TuneTest tune;
  {
    store::Table t(tables::tuneTestDef(), tune, file);
    if (t.open(store::Shared) != store::Ok || t.set() != store::Ok || t.next() != store::Ok) tune = tables::TuneTest{};
  }
  FrameFont q{f->family().toStdString(), f->pointSize() > 0 ? f->pointSize() : 10, common::fontStyle(*f),
              static_cast<std::uint32_t>(tune.FONTCOLOR[0])};
  FrameFont a = q;
  a.colour = static_cast<std::uint32_t>(tune.FONTCOLOR[1]);
  if (!reportFailure(writeTestFont(file, q, a))) return false;
  // The preview shows the font the Examiner will now take.
  tune.YESFONT = 1;
  tune.FONTNAME[0] = tune.FONTNAME[1] = cp1251::fromUtf8(q.family);
  tune.FONTSIZE[0] = tune.FONTSIZE[1] = q.pointSize;
  tune.FONTSTYLE[0] = tune.FONTSTYLE[1] = q.style;
  tune_ = tune;
  return true;
}

// ----------------------------------------------------------------- parameters

FrameParameters StandardEditor::parameters() const { return parametersOf(v_); }

std::vector<std::string> StandardEditor::setParameters(const FrameParameters& p) {
  auto problems = applyParameters(v_, p, sections_);
  if (problems.empty() && p.section) {
    for (const auto& sec : sections_)
      if (sec.number == p.section) rememberedSection_ = sec.name;
  }
  emit parametersChanged();
  return problems;
}

bool StandardEditor::saveAsDefaults() {
  return reportFailure(writeFrameDefaults(frameDefaultsFile(s_.inst), v_));
}

// ----------------------------------------------------------------- events

bool StandardEditor::eventFilter(QObject* o, QEvent* e) {
  if (o == pictureArea_ || o == question_) {
    auto images = [](const QMimeData* m) {
      if (!m) return false;
      if (m->hasImage()) return true;
      for (const QUrl& u : m->urls())
        if (u.isLocalFile() && QImageReader(u.toLocalFile()).canRead()) return true;
      return false;
    };
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
      auto* d = static_cast<QDragMoveEvent*>(e);
      if (images(d->mimeData())) {
        d->acceptProposedAction();
        return true;
      }
    } else if (e->type() == QEvent::Drop) {
      auto* d = static_cast<QDropEvent*>(e);
      const QMimeData* m = d->mimeData();
      if (images(m)) {
        d->acceptProposedAction();
        if (m->hasImage()) setPictureBytes(pngBytes(qvariant_cast<QImage>(m->imageData())));
        else
          for (const QUrl& u : m->urls())
            if (u.isLocalFile() && insertPicture(u.toLocalFile())) break;
        return true;
      }
    } else if (e->type() == QEvent::KeyPress && o == question_ && static_cast<QKeyEvent*>(e)->matches(QKeySequence::Paste)) {
      // A picture pasted onto the frame becomes its picture; text pastes as text.
      const QMimeData* m = QApplication::clipboard()->mimeData();
      if (m && m->hasImage() && !m->hasText()) {
        setPictureBytes(pngBytes(qvariant_cast<QImage>(m->imageData())));
        return true;
      }
    } else if (e->type() == QEvent::MouseButtonDblClick && o == pictureArea_) {
      run(Picture);
      return true;
    }
  }
  return FrameEditorWindow::eventFilter(o, e);
}

void StandardEditor::closeEvent(QCloseEvent* e) {
  if (closing_ || !tf_) {
    e->accept();
    return;
  }
  if (hasUnsavedChanges()) {
    const int a = ms().ask(QStringLiteral("Сохранить изменения?"), QStringLiteral("Редактор кадров"), messages::Buttons::YesNoCancel,
                           messages::Icon::Question);
    if (a == messages::Cancel || (a == messages::Yes && !save())) {
      e->ignore();
      return;
    }
  }
  // A new frame never saved goes again.
  if (added_ && !dropNewFrame()) {
    e->ignore();
    return;
  }
  closing_ = true;
  e->accept();
}

EditorFactory standardEditors(Startup& s) {
  return [&s](const EditorRequest& r, QWidget* parent) -> FrameEditorWindow* {
    auto* e = new StandardEditor(s, r, parent);
    e->pickTemplate = [&s](QWidget* w) -> std::optional<QString> {
      QuestionTemplatesWindow t(QuestionTemplates::of(s.inst), true, w);
      t.exec();
      return t.chosen();
    };
    e->preview = [e](tables::Vop& v, QWidget* w) {
      FramePreviewWindow p(v, e->test().tema, e->tune(), w);
      p.exec();
    };
    e->editHelp = [](tables::Training& h, std::function<bool(tables::Training&)> write, QWidget* w) {
      FrameHelpWindow f(h, std::move(write), w);
      return f.exec() == QDialog::Accepted;
    };
    e->editFields = [](tables::Vop& v, tables::Training& h, std::function<bool(tables::Vop&, tables::Training&)> write, QWidget* w) {
      FrameFieldsWindow f(v, h, std::move(write), w);
      return f.exec() == QDialog::Accepted;
    };
    if (!e->open()) {
      delete e;
      return nullptr;
    }
    return e;
  };
}

}  // namespace constructor
