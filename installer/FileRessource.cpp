// CFileRessource: the resource markers and the key of a resource. The markers are put together at
// run time from their two parts, so that this library's own image does not hold them whole.
#include "installer/FileRessource.h"

#include <cstring>

#include "core/platformwin/WinFormat.h"

bool CFileRessource::bLoad(const wchar_t* pszPath) {
    static const char s_szMarque[] = "ResourceInfoMark";
    char szDebut[sizeof(s_szMarque) - 1 + 6];
    char szFin[sizeof(s_szMarque) - 1 + 3];
    memcpy(szDebut, s_szMarque, sizeof(s_szMarque) - 1);
    memcpy(szDebut + sizeof(s_szMarque) - 1, "Start", 6);  // with its zero byte
    memcpy(szFin, s_szMarque, sizeof(s_szMarque) - 1);
    memcpy(szFin + sizeof(s_szMarque) - 1, "End", 3);
    return _bLoad(pszPath, szDebut, sizeof(szDebut), szFin, sizeof(szFin));
}

bool CFileRessource::bLoadResource(unsigned int nId, const char** ppData, uint32_t* pnLength) const {
    wchar_t szCle[32];
    snwprintfWin(szCle, sizeof(szCle) / sizeof(szCle[0]), L"\\Resource\\%u", nId);
    return bGetBinaryValue(szCle, ppData, pnLength);
}
