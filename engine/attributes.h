// Reading an attribute's value out of a tag text (inline: the tag actions
// read attributes for most of the tags they act on).
#pragma once

namespace vorlax {

namespace attributes_detail {
inline int ReadAttr(char* dest, const char* text, int capacity, bool stop_at_space) {
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
}  // namespace attributes_detail

// Copies the attribute value that follows an attribute name: spaces, one "=",
// spaces and one double quote are skipped; the value ends at a double quote,
// a space or ">" (ReadAttrWord) or at a double quote or ">" (ReadAttrText).
// Returns the number of bytes copied; dest is always NUL-terminated.
inline int ReadAttrWord(char* dest, const char* text, int capacity) {
    return attributes_detail::ReadAttr(dest, text, capacity, true);
}
inline int ReadAttrText(char* dest, const char* text, int capacity) {
    return attributes_detail::ReadAttr(dest, text, capacity, false);
}

}  // namespace vorlax
