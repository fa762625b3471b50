#include "ui/CStringDlg.h"

#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/SessionUser.h"
#include "ui/DialogUser.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs the dialog with the hook acting as the user; restores the real dialog.
int RunWith(CStringDlg& dlg, CStringDlg::ModalHook hook)
{
    CStringDlg::ModalHook previous = CStringDlg::SetModalHook(std::move(hook));
    const int result = dlg.DoModal();
    CStringDlg::SetModalHook(previous);
    return result;
}

struct TypingCase
{
    const char* name;
    bool passwordMode;
    const char* typed;
    bool okEnabled;
    const char* result; // nullptr: the dialog stays open
};

class CStringDlgTypingTest : public ::testing::TestWithParam<TypingCase>
{
};

TEST_P(CStringDlgTypingTest, OkFollowsTheResultAndPasswordsAreKeptAsTyped)
{
    const TypingCase& c = GetParam();
    CStringDlg dlg;
    dlg.m_passwordMode = c.passwordMode;
    dlg.m_value = QStringLiteral("start");
    bool enabled = false;
    bool ended = true;
    const int r = RunWith(dlg, [&](CStringDlg& d) {
        d.Type(QString::fromUtf8(c.typed));
        enabled = d.OkButton()->isEnabled();
        d.OkButton()->click(); // a click on a disabled button does nothing
        ended = d.HasEnded();
    });
    EXPECT_EQ(enabled, c.okEnabled);
    if (c.result) {
        EXPECT_EQ(r, CStringDlg::IDOK_RESULT);
        EXPECT_EQ(dlg.m_value, QString::fromUtf8(c.result));
    } else {
        EXPECT_FALSE(ended);
        EXPECT_EQ(r, CStringDlg::IDCANCEL_RESULT);
        EXPECT_EQ(dlg.m_value, QStringLiteral("start"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CStringDlgTypingTest,
    ::testing::Values(TypingCase{"PasswordWord", true, "secret", true, "secret"},
                      TypingCase{"PasswordSpacesAroundKept", true, "  pass word \t", true, "  pass word \t"},
                      TypingCase{"PasswordOfSpacesOnly", true, "   ", true, "   "},
                      TypingCase{"PasswordEmpty", true, "", false, nullptr},
                      TypingCase{"PlainWord", false, "secret", true, "secret"},
                      TypingCase{"PlainSpaceAroundTrimmed", false, "  pass word \t", true, "pass word"},
                      TypingCase{"PlainOnlySpaces", false, "   ", false, nullptr},
                      TypingCase{"PlainEmpty", false, "", false, nullptr},
                      TypingCase{"PlainOnlyTabsAndSpace", false, "\t \t", false, nullptr}),
    TestNames::ByName());

TEST(CStringDlgTest, EmptyStartLeavesOkEnabledButOkKeepsTheDialogOpen)
{
    CStringDlg dlg;
    bool enabled = false, ended = true;
    const int r = RunWith(dlg, [&](CStringDlg& d) {
        enabled = d.OkButton()->isEnabled();
        d.PressOk();
        ended = d.HasEnded();
    });
    EXPECT_TRUE(enabled);
    EXPECT_FALSE(ended);
    EXPECT_EQ(r, CStringDlg::IDCANCEL_RESULT);
    EXPECT_TRUE(dlg.m_value.isEmpty());
}

TEST(CStringDlgTest, TextIsLimitedTo255Characters)
{
    CStringDlg dlg;
    dlg.m_passwordMode = true;
    const int r = RunWith(dlg, [](CStringDlg& d) {
        d.Type(QString(300, QLatin1Char('x')));
        d.PressOk();
    });
    EXPECT_EQ(r, CStringDlg::IDOK_RESULT);
    EXPECT_EQ(dlg.m_value.size(), 255);
}

TEST(CStringDlgTest, CaptionAndPasswordMode)
{
    {
        CStringDlg dlg;
        QString caption;
        bool plainShown = false, maskedShown = true;
        RunWith(dlg, [&](CStringDlg& d) {
            caption = d.windowTitle();
            plainShown = !d.PlainField()->isHidden();
            maskedShown = !d.MaskedField()->isHidden();
            d.PressCancel();
        });
        EXPECT_EQ(caption, QStringLiteral("Dialog"));
        EXPECT_TRUE(plainShown);
        EXPECT_FALSE(maskedShown);
    }
    {
        CStringDlg dlg;
        dlg.m_title = QStringLiteral("Enter Password for a.pdf");
        dlg.m_passwordMode = true;
        dlg.m_value = QStringLiteral("old");
        QString caption, shown;
        bool masked = false;
        const int r = RunWith(dlg, [&](CStringDlg& d) {
            caption = d.windowTitle();
            shown = d.ActiveField()->text();
            masked = !d.MaskedField()->isHidden() && d.PlainField()->isHidden() &&
                     d.ActiveField()->echoMode() == QLineEdit::Password;
            d.Type(QStringLiteral("new"));
            d.PressCancel();
        });
        EXPECT_EQ(caption, QStringLiteral("Enter Password for a.pdf"));
        EXPECT_EQ(shown, QStringLiteral("old"));
        EXPECT_TRUE(masked);
        EXPECT_EQ(r, CStringDlg::IDCANCEL_RESULT);
        EXPECT_EQ(dlg.m_value, QStringLiteral("old")); // Cancel keeps the value
    }
}

TEST(CStringDlgTest, AnswerWithHelper)
{
    CStringDlg dlg;
    CStringDlg::ModalHook prev = CStringDlg::SetModalHook(CStringDlg::AnswerWith(QStringLiteral(" pw ")));
    EXPECT_EQ(dlg.DoModal(), CStringDlg::IDOK_RESULT);
    EXPECT_EQ(dlg.m_value, QStringLiteral("pw"));
    dlg.m_passwordMode = true;
    EXPECT_EQ(dlg.DoModal(), CStringDlg::IDOK_RESULT);
    EXPECT_EQ(dlg.m_value, QStringLiteral(" pw "));
    CStringDlg::SetModalHook(CStringDlg::AnswerWith(QString()));
    EXPECT_EQ(dlg.DoModal(), CStringDlg::IDCANCEL_RESULT);
    CStringDlg::SetModalHook(prev);
}

struct FontCase
{
    const char* name;
    int points;
};

class CStringDlgFontTest : public ::testing::TestWithParam<FontCase>
{
};

// At any font size every control is whole: the buttons are as wide as their
// labels need, the field has room for text, and all lie inside the dialog.
TEST_P(CStringDlgFontTest, GrowsWithItsFontInsteadOfClipping)
{
    const QFont previous = QApplication::font();
    QFont font = previous;
    font.setPointSize(GetParam().points);
    QApplication::setFont(font);
    {
        CStringDlg dlg;
        dlg.m_passwordMode = true;
        dlg.m_title = QStringLiteral("Enter Password for a.pdf");
        // Shown as DoModal prepares it, looked at, then cancelled.
        RunWith(dlg, [](CStringDlg& shown) {
            shown.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
            const QFontMetrics metrics(shown.font());
            for (QPushButton* button : {shown.OkButton(), shown.CancelButton()})
            {
                EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
                EXPECT_GE(button->height(), button->sizeHint().height()) << button->text().toStdString();
                EXPECT_TRUE(shown.rect().contains(button->geometry())) << button->text().toStdString();
            }
            QLineEdit* field = shown.MaskedField();
            EXPECT_TRUE(field->isVisible());
            EXPECT_TRUE(shown.rect().contains(field->geometry()));
            EXPECT_GE(field->height(), field->sizeHint().height());
            EXPECT_GE(field->width(), metrics.horizontalAdvance(QLatin1Char('x')) * 20) << "room for 20 characters";
            EXPECT_LT(shown.OkButton()->geometry().bottom(), shown.CancelButton()->geometry().top());
            EXPECT_LT(field->geometry().right(), shown.OkButton()->geometry().left());
            shown.PressCancel();
        });
    }
    QApplication::setFont(previous);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CStringDlgFontTest,
                         ::testing::Values(FontCase{"Small", 7}, FontCase{"Usual", 10}, FontCase{"Large", 16},
                                           FontCase{"VeryLarge", 28}),
                         TestNames::ByName());

// The window's password prompt hands the document exactly what was typed.
TEST(PasswordPromptTest, DocumentPasswordWithSpacesOpensAsTyped)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("PARCELO_COMMON_APPDATA", dir.filePath(QStringLiteral("appdata")).toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    const QString path = dir.filePath(QStringLiteral("locked.pdf"));
    ASSERT_TRUE(PdfFixtures::WriteEncryptedPdf(path, 2, " pass word ", "owner"));

    std::vector<QString> messages;
    MessageHandler previousMessages = SetMessageHandler([&](const MessageRequest& r) {
        messages.push_back(r.text);
        return Prompt::Ok;
    });
    DialogUser user;
    SessionUser* previousUser = SetSessionUser(&user);
    CStringDlg::ModalHook previousHook = CStringDlg::SetModalHook(CStringDlg::AnswerWith(QStringLiteral(" pass word ")));
    {
        CParceloApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_TRUE(app.OpenDocument(path));
        EXPECT_TRUE(messages.empty());
        if (app.Document())
            EXPECT_EQ(app.Document()->GetPassword(), QStringLiteral(" pass word "));
    }
    CStringDlg::SetModalHook(previousHook);
    SetSessionUser(previousUser);
    SetMessageHandler(std::move(previousMessages));
    qunsetenv("PARCELO_COMMON_APPDATA");
}

} // namespace
