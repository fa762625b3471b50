#include "session/OutputProtection.h"

std::optional<OutputProtection> MakeOutputProtection(const OutputChoices& choices, int* errorId)
{
    QString password = choices.password;
    if (choices.protect)
    {
        const bool anyTicked = choices.requireForViewing || choices.requireForPrinting ||
                               choices.requireForAnnotation || choices.requireForFillingForms ||
                               choices.requireForCopying;
        int error = 0;
        if (password.isEmpty() && anyTicked)
            error = 580;
        else if (!password.isEmpty() && !anyTicked)
            error = 581;
        if (error != 0)
        {
            if (errorId)
                *errorId = error;
            return std::nullopt;
        }
    }
    else
    {
        password.clear();
    }

    OutputProtection protection;
    protection.ownerPassword = password;
    protection.userPassword = choices.requireForViewing ? password : QString();
    std::uint32_t bits = 0xFFFFFFFFu;
    if (choices.requireForPrinting)
        bits &= ~(PDF_PERM_PRINT | PDF_PERM_PRINT_HIGH);
    if (choices.requireForCopying)
        bits &= ~(PDF_PERM_COPY | PDF_PERM_EXTRACT_ACCESSIBILITY);
    if (choices.requireForAnnotation)
        bits &= ~PDF_PERM_ANNOTATE;
    if (choices.requireForFillingForms)
        bits &= ~PDF_PERM_FILL_FORMS;
    protection.permissions = bits;
    return protection;
}
