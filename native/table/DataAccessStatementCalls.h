// What the data access calls of the statement's re-positioning, searches and saved positions
// whose members have no body yet, gathered in one place.
//
// STATEMENT POSITIONS TASK: each function here does what the CNAStatement member its comment names
// does, through the statement's fields (a member of the data access, the statement's friend). When the member
// lands, each body becomes the call it names and this file goes.
#pragma once

#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"

class CNAPosition;

struct CNADataAccess::_StatementCalls {
    // CNAStatement::bCanUpdateParse(): never for a query run as written; over a host query browsed
    // in its own order only when that query has an ORDER BY item; otherwise yes.
    static int bCanUpdateParse(CNAStatement* pclStatement);
    // CNAStatement::AnnuleRechercheUser(): the user search cancelled and, unless the search is an
    // internal one, the search object too.
    static void AnnuleRechercheUser(CNAStatement* pclStatement);
    // CNAStatement::DesactivateRechercheUserAndInternal(): the user search cancelled, the search
    // switched off, the internal-search mark cleared.
    static void DesactivateRechercheUserAndInternal(CNAStatement* pclStatement);
    // CNAStatement::bAddSavedPosition(id, position) (a reference taken) and
    // bRemoveSavedPosition(id) (released; failure when absent).
    static int bAddSavedPosition(CNAStatement* pclStatement, int nId, CNAPosition* pclPosition);
    static int bRemoveSavedPosition(CNAStatement* pclStatement, int nId);
};
