#pragma once
// Why a document could not be opened. The engine layer only classifies; the
// command that opened the document words the message.

enum class OpenError
{
    None,
    Cancelled,             // the user declined a password prompt
    Unreadable,            // the file cannot be read: systemError says why
    Damaged,               // not a PDF, or too damaged to be read
    WrongPassword,         // the password given does not open the document
    UnsupportedEncryption, // encrypted by a method that cannot be read
    PageTree,              // its list of pages cannot be walked (a loop)
    CopyNotWritten,        // a repaired copy for viewing could not be written: systemError says why
    TooFewPages,           // the session refuses it: fewer than two pages
};

struct OpenStatus
{
    OpenError error = OpenError::None;
    int systemError = 0; // the system's error number, when one is known
};
