// Numbered user-visible texts. Views and commands load them by number so the
// same text is used wherever it appears.
#include "resources/StringTable.h"

#include <map>

namespace {

const std::map<int, const char*>& Table()
{
    static const std::map<int, const char*> table = {
        {128, "Talvane Parcelo"},
        {200, "%d pgs"},
        {201, "Choose file to split"},
        {202, "You can also drag a file"},
        {203, "from the desktop"},
        {204, "Open File"},
        {205, "New Split Section"},
        {206, "Clear All"},
        {207, "Save Split"},
        {208, "Save Split (Ctrl+S)\nSave split section files"},
        {209, "Open File (Ctrl+O)\nOpen a file to split"},
        {210, "Create New Split Section (Ctrl+N)\nSeveral types of split available"},
        {211, "Clear All (Ctrl+X)\nRemove all sections from the split"},
        {212, "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*||"},
        {213, "Create a new split section"},
        {214, "Click to create a split section"},
        {215, "based on page range, size"},
        {216, "or page"},
        {217, "Loading..."},
        {218, "Enter Password for %s"},
        {219, "Page: %d"},
        {220, "Create new split section"},
        {221, "Split %d. Pages:"},
        {222, "File Name:"},
        {223, "Remove the split section"},
        {224, "Display the section contents"},
        {225, "Hide the section contents"},
        {226, "%s-S%d.%s"},
        {227, "Could not open file '%s' for reading"},
        {228, "Could not open file '%s' for writing"},
        {229, "Error while writing to file '%s'"},
        {230, "Created all files.\nDo you wish to open the folder?"},
        {231, "Select folder to save the files to"},
        {232, "Cannot write to file '%s'"},
        {233, "'%s' already exists.\nPress 'Yes' to overwrite all files.\nPress 'No' to overwrite just this file.\nPress 'Cancel' to cancel the split operation"},
        {234, "Some individual pages of this document are too big to fit into this max size"},
        {235, "Remove this page from the split section"},
        {236, "Parcelo accepts only a single input file"},
        {237, "Parcelo cannot accept folders"},
        {238, "File contains only a single page, thus cannot be split"},
        {240, "P.: %d"},
        {241, "There is more than one section with the filename %s"},
        {242, "Enter password for copying permission of file %s"},
        {244, "Version <version>\n\n<user>\n<company>"},
        {245, "Click to dismiss"},
        {246, "<copyright>"},
        {247, "Parcelo"},
        {249, "No updates found"},
        {260, "The file name '%s' cannot be used: it must be a plain file name inside the chosen folder"},
        {261, "'%s' is the document being split and cannot be overwritten"},
        {262, "Could not measure the size of the sections: a trial file could not be written"},
        {270, "Writing file %d of %d"},
        {271, "Measuring sections: %d of %d pages placed"},
        {272, "Saving was cancelled: %d of %d files were written"},
        {580, "Error: you must enter a non-empty password"},
        {581, "Error: you've entered a password, but didn't select any permissions to require that password"},
        {1800, "Unprotected"},
        {1801, "Protect with password:"},
        {1803, "Viewing"},
        {1804, "Printing"},
        {1805, "Annotation"},
        {1806, "Filling Forms"},
        {1807, "Copying"},
        {3404, "Checking for Updates"},
        {3405, "Collecting Update Data"},
        {3406, "Retrieving Results"},
        {3407, "Initializing Download"},
        {3408, "Connecting"},
        {3409, "Downloading Update"},
        {3410, "Downloading Update\n%uKb of %uKb"},
        {3411, "&Purchase Update"},
        {3412, "&Download"},
        {3413, "Close"},
        {3414, "Ignore"},
    };
    return table;
}

} // namespace

QString LoadResString(int id)
{
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? QString() : QString::fromUtf8(it->second);
}

QString FormatResString(int id, const QString& value)
{
    QString text = LoadResString(id);
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0)
        text.replace(at, 2, value);
    return text;
}
