// The SQL type map: its generic rows, the replacement of a row and the declaration of an item.
#include "native/model/NAMapConvertType.h"

#include <new>

#include "native/model/NAInterfaces.h"

void CNAMapConvertType::_Init() {
    static const struct {
        eNA_ITEMTYPE eType;
        const wchar_t* pszType;
        int bFormatted;
    } s_tabRows[] = {
        {NA_IT_IDAUTO, L"NUMERIC(19,0)", 0},
        {NA_IT_IDAUTO4, L"INTEGER", 0},
        {NA_IT_I1, L"SMALLINT", 0},
        {NA_IT_I2, L"SMALLINT", 0},
        {NA_IT_I4, L"INTEGER", 0},
        {NA_IT_I8, L"NUMERIC(19,0)", 0},
        {NA_IT_UI1, L"SMALLINT", 0},
        {NA_IT_UI2, L"SMALLINT", 0},
        {NA_IT_UI4, L"INTEGER", 0},
        {NA_IT_UI8, L"NUMERIC(20,0)", 0},
        {NA_IT_BOOLEEN, L"SMALLINT", 0},
        {NA_IT_MONETAIRE, L"NUMERIC(24,6)", 0},
        {NA_IT_DECIMAL, L"NUMERIC(%d,%d)", 1},
        {NA_IT_R4, L"REAL", 0},
        {NA_IT_R8, L"FLOAT", 0},
        {NA_IT_REELTURBO, L"FLOAT", 0},
        {NA_IT_CHAR, L"CHARACTER", 0},
        {NA_IT_IMAGE, L"CHARACTER(%d)", 1},
        {NA_IT_TEXTE, L"VARCHAR(%d)", 1},
        {NA_IT_MEMOTEXTE, L"TEXT", 0},
        {NA_IT_UNICODE, L"NVARCHAR(%d)", 1},
        {NA_IT_MEMOUNICODE, L"NTEXT", 0},
        {NA_IT_BINAIRE, L"VARBINARY(%d)", 1},
        {NA_IT_DATE6, L"DATE", 0},
        {NA_IT_DATE8, L"DATE", 0},
        {NA_IT_HEURE, L"TIME", 0},
        {NA_IT_DATETIME, L"TIMESTAMP", 0},
        {NA_IT_TIMELENGHT, L"NUMERIC(19,0)", 0},
    };
    for (const auto& st : s_tabRows) Add(st.eType, st.pszType, st.bFormatted);
}

int CNAMapConvertType::Add(eNA_ITEMTYPE eType, const wchar_t* pszType, int bFormatted) {
    bRemove(eType);
    CNATypeInfo* pclRow = new (std::nothrow) CNATypeInfo(pszType, bFormatted);
    if (pclRow == nullptr) return 0;
    // The map's reference is the only one: a row it could not store goes at once.
    pclRow->AddRef();
    int bStored = bSet(eType, pclRow);
    pclRow->nRelease();
    return bStored;
}

int CNAMapConvertType::bFormat(const INAItemDescription* piItem, CTString* pclOut) {
    CNATypeInfo* pclRow = nullptr;
    if (!bGet(piItem->eNAGetItemType(), &pclRow)) return 0;
    pclRow->Format(piItem, pclOut);
    pclRow->nRelease();
    return 1;
}

unsigned CNAMapConvertType::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned n = --m_nRef;
    if (n == 0) delete this;
    return n;
}
