#pragma once
// The words for a document that could not be opened: the unreadable-source
// message naming the file, with the reason on a second line.
#include "engine/OpenStatus.h"

#include <QString>

// The reason alone, one sentence ("The file is damaged or is not a PDF
// document."); empty for a cancelled prompt and for error None.
QString OpenFailureReason(const OpenStatus& status);

// The whole message for the user: "Could not open file '<path>' for
// reading" and the reason, or for too few pages the single-page message.
// Empty when there is nothing to tell (a cancelled prompt).
QString OpenFailureMessage(const QString& path, const OpenStatus& status);
