#pragma once
// The Output Options dialog: protects the files of one save with a password
// and chooses what that password guards. Shown by Save Split when Shift is
// held; its result becomes the splicing layer's encryption arguments.
#include "session/OutputProtection.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

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

// Runs the dialog modally over owner. True with the protection filled in
// after OK; false when cancelled.
bool RunOutputOptionsDialog(QWidget* owner, OutputProtection& protection);
