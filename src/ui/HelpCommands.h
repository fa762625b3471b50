#pragma once
// The help menu's web pages. Each address has a built-in default and can be
// replaced by an environment variable (for a deployment or a test):
//   PARCELO_HELP_URL    the product's online help page
//   PARCELO_HOME_URL    the maker's home page
//   PARCELO_TABULO_URL  the sibling product's page
#include <QString>
#include <QUrl>
#include <functional>

enum class HelpPage
{
    OnlineHelp, // "Parcelo Online &Help..."
    HomePage,   // the maker's web address
    TryTabulo,  // "Try &Tabulo"
};

// The address opened for the page (the environment value when set).
QString HelpPageAddress(HelpPage page);

// Opens an address in the user's default browser. The result is not checked
// by the help commands. Only http and https addresses are opened.
bool OpenWebAddress(const QString& address);

// Replaces how addresses are opened (tests record them); an empty opener
// restores the browser. Returns the previous opener.
using UrlOpener = std::function<bool(const QUrl&)>;
UrlOpener SetUrlOpener(UrlOpener opener);

// The help menu command for the page: opens its address.
void RunHelpCommand(HelpPage page);
