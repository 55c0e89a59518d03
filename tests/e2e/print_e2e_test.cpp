// Printing end to end: the real program on the printer emulator, a receipt and a Z report sent
// through the command file, the jobs printed on a CUPS queue with the PDF back-end, and the
// answer files and the emulated counters as the accounting system finds them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "backends/backends.h"
#include "common/clock.h"
#include "common/files.h"
#include "program_under_test.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "support/scripted_platform.h"

namespace orvenka::test {
namespace {

const Millis kCommandWait(30000);
const Millis kPrintWait(30000);
const std::string kStamp = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)";

struct ShellResult {
    int code = -1;
    std::string out;
};

// Runs a shell command line and collects its standard output.
ShellResult Shell(const std::string& command) {
    ShellResult r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::string> OutputLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// The print queues as CUPS lists them (the program's printer list comes from the same place).
std::vector<std::string> InstalledQueues() {
    return OutputLines(Shell("lpstat -e 2>/dev/null").out);
}

// Job ids ("QUEUE-N") of the queue; `which` is "completed" or "not-completed".
std::set<std::string> Jobs(const std::string& queue, const std::string& which) {
    std::set<std::string> ids;
    for (const auto& line :
         OutputLines(Shell("lpstat -W " + which + " -o " + Quoted(queue) + " 2>/dev/null").out)) {
        ids.insert(line.substr(0, line.find(' ')));
    }
    return ids;
}

// The lines that show something. The PDF back-end re-encodes the fonts of a job: pdftotext
// reads its letters as other symbols and some of them as blanks, so neither the text nor the
// words of a printed job survive, but its lines do. The text itself is checked on the PDF Qt
// draws from the same document (the GUI tests).
size_t VisibleLines(const std::vector<std::string>& lines) {
    size_t count = 0;
    for (const auto& line : lines) {
        if (line.find_first_not_of(" \f\r") != std::string::npos)
            ++count;
    }
    return count;
}

size_t VisibleLines(const TextDocument& document) {
    std::vector<std::string> lines;
    for (const auto& line : document.lines)
        lines.push_back(line.text);
    return VisibleLines(lines);
}

// Where the PDF back-end puts the jobs of this user ("Out ${HOME}/PDF" of cups-pdf.conf).
std::string PdfFolder() {
    const passwd* pw = ::getpwuid(::getuid());
    if (pw && pw->pw_dir)
        return std::string(pw->pw_dir) + "/PDF/";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/PDF/";
}

// The PDF of a job: the queue's own configuration (tools/cups-pdf-queue.sh) names each file
// after its job id, "job_N-TITLE.pdf". Empty while there is none.
std::string JobPdf(const std::string& jobId) {
    const std::string prefix = "job_" + jobId.substr(jobId.rfind('-') + 1) + "-";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PdfFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".pdf")
            return entry.path().string();
    }
    return "";
}

// The lines of the receipt parameters the tests share: 40 characters of paper, non-fiscal (the
// counters file is kept), a factory number.
std::string ParamText(const std::string& printer, const std::string& extra = "") {
    std::string text =
        "SNO=OSN\r\n"
        "NumCheck=000321\r\n"
        "Oplata=\r\n"
        "Fiscal=-\r\n"
        "ZN=0054321\r\n"
        "Section=1\r\n"
        "INN=7701234567\r\n"
        "USER=ООО \"Ромашка\"\r\n"
        "ADDRES=г. Москва, ул. Лесная, д. 5\r\n"
        "PRN_WIDHT=40\r\n"
        "PRN_WIDHT_ITOG=20\r\n"
        "PRN_SIZEFONT=9\r\n"
        "PRN_SIZEFONT_ITOG=14\r\n";
    if (!printer.empty())
        text += "PRN_NAME=" + printer + "\r\n";
    return extra + text;  // the first line of a key wins: `extra` overrides
}

const char* const kTovar =
    "Хлеб бородинский\r\n2\r\n45.50\r\n10\r\n"
    "Молоко 3,2% 1 л\r\n1\r\n89.90\r\n18\r\n";

// The documents the emulator lays out for these files, made in this process with the same core
// and a scripted platform: what the printed jobs must look like line for line.
class ExpectedDocuments {
  public:
    explicit ExpectedDocuments(const std::string& queue) {
        platform_.screen = false;
        platform_.printers = {queue};
        InstallBackends(ctx_);
        ctx_.StartupKind = DeviceKind::Emul;
    }
    TextDocument Run(const std::string& param, const std::string& tovar,
                     const std::string& command) {
        if (!param.empty())
            folder_.Write("Param.ini", param);
        if (!tovar.empty())
            folder_.Write("Tovar.ini", tovar);
        folder_.Write("cmd.ini", command + "\r\n");
        loop_.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});  // as the folder watch would
        loop_.Tick();
        if (platform_.printed.empty())
            throw std::runtime_error("nothing laid out: " + folder_.Read("Result.txt"));
        return platform_.printed.back();
    }

  private:
    TempFolder folder_;
    ScriptedPlatform platform_;
    FixedClock clock_{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx_{folder_.Path(), "orvenka", platform_, clock_};
    CommandLoop loop_{ctx_};
};

// Sends one command through the command file, as the accounting system does, and waits for
// its end marker.
void Send(ProgramUnderTest& p, const std::string& command) {
    std::filesystem::remove(p.File("cmd.finish"));
    p.Folder().Write("cmd.ini", command + "\r\n");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kCommandWait)) << command << " not answered; stderr:\n"
                                                           << p.Main().Stderr();
}

class PrintE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* queue = std::getenv("ORVENKA_TEST_PDF_QUEUE");
        if (!queue || !*queue) {
            GTEST_SKIP() << "ORVENKA_TEST_PDF_QUEUE is not set: tools/test.sh sets it to a CUPS "
                            "queue with the PDF back-end when run as root";
        }
        queue_ = queue;
        // Starts cupsd when it is not running and adds the queue when it is missing.
        const ShellResult setup = Shell(std::string(ORVENKA_SOURCE_DIR) +
                                        "/tools/cups-pdf-queue.sh " + Quoted(queue_) + " 2>&1");
        ASSERT_EQ(setup.code, 0) << "the CUPS queue " << queue_
                                 << " with the PDF back-end cannot be set up:\n"
                                 << setup.out;
        const ShellResult scheduler = Shell("LC_ALL=C lpstat -r 2>&1");
        ASSERT_EQ(scheduler.out, "scheduler is running\n")
            << "cupsd is not running after the set-up: " << scheduler.out;
        const ShellResult printer = Shell("LC_ALL=C lpstat -p " + Quoted(queue_) + " 2>&1");
        ASSERT_EQ(printer.code, 0) << "CUPS does not know the queue: " << printer.out;
        ASSERT_EQ(printer.out.find("disabled"), std::string::npos) << printer.out;
    }

    // Waits until CUPS has completed a job on the queue that is not in `jobsBefore` and whose
    // PDF shows as many lines as `expected`; answers the PDF's path.
    std::string WaitForPrintedJob(const std::set<std::string>& jobsBefore,
                                  const TextDocument& expected) {
        const size_t wanted = VisibleLines(expected);
        std::string found;
        std::string seen;  // what the new jobs looked like, for the failure message
        const bool printed = WaitUntil(
            [&] {
                std::this_thread::sleep_for(Millis(100));  // each look runs lpstat
                seen.clear();
                for (const auto& id : Jobs(queue_, "completed")) {
                    if (jobsBefore.count(id))
                        continue;
                    const std::string pdf = JobPdf(id);
                    if (pdf.empty()) {
                        seen += " " + id + ": no PDF;";
                        continue;
                    }
                    const ShellResult text =
                        Shell("pdftotext -layout -enc UTF-8 " + Quoted(pdf) + " - 2>/dev/null");
                    const size_t lines = VisibleLines(OutputLines(text.out));
                    if (lines == wanted) {
                        found = pdf;
                        return true;
                    }
                    seen += " " + id + ": " + std::to_string(lines) + " lines;";
                }
                return false;
            },
            kPrintWait);
        EXPECT_TRUE(printed) << "no job of " << wanted << " lines completed on " << queue_
                             << " with its PDF in " << PdfFolder()
                             << " within 30 s; new jobs:" << seen << " all jobs:\n"
                             << Shell("lpstat -W all -o " + Quoted(queue_)).out;
        return found;
    }

    std::string queue_;
};

TEST_F(PrintE2E, ReceiptAndZReportArriveAsPdfOnTheQueue) {
    ASSERT_EQ(Shell("command -v pdftotext >/dev/null").code, 0)
        << "pdftotext is not installed (Debian package poppler-utils)";
    ExpectedDocuments expected(queue_);
    const TextDocument receipt = expected.Run(ParamText(queue_), kTovar, "PRINT");

    ProgramUnderTest p;
    p.Folder().Write("Param.ini", ParamText(queue_));
    p.Folder().Write("Tovar.ini", kTovar);
    p.StartPolling({"/EMUL"});
    auto jobs = Jobs(queue_, "completed");
    Send(p, "PRINT");
    EXPECT_EQ(p.Folder().Read("Result.txt"), "") << "the receipt was refused";
    EXPECT_TRUE(p.Folder().Exists("Tovar.oldini"));
    std::string pdf = WaitForPrintedJob(jobs, receipt);
    if (!pdf.empty())
        std::filesystem::remove(pdf);

    const std::string countersName = "E0054321.ini";
    auto counters = p.Lines(countersName);
    ASSERT_EQ(counters.size(), 12u) << "the receipt was not counted in " << countersName;
    EXPECT_EQ(counters[0], "SMENA=1");
    EXPECT_EQ(counters[2], "NUM_CHECKINSMENA=1");
    EXPECT_EQ(counters[6], "SUM_CHECKPRIHODINSMENA_NAL=180.90");

    // The Z report takes the parameters the receipt read: a Param.ini written since (another
    // factory number, no paper width) is not read.
    const TextDocument zReport = expected.Run("", "", "ZOTCHET");
    p.Folder().Write("Param.ini", "Oplata=\r\nFiscal=-\r\nZN=999\r\nPRN_WIDHT=0\r\n");
    jobs = Jobs(queue_, "completed");
    Send(p, "ZOTCHET");
    EXPECT_EQ(p.Folder().Read("Result.txt"), "");
    pdf = WaitForPrintedJob(jobs, zReport);
    if (!pdf.empty())
        std::filesystem::remove(pdf);

    counters = p.Lines(countersName);
    const std::vector<std::string> shiftClosed = {
        "SMENA=2",
        "NUM_FISCAL_DOC=1",
        "NUM_CHECKINSMENA=0",
        "NUM_CHECKPRIHODINSMENA=0",
        "NUM_CHECKRASHODINSMENA=0",
        "NUM_ZOTCHET=2",
        "SUM_CHECKPRIHODINSMENA_NAL=0.00",
        "SUM_CHECKRASHODINSMENA_NAL=0.00",
        "SUM_CHECKRASHODINSMENA_VISA=0.00",
        "SUM_CHECKPRIHODINSMENA_VISA=0.00",
        "SUM_TOTAL_RASHOD=0.00",
        "SUM_TOTAL_PRIHOD=180.90",
    };
    EXPECT_EQ(counters, shiftClosed);
    EXPECT_FALSE(p.Folder().Exists("E999.ini"));
}

// Receipts the emulator refuses: the reason is the whole answer, nothing is printed or counted.
// Sent to the PDF queue when there is one, so that a job printed after all would show.
TEST(PrintE2ERefused, RefusedReceiptsPrintAndCountNothing) {
    const char* env = std::getenv("ORVENKA_TEST_PDF_QUEUE");
    const std::string queue = env ? env : "";
    struct Row {
        std::string param;  // lines that override the shared ones
        std::string error;  // the Result.txt line after the time stamp
    };
    const std::vector<Row> rows = {
        {"PRN_WIDHT=0\r\n", "EMUL:EMULPARAM:не задан EMUL_PRN_WIDHT ширина бумаги эмулятора"},
        {"PRN_WIDHT_ITOG=0\r\n",
         "EMUL:EMULPARAM:не задан PRN_WIDHT_ITOG размер ширины бумаги ИТОГО"},
        {"SUMMADOC=180,89\r\n",
         "EMUL:Погрешность отрицательная!Контрольная сумма(Сумма документа)=180.89 Расчетная "
         "сумма в списке товаров=180.90"},
    };
    ProgramUnderTest p;
    p.StartPolling({"/EMUL"});
    for (const auto& row : rows) {
        p.Folder().Write("Param.ini", ParamText(queue, row.param));
        p.Folder().Write("Tovar.ini", kTovar);
        const auto before = Jobs(queue, "all");
        Send(p, "PRINT");
        const auto result = p.Lines("Result.txt");
        ASSERT_EQ(result.size(), 1u) << row.param;
        EXPECT_TRUE(std::regex_match(result[0], std::regex(kStamp + ":.*"))) << result[0];
        EXPECT_EQ(result[0].substr(20), row.error);
        EXPECT_FALSE(p.Folder().Exists("Tovar.ini")) << "the goods file was not taken";
        EXPECT_FALSE(p.Folder().Exists("E0054321.ini")) << row.param << " was counted";
        if (!queue.empty()) {
            EXPECT_EQ(Jobs(queue, "all"), before) << row.param << " was printed";
        }
    }
}

// A printer that is not installed fails the parameter read, naming the queues there are.
TEST(PrintE2EPrinters, UnknownPrinterIsRefusedWithTheInstalledList) {
    const std::string missing = "Нет такого принтера 7";
    ProgramUnderTest p;
    p.Folder().Write("Param.ini", ParamText(missing));
    p.Folder().Write("Tovar.ini", kTovar);
    p.StartPolling({"/EMUL"});
    Send(p, "PRINT");
    const auto queues = InstalledQueues();

    // One error line; its CRs separate the printer list, so a reader splitting at CR sees the
    // reason, "среди:", each queue, and an empty line for the CR after the last one.
    std::string tail =
        "ReadParam:" + p.File("Param.ini") + " Не найден принтер " + missing + "\rсреди:\r";
    for (const auto& q : queues)
        tail += q + "\r";
    const std::string bytes = p.Folder().Read("Result.txt");
    ASSERT_TRUE(std::regex_match(bytes.substr(0, 20), std::regex(kStamp + ":"))) << bytes;
    EXPECT_EQ(bytes.substr(20), tail + "\r\n");

    std::vector<std::string> lines = {
        "ReadParam:" + p.File("Param.ini") + " Не найден принтер " + missing, "среди:"};
    lines.insert(lines.end(), queues.begin(), queues.end());
    lines.push_back("");
    auto result = p.Lines("Result.txt");
    ASSERT_FALSE(result.empty());
    result[0] = result[0].substr(20);
    EXPECT_EQ(result, lines);

    // The job ends with the read: the goods file stays for the next attempt, nothing is counted.
    EXPECT_TRUE(p.Folder().Exists("Tovar.ini"));
    EXPECT_FALSE(p.Folder().Exists("E0054321.ini"));
}

// A print server that takes every connection and never answers, as a hung CUPS does.
class HangingServer {
  public:
    HangingServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&at), size) != 0 ||
            ::listen(listener_, 64) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
            throw std::runtime_error("no listening socket for the hanging server");
        }
        port_ = ntohs(at.sin_port);
        thread_ = std::thread([this] {
            for (;;) {
                const int c = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c < 0)
                    return;  // the listener was shut down
                held_.push_back(c);
            }
        });
    }
    ~HangingServer() {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
        for (const int c : held_)
            ::close(c);
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> held_;
    std::thread thread_;
};

// A hung print server holds no command for long: the command fails with an error line within a
// bounded time (what could not be printed is kept), and the next command is read.
TEST(PrintE2EHangingServer, CommandFailsInTimeAndTheNextOneIsRead) {
    HangingServer server;
    struct Row {
        std::string printer;  // PRN_NAME: looked for among the queues while Param.ini is read
        std::string error;    // in the Result.txt line
        bool kept;            // an Unprinted_....txt keeps the document
    };
    const std::string noAnswer = "Сервер печати " + server.Address() + " не ответил за 5 с";
    const std::vector<Row> rows = {
        {"", "EMUL:" + noAnswer + ". Документ не напечатан, его текст сохранён", true},
        {"Касса", "ReadParam:", false},
    };
    ProgramUnderTest p;
    ChildProcess& app = p.Start({"/EMUL"}, {"CUPS_SERVER=" + server.Address()});
    ASSERT_TRUE(app.WaitForStderr(ProgramUnderTest::kPollingLine, kCommandWait)) << app.Stderr();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printer);
        for (const auto& name : std::filesystem::directory_iterator(p.Folder().Path())) {
            if (name.path().filename().string().rfind("Unprinted_", 0) == 0)
                std::filesystem::remove(name.path());
        }
        p.Folder().Write("Param.ini", ParamText(row.printer));
        p.Folder().Write("Tovar.ini", kTovar);
        const auto start = std::chrono::steady_clock::now();
        Send(p, "PRINT");
        EXPECT_LT(std::chrono::steady_clock::now() - start, Millis(20000));
        const auto result = p.Lines("Result.txt");
        ASSERT_EQ(result.size(), 1u);
        EXPECT_NE(result[0].find(noAnswer), std::string::npos) << result[0];
        if (row.kept) {
            EXPECT_EQ(result[0].substr(20).rfind(row.error, 0), 0u) << result[0];
        } else {
            EXPECT_EQ(result[0].substr(20).rfind("ReadParam:", 0), 0u) << result[0];
        }
        bool kept = false;
        for (const auto& name : std::filesystem::directory_iterator(p.Folder().Path()))
            kept = kept || name.path().filename().string().rfind("Unprinted_", 0) == 0;
        EXPECT_EQ(kept, row.kept);
        // Not printed, so not counted.
        const std::string counters = p.Folder().Read("E0054321.ini");
        EXPECT_EQ(counters.find("NUM_CHECKPRIHODINSMENA=1"), std::string::npos) << counters;

        Send(p, "OPENSESSION");  // nothing to print on the emulator
        EXPECT_EQ(p.Folder().Read("Result.txt"), "");
    }
}

}  // namespace
}  // namespace orvenka::test
