#include "ui/CStringDlg.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include <utility>

namespace {

CStringDlg::ModalHook& Hook()
{
    static CStringDlg::ModalHook hook;
    return hook;
}

// Dialog units measured on the dialog's own font, as the classic dialog
// templates define them: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height. The
// dialog keeps its designed proportions and grows with a larger font.
struct DialogUnits
{
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetricsF metrics(font);
        const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX = metrics.horizontalAdvance(alphabet) / alphabet.size();
        baseY = metrics.height();
    }
    int X(int units) const { return int(units * baseX / 4 + 0.5); }
    int Y(int units) const { return int(units * baseY / 8 + 0.5); }

    qreal baseX = 6;
    qreal baseY = 13;
};

} // namespace

CStringDlg::CStringDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("CStringDlg", "Dialog"));
    setModal(true);

    m_plain = new QLineEdit(this);
    m_plain->setObjectName(QStringLiteral("20002"));

    m_masked = new QLineEdit(this);
    m_masked->setObjectName(QStringLiteral("20004"));
    m_masked->setEchoMode(QLineEdit::Password);
    m_masked->hide();

    m_ok = new QPushButton(QCoreApplication::translate("CStringDlg", "OK"), this);
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);

    m_cancel = new QPushButton(QCoreApplication::translate("CStringDlg", "Cancel"), this);
    m_cancel->setAutoDefault(false);

    // The field on the left, OK above Cancel on the right (248 x 46 units:
    // a 170-unit field, 50-unit buttons, 7-unit margins). Sizes come from
    // the font, and a layout keeps every control whole at any font size.
    const DialogUnits du(font());
    for (QLineEdit* field : {m_plain, m_masked})
        field->setMinimumWidth(du.X(170));
    for (QPushButton* button : {m_ok, m_cancel})
        button->setMinimumWidth(std::max(du.X(50), button->sizeHint().width()));
    auto* buttons = new QVBoxLayout();
    buttons->setSpacing(du.Y(3));
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    auto* fields = new QVBoxLayout();
    fields->addWidget(m_plain);
    fields->addWidget(m_masked);
    fields->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    layout->setSpacing(du.X(14));
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
