// The PostgreSQL data access: counts without a browse on a table, and the sequences of automatic
// identifiers.
#include "pgsql/PSQLDataAccess.h"

#include <cinttypes>
#include <cstdio>
#include <cwchar>

#include "core/TStringConcatAW.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "variant/Any.h"

namespace {

// The wide-text value type of the literal writer.
constexpr unsigned short VQ_PSTRW = 110;

// An identifier between double quotes, each quote inside doubled: whatever the catalogue holds,
// the name stays one identifier.
void _AddQuoted(CTString* pclOut, const CTString& clName) {
    pclOut->Add(L'"');
    const wchar_t* psz = clName.pszGet();
    for (; psz != nullptr && *psz != 0; psz++) {
        if (*psz == L'"') pclOut->Add(L'"');
        pclOut->Add(*psz);
    }
    pclOut->Add(L'"');
}

}  // namespace

int CPSQLDataAccess::bNbEnrNeedParse(int* pbNeeded, const wchar_t* pszItem) {
    if (bSourceIsQuery()) return CNADataAccess::bNbEnrNeedParse(pbNeeded, pszItem);
    if (pbNeeded != nullptr) *pbNeeded = 0;
    return 1;
}

int CPSQLDataAccess::_bGetSequenceParts(CTString* pclSchema, CTString* pclSequence, CNAColumn* pclColumn,
                                        CTString* pclTableOut) {
    if (pclColumn == nullptr || m_pclCnx == nullptr) return 0;
    // The table as the server names it, without the quotes the SQL writers put around it.
    const wchar_t* pszSource = pclColumn->pszGetSourceName();
    const wchar_t* pszTable = pszSource != nullptr && pszSource[0] != 0 ? pszSource : pszGetPhysicalName();
    if (pszTable == nullptr || pszTable[0] == 0) pszTable = pszGetDBTableName();
    CTString clDataBase, clTable;
    m_pclCnx->DecomposeTableName(&clDataBase, pclSchema, &clTable, pszTable);
    m_pclCnx->UnFormatItemName(pclSchema->pszGet(), pclSchema);
    m_pclCnx->UnFormatItemName(clTable.pszGet(), &clTable);
    if (pclTableOut != nullptr) pclTableOut->Set(clTable.pszGet());
    pclSequence->Set(clTable.pszGet());
    pclSequence->Add(L"_");
    pclSequence->Add(pclColumn->pszGetOriginalName());
    pclSequence->Add(L"_seq");
    return 1;
}

int CPSQLDataAccess::_bGetSequenceName(CTString* pclName, CNAColumn* pclColumn) {
    CTString clSchema, clSequence;
    if (!_bGetSequenceParts(&clSchema, &clSequence, pclColumn)) return 0;
    pclName->Vide();
    if (clSchema.nTaille() != 0) {
        pclName->Set(clSchema.pszGet());
        pclName->Add(L".");
    }
    pclName->Add(clSequence.pszGet());
    return 1;
}

int CPSQLDataAccess::_bStringLiteral(CTString* pclOut, const wchar_t* pszText) {
    CTStringConcatAW clLiteral(m_pclCnx->nGetClientCodePage(), m_pclCnx->nGetCodePage());
    if (pszText == nullptr) pszText = L"";
    if (!m_pclCnx->_bEscapeString(m_pclError, &clLiteral, VQ_PSTRW,
                                  reinterpret_cast<unsigned char*>(const_cast<wchar_t*>(pszText)),
                                  static_cast<unsigned long>(wcslen(pszText) * sizeof(wchar_t))))
        return 0;
    pclOut->Set(clLiteral.pszGetW());
    return 1;
}

int CPSQLDataAccess::_bGetOwnedSequence(CTString* pclName, const CTString& clSchema, const CTString& clTable,
                                        CNAColumn* pclColumn) {
    CTString clQualified;
    if (clSchema.nTaille() != 0) {
        _AddQuoted(&clQualified, clSchema);
        clQualified.Add(L".");
    }
    _AddQuoted(&clQualified, clTable);
    CTString clTableLiteral, clColumnLiteral;
    if (!_bStringLiteral(&clTableLiteral, clQualified.pszGet()) ||
        !_bStringLiteral(&clColumnLiteral, pclColumn->pszGetOriginalName()))
        return 0;
    CTString clQuery(L"SELECT pg_get_serial_sequence(");
    clQuery.Add(clTableLiteral.pszGet());
    clQuery.Add(L", ");
    clQuery.Add(clColumnLiteral.pszGet());
    clQuery.Add(L")");
    // A failure here is not the caller's: the name built from the table's stands in.
    CNAError clQuiet;
    clQuiet.AddRef();
    CTString clValue;
    const int bRead = m_pclCnx->bGetRequestedValueString(&clQuiet, &clValue, 0, clQuery.pszGet());
    if (!bRead || clValue.nTaille() == 0) return 0;
    pclName->Set(clValue.pszGet());
    return 1;
}

int CPSQLDataAccess::_bGetSequenceNameEscaped(CTString* pclName, CNAColumn* pclColumn) {
    CTString clSchema, clSequence, clTable;
    if (!_bGetSequenceParts(&clSchema, &clSequence, pclColumn, &clTable)) return 0;
    // The sequence the server ties to the column (a serial's, or an identity column's own), named
    // as the server writes it; the name made from the table's when the server knows of none.
    if (_bGetOwnedSequence(pclName, clSchema, clTable, pclColumn)) return 1;
    pclName->Vide();
    if (clSchema.nTaille() != 0) {
        _AddQuoted(pclName, clSchema);
        pclName->Add(L".");
    }
    _AddQuoted(pclName, clSequence);
    return 1;
}

int64_t CPSQLDataAccess::_nGetSequenceCurrentVal(CNAColumn* pclColumn) {
    CTString clName;
    if (!_bGetSequenceNameEscaped(&clName, pclColumn)) return -1;
    // The written name goes to the server as a string literal, so a quote of the name cannot end
    // the literal.
    CTString clLiteral;
    if (!_bStringLiteral(&clLiteral, clName.pszGet())) return -1;
    CTString clQuery(L"SELECT CURRVAL(");
    clQuery.Add(clLiteral.pszGet());
    clQuery.Add(L")");
    CAny clValue;
    if (!m_pclCnx->bGetRequestedValue(m_pclError, &clValue, 0, clQuery.pszGet())) return -1;
    if (clValue.bIsNull() || clValue.__nCastTo(VQTYPE_I8, nullptr, 0) != 0 || clValue.bIsNull()) return -1;
    long llValue = -1;
    if (clValue.nGetINT_64(&llValue) != 0) return -1;
    return llValue;
}

int CPSQLDataAccess::_bGetQueryRestartSequenceIdAuto(CTString* pclText, CNAColumn* pclColumn, long nValue) {
    CTString clName;
    if (pclText == nullptr || !_bGetSequenceNameEscaped(&clName, pclColumn)) return 0;
    // The value in plain decimal, whole whatever its size.
    wchar_t szValue[32];
    swprintf(szValue, sizeof(szValue) / sizeof(szValue[0]), L"%" PRId64, static_cast<int64_t>(nValue));
    // The sequence only ever moves forward: set back below values other sessions were given, it
    // would hand them out again and their next inserts would collide.
    CTString clLiteral;
    if (!_bStringLiteral(&clLiteral, clName.pszGet())) return 0;
    pclText->Set(L"SELECT setval(");
    pclText->Add(clLiteral.pszGet());
    pclText->Add(L", GREATEST(");
    pclText->Add(szValue);
    pclText->Add(L", last_value + CASE WHEN is_called THEN 1 ELSE 0 END), false) FROM ");
    pclText->Add(clName.pszGet());
    return 1;
}

int CPSQLDataAccess::bRowLocatorAvailable() {
    if (m_nRowLocator != -1) return m_nRowLocator;
    if (bSourceIsQuery() || m_pclCnx == nullptr) return 0;
    CTString clLiteral;
    if (!_bStringLiteral(&clLiteral, pszGetDBTableName())) return 0;
    CTString clQuery(L"SELECT relkind FROM pg_class WHERE oid = to_regclass(");
    clQuery.Add(clLiteral.pszGet());
    clQuery.Add(L")");
    // Not knowing is not the caller's failure: the row is then designated by its values.
    CNAError clQuiet;
    clQuiet.AddRef();
    CTString clKind;
    if (!m_pclCnx->bGetRequestedValueString(&clQuiet, &clKind, 0, clQuery.pszGet())) return 0;
    m_nRowLocator = clKind.pszGet() != nullptr && wcscmp(clKind.pszGet(), L"r") == 0 ? 1 : 0;
    return m_nRowLocator;
}

int CPSQLDataAccess::_bUpdateIdAutoAfterInsertFailure(CNAColumn* pclColumn) {
    const int64_t llValue = _nGetSequenceCurrentVal(pclColumn);
    if (llValue == -1) return 0;
    CAny clValue;
    clValue.SetI8(static_cast<long>(llValue));
    return pclColumn->bSetValue(&clValue, 0);
}
