// CNARecordCache: the rows a statement has fetched, kept on the client by browse position so that
// later moves (previous, last, positions, counts, searches by row identity) need not ask the
// server again. Each row is a record value taken apart into parallel tables: its record image and
// its serialized row identity packed in blocks, its memo values, its state word; a hash on the
// serialized identities finds a row's position from its identity. The table cache holds a complete
// one shared by the statements of a data access; CNARecordCachePosition is the same store used for
// saved records.
#pragma once

#include <cstdint>

#include "core/HashTableBounce.h"
#include "core/RefArray.h"
#include "core/TTableau.h"
#include "native/model/Interf.h"
#include "native/statement/NABufferTable.h"
#include "native/statement/NAParseDirection.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordMemo.h"
#include "native/statement/NARecordValue.h"

// The kinds of query (native/sql/NACommand.h).
enum eNAQUERYTYPE : uint32_t;

class CNARecordCache : public CInterf {
public:
    enum : uint32_t {
        FLAG_ACTIVE = 0x1,
        // Every row of the result is in the cache.
        FLAG_COMPLETE = 0x8,
    };
    static constexpr int DEFAULT_MEMO_GROW_STEP = 100;
    static constexpr int DEFAULT_STATE_GROW_STEP = 100;

    CNARecordCache();
    ~CNARecordCache() override;

    // ---- virtual operations after CInterf's, in slot order
    // A non-zero nRows sets the rows per block (and the grow steps of the per-row tables), a
    // non-zero nBytes the bytes per block.
    virtual void SetGrowStep(int nRows, int nBytes);
    // Appends a row for the value (null: an empty row); its row number, -1 when it could not be
    // stored (out of memory reported on the value's error object, the cache unchanged).
    virtual int nAjoute(const CNARecordValue* pclValue);
    // Removes row n from every table and from the identity hash; later rows move down by one.
    virtual void Supprime(int n);
    // Forgets every row; the active bit, the block sizes reached and the identity kind stay.
    virtual void SupprimeTout();
    virtual int _nAjoute(const CNARecordValue* pclValue);
    // Inserts a row at n (below the row count); its row number or -1.
    virtual int _Insere(const CNARecordValue* pclValue, int n);

    // ---- rows
    // A row at n: past the end, empty rows are appended first; at the end, appended.
    int Insere(const CNARecordValue* pclValue, int n);
    // Replaces row n (below the row count); false when it could not (the row unchanged).
    int Update(int n, const CNARecordValue* pclValue);
    // Fills the value with row n: false for a row out of range, without a stored record or whose
    // record is not of the value's layout.
    int bGetAt(CNARecordValue* pclValue, int n);
    int bGetAt(CNARecordValue* pclValue, const CNARecordId* pclId);
    // The row of an identity (or of the value's), -1 when absent or of another kind.
    int nGetRecordIndice(const CNARecordId* pclId);
    int nGetRecordIndice(const CNARecordValue* pclValue);
    int nGetNbRecord() const { return m_tabRecord.nGetNbElement(); }

    // ---- moves and presence
    // The row a move of nCount rows in the direction reaches from nPosition (-1: none); rows
    // marked deleted are stepped over, rows not cached yet count forward.
    long nGetPosition(long nPosition, eNA_PARSEDIRECTION eDirection, long nCount) const;
    int bEndehors(long n) const { return n < 0 || n >= nGetNbRecord(); }
    int bMustFetch(long n) const;
    void SetFetchComplete() {
        if (m_nFlags & FLAG_ACTIVE) m_nFlags |= FLAG_COMPLETE;
    }
    int bRecordInCache(long n) const;
    int bMemoInCache(long n) const;

    // ---- flags
    uint32_t nGetFlags() const { return m_nFlags; }
    int bIsActive() const { return (m_nFlags & FLAG_ACTIVE) != 0; }
    int bIsComplete() const { return (m_nFlags & FLAG_COMPLETE) != 0; }
    void SetActive(int bActive) {
        if (bActive)
            m_nFlags |= FLAG_ACTIVE;
        else
            m_nFlags &= ~FLAG_ACTIVE;
    }

    // ---- states
    eNA_RECORDSTATE eGetRecordState(int n) const;
    void SetRecordState(int n, eNA_RECORDSTATE eState);
    int _bRecordDeleted(int n) const;
    unsigned nGetNbDeleted() const { return m_nDeleted; }

    // ---- comparison
    int bEquals(int n, const CNARecordValue* pclValue, int bWithMemos);
    int bEquals(int n, int m, int bWithMemos);

    // ---- memos
    // Row n's memo table, made empty when missing (null entries padded before it), with a
    // reference; null when it cannot be made.
    CNARecordMemo* _pclGetRecordMemo(int n);
    // A new empty memo table inserted at n, with a reference; null when it cannot be made.
    CNARecordMemo* pclInsertRecordMemo(int n);
    // Row n's memo values copied into the given table, when it holds values and the row has memos.
    void RestaureMemo(int n, CNARecordMemo* pclMemo);

    // ---- writes of other statements
    // Insert (3): at row 0 with bAtFront, else appended (nAjoute); update (2) and delete (4): on
    // the row of the old value's identity (-1 when absent). Answers the row.
    int nOnNotifyOperation(eNAQUERYTYPE eQueryType, const CNARecordValue* pclNew, const CNARecordValue* pclOld,
                           unsigned nFlags, int bAtFront);

    // ---- inspection
    eNA_RECORDIDTYPE eGetRecordIdType() const { return m_eRecordIdType; }
    const CNABufferTable<CNAYFRecord>& clGetRecordTable() const { return m_tabRecord; }
    const CNABufferTable<CNARecordId>& clGetRecordIdTable() const { return m_tabRecordId; }
    const CHashTableBounce& clGetIdentityHash() const { return m_clHash; }
    int nGetNbMemoEntry() const { return m_tabMemo.nGetNbElement(); }
    CNARecordValue* pclGetTemplateNoRef() const { return m_pclTemplate; }

protected:
    // The identity hash: keys are the addresses of serialized identities inside the identity
    // blocks, values row numbers. A row's entry is removed by its exact address, never as the first
    // equal identity, since identical rows of a table without a unique key hash alike.
    class CIdentityHash : public CHashTableBounce {
    public:
        explicit CIdentityHash(unsigned n) : CHashTableBounce(n) {}
        // Room for one more entry, so that the next add cannot fail.
        bool bReserve() { return m_dwFreeHead != 0 || __bGrow(); }
        // Removes the entry stored under that very address; false when there is none.
        bool bDeleteKey(const void* pKey);
        // Every row number at or above nFrom moves by nDelta.
        void Renumber(int nFrom, int nDelta);
    };

    // A new row at n (appended when n is the row count): what _nAjoute and _Insere share.
    int _nInsereRow(const CNARecordValue* pclValue, int n);
    // The row's stored identity leaves the hash (nothing when it has none or was not hashed).
    void _HashDeleteID(int n);
    // What a new row will hold, prepared before anything changes so that a failure leaves the
    // cache as it was.
    struct stROW {
        CTSimpleTable<CNAYFRecord>::stENTRY stRecord = CTSimpleTable<CNAYFRecord>::EmptyEntry();
        CTSimpleTable<CNARecordId>::stENTRY stId = CTSimpleTable<CNARecordId>::EmptyEntry();
        eNA_RECORDIDTYPE eKind = NA_RECORDID_NONE;
        CNARecordMemo* pclMemo = nullptr;          // the row's new memo table, referenced
        CNARecordValue* pclTemplate = nullptr;     // the cache's first template, referenced
        unsigned char* pbyId = nullptr;            // the serialized identity placed, or null
    };
    // The template (on the first value), the record element, the memo copy and the identity
    // element of a new row; the memo table and state are the caller's. False: out of memory,
    // nothing kept.
    bool _bPrepareRow(const CNARecordValue* pclValue, stROW* pst);
    void _AbandonRow(stROW* pst);
    // Stores a prepared row at n (appended when n is the row count); the room was reserved.
    void _CommitRow(const CNARecordValue* pclValue, int n, stROW* pst);
    // Room in every per-row table for one more row at n, and in the hash.
    bool _bReserveRow(int n, bool bMemo);
    // The identity kind the cache has, or the one the value brings to an empty one.
    eNA_RECORDIDTYPE _eKindFor(const CNARecordValue* pclValue) const;
    // The identity the cache stores for a value: the value's own, when it is of the cache's kind.
    const CNARecordId* _pclValueId(const CNARecordValue* pclValue) const;
    bool _bGrowSearchBuffer(unsigned long nSize);
    // Row n's memo table becomes this one (null entries padded before it); the room was reserved.
    void _SetRowMemo(int n, CNARecordMemo* pclMemo);
    // The first value with an identity installs the cache's identity kind and its hash functions.
    void _InstallKind(const CNARecordValue* pclValue, eNA_RECORDIDTYPE eKind);
    CNARecordMemo* _pclRowMemoNoRef(int n) const;
    void _ReportNoMemory(const CNARecordValue* pclValue) const;

    uint32_t m_nFlags = 0;
    CNABufferTable<CNAYFRecord> m_tabRecord;
    CRefArray<CNARecordMemo> m_tabMemo;
    CTTableau<eNA_RECORDSTATE> m_tabState;
    uint32_t m_nDeleted = 0;
    eNA_RECORDIDTYPE m_eRecordIdType = NA_RECORDID_NONE;
    CNABufferTable<CNARecordId> m_tabRecordId;
    CIdentityHash m_clHash;
    unsigned char* m_pbySearch = nullptr;
    unsigned long m_nSearchSize = 0;
    CNARecordValue* m_pclTemplate = nullptr;
};
