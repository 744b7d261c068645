// The emulated command line of the installer: main stores its arguments once, as one wide text in
// the form a Windows program would see (arguments separated by spaces, those holding a space
// quoted), and code written for that form reads it back with GetCommandLine.
#pragma once

// Characters of the store, terminator included.
constexpr int COMMANDLINE_TAILLE = 1025;

// Empties the store and appends every argument (UTF-8) in order, each followed by one space. An
// argument holding a space is quoted: as "name=" then the quoted rest when an '=' comes before the
// first space, else whole. Anything that does not fit the store is cut.
void SetCommandLine(int argc, char** argv);
// The store (an empty text before the first SetCommandLine).
wchar_t* GetCommandLine();
