// Memory of the real program (offscreen, /EMUL) over a run of hostile commands: junk command
// files of 10 MB, a 3 GB Param.ini, paper 100,000 characters wide, 3,000 goods at the widest
// paper accepted, 200-digit amounts, 30,001 goods, a 10 MB Dop.ini, a 1 MB DocumStr, a 1 GB text
// file to print. Each command is answered before the next is sent; the big files are sparse, so
// writing them costs nothing. Prints the resident memory at the start and at the end.
// Goal: the end within 50 MB of the start.
// Usage: hostile_memory_bench [commands=10000]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "program_under_test.h"

using namespace orvenka::test;
using Clock = std::chrono::steady_clock;

namespace {

long StatusKb(int pid, const char* key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    const std::string prefix = std::string(key) + ":";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    }
    return -1;
}

const char* const kParam =
    "SNO=OSN\r\nOplata=\r\nFiscal=-\r\nZN=1\r\nSection=1\r\nPRN_WIDHT_ITOG=20\r\n";

std::string Goods(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "Товар № " + std::to_string(i) + " с названием подлиннее\r\n2\r\n45,50\r\n10\r\n";
    return text;
}

class Shop {
  public:
    Shop() {
        p_.Start({"/EMUL"}, {"CUPS_SERVER=" + p_.Folder().Path() + "no-cups.sock"});
        if (!p_.Main().WaitForStderr(ProgramUnderTest::kPollingLine, Millis(30000))) {
            std::fprintf(stderr, "the program did not start:\n%s\n", p_.Main().Stderr().c_str());
            std::exit(1);
        }
    }
    int Pid() { return p_.Main().Pid(); }
    void Write(const std::string& name, const std::string& text) { p_.Folder().Write(name, text); }
    void Sparse(const std::string& name, uint64_t bytes) {
        p_.Folder().WriteBytes(name, "");
        std::filesystem::resize_file(p_.File(name), bytes);
    }
    // cmd.ini as a careful accounting system writes it (whole, by a rename), then the answer.
    void Command(const std::string& line) {
        std::filesystem::remove(p_.File("cmd.finish"));
        p_.Folder().WriteBytes("cmd.tmp", line);
        std::filesystem::rename(p_.File("cmd.tmp"), p_.File("cmd.ini"));
        Answered();
    }
    void SparseCommand(uint64_t bytes) {
        std::filesystem::remove(p_.File("cmd.finish"));
        Sparse("cmd.tmp", bytes);
        std::filesystem::rename(p_.File("cmd.tmp"), p_.File("cmd.ini"));
        Answered();
    }
    // What the operator would clear away: documents kept unprinted, used goods files.
    void Tidy() {
        for (const auto& e : std::filesystem::directory_iterator(p_.Folder().Path())) {
            const std::string name = e.path().filename().string();
            if (name.rfind("Unprinted_", 0) == 0 || name == "Tovar.oldini")
                std::filesystem::remove(e.path());
        }
    }

  private:
    void Answered() {
        if (!p_.WaitForFile("cmd.finish", Millis(60000))) {
            std::fprintf(stderr, "a command was not answered:\n%s\n", p_.Main().Stderr().c_str());
            std::exit(1);
        }
    }
    ProgramUnderTest p_;
};

}  // namespace

int main(int argc, char** argv) {
    const int commands = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10000;
    Shop shop;
    const std::string tovar3000 = Goods(3000);
    const std::string tovarTooMany = Goods(30001);
    const std::string huge = "1" + std::string(200, '0');
    const std::vector<std::function<void()>> hostile = {
        [&] { shop.SparseCommand(10 << 20); },
        [&] { shop.Command(std::string(60000, 'J') + "\r\n"); },
        [&] {
            shop.Sparse("Param.ini", 3ull << 30);
            shop.Write("Tovar.ini", "Хлеб\r\n1\r\n1\r\n0\r\n");
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Write("Param.ini", std::string(kParam) + "PRN_WIDHT=100000\r\n");
            shop.Write("Tovar.ini", tovar3000);
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Write("Param.ini", std::string(kParam) + "PRN_WIDHT=255\r\n");
            shop.Write("Tovar.ini", tovar3000);
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Write("Param.ini", std::string(kParam) + "PRN_WIDHT=40\r\n");
            shop.Write("Tovar.ini", "Хлеб\r\n" + huge + "\r\n" + huge + "\r\n0\r\n");
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Write("Tovar.ini", tovarTooMany);
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Sparse("Dop.ini", 10 << 20);
            shop.Write("Tovar.ini", "Хлеб\r\n1\r\n1\r\n0\r\n");
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Write("Dop.ini", "Заказ\r\n1\r\n+\r\n");
            shop.Write("Param.ini", std::string(kParam) + "PRN_WIDHT=40\r\nDocumStr=" +
                                        std::string(1 << 20, 'D') + "\r\n");
            shop.Write("Tovar.ini", "Хлеб\r\n1\r\n1\r\n0\r\n");
            shop.Command("PRINT\r\n");
        },
        [&] {
            shop.Sparse("slip.txt", 1ull << 30);
            shop.Command("PRINTTXTFILE=slip.txt\r\n");
        },
    };

    // Warm up once with every kind, so that the start figure includes what any command loads
    // once (fonts, the codec tables), then measure.
    for (const auto& command : hostile)
        command();
    shop.Tidy();
    const long startKb = StatusKb(shop.Pid(), "VmRSS");
    const auto t0 = Clock::now();
    for (int i = 0; i < commands; ++i) {
        hostile[static_cast<size_t>(i) % hostile.size()]();
        if (i % 100 == 99)
            shop.Tidy();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const long endKb = StatusKb(shop.Pid(), "VmRSS");
    const long peakKb = StatusKb(shop.Pid(), "VmHWM");
    std::printf("%d hostile commands (%zu kinds) in %.0f s, %.1f ms each\n", commands,
                hostile.size(), seconds, 1000 * seconds / commands);
    std::printf("resident memory: start %.1f MB, end %.1f MB (%+.1f MB), peak %.1f MB\n",
                startKb / 1024.0, endKb / 1024.0, (endKb - startKb) / 1024.0, peakKb / 1024.0);
    std::printf("goal: the end within 50 MB of the start -> %s\n",
                endKb - startKb < 50 * 1024 ? "met" : "MISSED");
    return 0;
}
