// PENDING (item model): the language type of an item type, until the item model's table is on the
// branch. Removed when it lands.
#include <cstdint>

enum eNA_ITEMTYPE : uint32_t;

unsigned short ConverteItemToVQType(eNA_ITEMTYPE eType, int) {
    static const unsigned short s_anTypes[32] = {0,  9,  19, 7, 6,  8,  11, 12, 0, 3,  128, 129, 2,  12, 128, 19,
                                                 28, 10, 28, 9, 5,  19, 4,  28, 26, 27, 17,  1,   8,  16, 16,  13};
    uint32_t n = static_cast<uint32_t>(eType);
    return n < 32 ? s_anTypes[n] : 0;
}
