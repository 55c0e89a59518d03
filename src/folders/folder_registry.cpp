#include "folders/folder_registry.h"

#include <algorithm>
#include <filesystem>

#include "common/failure.h"
#include "common/files.h"

namespace orvenka {

std::vector<std::string> FolderRegistry::Folders() const {
    if (!FileExists(path_))
        return {};
    std::vector<std::string> folders;
    for (const auto& line : SplitLines(ReadFileBytes(path_))) {
        if (!line.empty() && std::find(folders.begin(), folders.end(), line) == folders.end())
            folders.push_back(line);
    }
    return folders;
}

void FolderRegistry::Add(const std::string& folder) const {
    auto folders = Folders();
    if (std::find(folders.begin(), folders.end(), folder) != folders.end())
        return;
    folders.push_back(folder);
    Save(folders);
}

void FolderRegistry::Remove(const std::string& folder) const {
    auto folders = Folders();
    const auto end = std::remove(folders.begin(), folders.end(), folder);
    if (end == folders.end())
        return;
    folders.erase(end, folders.end());
    Save(folders);
}

void FolderRegistry::Save(const std::vector<std::string>& folders) const {
    const std::string parent = FolderOf(path_);
    if (!parent.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
        if (ec)
            throw Failure("не удалось создать папку " + parent + ": " + ec.message());
    }
    std::string text;
    for (const auto& folder : folders)
        text += folder + "\n";
    WriteFileBytesAtomic(path_, text);
}

}  // namespace orvenka
