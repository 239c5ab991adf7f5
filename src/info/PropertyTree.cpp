#include "info/PropertyTree.h"

#include <QStringList>
#include <algorithm>

bool PropertyTree::isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

namespace {

QString numberText(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 15); // never the locale's separators
    return value.toString();
}

} // namespace

QString PropertyTree::joinedNumbers(const QVariantList& list) {
    // Only the numbers: text among them would otherwise leave a trailing dot.
    QStringList numbers;
    for (const QVariant& element : list) {
        if (isNumber(element))
            numbers.append(numberText(element));
    }
    return numbers.join(QLatin1Char('.'));
}

QString PropertyTree::valueText(const QVariant& value) {
    if (isNumber(value))
        return numberText(value);
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QStringList parts;
        for (const QVariant& element : value.toList())
            parts.append(valueText(element));
        return QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    case QMetaType::QByteArray: {
        // Undecoded bytes: their first few in hexadecimal.
        const QByteArray bytes = value.toByteArray();
        QString text = QLatin1Char('<') + QString::fromLatin1(bytes.left(32).toHex(' '));
        if (bytes.size() > 32)
            text += QStringLiteral(" …");
        return text + QLatin1Char('>');
    }
    default:
        return value.toString();
    }
}

QList<PropertyNode> PropertyTree::propTree(const QVariantMap& properties, const DisplayName& name) {
    QList<PropertyNode> nodes;
    QStringList keys = properties.keys();
    // By character codes, not by locale or by display name.
    std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    for (const QString& key : keys) {
        const QVariant& value = properties[key];
        PropertyNode node;
        node.key = name ? name(key) : key;
        if (value.typeId() == QMetaType::QVariantMap) {
            node.isGroup = true;
            node.children = propTree(value.toMap(), name);
        } else if (value.typeId() == QMetaType::QVariantList) {
            const QString joined = joinedNumbers(value.toList());
            node.val = joined.isEmpty() ? valueText(value) : joined;
        } else {
            node.val = valueText(value);
        }
        nodes.append(node);
    }
    return nodes;
}
