#include "ui/CUpdateNotifyDlg.h"

#include "resources/StringTable.h"
#include "support/VersionHelpers.h"
#include "update/UpdateCheck.h"
#include "update/UpdateData.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
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

// A plain-text label that wraps at word boundaries.
QLabel* MakeLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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

    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPointSize(8);
    setFont(font);

    m_action = new QPushButton(this);
    m_action->setDefault(true);
    m_action->setText(QStringLiteral("<action>"));
    m_action->setMinimumWidth(Units(0, 0, 87, 14).width());
    m_cancel = new QPushButton(this);
    m_cancel->setText(QStringLiteral("<cancel>"));
    m_cancel->setMinimumWidth(Units(0, 0, 50, 14).width());
    m_moreInfo = new QPushButton(this);
    m_moreInfo->setFlat(true);
    m_moreInfo->setCursor(Qt::PointingHandCursor);
    m_moreInfo->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline; "
                                             "border: none; text-align: left; }"));
    m_moreInfo->setText(QCoreApplication::translate("CUpdateNotifyDlg", "&More Information..."));

    m_versionText = MakeLabel(this);
    m_versionText->setText(QCoreApplication::translate("CUpdateNotifyDlg", "Version <version> of <product> is available for download!"));
    m_intro = MakeLabel(this);
    m_intro->setText(QCoreApplication::translate("CUpdateNotifyDlg", "Here are some of the new features added to this version:"));
    for (int i = 0; i < 3; ++i) {
        m_features[i] = MakeLabel(this);
        m_bullets[i] = MakeLabel(this);
        m_bullets[i]->setWordWrap(false);
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

    // The template's arrangement (texts above, the feature lines indented
    // behind their bullets, the buttons in a row at the bottom), laid out so
    // that every text wraps within the dialog and the dialog grows to hold
    // it, whatever the font and the length of the server's texts.
    auto* layout = new QVBoxLayout(this);
    const int margin = Units(7, 7, 0, 0).x();
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(m_versionText);
    layout->addWidget(m_intro);
    auto* features = new QGridLayout;
    features->setContentsMargins(Units(9, 0, 0, 0).x(), 0, 0, 0);
    features->setHorizontalSpacing(Units(4, 0, 0, 0).x());
    features->setColumnStretch(1, 1);
    for (int i = 0; i < 3; ++i) {
        features->addWidget(m_bullets[i], i, 0, Qt::AlignTop);
        features->addWidget(m_features[i], i, 1);
    }
    layout->addLayout(features);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_moreInfo);
    buttons->addStretch(1);
    buttons->addWidget(m_action);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    // At least the template's size; wider only when the buttons need it,
    // taller as the wrapped texts need.
    const QSize templateSize = Units(0, 0, 316, 135).size();
    const int width = std::max(templateSize.width(), layout->minimumSize().width());
    const int height = std::max(templateSize.height(), layout->totalHeightForWidth(width));
    setFixedSize(width, height);

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
