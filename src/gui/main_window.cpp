#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <exception>
#include <initializer_list>

#include "common/version.h"
#include "gui/app_icon.h"
#include "gui/param_editor/param_file.h"
#include "gui/qt_platform.h"
#include "gui/qt_text.h"
#include "shell/startup.h"

namespace orvenka::gui {

namespace {

QPlainTextEdit* Pane(const char* name, QWidget* parent) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setObjectName(name);
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return pane;
}

// A pane that follows its new lines keeps its cursor at the start of the last one: the view
// follows the cursor (also when the window is first shown), so the time stamp and the prefix of
// a long line stay in view rather than its end. A pane the operator is reading elsewhere in
// (scrolled up, or clicked into an earlier line) is left where it is.
void AppendLine(QPlainTextEdit* pane, const std::string& line) {
    const QScrollBar* vertical = pane->verticalScrollBar();
    const bool atBottom = vertical->value() == vertical->maximum();
    const QTextCursor before = pane->textCursor();
    const bool onLastLine =
        !before.hasSelection() && before.blockNumber() == pane->document()->blockCount() - 1;
    pane->appendPlainText(Utf8(line));
    if (!atBottom || !onLastLine)
        return;
    QTextCursor cursor = pane->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    pane->setTextCursor(cursor);
    pane->horizontalScrollBar()->setValue(0);
}

QPushButton* Button(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

const char* KindWord(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Atol:
            return "ATOL";
        case DeviceKind::Shtrih:
            return "SHTRIH";
        case DeviceKind::Emul:
            return "EMUL";
        case DeviceKind::None:
            break;
    }
    return "";
}

}  // namespace

TForm_mainFR::TForm_mainFR(AppContext& ctx, CommandLoop& loop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ctx_(ctx),
      loop_(loop),
      actions_(ctx) {
    setObjectName("Form_mainFR");
    setWindowTitle(kCaption);
    setWindowIcon(AppIcon());
    resize(720, 508);

    // Left: the message pane above the error pane.
    MemoMSG = Pane("MemoMSG", this);
    auto* errorBox = new QWidget(this);
    LabelError = new QLabel("Ошибки выполняемой команды::", errorBox);
    MemoError = Pane("MemoError", errorBox);
    auto* errorLayout = new QVBoxLayout(errorBox);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    errorLayout->addWidget(LabelError);
    errorLayout->addWidget(MemoError, 1);
    auto* left = new QSplitter(Qt::Vertical, this);
    left->addWidget(MemoMSG);
    left->addWidget(errorBox);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 2);

    // Right: "О Программе", the tabs, "Закрыть окно".
    auto* right = new QWidget(this);
    ButtonAbout = new QPushButton("О Программе", right);
    PageControl = new QTabWidget(right);
    PageControl->setObjectName("PageControl1");
    TabSheetFR = new QWidget(PageControl);
    TabSheetFR->setObjectName("TabSheetFR");
    auto* deviceLayout = new QVBoxLayout(TabSheetFR);
    auto serviceButton = [&](const char* caption, const char* name, ServiceButton action) {
        QPushButton* button = Button(caption, name, TabSheetFR);
        connect(button, &QPushButton::clicked, this, [this, action] { ServiceClicked(action); });
        return button;
    };
    ButtonProperties =
        serviceButton("Открыть свойства ФР", "ButtonProperties", ServiceButton::ShowProperties);
    ButtonOpenDrawer =
        serviceButton("Открыть ден.ящик", "ButtonOpenDrawer", ServiceButton::OpenDrawer);
    ButtonZReport = serviceButton("Z-отчет", "ButtonZReport", ServiceButton::ZReport);
    ButtonXReport = serviceButton("X-отчет", "ButtonXReport", ServiceButton::XReport);
    ButtonCopyLastCheck = serviceButton("Распечатать копию последнего чека", "ButtonCopyLastCheck",
                                        ServiceButton::CopyLastCheck);
    GroupCopyByNumber = new QGroupBox("Копия чека по номеру ФД", TabSheetFR);
    GroupCopyByNumber->setObjectName("GroupCopyByNumber");
    LabelNumFD = new QLabel("Номер Фиск док:", GroupCopyByNumber);
    EditNumFD = new QLineEdit(GroupCopyByNumber);
    EditNumFD->setObjectName("EditNumFD");
    ButtonPrintByNumber = Button("Печать", "ButtonPrintByNumber", GroupCopyByNumber);
    connect(ButtonPrintByNumber, &QPushButton::clicked, this,
            [this] { ServiceClicked(ServiceButton::CopyCheckByNumber); });
    auto* groupLayout = new QHBoxLayout(GroupCopyByNumber);
    groupLayout->addWidget(LabelNumFD);
    groupLayout->addWidget(EditNumFD, 1);
    groupLayout->addWidget(ButtonPrintByNumber);
    ButtonUnsentFD = serviceButton("Показать кол-во неотправленных ФД", "ButtonUnsentFD",
                                   ServiceButton::UnsentFD);
    ButtonTestLinkOFD =
        serviceButton("Проверка связи с ОФД", "ButtonTestLinkOFD", ServiceButton::TestLinkOFD);
    // The first letter is a Latin "C": the caption operators know.
    ButtonSrokFN = serviceButton("Cрок действия ФН", "ButtonSrokFN", ServiceButton::SrokFN);
    ButtonFixError = Button("Попробовать исправ. ошибку", "ButtonFixError", TabSheetFR);
    ButtonFixError->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ButtonProperties, ButtonOpenDrawer, ButtonZReport, ButtonXReport, ButtonCopyLastCheck,
             GroupCopyByNumber, ButtonUnsentFD, ButtonTestLinkOFD, ButtonSrokFN, ButtonFixError}) {
        deviceLayout->addWidget(w);
    }
    deviceLayout->addStretch(1);
    connect(EditNumFD, &QLineEdit::textChanged, this, &TForm_mainFR::EditNumFDChange);

    TabSheet1 = new QWidget(PageControl);
    TabSheet1->setObjectName("TabSheet1");
    auto* paramLayout = new QVBoxLayout(TabSheet1);
    ButtonNewParamFile = Button("Создать файл настроек", "ButtonNewParamFile", TabSheet1);
    ButtonOpenParamFile = Button("Открыть существующий файл", "ButtonOpenParamFile", TabSheet1);
    connect(ButtonNewParamFile, &QPushButton::clicked, this, &TForm_mainFR::NewParamFileClicked);
    connect(ButtonOpenParamFile, &QPushButton::clicked, this, &TForm_mainFR::OpenParamFileClicked);
    paramLayout->addWidget(ButtonNewParamFile);
    paramLayout->addWidget(ButtonOpenParamFile);
    paramLayout->addStretch(1);
    PageControl->addTab(TabSheetFR, "Устройство");
    PageControl->addTab(TabSheet1, "Данные чека");
    PageControl->setCurrentWidget(TabSheetFR);
    ButtonClose = new QPushButton("Закрыть окно", right);
    ButtonExit = Button("Выход", "ButtonExit", right);
    ButtonExit->setVisible(false);
    auto* bottomBar = new QHBoxLayout;
    bottomBar->addWidget(ButtonClose, 1);
    bottomBar->addWidget(ButtonExit);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(ButtonAbout);
    rightLayout->addWidget(PageControl, 1);
    rightLayout->addLayout(bottomBar);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({720 - 306, 306});
    setCentralWidget(split);

    connect(ButtonAbout, &QPushButton::clicked, this, &TForm_mainFR::AboutClicked);
    connect(ButtonClose, &QPushButton::clicked, this, &TForm_mainFR::CloseWindow);
    connect(ButtonExit, &QPushButton::clicked, this, &TForm_mainFR::ExitRequested);

    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->setObjectName("PopupMenu1");
    trayMenu_->addAction("Показать", this, &TForm_mainFR::ShowFromTray);
    trayMenu_->addAction("Выход", this, &TForm_mainFR::ExitRequested);

    for (const auto& line : ctx_.log.Messages())
        AppendLine(MemoMSG, line);
    for (const auto& line : ctx_.log.Errors())
        AppendLine(MemoError, line);
    ctx_.log.SetListener(
        [this](EventLog::Pane pane, const std::string* line) { Mirror(pane, line); });

    poller_ = std::make_unique<CommandPoller>(ctx_.Folder(), loop_);
    ctx_.frame.SetTimerControl([this](bool on) { poller_->SetTimerEnabled(on); });
}

TForm_mainFR::~TForm_mainFR() {
    ctx_.log.SetListener(nullptr);
    ctx_.frame.SetTimerControl(nullptr);
    DeleteTrayIcon();
}

void TForm_mainFR::Mirror(EventLog::Pane pane, const std::string* line) {
    QPlainTextEdit* target = pane == EventLog::Pane::Messages ? MemoMSG : MemoError;
    if (line) {
        AppendLine(target, *line);
    } else {
        target->clear();
    }
}

bool TForm_mainFR::AddTrayIcon() {
    if (tray_)
        return true;
    if (!ctx_.platform.HasScreen())
        return false;  // nobody to see an icon or a window
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        noTrayArea_ = true;
        ctx_.LogMessage(
            "Нет области уведомлений: окно программы показано сразу, \"Закрыть окно\" "
            "сворачивает его, \"Выход\" завершает программу");
        ButtonExit->setVisible(true);
        ShowFromTray();
        return false;
    }
    tray_ = new QSystemTrayIcon(AppIcon(), this);
    tray_->setToolTip(kTrayTip);
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this, &TForm_mainFR::TrayActivated);
    tray_->show();
    if (auto* platform = dynamic_cast<QtPlatform*>(&ctx_.platform))
        platform->SetTrayIcon(tray_);
    return true;
}

void TForm_mainFR::TrayActivated(QSystemTrayIcon::ActivationReason reason) {
    // The right button opens the context menu through the icon itself.
    if (reason == QSystemTrayIcon::Trigger)
        trayMenu_->popup(QCursor::pos());
}

void TForm_mainFR::DeleteTrayIcon() {
    if (!tray_)
        return;
    if (auto* platform = dynamic_cast<QtPlatform*>(&ctx_.platform))
        platform->SetTrayIcon(nullptr);
    tray_->hide();
    delete tray_;
    tray_ = nullptr;
}

void TForm_mainFR::ShowFromTray() {
    if (!placed_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        placed_ = true;
    }
    showNormal();
    raise();
    activateWindow();
}

void TForm_mainFR::CloseWindow() {
    // Without an icon a hidden window could never be shown again.
    if (noTrayArea_) {
        showMinimized();
    } else {
        hide();
    }
}

std::string TForm_mainFR::AboutText() const {
    std::string text = std::string(kCaption) + "\nПечать чеков ККМ из ini файлов.\n\n";
    text += std::string("Версия: ") + kOrvenkaVersion + "\n";
    text += "Папка программы: " + ctx_.Folder() + "\n";
    text += "Устройство при запуске: ";
    if (ctx_.StartupKind == DeviceKind::None) {
        text += "не задано\n";
    } else {
        text += std::string("/") + KindWord(ctx_.StartupKind) + "\n";
    }
    text += "\nУстройства:";
    for (const DeviceKind kind : kDeviceKinds) {
        text += std::string("\n") + KindWord(kind) + " - ";
        const DeviceBackend* backend = ctx_.Backend(kind);
        if (!backend) {
            text += "не подключено";
            continue;
        }
        const std::string state = backend->DriverState();
        text += backend->DeviceName() + ": " + (state.empty() ? "драйвер не нужен" : state);
    }
    return text;
}

void TForm_mainFR::AboutClicked() {
    const auto box = [this] { QMessageBox::about(this, "О Программе", Utf8(AboutText())); };
    // A modal box of a command or a button may let this click through; the frame is then
    // theirs, and the box is shown without touching it.
    if (!ctx_.frame.Run(FrameKind::AboutBox, box))
        box();
}

void TForm_mainFR::ServiceClicked(ServiceButton button) {
    std::string failure;
    try {
        actions_.Run(button, EditNumFD->text().toStdString());
        return;
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "Внутренняя ошибка программы";
    }
    // Nobody would see a box: the message log keeps the failure for the run log.
    if (!ctx_.platform.HasScreen())
        ctx_.LogMessage(failure);
    ShowErrorBox(failure);
}

void TForm_mainFR::EditNumFDChange(const QString& text) {
    if (const auto error = NumFDError(text.toStdString()))
        ShowErrorBox(*error);
}

void TForm_mainFR::ShowErrorBox(const std::string& text) {
    if (!ctx_.platform.HasScreen()) {
        MessageToStderr(text);
        return;
    }
    QMessageBox::critical(this, "Orvenka", MessageText(text));
}

void TForm_mainFR::NewParamFileClicked() {
    CreateParamFile(ctx_, this);
}

void TForm_mainFR::OpenParamFileClicked() {
    const std::string path = ChooseParamFile(ctx_, this);
    if (!path.empty())
        OpenParamFile(ctx_, path, this);
}

void TForm_mainFR::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseWindow();
}

}  // namespace orvenka::gui
