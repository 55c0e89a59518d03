#pragma once
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/platform.h"

namespace orvenka::test {

// Scripted double of the platform: answers come from queues a test fills beforehand, and every
// call is recorded so a test can check what the core asked for.
class ScriptedPlatform : public Platform {
  public:
    bool screen = true;
    std::deque<Answer> answers;          // AskYesNo answers; empty queue answers No
    std::deque<DeviceKind> deviceKinds;  // SelectDeviceKind answers; empty answers None
    std::deque<int> logicalDevices;      // SelectLogicalDevice answers; empty answers -1
    std::vector<std::string> printers = {"Office", "Receipts"};
    std::string current = "Office";
    std::string printFailure;                 // when set, PrintDocument raises it
    std::map<std::string, Picture> pictures;  // LoadPicture by path; others are no picture

    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, std::string>> balloons;
    std::vector<TextDocument> previews;
    std::vector<TextDocument> printed;
    std::vector<std::string> printedOn;  // printer of each printed document
    std::vector<std::vector<std::string>> logicalDeviceLists;
    std::vector<DeviceKind> deviceKindPreselects;  // `preselect` of every SelectDeviceKind
    int printerSetupCalls = 0;

    bool HasScreen() const override { return screen; }
    Answer AskYesNo(const std::string& text) override {
        questions.push_back(text);
        if (!screen)
            return Answer::NoScreen;
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowBalloon(const std::string& title, const std::string& text) override {
        balloons.emplace_back(title, text);
    }
    DeviceKind SelectDeviceKind(DeviceKind preselect) override {
        deviceKindPreselects.push_back(preselect);
        if (deviceKinds.empty())
            return DeviceKind::None;
        const DeviceKind k = deviceKinds.front();
        deviceKinds.pop_front();
        return k;
    }
    int SelectLogicalDevice(const std::vector<std::string>& lines) override {
        logicalDeviceLists.push_back(lines);
        if (logicalDevices.empty())
            return -1;
        const int n = logicalDevices.front();
        logicalDevices.pop_front();
        return n;
    }
    void ShowPreview(const TextDocument& document) override { previews.push_back(document); }
    void PrintDocument(const TextDocument& document) override {
        if (!printFailure.empty())
            throw Failure(printFailure);
        printed.push_back(document);
        printedOn.push_back(current);
    }
    std::vector<std::string> Printers() override { return printers; }
    std::string CurrentPrinter() override { return current; }
    void SelectPrinter(const std::string& name) override { current = name; }
    void PrinterSetupDialog() override { ++printerSetupCalls; }
    Picture LoadPicture(const std::string& path) override {
        const auto it = pictures.find(path);
        if (it == pictures.end())
            throw Failure("Картинка " + path + " не загружена: это не картинка");
        return it->second;
    }
};

}  // namespace orvenka::test
