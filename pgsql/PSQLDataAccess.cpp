// The PostgreSQL data access.
#include "pgsql/PSQLDataAccess.h"

int CPSQLDataAccess::bNbEnrNeedParse(int* pbNeeded, const wchar_t* pszItem) {
    if (bSourceIsQuery()) return CNADataAccess::bNbEnrNeedParse(pbNeeded, pszItem);
    if (pbNeeded != nullptr) *pbNeeded = 0;
    return 1;
}
