#include "shell/incoming_files.h"

#include <vector>

#include "common/failure.h"
#include "common/files.h"

namespace orvenka {

std::string IncomingFilePath(const std::string& folder, const std::string& name) {
    const std::vector<std::string> spellings = SpellingsOf(folder, name);
    if (spellings.empty())
        return folder + name;
    if (spellings.size() > 1) {
        std::string list;
        for (const std::string& spelling : spellings)
            list += (list.empty() ? "" : ", ") + spelling;
        throw Failure("В папке " + folder + " несколько файлов " + name +
                      ", имена которых отличаются только регистром букв (" + list +
                      "): неясно, какой из них читать. Оставьте один из них");
    }
    return folder + spellings.front();
}

}  // namespace orvenka
