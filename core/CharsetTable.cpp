// The character-set tables: code page and language id of a Windows character set and their
// reverses, the code page carried by each 8-bit text type of a value conversion, and the process
// locale switch for the character sets that need one.
#include "core/CharsetTable.h"

#include <clocale>
#include <cstdio>

#include "core/STRCompare.h"

namespace {

// Language ids of the character sets 128 to 238, indexed by charset - 128 (0 = none).
// clang-format off
constexpr unsigned short g_awLanguageId[111] = {
    /* 128 */ 0x0011, /* 129 */ 0x0012, /* 130 */ 0x0012, 0, 0, 0, /* 134 */ 0x0804, 0, /* 136 */ 0x0404, 0,  //
    /* 138 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                                                 //
    /* 148 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                                                 //
    /* 158 */ 0, 0, 0, /* 161 */ 0x0008, /* 162 */ 0x001F, /* 163 */ 0x002A, 0, 0, 0, 0,                    //
    /* 168 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, /* 177 */ 0x000D,                                                   //
    /* 178 */ 0x0001, 0, 0, 0, 0, 0, 0, 0, /* 186 */ 0x0025, 0,                                              //
    /* 188 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                                                 //
    /* 198 */ 0, 0, 0, 0, 0, 0, /* 204 */ 0x0419, 0, 0, 0,                                                   //
    /* 208 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                                                 //
    /* 218 */ 0, 0, 0, 0, /* 222 */ 0x001E, 0, 0, 0, 0, 0,                                                   //
    /* 228 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                                                 //
    /* 238 */ 0x0015,
};
// clang-format on
static_assert(sizeof(g_awLanguageId) / sizeof(g_awLanguageId[0]) == 111);

struct stCharsetCodePage {
    int nCharset;
    unsigned nCodePage;
};

// The code page of every character set the library knows; reading it backwards gives the
// character set of a code page (the first row of a code page wins: 1252 is charset 0).
constexpr stCharsetCodePage g_astCharsetCodePage[] = {
    {0, 1252},   {128, 932},  {129, 949},  {130, 1361}, {134, 936},     {136, 950},
    {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},    {186, 1257},
    {204, 1251}, {222, 874},  {238, 1250}, {255, 1252}, {65001, 65001},
};

}  // namespace

unsigned int dwGetCodePageFromCharset(int nCharset) {
    for (const auto& st : g_astCharsetCodePage)
        if (st.nCharset == nCharset) return st.nCodePage;
    return 0;
}

unsigned short wGetLanguageID(int nCharset) {
    if (nCharset < 128 || nCharset > 238) return 0;
    return g_awLanguageId[nCharset - 128];
}

int nGetCharsetFromCodePage(int nCodePage) {
    if (nCodePage == 0) return 127;
    for (const auto& st : g_astCharsetCodePage)
        if (static_cast<int>(st.nCodePage) == nCodePage) return st.nCharset;
    return -1;
}

int nGetCharsetFromLanguage(unsigned short wLanguageId) {
    unsigned nPrimary = wLanguageId & 0x3FF, nSub = wLanguageId >> 10;
    // clang-format off
    switch (nPrimary) {
        case 1: return 178;
        case 2: case 25: case 34: case 35: return 204;
        case 4: return nSub == 1 ? 136 : 134;
        case 5: case 14: case 21: case 24: case 27: case 28: case 36: case 47: return 238;
        case 8: return 161;
        case 13: return 177;
        case 17: return 128;
        case 18: return 129;
        case 26: return nSub == 3 ? 204 : 238;
        case 30: return 222;
        case 31: return 162;
        case 37: case 38: case 39: return 186;
        case 42: return 163;
        case 43: case 55: return 65001;
        case 67: return nSub == 2 ? 204 : 238;
        default: return 0;
    }
    // clang-format on
}

int GetCharSetFromLanguageID(unsigned int dwLanguageId) {
    return nGetCharsetFromLanguage(static_cast<unsigned short>(dwLanguageId & 0xFFFF));
}

namespace {

// Code page carried by an 8-bit text type of a value conversion; false for a type without one.
bool _bCodePageOfType(unsigned nType, uint32_t& nCodePage) {
    switch (nType) {
        case 121:
        case 122:
            nCodePage = 1252;
            return true;
        case 126:
        case 127:
            nCodePage = 0;
            return true;
        case 130:
        case 131:
            nCodePage = static_cast<uint32_t>(STR_nGetCurrentCodePage());
            return true;
        default:
            return false;
    }
}

}  // namespace

unsigned int PrepareConversionAnsiUnicode(unsigned int nType, unsigned int& dwFlags, STOCAW& stDescriptor, int bShared,
                                          int bAddFlag) {
    switch (nType) {
        case 18:
            return bShared ? 19 : 18;
        case 110:
            return bShared ? 16 : 110;
        default:
            break;
    }
    uint32_t nCodePage;
    if (!_bCodePageOfType(nType, nCodePage)) return nType;
    stDescriptor.nCodePage = nCodePage;
    if (bAddFlag) dwFlags |= 0x40;
    // The second type of each pair converts to a wide pointer unless a shared string is asked for.
    bool bPointer = nType == 122 || nType == 127 || nType == 131;
    return bPointer && !bShared ? 110 : 16;
}

int PrepareConversionUnicodeAnsi(unsigned short nType, STOCAW& stDescriptor) {
    uint32_t nCodePage;
    if (!_bCodePageOfType(nType, nCodePage)) return 0;
    stDescriptor.nCodePage = nCodePage;
    return 1;
}

void ChangeLocale(int nCharset) {
    unsigned nCodePage = dwGetCodePageFromCharset(nCharset);
    if (nCodePage == 0) return;
    const char* pszNom;
    switch (nCharset) {
        case 161:
            pszNom = "greek_greece";
            break;
        case 162:
            pszNom = "turkey_turkish";
            break;
        case 177:
        case 178:
            pszNom = "";
            break;
        case 204:
            pszNom = "russian_russia";
            break;
        default:
            return;
    }
    char szLocale[64];
    snprintf(szLocale, sizeof(szLocale), "%s.%u", pszNom, nCodePage);
    setlocale(LC_ALL, szLocale);
}
