// INATable: the table object as the host holds it after the driver object handed it out. The host
// calls every operation by its position in the virtual table, so the order below, reserved entries
// included, is binary interface: entries 0 to 4 (slots 2 to 6) are the INAVersion head, the last
// one is EmptySlot594 (entry 78, slot 80). There is no virtual destructor: the class that
// implements the interface adds its own entries, destructors included, after entry 78.
//
// Every record operation names the calling host context first. Items are wide texts; boolean
// results are integers, 0 for a failure whose details the host then reads from piGetLastError.
#pragma once

#include <cstdint>

#include "native/driver/INAConnectionDescription.h"
#include "native/driver/INAVersion.h"
#include "native/sql/NABrowseTypes.h"

class CAny;
class CNAYFRecord;
class IGaugeControl;
class INAContext;
class INADataSourceDescription;
class INAError;
class ISQLParserInformation;
enum _eNA_HMODE : uint32_t;

// The host's words for the operation that follows a browse and for the precision of a per-mille
// position; the table passes them on unchanged.
enum eNA_OPERATION : int32_t {};
enum eNA_PRECISION : int32_t {};

class INATable : public INAVersion {
public:
    // 5 to 9: references, the last error, the open state, the description.
    virtual void ExternalAddRef() = 0;
    virtual int nExternalRelease() = 0;
    virtual INAError* piGetLastError(INAContext* piContext) = 0;
    virtual int bIsOpened(INAContext* piContext) = 0;
    virtual INADataSourceDescription* piGetDataSourceDescription() = 0;
    // 10 to 17: counts, memory, reindexing, opening, creation, lock mode, closing.
    virtual int bNbEnrNeedParse(INAContext* piContext, int* pbNeeded, const wchar_t* pszItem) = 0;
    virtual void FreeMemory(INAContext* piContext, void** ppMemory) = 0;
    virtual int bHReindexe(INAContext* piContext, unsigned nFlags, IGaugeControl* piGauge) = 0;
    virtual int bHCreationSiInexistant(INAContext* piContext, eNA_ACCESS eAccess, const wchar_t* pszPassword) = 0;
    virtual int bHCreation(INAContext* piContext, const wchar_t* pszPassword) = 0;
    virtual int bHOuvre(INAContext* piContext, eNA_ACCESS eAccess, const wchar_t* pszPassword) = 0;
    virtual int bHMode(INAContext* piContext, _eNA_HMODE eMode) = 0;
    virtual int bHFerme(INAContext* piContext) = 0;
    // 18 to 24: writes, seek, release.
    virtual int bHAjoute(INAContext* piContext, unsigned nFlags, eNA_LOCKTYPE eLock) = 0;
    virtual int bHEcrit(INAContext* piContext, long nRecord, unsigned nFlags, eNA_LOCKTYPE eLock) = 0;
    virtual int bHRaye(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock) = 0;
    virtual int bHSupprime(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock) = 0;
    virtual int bHModifie(INAContext* piContext, long nRecord, unsigned nFlags, eNA_LOCKTYPE eLock) = 0;
    virtual int bHRecherche(INAContext* piContext, const wchar_t* pszItem, const CAny* pclValue, int nSearchMode,
                            int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, int bForward,
                            unsigned nFlags) = 0;
    virtual int bHLibere(INAContext* piContext) = 0;
    // 25 to 31: reads and locks.
    virtual int bHLit(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) = 0;
    virtual int bHLitxxx(INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                         int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, unsigned nFlags) = 0;
    virtual int bSkipRecord(INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount,
                            int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, unsigned nFlags) = 0;
    virtual int bHBloqueFichier(INAContext* piContext, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) = 0;
    virtual int bHDebloqueFichier(INAContext* piContext) = 0;
    virtual int bHBloqueNumEnr(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) = 0;
    virtual int bHDebloqueNumEnr(INAContext* piContext, long nRecord) = 0;
    // 32 to 36: the browse's state, the next operation, record numbers.
    virtual int bHEnDehors(INAContext* piContext, const wchar_t* pszItem, int* pbOut) = 0;
    virtual int bEvalHTrouve(INAContext* piContext, const wchar_t* pszItem, int* pbFound, int* pbInside) = 0;
    virtual int bSetNextOperation(INAContext* piContext, eNA_OPERATION eOperation) = 0;
    virtual int64_t llGetRecNum(INAContext* piContext) = 0;
    virtual int bGetRecNumState(INAContext* piContext, long nRecord, unsigned* pnState) = 0;
    // 37 and 38: the filters, the condition form first.
    virtual int bHFiltre(INAContext* piContext, ISQLParserInformation* piCondition, wchar_t* pszItem) = 0;
    virtual int bHFiltre(INAContext* piContext, const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded,
                         const CAny* pclMax, int bMaxIncluded, ISQLParserInformation* piCondition) = 0;
    // 39 to 47: filters on and off, positions, version, counts, per-mille places.
    virtual int bHActiveFiltre(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) = 0;
    virtual int bHDesactiveFiltre(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) = 0;
    virtual int bHRetourPosition(INAContext* piContext, int nPosition, wchar_t* pszItem, int bKeep,
                                 unsigned nFlags) = 0;
    virtual int bHLiberePosition(INAContext* piContext, int nPosition) = 0;
    virtual int bHSauvePosition(INAContext* piContext, const wchar_t* pszItem, int* pnPosition, unsigned nFlags) = 0;
    virtual int bHVersion(INAContext* piContext, int* pnVersion) = 0;
    virtual int bHNbEnr(INAContext* piContext, long* pnCount, unsigned nOptions, unsigned nFlags) = 0;
    virtual int bHPositionCourante(INAContext* piContext, const wchar_t* pszItem, int* pnPosition,
                                   eNA_PRECISION ePrecision, unsigned nFlags) = 0;
    virtual int bHPositionne(INAContext* piContext, const wchar_t* pszItem, unsigned nPosition,
                             eNA_PRECISION ePrecision, unsigned nFlags) = 0;
    // 48 to 53: memos and the record image.
    virtual int bGetBLOB(INAContext* piContext, unsigned nItem, CAny* pclValue) = 0;
    virtual int bSetBLOB(INAContext* piContext, unsigned nItem, const CAny* pclValue) = 0;
    virtual int bGetRecord(INAContext* piContext, CNAYFRecord** ppclRecord) = 0;
    virtual int bSetRecord(INAContext* piContext, CNAYFRecord* pclRecord) = 0;
    virtual int bHAttacheMemo(INAContext* piContext, unsigned nItem, const wchar_t* pszFile) = 0;
    virtual int bExtraitMemo(INAContext* piContext, unsigned nItem, const wchar_t* pszFile) = 0;
    // 54 to 64: searches, keys, write bans, caches, positions compared, virtual moves, emptying.
    virtual int bHAnnuleRecherche(INAContext* piContext, const wchar_t* pszItem) = 0;
    virtual int bHChangeCle(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) = 0;
    virtual int bHConstruitValCle(INAContext* piContext, CAny* pclKey, const wchar_t* pszItem, unsigned nFlags,
                                  CAny** ppValues) = 0;
    virtual int bHInterditModif(INAContext* piContext) = 0;
    virtual int bHFinInterditModif(INAContext* piContext) = 0;
    virtual int bCalculateKeyValue(INAContext* piContext, const wchar_t* pszItem, void** ppKey, const void* pValue,
                                   unsigned* pnSize, unsigned short nOptions, int nFlags) = 0;
    virtual int bFreeCache(INAContext* piContext) = 0;
    virtual int bCompareTablePosition(INAContext* piContext, int nFirst, int nSecond, int* pbEqual) = 0;
    virtual int bTableVirtualMoveSupported() = 0;
    virtual int bTableVirtualMove(INAContext* piContext, const wchar_t* pszItem, long* pnCount, unsigned nFlags,
                                  int n) = 0;
    virtual int bSupprimeTout(INAContext* piContext) = 0;
    // 65 to 78: reserved.
    virtual void EmptySlot579() {}
    virtual void EmptySlot580() {}
    virtual void EmptySlot582() {}
    virtual void EmptySlot583() {}
    virtual void EmptySlot584() {}
    virtual void EmptySlot585() {}
    virtual void EmptySlot586() {}
    virtual void EmptySlot587() {}
    virtual void EmptySlot589() {}
    virtual void EmptySlot590() {}
    virtual void EmptySlot591() {}
    virtual void EmptySlot592() {}
    virtual void EmptySlot593() {}
    virtual void EmptySlot594() {}

protected:
    INATable() = default;
    INATable(const INATable&) = default;
    INATable& operator=(const INATable&) = default;
    ~INATable() = default;
};
