// The numbered texts are looked up in translations by their number: an entry
// whose key is not its own number would show another entry's translation.
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <set>

TEST(StringTableTest, EveryEntryIsKeyedByItsOwnNumber)
{
    std::set<QString> keys;
    for (const StringTableEntry& entry : StringTableEntries())
    {
        EXPECT_EQ(entry.key, QString::number(entry.id)) << entry.source.toStdString();
        EXPECT_TRUE(keys.insert(entry.key).second) << "key " << entry.key.toStdString() << " used twice";
        EXPECT_EQ(LoadResString(entry.id), entry.source) << "without a translation the English text is shown";
    }
    EXPECT_FALSE(keys.empty());
}
