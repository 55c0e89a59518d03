#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drivers/fptr10_constants.h"
#include "drivers/sim/simulated_object.h"

namespace orvenka {

// The simulated ATOL register behind "AddIn.Fptr10", driven as the vendor's driver v10 is: every
// LIBFPTR_ constant is a read-only property of the object; inputs are set with setParam (a
// parameter id or a fiscal tag number, and a value), an operation takes them all, and its
// outputs are read with the getParam calls. Operations answer 0 or -1, and errorCode and
// errorDescription tell what went wrong.
//
// It keeps its counters, its shift and any receipt left open in "Fptr10.sim.state.ini", prints
// to "Fptr10.sim.tape.txt" (every document marked as simulated), and takes the faults of
// "Fptr10.sim.faults.ini". A receipt open when the program died is still open for the next
// object, as on a register.
class SimulatedFptr10 : public SimulatedObject {
  public:
    static constexpr const char* kProgId = "AddIn.Fptr10";
    static constexpr const char* kFileStem = "Fptr10.sim";

    explicit SimulatedFptr10(const DriverEnvironment& env);

    // The value of a LIBFPTR_ constant of this driver; nullopt for a name it does not have.
    static std::optional<Variant> Constant(std::string_view name) { return Fptr10Constant(name); }
    // Every constant, for tests that translate traffic back to names.
    static const std::vector<std::pair<std::string, Variant>>& Constants() {
        return Fptr10Constants();
    }

  protected:
    Variant AnswerFault(std::string_view method, const SimFault& fault) override;

  private:
    // What an operation was given: the parameters and fiscal tags set since the last one.
    class Inputs {
      public:
        bool Has(int64_t id) const;
        const Variant& Get(int64_t id) const;  // empty when not set
        int64_t Int(int64_t id) const { return Get(id).ToInt(); }
        double Float(int64_t id) const { return Get(id).ToFloat(); }
        std::string Text(int64_t id) const { return Get(id).ToText(); }
        bool Bool(int64_t id) const { return Get(id).ToBool(); }
        // Fiscal tags (numbers below 65536) in the order they were first set.
        std::vector<std::pair<int, Variant>> Tags() const;
        void Set(int64_t id, Variant value);

      private:
        std::vector<std::pair<int64_t, Variant>> values_;
    };

    struct OpenReceipt {
        int64_t type = 0;
        int64_t totalKopecks = 0;
        int lines = 0;
        std::map<int64_t, int64_t> payments;  // payment type -> kopecks
    };

    enum OperationFlags { kNeedsLink = 1, kPrints = 2 };
    using Body = std::function<int(const Inputs&)>;

    void DefineConstants();
    void DefineMethods();
    void DefineOperation(std::string_view name, int flags, Body body);
    static int64_t C(std::string_view name);

    int Done();
    int Fail(int code, std::string text);
    void Output(std::string_view param, Variant value);

    // Operations.
    int ApplySettings();
    int QueryData(const Inputs& in);
    int FnQueryData(const Inputs& in);
    int OperatorLogin(const Inputs& in);
    int OpenReceiptOp(const Inputs& in);
    int Registration(const Inputs& in);
    int Payment(const Inputs& in);
    int CloseReceipt();
    int CancelReceipt();
    int ContinuePrint();
    int UtilFormTlv(const Inputs& in);
    int UtilFormNomenclature(const Inputs& in);
    int BeginNonfiscal();
    int EndNonfiscal();
    int PrintText(const Inputs& in);
    int PrintBarcode(const Inputs& in);
    int PrintPicture(const Inputs& in);
    int Cut();
    int Report(const Inputs& in);
    int Cash(const Inputs& in, bool income);
    int OpenShift();
    int OpenDrawer();

    // Register state.
    int64_t ShiftState();
    bool ShiftOpen() const { return state_.Int("SHIFT_OPEN", 0) != 0; }
    void OpenShiftNow();
    int64_t NextDocument();  // counts a fiscal document, also as not yet sent to the operator
    void Save();
    void Print(const std::string& line);
    void BeginPrinted(const std::string& title);
    void PrintOutsideDocuments();
    std::string ReceiptTitle(int64_t type) const;
    int LineLength() const;

    Inputs in_;
    std::map<int64_t, Variant> out_;
    int errorCode_ = 0;
    std::string errorText_ = "Ошибок нет";
    bool opened_ = false;
    std::vector<std::pair<std::string, std::string>> pendingSettings_;
    std::optional<OpenReceipt> receipt_;
    bool nonfiscal_ = false;
    bool freeText_ = false;  // loose text lines are being printed outside a document
    std::string cashier_;
};

}  // namespace orvenka
