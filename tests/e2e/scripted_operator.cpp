// The program with a scripted operator, for the tests of how it ends: the same application as
// orvenka (RunApplication with the same back-ends) and, once it polls its folder, the steps that
// ORVENKA_OPERATOR lists (blank-separated), one after another, each as the operator takes it:
//   show   "Показать" in the tray menu
//   close  "Закрыть окно"
//   about  "О Программе"; its box stays open, so the steps after it run while it is
//   ready   a line on standard error: "оператор: окно видно|свёрнуто|скрыто, значок есть|нет"
//   exit   "Выход": the window's button where the window offers one, else the tray menu's
// A step is queued before the one ahead of it runs, so a step that opens a modal box does not
// hold the rest back.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "backends/backends.h"
#include "gui/application.h"
#include "gui/main_window.h"

namespace {

using orvenka::gui::TForm_mainFR;

void Trigger(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            action->trigger();
    }
}

void Report(TForm_mainFR& window) {
    const char* shown = window.isHidden()                                   ? "скрыто"
                        : (window.windowState() & Qt::WindowMinimized) != 0 ? "свёрнуто"
                                                                            : "видно";
    std::fprintf(stderr, "оператор: окно %s, значок %s\n", shown,
                 window.TrayIcon() ? "есть" : "нет");
    std::fflush(stderr);
}

void Exit(TForm_mainFR& window) {
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->text() == "Выход" && button->isVisibleTo(&window)) {
            button->click();
            return;
        }
    }
    Trigger(window.TrayMenu(), "Выход");
}

void Run(TForm_mainFR& window, const QStringList& steps, qsizetype at) {
    if (at >= steps.size())
        return;
    QTimer::singleShot(0, &window, [&window, steps, at] { Run(window, steps, at + 1); });
    const QString& step = steps[at];
    if (step == "show") {
        Trigger(window.TrayMenu(), "Показать");
    } else if (step == "close") {
        window.ButtonClose->click();
    } else if (step == "about") {
        window.ButtonAbout->click();
    } else if (step == "ready") {
        Report(window);
    } else if (step == "exit") {
        Exit(window);
    } else {
        std::fprintf(stderr, "оператор: неизвестный шаг %s\n", step.toUtf8().constData());
        std::fflush(stderr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* script = std::getenv("ORVENKA_OPERATOR");
    const QStringList steps =
        QString::fromUtf8(script ? script : "").split(' ', Qt::SkipEmptyParts);
    return orvenka::gui::RunApplication(
        argc, argv, [](orvenka::AppContext& ctx) { orvenka::InstallBackends(ctx); },
        [steps](TForm_mainFR& window) { Run(window, steps, 0); });
}
