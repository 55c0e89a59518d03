#pragma once
#include <string>
#include <vector>

namespace orvenka {

// A document of text lines as the emulator lays it out: each line with its own font size and
// bold mark, one font name for the whole document. The platform previews and prints it.
struct DocumentLine {
    std::string text;
    int fontSize = 0;
    bool bold = false;
};

struct TextDocument {
    std::string fontName;
    int fontSize = 0;
    std::vector<DocumentLine> lines;

    void Clear() { lines.clear(); }
};

}  // namespace orvenka
