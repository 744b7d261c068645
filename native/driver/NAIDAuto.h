// CNAIDAuto: what a data access asks about its table's automatic identifier: the value the next
// record will get ("SELECT MAX(column)+1 FROM table") and the highest value the table holds
// ("SELECT MAX(column) FROM table"), each read through an internal query made for the call.
#pragma once

#include <cstddef>

#include "native/model/Interf.h"

class CAny;
class CNAColumn;
class CNADataAccess;
class CNAError;
class CNAInternalParse;
template <class T>
class CXYStringConcat;

class CNAIDAuto : public CInterf {
public:
    // The message put in front of the errors of a failed next value (table, item).
    static constexpr unsigned MESSAGE_NEXT_VALUE_FAILED = 28576;
    // No row to read the highest value from (table, column).
    static constexpr unsigned USER_ERROR_NO_ROW = 59;
    static constexpr int SITE_NO_ROW = 1;

    CNAIDAuto() = default;
    CNAIDAuto(const CNAIDAuto&) = delete;
    CNAIDAuto& operator=(const CNAIDAuto&) = delete;
    // Gives back the queries still held.
    ~CNAIDAuto() override;

    // ---- virtual operations, in this order after CInterf's
    // The value for the next record; an empty table gives the 8-byte integer 1. On failure the
    // query's errors follow the message naming the table and the column.
    virtual int bGetNextValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, CNAError* pclError, CAny* pclValue);
    // The highest value present (NULL for an empty table). No row at all: user error 59.
    virtual int bGetMaxCurrentValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, CNAError* pclError, CAny* pclValue);
    virtual int _bBuildQueryGetNextValue(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess* pclAccess,
                                         CNAColumn* pclColumn);
    virtual int _bBuildQueryGetMaxCurrentValue(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess* pclAccess,
                                               CNAColumn* pclColumn);
    virtual void _PrefixMessageErreur(CNAError* pclError, CNADataAccess* pclAccess, CNAColumn* pclColumn);

    // "SELECT MAX(" column ")" ["+1"] " FROM " table appended. Over a host query the names are
    // the column's source item and source table; over a table, the column's own and the access's
    // table. 0 when the text lost a piece to memory.
    int _bBuildQueryGetMax(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess* pclAccess, CNAColumn* pclColumn,
                           int bPlusOne);

    void _CloseInternalParseNextValue();
    void _CloseInternalParseMaxCurrentValue();

protected:
    // A call's query: the one held run again, else the text built and run. Null on failure.
    CNAInternalParse* _pclOpenQuery(CNAInternalParse** ppclHeld, int bNextValue, CNADataAccess* pclAccess,
                                    CNAColumn* pclColumn, CNAError* pclError);

    // ---- fields, in their order; each holds one reference while a call runs
    CNAInternalParse* m_pclNextValue = nullptr;
    CNAInternalParse* m_pclMaxCurrentValue = nullptr;

    friend struct CNAIDAutoLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CNAIDAutoLayout {
    static_assert(offsetof(CNAIDAuto, m_pclNextValue) == 16);
    static_assert(offsetof(CNAIDAuto, m_pclMaxCurrentValue) == 24);
    static_assert(sizeof(CNAIDAuto) == 32);
};
#pragma GCC diagnostic pop
