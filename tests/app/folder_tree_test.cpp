#include "app/folder_tree.h"
#include "app/dir_change_thread.h"
#include "platform/dir_watch.h"
#include "support/fake_dialogs.h"
#include "support/fake_shell_namespace.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

namespace lumora {
namespace {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return true;
}

QStringList texts(const QTreeWidgetItem* node) {
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i)
        out << node->child(i)->text(0);
    return out;
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* node, const QString& text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text)
            return node->child(i);
    return nullptr;
}

// Runs a command in a process of its own, as another program would change the folders.
void shell(const QString& command) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command}), 0)
        << command.toStdString();
}

class FolderTreeTest : public ::testing::Test {
protected:
    test::ScratchDir home;
    test::FakeShellNamespace ns;
    QString drive = home.filePath(QStringLiteral("drive"));
    QString other = home.filePath(QStringLiteral("other"));

    FolderTreeTest() {
        QDir().mkpath(drive);
        QDir().mkpath(other);
        ns.desktopPath = home.filePath(QStringLiteral("Desktop"));
        ns.drives = {{drive, QStringLiteral("System"), false, 1}, {other, {}, false, 1}};
        ns.shares = {home.filePath(QStringLiteral("share"))};
    }
    void mk(const QString& relative) { ASSERT_TRUE(QDir(drive).mkpath(relative)); }
    std::unique_ptr<TFolderTree> tree() { return std::make_unique<TFolderTree>(nullptr, &ns); }
};

TEST_F(FolderTreeTest, LayoutAtCreation) {
    mk(QStringLiteral("a"));
    auto t = tree();
    EXPECT_EQ(t->indentation(), 19);
    ASSERT_EQ(t->topLevelItemCount(), 1);
    QTreeWidgetItem* root = t->rootNode();
    EXPECT_EQ(root->text(0), QStringLiteral("Desktop"));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(texts(root), (QStringList{"Trash", "Network", "Computer"}));
    // Drives keep the namespace's order (the second sorts before the first by name).
    EXPECT_EQ(texts(t->computerNode()), (QStringList{"System", other}));
    EXPECT_FALSE(t->isFilled(t->computerNode()->child(0)));
    EXPECT_EQ(ns.folderCalls, 0) << "drives are read on expansion only";

    t->setCurrentItem(root);
    EXPECT_EQ(t->Directory(), ns.desktopPath);
    for (QTreeWidgetItem* node : {t->recycleBinNode(), t->networkNode(), t->computerNode()}) {
        t->setCurrentItem(node);
        EXPECT_TRUE(t->Directory().isEmpty()) << node->text(0).toStdString();
    }
    t->setCurrentItem(t->computerNode()->child(0));
    EXPECT_EQ(t->Directory(), drive);
    t->setCurrentItem(nullptr);
    EXPECT_TRUE(t->Directory().isEmpty());
}

TEST_F(FolderTreeTest, LazyFillingSortsAndShowsButtonsOnlyForFoldersWithFolders) {
    for (const char* name : {"beta/inner", "Alpha", "gamma", ".hidden/x"})
        mk(QLatin1String(name));
    QFile(drive + QStringLiteral("/file.txt")).open(QIODevice::WriteOnly);
    auto t = tree();
    QTreeWidgetItem* d = t->computerNode()->child(0);
    EXPECT_EQ(d->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(d->childCount(), 0);

    d->setExpanded(true);
    EXPECT_EQ(ns.folderCalls, 1);
    EXPECT_EQ(texts(d), (QStringList{".hidden", "Alpha", "beta", "gamma"}));
    EXPECT_EQ(childNamed(d, "beta")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_NE(childNamed(d, "gamma")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(t->watcherCount(), 1);

    // Collapsing and expanding again does not read again.
    d->setExpanded(false);
    d->setExpanded(true);
    EXPECT_EQ(ns.folderCalls, 1);

    // A folder that turns out empty loses its button and gets no watcher.
    QTreeWidgetItem* alpha = childNamed(d, "Alpha");
    alpha->setExpanded(true);
    EXPECT_EQ(alpha->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_EQ(t->watcherCount(), 1);
}

TEST_F(FolderTreeTest, DirectoryWriteFindsDeepestNodeOrNone) {
    mk(QStringLiteral("Music/Rock/Old"));
    mk(QStringLiteral("Music/rock2"));
    auto t = tree();
    QSignalSpy changes(t.get(), &TFolderTree::Change);

    t->setDirectory(drive + QStringLiteral("/Music/Rock/Old"));
    EXPECT_EQ(t->Directory(), drive + QStringLiteral("/Music/Rock/Old"));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(t->currentItem()->parent()->isExpanded());

    // Names compare without case; a missing component stops at the deepest node.
    t->setDirectory(drive + QStringLiteral("/music/ROCK/missing/deeper"));
    EXPECT_EQ(t->Directory(), drive + QStringLiteral("/Music/Rock"));
    t->setDirectory(drive + QStringLiteral("/Music/rock2/"));
    EXPECT_EQ(t->Directory(), drive + QStringLiteral("/Music/rock2"));
    t->setDirectory(drive);
    EXPECT_EQ(t->currentItem(), t->computerNode()->child(0));

    // No drive holds it: nothing is selected.
    t->setDirectory(QStringLiteral("/definitely/not/a/drive"));
    EXPECT_EQ(t->currentItem(), nullptr);
    EXPECT_TRUE(t->Directory().isEmpty());
}

TEST_F(FolderTreeTest, LongestMountPointAndSharesDecide) {
    const QString nested = drive + QStringLiteral("/mnt/usb");
    mk(QStringLiteral("mnt/usb/photos"));
    ns.drives.push_back({nested, QStringLiteral("USB"), true, 77});
    QDir().mkpath(ns.shares[0] + QStringLiteral("/docs"));
    auto t = tree();

    t->setDirectory(nested + QStringLiteral("/photos"));
    ASSERT_NE(t->currentItem(), nullptr);
    EXPECT_EQ(t->currentItem()->parent()->text(0), QStringLiteral("USB"));
    t->setDirectory(ns.shares[0] + QStringLiteral("/docs"));
    ASSERT_NE(t->currentItem(), nullptr);
    EXPECT_EQ(t->currentItem()->parent()->parent(), t->networkNode());
    EXPECT_EQ(t->Directory(), ns.shares[0] + QStringLiteral("/docs"));
}

TEST_F(FolderTreeTest, OtherProgramsChangesShowWithoutUserAction) {
    mk(QStringLiteral("keep/child"));
    mk(QStringLiteral("work"));
    auto t = tree();
    t->setDirectory(drive + QStringLiteral("/keep/child"));
    QTreeWidgetItem* d = t->computerNode()->child(0);
    ASSERT_TRUE(d->isExpanded());
    QTreeWidgetItem* keep = childNamed(d, "keep");
    QSignalSpy changes(t.get(), &TFolderTree::Change);

    shell(QStringLiteral("mkdir '%1/new'").arg(drive));
    EXPECT_TRUE(waitFor([&] { return childNamed(d, "new"); }, 500)) << "created";
    EXPECT_EQ(texts(d), (QStringList{"keep", "new", "work"}));

    shell(QStringLiteral("mv '%1/new' '%1/Renamed'").arg(drive));
    EXPECT_TRUE(waitFor([&] { return childNamed(d, "Renamed") && !childNamed(d, "new"); }, 500))
        << "renamed";
    EXPECT_EQ(texts(d), (QStringList{"keep", "Renamed", "work"}));

    shell(QStringLiteral("rmdir '%1/Renamed'").arg(drive));
    EXPECT_TRUE(waitFor([&] { return !childNamed(d, "Renamed"); }, 500)) << "deleted";

    // The user's place in the tree survived all of it.
    EXPECT_EQ(childNamed(d, "keep"), keep);
    EXPECT_TRUE(keep->isExpanded());
    EXPECT_EQ(t->Directory(), drive + QStringLiteral("/keep/child"));
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(FolderTreeTest, ExpandedFolderDeletedElsewhereDisappears) {
    mk(QStringLiteral("doomed/a/b"));
    mk(QStringLiteral("stays"));
    auto t = tree();
    t->setDirectory(drive + QStringLiteral("/doomed/a/b"));
    const int watchers = t->watcherCount();
    ASSERT_GE(watchers, 3);  // drive, doomed, doomed/a
    const int watchesBefore = DirWatch::instance().count();

    shell(QStringLiteral("rm -r '%1/doomed'").arg(drive));
    QTreeWidgetItem* d = t->computerNode()->child(0);
    EXPECT_TRUE(waitFor([&] { return !childNamed(d, "doomed"); }, 500));
    EXPECT_EQ(texts(d), QStringList{QStringLiteral("stays")});
    EXPECT_EQ(t->watcherCount(), 1);
    EXPECT_EQ(DirWatch::instance().count(), watchesBefore - (watchers - 1));
    // The selection moved off the deleted folder.
    EXPECT_FALSE(t->Directory().startsWith(drive + QStringLiteral("/doomed")));
}

TEST_F(FolderTreeTest, WatchersStopAtOnceAndDeletedNodesHearNothing) {
    for (int i = 0; i < 40; ++i)
        mk(QStringLiteral("f%1/sub").arg(i));
    auto t = tree();
    QTreeWidgetItem* d = t->computerNode()->child(0);
    d->setExpanded(true);
    for (int i = 0; i < d->childCount(); ++i)
        d->child(i)->setExpanded(true);
    ASSERT_EQ(t->watcherCount(), 41);
    const int base = DirWatch::instance().count() - 41;

    // A single watcher's Terminate and the deletion of 40 watched nodes.
    {
        TThDirChange watcher(t.get(), 999999, drive);
        ASSERT_TRUE(watcher.Watching());
        QElapsedTimer timer;
        timer.start();
        watcher.Terminate();
        EXPECT_LT(timer.nsecsElapsed(), 20'000'000);
    }
    QElapsedTimer timer;
    timer.start();
    t->setDirectory(QStringLiteral("/not/a/drive"));
    d->setExpanded(false);
    qDeleteAll(d->takeChildren());
    EXPECT_LT(timer.elapsed(), 20 * 40);
    EXPECT_EQ(t->watcherCount(), 1);
    EXPECT_EQ(DirWatch::instance().count(), base + 1);

    // Changes in the folders of deleted nodes send nothing.
    for (int i = 0; i < 40; ++i)
        QDir(drive + QStringLiteral("/f%1").arg(i)).mkdir("late");
    QTest::qWait(200);
    EXPECT_EQ(t->staleRequests(), 0);

    // Destroying the tree ends every watcher it had.
    t.reset();
    EXPECT_EQ(DirWatch::instance().count(), base);
}

TEST_F(FolderTreeTest, LinkToAncestorIsListedLazilyWithoutRecursion) {
    mk(QStringLiteral("top/inner"));
    ASSERT_TRUE(
        QFile::link(drive + QStringLiteral("/top"), drive + QStringLiteral("/top/inner/loop")));
    auto t = tree();
    t->setDirectory(drive + QStringLiteral("/top/inner/loop/inner/loop"));
    // Each level was read because the path asked for it, no more.
    ASSERT_NE(t->currentItem(), nullptr);
    EXPECT_EQ(t->Directory(), drive + QStringLiteral("/top/inner/loop/inner/loop"));
    EXPECT_FALSE(t->isFilled(t->currentItem()));
    const int calls = ns.folderCalls;
    const int watchers = t->watcherCount();

    // A change next to the loop re-reads one level, not the loop below it.
    shell(QStringLiteral("mkdir '%1/top/inner/more'").arg(drive));
    QTreeWidgetItem* inner = childNamed(childNamed(t->computerNode()->child(0), "top"), "inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(waitFor([&] { return childNamed(inner, "more"); }, 500));
    QTest::qWait(100);
    // The loop's nodes share watched folders, so a change may reach several levels.
    EXPECT_LE(ns.folderCalls - calls, watchers);
    EXPECT_EQ(t->watcherCount(), watchers);
}

TEST_F(FolderTreeTest, MountsComeAndGoUnderComputer) {
    const QString third = home.filePath(QStringLiteral("third"));
    QDir().mkpath(third + QStringLiteral("/x"));
    auto t = tree();
    t->setDirectory(other);
    ASSERT_EQ(t->Directory(), other);

    ns.drives.push_back({third, QStringLiteral("Backup"), false, 1});
    ns.changeDevices();
    EXPECT_EQ(texts(t->computerNode()), (QStringList{"System", other, "Backup"}));
    EXPECT_EQ(t->Directory(), other);

    ns.drives.erase(ns.drives.begin() + 1);
    QSignalSpy changes(t.get(), &TFolderTree::Change);
    ns.changeDevices();
    EXPECT_EQ(texts(t->computerNode()), (QStringList{"System", "Backup"}));
    EXPECT_NE(t->Directory(), other);
    EXPECT_GE(changes.count(), 1);
}

TEST_F(FolderTreeTest, NewMediumIsReReadOnSelectionAndOnDeviceChange) {
    const QString usb = home.filePath(QStringLiteral("usb"));
    QDir().mkpath(usb + QStringLiteral("/first"));
    ns.drives.push_back({usb, QStringLiteral("USB"), true, 100});
    auto t = tree();
    QTreeWidgetItem* node = t->computerNode()->child(2);
    node->setExpanded(true);
    EXPECT_EQ(texts(node), QStringList{QStringLiteral("first")});

    // Same medium: selecting reads nothing.
    const int calls = ns.folderCalls;
    t->setCurrentItem(node->child(0));
    EXPECT_EQ(ns.folderCalls, calls);

    // Another medium: the drive is read afresh, selected, with its new label.
    QDir(usb + QStringLiteral("/first")).removeRecursively();
    QDir().mkpath(usb + QStringLiteral("/second"));
    ns.drives.back().stamp = 200;
    ns.drives.back().label = QStringLiteral("PHOTOS");
    t->setCurrentItem(t->rootNode());
    t->setCurrentItem(node);
    EXPECT_EQ(node->text(0), QStringLiteral("PHOTOS"));
    EXPECT_EQ(node->childCount(), 0);
    EXPECT_FALSE(node->isExpanded());
    node->setExpanded(true);
    EXPECT_EQ(texts(node), QStringList{QStringLiteral("second")});

    // Taken out, then a medium put into the empty drive: both are noticed.
    ns.drives.back().stamp = -1;
    ns.drives.back().label = QStringLiteral("USB");
    ns.changeDevices();
    EXPECT_EQ(node->childCount(), 0);
    node->setExpanded(true);
    EXPECT_EQ(node->childCount(), 0);
    EXPECT_EQ(node->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    ns.drives.back().stamp = 300;
    ns.drives.back().label = QStringLiteral("HOLIDAY");
    t->setCurrentItem(t->rootNode());
    t->setCurrentItem(node);
    EXPECT_EQ(node->text(0), QStringLiteral("HOLIDAY"));
    node->setExpanded(true);
    EXPECT_EQ(texts(node), QStringList{QStringLiteral("second")});
}

TEST(FolderTreeDesktop, RealNamespaceListsRootFirst) {
    TFolderTree t;
    ASSERT_GT(t.computerNode()->childCount(), 0);
    t.setCurrentItem(t.computerNode()->child(0));
    EXPECT_EQ(t.Directory(), QStringLiteral("/"));
    t.setCurrentItem(t.rootNode());
    EXPECT_EQ(t.Directory(), test::testHome() + QStringLiteral("/Desktop"));
}

}  // namespace
}  // namespace lumora
