#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/failure.h"
#include "common/folder_watch.h"
#include "common/numbers.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "shell/device_backend.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::test {

// A back-end that does nothing but write down every operation, in one journal shared by all
// kinds, as "K:Operation(arguments)". A test can make one operation fail, choose the answer of
// PrintReceipt, and look at the files in the middle of an operation through `onCall`.
class RecordingBackend : public DeviceBackend {
  public:
    RecordingBackend(DeviceKind kind, std::vector<std::string>& journal)
        : kind_(kind), journal_(journal) {}

    std::string failOn;                   // operation name that raises a Failure
    bool printAnswer = true;              // what PrintReceipt / PrintCorrection answer
    std::optional<int64_t> lastDocument;  // what LastFiscalDocument answers
    std::function<void(const std::string& operation)> onCall;
    std::vector<TSale> sales;
    std::vector<TTovar> goods;            // copy of the TTovar passed
    bool correctionFromParam = false;     // CorrectionFromParam
    bool prepareAnswer = true;            // what PrepareServiceButton answers
    std::vector<ServiceButton> prepared;  // every PrepareServiceButton

    DeviceKind Kind() const override { return kind_; }
    std::optional<int64_t> LastFiscalDocument() override { return lastDocument; }
    std::string DeviceName() const override { return std::string("прибор ") + KindLetter(kind_); }
    void BeginReceipt() override { Note("BeginReceipt", ""); }
    void AddExtraLine(const std::string& caption, const std::string& value,
                      bool emphasis) override {
        Note("AddExtraLine", caption + "|" + value + "|" + (emphasis ? "+" : "-"));
    }
    void AddGoodsLine(const TSale& line, const TTovar& tovar) override {
        sales.push_back(line);
        goods.push_back(tovar);
        Note("AddGoodsLine", line.Name);
    }
    bool PrintReceipt(const std::string& command) override {
        Note("PrintReceipt", command);
        return printAnswer;
    }
    bool CorrectionFromParam() const override { return correctionFromParam; }
    bool PrintCorrection(const std::string& command) override {
        Note("PrintCorrection", command);
        return printAnswer;
    }
    void PrintLine(const std::string& text) override { Note("PrintLine", text); }
    void FeedAndCut() override { Note("FeedAndCut", ""); }
    void LoadPicture(const std::string& word) override { Note("LoadPicture", word); }
    void PrintQRCode(const std::string& word) override { Note("PrintQRCode", word); }
    void PrintCopyLastCheck() override { Note("PrintCopyLastCheck", ""); }
    void ShowProperties() override { Note("ShowProperties", ""); }
    void CashIn(double amount) override { Note("CashIn", FormatGeneral(amount)); }
    void CashOut(double amount) override { Note("CashOut", FormatGeneral(amount)); }
    void OpenShift() override { Note("OpenShift", ""); }
    void ZReportEmul() override { Note("ZReportEmul", ""); }
    void XReportEmul() override { Note("XReportEmul", ""); }
    void ZReport() override { Note("ZReport", ""); }
    void XReport() override { Note("XReport", ""); }
    void DepartmentReport() override { Note("DepartmentReport", ""); }
    void OpenDrawer() override { Note("OpenDrawer", ""); }
    void PrintCopyLastCheckForNum(const std::string& number) override {
        Note("PrintCopyLastCheckForNum", number);
    }
    void ShowUnsentFD() override { Note("ShowUnsentFD", ""); }
    void ShowTestLinkOFD() override { Note("ShowTestLinkOFD", ""); }
    void ShowSrokFN() override { Note("ShowSrokFN", ""); }
    bool PrepareServiceButton(ServiceButton button) override {
        prepared.push_back(button);
        return prepareAnswer;
    }
    void ReleaseDriver() override { Note("ReleaseDriver", ""); }

  private:
    void Note(const std::string& operation, const std::string& arguments) {
        journal_.push_back(KindLetter(kind_) + (":" + operation) + "(" + arguments + ")");
        if (onCall)
            onCall(operation);
        if (operation == failOn)
            throw Failure("отказ устройства в операции " + operation);
    }
    DeviceKind kind_;
    std::vector<std::string>& journal_;
};

// A context on a temporary folder with a scripted platform, a fixed clock and a recording
// back-end for each device kind.
class ShellTest : public ::testing::Test {
  protected:
    ShellTest() {
        for (const DeviceKind kind : kDeviceKinds) {
            auto backend = std::make_unique<RecordingBackend>(kind, journal);
            fakes[Index(kind)] = backend.get();
            ctx.SetBackend(std::move(backend));
        }
        // The Shtrih-M back-end makes its correction receipts from Param.ini alone.
        Fake(DeviceKind::Shtrih).correctionFromParam = true;
        ctx.StartupKind = DeviceKind::Shtrih;
    }

    RecordingBackend& Fake(DeviceKind kind) { return *fakes[Index(kind)]; }
    // Journal entries other than the end-of-tick driver releases.
    std::vector<std::string> Operations() const {
        std::vector<std::string> ops;
        for (const auto& entry : journal) {
            if (entry.find(":ReleaseDriver(") == std::string::npos)
                ops.push_back(entry);
        }
        return ops;
    }
    // Error pane lines without their time stamps.
    std::vector<std::string> ErrorTexts() {
        std::vector<std::string> texts;
        const std::string stamp = FormatDateTime(clock.Now()) + ":";
        for (const auto& line : ctx.log.Errors()) {
            texts.push_back(line.rfind(stamp, 0) == 0 ? line.substr(stamp.size()) : line);
        }
        return texts;
    }

    // cmd.ini as the accounting system writes it (text in Windows-1251), with the folder watch's
    // word that its writer has closed it: the next tick takes it.
    void WriteCommand(CommandLoop& loop, const std::string& text,
                      const std::string& name = "cmd.ini") {
        folder.Write(name, text);
        loop.NoteChange({FolderWatch::Change::Closed, name});
    }

    TempFolder folder;
    ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 15, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    std::vector<std::string> journal;

  private:
    static int Index(DeviceKind kind) {
        return kind == DeviceKind::Atol ? 0 : kind == DeviceKind::Shtrih ? 1 : 2;
    }
    RecordingBackend* fakes[3] = {};
};

}  // namespace orvenka::test
