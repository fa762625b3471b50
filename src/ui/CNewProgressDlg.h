#pragma once
// The modal progress window: status text, progress bar (ranged or
// indefinite) and Cancel. It is a display of the handler it is given, closes
// itself when the run reports its finish and keeps the finish's code and
// value for its owner:
//     CNewProgressDlg dlg(parent, &handler);
//     dlg.exec();   // Accepted once the run has finished
//     dlg.cancelPressed, dlg.resultCode, dlg.resultValue
// Cancel (button or Escape) asks the handler to cancel; the dialog stays
// open until the run reports its finish. It cannot be closed from its frame.
#include "work/NewProgress.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class CNewProgressDlg : public QDialog, public NewProgressDisplay
{
    Q_OBJECT
public:
    CNewProgressDlg(QWidget* parent, NewProgressHandler* handler);
    ~CNewProgressDlg() override;

    // Shows the dialog modally until the run finishes. Returns Accepted; a
    // run already finished when the dialog starts closes it at once.
    int exec() override;

    // NewProgressDisplay
    void OnSetRange(qint64 minimum, qint64 maximum, qint64 position) override;
    void OnSetMarquee() override;
    void OnSetInfo(const QString& text, qint64 position) override;
    void OnSetPos(qint64 position) override;
    bool OnFinished(int resultCode, std::intptr_t resultValue) override;
    void OnEnableCancel(bool enable) override;

    // The Cancel button's action (also Escape).
    void OnCancel();
    void reject() override;

    QString title;              // caption while shown (empty by default)
    bool finished = false;
    int resultCode = 0;
    std::intptr_t resultValue = 0;
    bool cancelPressed = false;

    QLabel* StatusLabel() const { return m_status; }
    QProgressBar* ProgressBar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* BackgroundButton() const { return m_background; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Begin();
    void SetBarPosition(qint64 position);

    NewProgressHandler* m_handler;
    QLabel* m_status = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_background = nullptr;
    qint64 m_minimum = 0;
    qint64 m_maximum = 100;
    int m_shift = 0; // bits dropped so a 64-bit range fits the bar
};
