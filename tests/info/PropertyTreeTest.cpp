#include "info/PropertyTree.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

QString names(const QString& key) {
    if (key == QLatin1String("{Exif}"))
        return QStringLiteral("Exif");
    if (key == QLatin1String("FNumber"))
        return QStringLiteral("F Number");
    return key;
}

QStringList keysOf(const QList<PropertyNode>& nodes) {
    QStringList keys;
    for (const PropertyNode& node : nodes)
        keys.append(node.key);
    return keys;
}

} // namespace

// Keys in character-code order, not by display name; a key without a name shows raw.
TEST(PropertyTreeTest, KeysInCharacterCodeOrderAndNestedMapsBecomeSortedGroups) {
    const QVariantMap plain{
        {QStringLiteral("b"), 1}, {QStringLiteral("A"), 2}, {QStringLiteral("a"), 3}};
    EXPECT_EQ(keysOf(PropertyTree::propTree(plain, names)), QStringList({"A", "a", "b"}));
    EXPECT_TRUE(PropertyTree::propTree(QVariantMap(), names).isEmpty());

    const QVariantMap exif{{QStringLiteral("FNumber"), 2.8},
                           {QStringLiteral("ExposureTime"), 0.004}};
    const QVariantMap map{{QStringLiteral("{Exif}"), exif},
                          {QStringLiteral("Unknown Key"), QStringLiteral("v")}};
    const QList<PropertyNode> tree = PropertyTree::propTree(map, names);
    EXPECT_EQ(keysOf(tree), QStringList({"Unknown Key", "Exif"}));
    ASSERT_EQ(tree.size(), 2);
    EXPECT_TRUE(tree[1].isGroup);
    EXPECT_TRUE(tree[1].val.isEmpty());
    EXPECT_EQ(keysOf(tree[1].children), QStringList({"ExposureTime", "F Number"}));
    EXPECT_EQ(tree[1].children.value(1).val, QStringLiteral("2.8"));
}

TEST(PropertyTreeTest, ListsOfNumbersJoinWithDots) {
    // Only the numbers, and no dot after the last one; the empty list shows itself, texts too.
    const std::pair<QVariantList, const char*> cases[] = {
        {{2, 2, 1}, "2.2.1"},
        {{7}, "7"},
        {{}, "()"},
        {{QStringLiteral("x"), QStringLiteral("y")}, "(x, y)"},
        {{1, QStringLiteral("x"), 2, QStringLiteral("z")}, "1.2"},
    };
    for (const auto& [list, text] : cases) {
        const auto tree = PropertyTree::propTree({{QStringLiteral("K"), list}}, names);
        ASSERT_EQ(tree.size(), 1);
        EXPECT_EQ(tree[0].val, QString::fromUtf8(text));
    }
}

TEST(PropertyTreeTest, NumbersIgnoreTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(PropertyTree::valueText(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(PropertyTree::valueText(123456789), QStringLiteral("123456789"));
    QLocale::setDefault(before);
    EXPECT_EQ(PropertyTree::valueText(true), QStringLiteral("1"));
    EXPECT_EQ(PropertyTree::valueText(QByteArray("\x01\x02", 2)), QStringLiteral("<01 02>"));
}
