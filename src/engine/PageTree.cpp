#include "engine/PageTree.h"

#include <array>
#include <limits>
#include <set>
#include <string>

namespace {

// Attributes a page takes from the nearest /Pages node above it when it has
// none of its own.
constexpr std::array<const char*, 4> kInheritable = {"/Resources", "/MediaBox", "/CropBox", "/Rotate"};

using Inherited = std::array<QPDFObjectHandle, kInheritable.size()>;

// A page found by the walk, with what it would inherit.
struct FoundPage
{
    QPDFObjectHandle page;
    Inherited inherited;
};

// A /Pages node being walked.
struct Frame
{
    QPDFObjectHandle node;
    QPDFObjectHandle kids;
    int kidCount = 0;
    int nextKid = 0;
    Inherited inherited;
    std::size_t pagesBefore = 0; // pages found before this node
};

bool IsName(QPDFObjectHandle value, const char* name)
{
    return value.isName() && value.getName() == name;
}

Inherited InheritedBelow(QPDFObjectHandle node, const Inherited& above)
{
    Inherited result = above;
    for (std::size_t i = 0; i < kInheritable.size(); ++i) {
        QPDFObjectHandle own = node.getKey(kInheritable[i]);
        if (!own.isNull())
            result[i] = own;
    }
    return result;
}

// What an entry of a /Kids array is.
enum class KidKind
{
    Node,      // a /Pages node with a /Kids array
    Page,      // a page
    OddPage,   // usable as a page, but not marked as one
    Junk,      // nothing usable: skipped
};

KidKind Classify(QPDFObjectHandle kid)
{
    if (!kid.isDictionary())
        return KidKind::Junk;
    if (kid.hasKey("/Kids"))
        return kid.getKey("/Kids").isArray() ? KidKind::Node : KidKind::Junk;
    QPDFObjectHandle type = kid.getKey("/Type");
    if (IsName(type, "/Page"))
        return KidKind::Page;
    if (IsName(type, "/Pages"))
        return KidKind::Junk; // a node without kids
    if (kid.hasKey("/Contents") || kid.hasKey("/MediaBox") || kid.hasKey("/Resources"))
        return KidKind::OddPage;
    return KidKind::Junk;
}

// The node's /Count is a plain integer equal to the pages found below it.
bool CountMatches(QPDFObjectHandle node, std::size_t found)
{
    QPDFObjectHandle count = node.getKey("/Count");
    if (!count.isInteger())
        return false;
    const long long value = count.getIntValue();
    return value >= 0 && static_cast<unsigned long long>(value) == found;
}

// Replaces the document's page tree by one /Pages node listing the pages.
void Flatten(QPDF& pdf, QPDFObjectHandle root, std::vector<FoundPage>& found, PageTreeReading& reading)
{
    QPDFObjectHandle catalog = pdf.getRoot();
    if (!root.isDictionary() || !root.isIndirect() || !root.hasKey("/Kids")) {
        root = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        catalog.replaceKey("/Pages", root);
    }
    std::set<QPDFObjGen> placed;
    std::vector<QPDFObjectHandle> kids;
    kids.reserve(found.size());
    reading.pages.clear();
    reading.pages.reserve(found.size());
    for (FoundPage& entry : found) {
        QPDFObjectHandle page = entry.page;
        // A page object may stand only once in a tree: a repeat becomes its
        // own page object sharing everything below its own keys (only those
        // are replaced here), so a page listed many times costs little.
        if (!page.isIndirect() || placed.count(page.getObjGen()))
            page = pdf.makeIndirectObject(page.isIndirect() ? page.unsafeShallowCopy() : page);
        placed.insert(page.getObjGen());
        for (std::size_t i = 0; i < kInheritable.size(); ++i) {
            QPDFObjectHandle value = entry.inherited[i];
            if (!value.isInitialized() || value.isNull() || page.hasKey(kInheritable[i]))
                continue;
            page.replaceKey(kInheritable[i], value.isIndirect() ? value : value.shallowCopy());
        }
        page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        page.replaceKey("/Parent", root);
        kids.push_back(page);
        reading.pages.push_back(page);
    }
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Pages"));
    root.replaceKey("/Kids", QPDFObjectHandle::newArray(kids));
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(kids.size())));
    root.removeKey("/Parent");
    // qpdf may have listed the pages already; it lists them again from the
    // new tree.
    pdf.updateAllPagesCache();
}

} // namespace

PageTreeReading ReadPageTree(QPDF& pdf)
{
    PageTreeReading reading;
    try {
        QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
        if (!root.isDictionary())
            return reading;

        std::vector<FoundPage> found;
        bool rebuild = false;
        std::set<QPDFObjGen> nodes;
        std::set<QPDFObjGen> pages;
        std::vector<Frame> stack;

        auto enter = [&](QPDFObjectHandle node, const Inherited& above) -> bool {
            if (node.isIndirect()) {
                // A node met again is a loop or a node with two parents:
                // there is no one order of pages.
                if (!nodes.insert(node.getObjGen()).second)
                    return false;
            } else {
                rebuild = true;
            }
            Frame frame;
            frame.node = node;
            frame.kids = node.getKey("/Kids");
            frame.kidCount = frame.kids.isArray() ? frame.kids.getArrayNItems() : 0;
            frame.inherited = InheritedBelow(node, above);
            frame.pagesBefore = found.size();
            stack.push_back(std::move(frame));
            if (stack.size() > kMaxPageTreeDepth)
                rebuild = true;
            return true;
        };
        auto addPage = [&](QPDFObjectHandle page, const Inherited& inherited) -> bool {
            if (found.size() >= kMaxPageTreePages)
                return false;
            if (!page.isIndirect() || !pages.insert(page.getObjGen()).second)
                rebuild = true;
            found.push_back({page, inherited});
            return true;
        };

        if (root.hasKey("/Kids")) {
            if (!root.getKey("/Kids").isArray())
                rebuild = true;
            if (!enter(root, Inherited{}))
                return reading;
        } else {
            // The catalog names a single page instead of a tree.
            rebuild = true;
            if (Classify(root) == KidKind::Page || Classify(root) == KidKind::OddPage)
                addPage(root, InheritedBelow(root, Inherited{}));
        }

        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.nextKid >= frame.kidCount) {
                if (!CountMatches(frame.node, found.size() - frame.pagesBefore))
                    rebuild = true;
                stack.pop_back();
                continue;
            }
            QPDFObjectHandle kid = frame.kids.getArrayItem(frame.nextKid++);
            switch (Classify(kid)) {
            case KidKind::Node: {
                const Inherited above = frame.inherited; // `frame` moves when the stack grows
                if (!enter(kid, above))
                    return reading;
                break;
            }
            case KidKind::OddPage:
                rebuild = true;
                [[fallthrough]];
            case KidKind::Page:
                if (!addPage(kid, frame.inherited))
                    return reading;
                break;
            case KidKind::Junk:
                rebuild = true;
                break;
            }
        }

        if (found.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            return reading;
        if (rebuild) {
            Flatten(pdf, root, found, reading);
            reading.rebuilt = true;
        } else {
            reading.pages.reserve(found.size());
            for (FoundPage& entry : found)
                reading.pages.push_back(entry.page);
        }
        reading.readable = true;
        return reading;
    } catch (...) {
        return PageTreeReading{};
    }
}
