// Reading an attribute's value out of a tag text.
#include "engine/attributes.h"

namespace vorlax {

namespace {

int ReadAttr(char* dest, const char* text, int capacity, bool stop_at_space) {
    while (*text == ' ') ++text;
    if (*text == '=') ++text;
    while (*text == ' ') ++text;
    if (*text == '"') ++text;
    int n = 0;
    while (n < capacity - 1) {
        char c = text[n];
        if (c == '\0' || c == '"' || c == '>' || (stop_at_space && c == ' ')) break;
        dest[n] = c;
        ++n;
    }
    dest[n] = '\0';
    return n;
}

}  // namespace

int ReadAttrWord(char* dest, const char* text, int capacity) {
    return ReadAttr(dest, text, capacity, true);
}

int ReadAttrText(char* dest, const char* text, int capacity) {
    return ReadAttr(dest, text, capacity, false);
}

}  // namespace vorlax
