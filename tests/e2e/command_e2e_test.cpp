// The command protocol seen from the accounting system's side: the real program, offscreen on the
// emulator, driven through its folder by the real orvenka-cmd client and by direct file writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <thread>

#include "common/files.h"
#include "common/input_limits.h"
#include "program_under_test.h"

namespace orvenka::test {
namespace {

const Millis kWait(15000);
const std::string kStamp = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)";
// The simulated ATOL register refuses every report here (its faults file, written at start), so
// an ATOL command has an answer of its own.
const std::string kAtolFaults = "FAIL.report=99,Отчет отклонен: неисправность из теста\r\n";
const std::string kAtolZ = "Снимаем отчет:Отчет отклонен: неисправность из теста";
const std::string kAtolX = kAtolZ;
const std::string kNoGoods = "Список Товаров/Услуг пуст. Печать чека отменена!";
const std::string kNoPrinter = "Не установлен ни один принтер";
// A document that could not be printed is kept in a file named after the time; the answer names
// the file, and the tests compare what comes before its name.
const std::string kKept =
    ". Документ не напечатан, его текст сохранён для повторной печати в файле ";
const std::string kZn = "0012345";
const std::string kCounters = "E" + kZn + ".ini";

bool Matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

// "dd.mm.yyyy hh:mm:ss:text" -> "text"; a line without the stamp is returned marked.
std::string Body(const std::string& line) {
    std::smatch m;
    if (std::regex_match(line, m, std::regex(kStamp + ":(.*)")))
        return m[1];
    return "<no time stamp> " + line;
}

std::vector<std::string> Bodies(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        out.push_back(Body(line));
    return out;
}

std::vector<std::string> WithoutKeptFileName(std::vector<std::string> bodies) {
    for (auto& body : bodies) {
        const auto kept = body.find(kKept);
        if (kept != std::string::npos)
            body.resize(kept + kKept.size());
    }
    return bodies;
}

std::vector<std::string> BodiesOf(const std::string& cp1251) {
    return Bodies(SplitLines(DecodeFileText(cp1251)));
}

// Where printed documents go. With ORVENKA_TEST_PDF_QUEUE (a CUPS queue with the PDF back-end)
// they are really printed there; without it the program sees no CUPS server at all, so a
// document it prints fails with a fixed error line and can never reach a real printer.
struct Printing {
    std::string queue;

    static Printing FromEnvironment() {
        const char* q = std::getenv("ORVENKA_TEST_PDF_QUEUE");
        return Printing{q ? q : ""};
    }
    bool Real() const { return !queue.empty(); }
    std::vector<std::string> Env() const {
        if (Real())
            return {"PRINTER=" + queue, "LPDEST=" + queue};
        return {"CUPS_SERVER=/nonexistent/orvenka-e2e/cups.sock"};
    }
    // The answer of a command that prints one document; `prefix` is the operation's own.
    std::vector<std::string> Answer(const std::string& prefix) const {
        if (Real())
            return {};
        return {prefix + kNoPrinter + kKept};
    }
};

std::string ParamIni(const std::string& documStr, const std::string& printer) {
    return "SNO=OSN\r\n"
           "NumCheck=000123\r\n"
           "AuthorName=Кассир\r\n"
           "AuthorCaption=Иванова А.П.\r\n"
           "DocumStr=" +
           documStr +
           "\r\n"
           "Oplata=\r\n"
           "Fiscal=-\r\n"
           "Section=1\r\n"
           "INN=7701234567\r\n"
           "ZN=" +
           kZn +
           "\r\n"
           "USER=ООО \"Ромашка\"\r\n"
           "ADDRES=г. Москва, ул. Лесная, д. 5\r\n"
           "WEBADDRES=www.nalog.gov.ru\r\n"
           "REGNUMKKT=0000000001012345\r\n"
           "REGNUMFN=9999078900001234\r\n"
           "CHECKSHAPKA1=ООО \"Ромашка\"\r\n"
           "PRN_WIDHT=40\r\n"
           "PRN_WIDHT_ITOG=20\r\n"
           "PRN_FONT=Orvenka\r\n"
           "PRN_SIZEFONT=9\r\n"
           "PRN_SIZEFONT_ITOG=14\r\n"
           "PRN_NAME=" +
           printer + "\r\n";
}

// Three goods: 2.5 x 45.50 + 1 x 100.00 (99.999 rounded) + 1 x 89.90 = 303.65.
const std::string kTovar =
    "Хлеб бородинский\r\n2,5\r\n45,50\r\n10\r\n"
    "##1##4601234567890##SN1##Сигареты «Ява»##\r\n1\r\n99.999\r\n20\r\n"
    "Молоко 3,2% 1 л\r\n 1 \r\n89.90\r\n10\r\n";
const std::string kTovarTotal = "303.65";

struct FileId {
    unsigned long long inode = 0;
    long long mtimeNs = 0;
    long long size = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileId{static_cast<unsigned long long>(st.st_ino),
                  static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
                  static_cast<long long>(st.st_size)};
}

// Watches the folder every millisecond and records what the accounting system would find
// whenever cmd.finish is there. A snapshot is kept only when cmd.finish is the same file before
// and after the other files were looked at, and the test's tag did not change meanwhile.
class FinishWatcher {
  public:
    struct Snapshot {
        int tag = 0;
        FileId finish;
        std::string finishBytes;
        bool resultExists = false;
        std::string resultBytes;
        bool commandExists = false;
        bool operator==(const Snapshot&) const = default;
    };

    explicit FinishWatcher(const TempFolder& folder)
        : finish_(folder.File("cmd.finish")),
          result_(folder.File("Result.txt")),
          command_(folder.File("cmd.ini")),
          folder_(folder),
          thread_([this] { Run(); }) {}
    ~FinishWatcher() { Stop(); }

    void SetTag(int tag) { tag_ = tag; }
    bool WaitForTag(int tag, Millis timeout) {
        return WaitUntil(
            [&] {
                std::lock_guard<std::mutex> lock(mutex_);
                for (const auto& s : snapshots_) {
                    if (s.tag == tag)
                        return true;
                }
                return false;
            },
            timeout);
    }
    std::vector<Snapshot> Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        return snapshots_;
    }

  private:
    void Run() {
        while (!stop_) {
            Look();
            std::this_thread::sleep_for(Millis(1));
        }
    }
    void Look() {
        const int tag = tag_;
        const auto before = IdOf(finish_);
        if (!before)
            return;
        Snapshot s;
        s.tag = tag;
        s.finish = *before;
        s.finishBytes = folder_.ReadBytes("cmd.finish");
        s.resultExists = IdOf(result_).has_value();
        s.resultBytes = folder_.ReadBytes("Result.txt");
        s.commandExists = IdOf(command_).has_value();
        const auto after = IdOf(finish_);
        if (!after || !(*after == *before) || tag_ != tag)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (snapshots_.empty() || !(snapshots_.back() == s))
            snapshots_.push_back(std::move(s));
    }

    const std::string finish_, result_, command_;
    const TempFolder& folder_;
    std::atomic<int> tag_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Snapshot> snapshots_;
    std::thread thread_;
};

struct ClientRun {
    int code = -1;
    std::string out;  // UTF-8
    std::string err;
};

class CommandE2E : public ::testing::Test {
  protected:
    const Printing printing = Printing::FromEnvironment();
    ProgramUnderTest p;
    TempFolder outputs;  // the client's standard output and error
    int clients = 0;

    ChildProcess& Start() {
        p.Folder().Write("Fptr10.sim.faults.ini", kAtolFaults);
        ChildProcess& app = p.Start({"/EMUL"}, printing.Env());
        if (!app.WaitForStderr(ProgramUnderTest::kPollingLine, kWait))
            throw std::runtime_error("the program did not start polling:\n" + app.Stderr());
        return app;
    }

    // One command through the real client, as an integrator's script sends it.
    ClientRun Send(const std::string& line) {
        const std::string prefix = outputs.Path() + "client" + std::to_string(++clients);
        ChildProcess client(ORVENKA_CMD_EXECUTABLE, {"-d", p.Folder().Path(), "-t", "20", line}, {},
                            outputs.Path(), prefix);
        ClientRun run;
        run.code = client.WaitForExit(Millis(60000)).value_or(-1);
        run.out = client.Stdout();
        run.err = client.Stderr();
        return run;
    }

    // cmd.ini as a careful accounting system writes it: whole, through a rename.
    void WriteCommand(const std::string& line) const {
        p.Folder().Write("cmd.tmp", line + "\r\n");
        std::filesystem::rename(p.File("cmd.tmp"), p.File("cmd.ini"));
    }

    std::vector<std::string> Answer() const {
        return WithoutKeptFileName(Bodies(p.Lines("Result.txt")));
    }

    void ExpectFinishMarker() const {
        const auto finish = p.Lines("cmd.finish");
        ASSERT_EQ(finish.size(), 1u);
        EXPECT_TRUE(Matches(finish[0], kStamp)) << finish[0];
    }

    std::string Counter(const std::string& key) const {
        for (const auto& line : p.Lines(kCounters)) {
            if (line.rfind(key + "=", 0) == 0)
                return line.substr(key.size() + 1);
        }
        return "<no " + key + ">";
    }

    // A command that keeps the program busy for a good while: a receipt of as many goods lines
    // as a receipt may have, on the simulated ATOL register. Answers the command line.
    std::string WriteLongReceipt() const {
        std::string goods;
        for (size_t i = 0; i < kMaxGoods; ++i)
            goods += "Товар " + std::to_string(i) + "\r\n1\r\n1.00\r\n20\r\n";
        p.Folder().Write("Param.ini", "SNO=OSN\r\nOplata=\r\n");
        p.Folder().Write("Tovar.ini", goods);
        return "ATOL,1,PRINT";
    }

    // Waits until the program has taken cmd.ini (moved it away) and is running the command.
    bool WaitUntilTaken() const {
        const auto end = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < end) {
            if (!IdOf(p.File("cmd.ini")) && !p.Folder().Exists("cmd.finish"))
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
};

// A typo must never pass for a printed receipt: one error line naming the word as written.
TEST_F(CommandE2E, UnknownWordIsAnsweredWithAnErrorNamingIt) {
    ChildProcess& app = Start();
    p.Folder().Write("Param.ini", ParamIni("Д-1", printing.queue));
    p.Folder().Write("Tovar.ini", kTovar);
    // "PRINT " with its blank matches no row: the goods file is not touched.
    for (const std::string line :
         {"NOOP", "noop", "PRINT ", "PRINTTXTFI", "ZOTCHET2", "SHTRIH,1", "PRN,x,PRNT"}) {
        const std::string word = line == "PRN,x,PRNT" ? "PRNT" : line;
        const std::string error = "Неизвестная команда \"" + word + "\". Команда не выполнена";
        const ClientRun run = Send(line);
        EXPECT_EQ(run.code, 1) << line << "\n" << run.err;
        EXPECT_EQ(Bodies(SplitLines(run.out)), std::vector{error}) << line;
        EXPECT_EQ(Answer(), std::vector{error}) << line;
        ExpectFinishMarker();
        EXPECT_FALSE(p.Folder().Exists("cmd.ini")) << line;
    }
    EXPECT_TRUE(p.Folder().Exists("Tovar.ini"));
    EXPECT_FALSE(p.Folder().Exists("Tovar.oldini"));
    EXPECT_FALSE(p.Folder().Exists("CheckList.txt"));
    EXPECT_NE(app.Stderr().find("Прочитал команду NOOP\n"), std::string::npos);
    EXPECT_NE(app.Stderr().find("Прочитал команду PRINT \n"), std::string::npos);
    EXPECT_NE(app.Stderr().find("Прочитал команду SHTRIH,1\n"), std::string::npos)
        << "two items: the whole line is the command word";
}

TEST_F(CommandE2E, LongFormChoosesTheDeviceAndAnUnknownDeviceWordKeepsTheLastOne) {
    Start();
    p.Folder().Write("Param.ini", ParamIni("Д-1", printing.queue));
    struct Row {
        std::string line;
        std::vector<std::string> answer;
    };
    const std::vector<Row> rows = {
        // Reads Param.ini only (and so selects its printer); nothing is printed.
        {"PRN,\"Любой принтер\",XOTCHETEMUL", {}},
        {"PRN," + (printing.Real() ? printing.queue : "Нет") + ",XOTCHET", printing.Answer("")},
        {"ATOL,2,ZOTCHET", {kAtolZ}},
        {"KASSA,2,ZOTCHET", {kAtolZ}},  // no device word: still ATOL
        {" kassa , 7 , xotchet ", {kAtolX}},
        {"XOTCHET", printing.Answer("")},   // the short form is on the start-up kind again
        {"SHTRIH,1,XOTCHET,ЗАКАЗ 15", {}},  // on the simulated register
        {"ATOL,x,XOTCHET", {kAtolX}},
        {"PRN,\"Принтер, с запятой\",XOTCHET", printing.Answer("")},
        {"ZZZ,1,XOTCHET", printing.Answer("")},  // after PRN: the emulator
    };
    for (const Row& row : rows) {
        const ClientRun run = Send(row.line);
        EXPECT_EQ(run.code, row.answer.empty() ? 0 : 1) << row.line << "\n" << run.err;
        EXPECT_EQ(Answer(), row.answer) << row.line;
        std::string printed;
        for (const auto& line : p.Lines("Result.txt"))
            printed += line + "\n";
        EXPECT_EQ(run.out, printed) << "the client prints Result.txt";
        ExpectFinishMarker();
    }
}

TEST_F(CommandE2E, ShortFormRunsOnTheStartUpKindAndCountsTheShift) {
    Start();
    p.Folder().Write("Param.ini", ParamIni("Д-1", printing.queue));
    ASSERT_EQ(Send("PRN,x,ZOTCHETEMUL").code, 0);  // reads Param.ini: ZN, Fiscal=-
    for (int shift = 2; shift <= 3; ++shift) {
        const ClientRun run = Send("ZOTCHET");
        EXPECT_EQ(Answer(), printing.Answer("")) << run.out;
        EXPECT_EQ(Counter("SMENA"), std::to_string(shift));
        EXPECT_EQ(Counter("NUM_ZOTCHET"), std::to_string(shift));
    }
}

TEST_F(CommandE2E, AnswerFilesAppearInTheOrderTheAccountingSystemReliesOn) {
    Start();
    p.Folder().Write("Param.ini", ParamIni("Д-1", printing.queue));
    struct Row {
        std::string line;
        std::vector<std::string> answer;  // Result.txt without time stamps
    };
    // No Tovar.ini: the receipt is refused with two lines, the first (empty here) being the
    // goods reader's own line about the missing file.
    const std::vector<Row> rows = {
        {"ATOL,1,XOTCHET", {kAtolX}},
        {"PRINT", {"", kNoGoods}},
        {"OPENSESSION", {}},  // nothing to open on the emulator
    };
    FinishWatcher watcher(p.Folder());
    const int rounds = 8;
    for (int i = 0; i < rounds * int(rows.size()); ++i) {
        const Row& row = rows[i % rows.size()];
        ASSERT_TRUE(DeleteFileIfExists(p.File("cmd.finish")));
        watcher.SetTag(i);
        const ClientRun run = Send(row.line);
        ASSERT_EQ(run.code, row.answer.empty() ? 0 : 1) << row.line << "\n" << run.err;
        ASSERT_TRUE(watcher.WaitForTag(i, Millis(3000))) << "cmd.finish of " << row.line;
    }
    // The 5 s timer rewrites Result.txt while the last answer is still lying there.
    std::this_thread::sleep_for(Millis(5500));
    const auto snapshots = watcher.Stop();

    ASSERT_FALSE(snapshots.empty());
    for (const auto& s : snapshots) {
        const Row& row = rows[s.tag % rows.size()];
        SCOPED_TRACE("command " + std::to_string(s.tag) + " " + row.line);
        EXPECT_FALSE(s.commandExists) << "cmd.ini must be gone before cmd.finish appears";
        ASSERT_TRUE(s.resultExists) << "cmd.finish without Result.txt";
        const auto answer = BodiesOf(s.resultBytes);
        ASSERT_EQ(answer.size(), row.answer.size()) << s.resultBytes;
        for (size_t k = 0; k < answer.size(); ++k) {
            if (row.answer[k].empty()) {
                EXPECT_EQ(answer[k].rfind("ReadTovar.ini: ", 0), 0u) << answer[k];
            } else {
                EXPECT_EQ(answer[k], row.answer[k]);
            }
        }
        if (!s.resultBytes.empty()) {
            EXPECT_EQ(s.resultBytes.substr(s.resultBytes.size() - 2), "\r\n");
        }
        const auto finish = SplitLines(DecodeFileText(s.finishBytes));
        ASSERT_EQ(finish.size(), 1u) << s.finishBytes;
        EXPECT_TRUE(Matches(finish[0], kStamp)) << finish[0];
    }
    EXPECT_EQ(snapshots.back().tag, rounds * int(rows.size()) - 1);
}

TEST_F(CommandE2E, EmptyCommandFileIsReportedAndDeletedWithoutAnEndMarker) {
    ChildProcess& app = Start();
    // Created empty and filled a moment later, as a simple writer does: one ordinary command.
    {
        std::ofstream(p.File("cmd.ini"), std::ios::binary).flush();
        std::this_thread::sleep_for(Millis(300));
        std::ofstream(p.File("cmd.ini"), std::ios::binary | std::ios::app) << "OPENSESSION\r\n";
    }
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait));
    EXPECT_EQ(p.Folder().ReadBytes("Result.txt"), "");
    EXPECT_NE(app.Stderr().find("Прочитал команду OPENSESSION"), std::string::npos);
    ASSERT_TRUE(DeleteFileIfExists(p.File("cmd.finish")));

    // Left empty: the timer finds it, but not before it is 2 s old, and reports it.
    const auto created = std::chrono::steady_clock::now();
    std::ofstream(p.File("cmd.ini"), std::ios::binary).flush();
    ASSERT_TRUE(WaitUntil([&] { return !p.Folder().Exists("cmd.ini"); }, Millis(16000)))
        << "never deleted";
    const auto age = std::chrono::steady_clock::now() - created;
    EXPECT_GE(age, Millis(1900)) << "deleted while it may still have been being written";
    EXPECT_LE(age, Millis(12000));
    // Result.txt follows the deletion within the same poll.
    const std::vector<std::string> expected{"Файл команд " + p.File("cmd.ini") +
                                            " пуст: в нём нет ни одной строки"};
    WaitUntil([&] { return Answer() == expected; }, Millis(3000));
    EXPECT_EQ(Answer(), expected);
    std::this_thread::sleep_for(Millis(300));
    EXPECT_FALSE(p.Folder().Exists("cmd.finish")) << "no command, no end marker";

    // Only the first line counts: an empty first line is no command, and the file goes.
    p.Folder().Write("cmd.ini", "\r\nXOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return !p.Folder().Exists("cmd.ini"); }, Millis(12000)));
    std::this_thread::sleep_for(Millis(300));
    EXPECT_FALSE(p.Folder().Exists("cmd.finish"));
    EXPECT_EQ(app.Stderr().find("Прочитал команду XOTCHET"), std::string::npos);
}

TEST_F(CommandE2E, CommandWrittenWhileAnotherRunsIsRunNext) {
    ChildProcess& app = Start();
    // The accounting system may replace the file or rewrite it in place.
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "rewritten in place" : "replaced through a rename");
        ASSERT_TRUE(DeleteFileIfExists(p.File("cmd.finish")));
        FinishWatcher watcher(p.Folder());
        WriteCommand(WriteLongReceipt());
        ASSERT_TRUE(WaitUntilTaken());
        if (inPlace) {
            std::ofstream(p.File("cmd.ini"), std::ios::binary | std::ios::trunc)
                << "ATOL,1,XOTCHET\r\n";
        } else {
            WriteCommand("ATOL,1,XOTCHET");
        }
        const bool overlapped = !p.Folder().Exists("cmd.finish");
        ASSERT_TRUE(overlapped) << "the first command ended before the second was written";

        ASSERT_TRUE(WaitUntil(
            [&] { return p.Folder().Exists("cmd.finish") && Answer() == std::vector{kAtolX}; },
            kWait))
            << "the second command was not answered";
        ASSERT_TRUE(WaitUntil([&] { return !p.Folder().Exists("cmd.ini"); }, kWait));
        std::this_thread::sleep_for(Millis(50));
        const auto snapshots = watcher.Stop();

        // The first end marker (empty answer of the receipt) may live too briefly to be seen:
        // the second command is taken the moment the first ends. The last is the second's.
        std::vector<FileId> markers;
        for (const auto& s : snapshots) {
            if (markers.empty() || !(markers.back() == s.finish))
                markers.push_back(s.finish);
        }
        ASSERT_GE(markers.size(), 1u);
        ASSERT_LE(markers.size(), 2u);
        if (markers.size() == 2) {
            EXPECT_EQ(snapshots.front().resultBytes, "");
        }
        EXPECT_EQ(BodiesOf(snapshots.back().resultBytes), std::vector{kAtolX});
        EXPECT_FALSE(snapshots.back().commandExists);
    }
    const std::string log = app.Stderr();
    const auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("В " + p.File("cmd.ini") + " новая команда, она будет выполнена следующей"), 2u)
        << log;
    EXPECT_EQ(count("Прочитал команду PRINT\n"), 2u) << log;
    EXPECT_EQ(count("Прочитал команду XOTCHET\n"), 2u) << log;
}

TEST_F(CommandE2E, ClientWaitsForTheCommandBeforeItsOwn) {
    Start();
    WriteCommand(WriteLongReceipt());
    ASSERT_TRUE(WaitUntilTaken());
    // The running command's cmd.ini is taken: the client must not take the running command's
    // end marker for the answer to its own.
    const ClientRun run = Send("ATOL,3,XOTCHET");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_EQ(Bodies(SplitLines(run.out)), std::vector{kAtolX});
    EXPECT_EQ(Answer(), std::vector{kAtolX});
}

TEST_F(CommandE2E, FileNamesKeepTheirLetterCase) {
    Start();
    // The temporary folder's name is itself of mixed case.
    p.Folder().Write("Чек.txt", "Первая строка\r\nВторая строка\r\n");
    p.Folder().Write("Mixed Case.txt", "Line\r\n");
    struct Row {
        std::string line;
        std::vector<std::string> answer;
    };
    const std::string missing = p.File("Нет такого.txt");
    const std::vector<Row> rows = {
        {"PRINTTXTFILE=" + p.File("Чек.txt"), {}},
        {"printtxtfilenocut=" + p.File("Чек.txt"), {}},
        {"PRINTTXTFILE=" + p.File("Mixed Case.txt"), {}},
        {"PRN,x,\"PRINTTXTFILE=" + p.File("Mixed Case.txt") + "\"", {}},
        {"ATOL,1,PRINTTXTFILE=" + p.File("Чек.txt"), {}},
    };
    for (const Row& row : rows) {
        const ClientRun run = Send(row.line);
        EXPECT_EQ(run.code, row.answer.empty() ? 0 : 1) << row.line << "\n" << run.out;
        EXPECT_EQ(Answer(), row.answer) << row.line;
    }
    EXPECT_NE(p.Folder().Read("Fptr10.sim.tape.txt").find("Вторая строка"), std::string::npos)
        << "the ATOL row printed the file on the register";
    // A file that is not there is named as written.
    const ClientRun run = Send("PRINTTXTFILE=" + missing);
    EXPECT_EQ(run.code, 1);
    const auto answer = Answer();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_NE(answer[0].find(missing), std::string::npos) << answer[0];
}

TEST_F(CommandE2E, ReceiptOnTheEmulatorUsesTheFilesOnceAndIsNotPrintedTwice) {
    Start();
    const auto printed = [&](const ClientRun& run) {
        EXPECT_EQ(run.code, printing.Real() ? 0 : 1) << run.out << run.err;
        EXPECT_EQ(Answer(), printing.Answer("EMUL:"));
    };
    p.Folder().Write("Param.ini", ParamIni("Заказ-42", printing.queue));
    p.Folder().Write("Dop.ini", "Заказ\r\n 42 \r\n+\r\n");
    p.Folder().Write("Tovar.ini", kTovar);
    const std::string tovarBytes = p.Folder().ReadBytes("Tovar.ini");

    printed(Send("PRINT"));
    EXPECT_FALSE(p.Folder().Exists("Tovar.ini"));
    EXPECT_EQ(p.Folder().ReadBytes("Tovar.oldini"), tovarBytes);
    EXPECT_EQ(p.Lines("CheckList.txt"), std::vector<std::string>{"Заказ-42"});
    EXPECT_TRUE(p.Folder().Exists("Dop.ini")) << "the extra lines stay for the next receipts";
    EXPECT_EQ(Counter("NUM_FISCAL_DOC"), "1");
    EXPECT_EQ(Counter("NUM_CHECKINSMENA"), "1");
    EXPECT_EQ(Counter("NUM_CHECKPRIHODINSMENA"), "1");
    EXPECT_EQ(Counter("SUM_CHECKPRIHODINSMENA_NAL"), kTovarTotal);
    EXPECT_EQ(Counter("SUM_TOTAL_PRIHOD"), kTovarTotal);
    ExpectFinishMarker();

    // The same document again (another letter case): nobody can confirm it, so it is refused.
    p.Folder().Write("Param.ini", ParamIni("ЗАКАЗ-42", printing.queue));
    p.Folder().Write("Tovar.ini", "Чай\r\n1\r\n10\r\n0\r\n");
    const std::string counters = p.Folder().ReadBytes(kCounters);
    const ClientRun again = Send("PRINT");
    EXPECT_EQ(again.code, 1);
    const auto refused = Answer();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].rfind("Чек ЗАКАЗ-42 уже был напечатан.", 0), 0u) << refused[0];
    EXPECT_EQ(p.Folder().ReadBytes(kCounters), counters) << "nothing counted";
    EXPECT_EQ(p.Lines("CheckList.txt"), std::vector<std::string>{"Заказ-42"});
    EXPECT_FALSE(p.Folder().Exists("Tovar.ini")) << "the goods file is used once all the same";
    EXPECT_EQ(p.Lines("Tovar.oldini").at(0), "Чай");

    // The simple receipt never asks.
    p.Folder().Write("Tovar.ini", "Чай\r\n1\r\n10\r\n0\r\n");
    printed(Send("PRINTS"));
    EXPECT_EQ(Counter("NUM_CHECKINSMENA"), "2");
    EXPECT_EQ(Counter("SUM_TOTAL_PRIHOD"), "313.65");
    EXPECT_EQ(p.Lines("CheckList.txt"), std::vector<std::string>{"Заказ-42"});

    // A return of another document is counted as such and registered in sorted order.
    p.Folder().Write("Param.ini", ParamIni("Возврат-7", printing.queue));
    p.Folder().Write("Tovar.ini", "Чай\r\n2\r\n10\r\n0\r\n");
    printed(Send("RETURN"));
    EXPECT_EQ(Counter("NUM_CHECKRASHODINSMENA"), "1");
    EXPECT_EQ(Counter("SUM_TOTAL_RASHOD"), "20.00");
    EXPECT_EQ(p.Lines("CheckList.txt"), (std::vector<std::string>{"Возврат-7", "Заказ-42"}));

    // No goods file: refused, and the old one is gone too.
    p.Folder().Write("Param.ini", ParamIni("Д-9", printing.queue));
    EXPECT_EQ(Send("PRINT").code, 1);
    const auto empty = Answer();
    ASSERT_EQ(empty.size(), 2u);
    EXPECT_EQ(empty[0].rfind("ReadTovar.ini: ", 0), 0u) << empty[0];
    EXPECT_EQ(empty[1], kNoGoods);
    EXPECT_FALSE(p.Folder().Exists("Tovar.oldini"));
    EXPECT_EQ(Counter("NUM_FISCAL_DOC"), "3");
    EXPECT_EQ(p.Lines("CheckList.txt").size(), 2u);
}

}  // namespace
}  // namespace orvenka::test
