#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/dates.h"
#include "common/device_kind.h"

// The records every reader and back-end shares. Field names follow the Param.ini keys and the
// counters file keys, so code reads like the files it handles.
namespace orvenka {

struct TParam {
    std::string SNO;
    std::string NumCheck;
    std::string AuthorName;
    std::string AuthorCaption;
    std::string AuthorINN;
    std::string CheckCorrect_NAME;
    std::string CheckCorrect_DATE;
    std::string CheckCorrect_NUM;
    std::array<double, 10> CheckCorrect_NDS{};
    int Name = 0;
    bool NameFull = false;
    int Cena = 0;
    int Summa = 0;
    int Kolvo = 0;
    std::string CHECKSHAPKA1;
    std::string CHECKSHAPKA2;
    std::string CHECKSHAPKA3;
    std::string CHECKSHAPKA4;
    std::string Oplata;
    bool ECheck = false;
    std::string DocumStr;
    std::string EmailOrTel;
    std::string t1085;
    std::string t1086;
    std::string PoluchatelName;
    std::string PoluchatelINN;
    std::string AgentInfoINN1016;
    std::string AgentInfoName1026;
    std::string suplierInfoINN1226;
    std::string suplierInfoName1225;
    std::string suplierInfoTel1171;
    bool HandMade = false;
    int Section = 0;  // the reader gives 1 when the key is absent
    bool isNotFiscal = false;
    bool OplataBreak = false;
    bool CENA_AS_SUMMA = false;
    std::string CenaAsSummaMode;
    bool BreakSummUsed = false;
    double BreakSumNAL = 0;
    double BreakSumVISA = 0;
    std::array<double, 10> BreakSumm{};
    double SUMMADOC = 0;
    bool PRINT_PICTURE = false;
    std::string MESTORASCHETA;
    double VERSION_FFD = 0;  // the reader gives 1.0 when the key is absent
    int Predmet = 0;
    int Sposob = 0;
    double SummaTovar = 0;
    std::string INN;
    std::string ZN;
    std::string USER;
    std::string ADDRES;
    std::string WEBADDRES;
    std::string REGNUMKKT;
    std::string REGNUMFN;
    int PRN_WIDHT = 0;
    std::string PRN_FONT;
    int PRN_SIZEFONT = 0;
    int PRN_SIZEFONT_ITOG = 0;
    int PRN_SIZEFONT_QR = 0;
    int PRN_SPACE_LEFT_QR = 0;
    int PRN_WIDHT_ITOG = 0;
    std::string PRN_NAME;
    bool ISPREVIEW = false;
    std::string PRN_HEX_CUT;

    bool operator==(const TParam&) const = default;
};

struct TTovar {
    std::string Name;
    double Kolvo = 0;
    double Cena = 0;
    int NDS = 0;
    std::string CompositeMark;
    int NomenclatureType = 0;
    std::string GTIN;
    std::string SerialNumber;
    double Excise1229 = 0;
    std::string Country1230;
    std::string Unit1197;
    std::string Declaration1231;
    int Predmet1212 = 0;
    std::string Rekvizit1191;
    int Sposob1214 = 0;
    std::string NomenclatureCode1162;
};

struct TDop {
    std::string Caption;
    std::string Value;
    bool Emphasis = false;
};

struct TSale {
    std::string Name;
    double Kolvo = 0;
    double Cena = 0;
    std::string Comment;
    int NDS = 0;
    double Summa = 0;
    const TTovar* Tovar = nullptr;  // set by the register back-ends, empty on the emulator
};

struct TDeviceParam {
    DeviceKind Kind = DeviceKind::None;
    int LogicalDevice = 1;
    std::string PrinterName;
    std::string Command;
    std::string Arguments;
    bool SimpleForm = true;
};

struct TEmulVar {
    int SMENA = 0;
    int NUM_FISCAL_DOC = 0;
    int NUM_CHECKINSMENA = 0;
    int NUM_CHECKPRIHODINSMENA = 0;
    int NUM_CHECKRASHODINSMENA = 0;
    double SUM_CHECKPRIHODINSMENA_NAL = 0;
    double SUM_CHECKPRIHODINSMENA_VISA = 0;
    double SUM_CHECKRASHODINSMENA_NAL = 0;
    double SUM_CHECKRASHODINSMENA_VISA = 0;
    double SUM_TOTAL_PRIHOD = 0;
    double SUM_TOTAL_RASHOD = 0;
    int NUM_ZOTCHET = 0;
};

struct TAtolDeviceStruct {
    int Number = 0;
    std::string FileName;  // "ATOLDEVICE" + number + ".ini", at most 20 characters
    std::string PORT;      // at most 50 characters
    std::string COM_FILE;  // at most 50 characters
    int BAUDRATE = 0;
    std::string IPADDRESS;
    std::string IPPORT;
    std::string Settings;
};

// --- small shared operations ----------------------------------------------------------------

// Printed name of a tax-system code ("ОСН" for anything unknown, "ESN" and empty included).
std::string TaxSystemName(const std::string& code);
// Zeros in front up to `width` characters; never cuts.
std::string PadZeros(int width, const std::string& text);
// (days since 30.12.1899 - 25569) * 86400, truncated; local time taken as it is. The time is
// first taken to the millisecond, so a whole second never comes out one second early.
int64_t UnixSeconds(TDateTime t);
// (second - first) in whole minutes (rounded, halves to even, counted from whole
// milliseconds) is below `limitMinutes`.
bool ClockDiffBelow(int64_t limitMinutes, TDateTime first, TDateTime second);
// Goods total: Kolvo * Cena (or Cena alone with CENA_AS_SUMMA), each rounded to kopecks unless
// SUMMADOC is set.
double GoodsTotal(const TParam& param, const std::vector<TTovar>& goods);

}  // namespace orvenka
