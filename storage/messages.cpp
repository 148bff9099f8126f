#include "messages.h"

namespace messages {

Args argsOf(const store::ErrorInfo& e) {
  Args a;
  a.name = e.file;
  a.error = e.text();
  a.key = e.key;
  return a;
}

Message standard(int n, const Args& a, bool atStart) {
  Message m;
  m.number = n;
  auto set = [&](std::string text, std::string caption, Buttons b = Buttons::Ok, Icon icon = Icon::Exclamation) {
    m.text = std::move(text);
    m.caption = std::move(caption);
    m.buttons = b;
    m.icon = icon;
    m.defaultButton = b == Buttons::Ok ? Ok : (b == Buttons::RetryCancel ? Retry : Yes);
  };
  switch (n) {
    // The opening procedure.
    case 1:
      set("Файл " + a.name + " не соответствует описанию. Нажмите OK для завершения программы.",
          "Недопустимая структура файла", Buttons::Ok, Icon::Stop);
      m.finalMessage = "Недопустимая структура файла!";
      break;
    case 2:
      set("Неправильный ключевой файл " + a.name + ".  Произвести его переиндексацию?", "Ошибка ключевого файла",
          Buttons::YesNo, Icon::Question);
      m.finalMessage = "Ошибка ключевого файла!";
      break;
    case 3:
      set("Ошибка - [" + a.error + "] при переиндексации ключа " + a.name + ". Нажмите OK для завершения программы.",
          "Ошибка при переиндексации ключа", Buttons::Ok, Icon::Stop);
      m.finalMessage = "Ошибка при переиндексации ключа!";
      break;
    case 4:
      set("Ошибка - [" + a.error + "] при создании " + a.name + ". Нажмите OK для завершения программы.",
          "Ошибка создания файла", Buttons::Ok, Icon::Stop);
      m.finalMessage = "Ошибка создания файла!";
      break;
    case 5:
      set("Ошибка - [" + a.error + "] при открытии созданного файла [" + a.name + "]. Нажмите OK для завершения программы.",
          "Ошибка открытия файла", Buttons::Ok, Icon::Stop);
      m.finalMessage = "Ошибка  открытия файла!";
      break;
    case 22:
      set("Файл " + a.name + " не найден. В описании структуры файла отсутсвует атрибут CREATE. Нажмите OK для завершения программы.",
          "Ошибка создания файла", Buttons::Ok, Icon::Stop);
      m.finalMessage = "Ошибка создания файла!";
      break;
    case 30:
      set("Невозможно открыть файл " + a.name + ". Ошибка - [" + a.error + "].", "Ошибка доступа к файлу", Buttons::Ok,
          Icon::Stop);
      m.finalMessage = "Ошибка диска";
      break;
    // Record operations.
    case 7:
      set("Невозможен поиск по ключу. Ошибка - [ " + a.error + ". Добавление записи не выполнено.", "Ошибка поиска по ключу");
      break;
    case 12:
      set("На эту запись ссылаются записи файла " + a.name + ". Изменение связанных полей запрещено. Восстановлены " +
              (a.extra.empty() ? std::string("прежние значения.") : a.extra),
          "Нарушение ссылочной целостности");
      break;
    case 13:
      set("На эту запись ссылаются записи файла " + a.name + ". Невозможно удалить запись пока существуют эти ссылки.",
          "Нарушение ссылочной целостности");
      break;
    case 14:
      set("Ошибка при попытке добавления записи. Ошибка - [" + a.error + "].", "Ошибка добавления записи");
      break;
    case 15:
      set("Ошибка - [" + a.error + "] при попытке обновить запись файла. Возможная причина - " +
              (a.extra.empty() ? std::string("запись заблокирована или файл недоступен.") : a.extra),
          "Ошибка обновления записи");
      break;
    case 16:
      set("Ошибка при попытке изменения записи. Повторить запись?", "Ошибка обновления записи", Buttons::YesNoCancel,
          Icon::Question);
      break;
    case 17:
      set("Ошибка - [" + a.error + "] при попытке удалить запись файла " + a.name, "Ошибка при удалении записи");
      break;
    case 18:
      set("Ошибка при удалении записи. Повторить удаление?", "Ошибка удаления записи", Buttons::YesNoCancel, Icon::Question);
      break;
    case 19:
      set("На данный момент добавление записей в файл запрещено! Нажмите OK для возврата.", "Недопустимый запрос");
      break;
    case 21:
      set("На данный момент удаление записей файла запрещено! Нажмите OK для возврата.", "Недопустимый запрос");
      break;
    case 23:
      set("Вы уверены в том, что хотите отменить изменения в этой записи?", "Отмена изменений", Buttons::YesNo, Icon::Question);
      break;
    case 24:
      set("При обновлении файла возник недопустимый дубликат в ключе [" + a.key + "].", "Дубликат в ключе");
      break;
    case 25:
      set("Ошибка автонумерации ключевого поля записи - [" + a.error + "].", "Ошибка автонумерации", Buttons::RetryCancel);
      break;
    case 29:
      if (atStart)
        set("Достигнуто начало просматриваемого файла. Переход к концу файла?", "Начало файла", Buttons::YesNo, Icon::Question);
      else
        set("Достигнут конец просматриваемого файла. Переход к началу файла?", "Конец файла", Buttons::YesNo, Icon::Question);
      break;
    case 32:
      set("Вы уверены в том, что хотите удалить эту запись?", "Удаление записи", Buttons::YesNo, Icon::Question);
      break;
    case 33:
      set("Сохранить изменения в этой записи?", "Запись изменена", Buttons::YesNoCancel, Icon::Question);
      break;
    case 35:
      set("Ошибка - [" + a.error + "] при считывании записи файла " + a.name, "Ошибка считывания записи");
      break;
    case 37:
      set("Запись была добавлена в файл " + a.name + ". Вы хотите добавить следующую запись?", a.extra, Buttons::YesNo,
          Icon::Question);
      break;
    case 38:
      set("Запись была изменена на другой станции. Вы можете их увидеть. Используйте ту же кнопку или Ctrl+ для обновления измененных данных.",
          "Ошибка обновления записи");
      break;
    case 101:
      set("Ошибка - [" + a.error + "] при создании директории " + a.path + "].", "Ошибка создания директории");
      break;
    default:
      set("Сообщение " + std::to_string(n) + ": " + a.error, "Сообщение программы");
      break;
  }
  return m;
}

Message openFailure(const store::ErrorInfo& e, const std::string& name) {
  Args a = argsOf(e);
  a.name = name;
  Message m = standard(30, a);
  m.finalMessage.clear();
  return m;
}

int Procedure::show(int number, const Args& a, const store::ErrorInfo* error, store::Transaction* open, bool atStart) {
  return show(standard(number, a, atStart), error, open);
}

int Procedure::show(const Message& m, const store::ErrorInfo* error, store::Transaction* open) {
  if (error) last_ = *error;
  if (open && open->active()) open->rollback();
  return ui_.show(m);
}

int Scripted::show(const Message& m) {
  shown.push_back(m);
  if (!answers.empty()) {
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  return m.defaultButton;
}

void Scripted::waitCursor(bool on) {
  if (on) ++waitCursorOn;
}

void Scripted::rebuildWindow(bool on, const std::string& table) {
  if (on) rebuilt.push_back(table);
}

void Scripted::endProgram(const std::string& m) {
  ended = true;
  finalMessage = m;
}

}  // namespace messages
