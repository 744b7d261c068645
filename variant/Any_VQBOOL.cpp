// CAny_VQBOOL: the 32-bit boolean set from up to four bytes.
#include "variant/Any_VQBOOL.h"

void CAny_VQBOOL::SetValue(const void* p, unsigned long n) {
    memset(m_abyValeur, 0, TAILLE);
    if (p != nullptr) memcpy(m_abyValeur, p, n < TAILLE ? n : TAILLE);
}
