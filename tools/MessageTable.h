// The message table of a deliverable as the build sees it: read from the plain message files
// (native/driver/messages/*.txt), checked, and packed into the record format the message loaders
// read (core/DLLRes.h). Used by the kxmsgpack build tool, which writes the packed table as a C++
// source, and by its tests.
//
// Message file syntax, one message per entry:
//   # a comment line
//   <id> [usage=<0-3>] "<text>" ["<more text>" ...]
//       "<continuation of the same text on the next lines>"
// Texts are UTF-8 and may use the escapes \n \r \t \" \\ \uXXXX \UXXXXXXXX. They are formats of
// the wide printf dialect ("%s" a wide text, "%S" an 8-bit one, "%u", "%d", "%llu", "%x", "%p",
// "%%" ...): every '%' must start a directive the formatter knows, so that a stray percent sign can
// never consume an argument the caller did not pass. The space flag is refused for the same reason
// ("100% done" would read as "% d").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CMessageTable {
public:
    struct stMessage {
        uint32_t nId;
        uint32_t nUtilisation;
        std::string sText;    // UTF-8
        std::string sOrigin;  // "file:line", for diagnostics
    };

    // Reads one message file's content; appends its messages. False (with errors) on a syntax
    // error; the table is then unusable.
    bool bParse(const std::string& sContent, const std::string& sSourceName);
    bool bParseFile(const std::string& sPath);

    // Checks the whole table: unique ids, record sizes, at most the records the loaders' index holds.
    bool bValidate();

    // The packed table: records sorted by id, texts packed as UTF-8, then the ending zero.
    std::vector<uint8_t> Pack() const;

    // A C++ source that defines `const unsigned char <symbol>[]` holding the packed table.
    std::string sWriteSource(const std::string& sSymbol, const std::vector<std::string>& tabInputs) const;

    const std::vector<stMessage>& GetMessages() const { return m_tabMessages; }
    const std::vector<std::string>& GetErrors() const { return m_tabErrors; }

    // True when every '%' of the text starts a directive of the wide printf dialect.
    static bool s_bCheckFormat(const std::string& sText, std::string* psError);
    // True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
    static bool s_bValidUTF8(const std::string& sText);

private:
    void _Error(const std::string& sOrigin, const std::string& sWhat);

    std::vector<stMessage> m_tabMessages;
    std::vector<std::string> m_tabErrors;
};
