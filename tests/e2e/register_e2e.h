#pragma once
// The register end-to-end suites run twice: once on the simulated register the program makes
// itself, once through dlopen of our fake vendor library (named in the program's settings
// file) over the same simulator. The cases are the same; only where the register keeps its
// tape, state and faults files differs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/files.h"
#include "program_under_test.h"

namespace orvenka::test {

enum class DriverPath { Simulator, VendorLibrary };

inline std::string DriverPathName(const ::testing::TestParamInfo<DriverPath>& info) {
    return info.param == DriverPath::Simulator ? "Simulator" : "VendorLibrary";
}

// One register kind: the program's argument, the settings key naming its library, our fake of
// that library, and the start of the names of the files the simulator keeps ("DrvFR.sim.").
struct RegisterKind {
    const char* argument;
    const char* settingsKey;
    const char* fakeLibrary;
    const char* simulatorFiles;
};
inline const RegisterKind kAtolRegister{"/ATOL", "AtolDriver", ORVENKA_FAKE_FPTR10, "Fptr10.sim."};
inline const RegisterKind kShtrihRegister{"/SHTRIH", "ShtrihDriver", ORVENKA_FAKE_CLASSIC,
                                          "DrvFR.sim."};

inline bool HasFileStartingWith(const TempFolder& folder, const std::string& start) {
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        if (entry.path().filename().string().rfind(start, 0) == 0)
            return true;
    }
    return false;
}

// One command, written whole as a careful accounting system does (cmd.ini renamed into place);
// answers Result.txt once cmd.finish is there, each line without its time stamp.
inline std::vector<std::string> SendCommand(const ProgramUnderTest& p, const std::string& line) {
    // The answer of the last command is read first: a command file written in the very moment
    // its cmd.finish appeared waits for the poll timer (5 s) instead of the watch.
    std::this_thread::sleep_for(Millis(20));
    DeleteFileIfExists(p.File("cmd.finish"));
    p.Folder().Write("cmd.tmp", line + "\r\n");
    std::filesystem::rename(p.File("cmd.tmp"), p.File("cmd.ini"));
    if (!p.WaitForFile("cmd.finish", Millis(30000)))
        return {"<no cmd.finish for " + line + ">"};
    std::vector<std::string> answer;
    static const std::regex stamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d:(.*))");
    for (const auto& l : p.Lines("Result.txt")) {
        std::smatch m;
        answer.push_back(std::regex_match(l, m, stamp) ? m[1].str() : "<no stamp> " + l);
    }
    return answer;
}

class RegisterE2E : public ::testing::TestWithParam<DriverPath> {
  protected:
    explicit RegisterE2E(RegisterKind kind) : kind_(kind) {
        // The fake library keeps its register where this names; the program inherits it.
        ::setenv("ORVENKA_FAKE_DRIVER_DIR", libraryRegister_.Path().c_str(), 1);
        WriteSettings(p);
    }
    ~RegisterE2E() override { ::unsetenv("ORVENKA_FAKE_DRIVER_DIR"); }
    void TearDown() override { ExpectNoSimulatorFiles(p); }

    bool ThroughLibrary() const { return GetParam() == DriverPath::VendorLibrary; }

    // The settings file of `run`: `extra` lines, and on the library path the key naming it.
    void WriteSettings(const ProgramUnderTest& run, const std::string& extra = "") const {
        std::string text = extra;
        if (ThroughLibrary())
            text += std::string(kind_.settingsKey) + "=" + kind_.fakeLibrary + "\r\n";
        if (!text.empty())
            run.Folder().Write(run.SettingsName(), text);
    }

    // The folder of the register's own files (tape, state, faults) for `run`.
    const TempFolder& Register(const ProgramUnderTest& run) const {
        return ThroughLibrary() ? libraryRegister_ : run.Folder();
    }

    // A program that drives the vendor's library must leave no simulator file behind: it
    // would mean a receipt went to the simulator.
    void ExpectNoSimulatorFiles(const ProgramUnderTest& run) const {
        if (ThroughLibrary()) {
            EXPECT_FALSE(HasFileStartingWith(run.Folder(), kind_.simulatorFiles))
                << kind_.simulatorFiles << "* in " << run.Folder().Path();
        }
    }
    std::vector<std::string> Send(const std::string& line) { return SendCommand(p, line); }

    TempFolder libraryRegister_;
    ProgramUnderTest p;

  private:
    RegisterKind kind_;
};

}  // namespace orvenka::test
