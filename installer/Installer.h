// The installation procedure of pginstaller: read the application server's program directory from
// its configuration file (an absolute path), check that the virtual-machine library lies there (a
// file, not a link), and extract the archive into that directory with the library's owner and mode
// (less its set-user-id and set-group-id bits). Also the one way the installer
// writes on standard error: every text, wide or 8-bit, goes out as UTF-8 bytes, so that the
// reports and the debug lines can share the stream.
#pragma once

#include <cstdint>

class CTString;

// The application server's configuration file and the key that names its program directory.
constexpr const wchar_t* INSTALLER_CONFIGURATION = L"/etc/Orlanto/Tolvek/20.0/Tolvek.conf";
constexpr const wchar_t* INSTALLER_SECTION = L"DEFAULT";
constexpr const wchar_t* INSTALLER_CLE_BINPATH = L"BINPATH";
// The library whose presence marks the program directory and whose owner and mode the files take.
constexpr const wchar_t* INSTALLER_BIBLIOTHEQUE = L"kx200vm64.so";
// The archive beside the executable: base name, the extension "zip" being added.
constexpr const wchar_t* INSTALLER_ARCHIVE = L"postgresql_install";
// Characters of the program directory read from the configuration, terminator included.
constexpr unsigned INSTALLER_TAILLE_BINPATH = 261;

// Writes the text to standard error as UTF-8, unchanged (no format directive is expanded).
void INSTALLER_EcritErreur(const wchar_t* pszTexte);
void INSTALLER_EcritErreurA(const char* pszTexte);
// Writes message nId of the installer's table, unchanged, followed by two line feeds.
void INSTALLER_EcritMessage(uint32_t nId);
// The text with each control character (C0, DEL, C1) written as "\x" and two hexadecimal digits:
// names printed in a report come from the archive or the configuration, and must not act on the
// terminal that shows them.
void INSTALLER_EchappeControles(const wchar_t* pszTexte, CTString& clResultat);

// The installation with the fixed configuration file and the archive beside the executable.
bool bDoInstall();
// The same from the given configuration file; the archive at pszArchive, or beside the executable
// when it is null.
bool bDoInstallFrom(const wchar_t* pszConfiguration, const wchar_t* pszArchive);
