#pragma once

// Every command that a menu item, toolbar button or touch bar button stands
// for. One command may appear on several surfaces under a name of each
// surface's own (MenuItemNames); code addresses it by this value only.
enum class MenuItem {
    Copy,
    SelectAll,
    Deselect,
    SelectionTool,
    Rotate180,
    Rotate90,
    Rotate90Counter,
    FlipHorizontally,
    FlipVertically,
    PreviousImage,
    NextImage,
    PreviousFrame,
    NextFrame,
    Slideshow,
    ZoomOut,
    ZoomIn,
    FitToScreen,
    StretchToFit,
    FillScreen,
    ActualSize,
    GetInfo,
    ExportJPEG,
    ExportPNG,
    Print,
    EditIn,
    Open,
    NewFromClipboard,
    CloseWindow,
    Welcome,
    Website,
    CheckForUpdates,
    KeyboardShortcuts,
    About,
    Quit,
    Preferences,
    FullScreen,
    PlayStopGif,
    SmartZoom,
    ShowAllImages,
};

// The places a command can appear.
enum class CommandSurface {
    AppMenu,    // the application's menu, shared by every viewer window
    ViewerMenu, // the viewer's own context menu
    Toolbar,    // the viewer's toolbar
    TouchBar,   // the viewer window's touch bar
};
