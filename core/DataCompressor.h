// The unpacker of the packed message table: turns a record's packed bytes into wide text. The
// table generator (tools/) packs texts as plain UTF-8 ("identity" packing), which never grows, so the
// unpacked bytes always fit the scratch of packed length x 1.5 + 2 bytes that callers provide.
#pragma once

#include <cstdint>

struct STRessourceModule;

class CDataCompressor {
public:
    // Results of the unpacker and of s_nDeCompress.
    enum : int {
        DC_OK = 0,
        DC_TOO_SMALL = 2,    // the text did not fit the caller's buffer
        DC_OUTPUT_FULL = 3,  // the unpacker filled its output (internal)
        DC_BAD_FORM = 4,     // malformed input, or a text form other than UTF-8 and UTF-16
        DC_FAILED = 5,       // any other failure (memory)
    };

    CDataCompressor() : m_nState(0) {}
    ~CDataCompressor() {}

    // Unpacks nPacked bytes into pbyOut (room nRoom bytes); *pnOut receives the bytes written.
    int nUnpack(const uint8_t* pbyPacked, uint32_t nPacked, uint8_t* pbyOut, uint32_t nRoom, uint32_t* pnOut);

    // On entry *pnLength holds the capacity of pszOut in characters. 0: the text and a terminator,
    // *pnLength its length; 2: the first capacity - 1 characters and a terminator, *pnLength the
    // full length; 4 or 5: *pnLength -1.
    static int s_nDeCompress(wchar_t* pszOut, int* pnLength, STRessourceModule& stRecord);
    // The whole text in a malloc'd block, or null when memory or the unpacking fails.
    static wchar_t* s_pszDeCompress(STRessourceModule& stRecord);

private:
    uint32_t m_nState;
};
