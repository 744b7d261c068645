// Positions in the host's interfaces that nothing the host publishes gives: this library's own
// assumption about objects built outside it. Every operation the library calls at such a position
// is named here, and the tests of this header pin each one (tests/variant/HostAssumptions_test.cpp),
// so that the day the host's real interfaces are known this is the one place to set right. Only
// the keys of decimal values and the collated keys of Unicode text take these roads; the driver's
// own keys (options 0x2800) never do.
#pragma once

// ----------------------------------------------------------------------------- decimal objects
// The host's decimal object, IDecimalVQ (variant/VMInterfaces.h), operations counted from 1 as the
// host counts them. The value classes call positions the host is known to have (6 the 18-byte form,
// 7 set from bytes and their count, 10 copy of another decimal, 24 the sign). The keys of decimal
// values need three more, assumed to follow position 10:
constexpr int DECIMALVQ_POS_SET_PRECISION = 11;  // take (total digits, decimals)
constexpr int DECIMALVQ_POS_GET_BYTES = 12;      // the byte image of the value and its size
constexpr int DECIMALVQ_POS_WRITE_KEY = 13;      // write the 32-byte sortable key

// The value factory with which a key makes a decimal for (digits, decimals) is assumed to be the
// decimal factory that binding the conversion obtains ("pQueryProxy" for 102, IDecimalFactoryVQ):
// its first operation makes a decimal (called with null), its second releases one; the precision
// is then given at DECIMALVQ_POS_SET_PRECISION.
constexpr int DECIMALFACTORYVQ_POS_NEW = 1;
constexpr int DECIMALFACTORYVQ_POS_RELEASE = 2;

// ----------------------------------------------------------------------------- the key engine
// The host's engine interface IYFForNA, handed to the driver object, which publishes it to the keys
// (CNADriverYF, variant/NADriverYF.h). Asked for a converter that writes collated Unicode keys; the
// whole of both interfaces is assumed.

// Writes collated keys of Unicode text.
class IYFUnicodeConverter {
public:
    // Writes the key of nDataSize bytes of text (UTF-16 units, or 32-bit wide characters when
    // bWide) into nKeySize bytes; b40 is the caller's option 0x40. Answers the UTF-16 units written.
    virtual int vnConvertKey(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize, int b40,
                             int bWide) = 0;

protected:
    ~IYFUnicodeConverter() = default;
};
constexpr int YFUNICODECONVERTER_POS_CONVERT_KEY = 1;

class IYFForNA {
public:
    // The converter for one kind of collation: b80 is option 0x80 together with 1 or 2, b20 option
    // 0x20; null when the engine has none.
    virtual IYFUnicodeConverter* vpiGetUnicodeConverter(int b80, int b20, unsigned long nDataSize,
                                                        unsigned short nOptions, int bWide) = 0;

protected:
    ~IYFForNA() = default;
};
constexpr int YFFORNA_POS_GET_UNICODE_CONVERTER = 1;
