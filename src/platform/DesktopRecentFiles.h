#pragma once

#include <QString>

// The desktop's list of recently used files (recently-used.xbel, shared with
// file managers and other applications), to which the viewer adds what it
// opens. The list is the user's: one that cannot be read, or could not be
// written back with every entry it holds (those for files that are gone
// included), is left as it is.
class DesktopRecentFiles {
  public:
    // Queued on a pool of ours: writing the list can block on a slow home.
    static void add(const QString& path);
    // Adds at once to the list at `store`; false when the list could not be
    // read (and was left alone) or written.
    static bool addTo(const QString& store, const QString& path);
    // $XDG_DATA_HOME/recently-used.xbel, by default under ~/.local/share.
    static QString storePath();

    // Thousands of entries take a few megabytes; a larger list is left alone
    // rather than read whole.
    static constexpr qint64 maximumBytes = qint64(32) << 20;

    static constexpr const char* applicationName = "Ovisto";
    static constexpr const char* applicationExec = "ovisto %u";

  private:
    // The type named by the extension is looked up by the caller: a write may
    // still run while the process exits, after Qt's own lookups are gone.
    static bool addTo(const QString& store, const QString& path, const QString& nameType);
};
