#pragma once
// The progress line of the headless splitter's long steps (the size
// measurement and the writing of the files): what the step reports is shown
// on the console's progress line. The splitter cannot be cancelled from
// inside; an interrupt ends it (see BatchInterrupt).
#include "session/BatchConsole.h"
#include "session/LongWork.h"

class ConsoleProgress : public LongWorkProgress
{
public:
    explicit ConsoleProgress(BatchConsole& console) : m_console(console) {}

    void SetRange(qint64) override {}
    void SetStep(const QString& text, qint64) override { m_console.Progress(text); }
    bool StopRequested() const override { return false; }

private:
    BatchConsole& m_console;
};
