// The one empty static name.
#include "core/NomStandardStatique.h"

constinit CNomStandardStatique CNomStandardStatique::ChaineVide(L"", L"");
