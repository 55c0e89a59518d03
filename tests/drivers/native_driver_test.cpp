// The objects over the vendors' libraries, through dlopen of fake libraries of our own that
// export the vendors' symbols over the simulated registers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "common/clock.h"
#include "common/failure.h"
#include "drivers/fptr10_constants.h"
#include "drivers/native/fptr10_native.h"
#include "drivers/native/native_drivers.h"
#include "drivers/native/native_library.h"
#include "drivers/native/native_values.h"
#include "drivers/native/shtrih_native.h"
#include "drivers/sim/simulators.h"
#include "support/list_logger.h"
#include "support/temp_folder.h"

namespace orvenka::native {
namespace {

using test::TempFolder;

std::string FailureText(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& e) {
        return e.what();
    }
    return "<no failure>";
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(NativeValuesTest, TextCrossesAsUtf32AndBack) {
    const std::string rus = "Хлеб бородинский ёЁ №5 €";
    const std::wstring w = ToWide(rus);
    ASSERT_EQ(w.size(), 24u);
    EXPECT_EQ(w[0], static_cast<wchar_t>(0x0425));
    EXPECT_EQ(FromWide(w), rus);
    // What a driver may answer that is no character at all.
    const std::wstring bad = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)};
    EXPECT_EQ(FromWide(bad), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(NativeValuesTest, MoneyDatesAndSixInts) {
    const struct {
        double roubles;
        int64_t units;
    } money[] = {{45.50, 4550}, {0.29, 29}, {1234.56, 123456}, {-12.34, -1234}, {0, 0}};
    for (const auto& m : money) {
        EXPECT_EQ(ToDriverMoney(m.roubles), m.units) << m.roubles;
    }
    EXPECT_DOUBLE_EQ(FromDriverMoney(4550), 45.5);
    EXPECT_THROW(ToDriverMoney(1e300), Failure);

    const TDateTime t = EncodeDateTime({2021, 2, 12, 10, 30, 15, 0});
    EXPECT_DOUBLE_EQ(FromTimeT(ToTimeT(t)), t);
    // A time just short of the second still arrives as that second.
    const SixInts s = ToSixInts(t - 0.0001 / 86400);
    EXPECT_EQ((std::vector<int>{s.year, s.month, s.day, s.hour, s.minute, s.second}),
              (std::vector<int>{2021, 2, 12, 10, 30, 15}));
    EXPECT_DOUBLE_EQ(FromSixInts(s), t);
    EXPECT_EQ(FromSixInts({}), 0);  // a driver that answers zeros
    EXPECT_EQ(FromSixInts({2021, 2, 30, 0, 0, 0}), 0);
}

TEST(NativeLibraryTest, SettingsChooseTheLibrary) {
    TempFolder folder;
    folder.Write("installed.so", "");
    const std::vector<std::string> installed = {folder.File("absent.so"),
                                                folder.File("installed.so")};
    const struct {
        const char* setting;
        std::string path;
    } rows[] = {{"", ""},
                {" sim ", ""},
                {"SIM", ""},
                {"auto", folder.File("installed.so")},
                {"/opt/x/libfptr10.so", "/opt/x/libfptr10.so"}};
    for (const auto& r : rows) {
        EXPECT_EQ(DriverLibraryPath(r.setting, installed, "lib.so"), r.path) << r.setting;
    }
    // Nothing installed: the loader's own search path.
    EXPECT_EQ(DriverLibraryPath("AUTO", {folder.File("absent.so")}, "lib.so"), "lib.so");

    folder.Write("X.ini",
                 "AtolNoCloseLinkToDriverAfterCommand=\r\nShtrihDriver= /a/b.so \r\n"
                 "ShtrihConnection=tcp://192.168.0.50:7778?timeout=5000\r\n");
    const NativeDriverSettings s = ReadNativeDriverSettings(folder.File("X.ini"));
    EXPECT_EQ(s.shtrihDriver, "/a/b.so");
    EXPECT_EQ(s.shtrihConnection, "tcp://192.168.0.50:7778?timeout=5000");
    EXPECT_EQ(s.atolDriver, "");
    EXPECT_EQ(ReadNativeDriverSettings(folder.File("none.ini")).shtrihDriver, "");
}

// Each test gets a register of its own in a folder of its own.
class NativeDriverTest : public ::testing::Test {
  protected:
    TempFolder fakeFolder;
    NativeDriverTest() { ::setenv("ORVENKA_FAKE_DRIVER_DIR", fakeFolder.Path().c_str(), 1); }
    ~NativeDriverTest() override {
        ::unsetenv("ORVENKA_FAKE_DRIVER_DIR");
        ::unsetenv("ORVENKA_FAKE_DRIVER_REFUSE");
    }
    static std::shared_ptr<const NativeLibrary> Load(const char* path) {
        return std::make_shared<const NativeLibrary>("Тест", path);
    }
    std::string Calls(const char* file) const { return fakeFolder.ReadBytes(file); }
};

TEST_F(NativeDriverTest, ShtrihValuesReachTheLibraryInItsTypes) {
    {
        ShtrihNative fr(Load(ORVENKA_FAKE_CLASSIC), "serial://ttyACM0?baudrate=115200");
        fr.Set("password", 30);
        fr.Set("Price", 45.50);
        fr.Set("Quantity", 2.5);
        fr.Set("Tax1Value", 1.23);  // the driver's TaxValue1
        fr.Set("StringForPrinting", "Хлеб бородинский");
        EXPECT_EQ(fr.GetInt("Password"), 30);
        EXPECT_DOUBLE_EQ(fr.GetFloat("Price"), 45.5);
        EXPECT_DOUBLE_EQ(fr.GetFloat("Tax1Value"), 1.23);
        EXPECT_EQ(fr.GetText("StringForPrinting"), "Хлеб бородинский");

        // Longer than the first buffer, and bytes with NUL in them.
        std::string longText;
        for (int i = 0; i < 300; ++i)
            longText += "Ж";
        fr.Set("StringForPrinting", longText);
        EXPECT_EQ(fr.GetText("StringForPrinting"), longText);
        const Bytes line = {0x00, 0xFF, 0x00, 0x41};
        fr.Set("LineData", line);
        EXPECT_EQ(fr.Get("LineData").ToBytes(), line);

        // An unsigned number beyond int, and the refusals of values the C types cannot hold.
        fr.Set("DocumentNumber", int64_t{4000000000});
        EXPECT_EQ(fr.GetInt("DocumentNumber"), 4000000000);
        EXPECT_THROW(fr.Set("DocumentNumber", -1), Failure);
        EXPECT_THROW(fr.Set("TableNumber", int64_t{1} << 40), Failure);

        const TDateTime t = EncodeDateTime({2021, 2, 12, 10, 30, 15, 0});
        fr.Set("TagValueDateTime", Variant::DateTime(t));
        EXPECT_DOUBLE_EQ(fr.Get("TagValueDateTime").ToDateTime(), t);

        // A method and the driver's own result.
        fr.Set("Password", 999);
        EXPECT_NE(fr.CallInt("Beep"), 0);
        EXPECT_NE(fr.GetInt("ResultCode"), 0);
        EXPECT_FALSE(fr.GetText("ResultCodeDescription").empty());
    }
    const std::string calls = Calls("fake_classic.calls.txt");
    for (const char* line :
         {"c_classic_init\nSet_ConnectionURI serial://ttyACM0?baudrate=115200\n",
          "Set_Password 30\n", "Set_Price 4550\n", "Set_TaxValue1 123\n",
          "Set_StringForPrinting Хлеб бородинский\n", "Beep\n", "c_classic_deinit\n"}) {
        EXPECT_TRUE(Contains(calls, line)) << line << "\n" << calls;
    }
}

TEST_F(NativeDriverTest, AtolTextSettingsAndDatesCrossTheCInterface) {
    const auto c = [](const char* name) { return *Fptr10Constant(name); };
    {
        Fptr10Native f(Load(ORVENKA_FAKE_FPTR10));
        EXPECT_EQ(f.Get("libfptr_param_text"), Variant(65536));
        EXPECT_EQ(f.Call("setSingleSetting", {"Port", "1"}), Variant(0));
        EXPECT_EQ(f.CallInt("applySingleSettings"), 0);
        EXPECT_EQ(f.CallInt("open"), 0);
        EXPECT_TRUE(f.Call("isOpened").ToBool());

        f.Call("setParam", {c("LIBFPTR_PARAM_DATA_TYPE"), c("LIBFPTR_DT_DATE_TIME")});
        EXPECT_EQ(f.CallInt("queryData"), 0);
        const TDateTime now =
            f.Call("getParamDateTime", {c("LIBFPTR_PARAM_DATE_TIME")}).ToDateTime();
        EXPECT_LT(std::abs(now - SystemClock().Now()), 1.0 / 24);

        // An answer longer than the first buffer: the hex of a long structure.
        std::string name;
        for (int i = 0; i < 200; ++i)
            name += "Ё";
        f.Call("setParam", {1008, name});
        f.Call("setParam", {1227, name});
        EXPECT_EQ(f.CallInt("utilFormTlv"), 0) << f.Call("errorDescription").ToText();
        EXPECT_GT(f.Call("getParamString", {c("LIBFPTR_PARAM_TAG_VALUE")}).ToText().size(), 800u);
        EXPECT_GT(f.Call("getParamByteArray", {c("LIBFPTR_PARAM_TAG_VALUE")}).ToBytes().size(),
                  400u);
        EXPECT_EQ(f.Get("CharLineLength").ToInt(), 48);

        // The driver's own error and description; numbers the unsigned ints cannot hold.
        EXPECT_EQ(f.CallInt("utilFormTlv"), -1);
        EXPECT_NE(f.Call("errorCode").ToInt(), 0);
        EXPECT_EQ(f.Call("errorDescription").ToText(), "Не указан ни один тег для структуры");
        EXPECT_THROW(f.Call("setParam", {1008, -1}), Failure);
        EXPECT_THROW(f.Call("setParam", {1008, int64_t{1} << 33}), Failure);
        EXPECT_THROW(f.Call("noSuchOperation"), Failure);
        f.Call("setParam", {c("LIBFPTR_PARAM_COMMODITY_NAME"), "Молоко"});
    }
    const std::string calls = Calls("fake_fptr10.calls.txt");
    for (const char* line : {"libfptr_create\n", "libfptr_set_single_setting Port 1\n",
                             "libfptr_set_param_str 65631 Молоко\n", "libfptr_destroy\n"}) {
        EXPECT_TRUE(Contains(calls, line)) << line << "\n" << calls;
    }
}

// After a refused utilFormTlv the back-end drops what it set; the library must really drop it.
TEST_F(NativeDriverTest, AtolResetParamsReachesTheLibraryAndDropsTheInputs) {
    {
        Fptr10Native f(Load(ORVENKA_FAKE_FPTR10));
        f.Call("setParam", {1085, "Цвет"});
        f.Call("setParam", {1086, "Красный"});
        EXPECT_EQ(f.CallInt("resetParams"), 0);
        EXPECT_EQ(f.CallInt("utilFormTlv"), -1);
        EXPECT_EQ(f.Call("errorDescription").ToText(), "Не указан ни один тег для структуры");
    }
    const std::string calls = Calls("fake_fptr10.calls.txt");
    EXPECT_TRUE(Contains(calls,
                         "libfptr_set_param_str 1086 Красный\nlibfptr_reset_params\n"
                         "libfptr_util_form_tlv\n"))
        << calls;
}

TEST_F(NativeDriverTest, LibrariesThatFailAreFailuresNamingThem) {
    // Not there.
    const std::string missing = fakeFolder.File("libnone.so");
    const std::string notThere = FailureText([&] { Load(missing.c_str()); });
    EXPECT_TRUE(Contains(notThere, missing)) << notThere;
    EXPECT_TRUE(Contains(notThere, "No such file")) << notThere;
    // Not a library.
    fakeFolder.Write("libtext.so", "no ELF here");
    EXPECT_TRUE(
        Contains(FailureText([&] { Load(fakeFolder.File("libtext.so").c_str()); }), "libtext.so"));

    // Symbols the library lacks: each call fails, naming the symbol, the name and the path.
    ShtrihNative fr(Load(ORVENKA_FAKE_PARTIAL), "");
    const std::string get = FailureText([&] { fr.Get("ECRMode"); });
    for (const std::string& part : {std::string("Get_ECRMode"), std::string(ORVENKA_FAKE_PARTIAL)})
        EXPECT_TRUE(Contains(get, part)) << get;
    EXPECT_TRUE(Contains(FailureText([&] { fr.Call("OpenCheck"); }), "OpenCheck"));
    const std::string unknown = FailureText([&] { fr.Set("NoSuchName", 1); });
    EXPECT_TRUE(Contains(unknown, "Штрих-М") && Contains(unknown, "NoSuchName") &&
                Contains(unknown, ORVENKA_FAKE_PARTIAL))
        << unknown;
    Fptr10Native f(Load(ORVENKA_FAKE_PARTIAL));
    EXPECT_TRUE(Contains(FailureText([&] { f.Call("open"); }), "libfptr_open"));
    EXPECT_TRUE(Contains(FailureText([&] { f.Get("LIBFPTR_NO_SUCH"); }), "LIBFPTR_NO_SUCH"));

    // A library that refuses to make its object.
    ::setenv("ORVENKA_FAKE_DRIVER_REFUSE", "1", 1);
    EXPECT_TRUE(Contains(FailureText([] { ShtrihNative(Load(ORVENKA_FAKE_CLASSIC), ""); }),
                         "c_classic_init"));
    EXPECT_TRUE(
        Contains(FailureText([] { Fptr10Native x(Load(ORVENKA_FAKE_FPTR10)); }), "libfptr_create"));
}

TEST_F(NativeDriverTest, ANamedLibraryNeverFallsBackToTheSimulator) {
    TempFolder folder;
    test::ListLogger log;
    SystemClock clock;
    DriverFactory factory(DriverEnvironment{folder.Path(), log, clock});
    RegisterSimulators(factory);
    RegisterNativeDrivers(factory, {folder.File("libnone.so"), "", "/nowhere/libfptr10.so"});
    for (const char* progId : {"AddIn.DrvFR", "AddIn.Fptr10"}) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_THROW(factory.Create(progId), Failure) << progId;
        }
    }
    EXPECT_TRUE(
        Contains(FailureText([&] { factory.Create("AddIn.Fptr10"); }), "/nowhere/libfptr10.so"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ADD_FAILURE() << "a file appeared: " << entry.path();
    }
    EXPECT_THROW(factory.Create("AddIn.DrvFR"), DriverMissing) << "not to be tried again";
    const std::string missing = factory.Describe("AddIn.DrvFR");
    EXPECT_TRUE(Contains(missing, folder.File("libnone.so") + " не загружается") &&
                Contains(missing, "No such file"))
        << missing;
    // SIM keeps the simulator.
    DriverFactory sim(DriverEnvironment{folder.Path(), log, clock});
    RegisterSimulators(sim);
    RegisterNativeDrivers(sim, {"SIM", "", ""});
    EXPECT_NO_THROW(sim.Create("AddIn.DrvFR"));
}

// The operator and the log learn which library stands behind each kind, with the version the
// library reports.
TEST_F(NativeDriverTest, TheLibraryBehindEachKindIsNamedWithItsVersion) {
    TempFolder folder;
    test::ListLogger log;
    SystemClock clock;
    DriverFactory factory(DriverEnvironment{folder.Path(), log, clock});
    RegisterNativeDrivers(factory, {ORVENKA_FAKE_CLASSIC, "", ORVENKA_FAKE_FPTR10});
    const std::string atol =
        std::string("библиотека производителя ") + ORVENKA_FAKE_FPTR10 + ", версия 10.fake";
    const std::string shtrih = std::string("библиотека производителя ") + ORVENKA_FAKE_CLASSIC;
    EXPECT_EQ(factory.Describe("AddIn.Fptr10"), atol);
    EXPECT_EQ(factory.Describe("AddIn.DrvFR"), shtrih);
    factory.Create("AddIn.Fptr10");
    factory.Create("addin.drvfr");
    EXPECT_EQ(log.messages, (std::vector<std::string>{"AddIn.Fptr10: ККМ АТОЛ — " + atol,
                                                      "AddIn.DrvFR: ККМ Штрих-М — " + shtrih}));
}

}  // namespace
}  // namespace orvenka::native
