#include "http/command_desk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "common/files.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using nlohmann::json;

// The desk with the loop played by the test: it takes commands from the queue when told to and
// writes the answer files a command would leave.
class CommandDeskTest : public ::testing::Test {
  protected:
    CommandDeskTest() { desk.AnswerLeftovers(); }

    std::string Body(const std::string& id, const std::string& word, int wait = 30) {
        return json{{"id", id}, {"command", word}, {"waitSeconds", wait}}.dump();
    }
    // Carries out the oldest command: `result` as its Result.txt, `number` as ResultNumCheck.txt.
    std::string RunOne(const std::string& result = "", const std::string& number = "") {
        const auto command = queue.Pop();
        if (!command)
            return "<nothing queued>";
        lines.push_back(command->Line());
        SaveLines(command->Folder() + "Result.txt",
                  result.empty() ? std::vector<std::string>{} : std::vector<std::string>{result});
        if (!number.empty())
            SaveLines(command->Folder() + "ResultNumCheck.txt", {number});
        const std::string folder = command->Folder();
        command->Finish();
        return folder;
    }
    std::vector<std::string> ExchangeEntries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.File(".http")))
            names.push_back(e.path().filename().string());
        return names;
    }

    test::TempFolder folder;
    FixedClock clock{EncodeDateTime({2026, 12, 9, 10, 0, 0, 0})};
    CommandQueue queue;
    AnswerStore store{folder.File(kAnswerStoreFile)};
    CommandDesk desk{folder.Path(), queue, store, clock,
                     [](const std::string& text) { return "STAMP:" + text; }};
    std::vector<std::string> lines;  // carried out, in order
};

TEST_F(CommandDeskTest, ACommandIsWrittenToItsFolderBeforeItIsQueuedAndAnsweredOnceItEnds) {
    const std::string body =
        json{{"id", "r1"},
             {"command", "PRINT"},
             {"param", {{"Oplata", ""}, {"DocumStr", "Д-1"}}},
             {"goods", {{{"name", "Хлеб"}, {"quantity", 1}, {"price", 30}, {"vat", 10}}}}}
            .dump();
    auto reply = std::async(std::launch::async, [&] { return desk.Post(body); });
    while (queue.Empty())
        std::this_thread::yield();
    // Queued with its files in place, in Windows-1251, and its request on the disk.
    ASSERT_EQ(ExchangeEntries().size(), 1u);
    const std::string dir = folder.File(".http/" + ExchangeEntries()[0] + "/");
    EXPECT_EQ(LoadLines(dir + "Tovar.ini"), (std::vector<std::string>{"Хлеб", "1", "30", "10"}));
    EXPECT_NE(ReadFileBytes(dir + "Param.ini").find("DocumStr=\xC4-1"), std::string::npos);
    EXPECT_EQ(json::parse(ReadFileBytes(dir + "request.json"))["id"], "r1");
    EXPECT_EQ(desk.Get("r1").status, 202);

    RunOne("", "17");
    const HttpReply r = reply.get();
    EXPECT_EQ(r.status, 200);
    const json answer = json::parse(r.body);
    EXPECT_EQ(answer["documentNumber"], 17);
    EXPECT_EQ(answer["errors"], json::array());
    // Kept before it was told, and the folder gone.
    EXPECT_EQ(store.Answer("r1"), r.body);
    EXPECT_TRUE(ExchangeEntries().empty());
    EXPECT_EQ(lines, std::vector<std::string>{"PRINT"});
}

TEST_F(CommandDeskTest, TheSameIdWhileItRunsWaitsForTheOneCommandAnotherBodyIsAConflict) {
    auto first = std::async(std::launch::async, [&] { return desk.Post(Body("x", "XOTCHET")); });
    while (queue.Empty())
        std::this_thread::yield();
    auto second = std::async(std::launch::async, [&] { return desk.Post(Body("x", "XOTCHET")); });
    EXPECT_EQ(desk.Post(Body("x", "ZOTCHET")).status, 409);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RunOne("ошибка");
    const HttpReply a = first.get();
    const HttpReply b = second.get();
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(b.body, a.body);
    EXPECT_EQ(json::parse(a.body)["errors"][0], "ошибка");
    EXPECT_EQ(lines.size(), 1u);  // carried out once
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(desk.Post(Body("x", "XOTCHET")).body, a.body);
    EXPECT_EQ(desk.Post(Body("x", "ZOTCHET")).status, 409);
}

TEST_F(CommandDeskTest, AWaitBeyondWaitSecondsIsAnsweredWith202AndTheAnswerFollows) {
    const HttpReply waiting = desk.Post(Body("slow", "XOTCHET", 0));
    EXPECT_EQ(waiting.status, 202);
    EXPECT_EQ(json::parse(waiting.body)["id"], "slow");
    EXPECT_EQ(desk.Get("slow").status, 202);
    RunOne();
    EXPECT_EQ(desk.Get("slow").status, 200);
    EXPECT_EQ(desk.Get("other").status, 404);
}

TEST_F(CommandDeskTest, AClosedDeskEndsItsWaitsAndTakesNoNewCommand) {
    auto waiting = std::async(std::launch::async, [&] { return desk.Post(Body("w", "XOTCHET")); });
    while (queue.Empty())
        std::this_thread::yield();
    desk.Close();
    EXPECT_EQ(waiting.get().status, 202);
    EXPECT_EQ(desk.Post(Body("n", "XOTCHET")).status, 503);
}

TEST_F(CommandDeskTest, ATextWithoutAWindows1251FormIsRefusedNotPrintedAsQuestionMarks) {
    const std::string body =
        json{{"id", "e1"},
             {"command", "PRINT"},
             {"goods",
              {{{"name", "Торт \xF0\x9F\x8E\x82"}, {"quantity", 1}, {"price", 1}, {"vat", 0}}}}}
            .dump();
    const HttpReply r = desk.Post(body);
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.body.find("U+1F382"), std::string::npos) << r.body;
    EXPECT_TRUE(queue.Empty());
    EXPECT_TRUE(ExchangeEntries().empty());
}

TEST_F(CommandDeskTest, LeftoversOfARunAreAnsweredOnceAndAnAnswerAlreadyKeptStays) {
    const auto leave = [&](const std::string& name, const std::string& id) {
        std::filesystem::create_directories(folder.File(".http/" + name));
        WriteFileBytesAtomic(folder.File(".http/" + name + "/request.json"),
                             json{{"id", id}, {"request", "h-" + id}, {"line", "PRINT"}}.dump());
    };
    leave("1-1", "lost");
    leave("1-2", "kept");
    store.Put("kept", "h-kept", "{\"id\":\"kept\"}");
    std::filesystem::create_directories(folder.File(".http/.new-1-3"));
    std::filesystem::create_directories(folder.File(".http/1-4"));  // no request: torn

    CommandDesk next{folder.Path(), queue, store, clock, [](const std::string& t) { return t; }};
    const std::vector<std::string> log = next.AnswerLeftovers();
    EXPECT_EQ(log.size(), 2u);  // the lost command and the torn folder
    EXPECT_TRUE(ExchangeEntries().empty());
    const json lost = json::parse(*store.Answer("lost"));
    EXPECT_NE(lost["errors"][0].get<std::string>().find("\"PRINT\" была принята"),
              std::string::npos);
    EXPECT_EQ(store.Answer("kept"), "{\"id\":\"kept\"}");
    EXPECT_EQ(store.Look("lost", "h-lost").match, AnswerStore::Match::Same);
    EXPECT_TRUE(queue.Empty());
}

}  // namespace
}  // namespace orvenka
