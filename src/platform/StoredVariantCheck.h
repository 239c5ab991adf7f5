#pragma once

#include <QByteArrayView>

// Whether Qt can decode the bytes of a stored "@Variant(...)" without an
// allocation out of all proportion to them. Qt's reader reserves room for a
// list's declared count before it reads a single element, so twelve bytes
// can ask for gigabytes; each nested value is a level of its reader's stack.
// The bytes are Qt's own stream (in its 4.0 form, as QSettings writes it),
// walked here as Qt would read it: every count must fit in the bytes that
// follow it, nesting stays shallow, and only the types a preferences file of
// ours can hold are taken. Bytes that run out early are sound: Qt stops there.
class StoredVariantCheck {
  public:
    static constexpr int maximumDepth = 16;

    static bool isSafe(QByteArrayView stream);
};
