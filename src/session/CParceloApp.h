#pragma once
// The application controller: owns the split session (the open document and
// the ordered list of split sections), runs the session commands and
// announces every change through EventNotify. All of it runs on the window
// thread; nothing here is locked.
#include "engine/OpenStatus.h"
#include "session/EventNotify.h"
#include "session/PageList.h"
#include "session/SplitSection.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class ParceloInstance;

class CParceloApp : public QObject
{
    Q_OBJECT
public:
    CParceloApp();
    ~CParceloApp() override;

    // The one controller of the running program (null when none exists).
    static CParceloApp* Instance();

    // Start-up and shut-down in their fixed order: settings, then the
    // engines. The window (when there is one) is created by the window layer
    // after InitInstance and registered with SetMainWindow.
    bool InitInstance();
    int ExitInstance();

    // The window that receives session events; closing it ends the program.
    void SetMainWindow(QObject* window, EventNotify* notify);
    QObject* MainWindow() const;

    // Session operations.
    // Opens the file as the session's document. The file is opened before
    // the session changes: only when it opened (and has at least two pages)
    // does it replace the open document and its sections. Otherwise the
    // session stays as it was and a message names the file and the reason
    // (none for a declined password prompt).
    bool OpenDocument(const QString& path);
    // The same without any message: status says why it failed.
    bool OpenDocument(const QString& path, OpenStatus& status);
    void CloseDocument();
    void ClearAllSections();
    // A new section at the end; it gets the next number and, unless a file
    // name is given, the default name.
    SplitSection* AddSection(const PageList& pages, const QString& fileName = QString());
    void RemoveSection(SplitSection* section);
    void SetSectionPages(SplitSection* section, const PageList& pages);
    void SetSectionFileName(SplitSection* section, const QString& name);
    void RenumberSection(SplitSection* section, int newNumber);
    static QString MakeDefaultFileName(const SplitSection& section, const QString& sourcePath);
    int PageCount() const;
    bool IsPageInAnySection(int page) const;
    bool SectionContainsPage(const SplitSection* section, int page) const;
    PageList RemainingPages() const;

    // Whether a section pointer is still one of the session's sections.
    bool HasSection(const SplitSection* section) const;

    // Files dropped on the input area: exactly one existing file is opened;
    // several items, a folder or an item that cannot be examined are refused
    // with a message and leave the open document as it is.
    bool OpenDroppedItems(const QStringList& paths);

    // Ends the program the normal way: closes the main window (which closes
    // the document and leads to ExitInstance) or, without a window, quits the
    // event loop. Queued, so it is safe to call from inside a command.
    void QuitApplication();

    // A file-dialog filter in the classic "Text|patterns|...||" form turned
    // into Qt's "Text (patterns);;..." form; "*.*" becomes "*".
    static QString ToQtFileFilter(const QString& classicFilter);

    const std::vector<std::unique_ptr<SplitSection>>& Sections() const { return m_sections; }
    ParceloInstance* Document() const { return m_document; }
    const QString& SourcePath() const { return m_sourcePath; }

    // Command handlers (menu, accelerators, command bar).
    void OnFileOpen();        // 57601
    void OnCloseDocument();   // 57602
    void OnClearAll();        // 57632
    void OnSaveSplit();       // 57603

    // Runs the command with the given id; false when it is not one of the
    // controller's commands (the window runs the others: the sheet, help).
    bool OnCommand(int commandId);

    // Height in pixels of page thumbnails: 80..160 in steps of 10.
    int thumbnailSize = 100;
    // Placeholder drawn where a page image has not arrived yet.
    QString loadingText;

    void Notify(std::uint32_t code, std::uintptr_t payload);

private:
    ParceloInstance* m_document = nullptr;
    QString m_sourcePath;
    std::vector<std::unique_ptr<SplitSection>> m_sections;
    void OnMainWindowDestroyed();

    QPointer<QObject> m_mainWindow;
    EventNotify* m_notify = nullptr;
    bool m_initialised = false;
};
