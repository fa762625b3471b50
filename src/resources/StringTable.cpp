// Numbered user-visible texts. Views and commands load them by number so the
// same text is used wherever it appears. Every text goes through the
// translation system in the context "StringTable", with its number as the
// disambiguation, so each entry is found by its number even where two
// entries share the same English text.
#include "resources/StringTable.h"

#include <QCoreApplication>

#include <map>

namespace {

struct TableText
{
    const char* source;
    const char* number; // the entry's number as text: its translation key
};

const std::map<int, TableText>& Table()
{
    static const std::map<int, TableText> table = {
        {128, QT_TRANSLATE_NOOP3("StringTable", "Talvane Parcelo", "128")},
        {200, QT_TRANSLATE_NOOP3("StringTable", "%d pgs", "200")},
        {201, QT_TRANSLATE_NOOP3("StringTable", "Choose file to split", "201")},
        {202, QT_TRANSLATE_NOOP3("StringTable", "You can also drag a file", "202")},
        {203, QT_TRANSLATE_NOOP3("StringTable", "from the desktop", "203")},
        {204, QT_TRANSLATE_NOOP3("StringTable", "Open File", "204")},
        {205, QT_TRANSLATE_NOOP3("StringTable", "New Split Section", "205")},
        {206, QT_TRANSLATE_NOOP3("StringTable", "Clear All", "206")},
        {207, QT_TRANSLATE_NOOP3("StringTable", "Save Split", "207")},
        {208, QT_TRANSLATE_NOOP3("StringTable", "Save Split (Ctrl+S)\nSave split section files", "208")},
        {209, QT_TRANSLATE_NOOP3("StringTable", "Open File (Ctrl+O)\nOpen a file to split", "209")},
        {210, QT_TRANSLATE_NOOP3("StringTable", "Create New Split Section (Ctrl+N)\nSeveral types of split available", "210")},
        {211, QT_TRANSLATE_NOOP3("StringTable", "Clear All (Ctrl+X)\nRemove all sections from the split", "211")},
        {212, QT_TRANSLATE_NOOP3("StringTable", "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*||", "212")},
        {213, QT_TRANSLATE_NOOP3("StringTable", "Create a new split section", "213")},
        {214, QT_TRANSLATE_NOOP3("StringTable", "Click to create a split section", "214")},
        {215, QT_TRANSLATE_NOOP3("StringTable", "based on page range, size", "215")},
        {216, QT_TRANSLATE_NOOP3("StringTable", "or page", "216")},
        {217, QT_TRANSLATE_NOOP3("StringTable", "Loading...", "217")},
        {218, QT_TRANSLATE_NOOP3("StringTable", "Enter Password for %s", "218")},
        {219, QT_TRANSLATE_NOOP3("StringTable", "Page: %d", "219")},
        {220, QT_TRANSLATE_NOOP3("StringTable", "Create new split section", "220")},
        {221, QT_TRANSLATE_NOOP3("StringTable", "Split %d. Pages:", "221")},
        {222, QT_TRANSLATE_NOOP3("StringTable", "File Name:", "222")},
        {223, QT_TRANSLATE_NOOP3("StringTable", "Remove the split section", "223")},
        {224, QT_TRANSLATE_NOOP3("StringTable", "Display the section contents", "224")},
        {225, QT_TRANSLATE_NOOP3("StringTable", "Hide the section contents", "225")},
        {226, QT_TRANSLATE_NOOP3("StringTable", "%s-S%d.%s", "226")},
        {227, QT_TRANSLATE_NOOP3("StringTable", "Could not open file '%s' for reading", "227")},
        {228, QT_TRANSLATE_NOOP3("StringTable", "Could not open file '%s' for writing", "228")},
        {229, QT_TRANSLATE_NOOP3("StringTable", "Error while writing to file '%s'", "229")},
        {230, QT_TRANSLATE_NOOP3("StringTable", "Created all files.\nDo you wish to open the folder?", "230")},
        {231, QT_TRANSLATE_NOOP3("StringTable", "Select folder to save the files to", "231")},
        {232, QT_TRANSLATE_NOOP3("StringTable", "Cannot write to file '%s'", "232")},
        {233, QT_TRANSLATE_NOOP3("StringTable", "'%s' already exists.\nPress 'Yes' to overwrite all files.\nPress 'No' to overwrite just this file.\nPress 'Cancel' to cancel the split operation", "233")},
        {234, QT_TRANSLATE_NOOP3("StringTable", "Some individual pages of this document are too big to fit into this max size", "234")},
        {235, QT_TRANSLATE_NOOP3("StringTable", "Remove this page from the split section", "235")},
        {236, QT_TRANSLATE_NOOP3("StringTable", "Parcelo accepts only a single input file", "236")},
        {237, QT_TRANSLATE_NOOP3("StringTable", "Parcelo cannot accept folders", "237")},
        {238, QT_TRANSLATE_NOOP3("StringTable", "File contains only a single page, thus cannot be split", "238")},
        {240, QT_TRANSLATE_NOOP3("StringTable", "P.: %d", "240")},
        {241, QT_TRANSLATE_NOOP3("StringTable", "There is more than one section with the filename %s", "241")},
        {242, QT_TRANSLATE_NOOP3("StringTable", "Enter password for copying permission of file %s", "242")},
        {244, QT_TRANSLATE_NOOP3("StringTable", "Version <version>\n\n<user>\n<company>", "244")},
        {245, QT_TRANSLATE_NOOP3("StringTable", "Click to dismiss", "245")},
        {246, QT_TRANSLATE_NOOP3("StringTable", "<copyright>", "246")},
        {247, QT_TRANSLATE_NOOP3("StringTable", "Parcelo", "247")},
        {249, QT_TRANSLATE_NOOP3("StringTable", "No updates found", "249")},
        {260, QT_TRANSLATE_NOOP3("StringTable", "The file name '%s' cannot be used: it must be a plain file name inside the chosen folder", "260")},
        {261, QT_TRANSLATE_NOOP3("StringTable", "'%s' is the document being split and cannot be overwritten", "261")},
        {262, QT_TRANSLATE_NOOP3("StringTable", "Could not measure the size of the sections: a trial file could not be written", "262")},
        {263, QT_TRANSLATE_NOOP3("StringTable", "The file names '%s' and '%s' differ only in letter case: on many drives (USB sticks, network folders) they would be the same file", "263")},
        {264, QT_TRANSLATE_NOOP3("StringTable", "The file name '%s' is too long: a file name can hold at most 255 bytes", "264")},
        {270, QT_TRANSLATE_NOOP3("StringTable", "Writing file %d of %d", "270")},
        {271, QT_TRANSLATE_NOOP3("StringTable", "Measuring sections: %d of %d pages placed", "271")},
        {272, QT_TRANSLATE_NOOP3("StringTable", "Saving was cancelled: %d of %d files were written", "272")},
        {273, QT_TRANSLATE_NOOP3("StringTable", "Opening %s", "273")},
        {290, QT_TRANSLATE_NOOP3("StringTable", "The file is damaged or is not a PDF document.", "290")},
        {291, QT_TRANSLATE_NOOP3("StringTable", "The file is encrypted in a way that cannot be read.", "291")},
        {292, QT_TRANSLATE_NOOP3("StringTable", "The password is wrong.", "292")},
        {293, QT_TRANSLATE_NOOP3("StringTable", "The list of its pages is damaged and cannot be followed.", "293")},
        {294, QT_TRANSLATE_NOOP3("StringTable", "A repaired copy for viewing could not be written: %s", "294")},
        {580, QT_TRANSLATE_NOOP3("StringTable", "Error: you must enter a non-empty password", "580")},
        {581, QT_TRANSLATE_NOOP3("StringTable", "Error: you've entered a password, but didn't select any permissions to require that password", "581")},
        {1800, QT_TRANSLATE_NOOP3("StringTable", "Unprotected", "1800")},
        {1801, QT_TRANSLATE_NOOP3("StringTable", "Protect with password:", "1801")},
        {1803, QT_TRANSLATE_NOOP3("StringTable", "Viewing", "1803")},
        {1804, QT_TRANSLATE_NOOP3("StringTable", "Printing", "1804")},
        {1805, QT_TRANSLATE_NOOP3("StringTable", "Annotation", "1805")},
        {1806, QT_TRANSLATE_NOOP3("StringTable", "Filling Forms", "1806")},
        {1807, QT_TRANSLATE_NOOP3("StringTable", "Copying", "1807")},
        {3404, QT_TRANSLATE_NOOP3("StringTable", "Checking for Updates", "3404")},
        {3405, QT_TRANSLATE_NOOP3("StringTable", "Collecting Update Data", "3405")},
        {3406, QT_TRANSLATE_NOOP3("StringTable", "Retrieving Results", "3406")},
        {3407, QT_TRANSLATE_NOOP3("StringTable", "Initializing Download", "3407")},
        {3408, QT_TRANSLATE_NOOP3("StringTable", "Connecting", "3408")},
        {3409, QT_TRANSLATE_NOOP3("StringTable", "Downloading Update", "3409")},
        {3410, QT_TRANSLATE_NOOP3("StringTable", "Downloading Update\n%uKb of %uKb", "3410")},
        {3411, QT_TRANSLATE_NOOP3("StringTable", "&Purchase Update", "3411")},
        {3412, QT_TRANSLATE_NOOP3("StringTable", "&Download", "3412")},
        {3413, QT_TRANSLATE_NOOP3("StringTable", "Close", "3413")},
        {3414, QT_TRANSLATE_NOOP3("StringTable", "Ignore", "3414")},
    };
    return table;
}

} // namespace

QString LoadResString(int id)
{
    const auto& table = Table();
    const auto it = table.find(id);
    if (it == table.end())
        return QString();
    return QCoreApplication::translate(kStringTableContext, it->second.source, it->second.number);
}

std::vector<StringTableEntry> StringTableEntries()
{
    std::vector<StringTableEntry> entries;
    entries.reserve(Table().size());
    for (const auto& [id, text] : Table())
        entries.push_back({id, QString::fromUtf8(text.source), QString::fromUtf8(text.number)});
    return entries;
}

QString FormatResString(int id, const QString& value)
{
    QString text = LoadResString(id);
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0)
        text.replace(at, 2, value);
    return text;
}

QString FormatResString(int id, const QStringList& values)
{
    QString text = LoadResString(id);
    qsizetype from = 0;
    for (const QString& value : values)
    {
        const qsizetype at = text.indexOf(QLatin1String("%s"), from);
        if (at < 0)
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

QString WithReason(const QString& message, const QString& reason)
{
    const QString trimmed = reason.trimmed();
    return trimmed.isEmpty() ? message : message + QLatin1Char('\n') + trimmed;
}
