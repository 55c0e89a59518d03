#include "shell/work_frame.h"

#include <exception>

#include "shell/app_context.h"

namespace orvenka {

void WorkFrame::Timer(bool on) {
    if (timer_)
        timer_(on);
}

bool WorkFrame::Run(FrameKind kind, const std::function<void()>& work,
                    const CommandEnd& commandEnd) {
    if (busy_)
        return false;
    busy_ = true;
    Timer(false);
    ctx_.ConnectPending = true;

    std::exception_ptr escaped;
    try {
        work();
    } catch (...) {
        escaped = std::current_exception();
    }

    const auto guarded = [this](const std::function<void()>& step) {
        if (step)
            ctx_.RunGuarded(step);
    };
    const auto lowerConnectPending = [this] { ctx_.ConnectPending = false; };
    const auto timerOn = [this] { Timer(true); };
    const auto releaseDrivers = [this] { ctx_.ReleaseDrivers(); };
    switch (kind) {
        case FrameKind::Command:
            guarded(releaseDrivers);
            guarded(commandEnd.answer);
            guarded(lowerConnectPending);
            guarded(timerOn);
            guarded(commandEnd.endMarker);
            break;
        case FrameKind::Button:
            guarded(lowerConnectPending);
            guarded(timerOn);
            guarded(releaseDrivers);
            break;
        case FrameKind::AboutBox:
            guarded(lowerConnectPending);
            guarded(timerOn);
            break;
    }
    busy_ = false;
    if (escaped)
        std::rethrow_exception(escaped);
    return true;
}

}  // namespace orvenka
