// How the program ends: "Выход", SIGTERM and SIGINT end it every time, with the window shown or
// closed, on a desktop with a notification area and on one without, and the run log is written
// once. Each case starts the program many times: whether an end request was refused could depend
// on the order in which Qt met the program's windows, which changes from start to start.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "program_under_test.h"

namespace orvenka::test {
namespace {

constexpr int kStarts = 20;
// Copies started at once, each a program file of its own (one copy per name runs at a time).
constexpr int kAtOnce = 4;
const Millis kStartWait(15000);
const Millis kExitWait(5000);

enum class Way { Exit, Term, Int };

const char* WayName(Way way) {
    switch (way) {
        case Way::Exit:
            return "\"Выход\"";
        case Way::Term:
            return "SIGTERM";
        case Way::Int:
            return "SIGINT";
    }
    return "";
}

// What the operator does before the end, and how the window and the icon are then.
struct Before {
    const char* steps;
    const char* state;  // as the scripted operator reports it
};

std::string FindExecutable(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

// An X server of the test's own (Xvfb), with a notification area when asked; `skip` says why
// this machine cannot have one.
class VirtualDesktop {
  public:
    explicit VirtualDesktop(bool trayArea) {
        const std::string xvfb = FindExecutable("Xvfb");
        if (xvfb.empty()) {
            skip = "Xvfb is not installed (Debian package xvfb; tools/install-deps.sh installs it)";
            return;
        }
        // Xvfb picks a free display itself and names it on its standard output.
        server_ = std::make_unique<ChildProcess>(
            xvfb,
            std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                                     "1024x768x24"},
            std::vector<std::string>{}, "/", output_.Path() + "xvfb");
        std::string number;
        WaitUntil(
            [&] {
                number = server_->Stdout();
                return !number.empty() && number.back() == '\n';
            },
            kStartWait);
        if (number.empty() || number.back() != '\n') {
            skip = "Xvfb did not start: " + server_->Stderr();
            return;
        }
        display = ":" + number.substr(0, number.size() - 1);
        if (!trayArea)
            return;
#ifdef ORVENKA_TRAY_HOST
        tray_ = std::make_unique<ChildProcess>(ORVENKA_TRAY_HOST, std::vector<std::string>{},
                                               Environment(), "/", output_.Path() + "tray");
        if (!WaitUntil([&] { return tray_->Stdout() == "ready\n"; }, kStartWait))
            skip = "the notification area did not start: " + tray_->Stderr();
#else
        skip = "the notification area of the tests was not built (no xcb library)";
#endif
    }
    ~VirtualDesktop() {
        // Stopped, not killed: Xvfb then removes its lock file and socket.
        for (ChildProcess* p : {tray_.get(), server_.get()}) {
            if (p) {
                p->Terminate();
                p->WaitForExit(kExitWait);
            }
        }
    }

    // What a program on this desktop gets; no session bus, so no other kind of notification area.
    std::vector<std::string> Environment() const {
        return {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display,
                "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent", "QT_ACCESSIBILITY=0"};
    }

    std::string skip;
    std::string display;

  private:
    TempFolder output_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> tray_;
};

// One start, ended `way` after the operator's `before`: empty when the program ended as it should
// with its run log written once, else what went wrong.
class Start {
  public:
    Start(ProgramUnderTest& p, const Before& before, Way way, std::vector<std::string> env)
        : p_(p), before_(before), way_(way) {
        std::filesystem::remove(p.File(p.RunLogName()));
        env.push_back(std::string("ORVENKA_OPERATOR=") + before.steps + " ready" +
                      (way == Way::Exit ? " exit" : ""));
        app_ = &p.Start({"/EMUL"}, env);
    }

    // The end request is made once the operator's steps are done.
    std::string Ready() {
        if (!app_->WaitForStderr("оператор: окно", kStartWait))
            return "did not start; stderr:\n" + app_->Stderr();
        const std::string expected = std::string("оператор: окно ") + before_.state + "\n";
        if (app_->Stderr().find(expected) == std::string::npos)
            return "not the case under test (wanted \"" + expected + "\"); stderr:\n" +
                   app_->Stderr();
        if (way_ == Way::Term)
            app_->Signal(SIGTERM);
        if (way_ == Way::Int)
            app_->Signal(SIGINT);
        return "";
    }

    std::string Ended() {
        const auto code = app_->WaitForExit(kExitWait);
        if (!code) {
            app_->Kill();
            return "still running";
        }
        if (*code != 0)
            return "exit code " + std::to_string(*code);
        const std::string exitLine = "Завершение работы...";
        int ends = 0;
        for (const auto& line : p_.Lines(p_.RunLogName())) {
            if (line.size() >= exitLine.size() &&
                line.compare(line.size() - exitLine.size(), exitLine.size(), exitLine) == 0) {
                ++ends;
            }
        }
        if (ends != 1)
            return "the run log holds " + std::to_string(ends) + " exit lines";
        return "";
    }

  private:
    ProgramUnderTest& p_;
    const Before& before_;
    Way way_;
    ChildProcess* app_ = nullptr;
};

// Every end request after every `before`, kStarts times each; the failures of a case are told
// with their count.
void EveryEndEveryTime(const std::vector<Before>& befores, const std::vector<std::string>& env) {
    std::vector<std::unique_ptr<ProgramUnderTest>> copies;
    for (int i = 0; i < kAtOnce; ++i)
        copies.push_back(std::make_unique<ProgramUnderTest>(ORVENKA_SCRIPTED_OPERATOR));
    for (const Before& before : befores) {
        for (const Way way : {Way::Exit, Way::Term, Way::Int}) {
            SCOPED_TRACE(std::string("operator: \"") + before.steps + "\", then " + WayName(way));
            int failed = 0;
            std::string firstFailure;
            for (int round = 0; round < kStarts / kAtOnce; ++round) {
                std::vector<std::unique_ptr<Start>> starts;
                std::vector<std::string> outcomes(kAtOnce);
                for (auto& copy : copies)
                    starts.push_back(std::make_unique<Start>(*copy, before, way, env));
                for (int i = 0; i < kAtOnce; ++i)
                    outcomes[i] = starts[i]->Ready();
                for (int i = 0; i < kAtOnce; ++i) {
                    if (outcomes[i].empty())
                        outcomes[i] = starts[i]->Ended();
                    if (!outcomes[i].empty() && failed++ == 0)
                        firstFailure = outcomes[i];
                }
            }
            EXPECT_EQ(failed, 0) << failed << " of " << kStarts
                                 << " starts did not end as asked; the first: " << firstFailure;
        }
    }
}

TEST(ExitE2E, WithoutAScreenEveryEndRequestEndsTheProgram) {
    // The window shown with a modal box open: the box's own loop must end too.
    EveryEndEveryTime({{"", "скрыто, значок нет"}, {"show about", "видно, значок нет"}}, {});
}

TEST(ExitE2E, OnADesktopWithoutANotificationAreaEveryEndRequestEndsTheProgram) {
    VirtualDesktop desktop(false);
    if (!desktop.skip.empty())
        GTEST_SKIP() << desktop.skip;
    EveryEndEveryTime({{"", "видно, значок нет"}, {"close", "свёрнуто, значок нет"}},
                      desktop.Environment());
}

TEST(ExitE2E, OnADesktopWithANotificationAreaEveryEndRequestEndsTheProgram) {
    VirtualDesktop desktop(true);
    if (!desktop.skip.empty())
        GTEST_SKIP() << desktop.skip;
    EveryEndEveryTime({{"", "скрыто, значок есть"}, {"show", "видно, значок есть"}},
                      desktop.Environment());
}

}  // namespace
}  // namespace orvenka::test
