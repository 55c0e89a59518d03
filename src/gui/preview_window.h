#pragma once
#include <QDialog>
#include <functional>

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

    void SetDocument(const TextDocument& document);
    const TextDocument& Document() const { return document_; }
    QTextEdit* Text() const { return re_; }
    QPushButton* PrintButton() const { return print_button_; }

    // "Печать": print, then close; a failure leaves the window open.
    void PrintClicked();

  private:
    std::function<void(const TextDocument&)> print_;
    TextDocument document_;
    QTextEdit* re_;
    QPushButton* print_button_;
};

}  // namespace orvenka::gui
