#pragma once
// Private files holding repaired copies of documents, written for the viewer
// when it cannot read a file the splicing layer reads (or would read other
// pages). They never outlive their document: a copy is removed when its
// owner is destroyed, the program's folder of copies when the program ends,
// and the folders left behind by runs that ended abnormally when the next
// run starts.
//
// Layout: the folder of copies ($PARCELO_REPAIR_DIR, else
// <cache>/parcelo/repaired, mode 0700) holds one folder per running program
// ("run-XXXXXX", mode 0700) with a "lock" file the program holds locked
// (flock) while it runs, and its copies ("copy-XXXXXX.pdf", mode 0600). A
// run folder whose lock can be taken belongs to a program that has ended.
#include <QString>

#include <memory>

class RepairedCopy
{
public:
    // Creates an empty private file for a copy in this program's run folder
    // (made at the first call). Null when it cannot be made; *systemError
    // (when given) is then the system's error number.
    static std::unique_ptr<RepairedCopy> Create(int* systemError = nullptr);

    // Removes the file.
    ~RepairedCopy();
    RepairedCopy(const RepairedCopy&) = delete;
    RepairedCopy& operator=(const RepairedCopy&) = delete;

    const QString& Path() const { return m_path; }

private:
    explicit RepairedCopy(QString path) : m_path(std::move(path)) {}
    QString m_path;
};

// The folder of copies: $PARCELO_REPAIR_DIR when set, else the user's cache
// folder's "parcelo/repaired".
QString RepairedCopiesFolder();

// Removes the run folders of programs that have ended (their lock is free),
// with everything in them. Called once at start.
void RemoveStaleRepairedCopies();

// Removes this program's run folder and the copies still in it, and lets
// its lock go. Called at the end of the program (and after the program's
// static objects, should it not have been).
void RemoveRepairedCopies();
