#include <cstring>

#include "coderfile/coder_file.h"

namespace oc {

namespace {

bool is_trimmed(char c) { return c == ' ' || c == '\r' || c == '\n'; }

bool strips_start(int mode) { return mode == 0 || mode == 1 || mode == 3; }
bool strips_end(int mode) { return mode == 0 || mode == 2 || mode == 3; }

}  // namespace

void trim_text(std::string& text, int mode) {
    if (strips_end(mode)) {
        std::size_t end = text.size();
        while (end > 0 && is_trimmed(text[end - 1])) --end;
        text.resize(end);
    }
    if (strips_start(mode)) {
        std::size_t start = 0;
        while (start < text.size() && is_trimmed(text[start])) ++start;
        text.erase(0, start);
    }
}

void trim_text(char* text, int mode) {
    if (text == nullptr || *text == '\0') return;
    std::string copy(text);
    trim_text(copy, mode);
    std::memcpy(text, copy.c_str(), copy.size() + 1);
}

}  // namespace oc
