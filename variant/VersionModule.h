// Comparison of two module version texts ("20.0.5.0" against "20.0.12.0") in which the numbers
// compare by value and not character by character: a thin entry over the string library's natural
// order with lexical comparison of the separators.
#pragma once

// Negative when a is the lower version, 0 when equal, positive when higher; a text that ends first
// is the lower one ("20.1" below "20.1.0"). A null text counts as empty.
int nCompareVersionModule(const wchar_t* pszA, const wchar_t* pszB);
int nCompareVersionModuleA(const char* pszA, const char* pszB);
