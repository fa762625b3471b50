#pragma once
// The Output Options dialog: protects the files of one save with a password
// and chooses what that password guards. Shown by Save Split when Shift is
// held; its result becomes the splicing layer's encryption arguments.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

// Encryption arguments for every output file of one save.
struct OutputProtection
{
    QString ownerPassword;
    QString userPassword;
    std::uint32_t permissions = 0xFFFFFFFFu;

    // Whether the files are encrypted at all.
    bool IsProtected() const { return !ownerPassword.isEmpty() || !userPassword.isEmpty(); }
};

// PDF standard security handler permission bits cleared by the choices.
enum : std::uint32_t
{
    PDF_PERM_PRINT = 0x4,
    PDF_PERM_MODIFY = 0x8,
    PDF_PERM_COPY = 0x10,
    PDF_PERM_ANNOTATE = 0x20,
    PDF_PERM_FILL_FORMS = 0x100,
    PDF_PERM_EXTRACT_ACCESSIBILITY = 0x200,
    PDF_PERM_ASSEMBLE = 0x400,
    PDF_PERM_PRINT_HIGH = 0x800,
};

class CPDFOutputOptionDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPDFOutputOptionDlg(QWidget* parent = nullptr);

    // Results, valid after OK.
    QString ownerPassword;
    QString userPassword;
    std::uint32_t permissions = 0xFFFFFFFFu;

    // Values bound to the controls.
    QString passwordText;
    bool requireForViewing = false;
    bool requireForPrinting = false;
    bool requireForAnnotation = false;
    bool requireForFillingForms = false;
    int protectionChoice = 0; // 0 unprotected, 1 protect with password
    bool requireForCopying = false;

    OutputProtection Protection() const { return {ownerPassword, userPassword, permissions}; }

    // Controls, for keyboard-free use.
    QRadioButton* UnprotectedButton() const { return m_unprotected; }
    QRadioButton* ProtectButton() const { return m_protect; }
    QLineEdit* PasswordEdit() const { return m_password; }
    QCheckBox* ViewingBox() const { return m_viewing; }
    QCheckBox* CopyingBox() const { return m_copying; }
    QCheckBox* PrintingBox() const { return m_printing; }
    QCheckBox* AnnotationBox() const { return m_annotation; }
    QCheckBox* FillingFormsBox() const { return m_fillingForms; }

    void EnableProtectionControls(bool on);

    // Takes the field values into the controls. The constructor does it for
    // the fresh fields; a caller that changes them before showing calls it.
    void LoadControls();
    // Validates and computes the results; false (with the error shown) keeps
    // the dialog open.
    bool OnOK();

    void accept() override;

private:
    void SaveControls();

    QRadioButton* m_unprotected = nullptr;
    QRadioButton* m_protect = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_viewing = nullptr;
    QCheckBox* m_copying = nullptr;
    QCheckBox* m_printing = nullptr;
    QCheckBox* m_annotation = nullptr;
    QCheckBox* m_fillingForms = nullptr;
};

// Runs the dialog modally for Save Split. True with the protection filled in
// after OK; false when cancelled. Replaceable for tests.
using OutputOptionsHook = std::function<bool(QWidget* owner, OutputProtection& protection)>;
bool RunOutputOptions(QWidget* owner, OutputProtection& protection);
OutputOptionsHook SetOutputOptionsHook(OutputOptionsHook hook);
