#pragma once
// How the files of one save are protected: the passwords and the permission
// bits that become the splicing layer's encryption arguments.
#include <QString>
#include <cstdint>
#include <optional>

struct OutputProtection
{
    QString ownerPassword;
    QString userPassword;
    std::uint32_t permissions = 0xFFFFFFFFu;

    // Whether the files are encrypted at all.
    bool IsProtected() const { return !ownerPassword.isEmpty() || !userPassword.isEmpty(); }
};

// PDF standard security handler permission bits cleared by the choices.
enum : std::uint32_t
{
    PDF_PERM_PRINT = 0x4,
    PDF_PERM_MODIFY = 0x8,
    PDF_PERM_COPY = 0x10,
    PDF_PERM_ANNOTATE = 0x20,
    PDF_PERM_FILL_FORMS = 0x100,
    PDF_PERM_EXTRACT_ACCESSIBILITY = 0x200,
    PDF_PERM_ASSEMBLE = 0x400,
    PDF_PERM_PRINT_HIGH = 0x800,
};

// What the user chose: protect or not, the one password, and what it guards.
struct OutputChoices
{
    bool protect = false;
    QString password;
    bool requireForViewing = false;
    bool requireForPrinting = false;
    bool requireForCopying = false;
    bool requireForAnnotation = false;
    bool requireForFillingForms = false;
};

// Turns the choices into encryption arguments. No value when the choices
// contradict each other: the number of the message that says why is then in
// *errorId (a password guarding nothing, or guarded actions without one).
std::optional<OutputProtection> MakeOutputProtection(const OutputChoices& choices, int* errorId);
