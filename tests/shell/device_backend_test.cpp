#include "shell/device_backend.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/failure.h"

namespace orvenka {
namespace {

// A device that has none of the operations.
class BareDevice : public DeviceBackend {
  public:
    DeviceKind Kind() const override { return DeviceKind::Shtrih; }
    std::string DeviceName() const override { return "ККМ Образец"; }
};

TEST(DeviceBackend, AnOperationTheDeviceLacksIsRefusedNamingItAndTheDevice) {
    BareDevice d;
    const TSale sale;
    const TTovar goods;
    const struct {
        const char* operation;
        std::function<void()> call;
    } rows[] = {
        {"Печать чека", [&] { d.BeginReceipt(); }},
        {"Печать чека", [&] { d.AddGoodsLine(sale, goods); }},
        {"Печать чека", [&] { d.PrintReceipt("PRINT"); }},
        {"Чек коррекции", [&] { d.PrintCorrection("CORRECT_PRIH"); }},
        {"Печать текстового файла", [&] { d.PrintLine("x"); }},
        {"Загрузка картинки", [&] { d.LoadPicture("LOADPICTURE=a.bmp"); }},
        {"Внесение", [&] { d.CashIn(1); }},
        {"Z-отчет", [&] { d.ZReport(); }},
        {"Эмуляция X-отчета", [&] { d.XReportEmul(); }},
        {"Открытие денежного ящика", [&] { d.OpenDrawer(); }},
        {"Копия чека по номеру ФД", [&] { d.PrintCopyLastCheckForNum("5"); }},
        {"Срок действия ФН", [&] { d.ShowSrokFN(); }},
    };
    for (const auto& row : rows) {
        try {
            row.call();
            ADD_FAILURE() << row.operation << ": not refused";
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()),
                      std::string(row.operation) +
                          ": устройство ККМ Образец не выполняет эту операцию. Команда не "
                          "выполнена");
        }
    }
    // What the shell asks of every device has a default that does no harm.
    EXPECT_FALSE(d.CorrectionFromParam());
    EXPECT_TRUE(d.PrepareServiceButton(ServiceButton::ZReport));
    EXPECT_NO_THROW(d.ReleaseDriver());
}

}  // namespace
}  // namespace orvenka
