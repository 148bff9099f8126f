#include "frame_editor.h"

namespace constructor {

const QStringList& editorMenuItems() {
  static const QStringList items = {
      QStringLiteral("Сохранить и закрыть"),     QStringLiteral("Создать новый кадр"),
      QStringLiteral("Обновить"),                QStringLiteral("Разделы теста"),
      QStringLiteral("Редактор полей"),          QStringLiteral("Конспект"),
      QStringLiteral("Множественный выбор"),     QStringLiteral("Единственный выбор"),
      QStringLiteral("Задание на ранжирование"), QStringLiteral("Задание на сопоставление"),
      QStringLiteral("Задание на дополнение"),   QStringLiteral("Параметры задания"),
      QStringLiteral("Шрифт"),                   QStringLiteral("Настройка кадра"),
      QStringLiteral("Закрыть кадр")};
  return items;
}

const QStringList& objectMenuItems() {
  static const QStringList items = {QStringLiteral("Вставить рисунок ( из файла )..."), QStringLiteral("Вставить объект..."),
                                    QStringLiteral("Создать объект из документа"), QStringLiteral("Активизировать объект"),
                                    QStringLiteral("Удалить объект/рисунок")};
  return items;
}

const QStringList& objectKinds() {
  static const QStringList kinds = {QStringLiteral("Текстовый редактор (MS Word Pad)"),
                                    QStringLiteral("Текстовый редактор (MS Word)"),
                                    QStringLiteral("Табличный редактор (MS Excel)"),
                                    QStringLiteral("Презентация (MS PowerPoint)"),
                                    QStringLiteral("Графический редактор MS Paint"),
                                    QStringLiteral("Редактор формул (MS Equation)"),
                                    QStringLiteral("Коллекция изображений и клипов (MS Office 2000)"),
                                    QStringLiteral("Видеоклип (MS Video)"),
                                    QStringLiteral("Звукозапись (MS SoundRec)"),
                                    QStringLiteral("Клип мультимедия")};
  return kinds;
}

}  // namespace constructor
