// The data access's answers to the SQL of writes (see WriteServices.h).
#include "native/sql/WriteServices.h"

#include "core/TString.h"

bool NA_bDataAccessSourceIsQueryOnMultipleTables(const CNADataAccess*) {
    return false;
}

void NA_GetDataAccessDBSourceName(CNADataAccess*, INAItemDescription*, CTString* pclOut, int) {
    pclOut->Vide();
}
