#include "ui/OutputOptions.h"

#include "resources/StringTable.h"
#include "session/SessionUser.h"

#include <QCoreApplication>
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
    setWindowTitle(QCoreApplication::translate("OutputOptions", "Output Options"));
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
    layout->addWidget(new QLabel(QCoreApplication::translate("OutputOptions", "Require this password for:"), this));
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

    OutputChoices choices;
    choices.protect = protectionChoice == 1;
    choices.password = passwordText;
    choices.requireForViewing = requireForViewing;
    choices.requireForPrinting = requireForPrinting;
    choices.requireForCopying = requireForCopying;
    choices.requireForAnnotation = requireForAnnotation;
    choices.requireForFillingForms = requireForFillingForms;
    int errorId = 0;
    const std::optional<OutputProtection> protection = MakeOutputProtection(choices, &errorId);
    if (!protection)
    {
        ShowMessage({QString(), LoadResString(errorId), Prompt::Critical, Prompt::Ok});
        return false;
    }
    if (!choices.protect)
        passwordText.clear();
    ownerPassword = protection->ownerPassword;
    userPassword = protection->userPassword;
    permissions = protection->permissions;
    return true;
}

void CPDFOutputOptionDlg::accept()
{
    if (OnOK())
        QDialog::accept();
}

bool RunOutputOptionsDialog(QWidget* owner, OutputProtection& protection)
{
    CPDFOutputOptionDlg dialog(owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    protection = dialog.Protection();
    return true;
}
