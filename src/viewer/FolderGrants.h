#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class Settings;

// The folders the user granted, kept as bookmarks in "SavedFolders" (folder
// path to bookmark bytes), and the procedure that lists a folder the file
// system refused through them, or by asking the user for a grant.
class FolderGrants {
  public:
    // Asks the user to choose a folder to grant, starting at `folder` (none:
    // wherever the chooser likes); nothing when the user cancels.
    using Chooser = std::function<std::optional<QString>(const QString& folder)>;

    // The application installs the one chooser at launch; without one nothing is asked.
    static void setChooser(Chooser chooser);
    // A chooser is open: a further request must wait for it rather than
    // stack a second one in the first's event loop.
    static bool isAsking();

    // The application's store.
    FolderGrants();
    explicit FolderGrants(Settings& settings);
    ~FolderGrants();

    // A grant of `grant` covers `folder` when it is the folder or one of its
    // ancestors, by whole path components: /A/Bx does not cover /A/B/C.
    static bool covers(const QString& grant, const QString& folder);
    // The part of `folder` below the grant ("" for the folder itself); nothing
    // when the grant does not cover it.
    static std::optional<QString> remainderBelow(const QString& grant, const QString& folder);

    // The children of a folder whose listing was refused: through the most
    // specific covering grant that still resolves and lists, else through the
    // folder the user grants now, asked only where a grant can lift the
    // refusal (a sandbox whose document portal answers). Children reached through a grant of the
    // folder keep the folder's own path, so the opened file is found in them.
    std::optional<QStringList> listingFor(const QString& folder);
    // Asks for a folder with no starting place and stores its grant; false
    // when cancelled or when the chosen folder cannot be listed.
    bool grantAccess();
    // Stores a grant for `folder` when it can be listed; the other entries,
    // broken ones included, are kept as they are.
    bool addGrant(const QString& folder);
    void removeGrant(const QString& folder);
    // The granted folders, in the store's order.
    QStringList folders() const;

  private:
    std::optional<QStringList> ask(const QString& folder);
    // The bookmark under the key when it is one, nothing for a broken entry.
    static std::optional<QByteArray> bookmarkIn(const QVariantMap& grants, const QString& key);

    std::unique_ptr<Settings> own;
    Settings& settings;
};
