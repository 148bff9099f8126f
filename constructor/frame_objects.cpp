#include "frame_objects.h"

#include <fstream>

#include "cp1251.h"
#include "filepath.h"
#include "frame_object.h"
#include "frame_operations.h"
#include "result_file.h"

namespace constructor {
namespace {

Outcome refused(std::string text) { return {Outcome::Refused, std::move(text)}; }

// The directory of the test file, with its "/".
std::string libraryOf(const testfile::TestFile& tf) {
  std::string d = filepath::directoryOf(tf.path());
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

std::string flatOdf(const char* mime, const char* body) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
             "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
             "office:version=\"1.2\" office:mimetype=\"") +
         mime + "\"><office:body>" + body + "</office:body></office:document>\n";
}

// A white picture of 320 x 200, 24 bits, bottom-up rows.
std::vector<std::uint8_t> blankBitmap() {
  const std::uint32_t w = 320, h = 200, row = w * 3, size = 54 + row * h;
  std::vector<std::uint8_t> b(size, 0xFF);
  auto put = [&b](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, size, 4);
  put(6, 0, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, w, 4);
  put(22, h, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(30, 0, 4);
  put(34, row * h, 4);
  put(38, 2835, 4);
  put(42, 2835, 4);
  put(46, 0, 4);
  put(50, 0, 4);
  return b;
}

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

void setLetters(tables::Vop& v, const ObjectChoice& c) {
  v.OBJECTTYPE = std::string(1, c.type);
  v.OBJECTLINK = std::string(1, c.link);
  v.OBJECTSAVE = std::string(1, c.save);
  v.OBJECTSHOW = std::string(1, c.show);
}

Outcome storeApart(const testfile::TestFile& tf, tables::Vop& v, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string doc = objectPartName(tf, v.CODEVOP);
  const std::string docCp = cp1251::fromUtf8(doc);
  if (docCp.size() > 64)
    return refused("Имя части файла объектов «" + doc + "» длиннее 64 знаков: храните объект в файле теста («Общий»).");
  // Written into the companion file with the frame (saveFrame); until then
  // the record's blob holds it, so nothing changes when the author discards.
  v.OBJECTDOC = docCp;
  v.OLEBLOB.bytes = frameobject::packBlob(name, bytes);
  return {};
}

}  // namespace

const std::vector<ObjectKind>& objectKindList() {
  static const std::vector<ObjectKind> kinds = {
      {"WordPad.Document.1", "Текстовый документ (RTF)", "Документ.rtf"},
      {"Word.Document.8", "Текстовый документ OpenDocument", "Документ.fodt"},
      {"Excel.Sheet.8", "Электронная таблица OpenDocument", "Таблица.fods"},
      {"PowerPoint.Show.8", "Презентация OpenDocument", "Презентация.fodp"},
      {"Paint.Picture", "Рисунок (BMP)", "Рисунок.bmp"},
      {"Equation.3", "Формула (MathML)", "Формула.mml"},
      {"MS_ClipArt_Gallery.5", "Векторный рисунок (SVG)", "Рисунок.svg"},
      {"avifile", "Видеоклип (из файла)", ""},
      {"SoundRec", "Звукозапись (из файла)", ""},
      {"mplayer", "Клип мультимедия (из файла)", ""}};
  return kinds;
}

bool emptyDocument(int index, std::string& name, std::vector<std::uint8_t>& bytes) {
  const auto& kinds = objectKindList();
  if (index < 0 || index >= static_cast<int>(kinds.size()) || !*kinds[static_cast<std::size_t>(index)].fileName) return false;
  name = kinds[static_cast<std::size_t>(index)].fileName;
  switch (index) {
    case 0: bytes = bytesOf("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24\\par}\n"); break;
    case 1: bytes = bytesOf(flatOdf("application/vnd.oasis.opendocument.text", "<office:text><text:p/></office:text>")); break;
    case 2:
      bytes = bytesOf(flatOdf("application/vnd.oasis.opendocument.spreadsheet",
                              "<office:spreadsheet><table:table table:name=\"Лист1\"><table:table-column/>"
                              "<table:table-row><table:table-cell/></table:table-row></table:table></office:spreadsheet>"));
      break;
    case 3:
      bytes = bytesOf(flatOdf("application/vnd.oasis.opendocument.presentation",
                              "<office:presentation><draw:page draw:name=\"Слайд1\"/></office:presentation>"));
      break;
    case 4: bytes = blankBitmap(); break;
    case 5: bytes = bytesOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<math xmlns=\"http://www.w3.org/1998/Math/MathML\"><mrow/></math>\n"); break;
    case 6:
      bytes = bytesOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"320\" height=\"200\">"
                      "<rect width=\"320\" height=\"200\" fill=\"white\"/></svg>\n");
      break;
    default: return false;
  }
  return true;
}

Outcome putObject(const testfile::TestFile& tf, tables::Vop& v, const ObjectChoice& c, const std::string& name,
                  const std::vector<std::uint8_t>& bytes, const std::string& linkedFile) {
  if (c.link == 'L') {
    std::string doc;
    if (!frameobject::linkName(linkedFile, libraryOf(tf), doc))
      return refused("Путь «" + linkedFile + "» не помещается в 64 знака поля кадра: положите документ в каталог тестов "
                     "или вставьте его без связи с файлом.");
    setLetters(v, c);
    v.OBJECTDOC = doc;
    v.OLEBLOB.bytes.clear();
    return {};
  }
  if (bytes.empty()) return refused("Документ пуст: вставлять нечего.");
  if (c.save == 'F') {
    Outcome o = storeApart(tf, v, name, bytes);
    if (!o) return o;
  } else {
    v.OBJECTDOC.clear();
    v.OLEBLOB.bytes = frameobject::packBlob(name, bytes);
  }
  setLetters(v, c);
  return {};
}

Outcome storeBack(const testfile::TestFile& tf, tables::Vop& v, const std::vector<std::uint8_t>& bytes) {
  const ObjectChoice c = choiceOf(v);
  if (c.link == 'L') {
    std::string path = cp1251::toUtf8(cp1251::clip(v.OBJECTDOC.view()));
    if (path.empty() || path.front() != '/') path = libraryOf(tf) + path;
    std::ofstream f(filepath::resolve(path), std::ios::binary | std::ios::trunc);
    if (!f || !f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
      return {store::StoreSpecific, "Не удалось записать связанный документ «" + path + "»."};
    return {};
  }
  const frameobject::Document d = frameobject::read(v, libraryOf(tf));
  return putObject(tf, v, c, d.name, bytes);
}

Outcome changeObject(const testfile::TestFile& tf, tables::Vop& v, char save, char show) {
  ObjectChoice c = choiceOf(v);
  if (c.link == 'L' || c.save == save) {
    c.save = save;
    c.show = show;
    setLetters(v, c);
    return {};
  }
  const frameobject::Document d = frameobject::read(v, libraryOf(tf));
  if (!d.missing.empty()) return refused("Объект не прочитан: " + d.missing + ".");
  c.save = save;
  c.show = show;
  return putObject(tf, v, c, d.name, d.bytes);
}

void clearObject(tables::Vop& v) {
  v.OBJECTTYPE.clear();
  v.OBJECTLINK.clear();
  v.OBJECTSAVE.clear();
  v.OBJECTSHOW.clear();
  v.OBJECTDOC.clear();
  v.OLEBLOB.bytes.clear();
}

ObjectChoice choiceOf(const tables::Vop& v) {
  auto letter = [](const auto& f, char def) { return f.blank() ? def : f.view()[0]; };
  return {letter(v.OBJECTTYPE, 'O'), letter(v.OBJECTLINK, 'N'), letter(v.OBJECTSAVE, 'B'), letter(v.OBJECTSHOW, 'I')};
}

}  // namespace constructor
