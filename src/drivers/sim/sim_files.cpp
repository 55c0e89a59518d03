#include "drivers/sim/sim_files.h"

#include "common/failure.h"
#include "common/files.h"
#include "common/key_values.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {

SimFaults SimFaults::Load(const std::string& path, Logger& log) {
    if (!FileExists(path))
        return {};
    try {
        return FromLines(LoadLines(path), log, path);
    } catch (const Failure& f) {
        log.LogMessage("Файл неисправностей симулятора не прочитан: " + std::string(f.what()));
        return {};
    }
}

SimFaults SimFaults::FromLines(const std::vector<std::string>& lines, Logger& log,
                               const std::string& source) {
    SimFaults faults;
    for (const std::string& raw : lines) {
        const std::string line = TrimText(raw);
        if (line.empty() || line.front() == ';')
            continue;
        const auto eq = line.find('=');
        const std::string key = UpperLatin(TrimText(line.substr(0, eq)));
        const std::string value = eq == std::string::npos ? "" : TrimText(line.substr(eq + 1));
        const bool understood = [&] {
            if (eq == std::string::npos)
                return false;
            if (key.rfind("FAIL.", 0) == 0 && key.size() > 5) {
                const auto comma = value.find(',');
                const auto code = ParseInt(TrimText(value.substr(0, comma)));
                if (!code || *code == 0)
                    return false;
                faults.FailCall(
                    key.substr(5), *code,
                    comma == std::string::npos ? "" : TrimText(value.substr(comma + 1)));
                return true;
            }
            if (key == "CLOCK_OFFSET_MINUTES") {
                const auto minutes = ParseFloat(value);
                if (minutes)
                    faults.clockOffsetMinutes = *minutes;
                return minutes.has_value();
            }
            if (key == "PAPER_OUT" || key == "BUSY") {
                const auto flag = ParseInt(value);
                if (!flag || (*flag != 0 && *flag != 1))
                    return false;
                (key == "BUSY" ? faults.busy : faults.paperOut) = *flag == 1;
                return true;
            }
            return false;
        }();
        if (!understood)
            log.LogMessage(source + ": строка не понята и пропущена: " + LeftChars(line, 200));
    }
    return faults;
}

void SimFaults::FailCall(std::string_view method, int code, std::string description, bool once) {
    (once ? onceCalls_ : calls_)[UpperLatin(method)] = SimFault{code, std::move(description), once};
}

std::optional<SimFault> SimFaults::Take(std::string_view method) {
    const std::string key = UpperLatin(method);
    // A fault for the next call comes before, and leaves, a lasting one.
    if (const auto once = onceCalls_.find(key); once != onceCalls_.end()) {
        SimFault fault = once->second;
        onceCalls_.erase(once);
        return fault;
    }
    const auto it = calls_.find(key);
    if (it == calls_.end())
        return std::nullopt;
    return it->second;
}

SimState::SimState(std::string path, Logger& log) : path_(std::move(path)), log_(log) {
    if (!FileExists(path_))
        return;
    try {
        for (const std::string& line : LoadLines(path_)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string key = line.substr(0, eq);
            if (!Find(key))  // the first line of a key wins
                Set(key, line.substr(eq + 1));
        }
    } catch (const Failure& f) {
        log_.LogMessage("Состояние симулятора не прочитано, начато заново: " +
                        std::string(f.what()));
        values_.clear();
        index_.clear();
    }
}

// Keys without regard to case, looked up by their upper case: a register asks for its state
// on every call.
const std::string* SimState::Find(std::string_view key) const {
    const auto it = index_.find(UpperRus(key));
    return it == index_.end() ? nullptr : &values_[it->second].second;
}

std::string SimState::Text(std::string_view key, const std::string& defaultValue) const {
    const std::string* value = Find(key);
    return value ? *value : defaultValue;
}

int64_t SimState::Int(std::string_view key, int64_t defaultValue) const {
    const auto n = ParseInt(TrimText(Text(key)));
    return n ? *n : defaultValue;
}

double SimState::Float(std::string_view key, double defaultValue) const {
    const auto d = ParseFloat(TrimText(Text(key)));
    return d ? *d : defaultValue;
}

void SimState::Set(std::string_view key, const std::string& value) {
    const std::string upper = UpperRus(key);
    const auto it = index_.find(upper);
    if (it != index_.end()) {
        values_[it->second].second = value;
        return;
    }
    index_.emplace(upper, values_.size());
    values_.emplace_back(std::string(key), value);
}

void SimState::SetFloat(std::string_view key, double value) {
    Set(key, FormatGeneral(value));
}

void SimState::Save() {
    std::vector<std::string> lines;
    lines.reserve(values_.size());
    for (const auto& kv : values_)
        lines.push_back(kv.first + "=" + kv.second);
    // Replaced through a rename, so a killed program leaves the old state or the new one; not
    // flushed to the disk: a simulator need not outlive a power cut, and a flush per document
    // would dominate the time of a receipt.
    const std::string temporary = path_ + ".tmp";
    SaveLines(temporary, lines);
    RenameFile(temporary, path_);
}

void SimTape::BeginDocument(const std::string& title) {
    AppendText(path_,
               "==== " + name_ + ": СИМУЛЯТОР, НЕ ФИСКАЛЬНЫЙ ДОКУМЕНТ ====\r\n" + title + "\r\n");
}

void SimTape::Line(const std::string& text) {
    AppendText(path_, text + "\r\n");
}

void SimTape::Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    if (!text.empty())
        AppendText(path_, text);
}

}  // namespace orvenka
