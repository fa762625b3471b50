#pragma once
// The program's version numbers, its copyright text, and the reader of
// machine-wide settings.
#include <QString>
#include <QMap>
#include <cstdint>
#include <memory>

struct ModuleVersion
{
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;

    friend bool operator==(const ModuleVersion&, const ModuleVersion&) = default;
};

// 1 -> "major", 2 -> "major.minor", 3 -> "major.minor.build", any other
// number -> all four parts.
QString FormatVersion(const ModuleVersion& version, int components);

// "a.b.c.d" (at least three dots; extra parts ignored). Each part is read
// like wcstoul (leading spaces skipped, stops at the first non-digit, no
// digits -> 0) and cut to 16 bits. False when there are fewer than 3 dots.
bool ParseVersion(const QString& text, ModuleVersion& version);

// A module's version information: its file and product versions and its
// string tables, keyed by translation ("040904b0") and value name.
struct VersionBlock
{
    ModuleVersion fileVersion;
    ModuleVersion productVersion;
    QMap<QString, QMap<QString, QString>> strings;
};

// Loads a version block, replacing (and first freeing) the caller's block.
// An empty path gives the program's own version (from the build). With a
// path, the file is read as a version description in INI form:
//   FileVersion=1.2.3.4
//   ProductVersion=1.2.3.4
//   [040904b0]
//   LegalCopyright=...
// An empty file, one above 1 MiB, or an unreadable one gives false.
bool LoadVersionBlock(const QString& path, std::unique_ptr<VersionBlock>& block);

// The "LegalCopyright" text of the "040904b0" string table, cut at its
// first zero character. False when there is no block or no such value.
bool GetLegalCopyright(const VersionBlock* block, QString& copyright);

// The program's own copyright text, e.g. "Copyright (C) 2026 Talvane".
QString ProgramCopyright();

// Reads a machine-wide string value. keyPath is
// "Software\<Organisation>\<Application>[\<Group>...]" ("/" also
// separates); the value is read from
// QSettings(QSettings::SystemScope, Organisation, Application). For tests
// and packaging the machine-wide settings can be redirected: when the
// environment variable PARCELO_SYSTEM_SETTINGS_DIR is set, the file
// "<dir>/<Organisation>/<Application>.conf" (INI format) is read instead.
// Fails (text empty) for a missing key or value and for a value that is
// not a single string (a number, a list, binary data). extraAccess is
// accepted for callers and has no meaning here.
bool ReadMachineString(unsigned extraAccess, const QString& keyPath, const QString& valueName,
                       QString& text);
