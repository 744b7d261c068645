// The PostgreSQL table description: the catalogue queries of a table's columns and indexes, and
// their readers.
#include "pgsql/PSQLDataSourceDescription.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "core/TStringConcatAW.h"
#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAItemDescription.h"
#include "pgsql/NAStatementSQL.h"
#include "pgsql/PSQLConnection.h"
#include "variant/Any.h"

const wchar_t* const CPSQLDataSourceDescription::s_pszShowColumnsStart =
    L"SELECT       pg_attribute.attname, pg_attribute.atttypid, pg_attribute.attlen, "
    L"pg_attribute.attndims, pg_attribute.atttypmod, pg_attribute.attnotnull, pg_attribute.atthasdef, "
    L"pg_attribute.attnum,      real_type.typtype as real_typtype, real_type.typnotnull as "
    L"domain_typnotnull, CASE WHEN real_type.typndims > 0 then real_type.typelem ELSE "
    L"real_type.typbasetype END as base_typid,       pg_get_expr(pg_attrdef.adbin, pg_class.oid) as "
    L"default, pg_attribute.attidentity, pg_attribute.attgenerated FROM       pg_class JOIN pg_namespace ON (pg_class.relnamespace = pg_namespace.oid) \t  "
    L"JOIN pg_attribute ON (pg_attribute.attrelid = pg_class.oid)       LEFT JOIN pg_type as "
    L"real_type ON(real_type.oid=pg_attribute.atttypid)       LEFT JOIN pg_attrdef  ON (pg_class.oid "
    L"= pg_attrdef.adrelid AND pg_attribute.attnum=pg_attrdef.adnum) WHERE ";

const wchar_t* const CPSQLDataSourceDescription::s_pszShowColumnsEnd =
    L" AND (pg_class.relkind='r' OR pg_class.relkind='v' OR pg_class.relkind='p') AND pg_attribute.attnum>0 AND "
    L"pg_attribute.attisdropped=false ORDER BY pg_attribute.attnum";

const wchar_t* const CPSQLDataSourceDescription::s_pszShowIndexStart =
    L"SELECT pg_class2.relname AS IndexName, pg_index.indisunique, pg_index.indisprimary, "
    L"pg_index.indnatts, pg_index.indkey, pg_index.indpred IS NOT NULL AS partial FROM pg_index LEFT JOIN "
    L"pg_class AS pg_class1 ON "
    L"(pg_index.indrelid = pg_class1.oid) LEFT JOIN pg_class AS pg_class2 ON (pg_index.indexrelid = "
    L"pg_class2.oid) LEFT JOIN pg_namespace ON (pg_class1.relnamespace = pg_namespace.oid) WHERE ";

namespace {

// The wide-text value type, in which names are written as literals.
constexpr unsigned short VQ_PSTRW = 110;
constexpr int OID_NUMERIC = 1700;

// Columns of the columns query.
enum : unsigned {
    COL_ATTNAME = 0,
    COL_ATTTYPID = 1,
    COL_ATTNDIMS = 3,
    COL_ATTTYPMOD = 4,
    COL_ATTNOTNULL = 5,
    COL_ATTHASDEF = 6,
    COL_ATTNUM = 7,
    COL_REAL_TYPTYPE = 8,
    COL_DOMAIN_TYPNOTNULL = 9,
    COL_BASE_TYPID = 10,
    COL_DEFAULT = 11,
    COL_ATTIDENTITY = 12,
    COL_ATTGENERATED = 13,
};

// Columns of the index query.
enum : unsigned {
    COL_INDEXNAME = 0,
    COL_INDISUNIQUE = 1,
    COL_INDISPRIMARY = 2,
    COL_INDNATTS = 3,
    COL_INDKEY = 4,
    COL_PARTIAL = 5,
};

// A converter and an item made by the process's driver object (null without one).
CNAConvertVariant* _pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclCnx) {
    return CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocVariant(pclError, pclCnx) : nullptr;
}
CNAItemDescription* _pclAllocItem() {
    return CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocItemDescription() : nullptr;
}

// A text converter and an integer converter from the driver object, each with one reference.
class CConverters {
public:
    CConverters(CNAError* pclError, CNAConnectionDescription* pclCnx)
        : m_pclText(_pclAllocVariant(pclError, pclCnx)), m_pclInteger(_pclAllocVariant(pclError, pclCnx)) {
        if (m_pclText != nullptr) {
            m_pclText->AddRef();
            m_pclText->InitTypeVariantAny(VQTYPE_DSTRW, 0);
        }
        if (m_pclInteger != nullptr) {
            m_pclInteger->AddRef();
            m_pclInteger->InitTypeVariantAny(VQTYPE_I4, 0);
        }
        if (!bOk() && pclError != nullptr) pclError->SetErrorNoMemory(pclCnx);
    }
    ~CConverters() {
        if (m_pclText != nullptr) m_pclText->nRelease();
        if (m_pclInteger != nullptr) m_pclInteger->nRelease();
    }
    CConverters(const CConverters&) = delete;
    CConverters& operator=(const CConverters&) = delete;

    bool bOk() const { return m_pclText != nullptr && m_pclInteger != nullptr; }

    // Column n as text into pclOut (emptied for NULL); false when it cannot be read.
    bool bText(CNAStatementSQL* pclStatement, unsigned n, CTString* pclOut, bool* pbNull = nullptr) {
        pclOut->Vide();
        if (!pclStatement->bGetValue(m_pclText, n, 0)) return false;
        const CAny* pclValue = m_pclText->pclGetValue();
        if (pbNull != nullptr) *pbNull = pclValue->bIsNull() != 0;
        if (pclValue->bIsNull()) return true;
        const wchar_t* psz = nullptr;
        if (pclValue->pclGetValeur()->nGetPCWSTR(&psz) == VQERR_OK && psz != nullptr) pclOut->Set(psz);
        return true;
    }
    // Column n as a truth value (false for NULL).
    bool bTruth(CNAStatementSQL* pclStatement, unsigned n, bool* pbValue) {
        CTString clText;
        bool bNull = false;
        if (!bText(pclStatement, n, &clText, &bNull)) return false;
        *pbValue = !bNull && CNAConvertVariant::s_bTextToBool(clText.pszGet() != nullptr ? clText.pszGet() : L"");
        return true;
    }
    // Column n as a 32-bit integer (0 for NULL).
    bool bInteger(CNAStatementSQL* pclStatement, unsigned n, int* pnOut) {
        *pnOut = 0;
        if (!pclStatement->bGetValue(m_pclInteger, n, 0)) return false;
        const void* p = m_pclInteger->pGetData();
        if (!m_pclInteger->bIsNull() && p != nullptr) memcpy(pnOut, p, sizeof(int32_t));
        return true;
    }

private:
    CNAConvertVariant* m_pclText;
    CNAConvertVariant* m_pclInteger;
};

// The leading decimal number of a text (0 when it does not start with one).
int _nLeadingNumber(const wchar_t* psz) {
    return psz != nullptr ? static_cast<int>(wcstol(psz, nullptr, 10)) : 0;
}

bool _bNumericItemType(eNA_ITEMTYPE eType) {
    switch (eType) {
        case NA_IT_I2:
        case NA_IT_I1:
        case NA_IT_I4:
        case NA_IT_R4:
        case NA_IT_R8:
        case NA_IT_UI2:
        case NA_IT_UI1:
        case NA_IT_I8:
        case NA_IT_UI8:
        case NA_IT_UI4:
        case NA_IT_DECIMAL:
            return true;
        default:
            return false;
    }
}

void _SetWideText(CAny* pclOut, const wchar_t* psz, long n) {
    CXYString<wchar_t> cl;
    if (n > 0) cl.nConcat(psz, static_cast<int>(n));
    pclOut->__SetType(VQTYPE_DSTRW, 0);
    pclOut->pclGetValeur()->SetValue(&cl);
    pclOut->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

}  // namespace

bool __bEstUnNombre(const wchar_t* psz) {
    if (psz == nullptr) return true;
    while (*psz == L' ' || *psz == L'\t') psz++;
    if (*psz == L'+' || *psz == L'-') psz++;
    bool bSeparator = false;
    for (; *psz != 0; psz++) {
        if (*psz >= L'0' && *psz <= L'9') continue;
        if ((*psz == L'.' || *psz == L',') && !bSeparator) {
            bSeparator = true;
            continue;
        }
        return false;
    }
    return true;
}

CPSQLDataSourceDescription::CPSQLDataSourceDescription(CNAConnectionDescription* pclConnection, CNAError* pclError)
    : CNADataSourceDescription(pclConnection, pclError) {}

CPSQLDataSourceDescription::~CPSQLDataSourceDescription() = default;

// ---------------------------------------------------------------------------------- the table's names

bool CPSQLDataSourceDescription::_bGetTableNameAndSchema(CTString* pclSchema, CTString* pclTable) {
    auto* pclCnx = static_cast<CPSQLConnection*>(pclGetConnectionNoRef());
    CTString clSchema, clTable;
    pclCnx->DecomposeTableName(&clSchema, &clTable, pszGetDBTableName());
    pclCnx->UnFormatItemName(clTable.pszGet() != nullptr ? clTable.pszGet() : L"", pclTable);
    if (clSchema.nTaille() == 0) {
        pclSchema->Vide();
        return false;
    }
    pclCnx->UnFormatItemName(clSchema.pszGet(), pclSchema);
    return true;
}

bool CPSQLDataSourceDescription::_bGetTableNameAndSchemaCondition(const wchar_t* pszAlias,
                                                                  CXYString<wchar_t>& clCondition) {
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    CTString clSchema, clTable;
    const bool bSchema = _bGetTableNameAndSchema(&clSchema, &clTable);
    auto Literal = [&](const CTString& clName, CTStringConcatAW* pclOut) {
        const wchar_t* psz = clName.pszGet() != nullptr ? clName.pszGet() : L"";
        return pclCnx->_bEscapeString(pclGetErrorNoRef(), pclOut, VQ_PSTRW,
                                      reinterpret_cast<unsigned char*>(const_cast<wchar_t*>(psz)),
                                      static_cast<unsigned long>(wcslen(psz) * sizeof(wchar_t))) != 0;
    };
    CTStringConcatAW clTableLiteral(pclCnx->nGetClientCodePage(), pclCnx->nGetCodePage());
    CTStringConcatAW clSchemaLiteral(pclCnx->nGetClientCodePage(), pclCnx->nGetCodePage());
    bool bOk = Literal(clTable, &clTableLiteral);
    if (bSchema) bOk = Literal(clSchema, &clSchemaLiteral) && bOk;

    clCondition.ReleaseDynStr();
    clCondition.nConcat(pszAlias);
    clCondition.nConcat(L".relname=");
    clCondition.nConcat(clTableLiteral.pszGetW());
    if (bSchema) {
        clCondition.nConcat(L" AND pg_namespace.nspname=");
        clCondition.nConcat(clSchemaLiteral.pszGetW());
    } else {
        const int nMajor = pclCnx->nGetServerMajorVersion();
        const int nMinor = pclCnx->nGetServerMinorVersion();
        // Tables are found along the search path since the 7.3 servers.
        if (nMajor > 7 || (nMajor == 7 && nMinor > 2)) {
            clCondition.nConcat(L" AND pg_table_is_visible(");
            clCondition.nConcat(pszAlias);
            clCondition.nConcat(L".oid)");
        }
    }
    return bOk;
}

// ---------------------------------------------------------------------------------- queries

int CPSQLDataSourceDescription::_bGetQueryShowColumns(CXYStringConcat<wchar_t>* pclQuery) {
    CXYString<wchar_t> clCondition;
    if (!_bGetTableNameAndSchemaCondition(L"pg_class", clCondition)) return 0;
    pclQuery->Vide();
    pclQuery->Add(s_pszShowColumnsStart);
    pclQuery->Add(clCondition.pszGet());
    pclQuery->Add(s_pszShowColumnsEnd);
    return 1;
}

int CPSQLDataSourceDescription::_bGetQueryShowIndex(CXYStringConcat<wchar_t>* pclQuery) {
    CXYString<wchar_t> clCondition;
    if (!_bGetTableNameAndSchemaCondition(L"pg_class1", clCondition)) return 0;
    pclQuery->Vide();
    pclQuery->Add(s_pszShowIndexStart);
    pclQuery->Add(clCondition.pszGet());
    return 1;
}

// ---------------------------------------------------------------------------------- items

int CPSQLDataSourceDescription::_bInitItemFromQueryShowColumns(CNAStatementSQL* pclStatement) {
    auto* pclCnx = static_cast<CPSQLConnection*>(pclGetConnectionNoRef());
    CConverters clRead(pclGetErrorNoRef(), pclCnx);
    if (!clRead.bOk()) return 0;
    int bFetched = 1;
    for (unsigned k = 0;; k++) {
        bFetched = pclStatement->bFetch(0);
        if (!bFetched || pclStatement->bIsEnd()) break;

        CTString clName;
        int nType = 0, nDimension = 0, nModifier = 0, nNumber = 0;
        bool bNotNull = false, bHasDefault = false;
        if (!clRead.bText(pclStatement, COL_ATTNAME, &clName) || !clRead.bInteger(pclStatement, COL_ATTTYPID, &nType) ||
            !clRead.bInteger(pclStatement, COL_ATTNDIMS, &nDimension) ||
            !clRead.bInteger(pclStatement, COL_ATTTYPMOD, &nModifier) ||
            !clRead.bTruth(pclStatement, COL_ATTNOTNULL, &bNotNull) ||
            !clRead.bTruth(pclStatement, COL_ATTHASDEF, &bHasDefault) ||
            !clRead.bInteger(pclStatement, COL_ATTNUM, &nNumber))
            return 0;
        if (nDimension == 0) nDimension = 1;

        // A domain: its own NOT NULL counts, and its base type is the column's type.
        CTString clTypeKind;
        bool bKindNull = true;
        if (clRead.bText(pclStatement, COL_REAL_TYPTYPE, &clTypeKind, &bKindNull) && !bKindNull &&
            clTypeKind.pszGet() != nullptr && clTypeKind.pszGet()[0] == L'd') {
            bool bDomainNotNull = false;
            if (clRead.bTruth(pclStatement, COL_DOMAIN_TYPNOTNULL, &bDomainNotNull))
                bNotNull = bNotNull || bDomainNotNull;
            if (!clRead.bInteger(pclStatement, COL_BASE_TYPID, &nType)) return 0;
        }

        // A numeric without a modifier declares no precision: its digits stay 0 and 0.
        int nIntegerDigits = 0, nDecimalDigits = 0;
        if (nType == OID_NUMERIC && nModifier != -1) {
            nDecimalDigits = (nModifier & 0xFFFF) - 4;
            nIntegerDigits = (nModifier >> 16) - nDecimalDigits;
        }
        eNA_ITEMTYPE eType = NA_IT_EMPTY;
        unsigned nSize = 0;
        const int bTyped = pclCnx->bConvertItemType(&eType, &nSize, nType, nModifier, nIntegerDigits, nDecimalDigits);

        // An identity column is filled by its own sequence as a serial column is; a generated
        // column is computed by the server from the other columns and can never be written.
        CTString clIdentity, clGenerated;
        if (pclStatement->nGetNbColumn() > COL_ATTGENERATED &&
            (!clRead.bText(pclStatement, COL_ATTIDENTITY, &clIdentity) ||
             !clRead.bText(pclStatement, COL_ATTGENERATED, &clGenerated)))
            return 0;
        const bool bIdentity = clIdentity.nTaille() != 0;
        const bool bGenerated = clGenerated.nTaille() != 0;
        if (bIdentity) {
            if (eType == NA_IT_I4)
                eType = NA_IT_IDAUTO4;
            else if (eType == NA_IT_I8)
                eType = NA_IT_IDAUTO;
        }

        CAny clDefault;
        bool bDefault = false;
        CTString clDefaultText;
        if (bHasDefault && !bGenerated && clRead.bText(pclStatement, COL_DEFAULT, &clDefaultText) && clDefaultText.nTaille() != 0) {
            const wchar_t* psz = clDefaultText.pszGet();
            const long n = clDefaultText.nTaille();
            const wchar_t* pszLastQuote = wcsrchr(psz, L'\'');
            if (wcsncmp(psz, L"nextval('", 9) == 0) {
                // Filled by a sequence: an automatic identifier of the integer's width, no default.
                if (eType == NA_IT_I4)
                    eType = NA_IT_IDAUTO4;
                else if (eType == NA_IT_I8)
                    eType = NA_IT_IDAUTO;
            } else if (wcscmp(psz, L"<NULL>") == 0) {
                if (!bNotNull) {
                    clDefault.__SetType(VQTYPE_DSTRW, 0);
                    clDefault.SetNull(1);
                    bDefault = true;
                }
            } else if (_bNumericItemType(eType) && __bEstUnNombre(psz)) {
                _SetWideText(&clDefault, psz, n);
                bDefault = true;
            } else if (psz[0] == L'\'' && pszLastQuote != nullptr && pszLastQuote != psz) {
                // The text between the quotes, each quote written twice inside it read as one.
                CTString clText(psz + 1, static_cast<long>(pszLastQuote - psz - 1));
                clText.Remplace(L"''", L"'", 0);
                _SetWideText(&clDefault, clText.pszGet(), clText.nTaille());
                bDefault = true;
            }
        }

        if (!bTyped) return 0;
        CNAItemDescription* pclItem = _pclAllocItem();
        if (pclItem == nullptr) {
            if (pclGetErrorNoRef() != nullptr) pclGetErrorNoRef()->SetErrorNoMemory(pclCnx);
            return 0;
        }
        pclItem->AddRef();
        const wchar_t* pszName = clName.pszGet() != nullptr ? clName.pszGet() : L"";
        if (!pclItem->bInit(pszName, pszGetDBTableName(), pszName, static_cast<unsigned>(nDimension), nSize, eType, k,
                            -1, 0, nIntegerDigits, nDecimalDigits)) {
            pclItem->nRelease();
            return 0;
        }
        pclItem->SetPhysicalIndiceDB(nNumber);
        // The server's type, which decides how the column is compared and read in SQL (text
        // comparisons of types that have none of their own, money read as a number).
        pclItem->SetDBType(L"", static_cast<unsigned>(nType));
        if (bNotNull) pclItem->SetNullable(0);
        if (bGenerated) pclItem->SetNotUpdatable();
        if (bDefault) pclItem->SetDefaultValue(&clDefault, -1);
        _AddItem(pclItem);
        pclItem->nRelease();
    }
    return bFetched;
}

// ---------------------------------------------------------------------------------- keys

int CPSQLDataSourceDescription::_bInitKeysFromQueryShowIndex(CNAStatementSQL* pclStatement) {
    CConverters clRead(pclGetErrorNoRef(), pclGetConnectionNoRef());
    if (!clRead.bOk()) return 0;
    int bFetched = 1;
    for (;;) {
        bFetched = pclStatement->bFetch(0);
        if (!bFetched || pclStatement->bIsEnd()) break;

        CTString clIndexName, clKeyColumns;
        bool bUnique = false, bPrimary = false, bPartial = false;
        int nColumns = 0;
        if (!clRead.bText(pclStatement, COL_INDEXNAME, &clIndexName) ||
            !clRead.bTruth(pclStatement, COL_INDISUNIQUE, &bUnique) ||
            !clRead.bTruth(pclStatement, COL_INDISPRIMARY, &bPrimary) ||
            !clRead.bInteger(pclStatement, COL_INDNATTS, &nColumns) ||
            !clRead.bText(pclStatement, COL_INDKEY, &clKeyColumns) ||
            !clRead.bTruth(pclStatement, COL_PARTIAL, &bPartial))
            return 0;
        // A partial index holds only the rows of its predicate: unique among those, it is no key
        // that every row of the table can be found and ordered by alone.
        if (bPartial) bUnique = false;
        const unsigned short wFlags = bPrimary ? KEY_PRIMARY : (bUnique ? KEY_UNIQUE : KEY_DUPLICATES);
        const wchar_t* pszKeyColumns = clKeyColumns.pszGet() != nullptr ? clKeyColumns.pszGet() : L"";

        if (nColumns == 1) {
            // An index on an expression (column 0), or on a column no item has, is no key.
            const int n = _nLeadingNumber(pszKeyColumns);
            if (n <= 0) continue;
            CNAItemDescription* pclItem = pclNAGetItemByPhysicalIndiceDB(static_cast<unsigned>(n));
            if (pclItem == nullptr) continue;
            _bSetKeyType(pclItem, wFlags);
            pclItem->nExternalRelease();
            continue;
        }

        CNAItemDescription* pclKey = _pclAllocItem();
        if (pclKey == nullptr) {
            if (pclGetErrorNoRef() != nullptr) pclGetErrorNoRef()->SetErrorNoMemory(pclGetConnectionNoRef());
            return 0;
        }
        pclKey->AddRef();
        const wchar_t* pszIndexName = clIndexName.pszGet() != nullptr ? clIndexName.pszGet() : L"";
        if (!pclKey->bInit(pszIndexName, pszGetPhysicalName(), pszIndexName, 1, 0, NA_IT_BINAIRE, nGetNumItems(),
                           static_cast<int>(nGetNumKeys()), static_cast<unsigned short>(wFlags | KEY_COMPOSED), 0, 0)) {
            pclKey->nRelease();
            return 0;
        }
        bool bExpression = false;
        bool bComplete = true;
        const wchar_t* psz = pszKeyColumns;
        while (*psz != 0) {
            while (*psz == L' ') psz++;
            if (*psz == 0) break;
            const int n = _nLeadingNumber(psz);
            while (*psz != 0 && *psz != L' ') psz++;
            if (n < 1) {
                bExpression = true;
                break;
            }
            int nPosition = -1;
            for (unsigned i = 0; i < nGetNumItems(); i++) {
                CNAItemDescription* pcl = pclGetItemNoRef(static_cast<int>(i));
                if (pcl != nullptr && pcl->nGetPhysicalIndiceDB() == n) {
                    nPosition = static_cast<int>(i);
                    break;
                }
            }
            if (nPosition < 0 || !_bAddItemComponent(pclKey, nPosition)) {
                bComplete = false;
                break;
            }
        }
        // A key over an expression is no key; one whose column cannot be found ends the reading.
        if (!bExpression && bComplete) _AddItem(pclKey);
        pclKey->nRelease();
        if (!bComplete) return 0;
    }
    return bFetched;
}
