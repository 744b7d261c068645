// A decimal of the emulated host: an exact signed value of at most 38 digits with its scale (the
// number of digits after the point, 0 to 38), held as a 128-bit magnitude. Its 18-byte form: the
// value without its point (value x 10^scale) as a 16-byte little-endian two's-complement integer,
// the scale, then a zero byte. A record slot keeps the first bytes of that form, as many as the
// item's precision needs (1 to 16), so a shorter image is read sign-extended, at the scale of the
// precision given before or after it.
#pragma once

#include <string>
#include <string_view>

#include "host/EmulatedHost.h"
#include "variant/VMInterfaces.h"

namespace standin {

class STANDIN_API CEmulatedDecimal final : public IDecimalVQ {
public:
    static constexpr int MAX_DIGITS = 38;

    unsigned __int128 m_nMagnitude = 0;
    bool m_bNegative = false;
    int m_nScale = 0;
    // Precision last given (total digits, decimals); 0, 0 until one is given.
    int m_nDigits = 0;
    int m_nDecimals = 0;
    // Set from a short image before any precision: the next precision gives the scale.
    bool m_bScalePending = false;

    // "[-+]digits[.digits]" or "[-+].digits", blanks around; false (value unchanged) when it is not
    // a number or needs more than 38 digits.
    bool bSetText(std::wstring_view s);
    // The exact text, with as many decimals as the scale ("-12.50", "0.001", "0").
    std::wstring sText() const;
    void SetInteger(__int128 n);
    // The shortest text that reads back to the double; false for infinities, NaN and values that
    // need more than 38 digits.
    bool bSetDouble(double d);
    double dGetDouble() const;
    // The integer part (toward zero); false when it does not fit 64 bits signed.
    bool bGetInteger(long* pn) const;
    // Rescales to nScale decimals, rounding half away from zero when digits go; false (value
    // unchanged) when the result would need more than 38 digits.
    bool bRescale(int nScale);
    // The order of two values: -1, 0 or 1.
    int nCompare(const CEmulatedDecimal& cl) const;

    void vReserved1() override {}
    void vReserved2() override {}
    void vReserved3() override {}
    void vReserved4() override {}
    void vReserved5() override {}
    int vnFillBuffer(void* pbyBuffer) override;
    int vnSetFromBytes(const void* pbyData, unsigned long nSize) override;
    void vReserved8() override {}
    void vReserved9() override {}
    int vnSetFromDecimal(const IDecimalVQ* piSource) override;
    int vnSetPrecision(int nDigits, int nDecimals) override;
    int vnGetBytes(const unsigned char** ppbyData, unsigned long* pnSize) override;
    int vnWriteKey(unsigned char* pbyKey) override;
    void vReserved14() override {}
    void vReserved15() override {}
    void vReserved16() override {}
    void vReserved17() override {}
    void vReserved18() override {}
    void vReserved19() override {}
    void vReserved20() override {}
    void vReserved21() override {}
    void vReserved22() override {}
    void vReserved23() override {}
    int vnGetSigne() override { return m_bNegative ? 1 : 0; }

private:
    void _MakeForm();
    unsigned char m_abyForm[DECIMALVQ_DATA_SIZE] = {};
};

}  // namespace standin
