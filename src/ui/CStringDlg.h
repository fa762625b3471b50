#pragma once
// A small modal dialog asking for one line of text, used for passwords: the
// prompt is the dialog's title, the masked field hides what is typed, and OK
// is disabled while there is nothing to return. A password is returned
// exactly as typed; plain text is trimmed of white space, and OK stays
// disabled while it holds nothing but white space.
#include <QDialog>
#include <QString>
#include <functional>

class QLineEdit;
class QPushButton;

class CStringDlg : public QDialog
{
    Q_OBJECT
public:
    enum : int
    {
        IDD = 20001,
        IDC_EDIT_PLAIN = 20002,
        IDC_EDIT_PASSWORD = 20004,
        IDOK_RESULT = 1,
        IDCANCEL_RESULT = 2,
    };
    static constexpr int kMaxLength = 255;

    explicit CStringDlg(QWidget* parent = nullptr);
    ~CStringDlg() override;

    // Set before DoModal; m_value holds the result after OK.
    QString m_value;    // shown at start
    QString m_title;    // replaces the caption "Dialog" when not empty
    bool m_passwordMode = false;

    // Runs the dialog modally: 1 (OK, m_value holds the result: in password
    // mode the text as typed, otherwise trimmed) or 2 (Cancel, m_value
    // unchanged).
    int DoModal();

    // Lets tests (and other headless callers) act as the user: when set,
    // DoModal prepares the dialog and calls the hook instead of showing it;
    // the hook types and presses buttons through the members below. When the
    // hook ends without the dialog having ended, the result is Cancel.
    using ModalHook = std::function<void(CStringDlg& dialog)>;
    static ModalHook SetModalHook(ModalHook hook); // returns the previous hook

    // A hook that types the text and presses OK, or presses Cancel when the
    // text is null (QString()).
    static ModalHook AnswerWith(const QString& text);

    // For hooks and tests: the field in use, the buttons, acting on them.
    QLineEdit* ActiveField() const;
    QLineEdit* PlainField() const { return m_plain; }
    QLineEdit* MaskedField() const { return m_masked; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    void Type(const QString& text);  // replaces the active field's text as typing would
    void PressOk();
    void PressCancel();
    bool HasEnded() const { return m_ended; }
    int EndCode() const { return m_endCode; }

    void done(int r) override;
    void reject() override;

private:
    void OnInitDialog();
    void OnFieldChanged(const QString& text);
    void OnOk();
    QString Result(const QString& text) const;

    QLineEdit* m_plain = nullptr;
    QLineEdit* m_masked = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_ended = false;
    int m_endCode = IDCANCEL_RESULT;
};
