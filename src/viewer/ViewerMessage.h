#pragma once

#include "platform/DecodeFailure.h"

#include <QString>

// What the message view says in place of an image.
struct ViewerMessage {
    enum Situation {
        EmptyWindow,
        NoImagesInFolder,
        NoImagesInArchive,
        ArchiveCannotOpen,
        CannotDecode, // also a file a decoder claims but cannot read
        FileNotFound,
        NoPermission,
        NotAnImage,
        TooLarge,
    };

    QString picture; // resource name, without extension
    QString title;
    QString description;

    static ViewerMessage forSituation(Situation situation);
    // The situation of an image that failed for this reason.
    static Situation forFailure(DecodeFailure::Reason reason);
};
