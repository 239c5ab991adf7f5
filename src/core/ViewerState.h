#pragma once

#include "platform/Workspace.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// A read-only snapshot of what one viewer shows, for the command surfaces,
// the routing and the information panel. Taken whenever needed; nobody
// writes the viewer through it.
struct ViewerState {
    bool isStarted = false;
    // An archive entry, or image bytes from the clipboard.
    bool isZip = false;
    bool isData = false;
    // The item shown: a file path, or the entry path inside an archive.
    QString openedURL;
    // The bytes of an archive entry or clipboard image.
    QByteArray imageData;
    int framesCount = 0;
    int currentFrame = 0;
    // In points.
    double imageWidth = 0;
    double imageHeight = 0;
    int zoomMode = 0;
    bool isFullscreen = false;
    bool isFileLoaded = false;
    // The full image is on screen (not a reduced first look).
    bool isImageShown = false;
    // A turn or flip is being worked out; what changes the image waits.
    bool isTransforming = false;
    bool canZoomIn = false;
    bool canZoomOut = false;
    bool hasSelection = false;
    bool hasFrames = false;
    // An animation plays (or will, once its frames are decoded).
    bool isPlaying = false;
    // Somewhere to step to: two or more items in the list.
    bool isDirectory = false;
    // A list of one or more items (a folder or an archive), and whether its
    // grid stands in place of the image.
    bool hasList = false;
    bool isGridShown = false;
    bool inZooming = false;
    bool inDragging = false;
    bool inSelecting = false;
    // The applications that can open the file; none until asked for.
    std::optional<QList<ApplicationInfo>> appUrls;

    // A plain file on disk, which the information panel reads by its path.
    bool showsFile() const { return !openedURL.isEmpty() && !isZip && !isData; }
};
