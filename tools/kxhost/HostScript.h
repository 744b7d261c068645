// CHostScript: runs the host program's script, one operation a line, each through the driver's
// interfaces as the host calls them, printing what it gives back as rows ("|" between fields,
// NULL as an empty field, the items' names first). Operations (T a table, I an item, V a value,
// quoted with '...' when it holds blanks):
//
//   describe T                    the table's items: name, type, size, key
//   first T I | last T I          read the first or last record along item I
//   next T I [n] | previous T I [n]   read on, n records (1 by default), until the end of the file
//   seek T I V...                 the first record whose item I equals V (a composite key: a value
//                                 per component, the first ones only for a partial key)
//   seekprefix T I V...           the first record whose item I starts with V
//   filter T I V1 V2              browse on item I only the records from V1 to V2, both included
//                                 (a composite key: V1 and V2 each its components joined by ",")
//   unfilter T I                  take the filter off
//   count T                       the number of records
//   add T I=V ...                 add a record (items not named keep the default value a new record
//                                 starts with, unmarked: the server gives its own default)
//   modify T I=V ...              change items of the record last read and write it
//   delete T                      delete the record last read
//   begin | commit | rollback     a transaction on the connection
//   sql TEXT                      run an SQL statement and print its rows
//   echo TEXT                     print the text
//
// Values are written as psql prints them: dates YYYY-MM-DD, times HH:MM:SS.mmm, timestamps
// 'YYYY-MM-DD HH:MM:SS.mmm', binary \x and hexadecimal digits; NULL unquoted is the NULL value,
// 'NULL' quoted the text. A value that does not convert to its item fails the operation.
//
// Blank lines and lines starting with "#" are skipped. A line starting with "!" is expected to
// fail: its error is printed and the script goes on. Any other failure prints the error (message
// text, server code, debug line) and stops the script with a failure.
#pragma once

#include <string>
#include <vector>

#include "tools/kxhost/DriverHost.h"

class CAny;
class INADriverSQL;

class CHostScript {
public:
    explicit CHostScript(CDriverHost* pclHost) : m_pclHost(pclHost) {}
    // How NULL is printed (psql's \pset null): the empty text by default.
    void SetNullText(const std::wstring& wsNull) { m_wsNull = wsNull; }
    ~CHostScript();
    CHostScript(const CHostScript&) = delete;
    CHostScript& operator=(const CHostScript&) = delete;

    // Runs one line; false when it failed and was not expected to.
    bool bRunLine(const std::string& sLine);

private:
    struct stFailure {
        std::wstring wsError;
    };
    // Each operation: true on success, false with the error in m_wsError.
    bool _bRun(const std::vector<std::wstring>& asWords, const std::vector<bool>& abQuoted, const std::wstring& wsRest);
    bool _bDescribe(stHostTable* pst);
    bool _bRead(stHostTable* pst, const std::wstring& wsItem, int eDirection, long nCount);
    bool _bSeek(stHostTable* pst, const std::wstring& wsItem, const std::vector<std::wstring>& asValues,
                const std::vector<bool>& abQuoted, int bGeneric);
    bool _bFilter(stHostTable* pst, const std::wstring& wsItem, const std::wstring& wsLow, const std::wstring& wsHigh);
    bool _bCount(stHostTable* pst);
    bool _bWrite(stHostTable* pst, const std::vector<std::wstring>& asAssignments, const std::vector<bool>& abQuoted,
                 bool bAdd);
    bool _bSQL(const std::wstring& wsText);

    // The item of that name, or null with the error.
    INAItemDescription* _piItem(stHostTable* pst, const std::wstring& wsItem, size_t* pnIndex = nullptr);
    // The variant type of an item's values, as the current record holds them.
    unsigned short _nItemType(stHostTable* pst, size_t nItem);
    static unsigned short s_nItemType(const INAItemDescription* piItem);
    // A script's value for an item (bNull: the unquoted NULL); false with the item and value named.
    bool _bValue(const INAItemDescription* piItem, const std::wstring& wsText, bool bNull, CAny* pclValue);
    // The value of a composite key from a value per component (the first ones only for a partial
    // key): the components' record images one after the other, as the host passes it.
    bool _bCompositeValue(stHostTable* pst, INAItemDescription* piItem, const std::vector<std::wstring>& asValues,
                          const std::vector<bool>& abQuoted, CAny* pclValue);
    // A value of item I for a seek or filter: composite keys from their components.
    bool _bSearchValue(stHostTable* pst, INAItemDescription* piItem, const std::vector<std::wstring>& asValues,
                       const std::vector<bool>& abQuoted, CAny* pclValue);
    void _PrintHeader(stHostTable* pst);
    bool _bPrintCurrentRecord(stHostTable* pst);
    bool _bTableFailed(stHostTable* pst);

    CDriverHost* m_pclHost;
    INADriverSQL* m_piSQL = nullptr;
    int m_nSQLConnection = 0;
    std::wstring m_wsError;
    std::wstring m_wsNull;
};

// Splits a line into words: blanks separate, '...' quotes ('' inside is one quote), and a word
// I='...' keeps its quoted value. The text after the first word is kept in *pwsRest; whether each
// word had quotes in *pabQuoted (may be null).
std::vector<std::wstring> g_asSplitWords(const std::wstring& wsLine, std::wstring* pwsRest,
                                         std::vector<bool>* pabQuoted = nullptr);
