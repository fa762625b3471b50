#include "ui/NewSplitSheet.h"

#include "resources/StringTable.h"
#include "session/CParceloApp.h"
#include "session/PageRangeText.h"
#include "session/SaveSplit.h"
#include "session/SplitBySize.h"
#include "ui/SectionBookmarksPage.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>
#include <utility>

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whether text in the strict page-range language names a page above
// pageCount, read without expanding anything. Text that is not a valid page
// list at all names no page.
bool NamesPageAbove(const QString& text, std::int32_t pageCount)
{
    for (QChar c : text)
    {
        if (!IsDigit(c) && c != QLatin1Char('-') && c != QLatin1Char(',') && c != QLatin1Char(' '))
            return false;
    }
    constexpr std::int64_t cap = std::int64_t(1) << 40;
    auto read = [&](const QString& part) {
        qsizetype i = 0;
        while (i < part.size() && part[i] == QLatin1Char(' '))
            ++i;
        std::int64_t value = 0;
        for (; i < part.size() && IsDigit(part[i]); ++i)
            value = std::min(cap, value * 10 + (part[i].unicode() - u'0'));
        return value;
    };
    bool above = false;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
    {
        const QStringList parts = piece.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        if (parts.isEmpty() || parts.size() > 2)
            return false;
        const std::int64_t first = read(parts[0]);
        const std::int64_t last = parts.size() == 2 ? read(parts[1]) : first;
        if (first <= 0 || last < first)
            return false;
        if (last > pageCount)
            above = true;
    }
    return above;
}

bool AllWithin(const PageList& pages, int pageCount)
{
    for (std::int32_t page : pages)
    {
        if (page < 1 || page > pageCount)
            return false;
    }
    return true;
}

SheetRunHook& CurrentSheetHook()
{
    static SheetRunHook hook;
    return hook;
}

} // namespace

// The page-range combo box of the Repeating and By Size pages: "All Pages",
// "All Remaining" (only while some page is not in a section) or typed text.
class SourcePageCombo : public QComboBox
{
public:
    enum class Choice { AllPages, AllRemaining, Typed };

    SourcePageCombo(bool offerRemaining, QWidget* parent)
        : QComboBox(parent)
    {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        addItem(QCoreApplication::translate("NewSplitSheet", "All Pages"));
        if (offerRemaining)
            addItem(QCoreApplication::translate("NewSplitSheet", "All Remaining"));
        setCurrentIndex(0);
    }

    Choice Current() const
    {
        const QString text = currentText();
        if (text == itemText(0))
            return Choice::AllPages;
        if (count() > 1 && text == itemText(1))
            return Choice::AllRemaining;
        return Choice::Typed;
    }
};

std::optional<std::uint64_t> ReadUnsignedNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    if (i == text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i)
    {
        if (!IsDigit(text[i]))
            return std::nullopt;
        const std::uint64_t digit = text[i].unicode() - u'0';
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// ---------------------------------------------------------------------------

CSectionPropertyPage::CSectionPropertyPage(int count, PageList remaining,
                                           std::vector<PageList>* results, QWidget* parent)
    : QWidget(parent)
    , pageCount(count)
    , remainingPages(std::move(remaining))
    , resultLists(results)
{
}

void CSectionPropertyPage::OnSetActive()
{
    ValidateInput();
}

bool CSectionPropertyPage::IsActivePage() const
{
    return !m_sheet || m_sheet->ActivePage() == this;
}

void CSectionPropertyPage::EnableOk(bool enable)
{
    if (m_sheet && IsActivePage())
        m_sheet->SetOkEnabled(enable);
}

bool CSectionPropertyPage::ReadPageListFromText(const QString& text, PageList& pages) const
{
    if (ParsePageList(text, pageCount, pages))
        return true;
    pages.clear();
    return false;
}

// Pages of a combo box's current choice; typed text that is not a valid
// page list gives no pages.
static PageList SourcePages(const SourcePageCombo& combo, int pageCount, const PageList& remaining)
{
    switch (combo.Current())
    {
    case SourcePageCombo::Choice::AllPages:
        return AllPages(pageCount);
    case SourcePageCombo::Choice::AllRemaining:
        return remaining;
    case SourcePageCombo::Choice::Typed:
        break;
    }
    PageList typed;
    if (!ParsePageList(combo.currentText(), pageCount, typed))
        typed.clear();
    return typed;
}

// ---------------------------------------------------------------------------

CSectionPageRangePage::CSectionPageRangePage(int count, PageList remaining,
                                             std::vector<PageList>* results, QWidget* parent)
    : CSectionPropertyPage(count, std::move(remaining), results, parent)
{
    auto* label = new QLabel(QCoreApplication::translate("NewSplitSheet", "&Pages included in this section:"), this);
    m_edit = new QLineEdit(this);
    label->setBuddy(m_edit);
    auto* example = new QLabel(QCoreApplication::translate("NewSplitSheet", "Example: 1-7, 18"), this);
    m_link = new QPushButton(QCoreApplication::translate("NewSplitSheet", "Add all remaining pages"), this);
    m_link->setFlat(true);
    m_link->setCursor(Qt::PointingHandCursor);
    m_link->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline;"
                                         " border: none; text-align: right; }"));
    m_link->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    m_link->setVisible(!remainingPages.empty());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_edit);
    auto* row = new QHBoxLayout;
    row->addWidget(example);
    row->addStretch();
    row->addWidget(m_link);
    layout->addLayout(row);
    layout->addStretch();

    connect(m_edit, &QLineEdit::textChanged, this, [this] { ValidateInput(); });
    connect(m_link, &QPushButton::clicked, this, [this] { OnAddRemaining(); });
}

void CSectionPageRangePage::ValidateInput()
{
    PageRangeSet ranges;
    const bool ok = CheckPageRangeText(m_edit->text(), pageCount, &ranges) &&
                    (ranges.empty() || ranges.back().end <= std::int64_t(pageCount) + 1);
    EnableOk(ok);
}

void CSectionPageRangePage::OnSetActive()
{
    ValidateInput();
    m_edit->setFocus();
}

void CSectionPageRangePage::OnAddRemaining()
{
    m_edit->setText(FormatPageList(remainingPages));
}

bool CSectionPageRangePage::OnApply()
{
    if (!IsActivePage())
        return true;
    resultLists->clear();
    PageList pages;
    // The strict reader may refuse text the quick check let through; then no
    // section is made. Every page is checked against the document once more.
    if (ReadPageListFromText(m_edit->text(), pages) && !pages.empty() && AllWithin(pages, pageCount))
        resultLists->push_back(std::move(pages));
    return true;
}

// ---------------------------------------------------------------------------

CSectionRepeatingPage::CSectionRepeatingPage(int count, PageList remaining,
                                             std::vector<PageList>* results, QWidget* parent)
    : CSectionPropertyPage(count, std::move(remaining), results, parent)
{
    auto* everyLabel = new QLabel(QCoreApplication::translate("NewSplitSheet", "&Create new section every:"), this);
    m_count = new QLineEdit(this);
    m_count->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_count));
    everyLabel->setBuddy(m_count);
    auto* pagesLabel = new QLabel(QCoreApplication::translate("NewSplitSheet", "Pages"), this);
    auto* rangeLabel = new QLabel(QCoreApplication::translate("NewSplitSheet", "&Page range:"), this);
    m_range = new SourcePageCombo(!remainingPages.empty(), this);
    rangeLabel->setBuddy(m_range);

    auto* grid = new QGridLayout(this);
    grid->addWidget(everyLabel, 0, 0);
    grid->addWidget(m_count, 0, 1);
    grid->addWidget(pagesLabel, 0, 2);
    grid->addWidget(rangeLabel, 1, 0);
    grid->addWidget(m_range, 1, 1, 1, 2);
    grid->setRowStretch(2, 1);

    connect(m_count, &QLineEdit::textChanged, this, [this] { ValidateInput(); });
    connect(m_range, &QComboBox::currentTextChanged, this, [this] { ValidateInput(); });
}

QComboBox* CSectionRepeatingPage::RangeCombo() const
{
    return m_range;
}

void CSectionRepeatingPage::ValidateInput()
{
    const auto n = ReadUnsignedNumber(m_count->text());
    bool rangeOk = true;
    if (m_range->Current() == SourcePageCombo::Choice::AllRemaining)
        rangeOk = !remainingPages.empty();
    else if (m_range->Current() == SourcePageCombo::Choice::Typed)
    {
        PageList typed;
        rangeOk = ReadPageListFromText(m_range->currentText(), typed) && !typed.empty() &&
                  AllWithin(typed, pageCount);
    }
    EnableOk(n && *n != 0 && rangeOk);
}

void CSectionRepeatingPage::OnSetActive()
{
    ValidateInput();
    m_count->setFocus();
}

bool CSectionRepeatingPage::OnApply()
{
    if (!IsActivePage())
        return true;
    resultLists->clear();
    const auto n = ReadUnsignedNumber(m_count->text());
    if (!n || *n == 0)
        return true;
    PageList source = SourcePages(*m_range, pageCount, remainingPages);
    std::erase_if(source, [this](std::int32_t page) { return page > pageCount; });
    *resultLists = CutIntoRuns(source, *n);
    return true;
}

// ---------------------------------------------------------------------------

CSectionSizePage::CSectionSizePage(int count, PageList remaining, std::vector<PageList>* results,
                                   PageGroupMeasurer* measurer, QWidget* parent)
    : CSectionPropertyPage(count, std::move(remaining), results, parent)
    , m_measurer(measurer)
{
    auto* sizeLabel = new QLabel(QCoreApplication::translate("NewSplitSheet", "&Split into sections no larger than:"), this);
    m_size = new QLineEdit(this);
    sizeLabel->setBuddy(m_size);
    m_unit = new QComboBox(this);
    m_unit->addItem(QCoreApplication::translate("NewSplitSheet", "MB"));
    m_unit->addItem(QCoreApplication::translate("NewSplitSheet", "KB"));
    m_unit->setCurrentIndex(0);
    auto* rangeLabel = new QLabel(QCoreApplication::translate("NewSplitSheet", "&Page range:"), this);
    m_range = new SourcePageCombo(!remainingPages.empty(), this);
    rangeLabel->setBuddy(m_range);

    auto* grid = new QGridLayout(this);
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(m_size, 0, 1);
    grid->addWidget(m_unit, 0, 2);
    grid->addWidget(rangeLabel, 1, 0);
    grid->addWidget(m_range, 1, 1, 1, 2);
    grid->setRowStretch(2, 1);

    connect(m_size, &QLineEdit::textChanged, this, [this] { ValidateInput(); });
    connect(m_range, &QComboBox::currentTextChanged, this, [this] { ValidateInput(); });
}

QComboBox* CSectionSizePage::RangeCombo() const
{
    return m_range;
}

std::optional<std::uint64_t> CSectionSizePage::SizeLimitBytes() const
{
    const auto number = ReadUnsignedNumber(m_size->text());
    if (!number)
        return std::nullopt;
    const unsigned shift = m_unit->currentIndex() == 1 ? 10 : 20;
    // A limit beyond 64 bits means every group fits; it saturates rather
    // than wrapping to a small number.
    if (*number > (std::numeric_limits<std::uint64_t>::max() >> shift))
        return std::numeric_limits<std::uint64_t>::max();
    return *number << shift;
}

void CSectionSizePage::ValidateInput()
{
    const auto number = ReadUnsignedNumber(m_size->text());
    bool rangeOk = true;
    if (m_range->Current() == SourcePageCombo::Choice::AllRemaining)
        rangeOk = !remainingPages.empty();
    else if (m_range->Current() == SourcePageCombo::Choice::Typed)
    {
        // Unreadable text is accepted here (it makes no section); text that
        // names a page beyond the document is not.
        rangeOk = !NamesPageAbove(m_range->currentText(), pageCount);
    }
    EnableOk(number && *number != 0 && rangeOk);
}

void CSectionSizePage::OnSetActive()
{
    ValidateInput();
    m_size->setFocus();
}

bool CSectionSizePage::OnApply()
{
    if (!IsActivePage())
        return true;
    resultLists->clear();
    const auto limit = SizeLimitBytes();
    if (!limit || *limit == 0 || !m_measurer)
        return true;
    PageList source = SourcePages(*m_range, pageCount, remainingPages);
    std::erase_if(source, [this](std::int32_t page) { return page > pageCount; });
    if (source.empty())
        return true;
    return GroupBySize(source, *limit, *m_measurer, *resultLists);
}

// ---------------------------------------------------------------------------

CNewSplitSectionSheet::CNewSplitSectionSheet(int pageCount, const PageList& remainingPages,
                                             std::unique_ptr<PageGroupMeasurer> measurer, QWidget* parent,
                                             const BookmarkSplitSource* bookmarks)
    : QDialog(parent)
    , m_measurer(std::move(measurer))
{
    setWindowTitle(LoadResString(220));
    setModal(true);

    m_tabs = new QTabWidget(this);
    // Every tab stays in view: the sheet is as wide as its four tabs.
    m_tabs->tabBar()->setUsesScrollButtons(false);
    m_tabs->tabBar()->setExpanding(false);
    m_pageRange = new CSectionPageRangePage(pageCount, remainingPages, &m_resultLists);
    m_repeating = new CSectionRepeatingPage(pageCount, remainingPages, &m_resultLists);
    m_size = new CSectionSizePage(pageCount, remainingPages, &m_resultLists, m_measurer.get());
    m_tabs->addTab(m_pageRange, QCoreApplication::translate("NewSplitSheet", "Page Range"));
    m_tabs->addTab(m_repeating, QCoreApplication::translate("NewSplitSheet", "Repeating Section"));
    m_tabs->addTab(m_size, QCoreApplication::translate("NewSplitSheet", "By Size"));
    BookmarkSplitSource outline;
    if (bookmarks)
        outline = *bookmarks;
    outline.pageCount = pageCount;
    m_bookmarks = new CSectionBookmarksPage(std::move(outline), remainingPages, &m_resultLists, &m_resultNames);
    const int bookmarksTab = m_tabs->addTab(m_bookmarks, tr("By Bookmarks"));
    m_tabs->setTabToolTip(bookmarksTab, m_bookmarks->UnavailableReason().isEmpty()
                                            ? tr("A section at each bookmark of a level, named after it")
                                            : m_bookmarks->UnavailableReason());

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CNewSplitSectionSheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CNewSplitSectionSheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);

    for (CSectionPropertyPage* page : Pages())
        page->SetSheet(this);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        if (CSectionPropertyPage* page = ActivePage())
            page->OnSetActive();
    });
    m_tabs->setCurrentIndex(0);
    m_pageRange->OnSetActive();
}

CNewSplitSectionSheet::~CNewSplitSectionSheet() = default;

std::vector<CSectionPropertyPage*> CNewSplitSectionSheet::Pages() const
{
    return {m_pageRange, m_repeating, m_size, m_bookmarks};
}

QPushButton* CNewSplitSectionSheet::OkButton() const
{
    return m_buttons->button(QDialogButtonBox::Ok);
}

void CNewSplitSectionSheet::SetOkEnabled(bool enable)
{
    OkButton()->setEnabled(enable);
}

CSectionPropertyPage* CNewSplitSectionSheet::ActivePage() const
{
    return qobject_cast<CSectionPropertyPage*>(m_tabs->currentWidget());
}

void CNewSplitSectionSheet::accept()
{
    // OK may also come from the keyboard; it counts only while enabled.
    if (!OkButton()->isEnabled())
        return;
    // Only the By Bookmarks page names its sections; whatever it named
    // before does not outlive another page's result.
    m_resultNames.clear();
    for (CSectionPropertyPage* page : Pages())
    {
        if (!page->OnApply())
            return;
    }
    QDialog::accept();
}

SheetRunHook SetSheetRunHook(SheetRunHook hook)
{
    return std::exchange(CurrentSheetHook(), std::move(hook));
}

void RunNewSplitSection(CParceloApp& app, QWidget* owner)
{
    if (!app.Document())
        return;
    const PageList remaining = app.RemainingPages();
    auto measurer = std::make_unique<SpliceTrialMeasurer>(app.SourcePath(), DocumentPassword(app));
    const BookmarkSplitSource bookmarks = BookmarkSourceOf(app);
    CNewSplitSectionSheet sheet(app.PageCount(), remaining, std::move(measurer), owner, &bookmarks);

    bool accepted = false;
    if (const auto& hook = CurrentSheetHook())
        accepted = hook(sheet);
    else
        accepted = sheet.exec() == QDialog::Accepted;
    if (!accepted)
        return;

    // Copy first: adding sections must not depend on the sheet's storage.
    const std::vector<PageList> lists = sheet.ResultLists();
    const std::vector<QString> names = sheet.ResultNames();
    for (std::size_t i = 0; i < lists.size(); ++i)
        app.AddSection(lists[i], i < names.size() ? names[i] : QString());
}
