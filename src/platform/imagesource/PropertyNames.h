#pragma once

#include <QString>

// Readable names for property keys and type identifiers, for the
// information panel; a key without an entry is shown as it is.
class PropertyNames {
public:
    static QString displayName(const QString& key);
};
