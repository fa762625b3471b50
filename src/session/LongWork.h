#pragma once
// Long operations of the session (saving the split, measuring sections by
// size, opening a document) report their progress and learn that they must
// stop through a LongWorkProgress. They are started with RunLongWork
// (session/SessionUser.h): the window runs them on a work thread under its
// progress dialog while it keeps repainting; without a window they run on
// the calling thread.
//
// A long work never touches the session's sections or views while it runs:
// it works on copies and hands its result back when it has ended. What it
// needs to ask (a password, a question) it asks through the session's
// SessionUser functions, which the window brings to its own thread.
#include <QString>
#include <functional>

class LongWorkProgress
{
public:
    virtual ~LongWorkProgress() = default;
    // The work counts from 0 up to maximum.
    virtual void SetRange(qint64 maximum) = 0;
    // What the work is doing now and how far it has come.
    virtual void SetStep(const QString& text, qint64 position) = 0;
    // True once the user asked to stop; the work stops at its next file or
    // trial and reports what it has done.
    virtual bool StopRequested() const = 0;
};

// A progress that shows nothing and never asks to stop.
class NoLongWorkProgress : public LongWorkProgress
{
public:
    void SetRange(qint64) override {}
    void SetStep(const QString&, qint64) override {}
    bool StopRequested() const override { return false; }
};

using LongWork = std::function<void(LongWorkProgress& progress)>;
