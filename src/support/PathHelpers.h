#pragma once
// File-name and path helpers. "/" separates path components; "\" is an
// ordinary character in a file name.
// Only CreateDirectoryPath, EnsureParentDirectory and
// OruFileTagReplacer::LoadFile touch the file system.
#include <QString>

// folder + name. Empty folder -> name; empty name -> folder. With
// keepAbsolute, a name that is already absolute (starting with "/") is
// returned unchanged.
QString JoinPath(const QString& folder, const QString& name, bool keepAbsolute = false);

// Splits at the last "/" (a file under the root folder has the folder "/").
// False (outputs left unchanged) when there is no separator or it is the last
// character.
bool SplitPath(const QString& path, QString& folder, QString& name);

// The last component of a path: the text after its last "/", the whole text
// when it has none.
QString LastPathComponent(const QString& path);

// Extension after the last "." of the last path component, without the dot;
// empty when there is none. StripExtension: the text before that dot.
QString GetExtension(const QString& name);
QString StripExtension(const QString& name);

// Whether name is acceptable as a single output file name (no folder):
// not empty, under 256 characters and at most kMaxFileNameBytes bytes in the
// file system's encoding (UTF-8), no control character (NUL included) or any
// of " * / : < > ? \ |, not only dots ("." and ".." included), and not a
// reserved device name (aux, con, nul, prn, com1, lpt1, clock$, any case,
// with or without extension).
bool IsValidFileName(const QString& name);

// The longest file name Linux file systems store, in bytes.
constexpr qsizetype kMaxFileNameBytes = 255;
// Whether a name takes more bytes than a file system stores for one name.
bool IsFileNameTooLong(const QString& name);
// The longest start of text whose encoded form (UTF-8) fits in maxBytes,
// never cutting a character in two.
QString TruncateToEncodedBytes(const QString& text, qsizetype maxBytes);

// The form in which two file names are compared when they must not name the
// same file on any drive: canonically decomposed and case folded with the
// full Unicode mappings, so "Report.pdf", "REPORT.PDF" and "report.pdf" agree,
// as do "Straße" and "STRASSE", and "é" typed as one character or as "e" plus
// an accent. Case-insensitive drives (FAT and exFAT USB sticks, SMB shares)
// and file systems that fold names would store such names as one file.
QString FileNameIdentity(const QString& name);

// Creates the missing folders of a folder path from left to right (one level
// at a time, never through an existing file). True when the whole path
// exists as folders afterwards.
bool CreateDirectoryPath(const QString& folderPath);
// Creates the missing folders above a file path. True when there is no
// folder part.
bool EnsureParentDirectory(const QString& filePath);

// A text template loaded from a file, with tags replaced in it.
class OruFileTagReplacer
{
public:
    OruFileTagReplacer() = default;
    virtual ~OruFileTagReplacer() = default;

    // Loads a text file (local 8-bit text, CR LF read as LF) into
    // templateText and text. False, with both texts unchanged, when the file
    // cannot be opened or read to its end.
    bool LoadFile(const QString& path);
    // Replaces every occurrence of tag in text by value, left to right,
    // never re-scanning inserted text. An empty tag changes nothing.
    void ReplaceTag(const QString& tag, const QString& value);

    QString text;         // working text; tags are replaced in it
    QString templateText; // the text as loaded
};
