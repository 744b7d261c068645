// sGetRES: the installer's message of an id formatted with its arguments, handed back as a text
// (the installer writes its reports from these).
#pragma once

#include "core/TString.h"

// The message nId of the installer's module with its numbered inserts filled from the arguments
// that follow; an empty text when the message does not exist.
CTString sGetRES(unsigned int nId, ...);
