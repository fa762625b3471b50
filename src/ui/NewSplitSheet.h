#pragma once
// The New Split Section command and its sheet: four tabs (Page Range,
// Repeating Section, By Size, By Bookmarks), each a different way to turn the
// document's pages into one or more page lists; the command appends one
// section per list.
#include "session/PageList.h"

#include <QDialog>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CParceloApp;
class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class PageGroupMeasurer;
class CNewSplitSectionSheet;
class CSectionBookmarksPage;
struct BookmarkSplitSource;

// The command (Ctrl+N, the command bar, the input area's context menu).
void RunNewSplitSection(CParceloApp& app, QWidget* owner);

// Reads a whole unsigned decimal number, leading spaces allowed; anything
// else (including an empty text or a value beyond 64 bits) gives no number.
std::optional<std::uint64_t> ReadUnsignedNumber(const QString& text);

// Base of the sheet's pages.
class CSectionPropertyPage : public QWidget
{
    Q_OBJECT
public:
    CSectionPropertyPage(int pageCount, PageList remainingPages,
                         std::vector<PageList>* resultLists, QWidget* parent = nullptr);

    // Enables or disables the sheet's OK button for the current input.
    virtual void ValidateInput() = 0;
    // The page became the showing page.
    virtual void OnSetActive();
    // OK was pressed. Returns false to keep the sheet open.
    virtual bool OnApply() = 0;

    void SetSheet(CNewSplitSectionSheet* sheet) { m_sheet = sheet; }

protected:
    bool IsActivePage() const;
    void EnableOk(bool enable);
    // Parses the text of a line edit or combo box; false (and an empty list)
    // when the text is not a valid page list.
    bool ReadPageListFromText(const QString& text, PageList& pages) const;

    int pageCount;
    PageList remainingPages;
    std::vector<PageList>* resultLists;

private:
    CNewSplitSectionSheet* m_sheet = nullptr;
};

// Source page selection shared by the Repeating and By Size pages.
class SourcePageCombo;

class CSectionPageRangePage : public CSectionPropertyPage
{
    Q_OBJECT
public:
    CSectionPageRangePage(int pageCount, PageList remainingPages,
                          std::vector<PageList>* resultLists, QWidget* parent = nullptr);
    void ValidateInput() override;
    void OnSetActive() override;
    bool OnApply() override;

    QLineEdit* PageEdit() const { return m_edit; }
    QPushButton* AddRemainingLink() const { return m_link; }

private:
    void OnAddRemaining();
    QLineEdit* m_edit = nullptr;
    QPushButton* m_link = nullptr;
};

class CSectionRepeatingPage : public CSectionPropertyPage
{
    Q_OBJECT
public:
    CSectionRepeatingPage(int pageCount, PageList remainingPages,
                          std::vector<PageList>* resultLists, QWidget* parent = nullptr);
    void ValidateInput() override;
    void OnSetActive() override;
    bool OnApply() override;

    QLineEdit* CountEdit() const { return m_count; }
    QComboBox* RangeCombo() const;

private:
    QLineEdit* m_count = nullptr;
    SourcePageCombo* m_range = nullptr;
};

class CSectionSizePage : public CSectionPropertyPage
{
    Q_OBJECT
public:
    // The measurer writes the trial files; the sheet owns it.
    CSectionSizePage(int pageCount, PageList remainingPages,
                     std::vector<PageList>* resultLists, PageGroupMeasurer* measurer,
                     QWidget* parent = nullptr);
    void ValidateInput() override;
    void OnSetActive() override;
    bool OnApply() override;

    QLineEdit* SizeEdit() const { return m_size; }
    QComboBox* UnitCombo() const { return m_unit; }
    QComboBox* RangeCombo() const;

    // The limit in bytes for the current input, or none.
    std::optional<std::uint64_t> SizeLimitBytes() const;

private:
    QLineEdit* m_size = nullptr;
    QComboBox* m_unit = nullptr;
    SourcePageCombo* m_range = nullptr;
    PageGroupMeasurer* m_measurer = nullptr;
};

// The sheet itself: a dialog with one tab per page and OK / Cancel.
class CNewSplitSectionSheet : public QDialog
{
    Q_OBJECT
public:
    // bookmarks: the document's outline and what the By Bookmarks page needs
    // to name its sections; without it the page says there are no bookmarks.
    CNewSplitSectionSheet(int pageCount, const PageList& remainingPages,
                          std::unique_ptr<PageGroupMeasurer> measurer, QWidget* parent = nullptr,
                          const BookmarkSplitSource* bookmarks = nullptr);
    ~CNewSplitSectionSheet() override;

    // The lists computed by the page that was showing when OK was pressed.
    const std::vector<PageList>& ResultLists() const { return m_resultLists; }
    // The file name for each list; an empty name (or none at all) means the
    // section's default name.
    const std::vector<QString>& ResultNames() const { return m_resultNames; }

    QTabWidget* Tabs() const { return m_tabs; }
    CSectionPageRangePage* PageRangePage() const { return m_pageRange; }
    CSectionRepeatingPage* RepeatingPage() const { return m_repeating; }
    CSectionSizePage* SizePage() const { return m_size; }
    CSectionBookmarksPage* BookmarksPage() const { return m_bookmarks; }
    QPushButton* OkButton() const;

    void SetOkEnabled(bool enable);
    CSectionPropertyPage* ActivePage() const;

    void accept() override;

private:
    std::vector<PageList> m_resultLists;
    std::vector<QString> m_resultNames;
    std::unique_ptr<PageGroupMeasurer> m_measurer;
    QTabWidget* m_tabs = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    CSectionPageRangePage* m_pageRange = nullptr;
    CSectionRepeatingPage* m_repeating = nullptr;
    CSectionSizePage* m_size = nullptr;
    CSectionBookmarksPage* m_bookmarks = nullptr;
    std::vector<CSectionPropertyPage*> Pages() const;
};

// Replaceable runner for the modal sheet, so tests can fill it in and press
// OK. It returns true when the sheet was accepted. An empty hook restores
// exec(). Returns the previous hook.
using SheetRunHook = std::function<bool(CNewSplitSectionSheet&)>;
SheetRunHook SetSheetRunHook(SheetRunHook hook);
