#pragma once
// Test PDFs with damaged page trees, written byte by byte (no PDF library
// writes such files). Their pages carry the same markers as PdfFixtures'
// pages: the key /ParceloMarker n and the text "P<n>", so PageMarkers reads
// them back.
#include <QString>
#include <string>

namespace PdfFixtures {

// Pages are 200 points high and each a different width, so a reader's page
// n can be told from its shape.
inline int PageTreeFixtureWidth(int marker)
{
    return 100 + 20 * marker;
}

// Page trees that qpdf reads (and repairs) but a viewer may refuse.
enum class TreeDamage
{
    CountBillion,        // the root's /Count is 1000000000
    CountIntMax,         // /Count 2147483647
    Count2Pow32,         // /Count 4294967296 (beyond 32 bits)
    CountOneMore,        // /Count one more than the pages there are
    KidsNullEntry,       // a null among the /Kids
    KidsMissingObject,   // a /Kids entry naming an object that does not exist
    KidsEmptyDictionary, // an empty dictionary among the /Kids
    HugeObjectNumbers,   // the pages are objects numbered near 2^31
    DeepChain,           // the pages hang below a chain of 20,000 nested /Pages nodes
};

inline const char* TreeDamageName(TreeDamage kind)
{
    switch (kind) {
    case TreeDamage::CountBillion: return "CountBillion";
    case TreeDamage::CountIntMax: return "CountIntMax";
    case TreeDamage::Count2Pow32: return "Count2Pow32";
    case TreeDamage::CountOneMore: return "CountOneMore";
    case TreeDamage::KidsNullEntry: return "KidsNullEntry";
    case TreeDamage::KidsMissingObject: return "KidsMissingObject";
    case TreeDamage::KidsEmptyDictionary: return "KidsEmptyDictionary";
    case TreeDamage::HugeObjectNumbers: return "HugeObjectNumbers";
    case TreeDamage::DeepChain: return "DeepChain";
    }
    return "Unknown";
}

// Nesting of the DeepChain tree.
constexpr int kDeepChainLevels = 20000;

// `pages` pages (markers 1..pages) under a page tree damaged that way.
bool WriteTreeDamagedPdf(const QString& path, TreeDamage kind, int pages);

// `pages` pages under a page tree whose second node lists the root among its
// kids: a loop.
bool WritePageLoopPdf(const QString& path, int pages);

// `pages` pages where the tree lists page `twice` a second time right after
// itself: a document of pages + 1 pages.
bool WritePageListedTwicePdf(const QString& path, int pages, int twice);

// A document whose page tree holds no page (/Kids [] /Count 0).
bool WriteZeroPagePdf(const QString& path);

// A document encrypted by a security handler other than the standard one,
// which no reader here supports.
bool WriteUnknownEncryptionPdf(const QString& path);

// Writes `from` again, encrypted with AES-256 and the passwords, keeping
// its objects (a wrong /Count included) as they are.
bool WriteEncryptedCopy(const QString& from, const QString& to, const std::string& userPassword,
                        const std::string& ownerPassword);

// The /Count of the document's root page tree node as written in the file
// (qpdf reads it without walking the tree); -1 when it cannot be read.
long long RootPageCount(const QString& path, const std::string& password = {});

} // namespace PdfFixtures
