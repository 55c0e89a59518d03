#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvenka {

// CheckList.txt, the register of printed documents: one identifier per line, compared without
// regard to case (Latin and Cyrillic), without duplicates, never shortened by the program.
//
// A busy shop's register holds hundreds of thousands of lines after a few years, and every
// receipt looks one up and adds one. So the register is read as the file's own Windows-1251
// bytes with the start of every line (nothing decoded), looked up by binary search, and a new
// entry is appended to the file (a few bytes, flushed to disk) instead of writing megabytes
// anew. The file is kept in order: while it is small, and whenever its appended end has grown
// past a sixteenth of it, it is written anew sorted (atomically). A file edited by hand (other
// line ends, out of order, duplicates) is read all the same and written anew at the next entry.
class CheckList {
  public:
    // The register in the file; a missing file is an empty register. Raises Failure when the
    // file exists but cannot be read.
    static CheckList Load(const std::string& path);

    // Listed, ignoring case.
    bool Contains(std::string_view id) const;
    // Records the identifier in the file; false when it is listed already. Raises Failure when
    // the file cannot be written (the register in the file is then as it was).
    bool Add(std::string_view id);
    // Takes the identifier (whatever its spelling) out of the file again; false when it was not
    // listed. Raises Failure when the file cannot be written.
    bool Remove(std::string_view id);

    size_t Size() const { return starts_.size(); }
    // UTF-8, sorted ignoring case.
    std::vector<std::string> Lines() const;

  private:
    explicit CheckList(std::string path) : path_(std::move(path)) {}
    std::string_view Entry(size_t i) const;
    // First entry of the ordered body not below `key` (body_ when none).
    size_t BodyLowerBound(std::string_view key) const;
    // First place in tail_ whose entry is not below `key`.
    std::vector<uint32_t>::const_iterator TailLowerBound(std::string_view key) const;
    // Index (into starts_) of the entry equal to `key`, or Size().
    size_t Find(std::string_view key) const;
    void Index();
    // Every entry in order, `skip` left out (Size(): none), `extra` put in its place when not
    // empty; each followed by CR LF.
    std::string SortedBytes(size_t skip, std::string_view extra) const;
    void Rewrite(std::string bytes);

    std::string path_;
    std::string bytes_;             // the file as read or written, Windows-1251
    std::vector<uint32_t> starts_;  // start of each entry in bytes_, in file order
    size_t body_ = 0;               // the first body_ entries are strictly in order
    std::vector<uint32_t> tail_;    // the later entries (indexes into starts_), in order
    bool ownForm_ = true;           // the file is as the program writes it
};

// Sorts ignoring case (Latin and Cyrillic) and drops later duplicates.
std::vector<std::string> SortedRegister(std::vector<std::string> lines);

}  // namespace orvenka
