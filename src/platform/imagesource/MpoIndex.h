#pragma once

#include <QByteArray>
#include <QList>

// The index of a multi-picture (MPO) file: the MP Entry table of the MPF
// segment (APP2) of its first JPEG, giving where each picture lies.
class MpoIndex {
public:
    struct Entry {
        qsizetype offset = 0; // from the start of the file
        qsizetype length = 0;
        quint32 type = 0; // the MP type code (low 24 bits of the attribute)
    };

    // The pictures the index lists that lie inside the data and start like a
    // JPEG. Empty when there is no index.
    static QList<Entry> read(const QByteArray& bytes);
    // The pictures that are images in their own right: the listed entries
    // less the reduced previews that cameras add to single photographs.
    static QList<Entry> pictures(const QByteArray& bytes);
};
