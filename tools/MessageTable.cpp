// Reading, checking and packing of a deliverable's message files (see MessageTable.h).
#include "tools/MessageTable.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "core/DLLRes.h"

namespace {

bool bIsSpace(char c) {
    return c == ' ' || c == '\t';
}
bool bIsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendUTF8(std::string& s, uint32_t nCode) {
    if (nCode < 0x80) {
        s += char(nCode);
    } else if (nCode < 0x800) {
        s += char(0xC0 | (nCode >> 6));
        s += char(0x80 | (nCode & 0x3F));
    } else if (nCode < 0x10000) {
        s += char(0xE0 | (nCode >> 12));
        s += char(0x80 | ((nCode >> 6) & 0x3F));
        s += char(0x80 | (nCode & 0x3F));
    } else {
        s += char(0xF0 | (nCode >> 18));
        s += char(0x80 | ((nCode >> 12) & 0x3F));
        s += char(0x80 | ((nCode >> 6) & 0x3F));
        s += char(0x80 | (nCode & 0x3F));
    }
}

bool bHexValue(const std::string& s, size_t nAt, size_t nDigits, uint32_t* pnValue) {
    if (nAt + nDigits > s.size()) return false;
    uint32_t n = 0;
    for (size_t i = 0; i < nDigits; i++) {
        char c = s[nAt + i];
        n <<= 4;
        if (c >= '0' && c <= '9')
            n |= uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            n |= uint32_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            n |= uint32_t(c - 'A' + 10);
        else
            return false;
    }
    *pnValue = n;
    return true;
}

// Reads the quoted strings of a line from nAt on, appending their texts to sText. Answers false
// with an explanation on a malformed string.
bool bReadQuoted(const std::string& sLine, size_t nAt, std::string& sText, std::string* psError) {
    bool bAny = false;
    for (;;) {
        while (nAt < sLine.size() && bIsSpace(sLine[nAt])) nAt++;
        if (nAt >= sLine.size()) break;
        if (sLine[nAt] != '"') {
            *psError = "expected a quoted text";
            return false;
        }
        nAt++;
        bool bClosed = false;
        while (nAt < sLine.size()) {
            char c = sLine[nAt++];
            if (c == '"') {
                bClosed = true;
                break;
            }
            if (c != '\\') {
                sText += c;
                continue;
            }
            if (nAt >= sLine.size()) break;
            char e = sLine[nAt++];
            uint32_t nCode = 0;
            switch (e) {
                case 'n':
                    sText += '\n';
                    break;
                case 'r':
                    sText += '\r';
                    break;
                case 't':
                    sText += '\t';
                    break;
                case '"':
                    sText += '"';
                    break;
                case '\\':
                    sText += '\\';
                    break;
                case 'u':
                case 'U': {
                    size_t nDigits = e == 'u' ? 4 : 8;
                    if (!bHexValue(sLine, nAt, nDigits, &nCode) || nCode == 0 || nCode > 0x10FFFF ||
                        (nCode >= 0xD800 && nCode <= 0xDFFF)) {
                        *psError = "bad \\u escape";
                        return false;
                    }
                    nAt += nDigits;
                    AppendUTF8(sText, nCode);
                    break;
                }
                default:
                    *psError = std::string("unknown escape \\") + e;
                    return false;
            }
        }
        if (!bClosed) {
            *psError = "unterminated quoted text";
            return false;
        }
        bAny = true;
    }
    if (!bAny) {
        *psError = "expected a quoted text";
        return false;
    }
    return true;
}

}  // namespace

void CMessageTable::_Error(const std::string& sOrigin, const std::string& sWhat) {
    m_tabErrors.push_back(sOrigin + ": " + sWhat);
}

bool CMessageTable::s_bValidUTF8(const std::string& sText) {
    size_t i = 0;
    while (i < sText.size()) {
        uint8_t c = uint8_t(sText[i]);
        size_t nMore;
        uint32_t nCode, nMin;
        if (c < 0x80) {
            i++;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            nMore = 1, nCode = c & 0x1F, nMin = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            nMore = 2, nCode = c & 0x0F, nMin = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            nMore = 3, nCode = c & 0x07, nMin = 0x10000;
        } else {
            return false;
        }
        if (i + nMore >= sText.size()) return false;
        for (size_t k = 1; k <= nMore; k++) {
            uint8_t d = uint8_t(sText[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            nCode = (nCode << 6) | (d & 0x3F);
        }
        if (nCode < nMin || nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF)) return false;
        i += nMore + 1;
    }
    return true;
}

bool CMessageTable::s_bCheckFormat(const std::string& s, std::string* psError) {
    auto fail = [&](size_t nAt, const char* pszWhat) {
        if (psError != nullptr) *psError = std::string(pszWhat) + " at byte " + std::to_string(nAt);
        return false;
    };
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '%') {
            i++;
            continue;
        }
        size_t nStart = i++;
        if (i < s.size() && s[i] == '%') {
            i++;
            continue;
        }
        // Position "%<digits>$".
        size_t k = i;
        while (k < s.size() && bIsDigit(s[k])) k++;
        if (k > i && k < s.size() && s[k] == '$') i = k + 1;
        // No space flag: in a message "100% done" would otherwise pass as the directive "% d".
        while (i < s.size() && (s[i] == '-' || s[i] == '+' || s[i] == '#' || s[i] == '0')) i++;
        if (i < s.size() && s[i] == '*')
            i++;
        else
            while (i < s.size() && bIsDigit(s[i])) i++;
        if (i < s.size() && s[i] == '.') {
            i++;
            if (i < s.size() && s[i] == '*')
                i++;
            else
                while (i < s.size() && bIsDigit(s[i])) i++;
        }
        static const char* const s_apszSizes[] = {"hh", "h", "ll", "l", "L", "I64", "I32", "j", "z", "t"};
        for (const char* pszSize : s_apszSizes) {
            std::string sSize(pszSize);
            if (s.compare(i, sSize.size(), sSize) == 0) {
                i += sSize.size();
                break;
            }
        }
        if (i >= s.size()) return fail(nStart, "unfinished '%' directive");
        static const std::string s_sConversions = "diouxXcCsSpeEfgGaA";
        if (s_sConversions.find(s[i]) == std::string::npos) return fail(nStart, "unknown '%' directive");
        i++;
    }
    return true;
}

bool CMessageTable::bParse(const std::string& sContent, const std::string& sSourceName) {
    size_t nErrorsBefore = m_tabErrors.size();
    std::istringstream in(sContent);
    std::string sLine;
    int nLine = 0;
    stMessage* pstCurrent = nullptr;
    std::vector<size_t> tabNew;
    while (std::getline(in, sLine)) {
        nLine++;
        if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
        std::string sOrigin = sSourceName + ":" + std::to_string(nLine);
        size_t nAt = 0;
        while (nAt < sLine.size() && bIsSpace(sLine[nAt])) nAt++;
        if (nAt == sLine.size() || sLine[nAt] == '#') continue;
        std::string sError;
        if (nAt > 0 && sLine[nAt] == '"') {
            if (pstCurrent == nullptr) {
                _Error(sOrigin, "continuation without a message");
                continue;
            }
            if (!bReadQuoted(sLine, nAt, pstCurrent->sText, &sError)) _Error(sOrigin, sError);
            continue;
        }
        if (nAt != 0 || !bIsDigit(sLine[0])) {
            _Error(sOrigin, "expected a message id at the start of the line");
            pstCurrent = nullptr;
            continue;
        }
        uint64_t nId = 0;
        while (nAt < sLine.size() && bIsDigit(sLine[nAt]) && nId <= 0xFFFFFF)
            nId = nId * 10 + uint64_t(sLine[nAt++] - '0');
        if (nId == 0 || nId > 0xFFFF) {
            _Error(sOrigin, "message id must lie between 1 and 65535");
            pstCurrent = nullptr;
            continue;
        }
        stMessage stNew{uint32_t(nId), 0, std::string(), sOrigin};
        while (nAt < sLine.size() && bIsSpace(sLine[nAt])) nAt++;
        if (sLine.compare(nAt, 6, "usage=") == 0) {
            nAt += 6;
            if (nAt >= sLine.size() || sLine[nAt] < '0' || sLine[nAt] > '3' ||
                (nAt + 1 < sLine.size() && !bIsSpace(sLine[nAt + 1]))) {
                _Error(sOrigin, "usage must be 0, 1, 2 or 3");
                pstCurrent = nullptr;
                continue;
            }
            stNew.nUtilisation = uint32_t(sLine[nAt++] - '0');
        }
        if (!bReadQuoted(sLine, nAt, stNew.sText, &sError)) {
            _Error(sOrigin, sError);
            pstCurrent = nullptr;
            continue;
        }
        m_tabMessages.push_back(stNew);
        tabNew.push_back(m_tabMessages.size() - 1);
        pstCurrent = &m_tabMessages.back();
    }
    // Texts are complete only once their continuations are read.
    for (size_t nIndex : tabNew) {
        const stMessage& st = m_tabMessages[nIndex];
        std::string sError;
        if (!s_bValidUTF8(st.sText)) _Error(st.sOrigin, "text is not valid UTF-8");
        if (!s_bCheckFormat(st.sText, &sError)) _Error(st.sOrigin, "message " + std::to_string(st.nId) + ": " + sError);
    }
    return m_tabErrors.size() == nErrorsBefore;
}

bool CMessageTable::bParseFile(const std::string& sPath) {
    std::ifstream in(sPath, std::ios::binary);
    if (!in) {
        _Error(sPath, "cannot read the file");
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string sName = sPath.substr(sPath.find_last_of('/') == std::string::npos ? 0 : sPath.find_last_of('/') + 1);
    return bParse(ss.str(), sName);
}

bool CMessageTable::bValidate() {
    size_t nErrorsBefore = m_tabErrors.size();
    std::set<uint32_t> setIds;
    for (const stMessage& st : m_tabMessages) {
        if (!setIds.insert(st.nId).second)
            _Error(st.sOrigin, "message " + std::to_string(st.nId) + " is defined twice");
        if (st.sText.size() + DLLRES_RECORD_HEADER > 0xFFFF)
            _Error(st.sOrigin, "message " + std::to_string(st.nId) + " is too long for one record");
    }
    if (m_tabMessages.size() > DLLRES_MAX_RECORDS)
        m_tabErrors.push_back("the table holds " + std::to_string(m_tabMessages.size()) +
                              " messages; the loaders index at most " + std::to_string(DLLRES_MAX_RECORDS));
    return m_tabErrors.size() == nErrorsBefore;
}

std::vector<uint8_t> CMessageTable::Pack() const {
    std::vector<const stMessage*> tabSorted;
    for (const stMessage& st : m_tabMessages) tabSorted.push_back(&st);
    std::stable_sort(tabSorted.begin(), tabSorted.end(),
                     [](const stMessage* a, const stMessage* b) { return a->nId < b->nId; });
    std::vector<uint8_t> tabBytes;
    auto put16 = [&](uint32_t n) {
        tabBytes.push_back(uint8_t(n & 0xFF));
        tabBytes.push_back(uint8_t((n >> 8) & 0xFF));
    };
    for (const stMessage* pst : tabSorted) {
        // Identity packing: the UTF-8 text as it is, which never needs more room to unpack.
        uint32_t nPacked = uint32_t(pst->sText.size());
        put16(DLLRES_RECORD_HEADER + nPacked);
        put16(pst->nId);
        tabBytes.push_back(uint8_t(pst->nUtilisation & DLLRES_FLAG_UTILISATION));
        put16(nPacked);
        tabBytes.insert(tabBytes.end(), pst->sText.begin(), pst->sText.end());
    }
    put16(0);
    return tabBytes;
}

std::string CMessageTable::sWriteSource(const std::string& sSymbol, const std::vector<std::string>& tabInputs) const {
    std::vector<uint8_t> tabBytes = Pack();
    std::ostringstream out;
    out << "// Packed message table generated by kxmsgpack from";
    for (const std::string& s : tabInputs) out << ' ' << s.substr(s.find_last_of('/') + 1);
    out << ".\n// Do not edit: change the message files and rebuild. " << m_tabMessages.size() << " messages, "
        << tabBytes.size() << " bytes.\n";
    out << "extern const unsigned char " << sSymbol << "[];\n";
    out << "const unsigned char " << sSymbol << "[] = {";
    for (size_t i = 0; i < tabBytes.size(); i++) {
        if (i % 16 == 0) out << "\n   ";
        char szByte[8];
        std::snprintf(szByte, sizeof szByte, " 0x%02x,", tabBytes[i]);
        out << szByte;
    }
    out << "\n};\n";
    return out.str();
}
