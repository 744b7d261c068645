// IMessageDigest: the interface of a message digest (the archive code keeps the MD5 of an entry's
// password through it). A digest takes data in any number of pieces, then writes its fixed-size
// result and starts over. bDigestFile is written once here, on the interface, for every digest.
#pragma once

#include <cstdint>

#include "installer/StdVersion.h"

class CXError;

class IMessageDigest : public IStdVersion {
public:
    virtual ~IMessageDigest() {}                                    // 6, 7
    virtual uint32_t Release() = 0;                                 // 8
    virtual void AddRef() = 0;                                      // 9
    virtual void* pQueryProxy() = 0;                                // 10
    virtual void AddData(const void* pData, uint32_t nLength) = 0;  // 11
    // Writes dwGetDigestSize() bytes and resets the digest.
    virtual void FinalDigest(unsigned char* pbyDigest) = 0;       // 12
    virtual void Reset() = 0;                                     // 13
    virtual uint32_t dwGetBlockSize() = 0;                        // 14
    virtual uint32_t dwGetDigestSize() = 0;                       // 15
    virtual int bHasKey() = 0;                                    // 16
    virtual void SetKey(const void* pKey, uint32_t nLength) = 0;  // 17

    // Digest of a whole file's bytes into pbyDigest (dwGetDigestSize() bytes). False when the file
    // cannot be opened or a read fails; the file's error is then copied into pclError (level 2).
    int bDigestFile(const wchar_t* pszPath, unsigned char* pbyDigest, CXError* pclError);
};
