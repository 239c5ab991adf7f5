#include "core/OpenDialogFolder.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    OpenDialogFolder::Inputs inputs;
    QString expected;
};

TEST(OpenDialogFolder, PrefersTheDocumentThenTheLastFolderThenHome) {
    const QSet<QString> folders = {"/home/u", "/pics", "/pics/album", "/last"};
    const auto isFolder = [&folders](const QString& path) { return folders.contains(path); };
    const Case cases[] = {
        {"the image's folder", {"/pics/a.jpg", "/last", "/home/u"}, "/pics"},
        {"an archive's folder, not the entry",
         {"/pics/album/set.zip", "/last", "/home/u"},
         "/pics/album"},
        {"a folder document is itself the place",
         {"/pics/album/", "/last", "/home/u"},
         "/pics/album"},
        {"a document whose folder is gone falls back to the last folder",
         {"/gone/a.jpg", "/last", "/home/u"},
         "/last"},
        {"no document: the last folder", {"", "/last/", "/home/u"}, "/last"},
        {"a last folder that is gone: home", {"", "/removed", "/home/u"}, "/home/u"},
        {"nothing known: home", {"", "", "/home/u"}, "/home/u"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OpenDialogFolder::choose(c.inputs, isFolder), c.expected) << c.name;
}

} // namespace
