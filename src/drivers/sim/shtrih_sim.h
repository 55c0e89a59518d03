#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "drivers/driver_factory.h"
#include "drivers/sim/simulated_object.h"

namespace orvenka {

// The simulated Shtrih-M register behind "AddIn.DrvFR". It answers the names the back-end uses
// the way a register does: passwords (system administrator 30, operators 1-28 as table 2 holds
// them), the modes of GetECRStatus (shift open, over 24 hours, closed, waiting for the date to
// be confirmed, document open), logical devices, tables 2, 17, 18 and 20, fonts, text and
// cutting, receipts in both ways (OpenCheck/FNOperation/CheckSubTotal/FNCloseCheckEx and
// SaleEx/returnSale/CloseCheck) with the line sums and the subtotal in whole kopecks and the
// refusal of a short payment, tags, correction receipts, reports, cash in and out, copies, the
// fiscal storage's status and expiry, pictures and 2D barcodes.
//
// Its files in the program folder: "DrvFR.sim.state.ini" (shift, numbers, open document,
// tables, logical devices; it survives a restart, so a document left open by a killed program
// is still open for the next command), "DrvFR.sim.tape.txt" (everything it prints, every
// document marked as coming from a simulator), "DrvFR.sim.picture.txt" (the picture memory) and
// the faults file "DrvFR.sim.faults.ini" (SimFaults). PAPER_OUT refuses everything that prints;
// BUSY makes the next document it prints never finish, so every later call answers "printing".
class ShtrihSimulator : public SimulatedObject {
  public:
    static constexpr const char* kProgId = "AddIn.DrvFR";
    static constexpr const char* kFileStem = "DrvFR.sim";

    explicit ShtrihSimulator(const DriverEnvironment& env);
    ~ShtrihSimulator() override;

  protected:
    Variant AnswerFault(std::string_view method, const SimFault& fault) override;

  private:
    // What a method needs before it runs; a missing need is answered with the register's code.
    enum Need : unsigned {
        kNeedPassword = 1,  // an operator's or the administrator's password
        kNeedAdministrator = 2,
        kNeedPrinter = 4,     // paper, nothing waiting to be continued, the date confirmed
        kNeedNoDocument = 8,  // refused while a document is open
        kNeedDocument = 16,   // only inside an open receipt or correction receipt
    };
    using Body = std::function<int()>;
    void Method(std::string_view name, unsigned needs, Body body);

    // The register's answer: ResultCode and ResultCodeDescription of the call.
    int Answer(int code, const std::string& detail = {});

    // One document under way: a receipt (types 0-3 of OpenCheck) or a correction receipt.
    struct Document {
        int type = 0;
        bool correction = false;
        bool restored = false;  // open before a restart; its lines are gone
        int64_t subtotal = 0;   // kopecks
        int lines = 0;
        bool lineTags = false;               // a line was registered and may get its tags
        std::array<int64_t, 7> taxBase{};    // kopecks by tax group 1-6 (0: no tax group)
        std::map<int, int64_t> departments;  // kopecks by department
        std::vector<std::string> tape;       // printed when the document ends
    };
    struct Structure {  // an STLV tag being built
        int tag = 0;
        std::vector<std::string> items;
        std::string fault;  // why the register will refuse it
    };

    void DefineProperties();
    void DefineStatusMethods();
    void DefineTableMethods();
    void DefineTextMethods();
    void DefineReceiptMethods();
    void DefineTagMethods();
    void DefineReportMethods();
    void DefinePictureMethods();

    void Load();
    void Save();

    int Mode() const;
    bool ShiftExpired() const;
    bool IsAdministrator(int64_t password) const;
    bool IsPassword(int64_t password) const;
    // A shift is opened by the first document that needs one, as the register does.
    int OpenShiftIfClosed();
    void OpenShift();
    int NextDocument();  // the next fiscal-document number, taken
    // Prints a finished document on the tape (the simulator mark first) and, when it can be
    // repeated, notes it as the last one for RepeatDocument (saved with the next Save).
    void PrintDocument(const std::string& title, const std::vector<std::string>& lines,
                       int64_t total, bool repeatable = true);
    void PrintText(const std::string& line);
    void AfterPrinting();

    // Tables: the value of a field as text; raises nothing, answers the code.
    struct Field {
        bool text = false;
        int size = 0;
        bool readOnly = false;
        std::string name;
    };
    std::optional<Field> FindField(int table, int field) const;
    // The field TableNumber, RowNumber and FieldNumber name: 0, or the code already answered.
    struct Place {
        int table = 0, row = 0, field = 0;
        Field f;
    };
    int Locate(Place& at, bool withRow);
    int RowsOf(int table) const;
    std::string FieldValue(int table, int row, int field) const;
    std::string FieldKey(int table, int row, int field) const;

    int RegisterLine(int checkType, int64_t sum, int tax, const std::string& name);
    int CloseReceipt(const std::array<int64_t, 17>& payments, int paymentCount, int64_t discount);
    // The value of TagValueInt, TagValueDateTime or TagValueStr as TagType says.
    std::optional<std::string> TagValueText();
    std::vector<std::string> ShiftLines() const;

    std::vector<int> LogicalDevices() const;

    std::optional<Document> doc_;
    bool textBlock_ = false;  // text lines printed since the last document or cut
    bool stuck_ = false;      // BUSY: the last document never finishes printing
    int nextStructure_ = 0;
    std::map<int, Structure> structures_;
    std::map<int, Bytes> blocks_;             // 2D barcode data by block number
    std::vector<Bytes> picture_;              // 200 raster lines
    mutable std::vector<int64_t> passwords_;  // of table 2, read when first needed
    bool pictureChanged_ = false;
    SimState pictureFile_;
};

// Registers the simulated Shtrih-M register under "AddIn.DrvFR".
void RegisterShtrihSimulator(DriverFactory& factory);

}  // namespace orvenka
