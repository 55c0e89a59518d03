#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/cp1251.h"

namespace orvenka::test {

TempFolder::TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "orvenka-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempFolder::Write(const std::string& name, const std::string& utf8Text) const {
    WriteBytes(name, Utf8ToCp1251(utf8Text));
}

void TempFolder::WriteBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TempFolder::Read(const std::string& name) const {
    return Cp1251ToUtf8(ReadBytes(name));
}

std::string TempFolder::ReadBytes(const std::string& name) const {
    std::ifstream in(path_ + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool TempFolder::Exists(const std::string& name) const {
    return std::filesystem::exists(path_ + name);
}

}  // namespace orvenka::test
