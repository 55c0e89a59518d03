#pragma once
#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

namespace orvenka {
class AppContext;
}

namespace orvenka::gui {

// The message box with Russian captions the parameter editor asks its questions with.
enum class MsgDlgType { Warning, Error, Information, Confirmation, Custom };

// Buttons, combined with "|"; they stand in the box in the order of this list.
enum MsgDlgButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
using MsgDlgButtons = unsigned;

// What the box answers: the button that ended it, None when nothing did.
enum class ModalResult {
    None,
    Yes,
    No,
    OK,
    Cancel,
    Abort,
    Retry,
    Ignore,
    All,
    NoToAll,
    YesToAll,
    Help
};

// The caption of the button that gives `result` ("Да", "Отказ" ...); empty for None.
std::string ButtonCaption(ModalResult result);
// The answer of Esc: Cancel when present, else No, else OK; None when the box has none of them.
ModalResult EscapeResult(MsgDlgButtons buttons);

// The box itself: title by type, the type's icon, the text in the bold message font at 10 points
// wrapped at half the screen width, the buttons in a row in their fixed order. The default button
// is OK when present, else Yes, else Retry; Esc and the window's close box answer EscapeResult.
class TFormRusMessage : public QDialog {
    Q_OBJECT
  public:
    TFormRusMessage(const std::string& text, MsgDlgType type, MsgDlgButtons buttons,
                    QWidget* parent = nullptr);

    ModalResult Answer() const { return answer_; }
    QLabel* Text() const { return text_; }
    // The buttons from left to right.
    const std::vector<QPushButton*>& Buttons() const { return buttons_; }
    QPushButton* Button(ModalResult result) const;

    // Modal run, centred on the screen.
    ModalResult Run();

  public slots:
    void reject() override;

  private:
    void Finish(ModalResult result);

    ModalResult answer_ = ModalResult::None;
    ModalResult escape_;
    QLabel* text_;
    std::vector<QPushButton*> buttons_;
    std::vector<ModalResult> results_;
};

// Asks the operator. Without a screen nobody could answer: the box is not shown, the answer is
// EscapeResult (the safe one), and the question and that answer go to the message log.
ModalResult ShowRusMessage(AppContext& ctx, const std::string& text, MsgDlgType type,
                           MsgDlgButtons buttons, QWidget* parent = nullptr);

}  // namespace orvenka::gui
