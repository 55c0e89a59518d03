#include "backends/shared/emul_counters.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <limits>

#include "common/failure.h"
#include "common/files.h"
#include "support/temp_folder.h"

namespace orvenka::test {
namespace {

const std::string kDefaultFile =
    "SMENA=1\r\nNUM_FISCAL_DOC=0\r\nNUM_CHECKINSMENA=0\r\nNUM_CHECKPRIHODINSMENA=0\r\n"
    "NUM_CHECKRASHODINSMENA=0\r\nNUM_ZOTCHET=1\r\nSUM_CHECKPRIHODINSMENA_NAL=0.00\r\n"
    "SUM_CHECKRASHODINSMENA_NAL=0.00\r\nSUM_CHECKRASHODINSMENA_VISA=0.00\r\n"
    "SUM_CHECKPRIHODINSMENA_VISA=0.00\r\nSUM_TOTAL_RASHOD=0.00\r\nSUM_TOTAL_PRIHOD=0.00\r\n";

class CountersTest : public ::testing::Test {
  protected:
    CountersTest() {
        param.ZN = "0012345";
        param.isNotFiscal = true;
    }
    TEmulVar Load(DeviceKind kind = DeviceKind::Emul) {
        TEmulVar c;
        LoadCounters(c, param, kind, folder.Path());
        return c;
    }
    TempFolder folder;
    TParam param;
};

TEST_F(CountersTest, FileNameIsFolderKindZnAndIni) {
    EXPECT_EQ(CountersFileName("/w/", DeviceKind::Emul, "0012345"), "/w/E0012345.ini");
    EXPECT_EQ(CountersFileName("/w/", DeviceKind::Atol, " 7 "), "/w/A 7 .ini");  // ZN as written
    for (const std::string zn : {"../x", "a/b", "a\\b", "a\tb"}) {
        EXPECT_THROW(CountersFileName("/w/", DeviceKind::Emul, zn), Failure) << zn;
    }
}

TEST_F(CountersTest, MissingFileGivesDefaultsAndSaveWritesTheFixedOrder) {
    TEmulVar c;
    c.SUM_TOTAL_PRIHOD = 99;  // overwritten by the defaults
    LoadCounters(c, param, DeviceKind::Emul, folder.Path());
    EXPECT_EQ(c.SMENA, 1);
    EXPECT_EQ(c.NUM_ZOTCHET, 1);
    EXPECT_EQ(c.NUM_FISCAL_DOC, 0);
    EXPECT_EQ(c.SUM_TOTAL_PRIHOD, 0);
    SaveCounters(c, param, DeviceKind::Emul, folder.Path());
    EXPECT_EQ(folder.Read("E0012345.ini"), kDefaultFile);
}

TEST_F(CountersTest, ReadsKeysWithoutRegardToCaseAndFirstLineWins) {
    folder.Write("E0012345.ini",
                 "num_checkinsmena=7\r\nNUM_CheckInSmena=99\r\nSmena =5\r\nSmena= 12\r\n"
                 "sum_total_prihod=1500.50\r\nрусский=1\r\nno equals sign\r\n"
                 "NUM_FISCAL_DOC=$10\r\n");
    const TEmulVar c = Load();
    EXPECT_EQ(c.NUM_CHECKINSMENA, 7);
    EXPECT_EQ(c.SMENA, 12);  // "Smena " is another key; the value is trimmed
    EXPECT_DOUBLE_EQ(c.SUM_TOTAL_PRIHOD, 1500.50);
    EXPECT_EQ(c.NUM_FISCAL_DOC, 16);
    EXPECT_EQ(c.NUM_ZOTCHET, 1);  // missing key: default
}

// A file that cannot be read as counters refuses the document and stays as it is: starting the
// shift again from the defaults would print documents with numbers already used.
TEST_F(CountersTest, FileThatIsNoCountersFileIsRefusedAndKept) {
    const std::string junk = std::string("\0\xFF\x80=\x01\r\n", 7) + std::string(1000, '\xE0');
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"SMENA=abc\r\nNUM_ZOTCHET=3\r\n", "SMENA=\"abc\" не число"},
        {"SMENA=4\r\nNUM_ZOTCHET=99999999999\r\n", "NUM_ZOTCHET=\"99999999999\" не число"},
        {"NUM_FISCAL_DOC=5.5\r\n", "NUM_FISCAL_DOC=\"5.5\" не число"},
        {"SUM_TOTAL_PRIHOD=1,5\r\n", "SUM_TOTAL_PRIHOD=\"1,5\" не число"},
        {"SUM_TOTAL_RASHOD=nan\r\n", "SUM_TOTAL_RASHOD=\"nan\" не число"},
        {"SUM_CHECKPRIHODINSMENA_NAL=\r\n", "SUM_CHECKPRIHODINSMENA_NAL=\"\" не число"},
        {junk, "в нём нет ни одного счетчика"},
        {"", "в нём нет ни одного счетчика"},
    };
    for (const auto& [bytes, why] : rows) {
        folder.WriteBytes("E0012345.ini", bytes);
        try {
            Load();
            ADD_FAILURE() << "read as counters: " << why;
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()), "Файл счетчиков эмулятора " +
                                                 folder.File("E0012345.ini") +
                                                 " не прочитан как счетчики (" + why +
                                                 "), он оставлен как есть. Команда не выполнена");
        }
        EXPECT_EQ(folder.ReadBytes("E0012345.ini"), bytes);
    }
}

// Counters are never read from or written to a file elsewhere through a link, symbolic or hard.
TEST_F(CountersTest, CountersFileThatIsALinkIsRefused) {
    TempFolder elsewhere;
    for (const bool hard : {false, true}) {
        elsewhere.Write("other.ini", "SMENA=7\r\n");
        DeleteFileIfExists(folder.File("E0012345.ini"));
        const std::string target = elsewhere.File("other.ini");
        ASSERT_EQ(hard ? ::link(target.c_str(), folder.File("E0012345.ini").c_str())
                       : ::symlink(target.c_str(), folder.File("E0012345.ini").c_str()),
                  0);
        EXPECT_THROW(Load(), Failure) << hard;
        TEmulVar c = DefaultCounters();
        EXPECT_THROW(SaveCounters(c, param, DeviceKind::Emul, folder.Path()), Failure) << hard;
        EXPECT_EQ(elsewhere.Read("other.ini"), "SMENA=7\r\n");
    }
}

TEST_F(CountersTest, PersistenceNeedsNonFiscalAndZn) {
    struct Row {
        std::string zn;
        bool notFiscal;
        bool persisted;
    };
    const Row rows[] = {{"0012345", true, true},
                        {"0012345", false, false},
                        {"", true, false},
                        {"   ", true, false}};
    for (const auto& r : rows) {
        TempFolder f;
        f.Write("E" + r.zn + ".ini", "SMENA=40\r\n");
        param.ZN = r.zn;
        param.isNotFiscal = r.notFiscal;
        TEmulVar c;
        c.SMENA = 3;
        LoadCounters(c, param, DeviceKind::Emul, f.Path());
        EXPECT_EQ(c.SMENA, r.persisted ? 40 : 3) << "[" << r.zn << "] " << r.notFiscal;
        c.SMENA = 41;
        SaveCounters(c, param, DeviceKind::Emul, f.Path());
        EXPECT_EQ(f.Read("E" + r.zn + ".ini") == "SMENA=40\r\n", !r.persisted);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.Path()), {}), 1);
    }
}

TEST_F(CountersTest, KindsAndFactoryNumbersKeepSeparateFiles) {
    TEmulVar c = Load(DeviceKind::Emul);
    c.SMENA = 5;
    SaveCounters(c, param, DeviceKind::Emul, folder.Path());
    c.SMENA = 6;
    SaveCounters(c, param, DeviceKind::Atol, folder.Path());
    param.ZN = "999";
    c.SMENA = 7;
    SaveCounters(c, param, DeviceKind::Emul, folder.Path());
    EXPECT_EQ(Load(DeviceKind::Emul).SMENA, 7);
    param.ZN = "0012345";
    EXPECT_EQ(Load(DeviceKind::Emul).SMENA, 5);
    EXPECT_EQ(Load(DeviceKind::Atol).SMENA, 6);
    EXPECT_EQ(Load(DeviceKind::Shtrih).SMENA, 1);
}

TEST_F(CountersTest, FailedSaveRaisesAndLeavesTheOldFileWhole) {
    folder.Write("E0012345.ini", "SMENA=8\r\n");
    TEmulVar c = Load();
    c.SMENA = 9;
    std::filesystem::remove(folder.File("E0012345.ini"));
    std::filesystem::create_directory(folder.File("E0012345.ini"));
    try {
        SaveCounters(c, param, DeviceKind::Emul, folder.Path());
        FAIL() << "saved over a folder";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("Не удалось сохранить счетчики эмулятора"),
                  std::string::npos);
        EXPECT_NE(std::string(f.what()).find("E0012345.ini"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("E0012345.ini")));
    EXPECT_THROW(Load(), Failure);  // a folder cannot be read as counters either
}

TEST_F(CountersTest, WriteErrorMidwayLeavesTheOldFileWhole) {
    folder.Write("E0012345.ini", "SMENA=8\r\n");
    TEmulVar c = Load();
    c.SMENA = 9;
    // Files may grow to 16 bytes only: the new counters cannot be written out.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 16;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(SaveCounters(c, param, DeviceKind::Emul, folder.Path()), Failure);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(folder.Read("E0012345.ini"), "SMENA=8\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST_F(CountersTest, EverySumWrittenReadsBackAsTheSameNumber) {
    // Sums as they build up: a tenth added ten thousand times, halves of a kopeck, the limit.
    double tenths = 0;
    for (int i = 0; i < 10000; ++i)
        tenths += 0.1;
    for (const double value :
         {tenths, 0.005, -0.015, 1234567.895, 999999999999.99, -999999999999.99, 123456789012.34}) {
        TEmulVar c = Load();
        c.SUM_TOTAL_PRIHOD = value;
        c.SUM_CHECKRASHODINSMENA_VISA = -value;
        SaveCounters(c, param, DeviceKind::Emul, folder.Path());
        const std::string written = folder.ReadBytes("E0012345.ini");
        SaveCounters(Load(), param, DeviceKind::Emul, folder.Path());
        EXPECT_EQ(folder.ReadBytes("E0012345.ini"), written) << value;
    }
}

TEST_F(CountersTest, SumsACounterCannotHoldAreNeverWritten) {
    const double inf = std::numeric_limits<double>::infinity();
    SaveCounters(Load(), param, DeviceKind::Emul, folder.Path());
    for (const double value : {inf, -inf, std::nan(""), 1e13, 1e300, -1000000000000.0}) {
        TEmulVar c = Load();
        c.SUM_CHECKPRIHODINSMENA_VISA = value;
        EXPECT_THROW(CheckCounters(c), Failure) << value;
        try {
            SaveCounters(c, param, DeviceKind::Emul, folder.Path());
            ADD_FAILURE() << value << " was written";
        } catch (const Failure& f) {
            EXPECT_EQ(
                std::string(f.what()).rfind("Не удалось сохранить счетчики эмулятора: "
                                            "счетчик эмулятора SUM_CHECKPRIHODINSMENA_VISA = ",
                                            0),
                0u)
                << f.what();
        }
        EXPECT_EQ(folder.Read("E0012345.ini"), kDefaultFile);
    }
}

TEST(EmulCounters, RecordCountsReturnsAndEverythingElseAsIncome) {
    struct Row {
        std::string command;
        bool isReturn;
    };
    const Row rows[] = {{"PRINT", false},      {"PRINTS", false},  {"PRINT_BUY", false},
                        {"RETURN_BUY", false}, {"RETURNS", false}, {"CORRECT_PRIH", false},
                        {"RETURN", true},      {" return ", true}};
    for (const auto& r : rows) {
        TEmulVar c;
        c.NUM_FISCAL_DOC = 4;
        RecordEmulatedReceipt(c, r.command, 100.005, 30, 60);  // parts need not add up
        EXPECT_EQ(c.NUM_FISCAL_DOC, 5) << r.command;
        EXPECT_EQ(c.NUM_CHECKINSMENA, 1);
        EXPECT_EQ(c.NUM_CHECKRASHODINSMENA, r.isReturn ? 1 : 0) << r.command;
        EXPECT_EQ(c.NUM_CHECKPRIHODINSMENA, r.isReturn ? 0 : 1) << r.command;
        EXPECT_EQ(c.SUM_TOTAL_RASHOD, r.isReturn ? 100.005 : 0);
        EXPECT_EQ(c.SUM_TOTAL_PRIHOD, r.isReturn ? 0 : 100.005);
        EXPECT_EQ(c.SUM_CHECKRASHODINSMENA_NAL + c.SUM_CHECKPRIHODINSMENA_NAL, 60);
        EXPECT_EQ(c.SUM_CHECKRASHODINSMENA_VISA + c.SUM_CHECKPRIHODINSMENA_VISA, 30);
    }
}

TEST(EmulCounters, CloseShiftKeepsDocumentNumberAndTotals) {
    TEmulVar c = DefaultCounters();
    RecordEmulatedReceipt(c, "PRINT", 10, 0, 10);
    RecordEmulatedReceipt(c, "RETURN", 4, 4, 0);
    CloseShiftCounters(c);
    EXPECT_EQ(CountersLines(c),
              (std::vector<std::string>{
                  "SMENA=2", "NUM_FISCAL_DOC=2", "NUM_CHECKINSMENA=0", "NUM_CHECKPRIHODINSMENA=0",
                  "NUM_CHECKRASHODINSMENA=0", "NUM_ZOTCHET=2", "SUM_CHECKPRIHODINSMENA_NAL=0.00",
                  "SUM_CHECKRASHODINSMENA_NAL=0.00", "SUM_CHECKRASHODINSMENA_VISA=0.00",
                  "SUM_CHECKPRIHODINSMENA_VISA=0.00", "SUM_TOTAL_RASHOD=4.00",
                  "SUM_TOTAL_PRIHOD=10.00"}));
    c.SMENA = 2147483647;
    CloseShiftCounters(c);
    EXPECT_EQ(c.SMENA, 2147483647);  // stays at the top instead of wrapping
}

}  // namespace
}  // namespace orvenka::test
