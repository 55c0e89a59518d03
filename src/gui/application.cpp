#include "gui/application.h"

#include <pthread.h>
#include <unistd.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <QTranslator>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/files.h"
#include "common/process.h"
#include "common/standard_streams.h"
#include "gui/main_window.h"
#include "gui/qt_platform.h"
#include "gui/unix_signals.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "shell/startup.h"

namespace orvenka::gui {

namespace {

// How long a start waits for a copy that has just ended to let go of the folder.
constexpr int kEndingCopyMs = 1000;

// Qt's own warnings go the same never-blocking way as the program's log lines.
void QtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray line = qFormatLogMessage(type, context, message).toUtf8() + '\n';
    WriteToStderr(std::string_view(line.constData(), size_t(line.size())));
}

}  // namespace

void EndProgram() {
    QCoreApplication::exit(0);
}

int RunApplication(int argc, char** argv, const std::function<void(AppContext&)>& installBackends,
                   const std::function<void(TForm_mainFR&)>& started, const OpenDoors& openDoors) {
    // Before anything is written: a stream nobody reads must neither stop nor kill the program.
    ProtectStandardStreams();
    qInstallMessageHandler(QtMessage);
    // Taken before anything else: the start folder resolves a relative link path.
    const ProgramFile program = StartedProgramFile(argc > 0 ? argv[0] : "");
    // A stop signal that comes while the program is still starting (a service stopped at once)
    // waits until the watcher below can take it, so the exit steps still run.
    sigset_t stops, startMask;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    ::pthread_sigmask(SIG_BLOCK, &stops, &startMask);
    // A machine without a desktop (a server, a service) still runs the command loop.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY")) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    QApplication app(argc, argv);
    // Qt's own dialogs (files, printing) speak the operator's language when Debian's Qt
    // translations (qt6-translations-l10n) are installed; without them they stay in English.
    QTranslator qtRussian;
    if (qtRussian.load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtRussian);
    }
    // Only "Выход" or a stop signal ends the program, never the last closed dialog.
    QApplication::setQuitOnLastWindowClosed(false);
    // The core never uses locale functions; keep the C library's numbers neutral anyway.
    std::setlocale(LC_NUMERIC, "C");

    const std::string& folder = program.folder;
    const std::string& programFile = program.name;
    SystemClock clock;
    // Held until the program ends: while it is, no other copy serves this folder.
    std::optional<FolderLock> folderLock;
    const int otherCopy = FindOtherInstance(program, folderLock, ::getpid(), kEndingCopyMs);
    if (!CheckSingleInstance(folder, otherCopy, clock))
        return 0;

    QtPlatform platform;
    AppContext ctx(folder, programFile, platform, clock);
    installBackends(ctx);
    if (!platform.HasScreen())
        ctx.log.SetEchoToStderr(true);

    CommandLoop loop(ctx);
    TForm_mainFR window(ctx, loop);
    QObject::connect(&window, &TForm_mainFR::ExitRequested, &app, EndProgram);
    UnixSignalWatcher stopSignals({SIGTERM, SIGINT});
    QObject::connect(&stopSignals, &UnixSignalWatcher::Received, &app, EndProgram);
    ::pthread_sigmask(SIG_SETMASK, &startMask, nullptr);

    // Arguments as Qt leaves them: its own options (-platform ...) are not ours.
    std::vector<std::string> commandLine{folder + programFile};
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        commandLine.push_back(arguments[i].toStdString());

    if (!FormCreate(ctx, commandLine)) {
        FormDestroy(ctx);
        return 1;
    }
    window.AddTrayIcon();
    window.StartTimer();
    StartPolling(ctx);
    std::unique_ptr<CommandDoor> doors;
    if (openDoors)
        doors = openDoors(ctx, loop.Queue());
    if (started)
        QTimer::singleShot(0, &window, [&window, &started] { started(window); });

    const int code = QApplication::exec();
    doors.reset();
    FormDestroy(ctx);
    window.DeleteTrayIcon();
    return code;
}

}  // namespace orvenka::gui
