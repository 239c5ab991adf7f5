#pragma once

#include <QColor>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <optional>

// The per-user preferences. Nothing registers defaults: every reader works with
// what it gets, and an absent key reads as 0, NO, an empty string or nothing.
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
    static constexpr const char* HistogramType = "HistogramType";

    static constexpr int defaultSlideshowDelay = 10;
    static constexpr int minimumSlideshowDelay = 5;

    // The application's store (organisation and application names set in main).
    Settings();
    // A store of the caller's, for tests and tools.
    explicit Settings(QSettings& store);

    int zoomingMode() const { return integer(ZoomingMode); }
    int windowMode() const { return integer(WindowMode); }
    int slideshowDelay() const;
    int backgroundMode() const { return integer(BackgroundMode); }
    QColor backgroundColor() const;
    int folderAccess() const { return integer(FolderAccess); }
    QVariantMap savedFolders() const;
    bool panelVisible() const;
    int hideWelcomeScreen() const { return integer(HideWelcomeScreen); }
    double infoPanelX() const { return nonNegative(InfoPanelX); }
    double infoPanelY() const { return nonNegative(InfoPanelY); }
    double infoPanelH() const { return nonNegative(InfoPanelH); }
    int histogramType() const { return integer(HistogramType); }

    // Writes only a value that differs from the stored one.
    void setValue(const char* key, const QVariant& value);
    void setPanelVisible(bool visible) { setValue(PanelVisible, visible); }
    void setHideWelcomeScreen(int hide) { setValue(HideWelcomeScreen, hide); }
    void setBackgroundColor(const QColor& color) { setValue(BackgroundColor, hexString(color)); }

    // Numbers are stored in whatever form the writer chose (a double for the
    // delay); integer readers truncate, and anything unreadable counts as absent.
    int integer(const char* key) const;
    double number(const char* key) const;

    // "#RGB", "#RRGGBB" or "#RRGGBBAA" with any number of '#' removed first.
    static std::optional<QColor> colorFromHex(const QString& text);
    // The stored form: '#' and six upper-case hexadecimal digits.
    static QString hexString(const QColor& color);
    // Below the minimum (absent, zero and negative included) means the default.
    static int effectiveSlideshowDelay(int stored);

private:
    static bool sameValue(const QVariant& stored, const QVariant& value);
    double nonNegative(const char* key) const;
    QSettings& store() const;

    QSettings* external = nullptr;
    mutable std::optional<QSettings> own;
};
