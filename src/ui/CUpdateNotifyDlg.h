#pragma once
// The update offer: version, up to three feature lines, "&More Information...",
// the action button (OK) and the cancel button. Texts from the server are
// shown as plain text.
#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
struct UpdateInfo;

class CUpdateNotifyDlg : public QDialog
{
    Q_OBJECT
public:
    CUpdateNotifyDlg(const UpdateInfo* info, const QString& productName, QWidget* parent);
    ~CUpdateNotifyDlg() override;

    // Runs the dialog (or the installed answer hook): Accepted for the action
    // button, Rejected for Cancel, Escape or the close box.
    int exec() override;

    QString productName;
    QString actionText;
    QString cancelText;

    QPushButton* ActionButton() const { return m_action; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* MoreInfoButton() const { return m_moreInfo; }
    QLabel* VersionLabel() const { return m_versionText; }
    QLabel* FeatureLabel(int index) const { return m_features[index]; }
    QLabel* BulletLabel(int index) const { return m_bullets[index]; }

    // The link button's action: opens the information address.
    void OnMoreInformation();

    // Answers the dialog instead of showing it (tests). Returns the old hook.
    using AnswerHook = std::function<int(CUpdateNotifyDlg&)>;
    static AnswerHook SetAnswerHook(AnswerHook hook);

private:
    QString Expand(QString text) const;

    const UpdateInfo* m_info;
    QPushButton* m_action = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_moreInfo = nullptr;
    QLabel* m_versionText = nullptr;
    QLabel* m_intro = nullptr;
    QLabel* m_features[3] = {};
    QLabel* m_bullets[3] = {};
};
