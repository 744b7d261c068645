// The host engine interface IYFForNA, as far as the sortable keys use it: asked for a converter
// that writes collated Unicode keys. The host hands the interface to the driver object
// (CNADriver::bSetYF); the keys read it from the process's driver object (CNADriver::s_piGetYF).
//
// The engine is outside this system and the positions of these operations in its real interface
// are not known here: the two interfaces below are this library's own assumption about the host,
// used only for collated keys, which the driver's own callers never ask for (they pass 0x2800).
#pragma once

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

class IYFForNA {
public:
    // The converter for one kind of collation: b80 is option 0x80 together with 1 or 2, b20 option
    // 0x20; null when the engine has none.
    virtual IYFUnicodeConverter* vpiGetUnicodeConverter(int b80, int b20, unsigned long nDataSize,
                                                        unsigned short nOptions, int bWide) = 0;

protected:
    ~IYFForNA() = default;
};
