// CAny_VQCompteur<CODE>: the value classes that hold one reference on a reference-counted object of
// the library's kind (CKXUnknown: the count right after the class pointer, dwRelease as the third
// operation): the image memo (30), the carrier (50) and the font (65). A copy shares the object and
// carries the NULL and 0x400 flags.
#pragma once

#include "core/KXUnknown.h"
#include "variant/Any_VQReference.h"

// How a value takes and gives back its reference on a counted object.
struct STLienCompteur {
    static constexpr int COPIE_DRAPEAUX = 1;
    static void s_AddRef(CKXUnknown* pcl) { pcl->AddRef(); }
    static void s_Release(CKXUnknown* pcl) { pcl->dwRelease(); }
};

template <unsigned short CODE>
using CAny_VQCompteur = CAny_VQReference<CODE, CKXUnknown, STLienCompteur>;

using CAny_VQMEMOIMG = CAny_VQCompteur<VQTYPE_MEMOIMG>;
using CAny_VQCONVOYEUR = CAny_VQCompteur<VQTYPE_CONVOYEUR>;
using CAny_VQPOLICE = CAny_VQCompteur<VQTYPE_POLICE>;
