// Helpers of the statement layer's tests: a value converter holding raw bytes (a server row
// identifier), serialized identities written by hand from their documented layouts, and the
// references the tests hold.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "native/model/NAConvertVariant.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "tests/model/ModelTestSupport.h"

// A converter of a binary value holding the bytes given (count 0: the first holder references it).
inline CNAConvertVariant* pclBytesVariant(CNAError* pclError, const std::string& s) {
    auto* pcl = new CNAConvertVariant(pclError, nullptr);
    pcl->InitTypeVariantAny(VQTYPE_BIN, 0);
    pcl->bSetValue(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    return pcl;
}

// A converter of an 8-bit text value (count 0), as a text memo holds one.
inline CNAConvertVariant* pclTextVariant(CNAError* pclError, const std::string& s) {
    auto* pcl = new CNAConvertVariant(pclError, nullptr);
    pcl->InitTypeVariantAny(VQTYPE_DSTRA, 0);
    CAny cl;
    SetDSTRA(&cl, s.c_str());
    pcl->bSetValue(&cl);
    return pcl;
}

// A record-values identity as serialized: hash, byte count, address of the bytes, memo address.
inline std::vector<unsigned char> SerializedRecordValues(const std::vector<unsigned char>& vRecord,
                                                         uint32_t dwHash = 0) {
    std::vector<unsigned char> v(28);
    const uint64_t n = vRecord.size();
    const uint64_t nAddress = reinterpret_cast<uintptr_t>(vRecord.data());
    const uint64_t nMemo = 0;
    memcpy(&v[0], &dwHash, 4);
    memcpy(&v[4], &n, 8);
    memcpy(&v[12], &nAddress, 8);
    memcpy(&v[20], &nMemo, 8);
    return v;
}

// A row-id identity as serialized: checksum, byte count, the bytes.
inline std::vector<unsigned char> SerializedRowId(const std::string& s, uint32_t dwHash = 0) {
    std::vector<unsigned char> v(8 + s.size());
    const uint32_t n = static_cast<uint32_t>(s.size());
    memcpy(&v[0], &dwHash, 4);
    memcpy(&v[4], &n, 4);
    if (!s.empty()) memcpy(&v[8], s.data(), s.size());
    return v;
}

template <typename T>
T tAt(const unsigned char* p, size_t nOffset) {
    T t;
    memcpy(&t, p + nOffset, sizeof(T));
    return t;
}

// Holds one reference on an object of the library and drops it at the end of the scope.
template <typename T>
struct CHeld {
    T* p;
    explicit CHeld(T* pNew) : p(pNew) { p->AddRef(); }
    ~CHeld() {
        if constexpr (std::is_base_of_v<CKXUnknown, T>)
            p->dwRelease();
        else
            p->nRelease();
    }
    CHeld(const CHeld&) = delete;
    CHeld& operator=(const CHeld&) = delete;
    T* operator->() const { return p; }
    T* get() const { return p; }
};

// The bytes a converter holds ("<null>" for a NULL value, "<none>" for a missing converter).
inline std::string sBytes(const CNAConvertVariant* pcl) {
    if (pcl == nullptr) return "<none>";
    if (pcl->bIsNull()) return "<null>";
    const void* p = pcl->pGetData();
    return p != nullptr ? std::string(static_cast<const char*>(p), pcl->nGetUtilDataSize()) : std::string();
}

// A record image of n bytes (one item, a one-byte flag field) holding the bytes given.
inline CNAYFRecord* pclImage(const std::string& s) {
    std::vector<unsigned char> v(12 + s.size());
    const uint32_t adw[3] = {static_cast<uint32_t>(s.size()), 1, 1};
    memcpy(v.data(), adw, 12);
    memcpy(v.data() + 12, s.data(), s.size());
    auto* pcl = new CNAYFRecord;
    pcl->Deserialize(v.data(), static_cast<unsigned>(v.size()));
    return pcl;
}
inline std::string sImage(const CNAYFRecord* pcl) {
    if (pcl == nullptr) return "<none>";
    return std::string(reinterpret_cast<const char*>(pcl->pbyGetBuffer()), pcl->nGetBufferSize());
}
