#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "backends/atol/atol_backend.h"
#include "backends/backends.h"
#include "common/clock.h"
#include "common/failure.h"
#include "drivers/sim/fptr10_sim.h"
#include "drivers/sim/simulators.h"
#include "shell/app_context.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::test {

// The ATOL back-end on the simulated register, in a context on a temporary folder, with every
// call to the driver recorded. A test that needs a second run of the program makes another rig.
class AtolRig {
  public:
    AtolRig() {
        drivers = std::make_shared<DriverFactory>(
            DriverEnvironment{ctx.Folder(), ctx.log, ctx.clock, &traffic});
        RegisterSimulators(*drivers);
        InstallBackends(ctx, drivers);
        atol = static_cast<AtolBackend*>(ctx.Backend(DeviceKind::Atol));
        ctx.StartupKind = DeviceKind::Atol;
        ctx.device.Kind = DeviceKind::Atol;
        ctx.device.LogicalDevice = 1;
        ctx.param.Section = 1;
        ctx.param.VERSION_FFD = 1.05;
    }

    // A new command: the connection runs again, the traffic record starts afresh.
    void NewCommand() {
        ctx.ReleaseDrivers();
        ctx.ConnectPending = true;
        traffic.lines.clear();
    }

    // The traffic without the reads of LIBFPTR_ constants (the back-end reads each by name).
    std::vector<std::string> Traffic() const {
        std::vector<std::string> lines;
        for (const auto& line : traffic.lines) {
            if (line.rfind("LIBFPTR_", 0) == 0 && line.back() == '?')
                continue;
            lines.push_back(line);
        }
        return lines;
    }

    // Traffic lines written with names: every LIBFPTR_ name stands for the value the
    // simulated driver gives it.
    static std::vector<std::string> Expected(const std::vector<std::string>& lines) {
        static const std::regex name("LIBFPTR_[A-Z0-9_]+");
        std::vector<std::string> out;
        for (const auto& line : lines) {
            std::string result;
            auto begin = std::sregex_iterator(line.begin(), line.end(), name);
            size_t last = 0;
            for (auto it = begin; it != std::sregex_iterator(); ++it) {
                const auto value = SimulatedFptr10::Constant(it->str());
                result += line.substr(last, static_cast<size_t>(it->position()) - last);
                result += value ? value->Show() : "<no " + it->str() + ">";
                last = static_cast<size_t>(it->position() + it->length());
            }
            out.push_back(result + line.substr(last));
        }
        return out;
    }

    // The lines of the traffic from the first one equal to `from` up to, not including, the
    // first one equal to `to` after it (to the end when `to` is empty).
    std::vector<std::string> Between(const std::string& from, const std::string& to = {}) const {
        const auto all = Traffic();
        const std::string first = Expected({from})[0];
        const std::string last = to.empty() ? std::string() : Expected({to})[0];
        std::vector<std::string> out;
        bool in = false;
        for (const auto& line : all) {
            if (!in && line == first)
                in = true;
            else if (in && !last.empty() && line == last)
                break;
            if (in)
                out.push_back(line);
        }
        return out;
    }

    // Error pane lines without their time stamps.
    std::vector<std::string> Errors() const {
        std::vector<std::string> texts;
        for (const auto& line : ctx.log.Errors()) {
            const auto colon = line.find(':', 17);
            texts.push_back(colon == std::string::npos ? line : line.substr(colon + 1));
        }
        return texts;
    }

    // Goods line as the receipt job hands it over.
    void AddGoods(const TTovar& t) {
        TSale sale;
        sale.Name = t.Name;
        sale.NDS = t.NDS;
        sale.Kolvo = t.Kolvo;
        sale.Cena = t.Cena;
        sale.Summa = t.Kolvo * t.Cena;
        atol->AddGoodsLine(sale, t);
    }
    static TTovar Goods(const std::string& name, double kolvo, double cena, int nds = 18) {
        TTovar t;
        t.Name = name;
        t.Kolvo = kolvo;
        t.Cena = cena;
        t.NDS = nds;
        return t;
    }

    std::string Tape() const { return folder.Read("Fptr10.sim.tape.txt"); }

    // Runs an operation as a command does; the failure text, empty when there was none.
    template <class Operation>
    std::string Attempt(Operation operation) {
        try {
            operation();
            return {};
        } catch (const Failure& f) {
            return f.what();
        }
    }

    TempFolder folder;
    ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 15, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    DriverTraffic traffic;
    std::shared_ptr<DriverFactory> drivers;
    AtolBackend* atol = nullptr;
};

class AtolTest : public ::testing::Test, public AtolRig {};

inline std::vector<std::string> Concat(std::vector<std::string> a,
                                       const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace orvenka::test
