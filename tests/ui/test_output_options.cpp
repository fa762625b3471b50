// The Output Options dialog driven through its controls.
#include "resources/StringTable.h"
#include "ui/OutputOptions.h"
#include "session/SessionUser.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

// Records every message box instead of showing it.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        m_previous = SetMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return Prompt::Ok;
        });
    }
    ~MessageRecorder() { SetMessageHandler(m_previous); }
    std::vector<MessageRequest> messages;

private:
    MessageHandler m_previous;
};

struct OptionCase
{
    const char* name;
    bool protect;
    QString password;
    bool viewing, copying, printing, annotation, fillingForms;
    bool accepted;
    int errorId; // 0: none
    QString owner;
    QString user;
    std::uint32_t permissions;
};

class OutputOptionsTest : public ::testing::TestWithParam<OptionCase>
{
};

TEST_P(OutputOptionsTest, ChoicesBecomeEncryptionArguments)
{
    const OptionCase& c = GetParam();
    MessageRecorder recorder;
    CPDFOutputOptionDlg dialog;
    (c.protect ? dialog.ProtectButton() : dialog.UnprotectedButton())->click();
    dialog.PasswordEdit()->setText(c.password);
    dialog.ViewingBox()->setChecked(c.viewing);
    dialog.CopyingBox()->setChecked(c.copying);
    dialog.PrintingBox()->setChecked(c.printing);
    dialog.AnnotationBox()->setChecked(c.annotation);
    dialog.FillingFormsBox()->setChecked(c.fillingForms);

    dialog.accept();

    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
    if (c.errorId)
    {
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].text, LoadResString(c.errorId));
        EXPECT_TRUE(recorder.messages[0].caption.isEmpty());
        EXPECT_EQ(recorder.messages[0].icon, Prompt::Critical);
        return;
    }
    EXPECT_TRUE(recorder.messages.empty());
    const OutputProtection p = dialog.Protection();
    EXPECT_EQ(p.ownerPassword, c.owner);
    EXPECT_EQ(p.userPassword, c.user);
    EXPECT_EQ(p.permissions, c.permissions);
    EXPECT_EQ(p.IsProtected(), !c.owner.isEmpty() || !c.user.isEmpty());
}

const QString kPw = QStringLiteral("s\u00e9cr\u00eat");

INSTANTIATE_TEST_SUITE_P(
    Choices, OutputOptionsTest,
    ::testing::Values(
        OptionCase{"ProtectEmptyNothingTicked", true, "", false, false, false, false, false, true, 0, "", "", 0xFFFFFFFFu},
        OptionCase{"ViewingOnly", true, kPw, true, false, false, false, false, true, 0, kPw, kPw, 0xFFFFFFFFu},
        OptionCase{"CopyingAndPrinting", true, kPw, false, true, true, false, false, true, 0, kPw, "", 0xFFFFF5EBu},
        OptionCase{"AllFive", true, kPw, true, true, true, true, true, true, 0, kPw, kPw, 0xFFFFF4CBu},
        OptionCase{"AnnotationOnly", true, kPw, false, false, false, true, false, true, 0, kPw, "", 0xFFFFFFDFu},
        OptionCase{"FillingFormsOnly", true, kPw, false, false, false, false, true, true, 0, kPw, "", 0xFFFFFEFFu},
        OptionCase{"EmptyPasswordWithBox", true, "", false, false, true, false, false, false, 580, "", "", 0},
        OptionCase{"PasswordWithoutBox", true, kPw, false, false, false, false, false, false, 581, "", "", 0},
        OptionCase{"UnprotectedAfterTyping", false, kPw, true, true, false, false, false, true, 0, "", "", 0xFFFFFFEFu & ~0x200u}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OutputOptionsDialog, ProtectionControlsFollowTheRadioGroup)
{
    CPDFOutputOptionDlg dialog;
    EXPECT_TRUE(dialog.UnprotectedButton()->isChecked());
    EXPECT_FALSE(dialog.PasswordEdit()->isEnabled());
    EXPECT_FALSE(dialog.ViewingBox()->isEnabled());
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);

    dialog.ProtectButton()->click();
    EXPECT_TRUE(dialog.PasswordEdit()->isEnabled());
    EXPECT_TRUE(dialog.FillingFormsBox()->isEnabled());
    dialog.PasswordEdit()->setText(QStringLiteral("kept"));

    dialog.UnprotectedButton()->click();
    EXPECT_FALSE(dialog.PasswordEdit()->isEnabled());
    EXPECT_FALSE(dialog.CopyingBox()->isEnabled());
    EXPECT_EQ(dialog.PasswordEdit()->text(), QStringLiteral("kept"));
}

} // namespace
