// STManipAUB: the view of a variant's text or binary content (a shared wide string, a shared 8-bit
// string or a byte string) that lets readers take the content without knowing the variant's type.
// The variant layer fills it; the accessors here read it.
#pragma once

#include <cstddef>
#include <cstdint>

// Type codes of the content.
constexpr uint16_t MANIPAUB_TYPE_STRINGW = 16;
constexpr uint16_t MANIPAUB_TYPE_STRINGA = 19;
constexpr uint16_t MANIPAUB_TYPE_BINAIRE = 28;

struct STManipAUB {
    const void* pContenu;  // first unit of a shared wide or 8-bit string or of a byte string; null = empty
    uint16_t nType;        // MANIPAUB_TYPE_*
    uint64_t nReserve;     // set to 0 by the variant layer

    // The text, or the matching empty text when the content is null.
    const char* pszGetStringA() const;
    const wchar_t* pszGetStringW() const;
    // The content and its size in bytes, terminator included (8-bit: length + 1; wide: length + 4;
    // binary: length). Another type code gives size 0 and CBaseStrMem::ChaineVide.
    const unsigned char* pbyGetContenu(unsigned long& nTaille) const;
    // The same without terminators.
    const unsigned char* pbyGetContenuUtile(unsigned long& nTaille) const;
    // Characters (wide: length / 4; 8-bit and binary: length); 0 for another type code.
    int nGetLongueur() const;
    // Bytes in use; 0 for another type code.
    int nGetTailleUtile() const;
};

// The variant layer fills the view in this layout: content pointer, type code, then a cleared 8-byte field.
static_assert(offsetof(STManipAUB, pContenu) == 0);
static_assert(offsetof(STManipAUB, nType) == 8);
static_assert(offsetof(STManipAUB, nReserve) == 16);
static_assert(sizeof(STManipAUB) == 24);
