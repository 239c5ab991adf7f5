#pragma once

#include <QString>

// What the message view says in place of an image.
struct ViewerMessage {
    enum Situation {
        EmptyWindow,
        NoImagesInFolder,
        NoImagesInArchive,
        ArchiveCannotOpen,
        CannotDecode,
    };

    QString picture; // resource name, without extension
    QString title;
    QString description;

    static ViewerMessage forSituation(Situation situation);
};
