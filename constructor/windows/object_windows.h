#pragma once
// The windows of documents inside frames: "Вставка объекта" (the kind of a
// new document or a document file, where it is kept and how the examinee
// meets it), "Свойства Объекта" (storage and status of the present object)
// and the picture format of a frame.
#include <QDialog>
#include <functional>

#include "frame_objects.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace constructor {

class SelectObjectWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "SelectOleServer";
  // `fromFile`: opened by "Создать объект из документа" (the kinds hidden,
  // the cursor in the file name).
  SelectObjectWindow(const ObjectChoice& initial, bool fromFile, QWidget* parent = nullptr);

  // After OK: the choice, the kind (0..9) for a new object, the file otherwise.
  ObjectChoice choice() const;
  int kind() const;
  QString fileName() const;
  bool fromFile() const;

  QRadioButton* createBox() const { return create_; }
  QRadioButton* fileBox() const { return file_; }
  QListWidget* kinds() const { return kinds_; }
  QLineEdit* fileLine() const { return fileName_; }
  QCheckBox* linkBox() const { return link_; }
  QPlainTextEdit* result() const { return result_; }
  void setSave(char save);
  void setShow(char show);
  std::function<QString()> pickFile;

 public slots:
  void accept() override;

 private:
  void explain();
  QRadioButton *create_, *file_;
  QListWidget* kinds_;
  QPushButton* sort_;
  QLineEdit* fileName_;
  QCheckBox* link_;
  QButtonGroup *save_, *show_;
  QPlainTextEdit* result_;
  bool descending_ = false;
};

class ObjectPropertiesWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "ObjectProp";
  ObjectPropertiesWindow(char save, char show, QWidget* parent = nullptr);
  char save() const;
  char show() const;
  void setSave(char save);
  void setShow(char show);

 private:
  QButtonGroup *save_, *show_;
};

class PictureFormatWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "PropZadania";
  PictureFormatWindow(int layout, QWidget* parent = nullptr);
  int pictureLayout() const;
  void setPictureLayout(int layout);

 private:
  QButtonGroup* layouts_;
};

}  // namespace constructor
