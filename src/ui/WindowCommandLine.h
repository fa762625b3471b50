#pragma once
// The window program's command line: "parcelo [FILE.pdf]", with --help and
// --version. Help and version are recognised before the application object
// exists, so they work without a display.
#include <QString>
#include <QStringList>

#include <iosfwd>

struct WindowCommandLine
{
    enum class Action
    {
        OpenWindow,  // start the window (and open `file` when not empty)
        ShowHelp,
        ShowVersion,
        Refuse,      // a wrong command line: `error` says why
    };
    Action action = Action::OpenWindow;
    QString file;  // absolute path of the document to open, or empty
    QString error;
};

// Reads the arguments (the program name first). The toolkit's own options
// (-platform NAME, -style NAME, -reverse, ...) are accepted and ignored, so
// the raw arguments can be read before the application object exists:
// help, version and refusals then need no window and no display.
WindowCommandLine ReadWindowCommandLine(const QStringList& arguments);

// What `--help` and `--version` print, in the user's language.
QString WindowHelpText();
QString WindowVersionText();

// Prints the help, the version or the refusal of a command line that does
// not start the window; returns the exit status (0, or 2 for a refusal).
int PrintWindowCommandLineText(const WindowCommandLine& commandLine, std::ostream& out, std::ostream& err);
