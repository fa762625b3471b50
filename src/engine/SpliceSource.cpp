#include "engine/SpliceSource.h"

#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <exception>
#include <set>
#include <utility>

namespace {

// Larger outlines are read only this far; nothing real comes close, and a
// damaged file must not exhaust memory.
constexpr std::size_t kMostOutlineItems = 500000;
// Named destinations hold a dictionary with /D at most this deep.
constexpr int kMostDestinationHops = 8;

} // namespace

SpliceSource::SpliceSource(std::shared_ptr<QPDF> pdf)
    : m_pdf(std::move(pdf))
{
}

SpliceSource::~SpliceSource() = default;

const PageTreeReading& SpliceSource::Tree()
{
    if (!m_tree)
        m_tree = ReadPageTree(*m_pdf);
    return *m_tree;
}

void SpliceSource::IndexPages()
{
    if (m_pages)
        return;
    m_pages.emplace();
    const PageTreeReading& tree = Tree();
    if (tree.readable)
        *m_pages = tree.pages;
    for (std::size_t i = 0; i < m_pages->size(); ++i)
        m_pageIndex.emplace((*m_pages)[i].getObjGen(), static_cast<int>(i));
}

int SpliceSource::PageCount()
{
    IndexPages();
    return static_cast<int>(m_pages->size());
}

QPDFObjectHandle SpliceSource::PageObject(int index)
{
    IndexPages();
    if (index < 0 || index >= static_cast<int>(m_pages->size()))
        return QPDFObjectHandle::newNull();
    return (*m_pages)[static_cast<std::size_t>(index)];
}

void SpliceSource::ReadNamedDestinations()
{
    if (m_treeDestinations)
        return;
    m_treeDestinations.emplace();
    QPDFObjectHandle root = m_pdf->getRoot();
    // PDF 1.2 and later: a name tree under /Names /Dests, keyed by strings.
    try {
        QPDFObjectHandle names = root.getKey("/Names");
        QPDFObjectHandle tree = names.isDictionary() ? names.getKey("/Dests") : QPDFObjectHandle::newNull();
        if (tree.isDictionary()) {
            QPDFNameTreeObjectHelper helper(tree, *m_pdf);
            for (auto const& [name, value] : helper)
                m_treeDestinations->emplace(name, value);
        }
    } catch (const std::exception&) {
        // A damaged tree gives the destinations read before the damage.
    }
    // PDF 1.1: a dictionary /Dests in the catalog, keyed by names.
    try {
        QPDFObjectHandle dests = root.getKey("/Dests");
        if (dests.isDictionary()) {
            for (auto const& [key, value] : dests.ditems())
                m_dictDestinations.emplace(key, value);
        }
    } catch (const std::exception&) {
    }
}

QPDFObjectHandle SpliceSource::ResolveDestination(QPDFObjectHandle destination)
{
    for (int hop = 0; hop < kMostDestinationHops; ++hop) {
        if (destination.isArray())
            return destination;
        if (destination.isDictionary()) {
            // A named destination's value may be a dictionary whose /D
            // holds the destination.
            destination = destination.getKey("/D");
            continue;
        }
        if (!destination.isName() && !destination.isString())
            break;
        ReadNamedDestinations();
        // Strings name entries of the name tree and names entries of the
        // old dictionary, but writers mix them up; both are looked in.
        const std::string key = destination.isName() ? destination.getName().substr(1)
                                                     : destination.getStringValue();
        QPDFObjectHandle found;
        if (auto it = m_treeDestinations->find(key); it != m_treeDestinations->end())
            found = it->second;
        else if (auto it2 = m_dictDestinations.find("/" + key); it2 != m_dictDestinations.end())
            found = it2->second;
        if (!found.isInitialized())
            break;
        destination = found;
    }
    return QPDFObjectHandle::newNull();
}

int SpliceSource::DestinationPage(QPDFObjectHandle explicitDestination)
{
    if (!explicitDestination.isArray() || explicitDestination.getArrayNItems() < 1)
        return -1;
    QPDFObjectHandle target = explicitDestination.getArrayItem(0);
    IndexPages();
    if (target.isIndirect()) {
        const auto it = m_pageIndex.find(target.getObjGen());
        return it == m_pageIndex.end() ? -1 : it->second;
    }
    // Some writers put a 0-based page number where the page belongs.
    if (target.isInteger()) {
        const long long index = target.getIntValue();
        if (index >= 0 && index < static_cast<long long>(m_pages->size()))
            return static_cast<int>(index);
    }
    return -1;
}

void SpliceSource::ReadOutline()
{
    m_outline.emplace();
    std::vector<SourceOutlineItem>& items = *m_outline;
    QPDFObjectHandle outlines;
    try {
        outlines = m_pdf->getRoot().getKey("/Outlines");
    } catch (const std::exception&) {
        return;
    }
    if (!outlines.isDictionary())
        return;

    // Walked with an explicit stack so that neither a deep nor a circular
    // outline can exhaust the call stack or loop: an entry met a second
    // time ends its chain of siblings.
    struct Pending
    {
        QPDFObjectHandle next; // the next sibling to read at this level
        int parent;
        int level;
    };
    std::set<QPDFObjGen> seen;
    if (outlines.isIndirect())
        seen.insert(outlines.getObjGen());
    std::vector<Pending> stack{{outlines.getKey("/First"), -1, 1}};
    while (!stack.empty() && items.size() < kMostOutlineItems) {
        QPDFObjectHandle item = stack.back().next;
        const int parent = stack.back().parent;
        const int level = stack.back().level;
        if (!item.isDictionary() || (item.isIndirect() && !seen.insert(item.getObjGen()).second)) {
            stack.pop_back();
            continue;
        }
        stack.back().next = item.getKey("/Next");

        SourceOutlineItem entry;
        entry.parent = parent;
        entry.level = level;
        try {
            QPDFObjectHandle title = item.getKey("/Title");
            if (title.isString())
                entry.title = title.getStringValue();
            QPDFObjectHandle destination = item.getKey("/Dest");
            if (destination.isNull()) {
                QPDFObjectHandle action = item.getKey("/A");
                if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo"))
                    destination = action.getKey("/D");
            }
            entry.destination = ResolveDestination(destination);
            entry.page = DestinationPage(entry.destination);
            QPDFObjectHandle count = item.getKey("/Count");
            entry.open = !count.isInteger() || count.getIntValue() >= 0;
            QPDFObjectHandle color = item.getKey("/C");
            if (color.isArray() && color.getArrayNItems() == 3) {
                bool numbers = true;
                for (int i = 0; i < 3; ++i)
                    numbers = numbers && color.getArrayItem(i).isNumber();
                if (numbers)
                    entry.color = color;
            }
            QPDFObjectHandle flags = item.getKey("/F");
            if (flags.isInteger())
                entry.flags = flags;
        } catch (const std::exception&) {
            entry.page = -1;
            entry.destination = QPDFObjectHandle::newNull();
        }
        items.push_back(std::move(entry));
        stack.push_back({item.getKey("/First"), static_cast<int>(items.size()) - 1, level + 1});
    }
}

const std::vector<SourceOutlineItem>& SpliceSource::Outline()
{
    if (!m_outline) {
        try {
            ReadOutline();
        } catch (const std::exception&) {
            // Keeps what was read before the failure.
        }
    }
    return *m_outline;
}

QPDFPageLabelDocumentHelper* SpliceSource::PageLabels()
{
    if (!m_labelsRead) {
        m_labelsRead = true;
        try {
            auto labels = std::make_unique<QPDFPageLabelDocumentHelper>(*m_pdf);
            if (labels->hasPageLabels())
                m_labels = std::move(labels);
        } catch (const std::exception&) {
            m_labels.reset();
        }
    }
    return m_labels.get();
}
