#pragma once
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "common/text_document.h"

class QTextEdit;
class QPushButton;

namespace orvenka::gui {

// The emulator's preview window: the document in its fonts and the button "Печать". Created
// once and kept; closing it only hides it.
class TFormRE : public QDialog {
    Q_OBJECT
  public:
    // `print` prints the document on the current printer with the printer's default settings;
    // it raises Failure, which the window shows while it stays open.
    explicit TFormRE(std::function<void(const TextDocument&)> print, QWidget* parent = nullptr);

    // A new document, and no print failure yet.
    void SetDocument(const TextDocument& document);
    const TextDocument& Document() const { return document_; }
    QTextEdit* Text() const { return re_; }
    QPushButton* PrintButton() const { return print_button_; }

    // "Печать": print, then close; a failure is shown and leaves the window open.
    void PrintClicked();
    // The failure of the last "Печать", while no later one went through: the document is then
    // unprinted, whatever the operator does with the window afterwards.
    const std::optional<std::string>& PrintFailure() const { return printFailure_; }

  private:
    std::function<void(const TextDocument&)> print_;
    TextDocument document_;
    std::optional<std::string> printFailure_;
    QTextEdit* re_;
    QPushButton* print_button_;
};

}  // namespace orvenka::gui
