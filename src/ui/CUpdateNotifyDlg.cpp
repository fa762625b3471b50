#include "ui/CUpdateNotifyDlg.h"

#include "resources/StringTable.h"
#include "support/VersionHelpers.h"
#include "update/UpdateCheck.h"
#include "update/UpdateData.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <utility>

namespace {

CUpdateNotifyDlg::AnswerHook& Hook()
{
    static CUpdateNotifyDlg::AnswerHook hook;
    return hook;
}

// Dialog units of the 8-point dialog font to pixels.
QRect Units(int x, int y, int w, int h)
{
    return QRect(x * 3 / 2, y * 13 / 8, w * 3 / 2, h * 13 / 8);
}

QLabel* MakeLabel(QWidget* parent, const QRect& rect)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setGeometry(rect);
    return label;
}

} // namespace

CUpdateNotifyDlg::AnswerHook CUpdateNotifyDlg::SetAnswerHook(AnswerHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

CUpdateNotifyDlg::CUpdateNotifyDlg(const UpdateInfo* info, const QString& product, QWidget* parent)
    : QDialog(parent), productName(product), m_info(info)
{
    const bool purchase = info && info->status == 3;
    actionText = LoadResString(purchase ? 3411 : 3412);
    cancelText = LoadResString(purchase ? 3413 : 3414);

    setFixedSize(Units(0, 0, 316, 135).size());
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPointSize(8);
    setFont(font);

    m_action = new QPushButton(this);
    m_action->setGeometry(Units(162, 114, 87, 14));
    m_action->setDefault(true);
    m_action->setText(QStringLiteral("<action>"));
    m_cancel = new QPushButton(this);
    m_cancel->setGeometry(Units(259, 114, 50, 14));
    m_cancel->setText(QStringLiteral("<cancel>"));
    m_moreInfo = new QPushButton(this);
    m_moreInfo->setGeometry(Units(7, 114, 88, 14));
    m_moreInfo->setFlat(true);
    m_moreInfo->setCursor(Qt::PointingHandCursor);
    m_moreInfo->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline; "
                                             "border: none; text-align: left; }"));
    m_moreInfo->setText(QCoreApplication::translate("CUpdateNotifyDlg", "&More Information..."));

    m_versionText = MakeLabel(this, Units(7, 7, 261, 15));
    m_versionText->setText(QCoreApplication::translate("CUpdateNotifyDlg", "Version <version> of <product> is available for download!"));
    m_intro = MakeLabel(this, Units(7, 24, 186, 8));
    m_intro->setText(QCoreApplication::translate("CUpdateNotifyDlg", "Here are some of the new features added to this version:"));
    const int rows[3] = {40, 57, 74};
    const int heights[3] = {16, 16, 29};
    for (int i = 0; i < 3; ++i) {
        m_features[i] = MakeLabel(this, Units(27, rows[i], 282, heights[i]));
        m_features[i]->setWordWrap(true);
        m_features[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_bullets[i] = MakeLabel(this, Units(16, rows[i], 8, 8));
        m_bullets[i]->setText(QStringLiteral("\u2022"));
    }

    // Fill in the template's place-holders (only the template's own texts;
    // the server's feature lines are set afterwards, untouched).
    setWindowTitle(Expand(QCoreApplication::translate("CUpdateNotifyDlg", "A New <product> Update is Available")));
    for (QPushButton* button : {m_action, m_cancel, m_moreInfo})
        button->setText(Expand(button->text()));
    for (QLabel* label : {m_versionText, m_intro})
        label->setText(Expand(label->text()));

    for (int i = 0; i < 3; ++i) {
        const QString feature = info && i < info->features.size() ? info->features[i] : QString();
        m_features[i]->setText(feature);
        m_features[i]->setVisible(!feature.isEmpty());
        m_bullets[i]->setVisible(!feature.isEmpty());
    }

    connect(m_action, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_moreInfo, &QPushButton::clicked, this, &CUpdateNotifyDlg::OnMoreInformation);
}

CUpdateNotifyDlg::~CUpdateNotifyDlg() = default;

QString CUpdateNotifyDlg::Expand(QString text) const
{
    const QString version = m_info ? FormatVersion(m_info->version, 4) : FormatVersion(ModuleVersion(), 4);
    text.replace(QStringLiteral("<product>"), productName);
    text.replace(QStringLiteral("<action>"), actionText);
    text.replace(QStringLiteral("<version>"), version);
    text.replace(QStringLiteral("<cancel>"), cancelText);
    return text;
}

void CUpdateNotifyDlg::OnMoreInformation()
{
    if (m_info)
        OpenUpdateAddress(m_info->informationAddress);
}

int CUpdateNotifyDlg::exec()
{
    if (Hook())
        return Hook()(*this);
    return QDialog::exec();
}
