// A document the register did not print, on either register: the command fails with the
// register's own description and the emulated counters stay as they were.
#include <gtest/gtest.h>

#include "backends/atol/atol_fixture.h"
#include "common/folder_watch.h"
#include "shell/command_loop.h"

namespace orvenka::test {
namespace {

struct Register {
    const char* word;        // device word of the long command form
    const char* faultsFile;  // the simulated register's faults
    const char* lineMethod;  // the call that prints one text line
    const char* qrMethod;
    const char* counters;  // emulated counters file of ZN 0077
    const char* tape;      // what the simulated register printed
};

const Register kRegisters[] = {
    {"ATOL", "Fptr10.sim.faults.ini", "printText", "printBarcode", "A0077.ini",
     "Fptr10.sim.tape.txt"},
    {"SHTRIH", "DrvFR.sim.faults.ini", "PrintString", "Print2DBarcode", "S0077.ini",
     "DrvFR.sim.tape.txt"},
};

struct Document {
    const char* command;
    bool qr;            // printed by the QR call rather than by text lines
    const char* count;  // the counter the printed document moves, if any
};

const Document kDocuments[] = {
    {"PRINT", false, "NUM_CHECKINSMENA=1\r\n"},
    {"ZOTCHETEMUL", false, "NUM_ZOTCHET=2\r\n"},
    {"PRINTTXTFILE=text.txt", false, nullptr},
    {"PRINTQRCODE=abc", true, nullptr},
};

enum class Fault { None, PaperOut, Refused };

const char* const kParam =
    "DocumStr=D-1\r\nOplata=\r\nFiscal=-\r\nZN=0077\r\nSection=1\r\n"
    "PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\nVERSION_FFD=1.05\r\n";

TEST(UnprintedDocuments, FailWithTheRegistersTextAndCountNothing) {
    for (const Register& r : kRegisters) {
        for (const Document& d : kDocuments) {
            for (const Fault fault : {Fault::None, Fault::PaperOut, Fault::Refused}) {
                SCOPED_TRACE(std::string(r.word) + " " + d.command + " fault " +
                             std::to_string(static_cast<int>(fault)));
                AtolRig rig;
                rig.ctx.StartupKind = DeviceKind::Shtrih;
                CommandLoop loop{rig.ctx};
                rig.folder.Write("Param.ini", kParam);
                rig.folder.Write("Tovar.ini", "Хлеб\r\n1\r\n30\r\n20\r\n");
                rig.folder.Write("text.txt", "Первая строка\r\nВторая строка\r\n");
                const std::string method = d.qr ? r.qrMethod : r.lineMethod;
                if (fault != Fault::None) {
                    rig.folder.Write(r.faultsFile,
                                     fault == Fault::PaperOut
                                         ? "PAPER_OUT=1\r\n"
                                         : "FAIL." + method + "=107,Принтер не отвечает\r\n");
                }

                rig.folder.Write("cmd.ini", std::string(r.word) + ",1," + d.command + "\r\n");
                loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
                ASSERT_TRUE(loop.Tick());

                const std::string answer = rig.folder.Read("Result.txt");
                const std::string after =
                    rig.folder.Exists(r.counters) ? rig.folder.Read(r.counters) : "";
                if (fault == Fault::None) {
                    EXPECT_EQ(answer, "");
                    EXPECT_TRUE(!d.count || after.find(d.count) != std::string::npos) << after;
                    continue;
                }
                EXPECT_FALSE(answer.empty()) << "a document not printed is no success";
                if (fault == Fault::Refused) {
                    EXPECT_NE(answer.find("Принтер не отвечает"), std::string::npos) << answer;
                }
                // Loading may write the counters' defaults; nothing may count the document.
                for (const char* untouched :
                     {"SMENA=1\r\n", "NUM_CHECKINSMENA=0\r\n", "NUM_ZOTCHET=1\r\n"})
                    EXPECT_TRUE(after.empty() || after.find(untouched) != std::string::npos)
                        << after;
            }
        }
    }
}

// A non-fiscal receipt its counters cannot count is refused before a line is printed: printed and
// then not counted, it would be printed again when sent again.
TEST(UnprintedDocuments, AReceiptTheCountersCannotTakePrintsNothing) {
    const char* const full[] = {
        "NUM_CHECKINSMENA=2147483647\r\n",
        "SUM_TOTAL_PRIHOD=999999999999.99\r\n",
    };
    for (const Register& r : kRegisters) {
        for (const char* counters : full) {
            SCOPED_TRACE(std::string(r.word) + " " + counters);
            AtolRig rig;
            CommandLoop loop{rig.ctx};
            rig.folder.Write("Param.ini", kParam);
            rig.folder.Write("Tovar.ini", "Хлеб\r\n1\r\n30\r\n20\r\n");
            rig.folder.Write(r.counters, counters);
            rig.folder.Write("cmd.ini", std::string(r.word) + ",1,PRINT\r\n");
            loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
            ASSERT_TRUE(loop.Tick());
            EXPECT_NE(rig.folder.Read("Result.txt").find("Чек не напечатан: "), std::string::npos)
                << rig.folder.Read("Result.txt");
            const std::string tape = rig.folder.Exists(r.tape) ? rig.folder.Read(r.tape) : "";
            EXPECT_EQ(tape.find("Хлеб"), std::string::npos) << tape;
            EXPECT_EQ(rig.folder.Read(r.counters), counters);
        }
    }
}

}  // namespace
}  // namespace orvenka::test
