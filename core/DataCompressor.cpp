// The unpacker of the packed message table (see DataCompressor.h).
#include "core/DataCompressor.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/DLLRes.h"
#include "core/platformwin/WinCodePage.h"

namespace {

// Wide characters of a UTF-16 little-endian text: a valid pair of surrogates makes one character,
// a lone surrogate passes as it is. With a null output only counts.
int nUTF16ToWide(const uint8_t* pby, uint32_t nBytes, wchar_t* pszOut) {
    uint32_t nUnits = nBytes / 2;
    int nChars = 0;
    for (uint32_t i = 0; i < nUnits; i++) {
        uint32_t c = uint32_t(pby[2 * i]) | (uint32_t(pby[2 * i + 1]) << 8);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < nUnits) {
            uint32_t d = uint32_t(pby[2 * i + 2]) | (uint32_t(pby[2 * i + 3]) << 8);
            if (d >= 0xDC00 && d <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                i++;
            }
        }
        if (pszOut != nullptr) pszOut[nChars] = wchar_t(c);
        nChars++;
    }
    return nChars;
}

// Wide length of the unpacked bytes, or -1 when they do not convert.
int nWideLength(const uint8_t* pby, uint32_t nBytes, uint32_t nTextForm) {
    if (nBytes == 0) return 0;
    if (nTextForm == DLLRES_FORM_UTF16) return nUTF16ToWide(pby, nBytes, nullptr);
    int n = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(pby), int(nBytes), nullptr, 0);
    return n > 0 ? n : -1;
}

// Converts the unpacked bytes into exactly nChars characters at pszOut (no terminator).
bool bToWide(const uint8_t* pby, uint32_t nBytes, uint32_t nTextForm, wchar_t* pszOut, int nChars) {
    if (nChars == 0) return true;
    if (nTextForm == DLLRES_FORM_UTF16) return nUTF16ToWide(pby, nBytes, pszOut) == nChars;
    return MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(pby), int(nBytes), pszOut, nChars) == nChars;
}

}  // namespace

int CDataCompressor::nUnpack(const uint8_t* pbyPacked, uint32_t nPacked, uint8_t* pbyOut, uint32_t nRoom,
                             uint32_t* pnOut) {
    *pnOut = 0;
    if (pbyPacked == nullptr && nPacked != 0) return DC_BAD_FORM;
    // Identity packing: the packed bytes are the text.
    uint32_t n = nPacked;
    int nResult = DC_OK;
    if (n >= nRoom) {
        n = nRoom;
        nResult = DC_OUTPUT_FULL;
    }
    if (n != 0) memcpy(pbyOut, pbyPacked, n);
    m_nState = n;
    *pnOut = n;
    return nResult;
}

int CDataCompressor::s_nDeCompress(wchar_t* pszOut, int* pnLength, STRessourceModule& stRecord) {
    int nCapacity = pszOut != nullptr ? *pnLength : 0;
    if (nCapacity > 0) pszOut[0] = 0;
    if (stRecord.nTextForm != DLLRES_FORM_UTF8 && stRecord.nTextForm != DLLRES_FORM_UTF16) {
        *pnLength = -1;
        return DC_BAD_FORM;
    }
    uint32_t nScratch = stRecord.nPackedLength + stRecord.nPackedLength / 2 + 2;  // packed x 1.5, rounded down, + 2
    uint8_t abyStack[255];
    uint8_t* pbyScratch = nScratch <= sizeof abyStack ? abyStack : static_cast<uint8_t*>(malloc(nScratch));
    if (pbyScratch == nullptr) {
        *pnLength = -1;
        return DC_FAILED;
    }
    CDataCompressor clUnpacker;
    uint32_t nBytes = 0;
    int nResult = clUnpacker.nUnpack(stRecord.pbyPacked, stRecord.nPackedLength, pbyScratch, nScratch, &nBytes);
    if (nResult == DC_OUTPUT_FULL) {
        nBytes = nScratch - 1;
        nResult = DC_OK;
    }
    int nChars = nResult == DC_OK ? nWideLength(pbyScratch, nBytes, stRecord.nTextForm) : -1;
    if (nResult == DC_OK && nChars < 0) nResult = DC_BAD_FORM;
    if (nResult == DC_OK) {
        if (nChars < nCapacity) {
            if (bToWide(pbyScratch, nBytes, stRecord.nTextForm, pszOut, nChars))
                pszOut[nChars] = 0;
            else
                nResult = DC_BAD_FORM;
        } else {
            // Too long for the caller: convert whole, hand back what fits and the full length.
            wchar_t* pszWhole = static_cast<wchar_t*>(malloc((size_t(nChars) + 1) * sizeof(wchar_t)));
            if (pszWhole == nullptr) {
                nResult = DC_FAILED;
            } else if (!bToWide(pbyScratch, nBytes, stRecord.nTextForm, pszWhole, nChars)) {
                nResult = DC_BAD_FORM;
            } else {
                if (nCapacity > 0) {
                    wmemcpy(pszOut, pszWhole, size_t(nCapacity - 1));
                    pszOut[nCapacity - 1] = 0;
                }
                nResult = DC_TOO_SMALL;
            }
            free(pszWhole);
        }
    }
    if (pbyScratch != abyStack) free(pbyScratch);
    if (nResult == DC_OK || nResult == DC_TOO_SMALL) {
        *pnLength = nChars;
    } else {
        if (nCapacity > 0) pszOut[0] = 0;
        *pnLength = -1;
    }
    return nResult;
}

wchar_t* CDataCompressor::s_pszDeCompress(STRessourceModule& stRecord) {
    // Room for packed x 1.5 + 2 characters: an unpacked text never has more characters than that.
    size_t nRoom = size_t(stRecord.nPackedLength) + stRecord.nPackedLength / 2 + 2;
    wchar_t* psz = static_cast<wchar_t*>(malloc(nRoom * sizeof(wchar_t)));
    if (psz == nullptr) return nullptr;
    int nLength = int(nRoom);
    if (s_nDeCompress(psz, &nLength, stRecord) != DC_OK) {
        free(psz);
        return nullptr;
    }
    return psz;
}
