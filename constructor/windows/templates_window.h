#pragma once
// "Шаблоны инструкций": the list of instruction templates with the full
// text of the highlighted one, kept up here and chosen from for a
// scenario's start instruction; and its form "Изменение записи...".
#include <QDialog>
#include <optional>
#include <vector>

#include "instruction_templates.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace constructor {

class TemplateForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "UpdTempIns";
  // `code` 0 adds a template.
  TemplateForm(InstructionTemplates& store, std::uint8_t code, const QString& text, QWidget* parent = nullptr);
  QPlainTextEdit* text() const { return text_; }
  std::uint8_t savedCode() const { return saved_; }

 public slots:
  void accept() override;

 private:
  InstructionTemplates& store_;
  std::uint8_t code_;
  std::uint8_t saved_ = 0;
  QPlainTextEdit* text_;
};

class TemplatesWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "TempIns";
  TemplatesWindow(const std::string& file, bool choosing, QWidget* parent = nullptr);
  void reload(std::uint8_t select = 0);
  QTableWidget* list() const { return list_; }
  QPlainTextEdit* fullText() const { return full_; }
  QPushButton* button(const QString& text) const;
  // After "&Выбрать": the chosen template's text.
  std::optional<QString> chosen() const { return chosen_; }
  bool addTemplate();
  bool changeTemplate();
  bool deleteTemplate();

 private:
  int current() const;
  void showCurrent();
  InstructionTemplates store_;
  std::vector<InstructionTemplate> rows_;
  std::optional<QString> chosen_;
  QTableWidget* list_;
  QPlainTextEdit* full_;
  std::vector<QPushButton*> buttons_;
};

}  // namespace constructor
