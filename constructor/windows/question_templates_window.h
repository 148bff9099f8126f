#pragma once
// "Список типовых вопросов для тестовых заданий": the tree of question
// template groups and their questions with the full text of the highlighted
// question, kept up here and chosen from into a frame's question; and its
// two forms, "Редактирование файла VopStdGr" (a group) and "Редактирование
// файла VopStdVp" (a question). Every change goes through QuestionTemplates.
#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "question_templates.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace constructor {

// VopStdGr: "Код группы:", "Название группы:".
class GroupForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "VopStdGr";
  // Without `existing` a new group, its code suggested.
  GroupForm(QuestionTemplates& store, std::optional<TemplateGroup> existing, QWidget* parent = nullptr);
  QSpinBox* codeBox() const { return code_; }
  QLineEdit* nameBox() const { return name_; }
  // The code the group was written under.
  std::uint16_t savedCode() const { return saved_; }

 public slots:
  void accept() override;

 private:
  QuestionTemplates& store_;
  std::optional<TemplateGroup> old_;
  std::uint16_t saved_ = 0;
  QSpinBox* code_;
  QLineEdit* name_;
};

// VopStdVp: "Код группы:", "Код вопроса:", "Техт вопроса".
class QuestionForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "VopStdVp";
  // `groups` to choose from; without `existing` a new question in `group`.
  QuestionForm(QuestionTemplates& store, const std::vector<TemplateGroup>& groups, std::optional<TemplateQuestion> existing,
               std::uint16_t group, QWidget* parent = nullptr);
  QComboBox* groupBox() const { return group_; }
  QSpinBox* codeBox() const { return code_; }
  QPlainTextEdit* textBox() const { return text_; }
  std::uint16_t savedCode() const { return saved_; }

 public slots:
  void accept() override;

 private:
  QuestionTemplates& store_;
  std::optional<TemplateQuestion> old_;
  std::uint16_t saved_ = 0;
  QComboBox* group_;
  QSpinBox* code_;
  QPlainTextEdit* text_;
};

class QuestionTemplatesWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "VopTypeVp";
  // `choosing`: opened from the frame editor to take a question's text.
  QuestionTemplatesWindow(QuestionTemplates store, bool choosing, QWidget* parent = nullptr);

  QTreeWidget* tree() const { return tree_; }
  QPlainTextEdit* fullText() const { return full_; }
  QPushButton* button(const QString& text) const;
  // The menu of "&Добавить": a group, or a question into the highlighted group.
  QMenu* addMenu() const { return addMenu_; }

  // Highlights a node as a click would; false when there is none such.
  bool selectGroup(std::uint16_t code);
  bool selectQuestion(std::uint16_t code);
  // What is highlighted.
  enum class Node { None, Group, Question };
  Node currentNode() const;
  std::uint16_t currentCode() const;

  // The actions of the buttons; true when something was written (or chosen).
  bool addGroup();
  bool addQuestion();
  bool changeCurrent();
  bool deleteCurrent();
  bool chooseCurrent();

  // After "&Выбрать" or a double click on a question: its whole text.
  std::optional<QString> chosen() const { return chosen_; }

 private:
  void reload(Node select = Node::None, std::uint16_t code = 0);
  void showCurrent();
  std::uint16_t currentGroup() const;  // of the highlighted node, else the first group
  QTreeWidgetItem* find(Node kind, std::uint16_t code) const;
  const TemplateQuestion* question(std::uint16_t code) const;

  QuestionTemplates store_;
  bool choosing_;
  std::vector<TemplateGroup> groups_;
  std::vector<TemplateQuestion> questions_;
  std::optional<QString> chosen_;
  QTreeWidget* tree_;
  QPlainTextEdit* full_;
  QMenu* addMenu_;
  std::vector<QPushButton*> buttons_;
};

}  // namespace constructor
