// Reading an attribute's value out of a tag text.
#pragma once

namespace vorlax {

// Copies the attribute value that follows an attribute name: spaces, one "=",
// spaces and one double quote are skipped; the value ends at a double quote,
// a space or ">" (ReadAttrWord) or at a double quote or ">" (ReadAttrText).
// Returns the number of bytes copied; dest is always NUL-terminated.
int ReadAttrWord(char* dest, const char* text, int capacity);
int ReadAttrText(char* dest, const char* text, int capacity);

}  // namespace vorlax
