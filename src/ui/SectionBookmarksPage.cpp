#include "ui/SectionBookmarksPage.h"

#include "session/CParceloApp.h"
#include "session/PageRangeText.h"
#include "session/SplitSection.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

CSectionBookmarksPage::CSectionBookmarksPage(BookmarkSplitSource source, PageList remaining,
                                             std::vector<PageList>* results, std::vector<QString>* names,
                                             QWidget* parent)
    : CSectionPropertyPage(source.pageCount, std::move(remaining), results, parent)
    , m_source(std::move(source))
    , m_resultNames(names)
{
    auto* levelLabel = new QLabel(tr("&Split at bookmarks of level:"), this);
    m_level = new QComboBox(this);
    levelLabel->setBuddy(m_level);
    const std::vector<int> levels = BookmarksPerLevel(m_source.outline, m_source.pageCount);
    for (std::size_t i = 0; i < levels.size(); ++i)
    {
        const int level = static_cast<int>(i) + 1;
        // A level whose every bookmark leads nowhere would make no section.
        if (levels[i] == 0)
            continue;
        const QString bookmarks = levels[i] == 1 ? tr("1 bookmark") : tr("%1 bookmarks").arg(levels[i]);
        m_level->addItem(level == 1 ? tr("1 (top level): %1").arg(bookmarks)
                                    : tr("%1: %2").arg(level).arg(bookmarks),
                         level);
    }

    auto* previewLabel = new QLabel(tr("Sections:"), this);
    m_preview = new QTreeWidget(this);
    m_preview->setColumnCount(2);
    m_preview->setHeaderLabels({tr("File name"), tr("Pages")});
    m_preview->setRootIsDecorated(false);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->header()->setStretchLastSection(false);
    m_preview->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_preview->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    previewLabel->setBuddy(m_preview);
    // Room for a few sections and a chapter title's width.
    m_preview->setMinimumSize(m_preview->fontMetrics().averageCharWidth() * 48,
                              m_preview->fontMetrics().height() * 8);

    auto* note = new QLabel(tr("A section starts at each bookmark of this level and at each bookmark above it; "
                               "the pages before the first bookmark form a section of their own."),
                            this);
    note->setWordWrap(true);

    m_reasonLabel = new QLabel(this);
    m_reasonLabel->setWordWrap(true);
    QFont bold = m_reasonLabel->font();
    bold.setBold(true);
    m_reasonLabel->setFont(bold);

    if (levels.empty())
        m_reason = m_source.outline.empty() ? tr("This document has no bookmarks, so it cannot be split at them.")
                                            : tr("None of this document's bookmarks points at one of its pages, "
                                                 "so it cannot be split at them.");
    m_reasonLabel->setText(m_reason);
    m_reasonLabel->setVisible(!m_reason.isEmpty());
    levelLabel->setEnabled(m_reason.isEmpty());
    m_level->setEnabled(m_reason.isEmpty());
    m_preview->setEnabled(m_reason.isEmpty());
    previewLabel->setEnabled(m_reason.isEmpty());
    note->setEnabled(m_reason.isEmpty());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_reasonLabel);
    auto* row = new QHBoxLayout;
    row->addWidget(levelLabel);
    row->addWidget(m_level, 1);
    layout->addLayout(row);
    layout->addWidget(previewLabel);
    layout->addWidget(m_preview, 1);
    layout->addWidget(note);

    connect(m_level, &QComboBox::currentIndexChanged, this, [this] {
        Plan();
        ValidateInput();
    });
    Plan();
}

void CSectionBookmarksPage::Plan()
{
    m_plan.clear();
    m_preview->clear();
    if (m_level->currentIndex() < 0)
        return;
    m_plan = PlanBookmarkSections(m_source, m_level->currentData().toInt());
    QList<QTreeWidgetItem*> rows;
    for (std::size_t i = 0; i < m_plan.size(); ++i)
    {
        const PlannedSection& section = m_plan[i];
        QString name = section.fileName;
        if (name.isEmpty())
        {
            // The name the section will get: the default one for its number.
            SplitSection numbered;
            numbered.number = m_source.firstNumber + static_cast<int>(i);
            name = CParceloApp::MakeDefaultFileName(numbered, m_source.sourcePath);
        }
        auto* row = new QTreeWidgetItem({name, FormatPageList(section.pages)});
        row->setToolTip(0, section.title.isEmpty() ? tr("The pages before the first bookmark") : section.title);
        rows.append(row);
    }
    m_preview->addTopLevelItems(rows);
}

void CSectionBookmarksPage::ValidateInput()
{
    EnableOk(m_reason.isEmpty() && !m_plan.empty());
}

void CSectionBookmarksPage::OnSetActive()
{
    ValidateInput();
    if (m_level->isEnabled())
        m_level->setFocus();
}

bool CSectionBookmarksPage::OnApply()
{
    if (!IsActivePage())
        return true;
    resultLists->clear();
    m_resultNames->clear();
    for (const PlannedSection& section : m_plan)
    {
        resultLists->push_back(section.pages);
        m_resultNames->push_back(section.fileName);
    }
    return true;
}
