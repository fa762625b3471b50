#include "session/SaveSplit.h"

#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/Settings.h"
#include "session/SplitSection.h"
#include "support/PathHelpers.h"
#include "session/SectionFiles.h"
#include "support/TextHelpers.h"
#include "session/SessionUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

ShiftStateHook& CurrentShiftHook()
{
    static ShiftStateHook hook;
    return hook;
}

OpenFolderHook& CurrentOpenFolderHook()
{
    static OpenFolderHook hook;
    return hook;
}

OutputOptionsHook& CurrentOutputOptionsHook()
{
    static OutputOptionsHook hook;
    return hook;
}

bool IsShiftHeld()
{
    if (const auto& hook = CurrentShiftHook())
        return hook();
    SessionUser* user = CurrentSessionUser();
    return user && user->WantsOutputOptions();
}

bool RunOutputOptions(OutputProtection& protection)
{
    if (const auto& hook = CurrentOutputOptionsHook())
        return hook(protection);
    SessionUser* user = CurrentSessionUser();
    return user && user->AskOutputOptions(protection);
}

void OpenFolder(const QString& folder)
{
    if (const auto& hook = CurrentOpenFolderHook())
        return hook(folder);
    if (SessionUser* user = CurrentSessionUser())
        user->ShowFolder(folder);
}

QString Format(int id, const QString& value)
{
    return FormatResString(id, value);
}

void Error(int id, const QString& value, const QString& reason = QString())
{
    ShowError(WithReason(Format(id, value), reason));
}

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// The output path: always the name below the folder.
QString OutputPath(const QString& folder, const QString& name)
{
    return JoinPath(folder, name, false);
}

// Whether a name could leave the folder or is not a single file name.
bool IsAcceptableOutputName(const QString& name)
{
    if (!IsValidFileName(name))
        return false;
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')) ||
        (name.size() >= 2 && name[1] == QLatin1Char(':')))
        return false;
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    for (const QString& part : parts)
    {
        if (part == QLatin1String(".."))
            return false;
    }
    return true;
}

// True when both paths name the same existing file (same device and inode,
// which also sees through links).
bool IsSameFile(const QString& a, const QString& b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(Native(a).constData(), &sa) != 0 || ::stat(Native(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// An existing entry that cannot be replaced: a folder, or a file marked
// read-only (no write bit at all, which holds even for the superuser) or not
// writable by this user.
bool IsUnwritableTarget(const QString& path)
{
    const QByteArray native = Native(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return true; // a dangling link or an entry that cannot be examined
    if (S_ISDIR(st.st_mode))
        return true;
    return (st.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0;
}

} // namespace

QString DocumentPassword(const CParceloApp& app)
{
    if (const ParceloInstance* document = app.Document())
        return document->GetPassword();
    return QString();
}

QString CompletedFileName(const QString& fileName)
{
    if (fileName.contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1String(".pdf");
}

bool CheckSectionFileNames(const std::vector<SplitSection*>& sections)
{
    // Names that would be one file on a case-insensitive drive count as the
    // same name, so one section can never silently overwrite another.
    std::map<QString, QString> seen; // identity -> the first name with it
    for (const SplitSection* section : sections)
    {
        const QString name = CompletedFileName(section->fileName);
        if (IsFileNameTooLong(section->fileName) || IsFileNameTooLong(name))
        {
            Error(264, section->fileName);
            return false;
        }
        if (!IsAcceptableOutputName(section->fileName) || !IsAcceptableOutputName(name))
        {
            Error(260, section->fileName);
            return false;
        }
        const auto [earlier, added] = seen.emplace(FileNameIdentity(name), name);
        if (added)
            continue;
        const QString& first = earlier->second;
        // Names that look the same are reported as one name.
        if (first.normalized(QString::NormalizationForm_C) == name.normalized(QString::NormalizationForm_C))
            Error(241, name);
        else
            ShowError(FormatResString(263, {first, name}));
        return false;
    }
    return true;
}

SaveOutcome SaveSections(const SaveRequest& request)
{
    if (!CheckSectionFileNames(request.sections))
        return SaveOutcome::Refused;

    // First pass: complete the names and settle every existing target before
    // anything is written.
    bool overwriteAll = false;
    for (SplitSection* section : request.sections)
    {
        const QString name = CompletedFileName(section->fileName);
        if (name != section->fileName)
        {
            if (request.setFileName)
                request.setFileName(section, name);
            else
                section->fileName = name;
        }
        const QString path = OutputPath(request.folder, name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (IsSameFile(path, request.sourcePath))
        {
            Error(261, path);
            return SaveOutcome::Refused;
        }
        if (IsUnwritableTarget(path))
        {
            Error(232, path);
            return SaveOutcome::Refused;
        }
        if (overwriteAll)
            continue;
        MessageRequest question{QStringLiteral("Parcelo"), Format(233, path), Prompt::Question,
                                Prompt::Yes | Prompt::No | Prompt::Cancel};
        question.defaultButton = Prompt::No;
        const auto answer = ShowMessage(question);
        if (answer == Prompt::Yes)
            overwriteAll = true;
        else if (answer != Prompt::No)
            return SaveOutcome::Cancelled;
    }

    SectionFilesRequest files;
    files.sourcePath = request.sourcePath;
    files.sourcePassword = request.sourcePassword;
    files.folder = request.folder;
    files.protection = request.protection;
    for (const SplitSection* section : request.sections)
        files.files.push_back({OutputPath(request.folder, section->fileName), section->pages});

    // The writing runs as a long work: in the window on a work thread under
    // the progress dialog, which can stop it between two files.
    SectionFilesResult result;
    RunLongWork(LoadResString(207), [&](LongWorkProgress& progress) { result = WriteSectionFiles(files, progress); });
    switch (result.end)
    {
    case SectionFilesResult::End::Written:
        return SaveOutcome::Saved;
    case SectionFilesResult::End::Stopped:
        ShowMessage({QStringLiteral("Parcelo"),
                     QString::asprintf(LoadResString(272).toUtf8().constData(), result.written,
                                       static_cast<int>(files.files.size())),
                     Prompt::Information, Prompt::Ok});
        return SaveOutcome::Cancelled;
    case SectionFilesResult::End::Failed:
        break;
    }
    Error(result.message, result.failedPath, result.reason);
    return SaveOutcome::Failed;
}

void RunSaveSplit(CParceloApp& app)
{
    if (!app.Document())
        return;

    std::vector<SplitSection*> sections;
    for (const auto& section : app.Sections())
        sections.push_back(section.get());
    if (!CheckSectionFileNames(sections))
        return;

    const bool shift = IsShiftHeld();

    FileDialogRequest chooser;
    chooser.caption = LoadResString(231);
    chooser.chooseFolder = true;
    chooser.startFolder = ReadSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("SaveFolder"))
                              .toString();
    if (chooser.startFolder.isEmpty())
        chooser.startFolder = QFileInfo(app.SourcePath()).absolutePath();
    const QString folder = ChooseFile(chooser);
    if (folder.isEmpty())
        return;
    if (const QFileInfo chosen(folder); !chosen.isDir())
    {
        Error(232, folder, SystemErrorText(chosen.exists() ? ENOTDIR : ENOENT));
        return;
    }

    std::optional<OutputProtection> protection;
    if (shift)
    {
        OutputProtection chosen;
        if (!RunOutputOptions(chosen))
            return;
        protection = chosen;
    }

    WriteSetting(QString::fromLatin1(kOptionsGroup), QStringLiteral("SaveFolder"), folder);

    SaveRequest request;
    request.sourcePath = app.SourcePath();
    request.sourcePassword = DocumentPassword(app);
    request.sections = sections;
    request.setFileName = [&app](SplitSection* section, const QString& name) {
        app.SetSectionFileName(section, name);
    };
    request.folder = folder;
    request.protection = protection;
    if (SaveSections(request) != SaveOutcome::Saved)
        return;

    if (ShowQuestion(LoadResString(230), Prompt::Yes | Prompt::No,
                     Prompt::Information) == Prompt::Yes)
        OpenFolder(folder);
}

ShiftStateHook SetShiftStateHook(ShiftStateHook hook)
{
    return std::exchange(CurrentShiftHook(), std::move(hook));
}

OpenFolderHook SetOpenFolderHook(OpenFolderHook hook)
{
    return std::exchange(CurrentOpenFolderHook(), std::move(hook));
}

OutputOptionsHook SetOutputOptionsHook(OutputOptionsHook hook)
{
    return std::exchange(CurrentOutputOptionsHook(), std::move(hook));
}
