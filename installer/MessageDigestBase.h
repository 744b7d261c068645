// CMessageDigestBase: what every digest of the installer shares: the version answers (version 1,
// built by module 39) and the reference count of CKXUnknown behind the interface's Release and
// AddRef. A digest class derives from it and supplies the data operations.
#pragma once

#include <cstdint>

#include "core/KXUnknown.h"
#include "installer/MessageDigest.h"

class CMessageDigestBase : public IMessageDigest, public CKXUnknown {
public:
    CMessageDigestBase() = default;
    ~CMessageDigestBase() override {}

    int nGetVersion() override { return 1; }
    int nGetCompatSince() override { return 1; }
    int nGetDllNum() override { return 39; }

    // The holder of the last reference destroys the digest.
    uint32_t Release() override { return dwRelease(); }
    void AddRef() override { CKXUnknown::AddRef(); }
    void* pQueryProxy() override { return nullptr; }

    int bHasKey() override { return 0; }
    void SetKey(const void*, uint32_t) override {}
};
