#include "engine/SpliceCarryOver.h"

#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <exception>
#include <map>
#include <utility>

namespace {

// Direct objects copied into the output are rebuilt to this depth at most.
constexpr int kDeepestDirectCopy = 32;

// For each source, the output page that stands for each of its pages: the
// first copy when a page was copied more than once.
using TargetPages = std::map<const SpliceSource*, std::map<int, QPDFObjectHandle>>;

TargetPages FirstCopies(const std::vector<CopiedPage>& pages)
{
    TargetPages targets;
    for (const CopiedPage& copied : pages)
        targets[copied.source.get()].emplace(copied.index, copied.page);
    return targets;
}

QPDFObjectHandle TargetPage(const TargetPages& targets, const SpliceSource* source, int index)
{
    if (index < 0)
        return QPDFObjectHandle();
    const auto s = targets.find(source);
    if (s == targets.end())
        return QPDFObjectHandle();
    const auto p = s->second.find(index);
    return p == s->second.end() ? QPDFObjectHandle() : p->second;
}

// A simple value (number, name, boolean, string) rebuilt in the output: a
// direct value, or one of a destination or label read through an indirect
// reference. Anything else becomes null.
QPDFObjectHandle CopyScalar(QPDFObjectHandle value)
{
    if (value.isInteger())
        return QPDFObjectHandle::newInteger(value.getIntValue());
    if (value.isReal())
        return QPDFObjectHandle::newReal(value.getRealValue());
    if (value.isName())
        return QPDFObjectHandle::newName(value.getName());
    if (value.isBool())
        return QPDFObjectHandle::newBool(value.getBoolValue());
    if (value.isString())
        return QPDFObjectHandle::newString(value.getStringValue());
    return QPDFObjectHandle::newNull();
}

// A value of another document as a value of the output: indirect objects
// through qpdf's foreign copy, direct ones rebuilt in the output.
QPDFObjectHandle CopyValue(QPDF& output, QPDFObjectHandle value, int depth = 0)
{
    if (value.isIndirect())
        return output.copyForeignObject(value);
    if (depth > kDeepestDirectCopy)
        return QPDFObjectHandle::newNull();
    if (value.isArray()) {
        QPDFObjectHandle copy = QPDFObjectHandle::newArray();
        for (auto& item : value.aitems())
            copy.appendItem(CopyValue(output, item, depth + 1));
        return copy;
    }
    if (value.isDictionary()) {
        QPDFObjectHandle copy = QPDFObjectHandle::newDictionary();
        for (auto const& [key, item] : value.ditems())
            copy.replaceKey(key, CopyValue(output, item, depth + 1));
        return copy;
    }
    return CopyScalar(value);
}

// The explicit destination pointed at the output page, with the source's
// view (/XYZ left top zoom, /Fit ...) kept.
QPDFObjectHandle RetargetDestination(QPDFObjectHandle destination, QPDFObjectHandle page)
{
    QPDFObjectHandle copy = QPDFObjectHandle::newArray();
    copy.appendItem(page);
    const int n = destination.getArrayNItems();
    for (int i = 1; i < n; ++i)
        copy.appendItem(CopyScalar(destination.getArrayItem(i)));
    if (n < 2 || !copy.getArrayItem(1).isName()) {
        // A bare page: show it without changing the view.
        copy = QPDFObjectHandle::newArray();
        copy.appendItem(page);
        copy.appendItem(QPDFObjectHandle::newName("/XYZ"));
        for (int i = 0; i < 3; ++i)
            copy.appendItem(QPDFObjectHandle::newNull());
    }
    return copy;
}

void CarryInformation(QPDF& output, SpliceSource& source)
{
    QPDFObjectHandle info = source.Pdf().getTrailer().getKey("/Info");
    if (!info.isDictionary())
        return;
    QPDFObjectHandle copy = CopyValue(output, info);
    if (!copy.isIndirect())
        copy = output.makeIndirectObject(copy);
    output.getTrailer().replaceKey("/Info", copy);
}

void CarryMetadata(QPDF& output, SpliceSource& source)
{
    QPDFObjectHandle metadata = source.Pdf().getRoot().getKey("/Metadata");
    if (metadata.isStream())
        output.getRoot().replaceKey("/Metadata", output.copyForeignObject(metadata));
}

// Link annotations of one copied page: a link to a page of this output
// points at its copy; a link to any other page of the source is removed,
// as is one whose destination cannot be found. Other annotations and links
// that leave the document (web addresses, other files) stay as they are.
void CarryLinks(const CopiedPage& copied, const TargetPages& targets)
{
    SpliceSource& source = *copied.source;
    QPDFObjectHandle sourceAnnots = source.PageObject(copied.index).getKey("/Annots");
    QPDFObjectHandle page = copied.page;
    // Links are always judged from the array as copied, so that carrying
    // again after the output's pages changed brings back a link whose
    // target has arrived.
    QPDFObjectHandle annots = copied.annots;
    // The copy's array holds the copies of the source's annotations in the
    // same order; that is how each copy is matched to its original.
    if (!sourceAnnots.isArray() || !annots.isArray() ||
        sourceAnnots.getArrayNItems() != annots.getArrayNItems())
        return;

    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    bool removed = false;
    const int n = annots.getArrayNItems();
    for (int i = 0; i < n; ++i) {
        QPDFObjectHandle original = sourceAnnots.getArrayItem(i);
        QPDFObjectHandle annotation = annots.getArrayItem(i);
        if (!original.isDictionary() || !annotation.isDictionary() ||
            !original.getKey("/Subtype").isNameAndEquals("/Link")) {
            kept.appendItem(annotation);
            continue;
        }
        QPDFObjectHandle destination;
        bool viaAction = false;
        if (original.hasKey("/Dest")) {
            destination = original.getKey("/Dest");
        } else {
            QPDFObjectHandle action = original.getKey("/A");
            if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
                destination = action.getKey("/D");
                viaAction = true;
            }
        }
        if (!destination.isInitialized()) {
            kept.appendItem(annotation); // not a link within the document
            continue;
        }
        const QPDFObjectHandle explicitDestination = source.ResolveDestination(destination);
        const QPDFObjectHandle target =
            TargetPage(targets, &source, source.DestinationPage(explicitDestination));
        if (!target.isInitialized()) {
            removed = true;
            continue;
        }
        const QPDFObjectHandle retargeted = RetargetDestination(explicitDestination, target);
        if (viaAction) {
            // A fresh action: the copied one may be shared with other links.
            QPDFObjectHandle action = QPDFObjectHandle::newDictionary();
            action.replaceKey("/S", QPDFObjectHandle::newName("/GoTo"));
            action.replaceKey("/D", retargeted);
            annotation.replaceKey("/A", action);
        } else {
            annotation.replaceKey("/Dest", retargeted);
        }
        kept.appendItem(annotation);
    }
    page.replaceKey("/Annots", removed ? kept : annots);
}

// The outline: every entry of each source's outline whose destination is a
// page of this output, in the source's order and nesting; an entry left out
// passes its kept children up to its nearest kept ancestor.
void CarryOutline(QPDF& output, SpliceSource& primary, const std::vector<CopiedPage>& pages,
                  const TargetPages& targets)
{
    struct Node
    {
        QPDFObjectHandle item;
        bool open = true;
        std::vector<int> kids;
    };
    std::vector<Node> nodes;
    std::vector<int> top;

    std::vector<const SpliceSource*> done;
    for (const CopiedPage& copied : pages) {
        SpliceSource* source = copied.source.get();
        bool seen = false;
        for (const SpliceSource* s : done)
            seen = seen || s == source;
        if (seen)
            continue;
        done.push_back(source);

        const std::vector<SourceOutlineItem>& items = source->Outline();
        // For each source entry, the node that stands for it or for its
        // nearest kept ancestor (-1: the top of the outline).
        std::vector<int> keptAs(items.size(), -1);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const SourceOutlineItem& item = items[i];
            const int parentNode =
                item.parent >= 0 && item.parent < static_cast<int>(i) ? keptAs[static_cast<std::size_t>(item.parent)] : -1;
            const QPDFObjectHandle target = TargetPage(targets, source, item.page);
            if (!target.isInitialized()) {
                keptAs[i] = parentNode;
                continue;
            }
            QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
            dictionary.replaceKey("/Title", QPDFObjectHandle::newString(item.title));
            dictionary.replaceKey("/Dest", RetargetDestination(item.destination, target));
            if (item.color.isInitialized())
                dictionary.replaceKey("/C", CopyValue(output, item.color));
            if (item.flags.isInitialized())
                dictionary.replaceKey("/F", CopyScalar(item.flags));
            Node node;
            node.item = output.makeIndirectObject(dictionary);
            node.open = item.open;
            nodes.push_back(std::move(node));
            const int index = static_cast<int>(nodes.size()) - 1;
            keptAs[i] = index;
            (parentNode >= 0 ? nodes[static_cast<std::size_t>(parentNode)].kids : top).push_back(index);
        }
    }
    if (nodes.empty())
        return;

    QPDFObjectHandle root = output.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    // Children always come after their parent, so walking backwards settles
    // every child's count before its parent needs it. An open entry counts
    // the entries it shows; a closed one the negative of what it would show.
    std::vector<long long> shown(nodes.size(), 0);
    auto link = [&nodes, &shown](QPDFObjectHandle parent, const std::vector<int>& kids) -> long long {
        long long visible = 0;
        for (std::size_t k = 0; k < kids.size(); ++k) {
            Node& kid = nodes[static_cast<std::size_t>(kids[k])];
            kid.item.replaceKey("/Parent", parent);
            if (k > 0)
                kid.item.replaceKey("/Prev", nodes[static_cast<std::size_t>(kids[k - 1])].item);
            if (k + 1 < kids.size())
                kid.item.replaceKey("/Next", nodes[static_cast<std::size_t>(kids[k + 1])].item);
            visible += 1 + (kid.open ? shown[static_cast<std::size_t>(kids[k])] : 0);
        }
        if (!kids.empty()) {
            parent.replaceKey("/First", nodes[static_cast<std::size_t>(kids.front())].item);
            parent.replaceKey("/Last", nodes[static_cast<std::size_t>(kids.back())].item);
        }
        return visible;
    };
    for (std::size_t i = nodes.size(); i-- > 0;) {
        Node& node = nodes[i];
        shown[i] = link(node.item, node.kids);
        if (!node.kids.empty())
            node.item.replaceKey("/Count", QPDFObjectHandle::newInteger(node.open ? shown[i] : -shown[i]));
    }
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(link(root, top)));
    output.getRoot().replaceKey("/Outlines", root);
    // A document that opens with its bookmarks showing keeps doing so.
    if (primary.Pdf().getRoot().getKey("/PageMode").isNameAndEquals("/UseOutlines"))
        output.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
}

// A page label dictionary rebuilt from its simple values only.
QPDFObjectHandle CopyLabel(QPDFObjectHandle label)
{
    QPDFObjectHandle copy = QPDFObjectHandle::newDictionary();
    if (!label.isDictionary())
        return copy;
    if (QPDFObjectHandle style = label.getKey("/S"); style.isName())
        copy.replaceKey("/S", CopyScalar(style));
    if (QPDFObjectHandle prefix = label.getKey("/P"); prefix.isString())
        copy.replaceKey("/P", CopyScalar(prefix));
    if (QPDFObjectHandle start = label.getKey("/St"); start.isInteger() && start.getIntValue() >= 1)
        copy.replaceKey("/St", CopyScalar(start));
    return copy;
}

// Page labels: each run of consecutive source pages keeps the labels it
// had. Only carried when the first source has labels.
void CarryPageLabels(QPDF& output, const std::vector<CopiedPage>& pages)
{
    if (pages.empty() || !pages.front().source->PageLabels())
        return;
    std::vector<QPDFObjectHandle> entries;
    std::size_t first = 0;
    while (first < pages.size()) {
        std::size_t last = first;
        while (last + 1 < pages.size() && pages[last + 1].source == pages[first].source &&
               pages[last + 1].index == pages[last].index + 1)
            ++last;
        if (QPDFPageLabelDocumentHelper* labels = pages[first].source->PageLabels())
            labels->getLabelsForPageRange(pages[first].index, pages[last].index,
                                          static_cast<long long>(first), entries);
        else {
            // Pages of a source without labels are numbered as they were.
            entries.push_back(QPDFObjectHandle::newInteger(static_cast<long long>(first)));
            entries.push_back(QPDFObjectHandle::parse("<< /S /D /St " +
                                                      std::to_string(pages[first].index + 1) + " >>"));
        }
        first = last + 1;
    }
    QPDFObjectHandle nums = QPDFObjectHandle::newArray();
    for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
        nums.appendItem(CopyScalar(entries[i]));
        nums.appendItem(CopyLabel(entries[i + 1]));
    }
    QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
    tree.replaceKey("/Nums", nums);
    output.getRoot().replaceKey("/PageLabels", tree);
}

// Runs one part; a part that fails is left out of the output.
template <class Part>
void Carry(Part&& part)
{
    try {
        part();
    } catch (...) {
    }
}

} // namespace

void CarrySourceParts(QPDF& output, const std::vector<CopiedPage>& pages)
{
    if (pages.empty())
        return;
    SpliceSource& primary = *pages.front().source;
    TargetPages targets;
    try {
        targets = FirstCopies(pages);
    } catch (...) {
        return;
    }
    Carry([&] { CarryInformation(output, primary); });
    Carry([&] { CarryMetadata(output, primary); });
    for (const CopiedPage& copied : pages)
        Carry([&] { CarryLinks(copied, targets); });
    Carry([&] { CarryOutline(output, primary, pages, targets); });
    Carry([&] { CarryPageLabels(output, pages); });
}
