#include "ui/CStringDlg.h"

#include "common/PdfFixtures.h"
#include "common/TestNames.h"
#include "session/CParceloApp.h"
#include "session/ParceloInstance.h"
#include "session/SessionUser.h"
#include "ui/DialogUser.h"

#include <QLineEdit>
#include <QPushButton>
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
