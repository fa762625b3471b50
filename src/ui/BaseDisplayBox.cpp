#include "ui/BaseDisplayBox.h"

#include "ui/Artwork.h"
#include "resources/StringTable.h"
#include "ui/CBaseAreaView.h"
#include "ui/CNiceMFCButton.h"

#include <QFontDatabase>
#include <QLineEdit>

BaseDisplayBox::BaseDisplayBox(CBaseAreaView* ownerView, const void* boxKey) : key(boxKey), owner(ownerView) {}

BaseDisplayBox::~BaseDisplayBox() = default;

bool BaseDisplayBox::CreateButton(QPointer<CNiceMFCButton>& button, const QRect& rect, int imageIndex,
                                  const QColor& faceColour, int tooltipStringId, bool sizeToContent)
{
    if (!owner)
        return false;
    const int id = owner->RegisterChildControl(this);
    auto* b = new CNiceMFCButton(owner->viewport());
    b->SetCommandId(id);
    b->SetFaceColour(faceColour);
    b->SetImage(CardButtonImage(imageIndex));
    if (sizeToContent)
    {
        b->move(rect.topLeft());
        b->SizeToContent();
    }
    else
    {
        b->setGeometry(rect);
    }
    if (tooltipStringId != 0)
    {
        const QString tip = LoadResString(tooltipStringId);
        if (!tip.isEmpty())
            b->setToolTip(tip);
    }
    owner->AttachChildControl(id, b);
    b->show();
    button = b;
    return true;
}

bool BaseDisplayBox::CreateEdit(QPointer<QLineEdit>& edit, const QRect& rect, const QString& text, int maxChars)
{
    if (!owner)
        return false;
    const int id = owner->RegisterChildControl(this);
    auto* e = new QLineEdit(owner->viewport());
    e->setFrame(true);
    if (maxChars > 0)
        e->setMaxLength(maxChars);
    e->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    e->setGeometry(rect);
    // The text is set before the field is bound, so creating it reports no change.
    e->setText(text);
    e->setCursorPosition(0);
    owner->AttachChildControl(id, e);
    e->show();
    edit = e;
    return true;
}

std::vector<QWidget*> BaseDisplayBox::TabOrderControls() const
{
    return {};
}

void BaseDisplayBox::OnChildCommand(int) {}
void BaseDisplayBox::OnChildTextChanged(int) {}
void BaseDisplayBox::OnChildFocusLost(int) {}
void BaseDisplayBox::OnEvent(std::uint32_t, std::uintptr_t) {}
int BaseDisplayBox::ToolHitTest(int, int, QRect&) { return 0; }
QString BaseDisplayBox::GetToolTipText(int) { return QString(); }
QString BaseDisplayBox::GetChildToolTipText(QWidget*) { return QString(); }
int BaseDisplayBox::ContextMenuAt(int, int, std::uintptr_t&) { return 0; }
void BaseDisplayBox::PrepareContextMenu(QMenu*, std::uintptr_t) {}
void BaseDisplayBox::OnContextCommand(int, std::uintptr_t) {}
bool BaseDisplayBox::HitTest(int, int) { return false; }
std::optional<QCursor> BaseDisplayBox::SetHover(bool, const QRect&) { return std::nullopt; }
