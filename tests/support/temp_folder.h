#pragma once
#include <string>

namespace orvenka::test {

// A fresh folder under /tmp for one test, removed with its contents when the test ends.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Ends in "/".
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

    // Writes UTF-8 text as Windows-1251 bytes (the accounting system's encoding).
    void Write(const std::string& name, const std::string& utf8Text) const;
    void WriteBytes(const std::string& name, const std::string& bytes) const;
    // Reads a Windows-1251 file back as UTF-8; empty when missing.
    std::string Read(const std::string& name) const;
    std::string ReadBytes(const std::string& name) const;
    bool Exists(const std::string& name) const;

  private:
    std::string path_;
};

}  // namespace orvenka::test
