#include <gtest/gtest.h>

#include <functional>

#include "common/clock.h"
#include "common/failure.h"
#include "common/files.h"
#include "drivers/driver_factory.h"
#include "drivers/sim/simulated_object.h"
#include "support/list_logger.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::ListLogger;

TEST(Variant, ConvertsAsTheDriversCallersExpect) {
    EXPECT_EQ(Variant(2.5).ToInt(), 3);
    EXPECT_EQ(Variant(-2.5).ToInt(), -3);
    EXPECT_EQ(Variant(" 42 ").ToInt(), 42);
    EXPECT_EQ(Variant(true).ToInt(), 1);
    EXPECT_DOUBLE_EQ(Variant("150.5").ToFloat(), 150.5);
    EXPECT_DOUBLE_EQ(Variant(7).ToFloat(), 7);
    EXPECT_TRUE(Variant("True").ToBool());
    EXPECT_FALSE(Variant(0).ToBool());
    EXPECT_EQ(Variant(12).ToText(), "12");
    EXPECT_EQ(Variant(Bytes{0x0A, 0xFF}).Show(), "[0A FF]");
    EXPECT_EQ(Variant("Чек").Show(), "\"Чек\"");
    const TDateTime t = EncodeDateTime({2021, 2, 12, 10, 30, 15, 0});
    EXPECT_EQ(Variant::DateTime(t).ToText(), "12.02.2021 10:30:15");
    EXPECT_NE(Variant::DateTime(t), Variant(t)) << "a date-time is not a float";

    const std::function<void()> mismatches[] = {
        [] { Variant("abc").ToInt(); },     [] { Variant("1,5").ToFloat(); },
        [] { Variant(Bytes{1}).ToText(); }, [] { Variant("yes").ToBool(); },
        [] { Variant(1e300).ToInt(); },     [] { Variant(5).ToBytes(); },
    };
    for (const auto& call : mismatches)
        EXPECT_THROW(call(), Failure);
}

// A minimal simulated register: one stored property, one computed, one method.
class TinySim : public SimulatedObject {
  public:
    explicit TinySim(const DriverEnvironment& env)
        : SimulatedObject("AddIn.Tiny", "Tiny.sim", "ККМ Малютка", env) {
        DefineProperty("Password", 0);
        DefineProperty("Price", 0.0, [this](const Variant& v) { lastPrice = v.ToFloat(); });
        DefineComputed("Date", [this] { return Variant::DateTime(Now()); });
        DefineProperty("ResultCode", 0);
        DefineMethod("Beep", [this](const std::vector<Variant>&) {
            tape_.BeginDocument("ГУДОК");
            return Variant(0);
        });
    }
    double lastPrice = 0;

  protected:
    Variant AnswerFault(std::string_view, const SimFault& fault) override {
        Value("ResultCode") = fault.code;
        return fault.code;
    }
};

class SimulatedObjectTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    ListLogger log;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 15, 0})};
    DriverTraffic traffic;
    DriverFactory factory{DriverEnvironment{folder.Path(), log, clock, &traffic}};

    SimulatedObjectTest() {
        factory.Register("AddIn.Tiny", [](const DriverEnvironment& env) {
            return std::make_unique<TinySim>(env);
        });
    }
};

TEST_F(SimulatedObjectTest, NamesWithoutRegardToCaseTypedValuesAndTheTrafficInOrder) {
    auto fr = factory.Create("addin.TINY");
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("симулятор"), std::string::npos) << log.messages[0];

    fr->Set("password", 30);
    fr->Set("PRICE", "10.50");
    EXPECT_EQ(fr->GetInt("Password"), 30);
    EXPECT_DOUBLE_EQ(static_cast<TinySim&>(*fr).lastPrice, 10.5);
    EXPECT_EQ(fr->Get("Price").GetType(), Variant::Type::Float) << "the property keeps its type";
    EXPECT_EQ(fr->CallInt("beep"), 0);
    EXPECT_EQ(traffic.lines, (std::vector<std::string>{"password:=30", "PRICE:=\"10.50\"",
                                                       "Password?", "Price?", "beep()"}));
    EXPECT_NE(folder.Read("Tiny.sim.tape.txt").find("СИМУЛЯТОР, НЕ ФИСКАЛЬНЫЙ ДОКУМЕНТ"),
              std::string::npos);

    // What a late-bound call cannot do raises, as it would on a real object.
    EXPECT_THROW(fr->Set("Password", "три"), Failure);
    EXPECT_THROW(fr->Get("NoSuchName"), Failure);
    EXPECT_THROW(fr->Call("NoSuchMethod"), Failure);
    EXPECT_THROW(fr->Set("Date", 1.0), Failure) << "computed without a setter: read-only";
    EXPECT_EQ(fr->GetInt("Password"), 30) << "a refused value leaves the old one";
}

TEST_F(SimulatedObjectTest, UnknownProgIdFailsLikeAFailedObjectCreation) {
    try {
        factory.Create("AddIn.Nothing");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "Недопустимая строка с указанием класса: AddIn.Nothing");
    }
}

TEST_F(SimulatedObjectTest, FaultsFromTheFileAndFromTests) {
    folder.Write("Tiny.sim.faults.ini",
                 "; проба\r\nFAIL.Beep=115,Нет бумаги\r\nCLOCK_OFFSET_MINUTES=-30\r\n"
                 "PAPER_OUT=1\r\nBUSY=2\r\nFAIL.Beep2=abc\r\nмусор\r\n");
    auto fr = factory.Create("AddIn.Tiny");
    EXPECT_EQ(fr->CallInt("Beep"), 115);
    EXPECT_EQ(fr->GetInt("ResultCode"), 115);
    EXPECT_EQ(fr->CallInt("Beep"), 115) << "a fault from the file stays";
    EXPECT_DOUBLE_EQ(fr->Get("Date").ToDateTime(), clock.Now() - 30.0 / 1440);
    auto& sim = static_cast<TinySim&>(*fr);
    EXPECT_TRUE(sim.Faults().paperOut);
    EXPECT_FALSE(sim.Faults().busy) << "2 is no flag";
    // Three lines not understood, each named in the log.
    EXPECT_EQ(log.messages.size(), 4u);

    sim.Faults().FailCall("BEEP", 0x4E, "Смена превысила 24 часа", true);
    EXPECT_EQ(fr->CallInt("Beep"), 0x4E);
    EXPECT_EQ(fr->CallInt("Beep"), 115) << "a fault for one call is used up";
}

TEST_F(SimulatedObjectTest, StateSurvivesAndGarbageGivesDefaults) {
    {
        SimState state(folder.File("s.ini"), log);
        state.Set("Shift", 7);
        state.SetFloat("Cash", 150.5);
        state.Save();
    }
    SimState again(folder.File("s.ini"), log);
    EXPECT_EQ(again.Int("SHIFT", 1), 7);
    EXPECT_DOUBLE_EQ(again.Float("cash", 0), 150.5);

    folder.WriteBytes("g.ini", std::string("\0\xFF=\x01\r\nShift=x\r\n", 10));
    SimState garbage(folder.File("g.ini"), log);
    EXPECT_EQ(garbage.Int("Shift", 1), 1);
}

}  // namespace
}  // namespace orvenka
