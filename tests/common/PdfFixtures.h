#pragma once
// Test PDFs written with qpdf, and helpers that read PDFs back.
//
// Every generated page carries its 1-based page number as a marker in two
// forms: the page dictionary key /ParceloMarker (an integer, copied with the
// page by any page-splicing code) and the visible text "P<n>" in its content
// stream. Each page also has a solid black square in the top-left corner of
// its media box (unrotated page space) so rendering tests can see which way
// up a page image is.
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QPDF;

namespace PdfFixtures {

struct PageDesign
{
    double width = 612;   // media box size in points
    double height = 792;
    double originX = 0;   // media box lower-left corner
    double originY = 0;
    int rotate = 0;       // /Rotate value; 0 leaves the key out
    bool vectorArt = false; // many stroked lines (a few kilobytes of content)
    int imageSide = 0;    // >0: an RGB image XObject of side x side noise pixels
};

// Permission bits of the standard security handler.
enum : int
{
    PERM_PRINT = 0x4,
    PERM_MODIFY = 0x8,
    PERM_COPY = 0x10,
    PERM_ANNOTATE = 0x20,
    PERM_FILL_FORMS = 0x100,
    PERM_ACCESSIBILITY = 0x200,
    PERM_ASSEMBLE = 0x400,
    PERM_PRINT_HIGH = 0x800,
    PERM_ALL = 0xF3C,
};

struct Encryption
{
    std::string userPassword;   // empty: opens without a password
    std::string ownerPassword;
    int permissions = PERM_ALL; // combination of PERM_* bits
};

// Writes a PDF with one page per entry. Returns false on any failure.
bool WritePdf(const QString& path, const std::vector<PageDesign>& pages,
              const Encryption* encryption = nullptr);
// N pages with stroked art that takes a while to draw, portrait (612 x 792)
// and landscape (792 x 612) in turn, starting with portrait: a reader that
// mixes pages up shows the wrong shape.
bool WriteAlternatingPdf(const QString& path, int pageCount);
// N letter-size pages (or the given size).
bool WritePlainPdf(const QString& path, int pageCount, double width = 612, double height = 792);
// N letter-size pages, AES-256 encrypted.
bool WriteEncryptedPdf(const QString& path, int pageCount, const std::string& userPassword,
                       const std::string& ownerPassword, int permissions = PERM_ALL);

enum class Damage
{
    Empty,      // 0 bytes
    Garbage,    // random bytes, no PDF header
    Truncated,  // the first part of a valid file
    BrokenXref, // valid objects, xref table and trailer overwritten with junk
    HeaderOnly, // "%PDF-1.4" and nothing else
};
// Writes a damaged file (based on a 3-page document where one is needed).
bool WriteDamagedPdf(const QString& path, Damage kind);
// The kind's name, as in the enum ("BrokenXref"); for naming test cases.
inline const char* DamageName(Damage kind)
{
    switch (kind) {
    case Damage::Empty: return "Empty";
    case Damage::Garbage: return "Garbage";
    case Damage::Truncated: return "Truncated";
    case Damage::BrokenXref: return "BrokenXref";
    case Damage::HeaderOnly: return "HeaderOnly";
    }
    return "Unknown";
}

// Read-back helpers; a password is tried as given (user or owner).
// Page count, or -1 when the file cannot be opened.
int PageCount(const QString& path, const std::string& password = {});
// The marker of each page in order; 0 for a page without one. Empty when the
// file cannot be opened.
std::vector<int> PageMarkers(const QString& path, const std::string& password = {});
bool IsEncrypted(const QString& path, const std::string& password = {});
// The P value's permission bits (masked to PERM_ALL); PERM_ALL when not
// encrypted; -1 when the file cannot be opened.
int Permissions(const QString& path, const std::string& password = {});
// True when the file opens with the password (qpdf accepts it).
bool OpensWithPassword(const QString& path, const std::string& password);
// The PDF version from the header ("1.7" ...), empty on failure.
std::string PdfVersion(const QString& path, const std::string& password = {});
// Media box [x0 y0 x1 y1] of a page (1-based); empty on failure.
std::vector<double> MediaBox(const QString& path, int page, const std::string& password = {});
// Number of distinct page objects in the page tree (a page listed twice
// would count once).
int DistinctPageObjects(const QString& path, const std::string& password = {});
// Runs the "qpdf --check" tool; true when it reports no errors or warnings.
// The tool's output is placed in *output when given.
bool QpdfCheck(const QString& path, const std::string& password = {}, QString* output = nullptr);

// --- documents with bookmarks, links, page labels and metadata ------------------

struct Bookmark
{
    std::string title;      // the /Title bytes as stored (any PDF text encoding)
    int page = 0;           // 1-based page it goes to; 0: no destination at all
    std::string named;      // non-empty: goes through this named destination instead
    bool viaAction = false; // a /GoTo action (/A) instead of /Dest
    bool closed = false;    // its children start hidden (negative /Count)
    std::vector<Bookmark> kids;
};

struct Link
{
    int page = 0;           // 1-based page the link is on
    int target = 0;         // 1-based page it goes to
    std::string named;      // non-empty: goes through this named destination instead
    bool viaAction = false; // a /GoTo action (/A) instead of /Dest
    std::string uri;        // non-empty: a web link (target and named unused)
};

struct Book
{
    int pageCount = 10;
    std::vector<Bookmark> outline;
    std::map<std::string, int> namedDestinations; // name -> 1-based page
    bool namesInTree = true;  // a /Names /Dests name tree (keys are strings); false: the
                              // catalog's /Dests dictionary (keys are names)
    std::vector<Link> links;
    std::string pageLabels;   // contents of the /PageLabels /Nums array in PDF syntax,
                              // e.g. "0 << /S /r >> 4 << /S /D >>"; empty: no labels
    std::map<std::string, std::string> info; // document information, keys without '/'
    std::string xmp;          // the XMP metadata stream; empty: none
    std::function<void(QPDF&)> edit; // last changes before writing (damage, oddities)
};

// Writes the book's pages (numbered as WritePdf numbers them) with its parts.
bool WriteBook(const QString& path, const Book& book, const Encryption* encryption = nullptr);

struct OutlineEntry
{
    std::string title; // the /Title bytes
    int level = 1;     // 1 = top level
    int page = 0;      // 1-based page of this file the entry goes to; 0: none or not a page here
    bool operator==(const OutlineEntry& o) const
    {
        return title == o.title && level == o.level && page == o.page;
    }
};
// The outline in its order (parents before children); entries met twice
// end a chain. Empty when there is none or the file cannot be opened.
std::vector<OutlineEntry> ReadOutline(const QString& path, const std::string& password = {});
// Empty when every outline entry's /Parent, /Prev, /Next, /First, /Last and
// /Count agree with the tree (and the root's /Count with what it shows);
// otherwise what is wrong.
std::string OutlineStructureFault(const QString& path, const std::string& password = {});

struct LinkEntry
{
    int page = 0;    // 1-based page the link is on
    int target = 0;  // 1-based page of this file it goes to; 0: nowhere in this file
    std::string uri; // a web link's address
    bool operator==(const LinkEntry& o) const { return page == o.page && target == o.target && uri == o.uri; }
};
// Every link annotation, page by page. Named destinations are looked up in
// the file's own name tree and /Dests dictionary.
std::vector<LinkEntry> ReadLinks(const QString& path, const std::string& password = {});

// The label each page shows ("iv", "A-3", "7"), or empty when the file has
// no page labels.
std::vector<std::string> PageLabels(const QString& path, const std::string& password = {});
// The document information's entries (keys without '/'); string values as
// stored, others in PDF syntax.
std::map<std::string, std::string> InfoEntries(const QString& path, const std::string& password = {});
// The XMP metadata stream's data; empty when there is none.
std::string XmpMetadata(const QString& path, const std::string& password = {});

} // namespace PdfFixtures
