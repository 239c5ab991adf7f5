#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>

// One row of the properties tree, its texts ready to show: item views format
// numbers by locale and show lists as nothing, so the texts are made here.
struct PropertyNode {
    QString key;                  // the display name of the property key
    QString val;                  // empty for a group
    QList<PropertyNode> children; // a group's own sorted rows
    bool isGroup = false;
};

// Flattens an image's property map into the tree the panel shows: keys in
// plain character-code order, nested maps as groups, lists of numbers joined
// with ".".
class PropertyTree {
  public:
    using DisplayName = std::function<QString(const QString& key)>;

    static QList<PropertyNode> propTree(const QVariantMap& properties, const DisplayName& name);
    // The text of one value that is not a map.
    static QString valueText(const QVariant& value);
    // A list's numbers joined with "." ("2.2.1"); empty when it holds none.
    static QString joinedNumbers(const QVariantList& list);
    static bool isNumber(const QVariant& value);
};
