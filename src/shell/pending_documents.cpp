#include "shell/pending_documents.h"

#include <algorithm>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {

PendingDocuments PendingDocuments::Load(const std::string& path) {
    PendingDocuments pending(path);
    RefuseLinkedFile(path);
    if (!FileExists(path))
        return pending;
    for (const std::string& line : LoadLines(path, kMaxSmallFileBytes)) {
        // kind, logical device, number, then the identifier (which may hold a TAB itself)
        const auto a = line.find('\t');
        const auto b = a == std::string::npos ? a : line.find('\t', a + 1);
        const auto c = b == std::string::npos ? b : line.find('\t', b + 1);
        if (c == std::string::npos || a != 1)
            continue;  // not one of ours: it cannot tell anything about a document
        const auto device = ParseInt(line.substr(a + 1, b - a - 1));
        const auto number = ParseInt(line.substr(b + 1, c - b - 1));
        if (!device || !number)
            continue;
        pending.entries_.push_back({line[0], *device, *number, line.substr(c + 1)});
    }
    return pending;
}

std::optional<PendingDocument> PendingDocuments::Find(const std::string& id) const {
    for (const PendingDocument& entry : entries_) {
        if (CompareNoCase(entry.id, id) == 0)
            return entry;
    }
    return std::nullopt;
}

void PendingDocuments::Put(const PendingDocument& entry) {
    std::vector<PendingDocument> before = entries_;
    std::erase_if(entries_,
                  [&](const PendingDocument& e) { return CompareNoCase(e.id, entry.id) == 0; });
    entries_.push_back(entry);
    try {
        Save();
    } catch (...) {
        entries_ = std::move(before);
        throw;
    }
}

void PendingDocuments::Drop(const std::string& id) {
    const auto size = entries_.size();
    std::erase_if(entries_, [&](const PendingDocument& e) { return CompareNoCase(e.id, id) == 0; });
    if (entries_.size() == size)
        return;
    if (entries_.empty()) {
        if (!DeleteFileIfExists(path_))
            throw Failure("Не удалось удалить файл \"" + path_ + "\"");
        return;
    }
    Save();
}

void PendingDocuments::Save() const {
    std::vector<std::string> lines;
    for (const PendingDocument& e : entries_) {
        lines.push_back(std::string(1, e.kind) + "\t" + std::to_string(e.logicalDevice) + "\t" +
                        std::to_string(e.lastDocument) + "\t" + e.id);
    }
    RefuseLinkedFile(path_);
    SaveLinesAtomic(path_, lines);
}

}  // namespace orvenka
