#include "ui/CNewProgressDlg.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>

CNewProgressDlg::CNewProgressDlg(QWidget* parent, NewProgressHandler* handler)
    : QDialog(parent), m_handler(handler)
{
    // Caption only: no system menu, no close or minimise button; the dialog
    // ends when the run finishes.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QCoreApplication::translate("CNewProgressDlg", "Progress"));
    setModal(true);

    m_status = new QLabel(this);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setWordWrap(true);
    m_status->setMinimumHeight(40);

    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);

    m_background = new QPushButton(QCoreApplication::translate("CNewProgressDlg", "&Work in Background"), this);
    m_cancel = new QPushButton(QCoreApplication::translate("CNewProgressDlg", "Cancel"), this);
    m_cancel->setAutoDefault(false);
    m_background->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_background);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    setMinimumWidth(370);
}

CNewProgressDlg::~CNewProgressDlg()
{
    // Never leave the handler pointing at a destroyed display.
    if (m_handler && !finished)
        m_handler->RemoveDisplay(this);
}

void CNewProgressDlg::Begin()
{
    finished = false;
    cancelPressed = false;
    setWindowTitle(title);
    m_status->clear();
    m_cancel->setEnabled(true);
    m_background->hide();
    if (m_handler)
        m_handler->AddDisplay(this); // a finished handler ends the dialog here
}

int CNewProgressDlg::exec()
{
    Begin();
    if (finished || !m_handler) {
        finished = true;
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    const int r = QDialog::exec();
    return r;
}

void CNewProgressDlg::SetBarPosition(qint64 position)
{
    position = std::clamp(position, std::min(m_minimum, m_maximum), std::max(m_minimum, m_maximum));
    m_bar->setValue(int((position - m_minimum) >> m_shift));
}

void CNewProgressDlg::OnSetRange(qint64 minimum, qint64 maximum, qint64 position)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    // The bar counts in int; a wider span (a download of several GiB) is
    // shown in coarser steps instead of being cut.
    const quint64 span = quint64(m_maximum) - quint64(m_minimum);
    m_shift = 0;
    while ((span >> m_shift) > quint64(INT_MAX))
        ++m_shift;
    m_bar->setRange(0, int(span >> m_shift));
    SetBarPosition(position);
}

void CNewProgressDlg::OnSetMarquee()
{
    m_bar->setRange(0, 0); // indefinite, animated by the style
}

void CNewProgressDlg::OnSetInfo(const QString& text, qint64 position)
{
    m_status->setText(text);
    if (position != -1)
        SetBarPosition(position);
}

void CNewProgressDlg::OnSetPos(qint64 position)
{
    SetBarPosition(position);
}

bool CNewProgressDlg::OnFinished(int code, std::intptr_t value)
{
    finished = true;
    resultCode = code;
    resultValue = value;
    if (m_handler)
        m_handler->RemoveDisplay(this);
    done(QDialog::Accepted);
    return false;
}

void CNewProgressDlg::OnEnableCancel(bool enable)
{
    if (finished || cancelPressed)
        return;
    m_cancel->setEnabled(enable);
}

void CNewProgressDlg::OnCancel()
{
    if (cancelPressed && !finished)
        return; // already asked
    cancelPressed = true;
    m_cancel->setEnabled(false);
    if (!finished) {
        if (m_handler)
            m_handler->RequestCancel();
        return;
    }
    if (m_handler)
        m_handler->RemoveDisplay(this);
    done(QDialog::Accepted);
    // Hand the finish on to a display below this one.
    if (m_handler)
        m_handler->Finished(resultCode, resultValue);
}

void CNewProgressDlg::reject()
{
    OnCancel(); // Escape acts as Cancel; only the finish closes the dialog
}

void CNewProgressDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
