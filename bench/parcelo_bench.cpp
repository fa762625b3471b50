// parcelo-bench: measures opening, page thumbnails, saving, split by size and
// memory through the program's own code paths, each beside the command-line
// tool that does the same job, on documents it makes itself. Prints one table,
// or with --json one JSON array with an object per measure.
//
// Usage: parcelo-bench [--only NAME,...] [--json] [--repeats N] [--keep] [--docs DIR]
//   --only   runs only the named measures: open, first-thumbnail, thumbnails,
//            jump, save, save-bookmarked, by-size, memory, huge-page
//   --json   prints {"name", "measure", "unit", "ours", "peer", "ratio",
//            "target", "pass"} for every measure instead of the table
//   --keep   keeps the run's folder (its documents can be reused with --docs)
//   --docs   takes mixed.pdf and plain.pdf from DIR instead of writing them
#include "BenchDocuments.h"

#include "engine/PDFInstanceManager.h"
#include "session/BookmarkSections.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/SaveSplit.h"
#include "session/Settings.h"
#include "session/SplitBySize.h"
#include "session/SplitSection.h"
#include "support/ConsoleMessages.h"
#include "session/SessionUser.h"
#include "ui/DialogUser.h"

#include <QApplication>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <iostream>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;
constexpr const char* kMemoryChildFlag = "--memory-child";

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Samples
{
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    bool Empty() const { return values.empty(); }
    double Median() const
    {
        if (values.empty())
            return 0;
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    double Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double Mean() const
    {
        double sum = 0;
        for (double v : values)
            sum += v;
        return values.empty() ? 0 : sum / static_cast<double>(values.size());
    }
};

QString Ms(double ms)
{
    if (ms >= 10000)
        return QString::number(ms / 1000.0, 'f', 2) + QStringLiteral(" s");
    return QString::number(ms, 'f', ms < 100 ? 1 : 0) + QStringLiteral(" ms");
}

QString Bytes(double bytes)
{
    if (bytes >= kMiB)
        return QString::number(bytes / kMiB, 'f', 1) + QStringLiteral(" MiB");
    return QString::number(bytes / 1024.0, 'f', 1) + QStringLiteral(" KiB");
}

// Peak and current resident memory of this process, in bytes.
std::uint64_t StatusValue(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray wanted(key);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(wanted)) {
            const QList<QByteArray> parts = line.mid(wanted.size()).simplified().split(' ');
            return parts.isEmpty() ? 0 : parts[0].toULongLong() * 1024;
        }
    }
    return 0;
}

// Processor time of the calling thread.
double ThreadCpuMs()
{
    timespec t {};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0)
        return 0;
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

QString LoadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
}

struct ToolRun
{
    bool ok = false;
    double ms = 0;
    QByteArray out;
    QByteArray err;
};

// Runs a command-line tool to its end; the time is wall clock from start to
// exit, process start-up included.
ToolRun RunTool(const QString& program, const QStringList& arguments)
{
    ToolRun run;
    QProcess process;
    const Clock::time_point start = Clock::now();
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return run;
    process.waitForFinished(-1);
    run.ms = MsSince(start);
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    run.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return run;
}

int CountFiles(const QString& folder)
{
    return static_cast<int>(QDir(folder).entryList(QDir::Files).size());
}

// Counts page announcements of the page image service.
class ThumbnailWaiter : public PDFInstanceManager::PDFPageCallback
{
public:
    // Expects pages 1 ... count.
    void Expect(PDFInstance* instance, int count)
    {
        std::vector<int> all;
        for (int page = 1; page <= count; ++page)
            all.push_back(page);
        Expect(instance, count, all);
    }

    // Expects the listed pages of a document of pageCount pages; others are
    // counted as announced but not waited for.
    void Expect(PDFInstance* instance, int pageCount, const std::vector<int>& pages)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_instance = instance;
        m_expected = static_cast<int>(pages.size());
        m_received = 0;
        m_pages.assign(static_cast<size_t>(std::max(pageCount, 0)) + 1, 0);
        m_wanted.assign(m_pages.size(), 0);
        for (int page : pages) {
            if (page >= 1 && page < static_cast<int>(m_wanted.size()))
                m_wanted[static_cast<size_t>(page)] = 1;
        }
        m_first.reset();
    }

    void PageRetrieved(PDFInstance* instance, int page) override
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(m_mutex);
        if (instance != m_instance || page < 1 || page >= static_cast<int>(m_pages.size()))
            return;
        if (!m_first)
            m_first = now;
        if (!m_pages[static_cast<size_t>(page)]++ && m_wanted[static_cast<size_t>(page)])
            ++m_received;
        if (m_received >= m_expected)
            m_done.notify_all();
    }

    // Waits until every expected page was announced; false on time-out.
    bool Wait(std::chrono::seconds limit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_done.wait_for(lock, limit, [this] { return m_received >= m_expected; });
    }

    std::optional<Clock::time_point> First()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_first;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    PDFInstance* m_instance = nullptr;
    int m_expected = 0;
    int m_received = 0;
    std::vector<int> m_pages;
    std::vector<char> m_wanted;
    std::optional<Clock::time_point> m_first;
};

// The size the benchmark renders thumbnails at: as many pixels as
// pdftoppm -r 14.4 gives a letter page (158 pixels high).
const PageImageTarget kBenchThumbnail{158, 1.0};
// The largest thumbnail height the window offers.
constexpr int kLargestThumbnail = kLargestThumbnailHeight;

PageImageTarget ThumbnailTarget(int height, double pixelRatio = 1.0)
{
    return PageImageTarget{height, pixelRatio};
}

// Asks for a page's thumbnail as a card does when it draws the page.
void RequestThumbnail(PDFInstance* document, int page, const PageImageTarget& target)
{
    document->GetPageImage(page, false, target);
}

// Bytes of pixels of the cached thumbnail; 0 when none is cached.
double CachedThumbnailBytes(PDFInstance* document, int page, const PageImageTarget& target)
{
    const QImage image = document->GetPageImage(page, false, target);
    return image.isNull() ? 0.0 : static_cast<double>(image.sizeInBytes());
}

// Tells the document which pages the input area shows, as the area does
// whenever it is painted.
void ShowPages(PDFInstance* document, const std::vector<int>& pages)
{
    static const int inputArea = 0;
    document->SetShownPages(&inputArea, pages);
}

// The input area's layout for a document of portrait pages at a thumbnail
// height: every cell is the image plus a 30-pixel band, cells 6 pixels apart,
// the first 15 pixels below the top, 3 pixels below the last one; the client
// area is `viewHeight` pixels high.
class InputAreaModel
{
public:
    InputAreaModel(int pages, int thumbnailHeight, int viewHeight)
        : m_pages(pages), m_cell(thumbnailHeight + 30), m_view(viewHeight)
    {
    }
    int Top(int page) const { return 15 + (page - 1) * (m_cell + 6); }
    int ContentHeight() const { return m_pages > 0 ? Top(m_pages) + m_cell + 3 : 0; }
    int LastScrollPos() const { return std::max(0, ContentHeight() - m_view); }
    std::vector<int> PagesShownAt(int scrollPos) const
    {
        std::vector<int> shown;
        for (int page = 1; page <= m_pages; ++page) {
            if (Top(page) < scrollPos + m_view && Top(page) + m_cell > scrollPos)
                shown.push_back(page);
        }
        return shown;
    }

private:
    int m_pages;
    int m_cell;
    int m_view;
};

// Counts the trial files of each group: GroupBySize measures prefixes of the
// remaining pages, so a new remainder length starts a new group.
class CountingMeasurer : public PageGroupMeasurer
{
public:
    explicit CountingMeasurer(PageGroupMeasurer& inner) : m_inner(inner) {}

    std::optional<std::uint64_t> MeasurePages(const PageList& pages, std::size_t n) override
    {
        if (m_groups.empty() || m_groups.back().remaining != pages.size())
            m_groups.push_back({pages.size(), 0});
        ++m_groups.back().trials;
        const std::optional<std::uint64_t> size = m_inner.MeasurePages(pages, n);
        if (size)
            m_bytes += static_cast<double>(*size);
        return size;
    }

    std::vector<std::uint64_t> EstimatePrefixSizes(const PageList& pages, std::uint64_t limit) override
    {
        return m_inner.EstimatePrefixSizes(pages, limit);
    }

    // Bytes of all trial files written.
    double TrialBytes() const { return m_bytes; }

    struct Group
    {
        std::size_t remaining; // pages searched for this group
        int trials;
    };
    const std::vector<Group>& Groups() const { return m_groups; }

private:
    PageGroupMeasurer& m_inner;
    std::vector<Group> m_groups;
    double m_bytes = 0;
};

// One measure: the table's five cells, and the same facts as numbers for
// --json (NaN where a number does not apply).
struct Row
{
    QString measure, ours, peer, limit, result;
    QString name;              // the measure's --only name
    QString unit;              // "ms", "bytes" or "count"
    double oursValue = std::nan("");
    double peerValue = std::nan("");
    double ratio = std::nan("");
    QString target;            // what passes, e.g. "ratio <= 1.00"
    std::optional<bool> pass;  // none: reported for information
};

QJsonValue JsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonObject RowJson(const Row& row)
{
    QJsonObject object;
    object.insert(QStringLiteral("name"), row.name);
    object.insert(QStringLiteral("measure"), row.measure);
    object.insert(QStringLiteral("unit"), row.unit);
    object.insert(QStringLiteral("ours"), JsonNumber(row.oursValue));
    object.insert(QStringLiteral("peer"), JsonNumber(row.peerValue));
    object.insert(QStringLiteral("ratio"), JsonNumber(row.ratio));
    object.insert(QStringLiteral("target"), row.target.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(row.target));
    object.insert(QStringLiteral("pass"), row.pass ? QJsonValue(*row.pass) : QJsonValue(QJsonValue::Null));
    return object;
}

QString Verdict(bool pass)
{
    return pass ? QStringLiteral("PASS") : QStringLiteral("MISS");
}

// A time of ours beside a peer's time; with a finite limit it passes when
// ours / peer is at most the limit, otherwise it is reported for information.
Row RatioRow(const QString& name, const QString& measure, double oursMs, double peerMs, double limit)
{
    Row row;
    row.name = name;
    row.measure = measure;
    row.unit = QStringLiteral("ms");
    row.oursValue = oursMs;
    row.peerValue = peerMs;
    row.ours = std::isfinite(oursMs) ? Ms(oursMs) : QStringLiteral("-");
    row.peer = std::isfinite(peerMs) ? Ms(peerMs) : QStringLiteral("-");
    if (std::isfinite(oursMs) && std::isfinite(peerMs) && peerMs > 0)
        row.ratio = oursMs / peerMs;
    const QString ratioText = std::isfinite(row.ratio) ? QString::number(row.ratio, 'f', 2) : QStringLiteral("-");
    if (std::isfinite(limit)) {
        row.target = QStringLiteral("ratio <= %1").arg(limit, 0, 'f', 2);
        row.limit = QStringLiteral("ratio %1 (<= %2)").arg(ratioText).arg(limit, 0, 'f', 2);
        row.pass = std::isfinite(row.ratio) && row.ratio <= limit;
        row.result = Verdict(*row.pass);
    } else {
        row.limit = QStringLiteral("ratio ") + ratioText;
        row.result = QStringLiteral("info");
    }
    return row;
}

// A value of ours against a fixed limit (no peer); pass may be none for a
// value reported for information.
Row LimitRow(const QString& name, const QString& measure, const QString& unit, double ours, const QString& oursText,
             const QString& target, std::optional<bool> pass)
{
    Row row;
    row.name = name;
    row.measure = measure;
    row.unit = unit;
    row.oursValue = ours;
    row.ours = oursText;
    row.peer = QStringLiteral("-");
    row.limit = target.isEmpty() ? QStringLiteral("-") : target;
    row.target = target;
    row.pass = pass;
    row.result = pass ? Verdict(*pass) : QStringLiteral("info");
    return row;
}

class Bench
{
public:
    Bench(CParceloApp& app, QString folder, int repeats)
        : m_app(app), m_folder(std::move(folder)), m_repeats(std::max(1, repeats))
    {
        PDFInstanceManager::Get().SetCallback(&m_waiter);
    }
    ~Bench() { PDFInstanceManager::Get().SetCallback(nullptr); }

    // Writes the documents, or takes them from `reuse` (a folder kept by an
    // earlier run with --keep) when it holds them.
    bool MakeDocuments(bool mixed, bool plain, const QString& reuse, bool bookmarked = false);
    void MeasureOpen(const QString& label, const QString& path);
    void MeasureFirstThumbnail();
    void MeasureThumbnails();
    void MeasureJump();
    void MeasureSaves();
    void MeasureBookmarkedSaves();
    void MeasureWindowDuringSave();
    void MeasureSplitBySize(std::uint64_t limit, const QString& label);
    void MeasureMemory(const QString& self);
    void MeasureHugePages(const QString& self);
    // Prints the table; false when a measurement failed.
    bool Print(const QString& loadBefore);
    // Prints the measures as a JSON array; false when a measurement failed.
    bool PrintJson();

    QString MixedPath() const { return m_folder + QStringLiteral("/mixed.pdf"); }
    QString PlainPath() const { return m_folder + QStringLiteral("/plain.pdf"); }
    QString HugePath() const { return m_folder + QStringLiteral("/huge.pdf"); }
    QString BookmarkedPath() const { return m_folder + QStringLiteral("/bookmarked.pdf"); }

private:
    QString NewFolder(const QString& name)
    {
        const QString path = m_folder + QLatin1Char('/') + name + QString::number(++m_folderSerial);
        QDir().mkpath(path);
        return path;
    }
    void Note(const QString& text) { std::cerr << "parcelo-bench: " << text.toStdString() << std::endl; }
    void Fail(const QString& text)
    {
        Note(QStringLiteral("ERROR: ") + text);
        m_failures.append(text);
    }
    bool OpenOurs(const QString& path)
    {
        if (m_app.SourcePath() == path && m_app.Document())
            return true;
        return m_app.OpenDocument(path);
    }
    // Replaces the session's sections with one per ten pages, in order.
    void SectionsOfTenPages()
    {
        m_app.ClearAllSections();
        const int pages = m_app.PageCount();
        for (int first = 1; first <= pages; first += 10) {
            PageList group;
            for (int page = first; page < first + 10 && page <= pages; ++page)
                group.push_back(page);
            m_app.AddSection(group);
        }
    }
    // Saves the session's sections into the folder through Save Split.
    bool SaveInto(const QString& folder)
    {
        SaveRequest request;
        request.sourcePath = m_app.SourcePath();
        request.sourcePassword = DocumentPassword(m_app);
        for (const auto& section : m_app.Sections())
            request.sections.push_back(section.get());
        request.setFileName = [this](SplitSection* section, const QString& name) {
            m_app.SetSectionFileName(section, name);
        };
        request.folder = folder;
        return SaveSections(request) == SaveOutcome::Saved;
    }

    CParceloApp& m_app;
    QString m_folder;
    int m_repeats;
    int m_folderSerial = 0;
    ThumbnailWaiter m_waiter;
    std::vector<Row> m_rows;
    QStringList m_context;
    QStringList m_failures;
    std::optional<double> m_fullSaveMs;
    std::optional<double> m_save100Ms;
};

bool Bench::MakeDocuments(bool mixed, bool plain, const QString& reuse, bool bookmarked)
{
    // Copies the document from a kept folder of an earlier run, else writes it.
    auto provide = [&](const QString& name, const QString& what, bool (*write)(const QString&, int), int pages) {
        const QString path = m_folder + QLatin1Char('/') + name;
        if (!reuse.isEmpty() && QFile::copy(reuse + QLatin1Char('/') + name, path))
            return true;
        Note(QStringLiteral("writing the %1").arg(what));
        if (write(path, pages))
            return true;
        Fail(QStringLiteral("cannot write the %1").arg(what));
        return false;
    };
    if (mixed && !provide(QStringLiteral("mixed.pdf"), QStringLiteral("1,000-page mixed document"),
                          &BenchDocuments::WriteMixedDocument, 1000))
        return false;
    if (mixed) {
        // What single pages weigh: the size of a one-page file of each of the
        // first 30 pages, less the size of a file without pages.
        SpliceTrialMeasurer measurer(MixedPath(), QString());
        Samples sizes;
        const std::optional<std::uint64_t> empty = measurer.MeasurePages(PageList{}, 0);
        for (int page = 1; page <= 30; ++page) {
            if (const auto size = measurer.MeasurePages(PageList{page}, 1))
                sizes.Add(static_cast<double>(*size) - static_cast<double>(empty.value_or(0)));
        }
        m_context.append(QStringLiteral("mixed.pdf: 1000 pages, %1; one-page files of pages 1-30 add %2 to %3 "
                                        "(mean %4) to an empty file of %5")
                             .arg(Bytes(QFileInfo(MixedPath()).size()), Bytes(sizes.Min()), Bytes(sizes.Max()),
                                  Bytes(sizes.Mean()), Bytes(static_cast<double>(empty.value_or(0)))));
    }
    if (bookmarked && !provide(QStringLiteral("bookmarked.pdf"), QStringLiteral("1,000-page bookmarked document"),
                               &BenchDocuments::WriteBookmarkedDocument, 1000))
        return false;
    if (plain && !provide(QStringLiteral("plain.pdf"), QStringLiteral("10,000-page plain document"),
                          &BenchDocuments::WritePlainDocument, 10000))
        return false;
    if (plain) {
        m_context.append(QStringLiteral("plain.pdf: 10000 pages, %1").arg(Bytes(QFileInfo(PlainPath()).size())));
    }
    return true;
}

void Bench::MeasureOpen(const QString& label, const QString& path)
{
    Note(QStringLiteral("open to page count: ") + label);
    m_app.CloseDocument();
    Samples ours, peer;
    int ourCount = 0, peerCount = 0;
    const int repeats = std::max(m_repeats, 5);
    for (int r = 0; r < repeats; ++r) {
        auto runPeer = [&] {
            const ToolRun run = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), path});
            if (!run.ok)
                return Fail(QStringLiteral("qpdf --show-npages failed: ") + QString::fromLocal8Bit(run.err));
            peerCount = run.out.trimmed().toInt();
            peer.Add(run.ms);
        };
        auto runOurs = [&] {
            const Clock::time_point start = Clock::now();
            const bool opened = m_app.OpenDocument(path);
            const int count = m_app.PageCount();
            const double ms = MsSince(start);
            m_app.CloseDocument();
            if (!opened)
                return Fail(QStringLiteral("cannot open ") + path);
            ourCount = count;
            ours.Add(ms);
        };
        if (r % 2) {
            runOurs();
            runPeer();
        } else {
            runPeer();
            runOurs();
        }
    }
    if (ourCount != peerCount)
        Fail(QStringLiteral("page counts differ: ours %1, qpdf %2").arg(ourCount).arg(peerCount));
    m_rows.push_back(RatioRow(QStringLiteral("open"),
                              QStringLiteral("open to page count, %1 (%2 pages; vs qpdf --show-npages)").arg(label).arg(ourCount),
                              ours.Median(), peer.Median(), std::nan("")));
}

void Bench::MeasureFirstThumbnail()
{
    Note(QStringLiteral("time to the first thumbnail after open"));
    m_app.CloseDocument();
    // A document is opened at any moment, whatever the workers were doing:
    // each run starts after a random pause.
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> pause(0, 249);
    Samples firsts, opens, afterOpen;
    const int repeats = std::max(25, m_repeats);
    for (int r = 0; r < repeats; ++r) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        const Clock::time_point start = Clock::now();
        if (!m_app.OpenDocument(MixedPath()))
            return Fail(QStringLiteral("cannot open the mixed document"));
        const Clock::time_point opened = Clock::now();
        ParceloInstance* document = m_app.Document();
        m_waiter.Expect(document, 1);
        RequestThumbnail(document, 1, ThumbnailTarget(m_app.thumbnailSize));
        if (!m_waiter.Wait(std::chrono::seconds(30)))
            Fail(QStringLiteral("first thumbnail did not arrive"));
        else if (const auto first = m_waiter.First()) {
            firsts.Add(std::chrono::duration<double, std::milli>(*first - start).count());
            opens.Add(std::chrono::duration<double, std::milli>(opened - start).count());
            afterOpen.Add(std::chrono::duration<double, std::milli>(*first - opened).count());
        }
        m_app.CloseDocument();
    }
    // The render of page 1 alone, on this thread, for comparison.
    Samples render;
    if (m_app.OpenDocument(MixedPath())) {
        const Clock::time_point start = Clock::now();
        m_app.Document()->GetPageImage(1, true, ThumbnailTarget(m_app.thumbnailSize));
        render.Add(MsSince(start));
        m_app.CloseDocument();
    }
    m_context.append(QStringLiteral("first thumbnail: open %1, then queue wait and render %2 (median; max %3); "
                                    "page 1 renders in %4 on the calling thread")
                         .arg(Ms(opens.Median()), Ms(afterOpen.Median()), Ms(afterOpen.Max()), Ms(render.Median())));
    const bool firstPass = !firsts.Empty() && firsts.Median() <= 50 && firsts.Max() <= 100;
    m_rows.push_back(LimitRow(QStringLiteral("first-thumbnail"),
                              QStringLiteral("first thumbnail after open, mixed (median of %1)").arg(repeats),
                              QStringLiteral("ms"), firsts.Median(), Ms(firsts.Median()),
                              QStringLiteral("<= 50 ms, max <= 100 ms"), firstPass));
    m_rows.push_back(LimitRow(QStringLiteral("first-thumbnail"),
                              QStringLiteral("first thumbnail after open, mixed (max of %1)").arg(repeats),
                              QStringLiteral("ms"), firsts.Max(), Ms(firsts.Max()), QStringLiteral("<= 100 ms"),
                              !firsts.Empty() && firsts.Max() <= 100));
}

void Bench::MeasureThumbnails()
{
    Note(QStringLiteral("all thumbnails at 14.4 dpi, mixed document"));
    m_app.CloseDocument();
    Samples ours, ppm, mutool;
    const int repeats = std::max(3, m_repeats / 2 + 1);
    int pages = 0;
    double rawBytes = 0;
    const bool haveMutool = !QStandardPaths::findExecutable(QStringLiteral("mutool")).isEmpty();
    if (!haveMutool)
        Note(QStringLiteral("mutool is not installed (Debian package mupdf-tools): its column stays empty"));
    for (int r = 0; r < repeats; ++r) {
        auto runPdftoppm = [&] {
            const QString out = NewFolder(QStringLiteral("ppm"));
            const ToolRun run = RunTool(QStringLiteral("pdftoppm"),
                                        {QStringLiteral("-r"), QStringLiteral("14.4"), MixedPath(), out + QStringLiteral("/p")});
            if (!run.ok)
                Fail(QStringLiteral("pdftoppm failed: ") + QString::fromLocal8Bit(run.err));
            else if (CountFiles(out) != 1000)
                Fail(QStringLiteral("pdftoppm wrote %1 files").arg(CountFiles(out)));
            else
                ppm.Add(run.ms);
            QDir(out).removeRecursively();
        };
        auto runMutool = [&] {
            if (!haveMutool)
                return;
            const ToolRun run = RunTool(QStringLiteral("mutool"),
                                        {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"),
                                         QStringLiteral("14.4"), QStringLiteral("-F"), QStringLiteral("pnm"),
                                         QStringLiteral("-o"), QStringLiteral("/dev/null"), MixedPath()});
            if (!run.ok)
                Fail(QStringLiteral("mutool draw failed: ") + QString::fromLocal8Bit(run.err));
            else
                mutool.Add(run.ms);
        };
        auto runOurs = [&] {
            // From the open to the last page announced, as the document card
            // asks for every page.
            const Clock::time_point start = Clock::now();
            if (!m_app.OpenDocument(MixedPath()))
                return Fail(QStringLiteral("cannot open the mixed document"));
            ParceloInstance* document = m_app.Document();
            pages = m_app.PageCount();
            m_waiter.Expect(document, pages);
            for (int page = 1; page <= pages; ++page)
                RequestThumbnail(document, page, kBenchThumbnail);
            const bool done = m_waiter.Wait(std::chrono::seconds(600));
            const double ms = MsSince(start);
            int missing = 0;
            rawBytes = 0;
            for (int page = 1; page <= pages; ++page) {
                const double bytes = CachedThumbnailBytes(document, page, kBenchThumbnail);
                if (bytes > 0)
                    rawBytes += bytes;
                else
                    ++missing;
            }
            m_app.CloseDocument();
            if (!done || missing)
                return Fail(QStringLiteral("%1 thumbnails missing").arg(missing));
            ours.Add(ms);
        };
        // The three take turns in a different order each round, so none of
        // them always runs right after another has warmed the file cache.
        switch (r % 3) {
        case 0:
            runPdftoppm();
            runOurs();
            runMutool();
            break;
        case 1:
            runOurs();
            runMutool();
            runPdftoppm();
            break;
        default:
            runMutool();
            runPdftoppm();
            runOurs();
            break;
        }
    }
    auto median = [](const Samples& samples) { return samples.Empty() ? std::nan("") : samples.Median(); };
    m_rows.push_back(RatioRow(QStringLiteral("thumbnails"),
                              QStringLiteral("all thumbnails 14.4 dpi, mixed (%1 pages; vs pdftoppm -r 14.4)").arg(pages),
                              median(ours), median(ppm), 1.0));
    m_rows.push_back(RatioRow(QStringLiteral("thumbnails"),
                              QStringLiteral("all thumbnails 14.4 dpi, mixed (%1 pages; vs mutool draw -r 14.4, stretch)").arg(pages),
                              median(ours), median(mutool), 1.0));
    m_context.append(QStringLiteral("thumbnails of mixed.pdf: %1 of pixels; per page ours %2, pdftoppm %3, mutool %4")
                         .arg(Bytes(rawBytes), Ms(median(ours) / std::max(pages, 1)),
                              Ms(median(ppm) / std::max(pages, 1)), Ms(median(mutool) / std::max(pages, 1))));
}

void Bench::MeasureJump()
{
    Note(QStringLiteral("visible pages after a jump to the end, mixed document"));
    m_app.CloseDocument();
    Samples times;
    const int repeats = std::max(5, m_repeats);
    int shownAtEnd = 0;
    for (int r = 0; r < repeats; ++r) {
        if (!m_app.OpenDocument(MixedPath()))
            return Fail(QStringLiteral("cannot open the mixed document"));
        ParceloInstance* document = m_app.Document();
        const int pages = m_app.PageCount();
        const InputAreaModel area(pages, m_app.thumbnailSize, 900);
        // The document card appears: its first screen asks for its pages.
        auto paint = [&](int scrollPos) {
            const std::vector<int> shown = area.PagesShownAt(scrollPos);
            ShowPages(document, shown);
            for (int page : shown)
                RequestThumbnail(document, page, ThumbnailTarget(m_app.thumbnailSize));
            return shown;
        };
        paint(0);
        // The user drags the scroll bar's thumb to the bottom in about half
        // a second; the area repaints at every step of the pointer.
        constexpr int kSteps = 30;
        for (int step = 1; step < kSteps; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
            paint(area.LastScrollPos() * step / kSteps);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
        const std::vector<int> last = area.PagesShownAt(area.LastScrollPos());
        m_waiter.Expect(document, pages, last);
        const Clock::time_point start = Clock::now();
        paint(area.LastScrollPos());
        const bool done = m_waiter.Wait(std::chrono::seconds(120));
        const double ms = MsSince(start);
        m_app.CloseDocument();
        if (!done)
            return Fail(QStringLiteral("the pages shown after the jump did not arrive"));
        times.Add(ms);
        shownAtEnd = static_cast<int>(last.size());
    }
    m_rows.push_back(LimitRow(QStringLiteral("jump"),
                              QStringLiteral("visible pages after a jump to the end, mixed (%1 pages on 900 px; median of %2)")
                                  .arg(shownAtEnd)
                                  .arg(repeats),
                              QStringLiteral("ms"), times.Median(), Ms(times.Median()), QStringLiteral("<= 300 ms"),
                              !times.Empty() && times.Median() <= 300));
    m_context.append(QStringLiteral("jump to the end: 30 repaints while the thumb is dragged over 0.5 s, then the "
                                    "last screen; its pages arrive after %1 (median; max %2)")
                         .arg(Ms(times.Median()), Ms(times.Max())));
}

void Bench::MeasureSaves()
{
    Note(QStringLiteral("saving: 100 sections of 10 pages, 1 section of all pages"));
    if (!OpenOurs(MixedPath()))
        return Fail(QStringLiteral("cannot open the mixed document"));
    const int pages = m_app.PageCount();
    Samples ours100, peer100, oursAll, copy, cpu100;
    for (int r = 0; r < m_repeats; ++r) {
        auto runOurs100 = [&] {
            SectionsOfTenPages();
            const QString out = NewFolder(QStringLiteral("save100-"));
            const double cpuStart = ThreadCpuMs();
            const Clock::time_point start = Clock::now();
            const bool saved = SaveInto(out);
            const double ms = MsSince(start);
            cpu100.Add(ThreadCpuMs() - cpuStart);
            if (!saved || CountFiles(out) != 100)
                Fail(QStringLiteral("saving 100 sections failed (%1 files)").arg(CountFiles(out)));
            else
                ours100.Add(ms);
            if (r == 0) {
                for (const QString& name : QDir(out).entryList(QDir::Files)) {
                    if (BenchDocuments::CountPages(out + QLatin1Char('/') + name) != 10)
                        Fail(QStringLiteral("saved section %1 does not hold 10 pages").arg(name));
                }
            }
            QDir(out).removeRecursively();
            m_app.ClearAllSections();
        };
        auto runPeer100 = [&] {
            const QString out = NewFolder(QStringLiteral("qpdf100-"));
            const ToolRun run = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--split-pages=10"), MixedPath(),
                                                                 out + QStringLiteral("/out.pdf")});
            if (!run.ok || CountFiles(out) != 100)
                Fail(QStringLiteral("qpdf --split-pages failed: ") + QString::fromLocal8Bit(run.err));
            else
                peer100.Add(run.ms);
            QDir(out).removeRecursively();
        };
        auto runOursAll = [&] {
            m_app.ClearAllSections();
            PageList all;
            for (int page = 1; page <= pages; ++page)
                all.push_back(page);
            m_app.AddSection(all);
            const QString out = NewFolder(QStringLiteral("saveall-"));
            const Clock::time_point start = Clock::now();
            const bool saved = SaveInto(out);
            const double ms = MsSince(start);
            if (!saved || CountFiles(out) != 1)
                Fail(QStringLiteral("saving all pages failed"));
            else
                oursAll.Add(ms);
            if (r == 0) {
                const QStringList names = QDir(out).entryList(QDir::Files);
                if (names.size() != 1 || BenchDocuments::CountPages(out + QLatin1Char('/') + names[0]) != pages)
                    Fail(QStringLiteral("the saved whole document does not hold every page"));
                else
                    m_context.append(QStringLiteral("one section of all pages saves as %1")
                                         .arg(Bytes(QFileInfo(out + QLatin1Char('/') + names[0]).size())));
            }
            QDir(out).removeRecursively();
            m_app.ClearAllSections();
        };
        auto runCopy = [&] {
            const QString out = NewFolder(QStringLiteral("cp-"));
            const ToolRun run = RunTool(QStringLiteral("cp"), {MixedPath(), out + QStringLiteral("/copy.pdf")});
            if (!run.ok)
                Fail(QStringLiteral("cp failed"));
            else
                copy.Add(run.ms);
            QDir(out).removeRecursively();
        };
        if (r % 2) {
            runOurs100();
            runPeer100();
            runOursAll();
            runCopy();
        } else {
            runPeer100();
            runOurs100();
            runCopy();
            runOursAll();
        }
    }
    m_rows.push_back(RatioRow(QStringLiteral("save"), QStringLiteral("save 100 sections x 10 pages (vs qpdf --split-pages=10)"),
                              ours100.Empty() ? std::nan("") : ours100.Median(),
                              peer100.Empty() ? std::nan("") : peer100.Median(), 1.2));
    m_rows.push_back(RatioRow(QStringLiteral("save"),
                              QStringLiteral("save 1 section of all %1 pages (vs cp of the source)").arg(pages),
                              oursAll.Empty() ? std::nan("") : oursAll.Median(),
                              copy.Empty() ? std::nan("") : copy.Median(), std::nan("")));
    if (!oursAll.Empty())
        m_fullSaveMs = oursAll.Median();
    if (!ours100.Empty())
        m_save100Ms = ours100.Median();
    m_context.append(QStringLiteral("save 100 sections: ours spends %1 on the processor of %2 wall clock (the rest "
                                    "waits for the disk: every file is on the disk before the save ends); qpdf does not sync")
                         .arg(Ms(cpu100.Median()), Ms(ours100.Median())));
}

// The same 100 sections of 10 pages from a book with 2,000 bookmarks, links
// on every page, page labels and metadata, all of which each file carries
// for its own pages; and the reading of the outline that planning sections
// at its bookmarks needs.
void Bench::MeasureBookmarkedSaves()
{
    Note(QStringLiteral("saving: 100 sections of 10 pages of a document with 2,000 bookmarks"));
    if (!OpenOurs(BookmarkedPath()))
        return Fail(QStringLiteral("cannot open the bookmarked document"));
    Samples ours, peer, plan, cpu;
    std::size_t planned = 0;
    for (int r = 0; r < m_repeats; ++r) {
        auto runOurs = [&] {
            SectionsOfTenPages();
            const QString out = NewFolder(QStringLiteral("savebm-"));
            const double cpuStart = ThreadCpuMs();
            const Clock::time_point start = Clock::now();
            const bool saved = SaveInto(out);
            const double ms = MsSince(start);
            cpu.Add(ThreadCpuMs() - cpuStart);
            if (!saved || CountFiles(out) != 100)
                Fail(QStringLiteral("saving 100 bookmarked sections failed (%1 files)").arg(CountFiles(out)));
            else
                ours.Add(ms);
            QDir(out).removeRecursively();
            m_app.ClearAllSections();
        };
        auto runPeer = [&] {
            const QString out = NewFolder(QStringLiteral("qpdfbm-"));
            const ToolRun run = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--split-pages=10"), BookmarkedPath(),
                                                                 out + QStringLiteral("/out.pdf")});
            if (!run.ok || CountFiles(out) != 100)
                Fail(QStringLiteral("qpdf --split-pages failed: ") + QString::fromLocal8Bit(run.err));
            else
                peer.Add(run.ms);
            QDir(out).removeRecursively();
        };
        // The outline is read while the document opens; planning then
        // takes it from the open document.
        auto runPlan = [&] {
            const Clock::time_point start = Clock::now();
            planned = PlanBookmarkSections(BookmarkSourceOf(m_app), 1).size();
            plan.Add(MsSince(start));
        };
        if (r % 2) {
            runOurs();
            runPeer();
        } else {
            runPeer();
            runOurs();
        }
        runPlan();
    }
    if (planned != 100)
        Fail(QStringLiteral("100 chapters planned as %1 sections").arg(planned));
    m_rows.push_back(RatioRow(QStringLiteral("save-bookmarked"),
                              QStringLiteral("save 100 sections x 10 pages, 2,000 bookmarks (vs qpdf --split-pages=10)"),
                              ours.Empty() ? std::nan("") : ours.Median(), peer.Empty() ? std::nan("") : peer.Median(),
                              1.0));
    if (m_save100Ms)
        m_rows.push_back(RatioRow(QStringLiteral("save-bookmarked"),
                                  QStringLiteral("the same with 2,000 bookmarks (vs ours without, mixed.pdf)"),
                                  ours.Empty() ? std::nan("") : ours.Median(), *m_save100Ms, std::nan("")));
    m_context.append(QStringLiteral("save 100 sections with 2,000 bookmarks: ours spends %1 on the processor of %2 "
                                    "wall clock")
                         .arg(Ms(cpu.Median()), Ms(ours.Median())));
    m_rows.push_back(LimitRow(QStringLiteral("save-bookmarked"),
                              QStringLiteral("plan 100 sections at the top level of 2,000 bookmarks (read at opening)"),
                              QStringLiteral("ms"), plan.Empty() ? std::nan("") : plan.Median(),
                              plan.Empty() ? QStringLiteral("-") : Ms(plan.Median()), QString(), std::nullopt));
}

// How often the window thread handles its events while Save Split writes
// 100 files: a timer of the window thread fires every 10 ms, and the largest
// gap between two of its ticks (or the start or end of the save) is how long
// the window could not repaint. The window's own session user runs the save
// as it does in the program: on a work thread under the progress dialog.
// The verdict takes the median over the runs of each run's largest gap (on
// a loaded machine a single run can lose the processor for longer). For
// comparison the same save is run on the window thread itself.
void Bench::MeasureWindowDuringSave()
{
    Note(QStringLiteral("window events during a 100-file save"));
    if (!OpenOurs(MixedPath()))
        return Fail(QStringLiteral("cannot open the mixed document"));
    auto largestGap = [&](bool onWorkThread) {
        SectionsOfTenPages();
        DialogUser window;
        SessionUser* previous = SetSessionUser(onWorkThread ? &window : nullptr);
        std::vector<Clock::time_point> ticks;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&ticks] { ticks.push_back(Clock::now()); });
        const QString out = NewFolder(QStringLiteral("window-"));
        timer.start();
        ticks.push_back(Clock::now());
        const bool saved = SaveInto(out);
        ticks.push_back(Clock::now());
        timer.stop();
        SetSessionUser(previous);
        if (!saved || CountFiles(out) != 100)
            Fail(QStringLiteral("saving 100 sections for the window measure failed"));
        QDir(out).removeRecursively();
        m_app.ClearAllSections();
        double gap = 0;
        for (std::size_t i = 1; i < ticks.size(); ++i)
            gap = std::max(gap, std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
        return gap;
    };
    Samples ours, inline_;
    for (int r = 0; r < std::max(3, m_repeats); ++r) {
        ours.Add(largestGap(true));
        inline_.Add(largestGap(false));
    }
    m_rows.push_back(LimitRow(QStringLiteral("save"),
                              QStringLiteral("largest gap between window events during a 100-file save (median / max)"),
                              QStringLiteral("ms"), ours.Median(),
                              Ms(ours.Median()) + QStringLiteral(" / ") + Ms(ours.Max()), QStringLiteral("<= 100 ms"),
                              ours.Median() <= 100));
    m_context.append(QStringLiteral("window during a 100-file save: largest gap %1 (median) with the save on a work "
                                    "thread; %2 when the save runs on the window thread")
                         .arg(Ms(ours.Median()), Ms(inline_.Median())));
}

void Bench::MeasureSplitBySize(std::uint64_t limit, const QString& label)
{
    Note(QStringLiteral("split by size, limit ") + label);
    if (!OpenOurs(MixedPath()))
        return Fail(QStringLiteral("cannot open the mixed document"));
    if (!m_fullSaveMs) {
        // The reference for the time: one save of every page.
        m_app.ClearAllSections();
        PageList all;
        for (int page = 1; page <= m_app.PageCount(); ++page)
            all.push_back(page);
        m_app.AddSection(all);
        const QString out = NewFolder(QStringLiteral("saveall-"));
        const Clock::time_point start = Clock::now();
        if (SaveInto(out))
            m_fullSaveMs = MsSince(start);
        QDir(out).removeRecursively();
        m_app.ClearAllSections();
    }
    const int pages = m_app.PageCount();
    PageList all;
    for (int page = 1; page <= pages; ++page)
        all.push_back(page);

    // As the By Size page does it: one measurer for each apply step. The
    // grouping is the same every time; the first run's counts are reported.
    std::vector<CountingMeasurer::Group> counts;
    double trialBytes = 0;
    std::vector<PageList> groups;
    Samples times;
    for (int r = 0; r < 3; ++r) {
        SpliceTrialMeasurer measurer(m_app.SourcePath(), DocumentPassword(m_app));
        CountingMeasurer counting(measurer);
        std::vector<PageList> found;
        const Clock::time_point start = Clock::now();
        const bool grouped = GroupBySize(all, limit, counting, found);
        times.Add(MsSince(start));
        if (!grouped)
            return Fail(QStringLiteral("split by size %1 failed").arg(label));
        if (r == 0) {
            counts = counting.Groups();
            trialBytes = counting.TrialBytes();
            groups = std::move(found);
        } else if (found != groups) {
            Fail(QStringLiteral("split by size %1 grouped differently on a second run").arg(label));
        }
    }
    const double ms = times.Median();

    // Every page once, in order.
    PageList joined;
    for (const PageList& group : groups)
        joined.insert(joined.end(), group.begin(), group.end());
    if (joined != all)
        Fail(QStringLiteral("split by size %1 lost, repeated or reordered pages").arg(label));

    if (counts.size() != groups.size())
        Fail(QStringLiteral("split by size %1: %2 searches for %3 groups").arg(label).arg(counts.size()).arg(groups.size()));
    int maxTrials = 0, overBound = 0, worstBound = 0, totalTrials = 0;
    double meanTrials = 0;
    QStringList detail;
    for (const auto& g : counts) {
        const int bound = static_cast<int>(std::ceil(std::log2(static_cast<double>(g.remaining)))) + 1;
        if (g.trials > maxTrials) {
            maxTrials = g.trials;
            worstBound = bound;
        }
        if (g.trials > bound)
            ++overBound;
        totalTrials += g.trials;
        meanTrials += static_cast<double>(g.trials) / static_cast<double>(counts.size());
        detail.append(QStringLiteral("%1/%2").arg(g.trials).arg(bound));
    }

    // Write the groups and measure the real files.
    m_app.ClearAllSections();
    for (const PageList& group : groups)
        m_app.AddSection(group);
    const QString out = NewFolder(QStringLiteral("bysize-"));
    std::uint64_t largest = 0;
    int tooBig = 0;
    if (!SaveInto(out)) {
        Fail(QStringLiteral("saving the size groups %1 failed").arg(label));
    } else {
        for (const auto& section : m_app.Sections()) {
            const std::uint64_t size =
                static_cast<std::uint64_t>(QFileInfo(out + QLatin1Char('/') + section->fileName).size());
            largest = std::max(largest, size);
            if (size > limit || size == 0)
                ++tooBig;
        }
    }
    QDir(out).removeRecursively();
    m_app.ClearAllSections();

    const QString name = QStringLiteral("split by size <= %1: ").arg(label);
    const QString by = QStringLiteral("by-size");
    m_rows.push_back(LimitRow(by, name + QStringLiteral("groups"), QStringLiteral("count"),
                              static_cast<double>(groups.size()), QString::number(groups.size()), QString(), std::nullopt));
    m_rows.push_back(LimitRow(by, name + QStringLiteral("trial writes per group (max / mean)"), QStringLiteral("count"),
                              maxTrials, QStringLiteral("%1 / %2").arg(maxTrials).arg(meanTrials, 0, 'f', 1),
                              QStringLiteral("<= ceil(log2 n)+1 (%1 at max); %2 over").arg(worstBound).arg(overBound),
                              overBound == 0));
    Row total = RatioRow(by, name + QStringLiteral("total time, median of 3 (vs one full save)"), ms,
                         m_fullSaveMs ? *m_fullSaveMs : std::nan(""), 2.0);
    m_rows.push_back(total);
    m_rows.push_back(LimitRow(by, name + QStringLiteral("largest group file written"), QStringLiteral("bytes"),
                              static_cast<double>(largest), Bytes(static_cast<double>(largest)),
                              QStringLiteral("<= %1; %2 over").arg(Bytes(static_cast<double>(limit))).arg(tooBig),
                              tooBig == 0 && largest > 0));
    const double documentBytes = static_cast<double>(QFileInfo(MixedPath()).size());
    m_context.append(QStringLiteral("split by size %1: %2 trial files of %3 in all (%4 times the document); "
                                    "trial writes / bound per group: %5")
                         .arg(label)
                         .arg(totalTrials)
                         .arg(Bytes(trialBytes))
                         .arg(trialBytes / std::max(documentBytes, 1.0), 0, 'f', 1)
                         .arg(detail.join(QLatin1Char(' '))));
}

void Bench::MeasureMemory(const QString& self)
{
    // At the largest thumbnail height, once for an ordinary screen and once
    // for one with two device pixels per logical pixel.
    for (const double ratio : {1.0, 2.0}) {
        Note(QStringLiteral("peak memory with every thumbnail of the 10,000-page document at device pixel ratio %1 "
                            "(child process)")
                 .arg(ratio));
        const ToolRun run = RunTool(self, {QString::fromLatin1(kMemoryChildFlag), PlainPath(), QString::number(ratio)});
        const QList<QByteArray> fields = run.out.trimmed().split(' ');
        if (!run.ok || fields.size() < 6 || fields[0] != "memory") {
            Fail(QStringLiteral("the memory run failed: ") + QString::fromLocal8Bit(run.err + run.out));
            continue;
        }
        const double hwm = fields[1].toDouble();
        const double raw = fields[2].toDouble();
        const int pages = fields[3].toInt();
        const double renderMs = fields[4].toDouble();
        const double baseline = fields[5].toDouble();
        const double limit = raw + 150 * kMiB;
        Row row;
        row.name = QStringLiteral("memory");
        row.measure = QStringLiteral("peak RSS, all %1 thumbnails of plain cached, ratio %2 (vs raw pixels)")
                          .arg(pages)
                          .arg(ratio);
        row.unit = QStringLiteral("bytes");
        row.oursValue = hwm;
        row.peerValue = raw;
        row.ratio = raw > 0 ? hwm / raw : std::nan("");
        row.ours = Bytes(hwm);
        row.peer = Bytes(raw);
        row.target = QStringLiteral("<= raw + 150 MiB");
        row.limit = QStringLiteral("<= raw + 150 MiB = %1").arg(Bytes(limit));
        row.pass = pages == 10000 && hwm <= limit;
        row.result = Verdict(*row.pass);
        m_rows.push_back(row);
        m_context.append(QStringLiteral("memory child at ratio %1: peak before opening %2; peak over raw pixels %3; "
                                        "open and all 10000 thumbnails took %4")
                             .arg(ratio)
                             .arg(Bytes(baseline), Bytes(hwm - raw), Ms(renderMs)));
    }
}

void Bench::MeasureHugePages(const QString& self)
{
    // Pages 1e9 points on a side, each rendered for the largest cell: the
    // time and memory a thumbnail costs must follow the cell, not the page.
    constexpr int kHugePages = 40;
    const QString path = HugePath();
    if (!QFileInfo::exists(path)) {
        Note(QStringLiteral("writing the %1-page document with 1e9-point pages").arg(kHugePages));
        if (!BenchDocuments::WriteHugePageDocument(path, kHugePages))
            return Fail(QStringLiteral("cannot write the document with 1e9-point pages"));
    }
    Note(QStringLiteral("thumbnails of %1 pages of 1e9 points at the largest cell (child process)").arg(kHugePages));
    const int repeats = std::max(3, m_repeats / 2 + 1);
    Samples ours, peer, peaks, overBaseline;
    int widest = 0, highest = 0, cached = 0;
    for (int r = 0; r < repeats; ++r) {
        const ToolRun run = RunTool(self, {QString::fromLatin1(kMemoryChildFlag), path, QStringLiteral("1")});
        const QList<QByteArray> fields = run.out.trimmed().split(' ');
        if (!run.ok || fields.size() < 8 || fields[0] != "memory")
            return Fail(QStringLiteral("the run over 1e9-point pages failed: ") + QString::fromLocal8Bit(run.err + run.out));
        peaks.Add(fields[1].toDouble());
        cached = fields[3].toInt();
        ours.Add(fields[4].toDouble());
        overBaseline.Add(fields[1].toDouble() - fields[5].toDouble());
        widest = std::max(widest, fields[6].toInt());
        highest = std::max(highest, fields[7].toInt());
        // The same pages scaled to the cell's height by Poppler's own renderer.
        const QString out = NewFolder(QStringLiteral("huge"));
        const ToolRun tool = RunTool(QStringLiteral("pdftoppm"),
                                     {QStringLiteral("-scale-to"), QString::number(kLargestThumbnail), path,
                                      out + QStringLiteral("/p")});
        if (tool.ok)
            peer.Add(tool.ms);
        QDir(out).removeRecursively();
    }
    const bool bounded = cached == kHugePages && widest <= kLargestThumbnail * kWidestThumbnailRatio &&
                         highest <= kLargestThumbnail;
    m_rows.push_back(RatioRow(QStringLiteral("huge-page"),
                              QStringLiteral("open and %1 thumbnails of 1e9-point pages (vs pdftoppm -scale-to %2)")
                                  .arg(kHugePages)
                                  .arg(kLargestThumbnail),
                              ours.Median(), peer.Empty() ? std::nan("") : peer.Median(), std::nan("")));
    m_rows.push_back(LimitRow(QStringLiteral("huge-page"),
                              QStringLiteral("peak RSS over the start, %1 thumbnails of 1e9-point pages cached").arg(kHugePages),
                              QStringLiteral("bytes"), overBaseline.Median(), Bytes(overBaseline.Median()),
                              QStringLiteral("images within the largest cell"), bounded));
    m_context.append(QStringLiteral("1e9-point pages: %1 of %2 cached, largest image %3 x %4 px; peak RSS %5 (median of %6)")
                         .arg(cached)
                         .arg(kHugePages)
                         .arg(widest)
                         .arg(highest)
                         .arg(Bytes(peaks.Median()))
                         .arg(repeats));
}

bool Bench::PrintJson()
{
    QJsonArray rows;
    for (const Row& row : m_rows)
        rows.append(RowJson(row));
    for (const QString& text : m_failures) {
        QJsonObject failure;
        failure.insert(QStringLiteral("name"), QStringLiteral("error"));
        failure.insert(QStringLiteral("measure"), text);
        failure.insert(QStringLiteral("pass"), false);
        rows.append(failure);
    }
    std::cout << QJsonDocument(rows).toJson(QJsonDocument::Indented).toStdString();
    std::cout.flush();
    return m_failures.isEmpty();
}

bool Bench::Print(const QString& loadBefore)
{
    const QStringList header = {QStringLiteral("Measure"), QStringLiteral("Ours"), QStringLiteral("Peer"),
                                QStringLiteral("Ratio or limit"), QStringLiteral("Result")};
    std::vector<int> widths;
    for (const QString& h : header)
        widths.push_back(static_cast<int>(h.size()));
    for (const Row& row : m_rows) {
        const QString cells[] = {row.measure, row.ours, row.peer, row.limit, row.result};
        for (int i = 0; i < 5; ++i)
            widths[static_cast<size_t>(i)] = std::max(widths[static_cast<size_t>(i)], static_cast<int>(cells[i].size()));
    }
    auto line = [&](const QStringList& cells) {
        QString text;
        for (int i = 0; i < cells.size(); ++i) {
            if (i)
                text += QStringLiteral(" | ");
            text += cells[i].leftJustified(widths[static_cast<size_t>(i)]);
        }
        std::cout << text.trimmed().toStdString() << '\n';
    };
    std::cout << "parcelo-bench: " << std::thread::hardware_concurrency() << " cores, load average "
              << loadBefore.toStdString() << " at start, " << LoadAverage().toStdString()
              << " at end; times are wall-clock medians; peers run interleaved with ours\n";
    line(header);
    QStringList rule;
    for (int w : widths)
        rule.append(QString(w, QLatin1Char('-')));
    std::cout << rule.join(QStringLiteral("-|-")).toStdString() << '\n';
    for (const Row& row : m_rows)
        line({row.measure, row.ours, row.peer, row.limit, row.result});
    for (const QString& text : m_context)
        std::cout << "  " << text.toStdString() << '\n';
    for (const QString& text : m_failures)
        std::cout << "  ERROR: " << text.toStdString() << '\n';
    std::cout.flush();
    return m_failures.isEmpty();
}

// The hidden child run: open the document, render and cache every thumbnail
// through the page image service, then report the peak resident memory.
int MemoryChild(const QString& path, double pixelRatio)
{
    CParceloApp app;
    if (!app.InitInstance())
        return 1;
    const std::uint64_t baseline = StatusValue("VmHWM:");
    ThumbnailWaiter waiter;
    PDFInstanceManager::Get().SetCallback(&waiter);
    const Clock::time_point start = Clock::now();
    if (!app.OpenDocument(path)) {
        std::cerr << "cannot open " << path.toStdString() << '\n';
        return 1;
    }
    ParceloInstance* document = app.Document();
    const int pages = app.PageCount();
    waiter.Expect(document, pages);
    const PageImageTarget target = ThumbnailTarget(kLargestThumbnail, pixelRatio);
    for (int page = 1; page <= pages; ++page)
        RequestThumbnail(document, page, target);
    if (!waiter.Wait(std::chrono::seconds(1800))) {
        std::cerr << "thumbnails did not arrive\n";
        return 1;
    }
    const double ms = MsSince(start);
    double raw = 0;
    int cached = 0;
    int widest = 0, highest = 0;
    for (int page = 1; page <= pages; ++page) {
        const QImage image = document->GetPageImage(page, false, target);
        if (!image.isNull()) {
            raw += static_cast<double>(image.sizeInBytes());
            ++cached;
            widest = std::max(widest, image.width());
            highest = std::max(highest, image.height());
        }
    }
    const std::uint64_t peak = StatusValue("VmHWM:");
    std::cout << "memory " << peak << ' ' << static_cast<std::uint64_t>(raw) << ' ' << cached << ' ' << ms << ' '
              << baseline << ' ' << widest << ' ' << highest << std::endl;
    PDFInstanceManager::Get().SetCallback(nullptr);
    app.CloseDocument();
    app.ExitInstance();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ShowOnlySevereToolkitMessages();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Settings and the engine configuration go into a folder of this run, so
    // the user's own are never touched. The child inherits them.
    const bool child = argc >= 4 && std::string(argv[1]) == kMemoryChildFlag;
    std::unique_ptr<QTemporaryDir> work;
    if (!child) {
        work = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/parcelo-bench-XXXXXX"));
        if (!work->isValid()) {
            std::cerr << "parcelo-bench: cannot create a temporary folder\n";
            return 1;
        }
        qputenv("PARCELO_SETTINGS_DIR", QFile::encodeName(work->path() + QStringLiteral("/settings")));
        qputenv("PARCELO_COMMON_APPDATA", QFile::encodeName(work->path() + QStringLiteral("/appdata")));
        QDir().mkpath(work->path() + QStringLiteral("/appdata/Talvane"));
    }

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Parcelo"));
    ApplySettingsLocationOverride();

    // Messages of the save and grouping code are printed, never shown.
    SetMessageHandler([](const MessageRequest& request) {
        std::cerr << "parcelo-bench: message: " << request.text.toStdString() << '\n';
        return (request.buttons & Prompt::Ok) ? Prompt::Ok : Prompt::No;
    });

    if (child)
        return MemoryChild(QString::fromLocal8Bit(argv[2]), std::atof(argv[3]));

    QStringList only;
    int repeats = 5;
    bool json = false;
    QString reuse;
    const QStringList known = {QStringLiteral("open"),     QStringLiteral("first-thumbnail"), QStringLiteral("thumbnails"),
                               QStringLiteral("jump"),     QStringLiteral("save"),            QStringLiteral("save-bookmarked"),
                               QStringLiteral("by-size"),
                               QStringLiteral("memory"),   QStringLiteral("huge-page")};
    const QString usage = QStringLiteral("usage: parcelo-bench [--only %1] [--json] [--repeats N] [--keep] [--docs DIR]\n")
                              .arg(known.join(QLatin1Char(',')));
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--only") && i + 1 < arguments.size()) {
            only = arguments[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString& name : only) {
                if (!known.contains(name)) {
                    std::cerr << "parcelo-bench: no measure is called " << name.toStdString() << '\n'
                              << usage.toStdString();
                    return 2;
                }
            }
        } else if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--repeats") && i + 1 < arguments.size()) {
            repeats = arguments[++i].toInt();
        } else if (a == QLatin1String("--docs") && i + 1 < arguments.size()) {
            reuse = arguments[++i];
        } else if (a == QLatin1String("--keep")) {
            work->setAutoRemove(false);
            std::cerr << "parcelo-bench: keeping " << work->path().toStdString() << '\n';
        } else {
            std::cerr << usage.toStdString();
            return a == QLatin1String("--help") ? 0 : 2;
        }
    }
    auto wanted = [&only](const char* name) { return only.isEmpty() || only.contains(QLatin1String(name)); };
    const QString loadBefore = LoadAverage();

    CParceloApp app;
    if (!app.InitInstance()) {
        std::cerr << "parcelo-bench: the PDF engines could not be started\n";
        return 1;
    }
    int failures = 0;
    {
        Bench bench(app, work->path(), repeats);
        const bool needMixed = wanted("open") || wanted("first-thumbnail") || wanted("thumbnails") || wanted("jump") ||
                               wanted("save") || wanted("by-size");
        const bool needPlain = wanted("open") || wanted("memory");
        if (bench.MakeDocuments(needMixed, needPlain, reuse, wanted("save-bookmarked"))) {
            if (wanted("open")) {
                bench.MeasureOpen(QStringLiteral("mixed"), bench.MixedPath());
                bench.MeasureOpen(QStringLiteral("plain"), bench.PlainPath());
            }
            if (wanted("first-thumbnail"))
                bench.MeasureFirstThumbnail();
            if (wanted("thumbnails"))
                bench.MeasureThumbnails();
            if (wanted("jump"))
                bench.MeasureJump();
            if (wanted("save")) {
                bench.MeasureSaves();
                bench.MeasureWindowDuringSave();
            }
            if (wanted("save-bookmarked"))
                bench.MeasureBookmarkedSaves();
            if (wanted("by-size")) {
                bench.MeasureSplitBySize(500ull * 1024, QStringLiteral("500 KB"));
                bench.MeasureSplitBySize(2ull * 1024 * 1024, QStringLiteral("2 MB"));
            }
            app.CloseDocument();
            if (wanted("memory"))
                bench.MeasureMemory(QCoreApplication::applicationFilePath());
            if (wanted("huge-page"))
                bench.MeasureHugePages(QCoreApplication::applicationFilePath());
        }
        failures = (json ? bench.PrintJson() : bench.Print(loadBefore)) ? 0 : 1;
    }
    app.ExitInstance();
    return failures;
}
