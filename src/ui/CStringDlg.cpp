#include "ui/CStringDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {

CStringDlg::ModalHook& Hook()
{
    static CStringDlg::ModalHook hook;
    return hook;
}

// Dialog units of the classic 8-point dialog font, in pixels.
int DluX(int x) { return x * 3 / 2; }
int DluY(int y) { return y * 13 / 8; }

} // namespace

CStringDlg::CStringDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Dialog"));
    setModal(true);
    setFixedSize(DluX(248), DluY(46));

    m_plain = new QLineEdit(this);
    m_plain->setObjectName(QStringLiteral("20002"));
    m_plain->setGeometry(DluX(7), DluY(7), DluX(170), DluY(14));

    m_masked = new QLineEdit(this);
    m_masked->setObjectName(QStringLiteral("20004"));
    m_masked->setGeometry(DluX(7), DluY(7), DluX(170), DluY(14));
    m_masked->setEchoMode(QLineEdit::Password);
    m_masked->hide();

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(DluX(191), DluY(7), DluX(50), DluY(14));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setGeometry(DluX(191), DluY(24), DluX(50), DluY(14));
    m_cancel->setAutoDefault(false);

    connect(m_plain, &QLineEdit::textChanged, this, &CStringDlg::OnFieldChanged);
    connect(m_masked, &QLineEdit::textChanged, this, &CStringDlg::OnFieldChanged);
    connect(m_ok, &QPushButton::clicked, this, &CStringDlg::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &CStringDlg::reject);
}

CStringDlg::~CStringDlg() = default;

QLineEdit* CStringDlg::ActiveField() const
{
    return m_passwordMode ? m_masked : m_plain;
}

void CStringDlg::OnInitDialog()
{
    m_ended = false;
    m_endCode = IDCANCEL_RESULT;
    QLineEdit* field = ActiveField();
    field->setMaxLength(kMaxLength);
    // Setting the start value is not a change by the user: OK stays enabled.
    {
        const QSignalBlocker block(field);
        field->setText(m_value);
    }
    m_ok->setEnabled(true);
    if (!m_title.isEmpty())
        setWindowTitle(m_title);
    if (m_passwordMode) {
        m_masked->show();
        m_plain->hide();
    } else {
        m_plain->show();
        m_masked->hide();
    }
    field->setFocus(Qt::OtherFocusReason);
}

QString CStringDlg::Result(const QString& text) const
{
    // A password is taken exactly as typed: spaces at either end, or a
    // password of spaces only, are part of it. Plain text is trimmed.
    return m_passwordMode ? text : text.trimmed();
}

void CStringDlg::OnFieldChanged(const QString& text)
{
    m_ok->setEnabled(!Result(text).isEmpty());
}

void CStringDlg::OnOk()
{
    QLineEdit* field = ActiveField();
    const QString result = Result(field->text());
    if (result.isEmpty()) {
        // Nothing to return: stay open with the focus back in the field.
        field->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_value = result;
    done(IDOK_RESULT);
}

void CStringDlg::done(int r)
{
    m_ended = true;
    m_endCode = r == IDOK_RESULT ? IDOK_RESULT : IDCANCEL_RESULT;
    QDialog::done(m_endCode);
}

void CStringDlg::reject()
{
    done(IDCANCEL_RESULT);
}

int CStringDlg::DoModal()
{
    OnInitDialog();
    if (ModalHook hook = Hook()) {
        hook(*this);
        return m_ended ? m_endCode : IDCANCEL_RESULT;
    }
    const int r = exec();
    return r == IDOK_RESULT ? IDOK_RESULT : IDCANCEL_RESULT;
}

void CStringDlg::Type(const QString& text)
{
    // setText emits textChanged like typing does; the length limit applies.
    ActiveField()->setText(text);
}

void CStringDlg::PressOk()
{
    if (m_ok->isEnabled())
        m_ok->click();
}

void CStringDlg::PressCancel()
{
    m_cancel->click();
}

CStringDlg::ModalHook CStringDlg::SetModalHook(ModalHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

CStringDlg::ModalHook CStringDlg::AnswerWith(const QString& text)
{
    return [text](CStringDlg& dlg) {
        if (text.isNull()) {
            dlg.PressCancel();
            return;
        }
        dlg.Type(text);
        dlg.PressOk();
    };
}
