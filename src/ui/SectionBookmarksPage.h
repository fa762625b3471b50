#pragma once
// The By Bookmarks page of the New Split Section sheet: one section at each
// bookmark of a chosen level, named after it. A document without usable
// bookmarks shows why the page cannot be used and keeps OK disabled.
#include "session/BookmarkSections.h"
#include "ui/NewSplitSheet.h"

class QComboBox;
class QLabel;
class QTreeWidget;

class CSectionBookmarksPage : public CSectionPropertyPage
{
    Q_OBJECT
public:
    // resultNames receives one file name per list of resultLists (empty for
    // a section that keeps its default name).
    CSectionBookmarksPage(BookmarkSplitSource source, PageList remainingPages,
                          std::vector<PageList>* resultLists, std::vector<QString>* resultNames,
                          QWidget* parent = nullptr);
    void ValidateInput() override;
    void OnSetActive() override;
    bool OnApply() override;

    // Why the page cannot be used; empty when it can.
    QString UnavailableReason() const { return m_reason; }
    QComboBox* LevelCombo() const { return m_level; }
    QTreeWidget* Preview() const { return m_preview; }

private:
    void Plan();

    BookmarkSplitSource m_source;
    std::vector<QString>* m_resultNames;
    std::vector<PlannedSection> m_plan;
    QString m_reason;
    QComboBox* m_level = nullptr;
    QTreeWidget* m_preview = nullptr;
    QLabel* m_reasonLabel = nullptr;
};
