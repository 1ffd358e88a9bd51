// The output operations the scanner and the tag actions call most, inline
// (there is no link-time optimisation): PutChar with the forced wrap, the
// bulk runs beside it that share its rule, the spaces, PutString and the
// block breaks. EndLine and BeginLine are in line_output.cpp.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "codes/lead_byte.h"
#include "engine/byte_scan.h"
#include "engine/converter.h"
#include "engine/text_form.h"

namespace vorlax {

// The forced wrap's rule: a character of `bytes` bytes (1, or 2 for a
// double-byte one) fits on a line whose column is `column` when it ends
// within `width`; one that does not goes whole to the next line.
constexpr bool FitsOnLine(long long column, int bytes, long long width) {
    return column + bytes <= width;
}

inline bool Converter::FitsOnLine(int bytes) const {
    return vorlax::FitsOnLine(st_.column, bytes, LineWidth(opt_.Column));
}

inline void Converter::PutChar(unsigned char c) {
    if (opt_.SWqk == 1) {
        if (IsLeadByte(c) && !st_.lead_byte_pending) {
            st_.lead_byte_pending = true;
            if (!FitsOnLine(2)) BeginLine(0, true);
        } else if (st_.lead_byte_pending) {
            // A trail byte stays with its lead byte, even on lines too narrow for the pair.
            st_.lead_byte_pending = false;
        } else if (!FitsOnLine(1)) {
            BeginLine(0, true);
        }
    }
    // Text that spells a marker stays text: a line no marker opens gets the
    // left marker (which the alignment pass drops) before a "<".
    if (c == '<' && Pos() == st_.unmarked_line) out_->Put(kLeftMarker);
    Write(c);
    ++st_.column;
}

inline void Converter::PutSpace() {
    const long long pos = Pos();
    if (pos == 0) return;
    if (pos == st_.last_space && opt_.SWspcut != 0 && !st_.pre_mode) return;
    if (pos == st_.content_start && opt_.SWspcut2 != 0 && !st_.pre_mode) return;
    Write(' ');
    ++st_.column;
    st_.last_space = Pos();
}

// White space outside preformatted text: the byte just read and the white
// space after it. When runs collapse, every space after the first is a no-op
// (the first was written, so the position is the last space; or it was not,
// and what stopped it still holds), so the run is taken in one step.
inline void Converter::PutSpaces() {
    PutSpace();
    if (opt_.SWspcut == 0) return;
    const std::string_view ahead = in_->Ahead();
    std::size_t n = 0;
    while (n < ahead.size() && (ahead[n] == ' ' || ahead[n] == '\n' || ahead[n] == '\r' ||
                                ahead[n] == '\t'))
        ++n;
    in_->Skip(n);
}

// An ordinary byte just read under the forced wrap, and the ordinary bytes
// after it: the characters that still fit on the line go out in one piece, a
// double-byte one only with its trail byte at hand; the character that
// reaches the width goes through PutChar on its own.
inline void Converter::PutWrappedRun(unsigned char first) {
    PutChar(first);
    if (st_.lead_byte_pending) {
        // The trail byte of the double-byte character that opened the run.
        const std::string_view next = in_->Ahead();
        if (next.empty() || IsTextStop(next[0])) return;
        PutChar(static_cast<unsigned char>(next[0]));
        in_->Skip(1);
    }
    const long long width = LineWidth(opt_.Column);
    const std::string_view ahead = in_->Ahead();
    long long column = st_.column;
    std::size_t n = 0;
    while (n < ahead.size() && !IsTextStop(ahead[n])) {
        if (!IsLeadByte(static_cast<unsigned char>(ahead[n]))) {
            if (!vorlax::FitsOnLine(column, 1, width)) break;
            ++n;
            ++column;
        } else {
            if (!vorlax::FitsOnLine(column, 2, width) || n + 1 == ahead.size() ||
                IsTextStop(ahead[n + 1]))
                break;
            n += 2;
            column += 2;
        }
    }
    out_->Put(ahead.substr(0, n));
    in_->Skip(n);
    st_.column = column;
}

// An ordinary byte just read without the forced wrap, and the run of
// ordinary bytes after it, in one piece with the single spaces between its
// words: after a word a space is always written, and it is the last space of
// the line so far. (Never a "<", so never the start of a marker.) The byte
// just read still lies in the input, so the run is taken from there whole.
inline void Converter::PutTextRun() {
    in_->Back(1);
    const std::string_view ahead = in_->Ahead();
    std::size_t space_end;  // just after the run's last space, 0 if none
    const std::size_t n = TextRun(ahead.data(), ahead.size(), &space_end);
    const long long start = Pos();
    out_->Put(ahead.substr(0, n));
    in_->Skip(n);
    st_.column += static_cast<long long>(n);
    if (space_end) st_.last_space = start + static_cast<long long>(space_end);
}

// PutChar for each byte of a run that holds no line break, in one piece
// where the forced wrap is off: only its first byte can stand at the head of
// a line without a marker.
inline void Converter::PutBytes(std::string_view run) {
    if (run.empty()) return;
    if (opt_.SWqk == 1) {
        for (const char c : run) PutChar(static_cast<unsigned char>(c));
        return;
    }
    if (run[0] == '<' && Pos() == st_.unmarked_line) out_->Put(kLeftMarker);
    out_->Put(run);
    st_.column += static_cast<long long>(run.size());
}

// PutChar `count` times with one byte (none when count is 0 or less), in
// pieces of up to 64 bytes.
inline void Converter::PutRepeated(char c, long long count) {
    char piece[64];
    std::memset(piece, c, sizeof piece);
    for (; count > 0; count -= static_cast<long long>(sizeof piece))
        PutBytes(std::string_view(piece, count < 64 ? static_cast<std::size_t>(count) : sizeof piece));
}

inline void Converter::PutString(const char* s) {
    for (; *s; ++s) PutChar(static_cast<unsigned char>(*s));
}

// One empty line, unless nothing was written since the last block break.
inline void Converter::BreakBeforeBlock() {
    if (Pos() != st_.last_break) {
        if (HasContent()) EndLine();
        EndLine();
    }
}

inline void Converter::BlockBreak() {
    BreakBeforeBlock();
    BeginLine(0, false);
    st_.last_break = Pos();
}

}  // namespace vorlax
