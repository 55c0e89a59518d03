#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "common/files.h"
#include "shell/command_loop.h"
#include "shell/command_queue.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using namespace std::chrono_literals;

class QueuedCommandTest : public test::ShellTest {
  protected:
    // A private exchange folder inside the working one, with its own incoming files.
    std::string Private(const std::string& name, const std::string& param,
                        const std::string& goods) {
        const std::string dir = folder.Path() + name + "/";
        ::mkdir(dir.c_str(), 0700);
        if (!param.empty())
            folder.Write(name + "/Param.ini", param);
        if (!goods.empty())
            folder.Write(name + "/Tovar.ini", goods);
        return dir;
    }
    std::shared_ptr<QueuedCommand> Queue(const std::string& line, const std::string& dir) {
        auto command = std::make_shared<QueuedCommand>(line, dir, [this, dir] {
            finishedWith.push_back(FileExists(dir + "Result.txt")
                                       ? DecodeFileText(ReadFileBytes(dir + "Result.txt"))
                                       : "<none>");
        });
        loop.Queue().Push(command);
        return command;
    }

    CommandLoop loop{ctx};
    std::vector<std::string> finishedWith;  // Result.txt of the private folder at the end
};

TEST_F(QueuedCommandTest, ReceiptReadsAndAnswersInItsOwnFolderAndLeavesTheFoldersAnswer) {
    // The file client's own files and its last answer, which it may be reading right now.
    folder.Write("Param.ini", "Oplata=\r\nDocumStr=ФАЙЛ-1\r\n");
    folder.Write("Tovar.ini", "Файловый товар\r\n1\r\n10\r\n0\r\n");
    folder.Write("Result.txt", "ответ файла\r\n");
    folder.Write("cmd.finish", "конец\r\n");
    ctx.LogError("ответ файла");
    const std::vector<std::string> pane = ctx.log.Errors();

    const std::string dir =
        Private("p1", "Oplata=\r\nDocumStr=HTTP-1\r\n", "Товар HTTP\r\n2\r\n5\r\n0\r\n");
    auto command = Queue("SHTRIH,1,PRINT", dir);
    Fake(DeviceKind::Shtrih).failOn = "PrintReceipt";

    EXPECT_TRUE(loop.RunQueued());
    EXPECT_TRUE(command->Finished());
    EXPECT_TRUE(command->WaitFor(0ms));
    ASSERT_EQ(Fake(DeviceKind::Shtrih).goods.size(), 1u);
    EXPECT_EQ(Fake(DeviceKind::Shtrih).goods[0].Name, "Товар HTTP");
    EXPECT_EQ(ctx.param.DocumStr, "HTTP-1");
    // Its goods file was used up in its own folder; the file client's is untouched.
    EXPECT_TRUE(FileExists(dir + "Tovar.oldini"));
    EXPECT_TRUE(folder.Exists("Tovar.ini"));
    // Its answer is in its own folder, complete before anyone is told.
    ASSERT_EQ(finishedWith.size(), 1u);
    EXPECT_NE(finishedWith[0].find("отказ устройства в операции PrintReceipt"), std::string::npos);
    EXPECT_TRUE(FileExists(dir + "cmd.finish"));
    // The folder's answer files and the pane are the file command's still.
    EXPECT_EQ(folder.Read("Result.txt"), "ответ файла\r\n");
    EXPECT_EQ(folder.Read("cmd.finish"), "конец\r\n");
    EXPECT_EQ(ctx.log.Errors(), pane);
    EXPECT_EQ(ctx.ExchangeFolder(), folder.Path());
    EXPECT_EQ(loop.Queue().Snapshot().lastCommand, "PRINT");
}

TEST_F(QueuedCommandTest, WithoutItsOwnParamIniTheFoldersIsNeverRead) {
    folder.Write("Param.ini", "Oplata=\r\nDocumStr=ФАЙЛ-2\r\n");
    folder.Write("Tovar.ini", "Файловый товар\r\n1\r\n10\r\n0\r\n");
    const std::string dir = Private("p2", "", "");
    Queue("SHTRIH,1,PRINT", dir);
    EXPECT_TRUE(loop.RunQueued());
    EXPECT_TRUE(Operations().empty()) << Operations().front();
    ASSERT_EQ(finishedWith.size(), 1u);
    EXPECT_NE(finishedWith[0].find(dir + "Param.ini"), std::string::npos) << finishedWith[0];
    EXPECT_TRUE(folder.Exists("Tovar.ini"));
}

TEST_F(QueuedCommandTest, RunInTheOrderTheyCameOneAtATimeAndNotWhileAFrameIsOpen) {
    const std::string a = Private("a", "", "");
    const std::string b = Private("b", "", "");
    Queue("SHTRIH,1,XOTCHET", a);
    Queue("ATOL,3,ZOTCHET", b);
    bool ranInside = true;
    ctx.frame.Run(FrameKind::Button, [&] { ranInside = loop.RunQueued(); });
    EXPECT_FALSE(ranInside);
    EXPECT_TRUE(Operations().empty());

    EXPECT_TRUE(loop.RunQueued());
    EXPECT_EQ(Operations(), (std::vector<std::string>{"S:XReport()"}));
    EXPECT_TRUE(loop.RunQueued());
    EXPECT_EQ(Operations(), (std::vector<std::string>{"S:XReport()", "A:ZReport()"}));
    EXPECT_EQ(ctx.device.LogicalDevice, 3);
    EXPECT_FALSE(loop.RunQueued());
    EXPECT_EQ(finishedWith, (std::vector<std::string>{"", ""}));
}

TEST_F(QueuedCommandTest, ALineWithoutACommandWordIsAnsweredNotIgnored) {
    const std::string dir = Private("c", "", "");
    Queue("PRN,,", dir);
    EXPECT_TRUE(loop.RunQueued());
    ASSERT_EQ(finishedWith.size(), 1u);
    EXPECT_NE(finishedWith[0].find("не указано слово команды"), std::string::npos);
}

TEST(CommandQueue, AWaiterIsWokenByTheLoopsThreadAndTheDescriptorTellsOfWork) {
    CommandQueue queue;
    ASSERT_GE(queue.WakeFd(), 0);
    const auto readable = [&] {
        uint64_t n = 0;
        // Non-blocking: -1 when nothing waits. Read back so the state does not change.
        if (::read(queue.WakeFd(), &n, sizeof n) != sizeof n)
            return false;
        [[maybe_unused]] const ssize_t w = ::write(queue.WakeFd(), &n, sizeof n);
        return true;
    };
    EXPECT_FALSE(readable());
    std::atomic<int> order{0};
    int finishedAt = -1;
    auto command =
        std::make_shared<QueuedCommand>("XOTCHET", "/nowhere/", [&] { finishedAt = ++order; });
    queue.Push(command);
    queue.Push(std::make_shared<QueuedCommand>("ZOTCHET", "/nowhere/", nullptr));
    EXPECT_TRUE(readable());
    EXPECT_FALSE(command->WaitFor(10ms));

    std::thread loop([&] {
        auto first = queue.Pop();
        EXPECT_EQ(first->Line(), "XOTCHET");
        EXPECT_TRUE(readable());  // one left
        first->Finish();
        EXPECT_EQ(queue.Pop()->Line(), "ZOTCHET");
    });
    EXPECT_TRUE(command->WaitFor(10s));
    loop.join();
    EXPECT_EQ(finishedAt, 1);  // the answer was made before the waiter woke
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Pop(), nullptr);
    EXPECT_FALSE(readable());
}

}  // namespace
}  // namespace orvenka
