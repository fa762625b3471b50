#include "session/OutputOptions.h"

#include "resources/StringTable.h"
#include "ui/MessageBoxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

CPDFOutputOptionDlg::CPDFOutputOptionDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Output Options"));
    setModal(true);

    m_unprotected = new QRadioButton(LoadResString(1800), this);
    m_protect = new QRadioButton(LoadResString(1801), this);
    auto* group = new QButtonGroup(this);
    group->addButton(m_unprotected, 0);
    group->addButton(m_protect, 1);

    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_viewing = new QCheckBox(LoadResString(1803), this);
    m_copying = new QCheckBox(LoadResString(1807), this);
    m_printing = new QCheckBox(LoadResString(1804), this);
    m_annotation = new QCheckBox(LoadResString(1805), this);
    m_fillingForms = new QCheckBox(LoadResString(1806), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPDFOutputOptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPDFOutputOptionDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_unprotected);
    layout->addWidget(m_protect);
    layout->addWidget(m_password);
    layout->addWidget(new QLabel(QStringLiteral("Require this password for:"), this));
    layout->addWidget(m_viewing);
    layout->addWidget(m_copying);
    layout->addWidget(m_printing);
    layout->addWidget(m_annotation);
    layout->addWidget(m_fillingForms);
    layout->addStretch();
    layout->addWidget(buttons);

    // The protection controls follow the radio group; their contents stay
    // when they are disabled.
    connect(m_protect, &QRadioButton::clicked, this, [this] { EnableProtectionControls(true); });
    connect(m_unprotected, &QRadioButton::clicked, this, [this] { EnableProtectionControls(false); });

    LoadControls();
}

void CPDFOutputOptionDlg::EnableProtectionControls(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_password, m_viewing, m_copying, m_printing,
                                                      m_annotation, m_fillingForms})
        w->setEnabled(on);
}

void CPDFOutputOptionDlg::LoadControls()
{
    m_password->setText(passwordText);
    m_viewing->setChecked(requireForViewing);
    m_printing->setChecked(requireForPrinting);
    m_annotation->setChecked(requireForAnnotation);
    m_fillingForms->setChecked(requireForFillingForms);
    m_copying->setChecked(requireForCopying);
    (protectionChoice == 1 ? m_protect : m_unprotected)->setChecked(true);
    EnableProtectionControls(!ownerPassword.isEmpty() || !userPassword.isEmpty());
}

void CPDFOutputOptionDlg::SaveControls()
{
    passwordText = m_password->text();
    requireForViewing = m_viewing->isChecked();
    requireForPrinting = m_printing->isChecked();
    requireForAnnotation = m_annotation->isChecked();
    requireForFillingForms = m_fillingForms->isChecked();
    requireForCopying = m_copying->isChecked();
    protectionChoice = m_protect->isChecked() ? 1 : 0;
}

bool CPDFOutputOptionDlg::OnOK()
{
    SaveControls();

    if (protectionChoice == 1)
    {
        const bool anyTicked = requireForViewing || requireForPrinting || requireForAnnotation ||
                               requireForFillingForms || requireForCopying;
        QString error;
        if (passwordText.isEmpty() && anyTicked)
            error = LoadResString(580);
        else if (!passwordText.isEmpty() && !anyTicked)
            error = LoadResString(581);
        if (!error.isEmpty())
        {
            ShowMessage({this, QString(), error, QMessageBox::Critical, QMessageBox::Ok});
            return false;
        }
    }
    else
    {
        passwordText.clear();
    }

    ownerPassword = passwordText;
    userPassword = requireForViewing ? passwordText : QString();
    std::uint32_t bits = 0xFFFFFFFFu;
    if (requireForPrinting)
        bits &= ~(PDF_PERM_PRINT | PDF_PERM_PRINT_HIGH);
    if (requireForCopying)
        bits &= ~(PDF_PERM_COPY | PDF_PERM_EXTRACT_ACCESSIBILITY);
    if (requireForAnnotation)
        bits &= ~PDF_PERM_ANNOTATE;
    if (requireForFillingForms)
        bits &= ~PDF_PERM_FILL_FORMS;
    permissions = bits;
    return true;
}

void CPDFOutputOptionDlg::accept()
{
    if (OnOK())
        QDialog::accept();
}

namespace {

OutputOptionsHook& CurrentOutputOptionsHook()
{
    static OutputOptionsHook hook;
    return hook;
}

} // namespace

bool RunOutputOptions(QWidget* owner, OutputProtection& protection)
{
    if (const auto& hook = CurrentOutputOptionsHook())
        return hook(owner, protection);
    CPDFOutputOptionDlg dialog(owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    protection = dialog.Protection();
    return true;
}

OutputOptionsHook SetOutputOptionsHook(OutputOptionsHook hook)
{
    return std::exchange(CurrentOutputOptionsHook(), std::move(hook));
}
