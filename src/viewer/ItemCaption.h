#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// What the toolbar and the title say about the item on screen beyond its
// name: where it sits in its list, how far it is zoomed, and which archive
// it came from.
class ItemCaption {
  public:
    // "12 / 2,000 · 25 %": the position (`index` from 0; none outside a list)
    // and the zoom (none without an image), each left out when unknown.
    static QString position(std::optional<qsizetype> index, qsizetype count,
                            std::optional<double> zoom, const QLocale& locale);
    // Device pixels per image pixel: `shownWidth` and `imageWidth` are both
    // in view points, so the screen's pixel ratio cancels out. None for an
    // image of no width.
    static std::optional<double> zoom(double shownWidth, double imageWidth);
    // An archive entry keeps its path within the archive, so that two
    // "cover.jpg" in different folders are told apart; a file shows its name.
    static QString windowTitle(const QString& item, const QString& archiveName);
};
