// CTabValParser: the host's table of values for the placeholders of an SQL text, handed to the
// SQL-command functions with the text. The host owns it; the driver only reads it through the
// operations below, numbered by position from 0 in the virtual table. Each entry is one value
// with the place of its placeholder in the text (position and length in wide characters) and a
// flag word: bit 0 says the value is the name of a file whose content is the parameter, bit 4
// (with bit 0) that the file is read as 8-bit text rather than as bytes.
#pragma once

class CAny;

class CTabValParser {
public:
    // Flag bits of an entry.
    static constexpr unsigned FLAG_FILE = 0x01;
    static constexpr unsigned FLAG_FILE_TEXT = 0x10;

    // 0: the number of entries.
    virtual int nGetNbValue() const = 0;
    // 1 to 4: entry n (from 0): its value, its placeholder's position and length, its flags.
    virtual const CAny* pclGetValue(int n) const = 0;
    virtual int nGetPosition(int n) const = 0;
    virtual int nGetLength(int n) const = 0;
    virtual unsigned dwGetFlags(int n) const = 0;
    // 5 to 9, places chosen by the driver (native/sql/SQLParserInterfaces.h): the host items a
    // parsed query's text names as values, in text order: their number, then item n's table (or
    // alias) text, its name, and the position and length of its place in the text. A table of
    // plain values has none.
    virtual int nGetNbRubrique() const { return 0; }
    virtual const wchar_t* pszGetRubriqueTable(int) const { return nullptr; }
    virtual const wchar_t* pszGetRubrique(int) const { return nullptr; }
    virtual int nGetRubriquePosition(int) const { return -1; }
    virtual int nGetRubriqueLength(int) const { return 0; }

protected:
    CTabValParser() = default;
    CTabValParser(const CTabValParser&) = default;
    CTabValParser& operator=(const CTabValParser&) = default;
    // The host deletes its own tables.
    ~CTabValParser() = default;
};
