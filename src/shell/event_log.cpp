#include "shell/event_log.h"

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/numbers.h"
#include "common/standard_streams.h"
#include "common/text.h"

namespace orvenka {
namespace {

// journald reads the priority from the start of every line, so a text with line breaks of its
// own carries it on each of them.
std::string JournalLines(const std::string& priority, const std::string& text) {
    std::string out = priority;
    for (const char c : text) {
        if (c == '\r')
            continue;
        out += c;
        if (c == '\n')
            out += priority;
    }
    return out + "\n";
}

}  // namespace

EventLog::EventLog(Clock& clock, Platform& platform, const TParam& param, std::string longLogPath)
    : clock_(clock), platform_(platform), param_(param), longLogPath_(std::move(longLogPath)) {}

std::string EventLog::Stamp(const std::string& text) {
    // A pane keeps its lines for the whole run: junk of any length costs one sane line.
    return FormatDateTime(clock_.Now()) + ":" + CutLongText(text, kMaxLogLineChars);
}

void EventLog::LogMessage(const std::string& text) {
    messages_.push_back(Stamp(text));
    if (echo_)
        WriteToStderr(JournalLines("<6>", messages_.back()));
    if (listener_)
        listener_(Pane::Messages, &messages_.back());
}

void EventLog::LogError(const std::string& text) {
    const std::string line = Stamp(text);
    errors_.push_back(line);
    if (echo_)
        WriteToStderr(JournalLines("<3>", line));
    if (listener_)
        listener_(Pane::Errors, &errors_.back());
    try {
        WriteLongLog(line, "-");
    } catch (const Failure& f) {
        // The error itself is already in the pane (and so in Result.txt); losing the long-log
        // copy must not turn one failure into a crash of the command loop.
        errors_.push_back(Stamp("Не удалось записать в журнал " + longLogPath_ + ": " + f.what()));
        if (listener_)
            listener_(Pane::Errors, &errors_.back());
    }
    ShowErrorBalloon();
}

void EventLog::WriteLongLog(const std::string& message, const std::string& documentNumber) {
    std::string record = FormatDateTime(clock_.Now());
    record += "#KKM DocumentNumber=" + documentNumber;
    record += " #NumCheck=" + CutLongText(param_.NumCheck, kMaxLogLineChars);
    record += " #DocumStr=" + CutLongText(param_.DocumStr, kMaxLogLineChars);
    record += " #isNotFiscal=" + PlusOrBlank(param_.isNotFiscal);
    record += " #SummaTovar=" + FormatMoney(param_.SummaTovar);
    record += " #Message=" + message;
    record += "\r\n";
    AppendText(longLogPath_, record);
}

void EventLog::ShowErrorBalloon() {
    std::string text;
    for (const auto& line : errors_)
        text += line + "\r";
    ShowTrayBalloon("Управление ККМ ORVENKA", text);
}

void EventLog::ShowTrayBalloon(const std::string& title, const std::string& text) {
    platform_.ShowBalloon(LeftChars(title, 63), LeftChars(text, 255));
}

void EventLog::AppendErrorsToMessages() {
    for (const auto& line : errors_) {
        messages_.push_back(line);
        if (listener_)
            listener_(Pane::Messages, &messages_.back());
    }
}

void EventLog::RestoreErrors(std::vector<std::string> lines) {
    ClearErrors();
    errors_ = std::move(lines);
    if (listener_) {
        for (const std::string& line : errors_)
            listener_(Pane::Errors, &line);
    }
}

void EventLog::ClearErrors() {
    errors_.clear();
    if (listener_)
        listener_(Pane::Errors, nullptr);
}

}  // namespace orvenka
