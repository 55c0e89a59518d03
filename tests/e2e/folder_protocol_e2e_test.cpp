// The folder protocol under the conditions of a real shop, through the real program and client:
// each test one way a shop's folder, writers or streams can differ from the simple case.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <thread>

#include "common/files.h"
#include "program_under_test.h"

namespace orvenka::test {
namespace {

const Millis kWait(15000);
const char* const kNoPrinter = "CUPS_SERVER=/nonexistent/orvenka-e2e/cups.sock";
const char* const kAtolTape = "Fptr10.sim.tape.txt";  // what the simulated ATOL register prints

// "dd.mm.yyyy hh:mm:ss:text" -> "text".
std::vector<std::string> Texts(const std::vector<std::string>& lines) {
    static const std::regex stamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d:(.*))");
    std::vector<std::string> texts;
    for (const auto& line : lines) {
        std::smatch m;
        texts.push_back(std::regex_match(line, m, stamp) ? std::string(m[1]) : "?" + line);
    }
    return texts;
}

std::string Unknown(const std::string& word) {
    return "Неизвестная команда \"" + word + "\". Команда не выполнена";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Everything in a folder, bytes and all.
std::map<std::string, std::string> Snapshot(const TempFolder& folder) {
    std::map<std::string, std::string> all;
    for (const auto& e : std::filesystem::directory_iterator(folder.Path())) {
        const std::string name = e.path().filename().string();
        all[name] = folder.ReadBytes(name);
    }
    return all;
}

class FolderProtocolE2E : public ::testing::Test {
  protected:
    struct Run {
        int code = -1;
        std::string out;  // UTF-8
        std::string err;
    };

    // With its settings file in place, so that the error pane starts empty.
    ChildProcess& StartProgram() {
        p.Folder().Write(p.SettingsName(), "AtolNoCloseLinkToDriverAfterCommand=\r\n");
        ChildProcess& app = p.Start({"/EMUL"}, {kNoPrinter});
        if (!app.WaitForStderr(ProgramUnderTest::kPollingLine, kWait))
            throw std::runtime_error("the program did not start polling:\n" + app.Stderr());
        return app;
    }

    // The integrator's client, started now; `Finish` waits for it.
    std::unique_ptr<ChildProcess> Client(const std::vector<std::string>& args) {
        std::vector<std::string> all{"-d", p.Folder().Path()};
        all.insert(all.end(), args.begin(), args.end());
        const std::string prefix = outputs.Path() + "client" + std::to_string(++clients);
        return std::make_unique<ChildProcess>(ORVENKA_CMD_EXECUTABLE, all,
                                              std::vector<std::string>{kNoPrinter}, outputs.Path(),
                                              prefix);
    }
    static Run Finish(ChildProcess& client) {
        Run run;
        run.code = client.WaitForExit(Millis(60000)).value_or(-1);
        run.out = client.Stdout();
        run.err = client.Stderr();
        return run;
    }
    Run Send(const std::string& line) { return Finish(*Client({"-t", "20", line})); }

    std::vector<std::string> Answer() const { return Texts(p.Lines("Result.txt")); }

    ProgramUnderTest p;
    TempFolder outputs;
    int clients = 0;
};

// A writer that puts "OPEN", pauses, then "SESSION" and the line end: one command, OPENSESSION,
// whether it keeps the file open or opens it twice.
TEST_F(FolderProtocolE2E, CommandWrittenInPiecesRunsWhole) {
    ChildProcess& app = StartProgram();
    int commands = 0;
    for (const int pause : {30, 100, 500}) {
        for (const bool reopened : {false, true}) {
            SCOPED_TRACE(std::to_string(pause) + " ms" + (reopened ? ", opened twice" : ""));
            ASSERT_TRUE(DeleteFileIfExists(p.File("cmd.finish")));
            {
                std::ofstream out(p.File("cmd.ini"), std::ios::binary);
                out << "OPEN" << std::flush;
                if (reopened)
                    out.close();
                std::this_thread::sleep_for(Millis(pause));
                if (reopened)
                    out.open(p.File("cmd.ini"), std::ios::binary | std::ios::app);
                out << "SESSION\r\n";
            }
            ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait));
            ++commands;
            EXPECT_EQ(p.Folder().ReadBytes("Result.txt"), "");
            EXPECT_FALSE(p.Folder().Exists("cmd.ini"));
        }
    }
    EXPECT_EQ(Count(app.Stderr(), "Прочитал команду OPENSESSION\n"), size_t(commands))
        << app.Stderr();
    EXPECT_EQ(Count(app.Stderr(), "Прочитал команду OPEN\n"), 0u) << app.Stderr();
}

// The accounting system's files in another letter case are found; the program's own files keep
// their documented names; two spellings of one file at once are refused, not guessed.
TEST_F(FolderProtocolE2E, FileNamesInAnyLetterCase) {
    StartProgram();
    const auto start = std::chrono::steady_clock::now();
    p.Folder().Write("CMD.INI", "OPENSESSION\r\n");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait));
    EXPECT_LT(std::chrono::steady_clock::now() - start, Millis(2000)) << "seen by the watch";
    EXPECT_FALSE(p.Folder().Exists("CMD.INI"));
    EXPECT_EQ(p.Folder().ReadBytes("Result.txt"), "");

    // A receipt on the simulated ATOL register, from the files in upper case.
    p.Folder().Write("PARAM.INI", "Oplata=\r\nSNO=OSN\r\nDocumStr=Д-1\r\n");
    p.Folder().Write("DOP.INI", "Заказ\r\n42\r\n+\r\n");
    p.Folder().Write("TOVAR.INI", "Хлеб бородинский\r\n1\r\n30\r\n10\r\n");
    Run run = Send("ATOL,1,PRINT");
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_EQ(Answer(), std::vector<std::string>{});
    EXPECT_NE(p.Folder().Read(kAtolTape).find("Хлеб бородинский"), std::string::npos);
    EXPECT_NE(p.Folder().Read(kAtolTape).find("Заказ"), std::string::npos);
    EXPECT_EQ(p.Lines("CheckList.txt"), std::vector<std::string>{"Д-1"});
    EXPECT_FALSE(p.Folder().Exists("TOVAR.INI"));
    EXPECT_TRUE(p.Folder().Exists("Tovar.oldini"));

    p.Folder().Write("Tovar.ini", "Хлеб\r\n1\r\n30\r\n10\r\n");
    p.Folder().Write("Param.ini", "Oplata=VISA\r\n");
    run = Send("ATOL,1,PRINT");
    EXPECT_EQ(run.code, 1);
    const auto answer = Answer();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_NE(answer[0].find("(Param.ini, PARAM.INI)"), std::string::npos) << answer[0];
    EXPECT_TRUE(p.Folder().Exists("Tovar.ini")) << "nothing read, nothing moved";
}

// "orvenka-cmd check" answers what a receipt command would, and changes nothing: no file moved
// or written, nothing printed or counted.
TEST_F(FolderProtocolE2E, DryRunOfAReceipt) {
    struct Row {
        std::string name;
        std::map<std::string, std::string> files;
        int code;
        std::vector<std::string> output;  // the lines, in order; "..." stands for any one line
    };
    const std::vector<Row> rows = {
        {"good",
         {{"Param.ini",
           "Oplata=Break\r\nBreakSumNAL=100\r\nBreakSumVISA=43.65\r\nDocumStr=Д-1\r\n"},
          {"Dop.ini", "Заказ\r\n42\r\n+\r\n"},
          {"tovar.ini", "Хлеб\r\n2,5\r\n45,50\r\n10\r\nМолоко\r\n1\r\n30\r\n10\r\n"}},
         0,
         {"Примечание: вид устройства папки неизвестен (нет orvenka-folder.ini): настройки "
          "эмулятора не проверены",
          "Товаров: 2, сумма 143.75", "Доп. строк: 1",
          "Оплата: наличными 100.00, электронными 43.65",
          "Примечание: оплата меньше суммы товаров; ККМ откажет в закрытии такого чека",
          "Чек был бы напечатан"}},
        {"bad",
         {{"Param.ini", "SNO=OSN\r\n"}, {"Tovar.ini", "Хлеб\r\n1\r\nцена\r\n10\r\n"}},
         1,
         {"...", "...", "Список Товаров/Услуг пуст. Печать чека отменена!",
          "Примечание: вид устройства папки неизвестен (нет orvenka-folder.ini): настройки "
          "эмулятора не проверены",
          "Товаров: 0, сумма 0.00", "Доп. строк: 0", "Оплата: наличными 0.00, электронными 0.00",
          "Чек не был бы напечатан"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& e : std::filesystem::directory_iterator(p.Folder().Path()))
            std::filesystem::remove_all(e.path());
        for (const auto& [name, text] : row.files)
            p.Folder().Write(name, text);
        const auto before = Snapshot(p.Folder());
        const Run run = Finish(*Client({"check"}));
        EXPECT_EQ(run.code, row.code) << run.out << run.err;
        const auto lines = SplitLines(run.out);
        ASSERT_EQ(lines.size(), row.output.size()) << run.out;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (row.output[i] != "...") {
                EXPECT_EQ(lines[i], row.output[i]);
            }
        }
        EXPECT_EQ(Snapshot(p.Folder()), before);
    }
}

// Clients started at once on one folder: every command runs once, and every client prints the
// answer to its own command.
TEST_F(FolderProtocolE2E, ClientsAtOnceEachGetTheirOwnAnswer) {
    ChildProcess& app = StartProgram();
    const int rounds = 20;
    const std::vector<std::string> names = {"A", "B", "C"};
    for (int round = 1; round <= rounds; ++round) {
        std::vector<std::unique_ptr<ChildProcess>> started;
        for (const std::string& name : names)
            started.push_back(Client({"-t", "30", "ZAKAZ-" + name + "-" + std::to_string(round)}));
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string word = "ZAKAZ-" + names[i] + "-" + std::to_string(round);
            const Run run = Finish(*started[i]);
            EXPECT_EQ(run.code, 1) << word << ": " << run.err;
            EXPECT_EQ(Texts(SplitLines(run.out)), std::vector{Unknown(word)}) << word;
        }
    }
    ASSERT_TRUE(WaitUntil([&] { return !p.Folder().Exists("cmd.ini"); }, kWait));
    const std::string log = app.Stderr();
    for (int round = 1; round <= rounds; ++round) {
        for (const std::string& name : names) {
            const std::string word = "ZAKAZ-" + name + "-" + std::to_string(round);
            EXPECT_EQ(Count(log, "Прочитал команду " + word + "\n"), 1u) << word;
        }
    }
}

// A link in place of cmd.ini or of the long log is an error line; the file it points to, outside
// the program folder, is neither run, nor emptied, nor appended to. The folder watch keeps
// seeing cmd.ini once a plain file replaces the link.
TEST_F(FolderProtocolE2E, SymbolicLinksAreNeverFollowed) {
    StartProgram();
    TempFolder elsewhere;
    elsewhere.Write("notes.txt", "ZOTCHET\r\nзаписи кассира\r\n");
    const auto notes = StampOf(elsewhere.File("notes.txt"));
    std::filesystem::create_symlink(elsewhere.File("notes.txt"), p.File("cmd.ini"));
    ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::is_symlink(p.File("cmd.ini")); }, kWait));
    ASSERT_TRUE(WaitUntil([&] { return !Answer().empty(); }, kWait));
    const auto answer = Answer();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_NE(answer[0].find("символическая ссылка"), std::string::npos) << answer[0];
    EXPECT_FALSE(p.Folder().Exists("cmd.finish")) << "no command was read";
    EXPECT_EQ(elsewhere.Read("notes.txt"), "ZOTCHET\r\nзаписи кассира\r\n");
    EXPECT_EQ(StampOf(elsewhere.File("notes.txt")), notes);

    const auto start = std::chrono::steady_clock::now();
    p.Folder().Write("cmd.ini", "OPENSESSION\r\n");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait));
    EXPECT_LT(std::chrono::steady_clock::now() - start, Millis(2000)) << "taken by the timer";
    EXPECT_EQ(p.Folder().ReadBytes("Result.txt"), "");

    elsewhere.Write("journal", "чужой журнал\r\n");
    std::filesystem::remove(p.File(p.LongLogName()));
    std::filesystem::create_symlink(elsewhere.File("journal"), p.File(p.LongLogName()));
    const Run run = Send("NOOP");
    EXPECT_EQ(run.code, 1);
    const auto lines = Answer();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Unknown("NOOP"));
    EXPECT_NE(lines[1].find("символическая ссылка"), std::string::npos) << lines[1];
    EXPECT_EQ(elsewhere.Read("journal"), "чужой журнал\r\n");
}

// Standard output and error in a pipe whose reader takes one byte and goes (`| head -c1`), goes
// after a while, or never reads at all: every command is still answered, and the program ends
// normally on SIGTERM.
TEST_F(FolderProtocolE2E, OutputStreamNobodyReadsNeitherStopsNorKills) {
    enum class Reader { OneByte, GoesAwayLater, Never };
    for (const Reader reader : {Reader::OneByte, Reader::GoesAwayLater, Reader::Never}) {
        ProgramUnderTest q;
        SCOPED_TRACE(static_cast<int>(reader));
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        ChildProcess& app = q.Start({"/EMUL"}, {kNoPrinter}, fds[1]);
        ::close(fds[1]);
        char byte = 0;
        if (reader == Reader::OneByte) {
            ASSERT_EQ(::read(fds[0], &byte, 1), 1);
            ::close(fds[0]);
        }
        // Reads while `reading` holds, looking at the flag at least every 20 ms.
        std::atomic<bool> reading{reader == Reader::GoesAwayLater};
        std::jthread drain([&reading, fd = fds[0]] {
            char buf[4096];
            while (reading) {
                pollfd in{fd, POLLIN, 0};
                if (::poll(&in, 1, 20) > 0 && ::read(fd, buf, sizeof buf) <= 0)
                    break;
            }
        });
        // Enough log lines to fill the pipe several times over.
        const int commands = reader == Reader::OneByte ? 20 : 400;
        for (int i = 1; i <= commands; ++i) {
            if (i == 20 && reader == Reader::GoesAwayLater) {
                reading = false;
                drain.join();
                ::close(fds[0]);
            }
            ASSERT_TRUE(DeleteFileIfExists(q.File("cmd.finish")));
            q.Folder().Write("cmd.tmp", "OPENSESSION\r\n");
            std::filesystem::rename(q.File("cmd.tmp"), q.File("cmd.ini"));
            ASSERT_TRUE(q.WaitForFile("cmd.finish", kWait)) << "command " << i << " unanswered";
            ASSERT_TRUE(app.Running()) << "ended with " << app.WaitForExit(Millis(0)).value_or(-1);
        }
        app.Terminate();
        EXPECT_EQ(app.WaitForExit(kWait), 0);
        EXPECT_TRUE(q.Folder().Exists(q.RunLogName()));
        if (reader == Reader::Never)
            ::close(fds[0]);
    }
}

// The hidden temporary files a killed run left behind are removed at the next start; those of a
// writer still running, and other hidden files, stay.
TEST_F(FolderProtocolE2E, StartRemovesTheLeftoversOfAKilledRun) {
    ChildProcess& first = StartProgram();
    const std::string killed = std::to_string(first.Pid());
    first.Kill();
    const std::string running = std::to_string(::getpid());
    const std::vector<std::string> stale = {".Result.txt.tmp-" + killed + "-a1B2c3",
                                            ".cmd.finish.tmp-" + killed + "-zzzzzz"};
    const std::vector<std::string> kept = {".cmd.ini.tmp-" + running + "-q1w2e3", ".profile"};
    for (const auto& name : stale)
        p.Folder().Write(name, "половина");
    for (const auto& name : kept)
        p.Folder().Write(name, "x");
    ChildProcess& second = StartProgram();
    for (const auto& name : stale) {
        EXPECT_FALSE(p.Folder().Exists(name)) << name;
        EXPECT_NE(second.Stderr().find("Удалён временный файл прерванной записи " + p.File(name)),
                  std::string::npos);
    }
    for (const auto& name : kept) {
        EXPECT_TRUE(p.Folder().Exists(name)) << name;
    }
}

}  // namespace
}  // namespace orvenka::test
