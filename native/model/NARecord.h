// CNARecord: the record layout of one data access. Its columns bind the host's items to the
// server's columns, one per item of the host's description (composite keys included); beside them
// the special columns the SQL writers need (the automatic identifier, the unique key, the columns
// a browse is ordered by, the composite unique keys, the memos), and the current and original rows
// as record values, each holding a host record image.
#pragma once

#include <cstdint>

#include "core/RefArray.h"
#include "native/model/Interf.h"
#include "native/model/NAColumn.h"

class CColumnNullValueExcluded;
class CNAConnectionDescription;
class CNADataAccess;
class CNADataSourceDescription;
class CNAError;
class CNAPosition;
class CNARecordValue;
class CNAYFRecord;
class INADataSourceDescription;
template <class T>
class CXYStringConcat;

class CNARecord : public CInterf {
public:
    // Takes a reference on the error object; the data access owns the record.
    CNARecord(CNAError* pclError, CNADataAccess* pclAccess);
    ~CNARecord() override;

    // ---- virtual operations after CInterf's, in slot order
    // The first column of that name (without regard to case and accents), or null.
    virtual CNAColumn* pclGetColumnNoRef(const wchar_t* pszName);
    // Builds the layout for the host's description; the driver's description gives the server's
    // item of each column.
    virtual int bInitRecord(INADataSourceDescription* piHost, CNADataSourceDescription* pclDriver,
                            CNAConnectionDescription* pclConnection);
    virtual void SetDeleted();
    // A column from the driver's factory (a database's driver makes its own class).
    virtual CNAColumn* _pclAllocColumn(CNAError* pclError, INAItemDescription* piItem);

    // ---- columns
    int nGetNumColumns() const { return m_tabColumns.nGetNbElement(); }
    // Column n; null outside the count.
    CNAColumn* pclGetColumnNoRef(int n) const;
    CNAColumn* pclGetColumnNoRef(INAItemDescription* piItem);
    // Order-by column n; null outside the count.
    CNAColumn* pclGetColumnOrderNoRef(int n) const;
    int nGetNumColumnsOrder() const { return m_tabOrderBy.nGetNbElement(); }
    const CRefArray<CNAColumn>* pclGetTabColumnMemo() const { return &m_tabMemos; }
    const CRefArray<CNAColumn>* pclGetTabComposedUniqueKey() const { return &m_tabComposedUnique; }
    CNAColumn* pclGetColumnIDAutoNoRef() const { return m_pclIDAuto; }
    CNAColumn* pclGetUniqueKeyNoRef() const { return m_pclUniqueKey; }
    CNAColumn* pclGetNAColumnIdentityNoRef() const;
    CNAColumn* pclGetUniqueKeyNotNullNoRef() const;
    int bAddColumn(INAItemDescription* piItem, CNAItemDescription* pclDriverItem);
    void DeleteAllColumn();

    // ---- rows
    // The current row's record image.
    CNAYFRecord* pclGetNAYFRecord() const;
    // The original row's record image (the row as it was read).
    CNAYFRecord* pclGetOriginalNAYFRecord() const;
    CNARecordValue* pclGetCurrentRecordValueNoRef() const { return m_pclCurrent; }
    CNARecordValue* pclGetOriginalRecordValueNoRef() const { return m_pclOriginal; }
    int bSetNAYFRecord(CNAYFRecord* pclRecord);
    int bCopyToCurrentRecord(const CNARecordValue* pclValue);
    int bCopyOriginalRecordToCurrentRecord();
    int bCopyCurrentRecordToOriginalRecord();
    int bEquals(const CNARecordValue* pclValue, int bMemos) const;
    bool bOriginalExists() const { return m_bOriginalExists != 0; }
    // The record value's memo k becomes the converter's value (a memo column binding itself).
    int bShareMemoValue(unsigned k, CNAConvertVariant* pclConverter);
    int bUpdateChangedTypeInCurrentRecord(INADataSourceDescription* piHost);
    // Every plain column's converter follows its item's NULL bit in the current image.
    void OnNAYFRecordChanged();

    // ---- context
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclConnection; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    CNADataAccess* pclGetDataAccessNoRef() const { return m_pclAccess; }
    const wchar_t* pszGetTableName() const;
    bool bSourceIsQuery() const;
    CSQLParserInfo* pclGetSourceQueryNoRef() const;
    int bGetPosition(CNAPosition*) { return 1; }

    // Whether a composite unique key is fully given by the n leading columns of a search.
    bool bComposedKeyUniqueNotNullAdded(CNAColumn* const* ppclLeading, int n, CColumnNullValueExcluded* pclExcluded);
    // The current row as text for error reports.
    void CurrentRecordToString(CXYStringConcat<wchar_t>* pclOut);

protected:
    bool _bAllocRecordBuffers(INADataSourceDescription* piHost);
    void _FreeRecordBuffers();
    void _InitCompositeKey(CNAColumn* pclColumn);
    void _InitOrderBy();
    // The columns of the output items the parsed query's ORDER BY names, in its order, up to the
    // automatic identifier's.
    void _AddOrderByOfQuery(CSQLParserInfo* pclQuery);
    void _AddColumnOrder(CNAColumn* pclColumn);
    bool _bInOrderBy(const CNAColumn* pclColumn) const;

    CNAError* m_pclError;
    CNADataAccess* m_pclAccess;
    CNAConnectionDescription* m_pclConnection = nullptr;
    CRefArray<CNAColumn> m_tabColumns;
    CNAColumn* m_pclIDAuto = nullptr;
    CNAColumn* m_pclUniqueKey = nullptr;
    // The column the last look-up by name found (-1: none).
    int m_nLastNamedColumn = -1;
    CNAYFRecord* m_pclRecordImage = nullptr;
    CNARecordValue* m_pclOriginal = nullptr;
    CNARecordValue* m_pclCurrent = nullptr;
    uint32_t m_bOriginalExists = 0;
    CRefArray<CNAColumn> m_tabOrderBy;
    CRefArray<CNAColumn> m_tabMemos;
    CRefArray<CNAColumn> m_tabComposedUnique;
};
