// The update offer dialog: every text it shows can be read in full, whatever
// the font and the length of the server's texts.
#include "common/TestNames.h"
#include "ui/CUpdateNotifyDlg.h"
#include "update/UpdateData.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct OfferCase
{
    const char* name;
    std::uint32_t status;
    ModuleVersion version;
    QStringList features;
};

class OfferDialogText : public ::testing::TestWithParam<OfferCase>
{
};

// The label's text laid out in the label's own width takes no more room than
// the label has.
void ExpectWholeText(const QLabel* label)
{
    SCOPED_TRACE(label->text().toStdString());
    const QRect room = label->contentsRect();
    const QRect needed = QFontMetrics(label->font())
                             .boundingRect(QRect(0, 0, room.width(), 100000),
                                           int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
                                           label->text());
    EXPECT_LE(needed.width(), room.width());
    EXPECT_LE(needed.height(), room.height());
}

TEST_P(OfferDialogText, EveryTextIsShownWhole)
{
    const OfferCase& c = GetParam();
    UpdateInfo info;
    info.status = c.status;
    info.version = c.version;
    info.features = c.features;
    CUpdateNotifyDlg dialog(&info, QStringLiteral("Parcelo"), nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    // At least the template's 316 x 135 dialog units.
    EXPECT_GE(dialog.width(), 474);
    EXPECT_GE(dialog.height(), 219);

    QList<QWidget*> shown;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->isVisible())
            continue;
        ExpectWholeText(label);
        shown.append(label);
    }
    for (QPushButton* button : {dialog.ActionButton(), dialog.CancelButton(), dialog.MoreInfoButton()}) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        shown.append(button);
    }
    // Everything inside the dialog, nothing on top of anything else.
    for (int i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(dialog.rect().contains(shown[i]->geometry())) << shown[i]->objectName().toStdString();
        for (int j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << i << " and " << j;
    }
}

const QString kLongLine = QStringLiteral(
    "Sections can now be made from the document's bookmarks, each named after its bookmark's title, "
    "and saved with the bookmarks, links and page labels that belong to their pages");

INSTANTIATE_TEST_SUITE_P(
    Offers, OfferDialogText,
    ::testing::Values(
        OfferCase{"Download", 2, {2, 1, 0, 0}, {QStringLiteral("Faster thumbnails"), QStringLiteral("Bookmarks")}},
        OfferCase{"Purchase", 3, {3, 0, 0, 0}, {QStringLiteral("A new look")}},
        OfferCase{"LongVersionAndFeatures", 2, {65535, 65535, 65535, 65535}, {kLongLine, kLongLine, kLongLine}},
        OfferCase{"FromSettingsWithoutFeatures", 0, {0, 0, 0, 0}, {}}),
    TestNames::ByName());

} // namespace
