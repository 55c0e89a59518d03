#pragma once
// The keys the parameter editor shows, shared by its loading and its saving.
#include <QString>
#include <string>

#include "receipt/records.h"

namespace orvenka::gui::param_fields {

// Items of the payment list.
enum PaymentItem { kTwoPayments = 0, kCash = 1, kCard = 2 };

// Text keys with a check box. Trimmed ones lose their surrounding blanks on loading and saving;
// the others are taken as they stand.
struct TextField {
    const char* key;
    std::string TParam::*field;
    bool trimmed;
};
inline const TextField kBoxedTexts[] = {
    {"AuthorName", &TParam::AuthorName, false},
    {"AuthorCaption", &TParam::AuthorCaption, false},
    {"AuthorINN", &TParam::AuthorINN, true},
    {"MESTORASCHETA", &TParam::MESTORASCHETA, true},
    {"EmailOrTel", &TParam::EmailOrTel, true},
    {"DocumStr", &TParam::DocumStr, true},
    {"NumCheck", &TParam::NumCheck, true},
    {"CHECKSHAPKA1", &TParam::CHECKSHAPKA1, false},
    {"CHECKSHAPKA2", &TParam::CHECKSHAPKA2, false},
    {"CHECKSHAPKA3", &TParam::CHECKSHAPKA3, false},
    {"CHECKSHAPKA4", &TParam::CHECKSHAPKA4, false},
};

// The seller's requisites of the emulation tab: no check boxes, always written as they stand.
struct EmulField {
    const char* key;
    const char* caption;
    std::string TParam::*field;
};
inline const EmulField kEmulTexts[] = {
    {"INN", "ИНН", &TParam::INN},
    {"ZN", "Заводской номер ККМ", &TParam::ZN},
    {"USER", "Название организации", &TParam::USER},
    {"ADDRES", "Адрес", &TParam::ADDRES},
    {"WEBADDRES", "WEB адрес", &TParam::WEBADDRES},
    {"REGNUMKKT", "Регистрационный номер ККТ", &TParam::REGNUMKKT},
    {"REGNUMFN", "Заводской номер ФН", &TParam::REGNUMFN},
};

// Whole numbers with a check box; 0 (unchecked) is not written.
struct IntField {
    const char* key;
    const char* caption;
    int TParam::*field;
};
inline const IntField kBoxedInts[] = {
    {"Section", "Секция", &TParam::Section},
    {"PRN_WIDHT", "Ширина бумаги чека обычная печать", &TParam::PRN_WIDHT},
    {"PRN_WIDHT_ITOG", "Ширина бумаги чека секция ИТОГ", &TParam::PRN_WIDHT_ITOG},
};

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace orvenka::gui::param_fields
