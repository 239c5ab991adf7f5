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

} // namespace

TEST(PropertyTreeTest, KeysInCharacterCodeOrderNotByDisplayName) {
    const QVariantMap map{
        {QStringLiteral("b"), 1}, {QStringLiteral("A"), 2}, {QStringLiteral("a"), 3}};
    const QList<PropertyNode> tree = PropertyTree::propTree(map, names);
    ASSERT_EQ(tree.size(), 3);
    EXPECT_EQ(tree[0].key, QStringLiteral("A"));
    EXPECT_EQ(tree[1].key, QStringLiteral("a"));
    EXPECT_EQ(tree[2].key, QStringLiteral("b"));
    EXPECT_TRUE(PropertyTree::propTree(QVariantMap(), names).isEmpty());
}

TEST(PropertyTreeTest, ListsOfNumbersJoinWithDots) {
    const QVariantMap map{
        {QStringLiteral("Version"), QVariantList{2, 2, 1}},
        {QStringLiteral("Single"), QVariantList{7}},
        {QStringLiteral("Empty"), QVariantList{}},
        {QStringLiteral("Texts"), QVariantList{QStringLiteral("x"), QStringLiteral("y")}},
        // Only the numbers, and no dot after the last one.
        {QStringLiteral("Mixed"), QVariantList{1, QStringLiteral("x"), 2, QStringLiteral("z")}},
    };
    QHash<QString, QString> values;
    for (const PropertyNode& node : PropertyTree::propTree(map, names))
        values[node.key] = node.val;
    EXPECT_EQ(values[QStringLiteral("Version")], QStringLiteral("2.2.1"));
    EXPECT_EQ(values[QStringLiteral("Single")], QStringLiteral("7"));
    EXPECT_EQ(values[QStringLiteral("Empty")], QStringLiteral("()")) << "the empty list itself";
    EXPECT_EQ(values[QStringLiteral("Texts")], QStringLiteral("(x, y)")) << "not blank";
    EXPECT_EQ(values[QStringLiteral("Mixed")], QStringLiteral("1.2"));
}

TEST(PropertyTreeTest, NestedMapsBecomeGroupsWithSortedChildren) {
    const QVariantMap exif{{QStringLiteral("FNumber"), 2.8},
                           {QStringLiteral("ExposureTime"), 0.004}};
    const QVariantMap map{{QStringLiteral("{Exif}"), exif},
                          {QStringLiteral("Unknown Key"), QStringLiteral("v")}};
    const QList<PropertyNode> tree = PropertyTree::propTree(map, names);
    ASSERT_EQ(tree.size(), 2);
    EXPECT_EQ(tree[0].key, QStringLiteral("Unknown Key")) << "a key without a name shows raw";
    EXPECT_EQ(tree[1].key, QStringLiteral("Exif"));
    EXPECT_TRUE(tree[1].isGroup);
    EXPECT_TRUE(tree[1].val.isEmpty());
    ASSERT_EQ(tree[1].children.size(), 2);
    EXPECT_EQ(tree[1].children[0].key, QStringLiteral("ExposureTime"));
    EXPECT_EQ(tree[1].children[1].key, QStringLiteral("F Number"));
    EXPECT_EQ(tree[1].children[1].val, QStringLiteral("2.8"));
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
