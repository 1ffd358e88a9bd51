// wine_env_check: what a Windows test run relies on, checked from inside.
//
//   wine_env_check.exe [CODE-PAGE]
//
// Exits 0 when the prefix's ANSI code page is CODE-PAGE (default 932: a
// Japanese system, which the tests assume; 1252 for a prefix made with a
// non-Japanese locale, where the programs take 932 from their manifests);
// also reports which face the Japanese UI fonts resolve to, which GUI tests
// need, and fails when Wine's own Marlett is missing, with which Wine draws
// the caption buttons (not an error when no font machinery is available).
// It has no manifest: it sees the system's own code page.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Prints the font the face resolves to; its full name, or "" when there is
// no font machinery.
std::string ReportFont(const char* face, BYTE charset = SHIFTJIS_CHARSET) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        std::printf("font %s: no device context\n", face);
        return "";
    }
    LOGFONTA lf = {};
    lf.lfHeight = -12;
    lf.lfCharSet = charset;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    // Face and family names echo the request when a replacement applies;
    // the full name is the font file's own.
    const char* family = "(no outline font)";
    alignas(OUTLINETEXTMETRICA) char buffer[4096];
    const UINT size = GetOutlineTextMetricsA(dc, 0, nullptr);
    if (size > 0 && size <= sizeof buffer &&
        GetOutlineTextMetricsA(dc, size, reinterpret_cast<OUTLINETEXTMETRICA*>(buffer))) {
        const auto* otm = reinterpret_cast<const OUTLINETEXTMETRICA*>(buffer);
        family = buffer + reinterpret_cast<UINT_PTR>(otm->otmpFullName);
    }
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    std::printf("font %s -> %s (charset %d)\n", face, family, tm.tmCharSet);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return family;
}

}  // namespace

int main(int argc, char** argv) {
    const UINT expected = argc > 1 ? static_cast<UINT>(std::strtoul(argv[1], nullptr, 10)) : 932;
    const UINT acp = GetACP();
    const UINT oemcp = GetOEMCP();
    std::printf("ACP %u, OEMCP %u, pointer size %u\n", acp, oemcp,
                static_cast<unsigned>(sizeof(void*)));
    // The literal is CP932 in the program: a lead byte that the system
    // takes as one.
    const char* const kanji = "漢";
    std::printf("IsDBCSLeadByte(0x%02X) = %d\n", static_cast<unsigned char>(kanji[0]),
                IsDBCSLeadByte(static_cast<BYTE>(kanji[0])) ? 1 : 0);
    ReportFont("MS Gothic");
    ReportFont("ＭＳ ゴシック");
    ReportFont("MS UI Gothic");
    const std::string marlett = ReportFont("Marlett", SYMBOL_CHARSET);
    if (!marlett.empty() && marlett.find("Marlett") == std::string::npos) {
        std::printf("FAIL: Wine's own fonts are missing (fonts-wine): caption buttons would show letters\n");
        return 1;
    }
    if (acp != expected || (acp == 932) != (IsDBCSLeadByte(static_cast<BYTE>(kanji[0])) != FALSE)) {
        std::printf("FAIL: the ANSI code page must be %u\n", expected);
        return 1;
    }
    return 0;
}
