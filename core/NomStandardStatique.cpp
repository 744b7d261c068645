// The one empty static name.
#include "core/NomStandardStatique.h"

CNomStandardStatique CNomStandardStatique::ChaineVide(L"", L"");
