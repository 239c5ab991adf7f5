#pragma once

#include <QColor>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <limits>
#include <optional>

// The per-user preferences. Nothing registers defaults: every reader works with
// what it gets, and an absent key reads as 0, NO, an empty string or nothing.
// The file may hold anything (a hand edit, a cut write, another version), so
// each reader checks type and range where it reads: a value of the wrong
// type, not finite, or out of its key's range reads as absent. Writes go
// through SettingsFile, which keeps a copy of a damaged file before it is
// written over and holds in memory what cannot be written.
class Settings {
public:
    static constexpr const char* ZoomingMode = "ZoomingMode";
    static constexpr const char* WindowMode = "WindowMode";
    static constexpr const char* SlideshowDelay = "SlideshowDelay";
    static constexpr const char* BackgroundMode = "BackgroundMode";
    static constexpr const char* BackgroundColor = "BackgroundColor";
    static constexpr const char* FolderAccess = "FolderAccess";
    static constexpr const char* SavedFolders = "SavedFolders";
    static constexpr const char* PanelVisible = "PanelVisible";
    static constexpr const char* HideWelcomeScreen = "hideWelcomeScreen";
    static constexpr const char* InfoPanelX = "InfoPanelX";
    static constexpr const char* InfoPanelY = "InfoPanelY";
    static constexpr const char* InfoPanelH = "InfoPanelH";
    static constexpr const char* InfoPanelW = "InfoPanelW";
    static constexpr const char* HistogramType = "HistogramType";
    static constexpr const char* LastOpenFolder = "LastOpenFolder";
    static constexpr const char* PreferencesFrame = "CCNPreferencesWindowFrameAutoSaveName";

    static constexpr int defaultSlideshowDelay = 10;
    static constexpr int minimumSlideshowDelay = 5;
    // An hour a picture: anything longer is a damaged value, not a choice.
    static constexpr int maximumSlideshowDelay = 3600;
    // Screen coordinates and sizes beyond these are no screen's.
    static constexpr double maximumCoordinate = 1e6;
    static constexpr int maximumFrameSide = 100000;
    static constexpr int maximumInteger = std::numeric_limits<int>::max();

    // The application's store (organisation and application names set in main).
    Settings();
    // A store of the caller's, for tests and tools.
    explicit Settings(QSettings& store);

    // The modes are their choices' indexes; any other value reads as 0. Those
    // whose every value from 1 up picks the second choice read as stored,
    // from 0 up.
    int zoomingMode() const { return choice(ZoomingMode, 3); }
    int windowMode() const { return choice(WindowMode, maximumInteger); }
    int slideshowDelay() const;
    int backgroundMode() const { return choice(BackgroundMode, 2); }
    QColor backgroundColor() const;
    int folderAccess() const { return choice(FolderAccess, 1); }
    QVariantMap savedFolders() const;
    bool panelVisible() const;
    int hideWelcomeScreen() const { return choice(HideWelcomeScreen, maximumInteger); }
    double infoPanelX() const { return coordinate(InfoPanelX); }
    double infoPanelY() const { return coordinate(InfoPanelY); }
    double infoPanelH() const { return coordinate(InfoPanelH); }
    double infoPanelW() const { return coordinate(InfoPanelW); }
    int histogramType() const { return choice(HistogramType, maximumInteger); }
    // The preferences window's frame; an empty one when none is stored or
    // it is no frame a screen could show.
    QRect preferencesFrame() const;
    // The folder the Open dialog last opened from; empty unless text.
    QString lastOpenFolder() const;

    // Writes only a value that differs from the stored one. The file is
    // written at once; where it cannot be, the value still reads back.
    void setValue(const char* key, const QVariant& value);
    void setPanelVisible(bool visible) { setValue(PanelVisible, visible); }
    void setHideWelcomeScreen(int hide) { setValue(HideWelcomeScreen, hide); }
    void setBackgroundColor(const QColor& color) { setValue(BackgroundColor, hexString(color)); }

    // The file the store reads and writes.
    QString fileName() const;

    // "#RGB", "#RRGGBB" or "#RRGGBBAA" with any number of '#' removed first.
    static std::optional<QColor> colorFromHex(const QString& text);
    // The stored form: '#' and six upper-case hexadecimal digits.
    static QString hexString(const QColor& color);

private:
    static bool sameValue(const QVariant& stored, const QVariant& value);
    // What was set for the key: a value held for the session first, then the file's.
    QVariant value(const char* key) const;
    // Numbers are stored in whatever form the writer chose (a double for the
    // delay, text once read from the file); text or a number that is finite,
    // else nothing.
    std::optional<double> number(const char* key) const;
    // Truncated towards zero; nothing outside [minimum, maximum].
    std::optional<int> integer(const char* key, int minimum, int maximum) const;
    int choice(const char* key, int last) const { return integer(key, 0, last).value_or(0); }
    double coordinate(const char* key) const;
    // None when the file cannot be read (see SettingsFile::prepareToRead).
    QSettings* store() const;

    QSettings* external = nullptr;
    mutable std::optional<QSettings> own;
    mutable bool unreadable = false;
};
