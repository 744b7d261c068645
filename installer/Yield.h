// The time-slice pair of the library's long loops. On this system a loop gives no time slice
// away: vYield only answers what it was given, and vResetYield stamps the loop's slot.
#pragma once

// Stores the microseconds of the current time of day, plus 500, in *pnSlot.
void vResetYield(unsigned int* pnSlot);

// Does nothing and answers nValeur; the slot and the window are not looked at.
short vYield(unsigned int* pnSlot, short nValeur, void* hFenetre);
