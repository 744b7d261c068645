// A connection description for the model's tests: the PostgreSQL dialect and quotes over the
// stand-in host's description, never opened.
#pragma once

#include "native/driver/NAConnectionDescription.h"
#include "tests/host/StandInConnectionDescription.h"

class CModelTestConnection : public CNAConnectionDescription {
public:
    explicit CModelTestConnection(INAConnectionDescription* piHost)
        : CNAConnectionDescription(L"Connection=model", piHost) {
        m_eDataSource = DATASOURCE_POSTGRESQL;
        m_csOpenQuote.Set(L"\"");
        m_nOpenQuoteLen = 1;
        m_csCloseQuote.Set(L"\"");
        m_nCloseQuoteLen = 1;
        SetDoNotDelete(1);
    }
    int bOpen(CNAError*) override { return 0; }
    int bIsOpen() override { return 0; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}
    // A server type code the connection does not know.
    int bDBTypeUnkwnownByDB(int nNativeType) override { return nNativeType == 9999; }
};
