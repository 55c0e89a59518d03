#pragma once
#include <string>
#include <vector>

// The list of exchange folders made with the folder command, one absolute path a line (UTF-8),
// for "orvenka-folder list" and "start". The folders themselves do not depend on it.
namespace orvenka {

class FolderRegistry {
  public:
    explicit FolderRegistry(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }
    // In the order they were added; none when the list does not exist yet. Raises Failure when
    // it cannot be read.
    std::vector<std::string> Folders() const;
    // Both keep the list as it was on failure (Failure) and do nothing when there is nothing
    // to do; the list's folder is made when missing.
    void Add(const std::string& folder) const;
    void Remove(const std::string& folder) const;

  private:
    void Save(const std::vector<std::string>& folders) const;
    std::string path_;
};

}  // namespace orvenka
