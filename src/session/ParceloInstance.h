#pragma once
// The application's document instance: a PDFInstance that, after loading,
// makes sure the splicing engine may copy the document's pages, asking for the
// password that grants copying when the document forbids it.
#include "engine/PDFInstance.h"

#include <QString>

class ParceloInstance : public PDFInstance
{
public:
    ParceloInstance() = default;
    ~ParceloInstance() override = default;

    // Loads the document (asking for its opening password with the prompt
    // promptId when needed), then checks the copy permission. False when the
    // file cannot be loaded, the splicing engine cannot open it, or copying
    // is forbidden and the user cancels the copy password prompt.
    bool Open(const QString& path, int promptId) override;

    // Asks the session's user for the password.
    bool AskPassword(int promptId, const QString& fileName) override;
};
