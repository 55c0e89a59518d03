#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/app_icon.h"
#include "gui/qt_platform.h"
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

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

TForm_mainFR::TForm_mainFR(AppContext& ctx, CommandLoop& loop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ctx_(ctx),
      loop_(loop) {
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
    new QVBoxLayout(TabSheetFR);
    TabSheet1 = new QWidget(PageControl);
    TabSheet1->setObjectName("TabSheet1");
    new QVBoxLayout(TabSheet1);
    PageControl->addTab(TabSheetFR, "Устройство");
    PageControl->addTab(TabSheet1, "Данные чека");
    PageControl->setCurrentWidget(TabSheetFR);
    PageControl->setTabVisible(PageControl->indexOf(TabSheet1), false);
    ButtonClose = new QPushButton("Закрыть окно", right);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(ButtonAbout);
    rightLayout->addWidget(PageControl, 1);
    rightLayout->addWidget(ButtonClose);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({720 - 306, 306});
    setCentralWidget(split);

    connect(ButtonAbout, &QPushButton::clicked, this, &TForm_mainFR::AboutClicked);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::hide);

    for (const auto& line : ctx_.log.Messages())
        MemoMSG->appendPlainText(Utf8(line));
    for (const auto& line : ctx_.log.Errors())
        MemoError->appendPlainText(Utf8(line));
    ctx_.log.SetListener(
        [this](EventLog::Pane pane, const std::string* line) { Mirror(pane, line); });

    poller_ = std::make_unique<CommandPoller>(
        ctx_.Folder(), [this] { loop_.Tick(); }, [this] { return loop_.Busy(); });
    loop_.SetTimerControl([this](bool on) { poller_->SetTimerEnabled(on); });
}

TForm_mainFR::~TForm_mainFR() {
    ctx_.log.SetListener(nullptr);
    loop_.SetTimerControl(nullptr);
    DeleteTrayIcon();
}

void TForm_mainFR::Mirror(EventLog::Pane pane, const std::string* line) {
    QPlainTextEdit* target = pane == EventLog::Pane::Messages ? MemoMSG : MemoError;
    if (line) {
        target->appendPlainText(Utf8(*line));
    } else {
        target->clear();
    }
}

void TForm_mainFR::AddTrayIcon() {
    if (tray_ || !ctx_.platform.HasScreen() || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->addAction("Показать", this, &TForm_mainFR::ShowFromTray);
    trayMenu_->addAction("Выход", qApp, &QCoreApplication::quit);

    tray_ = new QSystemTrayIcon(AppIcon(), this);
    tray_->setToolTip(kTrayTip);
    tray_->setContextMenu(trayMenu_.get());  // right button
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger)
            trayMenu_->popup(QCursor::pos());  // left button
    });
    tray_->show();
    if (auto* platform = dynamic_cast<QtPlatform*>(&ctx_.platform))
        platform->SetTrayIcon(tray_);
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

void TForm_mainFR::AboutClicked() {
    poller_->SetTimerEnabled(false);
    ctx_.ConnectPending = true;
    QMessageBox::about(this, "О Программе",
                       QString("%1\n\nПечать чеков ККМ из ini файлов.\nПапка команд: %2")
                           .arg(kCaption, Utf8(ctx_.Folder())));
    ctx_.ConnectPending = false;
    poller_->SetTimerEnabled(true);
}

void TForm_mainFR::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

}  // namespace orvenka::gui
