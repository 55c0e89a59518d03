#include "gui/rus_message.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/qt_text.h"
#include "shell/app_context.h"

namespace orvenka::gui {

namespace {

struct ButtonRow {
    MsgDlgButton button;
    const char* caption;
    ModalResult result;
};

// The fixed order of the row of buttons.
constexpr ButtonRow kButtons[] = {
    {mbYes, "Да", ModalResult::Yes},
    {mbNo, "Нет", ModalResult::No},
    {mbOK, "OK", ModalResult::OK},
    {mbCancel, "Отказ", ModalResult::Cancel},
    {mbAbort, "Прервать", ModalResult::Abort},
    {mbRetry, "Повтор", ModalResult::Retry},
    {mbIgnore, "Пропустить", ModalResult::Ignore},
    {mbAll, "Все", ModalResult::All},
    {mbNoToAll, "Не все", ModalResult::NoToAll},
    {mbYesToAll, "Да для всех", ModalResult::YesToAll},
    {mbHelp, "Помощь", ModalResult::Help},
};

QString Title(MsgDlgType type) {
    switch (type) {
        case MsgDlgType::Warning:
            return "Предупреждение";
        case MsgDlgType::Error:
            return "Ошибка";
        case MsgDlgType::Information:
            return "Информация";
        case MsgDlgType::Confirmation:
            return "Вопрос";
        case MsgDlgType::Custom:
            break;
    }
    return QCoreApplication::applicationName();
}

ModalResult DefaultResult(MsgDlgButtons buttons) {
    if (buttons & mbOK)
        return ModalResult::OK;
    if (buttons & mbYes)
        return ModalResult::Yes;
    if (buttons & mbRetry)
        return ModalResult::Retry;
    return ModalResult::None;
}

}  // namespace

std::string ButtonCaption(ModalResult result) {
    for (const auto& row : kButtons) {
        if (row.result == result)
            return row.caption;
    }
    return {};
}

ModalResult EscapeResult(MsgDlgButtons buttons) {
    if (buttons & mbCancel)
        return ModalResult::Cancel;
    if (buttons & mbNo)
        return ModalResult::No;
    if (buttons & mbOK)
        return ModalResult::OK;
    return ModalResult::None;
}

TFormRusMessage::TFormRusMessage(const std::string& text, MsgDlgType type, MsgDlgButtons buttons,
                                 QWidget* parent)
    : QDialog(parent), escape_(EscapeResult(buttons)) {
    setObjectName("FormRusMessage");
    setWindowTitle(Title(type));

    auto* icon = new QLabel(this);
    icon->setObjectName("Icon");
    QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
    switch (type) {
        case MsgDlgType::Warning:
            pixmap = QStyle::SP_MessageBoxWarning;
            break;
        case MsgDlgType::Error:
            pixmap = QStyle::SP_MessageBoxCritical;
            break;
        case MsgDlgType::Information:
            pixmap = QStyle::SP_MessageBoxInformation;
            break;
        case MsgDlgType::Confirmation:
            pixmap = QStyle::SP_MessageBoxQuestion;
            break;
        case MsgDlgType::Custom:
            break;
    }
    if (pixmap != QStyle::SP_CustomBase) {
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(size, size));
    } else {
        icon->hide();
    }

    QString shown = MessageText(text);
    // A long path is one word: let it break after its separators rather than be cut off.
    shown.replace('/', QStringLiteral("/\u200B"));
    text_ = new QLabel(shown, this);
    text_->setObjectName("Text");
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    QFont font = QApplication::font("QMessageBox");
    font.setBold(true);
    font.setPointSize(10);
    text_->setFont(font);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // As wide as its longest line, up to half the screen; only longer lines wrap.
    const QFontMetrics metrics(font);
    int natural = 0;
    for (const QString& line : text_->text().split('\n'))
        natural = std::max(natural, metrics.horizontalAdvance(line) + 2);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int half = screen->availableGeometry().width() / 2;
        text_->setMaximumWidth(half);
        natural = std::min(natural, half);
    }
    text_->setMinimumWidth(natural);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const ModalResult byDefault = DefaultResult(buttons);
    for (const auto& b : kButtons) {
        if (!(buttons & b.button))
            continue;
        auto* button = new QPushButton(QString::fromUtf8(b.caption), this);
        button->setAutoDefault(false);
        const ModalResult result = b.result;
        connect(button, &QPushButton::clicked, this, [this, result] { Finish(result); });
        if (result == byDefault) {
            button->setDefault(true);
            button->setFocus();
        }
        row->addWidget(button);
        buttons_.push_back(button);
        results_.push_back(result);
    }
    row->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(text_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* TFormRusMessage::Button(ModalResult result) const {
    for (size_t i = 0; i < results_.size(); ++i) {
        if (results_[i] == result)
            return buttons_[i];
    }
    return nullptr;
}

void TFormRusMessage::Finish(ModalResult result) {
    answer_ = result;
    done(static_cast<int>(result));
}

void TFormRusMessage::reject() {
    // Without a cancel button the box waits for one of its buttons.
    if (escape_ != ModalResult::None)
        Finish(escape_);
}

ModalResult TFormRusMessage::Run() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    exec();
    return answer_;
}

ModalResult ShowRusMessage(AppContext& ctx, const std::string& text, MsgDlgType type,
                           MsgDlgButtons buttons, QWidget* parent) {
    if (!ctx.platform.HasScreen()) {
        const ModalResult answer = EscapeResult(buttons);
        const std::string caption = ButtonCaption(answer);
        ctx.LogMessage(Title(type).toStdString() + ": " + text + " Ответ без экрана: " +
                       (caption.empty() ? std::string("нет") : "\"" + caption + "\""));
        return answer;
    }
    TFormRusMessage box(text, type, buttons, parent);
    return box.Run();
}

}  // namespace orvenka::gui
