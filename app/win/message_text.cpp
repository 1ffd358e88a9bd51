// A message box grows with its longest line, and a path has no blank at
// which the box could break it: a long one made the box wider than the
// screen. The box's own font and the screen's width decide how much of the
// path is shown: half the width, which leaves room for the box's icon,
// margins and frame also where the box finds no place to break the path
// (on a screen of 640 pixels, 320 for the text).
#include "app/win/message_text.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "app/message_text.h"

namespace vorlax::app {

namespace {

// No screen holds a line this long; a longer text is not measured (Windows
// 95 measures at most 8192 characters).
constexpr std::size_t kLongestMeasured = 4096;

}  // namespace

std::string PathForMessageBox(const std::string& path) {
    NONCLIENTMETRICSA metrics = {};
    // The size that every Windows version takes (later ones added a field
    // after the message font).
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA);
    HFONT font = nullptr;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        font = CreateFontIndirectA(&metrics.lfMessageFont);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = font ? SelectObject(screen, font) : nullptr;
    const int width = GetSystemMetrics(SM_CXSCREEN) / 2;
    std::string shown = ShortenInMiddle(path, [&](std::string_view text) {
        if (text.size() > kLongestMeasured) return false;
        // Measured in UTF-16, converted in the program's code page: the ANSI
        // measurement converts in the system's, which is not 932 on a
        // non-Japanese Windows where the manifest gives the program 932.
        // Windows 95 has this Unicode function too.
        std::wstring wide(text.size(), L'\0');
        const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                              static_cast<int>(wide.size()));
        SIZE size = {};
        if (units > 0) GetTextExtentPoint32W(screen, wide.data(), units, &size);
        return size.cx <= width;
    });
    if (old) SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    if (font) DeleteObject(font);
    return shown;
}

}  // namespace vorlax::app
