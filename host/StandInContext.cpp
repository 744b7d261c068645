// The stand-in host's execution context.
#include "host/StandInContext.h"

#include <atomic>

namespace standin {
namespace {
// Ids of fresh contexts: the data ids and context ids of two contexts never meet either.
std::atomic<unsigned long> g_nNextId{1000};
}  // namespace

CStandInContext::CStandInContext() : m_nDataId(g_nNextId++), m_nContextId(g_nNextId++) {}
CStandInContext::CStandInContext(unsigned long nDataId, unsigned long nContextId)
    : m_nDataId(nDataId), m_nContextId(nContextId) {}
CStandInContext::~CStandInContext() = default;

int CStandInContext::nGetVersion() { return 1; }
int CStandInContext::nGetCompatSince() { return 1; }
void CStandInContext::vReserved5() {}
void CStandInContext::vReserved6() {}
unsigned long CStandInContext::nGetDataId() { return m_nDataId; }
unsigned long CStandInContext::nGetContextId() { return m_nContextId; }

}  // namespace standin
