#pragma once
// The application controller: owns the split session (the open document and
// the ordered list of split sections), runs the session commands and
// announces every change through EventNotify. All of it runs on the window
// thread; nothing here is locked.
#include "session/EventNotify.h"
#include "session/PageList.h"
#include "session/SplitSection.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QWidget;
class ParceloInstance;

class CParceloApp : public QObject
{
    Q_OBJECT
public:
    CParceloApp();
    ~CParceloApp() override;

    // The one controller of the running program (null when none exists).
    static CParceloApp* Instance();

    // Start-up and shut-down in their fixed order. InitInstance creates the
    // main window unless createMainWindow is false (tests drive the session
    // without a window).
    bool InitInstance(bool createMainWindow = true);
    int ExitInstance();

    // The window that receives session events and owns message boxes.
    void SetMainWindow(QWidget* window, EventNotify* notify);
    QWidget* MainWindow() const;

    // Session operations.
    bool OpenDocument(const QString& path);
    void CloseDocument();
    void ClearAllSections();
    SplitSection* AddSection(const PageList& pages);
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

    const std::vector<std::unique_ptr<SplitSection>>& Sections() const { return m_sections; }
    ParceloInstance* Document() const { return m_document; }
    const QString& SourcePath() const { return m_sourcePath; }

    // Command handlers (menu, accelerators, command bar).
    void OnFileOpen();        // 57601
    void OnCloseDocument();   // 57602
    void OnNewSplitSection(); // 32774
    void OnClearAll();        // 57632
    void OnSaveSplit();       // 57603

    // Height in pixels of page thumbnails: 80..160 in steps of 10.
    int thumbnailSize = 100;
    // Placeholder drawn where a page image has not arrived yet.
    QString loadingText;

    void Notify(std::uint32_t code, std::uintptr_t payload);

private:
    ParceloInstance* m_document = nullptr;
    QString m_sourcePath;
    std::vector<std::unique_ptr<SplitSection>> m_sections;
    QWidget* m_mainWindow = nullptr;
    EventNotify* m_notify = nullptr;
};
