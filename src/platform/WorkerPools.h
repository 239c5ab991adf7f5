#pragma once

class QThreadPool;

// The thread pools the viewer's own background work runs on. Qt paints and
// scales on its global pool: a decode stuck on a slow disk there would stall
// the window, so none of ours goes there. The pools live as long as the
// process and are never waited for: work nobody wants any more is cancelled
// and its result dropped, and quitting abandons whatever is still running.
namespace WorkerPools {

// What the user asked to see: decodes, reads of archive entries.
QThreadPool* decoding();
// The neighbours decoded ahead: one low-priority thread.
QThreadPool* readingAhead();
// The frames of an animation decoded after its first one is shown.
QThreadPool* frames();
// Look-ups that may block on the desktop's services (which applications open a file).
QThreadPool* lookups();
// The information panel's details: one low-priority thread, so that it never
// takes a core from the image the user is waiting for.
QThreadPool* details();
// Exports: encoding and writing a file, one at a time, beside the decodes.
QThreadPool* exporting();
// Freeing large buffers, so a free never waits behind a decode.
QThreadPool* freeing();
// The thumbnails of a folder's grid: two low-priority threads, so that a
// scroll through thousands of files never holds up the image on show.
QThreadPool* thumbnails();

} // namespace WorkerPools
