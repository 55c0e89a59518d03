#include "shell/event_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/cp1251.h"
#include "common/failure.h"
#include "common/input_limits.h"
#include "common/text.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using Lines = std::vector<std::string>;

class EventLogTest : public ::testing::Test {
  protected:
    test::TempFolder tmp;
    test::ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 1, 9, 5, 7})};
    TParam param;
    EventLog log{clock, platform, param, tmp.File("orvenka.long.log")};
};

TEST_F(EventLogTest, MessageLineIsDateTimeColonText) {
    log.LogMessage("Старт отслеживания команд");
    clock.AdvanceSeconds(3661);
    log.LogMessage("");
    EXPECT_EQ(log.Messages(),
              (Lines{"01.02.2021 09:05:07:Старт отслеживания команд", "01.02.2021 10:06:08:"}));
    EXPECT_TRUE(log.Errors().empty());
    EXPECT_FALSE(tmp.Exists("orvenka.long.log"));
    EXPECT_TRUE(platform.balloons.empty());
}

TEST_F(EventLogTest, ErrorGoesToPaneLongLogAndBalloon) {
    log.LogError("Нет связи с ККМ");
    EXPECT_EQ(log.Errors(), Lines{"01.02.2021 09:05:07:Нет связи с ККМ"});
    EXPECT_TRUE(log.Messages().empty());
    // Before any receipt: empty NumCheck and DocumStr, a blank for isNotFiscal, 0.00.
    EXPECT_EQ(tmp.ReadBytes("orvenka.long.log"),
              Utf8ToCp1251("01.02.2021 09:05:07#KKM DocumentNumber=- #NumCheck= #DocumStr= "
                           "#isNotFiscal=  #SummaTovar=0.00 #Message=01.02.2021 09:05:07:"
                           "Нет связи с ККМ\r\n"));
    ASSERT_EQ(platform.balloons.size(), 1u);
    EXPECT_EQ(platform.balloons[0].first, "Управление ККМ ORVENKA");
    EXPECT_EQ(platform.balloons[0].second, "01.02.2021 09:05:07:Нет связи с ККМ\r");
}

TEST_F(EventLogTest, BalloonShowsAllErrorLinesEachEndedByCr) {
    log.LogError("первая");
    clock.AdvanceSeconds(1);
    log.LogError("вторая");
    ASSERT_EQ(platform.balloons.size(), 2u);
    EXPECT_EQ(platform.balloons[1].second,
              "01.02.2021 09:05:07:первая\r01.02.2021 09:05:08:вторая\r");
    log.ClearErrors();
    EXPECT_TRUE(log.Errors().empty());
    log.ShowErrorBalloon();
    EXPECT_EQ(platform.balloons.back().second, "");
}

TEST_F(EventLogTest, LongLogCarriesTheCurrentReceiptValues) {
    log.WriteLongLog("OK", "17");
    param.NumCheck = "000123";
    param.DocumStr = "Реализация №5";
    param.isNotFiscal = true;
    param.SummaTovar = 1234.565;
    clock.AdvanceSeconds(60);
    log.WriteLongLog("OK", "18");
    EXPECT_EQ(tmp.ReadBytes("orvenka.long.log"),
              Utf8ToCp1251("01.02.2021 09:05:07#KKM DocumentNumber=17 #NumCheck= #DocumStr= "
                           "#isNotFiscal=  #SummaTovar=0.00 #Message=OK\r\n"
                           "01.02.2021 09:06:07#KKM DocumentNumber=18 #NumCheck=000123 "
                           "#DocumStr=Реализация №5 #isNotFiscal=+ #SummaTovar=1234.57 "
                           "#Message=OK\r\n"));
    // Nothing in the panes, no balloon: it is not an error.
    EXPECT_TRUE(log.Errors().empty());
    EXPECT_TRUE(platform.balloons.empty());
}

TEST_F(EventLogTest, LongLogAppendsToAnExistingFile) {
    tmp.WriteBytes("orvenka.long.log", "old\r\n");
    log.WriteLongLog("OK", "1");
    EXPECT_EQ(tmp.ReadBytes("orvenka.long.log").substr(0, 5), "old\r\n");
    EXPECT_EQ(SplitText(tmp.Read("orvenka.long.log"), '\n').size(), 3u);
}

TEST_F(EventLogTest, WriteLongLogRaisesWhenTheFileCannotBeWritten) {
    std::filesystem::create_directory(tmp.File("orvenka.long.log"));
    EXPECT_THROW(log.WriteLongLog("OK", "1"), Failure);
}

TEST_F(EventLogTest, ErrorStillReachesPaneAndBalloonWhenLongLogFails) {
    std::filesystem::create_directory(tmp.File("orvenka.long.log"));
    EXPECT_NO_THROW(log.LogError("Ошибка печати"));
    ASSERT_EQ(log.Errors().size(), 2u);
    EXPECT_EQ(log.Errors()[0], "01.02.2021 09:05:07:Ошибка печати");
    EXPECT_NE(log.Errors()[1].find(tmp.File("orvenka.long.log")), std::string::npos);
    ASSERT_EQ(platform.balloons.size(), 1u);
    EXPECT_EQ(platform.balloons[0].second, log.Errors()[0] + "\r" + log.Errors()[1] + "\r");
}

TEST_F(EventLogTest, BalloonCutsTitleAndTextByCharacters) {
    const std::string title = RepeatText("Ж", 70);
    const std::string text = RepeatText("ё", 300);
    log.ShowTrayBalloon(title, text);
    ASSERT_EQ(platform.balloons.size(), 1u);
    EXPECT_EQ(platform.balloons[0].first, RepeatText("Ж", 63));
    EXPECT_EQ(platform.balloons[0].second, RepeatText("ё", 255));
    log.ShowTrayBalloon("t", "short");
    EXPECT_EQ(platform.balloons[1], (std::pair<std::string, std::string>{"t", "short"}));
}

TEST_F(EventLogTest, ManyErrorsShowOnlyTheFirstLinesInTheBalloon) {
    for (int i = 0; i < 20; ++i)
        log.LogError("Ошибка номер " + std::to_string(i));
    const std::string shown = platform.balloons.back().second;
    EXPECT_EQ(CharCount(shown), 255u);
    EXPECT_EQ(shown.rfind("01.02.2021 09:05:07:Ошибка номер 0\r", 0), 0u);
    EXPECT_EQ(shown.find("номер 19"), std::string::npos);
}

TEST_F(EventLogTest, ListenerMirrorsThePanes) {
    std::vector<std::pair<EventLog::Pane, std::string>> seen;
    log.SetListener([&](EventLog::Pane pane, const std::string* line) {
        seen.emplace_back(pane, line ? *line : "<cleared>");
    });
    log.LogMessage("m");
    log.LogError("e");
    log.ClearErrors();
    using P = EventLog::Pane;
    EXPECT_EQ(seen, (std::vector<std::pair<P, std::string>>{{P::Messages, "01.02.2021 09:05:07:m"},
                                                            {P::Errors, "01.02.2021 09:05:07:e"},
                                                            {P::Errors, "<cleared>"}}));
}

TEST_F(EventLogTest, ErrorsAppendToMessagesAtExit) {
    log.LogMessage("m1");
    log.LogError("e1");
    log.LogError("e2");
    log.AppendErrorsToMessages();
    EXPECT_EQ(log.Messages(), (Lines{"01.02.2021 09:05:07:m1", "01.02.2021 09:05:07:e1",
                                     "01.02.2021 09:05:07:e2"}));
    EXPECT_EQ(log.Errors().size(), 2u);
}

TEST_F(EventLogTest, LinesOfAnyLengthAreCutWithAMark) {
    const std::string junk = std::string(10 << 20, 'J');  // a 10 MB junk command line
    const std::string kept = std::string(kMaxLogLineChars, 'J') + " …[обрезано, всего " +
                             std::to_string(junk.size()) + " символов]";
    log.LogMessage(junk);
    log.LogError("Ж" + junk);
    EXPECT_EQ(log.Messages(), Lines{"01.02.2021 09:05:07:" + kept});
    ASSERT_EQ(log.Errors().size(), 1u);
    EXPECT_EQ(CharCount(log.Errors()[0]), 20 + CharCount(kept));
    EXPECT_EQ(log.Errors()[0].rfind("01.02.2021 09:05:07:ЖJJJ", 0), 0u);

    // The long-log record: the receipt's fields are cut the same way.
    param.DocumStr = junk;
    param.NumCheck = "42";
    log.WriteLongLog("OK", "7");
    const std::string record = Cp1251ToUtf8(tmp.ReadBytes("orvenka.long.log"));
    EXPECT_LT(record.size(), 6u * kMaxLogLineChars);
    EXPECT_NE(record.find("#DocumStr=" + kept + " #isNotFiscal="), std::string::npos);

    // A line within the limit is kept whole, however many bytes its characters take.
    const std::string cyrillic = RepeatText("Я", kMaxLogLineChars);
    log.LogMessage(cyrillic);
    EXPECT_EQ(log.Messages().back(), "01.02.2021 09:05:07:" + cyrillic);
}

// Without a screen the lines go to standard error, which the journal reads under a service
// manager: errors at priority 3 and messages at 6, so the failed commands can be listed alone.
TEST_F(EventLogTest, EchoCarriesTheJournalPriorityOnEveryLine) {
    const std::string path = tmp.File("stderr.txt");
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    const int saved = ::dup(STDERR_FILENO);
    ASSERT_GE(saved, 0);
    ::dup2(file, STDERR_FILENO);
    log.SetEchoToStderr(true);
    log.LogMessage("Прочитал команду XOTCHET");
    log.LogError("Нет связи с ККМ\nпроверьте кабель");
    log.SetEchoToStderr(false);
    log.LogError("не для журнала");
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(file);
    EXPECT_EQ(tmp.ReadBytes("stderr.txt"),
              "<6>01.02.2021 09:05:07:Прочитал команду XOTCHET\n"
              "<3>01.02.2021 09:05:07:Нет связи с ККМ\n<3>проверьте кабель\n");
}

}  // namespace
}  // namespace orvenka
