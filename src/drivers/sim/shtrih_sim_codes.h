#pragma once
#include <string>

// The simulated Shtrih-M register's result codes and modes, with the texts it answers them with.
namespace orvenka::shtrih_sim {

enum Code : int {
    kOk = 0,
    kNoLogicalDevice = -16,
    kNoData = 0x08,
    kShiftOpened = 0x16,
    kShiftClosed = 0x18,
    kBadParameter = 0x33,
    kShortPayment = 0x45,
    kNoCash = 0x46,
    kDocumentOpen = 0x4A,
    kNonCashOverTotal = 0x4D,
    kShiftOver24Hours = 0x4E,
    kWrongPassword = 0x4F,
    kPrinting = 0x50,
    kNoDocumentToRepeat = 0x56,
    kAwaitingContinue = 0x58,
    kNoTable = 0x5D,
    kNoPaper = 0x6B,
    kNotInThisMode = 0x73,
    kNoLines = 0x8E,
    kConfirmDate = 0xC0,
};

inline std::string Describe(int code) {
    switch (code) {
        case kOk:
            return "Ошибок нет";
        case kNoLogicalDevice:
            return "Логическое устройство не найдено";
        case kNoData:
            return "Нет запрошенных данных";
        case kShiftOpened:
            return "Смена открыта - операция невозможна";
        case kShiftClosed:
            return "Смена закрыта - операция невозможна";
        case kBadParameter:
            return "Некорректные параметры в команде";
        case kShortPayment:
            return "Сумма всех видов оплаты меньше итога чека";
        case kNoCash:
            return "Не хватает наличности в кассе";
        case kDocumentOpen:
            return "Открыт чек - операция невозможна";
        case kNonCashOverTotal:
            return "Вносимая безналичной оплатой сумма больше суммы чека";
        case kShiftOver24Hours:
            return "Смена превысила 24 часа";
        case kWrongPassword:
            return "Неверный пароль";
        case kPrinting:
            return "Идет печать результатов выполнения предыдущей команды";
        case kNoDocumentToRepeat:
            return "Нет документа для повтора";
        case kAwaitingContinue:
            return "Ожидание команды продолжения печати";
        case kNoTable:
            return "Таблица или поле не определены";
        case kNoPaper:
            return "Нет чековой ленты";
        case kNotInThisMode:
            return "Команда не поддерживается в данном режиме";
        case kNoLines:
            return "В чеке нет ни одной позиции";
        case kConfirmDate:
            return "Контроль даты и времени (подтвердите дату и время)";
        default:
            return "Ошибка " + std::to_string(code);
    }
}

enum Mode : int {
    kModeShiftOpen = 2,
    kModeShiftExpired = 3,
    kModeShiftClosed = 4,
    kModeConfirmDate = 6,
    kModeDocument = 8,
};

inline std::string ModeText(int mode) {
    switch (mode) {
        case kModeShiftOpen:
            return "Открытая смена, 24 часа не кончились";
        case kModeShiftExpired:
            return "Открытая смена, 24 часа кончились";
        case kModeShiftClosed:
            return "Закрытая смена";
        case kModeConfirmDate:
            return "Ожидание подтверждения ввода даты";
        case kModeDocument:
            return "Открытый документ";
        default:
            return "Режим " + std::to_string(mode);
    }
}

}  // namespace orvenka::shtrih_sim
