#pragma once
// A real session with a generated 10-page PDF, shown in a window holding the
// input area and the split area side by side; session events reach both
// areas as they do through the main view.
#include "common/PdfFixtures.h"
#include "session/CParceloApp.h"
#include "session/SplitSection.h"
#include "ui/CBaseAreaView.h"
#include "ui/CInputAreaView.h"
#include "ui/CNiceMFCButton.h"
#include "ui/CSplitAreaView.h"
#include "ui/InputAreaDocDisplay.h"
#include "session/SessionUser.h"
#include "ui/SplitSectionDisplay.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

class CardsFixture : public ::testing::Test
{
protected:
    struct FanOut : EventNotify
    {
        CInputAreaView* input = nullptr;
        CSplitAreaView* split = nullptr;
        std::vector<std::uint32_t> codes;
        void Notify(std::uint32_t code, std::uintptr_t payload) override
        {
            codes.push_back(code);
            if (input)
                input->Notify(code, payload);
            if (split)
                split->Notify(code, payload);
        }
    };

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        app = std::make_unique<CParceloApp>();
        ASSERT_TRUE(app->InitInstance());
        previousMessages = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return Prompt::Ok;
        });

        window = std::make_unique<QWidget>();
        window->resize(1100, 700);
        input = new CInputAreaView(window.get());
        input->setGeometry(0, 0, 220, 700);
        split = new CSplitAreaView(window.get());
        split->setGeometry(224, 0, 876, 700);
        fan.input = input;
        fan.split = split;
        app->SetMainWindow(window.get(), &fan);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

        pdfPath = dir.filePath(QStringLiteral("doc.pdf"));
        ASSERT_TRUE(PdfFixtures::WritePlainPdf(pdfPath, 10));
        ASSERT_TRUE(app->OpenDocument(pdfPath));
        ASSERT_EQ(app->PageCount(), 10);
    }

    void TearDown() override
    {
        if (app) {
            app->CloseDocument();
            app->SetMainWindow(nullptr, nullptr);
        }
        window.reset();
        app.reset();
        SetMessageHandler(std::move(previousMessages));
        qunsetenv("PARCELO_COMMON_APPDATA");
    }

    SplitSection* Add(const PageList& pages)
    {
        SplitSection* s = app->AddSection(pages);
        QApplication::processEvents();
        return s;
    }
    SplitSectionDisplay* Card(const SplitSection* s) const { return split->CardFor(s); }

    void Expand(SplitSectionDisplay* card)
    {
        ASSERT_TRUE(card->toggleButton);
        ASSERT_FALSE(card->expanded);
        QTest::mouseClick(card->toggleButton, Qt::LeftButton);
        ASSERT_TRUE(card->expanded);
    }

    // Client point of the middle of a thumbnail's image (1-based index).
    QPoint ThumbPoint(SplitSectionDisplay* card, int index) const
    {
        const QRect r = card->thumbnails[std::size_t(index - 1)]->ImageHitRect();
        return QPoint(r.center().x(), r.center().y() - split->ScrollPos());
    }
    // Client point just left of a thumbnail's cell (inserts before it).
    QPoint BeforeThumbPoint(SplitSectionDisplay* card, int index) const
    {
        const QRect r = card->thumbnails[std::size_t(index - 1)]->cellRect;
        return QPoint(r.left() + 2, r.center().y() - split->ScrollPos());
    }
    QPoint HeaderPoint(SplitSectionDisplay* card) const
    {
        return QPoint(card->headerRect.left() + 8, card->headerRect.top() + 2 - split->ScrollPos());
    }

    void PressSplit(const QPoint& p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(split->viewport(), Qt::LeftButton, mods, p);
    }
    void MoveSplit(const QPoint& p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseEvent(QTest::MouseMove, split->viewport(), Qt::NoButton, mods, p);
    }
    void ReleaseSplit(const QPoint& p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseRelease(split->viewport(), Qt::LeftButton, mods, p);
        QApplication::processEvents();
    }
    // A whole drag inside the split area.
    void DragInSplit(const QPoint& from, const QPoint& to, Qt::KeyboardModifiers mods = {})
    {
        PressSplit(from);
        MoveSplit(from + QPoint(3, 3), mods);
        MoveSplit(to, mods);
        ReleaseSplit(to, mods);
    }

    QTemporaryDir dir;
    std::unique_ptr<CParceloApp> app;
    std::unique_ptr<QWidget> window;
    CInputAreaView* input = nullptr;
    CSplitAreaView* split = nullptr;
    FanOut fan;
    QString pdfPath;
    std::vector<QString> messages;
    MessageHandler previousMessages;
};
