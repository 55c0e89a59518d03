#include "gui/rus_message.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "common/clock.h"
#include "gui_test_util.h"
#include "shell/app_context.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

QStringList CaptionsLeftToRight(const TFormRusMessage& box) {
    std::vector<QPushButton*> buttons = box.Buttons();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    QStringList captions;
    for (QPushButton* b : buttons)
        captions << b->text();
    return captions;
}

TEST(RusMessage, TitlesCaptionsAndTheFixedOrderOfButtons) {
    const struct {
        MsgDlgType type;
        MsgDlgButtons buttons;
        QString title;
        QStringList captions;
    } rows[] = {
        {MsgDlgType::Warning, mbCancel | mbYes, "Предупреждение", {"Да", "Отказ"}},
        {MsgDlgType::Error, mbOK, "Ошибка", {"OK"}},
        {MsgDlgType::Information,
         mbRetry | mbAbort | mbIgnore,
         "Информация",
         {"Прервать", "Повтор", "Пропустить"}},
        {MsgDlgType::Confirmation,
         mbHelp | mbYesToAll | mbNoToAll | mbAll | mbNo | mbYes,
         "Вопрос",
         {"Да", "Нет", "Все", "Не все", "Да для всех", "Помощь"}},
        {MsgDlgType::Custom, mbOK, QCoreApplication::applicationName(), {"OK"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title.toStdString());
        TFormRusMessage box("Текст\rвторая строка", row.type, row.buttons);
        box.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(box.windowTitle(), row.title);
        EXPECT_EQ(CaptionsLeftToRight(box), row.captions);
        EXPECT_EQ(box.Text()->text(), "Текст\nвторая строка");
        EXPECT_TRUE(box.Text()->font().bold());
        EXPECT_EQ(box.Text()->font().pointSize(), 10);
        // The type's icon; none for the custom type.
        auto* icon = box.findChild<QLabel*>("Icon");
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->isVisible(), row.type != MsgDlgType::Custom);
    }
}

// Enter gives the default button, Esc the cancel button; a box without one ignores Esc.
TEST(RusMessage, DefaultAndEscapeButtons) {
    const struct {
        MsgDlgButtons buttons;
        ModalResult enter;
        ModalResult escape;
    } rows[] = {
        {mbYes | mbNo | mbOK | mbCancel, ModalResult::OK, ModalResult::Cancel},
        {mbYes | mbNo, ModalResult::Yes, ModalResult::No},
        {mbYes | mbCancel, ModalResult::Yes, ModalResult::Cancel},
        {mbRetry | mbOK, ModalResult::OK, ModalResult::OK},
        {mbAbort | mbRetry | mbIgnore, ModalResult::Retry, ModalResult::None},
        {mbYes | mbAll, ModalResult::Yes, ModalResult::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.buttons);
        EXPECT_EQ(EscapeResult(row.buttons), row.escape);

        TFormRusMessage enter("?", MsgDlgType::Confirmation, row.buttons);
        enter.show();
        EXPECT_TRUE(enter.Button(row.enter)->isDefault());
        QTest::keyClick(&enter, Qt::Key_Return);
        EXPECT_EQ(enter.Answer(), row.enter);

        TFormRusMessage esc("?", MsgDlgType::Confirmation, row.buttons);
        esc.show();
        QTest::keyClick(&esc, Qt::Key_Escape);
        EXPECT_EQ(esc.Answer(), row.escape);
        EXPECT_EQ(esc.isVisible(), row.escape == ModalResult::None);
    }
}

TEST(RusMessage, EveryButtonAnswersItsOwnResult) {
    TFormRusMessage box("?", MsgDlgType::Warning, 0x7FF);
    ASSERT_EQ(box.Buttons().size(), 11u);
    const ModalResult all[] = {ModalResult::Yes,      ModalResult::No,    ModalResult::OK,
                               ModalResult::Cancel,   ModalResult::Abort, ModalResult::Retry,
                               ModalResult::Ignore,   ModalResult::All,   ModalResult::NoToAll,
                               ModalResult::YesToAll, ModalResult::Help};
    for (const ModalResult result : all) {
        TFormRusMessage one("?", MsgDlgType::Warning, 0x7FF);
        one.show();
        one.Button(result)->click();
        EXPECT_EQ(one.Answer(), result) << ButtonCaption(result);
        EXPECT_FALSE(one.isVisible());
    }
}

struct ShowRusMessageTest : ::testing::Test {
    test::TempFolder folder;
    test::ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
};

// Nobody to answer: the safe answer at once, and the question with it in the message log.
TEST_F(ShowRusMessageTest, WithoutAScreenAnswersTheSafeButtonAndLogsIt) {
    platform.screen = false;
    test::ModalScript none({});
    EXPECT_EQ(ShowRusMessage(ctx, "Файл x.ini существует!Перазаписать?", MsgDlgType::Warning,
                             mbYes | mbCancel),
              ModalResult::Cancel);
    EXPECT_EQ(ShowRusMessage(ctx, "Закрыть?", MsgDlgType::Confirmation, mbYes | mbNo),
              ModalResult::No);
    EXPECT_EQ(ShowRusMessage(ctx, "Готово", MsgDlgType::Information, mbOK), ModalResult::OK);
    EXPECT_EQ(ShowRusMessage(ctx, "Дальше?", MsgDlgType::Custom, mbYes), ModalResult::None);
    test::Spin(30);
    EXPECT_EQ(none.Unexpected(), 0);
    ASSERT_EQ(ctx.log.Messages().size(), 4u);
    EXPECT_EQ(ctx.log.Messages()[0],
              "12.02.2021 10:30:05:Предупреждение: Файл x.ini существует!Перазаписать? Ответ без "
              "экрана: \"Отказ\"");
    EXPECT_EQ(ctx.log.Messages()[1],
              "12.02.2021 10:30:05:Вопрос: Закрыть? Ответ без экрана: \"Нет\"");
    EXPECT_EQ(ctx.log.Messages()[3],
              "12.02.2021 10:30:05:" + QCoreApplication::applicationName().toStdString() +
                  ": Дальше? Ответ без экрана: нет");
}

TEST_F(ShowRusMessageTest, WithAScreenTheOperatorAnswers) {
    test::ModalScript script({[](QWidget* modal) {
        auto* box = qobject_cast<TFormRusMessage*>(modal);
        ASSERT_NE(box, nullptr);
        box->Button(ModalResult::Yes)->click();
    }});
    EXPECT_EQ(ShowRusMessage(ctx, "Да?", MsgDlgType::Warning, mbYes | mbCancel), ModalResult::Yes);
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(ctx.log.Messages().empty());
}

}  // namespace
}  // namespace orvenka::gui
