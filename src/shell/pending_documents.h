#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/device_kind.h"

namespace orvenka {

// Documents listed in CheckList.txt before the register has made them: a crash between the
// listing and the register's answer must not lose the receipt (the resend would be refused as
// printed) nor print it twice. Each entry keeps the register's last fiscal document number from
// just before the receipt; at the resend the register tells whether it made the document since.
//
// The file beside CheckList.txt, one entry a line: kind letter, TAB, logical device, TAB, the
// number, TAB, DocumStr. CheckList.txt itself keeps its form: its entries without a pending one
// here are confirmed, as every entry of older runs is.
struct PendingDocument {
    char kind = 0;
    int logicalDevice = 0;
    int64_t lastDocument = 0;
    std::string id;
};

class PendingDocuments {
  public:
    // Raises Failure when the file exists but cannot be read.
    static PendingDocuments Load(const std::string& path);

    // The entry of `id` (compared without regard to case, like CheckList.txt).
    std::optional<PendingDocument> Find(const std::string& id) const;
    // Replaces the entry of the same id. Raises Failure when the file cannot be written.
    void Put(const PendingDocument& entry);
    // Raises Failure when the file cannot be written.
    void Drop(const std::string& id);

  private:
    explicit PendingDocuments(std::string path) : path_(std::move(path)) {}
    void Save() const;

    std::string path_;
    std::vector<PendingDocument> entries_;
};

}  // namespace orvenka
