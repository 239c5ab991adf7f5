#include "viewer/ShortcutCatalog.h"

#include "geometry/KeyMap.h"
#include "menus/MenuItemNames.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <map>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ShortcutCatalog", text);
}

enum Group { Viewing, Zoom, Navigation, Selection, Image, File, Window };

QString groupName(Group group) {
    switch (group) {
    case Viewing:
        return tr("Viewing");
    case Zoom:
        return tr("Zoom");
    case Navigation:
        return tr("Navigation");
    case Selection:
        return tr("Selection");
    case Image:
        return tr("Image");
    case File:
        return tr("File");
    case Window:
        return tr("Window");
    }
    return QString();
}

Group groupOf(MenuItem item) {
    switch (item) {
    case MenuItem::FitToScreen:
    case MenuItem::StretchToFit:
    case MenuItem::FillScreen:
    case MenuItem::FullScreen:
    case MenuItem::PlayStopGif:
    case MenuItem::Slideshow:
        return Viewing;
    case MenuItem::ZoomIn:
    case MenuItem::ZoomOut:
    case MenuItem::ActualSize:
    case MenuItem::SmartZoom:
        return Zoom;
    case MenuItem::PreviousImage:
    case MenuItem::NextImage:
    case MenuItem::PreviousFrame:
    case MenuItem::NextFrame:
    case MenuItem::ShowAllImages:
        return Navigation;
    case MenuItem::Copy:
    case MenuItem::SelectAll:
    case MenuItem::Deselect:
    case MenuItem::SelectionTool:
        return Selection;
    case MenuItem::Rotate180:
    case MenuItem::Rotate90:
    case MenuItem::Rotate90Counter:
    case MenuItem::FlipHorizontally:
    case MenuItem::FlipVertically:
        return Image;
    case MenuItem::ExportJPEG:
    case MenuItem::ExportPNG:
    case MenuItem::Print:
    case MenuItem::EditIn:
    case MenuItem::Open:
    case MenuItem::NewFromClipboard:
        return File;
    case MenuItem::GetInfo:
    case MenuItem::CloseWindow:
    case MenuItem::Welcome:
    case MenuItem::Website:
    case MenuItem::CheckForUpdates:
    case MenuItem::KeyboardShortcuts:
    case MenuItem::About:
    case MenuItem::Quit:
    case MenuItem::Preferences:
        return Window;
    }
    return Window;
}

struct KeyAction {
    Group group;
    QString name;
};

KeyAction describe(KeyMap::Action action) {
    using A = KeyMap::Action;
    switch (action) {
    case A::None:
        break;
    case A::ZoomToolIn:
        return {Zoom, tr("Zoom tool, in (hold)")};
    case A::ZoomToolOut:
        return {Zoom, tr("Zoom tool, out (hold)")};
    case A::HandTool:
        return {Navigation, tr("Hand tool (hold)")};
    case A::PanUp:
        return {Navigation, tr("Pan up")};
    case A::PanDown:
        return {Navigation, tr("Pan down")};
    case A::PanLeft:
        return {Navigation, tr("Pan left")};
    case A::PanRight:
        return {Navigation, tr("Pan right")};
    case A::ActualSize:
        return {Zoom, tr("Actual Size")};
    case A::CloseOrLeaveFullScreen:
        return {Window, tr("Leave full screen, or close the window")};
    case A::ToggleSelectionTool:
        return {Selection, tr("Selection tool on or off")};
    case A::ZoomIn:
        return {Zoom, tr("Zoom In")};
    case A::ZoomOut:
        return {Zoom, tr("Zoom Out")};
    case A::FirstImage:
        return {Navigation, tr("First image")};
    case A::LastImage:
        return {Navigation, tr("Last image")};
    case A::NextImage:
        return {Navigation, tr("Next Image")};
    case A::PreviousImage:
        return {Navigation, tr("Previous Image")};
    }
    return {Window, QString()};
}

// The keys the map is asked about: every key a keyboard commonly has.
QList<int> probedKeys() {
    QList<int> keys;
    for (int key = Qt::Key_Space; key <= Qt::Key_AsciiTilde; ++key)
        keys << key;
    for (int key = Qt::Key_Escape; key <= Qt::Key_PageDown; ++key)
        keys << key;
    for (int key = Qt::Key_F1; key <= Qt::Key_F12; ++key)
        keys << key;
    return keys;
}

// Shift adds nothing of its own to the map: a key's entry stands for its
// shifted form too.
const Qt::KeyboardModifiers probedModifiers[] = {
    Qt::NoModifier, Qt::ControlModifier, Qt::AltModifier, Qt::ControlModifier | Qt::AltModifier};

void add(std::map<std::pair<int, QString>, ShortcutCatalog::Entry>& into, Group group,
         const QString& action, const QString& keys) {
    ShortcutCatalog::Entry& entry = into[{int(group), action}];
    entry.group = groupName(group);
    entry.action = action;
    if (!entry.keys.contains(keys))
        entry.keys << keys;
}

} // namespace

QStringList ShortcutCatalog::groups() {
    QStringList names;
    for (Group group : {Viewing, Zoom, Navigation, Selection, Image, File, Window})
        names << groupName(group);
    return names;
}

QString ShortcutCatalog::keyText(int keyWithModifiers) {
    return QKeySequence(keyWithModifiers).toString(QKeySequence::NativeText);
}

QList<ShortcutCatalog::Entry> ShortcutCatalog::keyMapEntries() {
    std::map<std::pair<int, QString>, Entry> found;
    for (Qt::KeyboardModifiers modifiers : probedModifiers) {
        for (int key : probedKeys()) {
            const QString keys = keyText(int(modifiers) | key);
            // No scan code: the map falls back to the key's symbol, which
            // names the key as a US layout prints it.
            const KeyMap::Action action = KeyMap::keyDown(0, key, modifiers).action;
            if (action != KeyMap::Action::None) {
                const KeyAction described = describe(action);
                add(found, described.group, described.name, keys);
            }
            if (KeyMap::keyUp(0, key, modifiers) == KeyMap::KeyUpAction::ToggleFullScreen)
                add(found, Viewing, tr("Full screen on or off"), keys);
        }
    }
    QList<Entry> entries;
    for (auto& [key, entry] : found)
        entries << entry;
    return entries;
}

QList<ShortcutCatalog::Entry> ShortcutCatalog::entries(const QList<QAction*>& actions) {
    std::map<std::pair<int, QString>, Entry> found;
    for (const QAction* action : actions) {
        const std::optional<MenuItem> item =
            MenuItemNames::item(action->objectName(), CommandSurface::AppMenu);
        const Group group = item ? groupOf(*item) : Window;
        QString name = action->text();
        name.remove(QLatin1Char('&'));
        name.remove(QStringLiteral("…"));
        for (const QKeySequence& shortcut : action->shortcuts())
            if (!shortcut.isEmpty())
                add(found, group, name, shortcut.toString(QKeySequence::NativeText));
    }
    for (const Entry& entry : keyMapEntries())
        for (const QString& keys : entry.keys)
            add(found, Group(groups().indexOf(entry.group)), entry.action, keys);
    const std::pair<Group, std::pair<const char*, const char*>> mouse[] = {
        {Zoom, {"Zoom about the pointer", "Ctrl+Wheel"}},
        {Navigation, {"Pan", "Wheel"}},
        {Navigation, {"Pan (with the hand tool)", "Space+Drag"}},
        {Zoom, {"Zoom in at the pointer (with the zoom tool)", "Z+Click"}},
        {Selection, {"Select an area (with the selection tool)", "Drag"}},
        {Viewing, {"Full screen on or off", "Double-click"}},
        {Window, {"Maximise or restore", "Double-click the top strip"}},
        {Window, {"Move the window", "Drag the background"}},
    };
    for (const auto& [group, text] : mouse)
        add(found, group, tr(text.first), tr(text.second));
    QList<Entry> entries;
    for (auto& [key, entry] : found)
        entries << entry;
    return entries;
}
