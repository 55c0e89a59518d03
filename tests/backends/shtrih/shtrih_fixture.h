#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backends/shtrih/shtrih_backend.h"
#include "common/clock.h"
#include "common/files.h"
#include "drivers/sim/shtrih_sim.h"
#include "drivers/sim/simulators.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "shell/receipt_job.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::test {

using Lines = std::vector<std::string>;

inline Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Tovar.ini groups (name, quantity, price, VAT) from their lines in a row.
inline std::vector<Lines> Groups(const Lines& lines) {
    std::vector<Lines> groups;
    for (size_t i = 0; i + 4 <= lines.size(); i += 4)
        groups.emplace_back(lines.begin() + static_cast<long>(i),
                            lines.begin() + static_cast<long>(i) + 4);
    return groups;
}

// A driver object that passes everything to another one but answers some reads itself: the
// values a register's driver could return that the simulated register never does (a zero
// character width, an absurd device count).
class OverridingObject : public AutomationObject {
  public:
    OverridingObject(std::unique_ptr<AutomationObject> inner, std::map<std::string, Variant> reads)
        : inner_(std::move(inner)), reads_(std::move(reads)) {}
    std::string ProgId() const override { return inner_->ProgId(); }
    void Set(std::string_view name, const Variant& value) override { inner_->Set(name, value); }
    Variant Get(std::string_view name) override {
        const auto it = reads_.find(std::string(name));
        if (it == reads_.end())
            return inner_->Get(name);
        inner_->Get(name);  // keeps the traffic as it would be
        return it->second;
    }
    Variant Call(std::string_view name, const std::vector<Variant>& args) override {
        return inner_->Call(name, args);
    }

  private:
    std::unique_ptr<AutomationObject> inner_;
    std::map<std::string, Variant> reads_;
};

// The Shtrih-M back-end on the simulated register, in a temporary program folder, with the
// driver traffic recorded and the state repair's waits taken without sleeping.
class ShtrihTest : public ::testing::Test {
  protected:
    ShtrihTest() {
        RegisterSimulators(*drivers);
        ShtrihOptions options;
        options.statusPolls = 4;
        options.sleep = [this](std::chrono::milliseconds pause) { slept.push_back(pause); };
        auto backend = std::make_unique<ShtrihBackend>(ctx, drivers, options);
        fr = backend.get();
        ctx.SetBackend(std::move(backend));
        ctx.StartupKind = DeviceKind::Shtrih;
        ctx.device.Kind = DeviceKind::Shtrih;
        ctx.param.VERSION_FFD = 1.05;
        ctx.param.Section = 1;
    }

    // Reads of the register's driver answered by the test instead.
    void OverrideReads(std::map<std::string, Variant> reads) {
        drivers->Register(ShtrihSimulator::kProgId, [reads](const DriverEnvironment& env) {
            return std::make_unique<OverridingObject>(std::make_unique<ShtrihSimulator>(env),
                                                      reads);
        });
    }

    // The connection sequence of a new command, then an empty traffic record.
    void Connect() {
        ctx.ConnectPending = true;
        fr->FR_Prepare();
        traffic.lines.clear();
    }
    // A fresh driver object, as the next command gets.
    void NextCommand() {
        ctx.ReleaseDrivers();
        ctx.log.ClearErrors();
    }

    // Param.ini of a fiscal cash receipt (SNO=OSN, VERSION_FFD=1.05, a new DocumStr), with the
    // keys given changed or added.
    void WriteParam(std::map<std::string, std::string> keys = {}) {
        std::map<std::string, std::string> all = {{"SNO", "OSN"},
                                                  {"Oplata", ""},
                                                  {"VERSION_FFD", "1.05"},
                                                  {"DocumStr", "D-" + std::to_string(++documents)}};
        for (auto& [key, value] : keys)
            all[key] = value;
        std::string text;
        for (const auto& [key, value] : all)
            text += key + "=" + value + "\r\n";
        folder.Write("Param.ini", text);
    }
    // Tovar.ini from (name, quantity, price, VAT) groups.
    void WriteGoods(const std::vector<std::vector<std::string>>& goods) {
        std::string text;
        for (const auto& g : goods) {
            for (const auto& line : g)
                text += line + "\r\n";
        }
        folder.Write("Tovar.ini", text);
    }
    // A receipt through the receipt job, after a connection whose traffic is not kept: the
    // traffic then holds the receipt alone.
    bool Receipt(const std::string& command = "PRINT") {
        Connect();
        return RunReceiptJob(ctx, command);
    }
    // One command through cmd.ini, as the accounting system sends it, with the folder watch's
    // word that its writer has closed it.
    void Command(const std::string& line) {
        folder.Write("cmd.ini", line + "\r\n");
        loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
        ASSERT_TRUE(loop.Tick()) << line;
    }

    // The traffic from the first line equal to `from` on (empty when there is none).
    Lines TrafficFrom(const std::string& from) const {
        const auto it = std::find(traffic.lines.begin(), traffic.lines.end(), from);
        return Lines(it, traffic.lines.end());
    }
    bool Sent(const std::string& line) const {
        return std::find(traffic.lines.begin(), traffic.lines.end(), line) != traffic.lines.end();
    }
    // Error pane lines without their time stamps.
    Lines ErrorTexts() { return Unstamped(ctx.log.Errors()); }
    Lines MessageTexts() { return Unstamped(ctx.log.Messages()); }
    Lines Unstamped(const Lines& lines) {
        Lines texts;
        const std::string stamp = FormatDateTime(clock.Now()) + ":";
        for (const auto& line : lines)
            texts.push_back(line.rfind(stamp, 0) == 0 ? line.substr(stamp.size()) : line);
        return texts;
    }
    std::string Tape() const {
        return folder.Exists("DrvFR.sim.tape.txt") ? folder.Read("DrvFR.sim.tape.txt") : "";
    }
    std::string StateValue(const std::string& key) const {
        for (const auto& line : SplitLines(folder.Read("DrvFR.sim.state.ini"))) {
            if (line.rfind(key + "=", 0) == 0)
                return line.substr(key.size() + 1);
        }
        return {};
    }

    TempFolder folder;
    ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 15, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    DriverTraffic traffic;
    std::shared_ptr<DriverFactory> drivers =
        std::make_shared<DriverFactory>(DriverEnvironment{folder.Path(), ctx.log, clock, &traffic});
    ShtrihBackend* fr = nullptr;
    CommandLoop loop{ctx};
    std::vector<std::chrono::milliseconds> slept;
    int documents = 0;
};

}  // namespace orvenka::test
