#include "slideshow/path_list_file.h"
#include "base/file_name.h"
#include "platform/errors.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

class PathListFileTest : public ::testing::Test {
protected:
    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QString withBytes(const QByteArray& bytes) const {
        const QString path = file("list.lss");
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        return path;
    }

    static QByteArray bytesOf(const QString& path) {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    }

    test::ScratchDir dir_;
};

TEST_F(PathListFileTest, WritesEachEntryWithCrLfInOrderAndReadsItBack) {
    const QStringList entries = {"/home/me/a b/one.jpg", "/home/me/two.bmp", "/home/me/a b/one.jpg",
                                 "", QString::fromUtf8("/bilder/Grüße.jpg")};
    const QString path = file("show.lss");
    writePathList(path, entries);
    EXPECT_EQ(bytesOf(path), QByteArray("/home/me/a b/one.jpg\r\n/home/me/two.bmp\r\n"
                                        "/home/me/a b/one.jpg\r\n\r\n") +
                                 QString::fromUtf8("/bilder/Grüße.jpg").toUtf8() + "\r\n");
    EXPECT_EQ(readPathList(path), entries);

    // Replacing: a shorter list leaves nothing of the longer one behind.
    writePathList(path, {"/x.jpg"});
    EXPECT_EQ(bytesOf(path), "/x.jpg\r\n");
}

TEST_F(PathListFileTest, EmptyListIsAZeroByteFileAndBack) {
    const QString path = file("empty.ssl");
    writePathList(path, {});
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_TRUE(readPathList(path).isEmpty());
}

TEST_F(PathListFileTest, LineEndsOfEveryKind) {
    const QStringList abc = {"a", "b", "c"};
    EXPECT_EQ(readPathList(withBytes("a\r\nb\r\nc\r\n")), abc);
    EXPECT_EQ(readPathList(withBytes("a\r\nb\r\nc")), abc);  // no line end after the last
    EXPECT_EQ(readPathList(withBytes("a\nb\nc\n")), abc);
    EXPECT_EQ(readPathList(withBytes("a\rb\rc")), abc);
    EXPECT_EQ(readPathList(withBytes("a\r\n\r\nb\n\nc\r\r")),
              QStringList({"a", "", "b", "", "c", ""}));
    EXPECT_EQ(readPathList(withBytes("\n")), QStringList({""}));
    EXPECT_EQ(readPathList(withBytes("\n\r")), QStringList({"", ""}));  // LF CR is two ends
}

TEST_F(PathListFileTest, NothingIsTrimmedOrChecked) {
    EXPECT_EQ(readPathList(withBytes("  /spaced path/x.jpg  \r\n\tnot a path\r\n"
                                     "\xEF\xBB\xBF/starts with U+FEFF.jpg\r\n")),
              QStringList({"  /spaced path/x.jpg  ", "\tnot a path",
                           QChar(0xFEFF) + QStringLiteral("/starts with U+FEFF.jpg")}));
    // A cut-off multi-byte character is kept as the byte it is.
    EXPECT_EQ(readPathList(withBytes("/cut\xC3\r\n/x")),
              QStringList({decodeFileName(QByteArray("/cut\xC3")), "/x"}));
}

TEST_F(PathListFileTest, NamesThatAreNotUtf8SurviveByteForByte) {
    // A picture the browser lists and previews keeps its exact name, and so
    // does a list file whose own name is not UTF-8.
    const QByteArray latin1 = QFile::encodeName(dir_.path()) + "/f\xeate.jpg";
    const QByteArray listName = QFile::encodeName(dir_.path()) + "/sh\xf6w.lss";
    const QString listPath = decodeFileName(listName);
    writePathList(listPath, {decodeFileName(latin1), "/plain.jpg"});
    const int fd = ::open(listName.constData(), O_RDONLY);
    ASSERT_GE(fd, 0) << "the list was not written under its exact name";
    QFile in;
    ASSERT_TRUE(in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_EQ(in.readAll(), latin1 + "\r\n/plain.jpg\r\n");
    const QStringList back = readPathList(listPath);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(encodeFileName(back[0]), latin1);
    ::unlink(listName.constData());
}

TEST_F(PathListFileTest, AFifoNamedLikeAListIsRefusedNotWaitedOn) {
    const QString fifo = file("pipe.lss");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(readPathList(fifo), EInOutError);
    EXPECT_THROW(writePathList(fifo, {"/x.jpg"}), EInOutError);
}

TEST_F(PathListFileTest, ReadingStopsAtTheFirstNul) {
    EXPECT_EQ(readPathList(withBytes(QByteArray("a\r\nb", 4) + QByteArray(1, '\0') + "c\r\nd\r\n")),
              QStringList({"a", "b"}));
    EXPECT_TRUE(readPathList(withBytes(QByteArray(1, '\0') + "a\r\n")).isEmpty());
}

TEST_F(PathListFileTest, UnopenableFileRaisesAndTheCallerKeepsItsList) {
    QStringList list = {"kept"};
    const QString missing = file("missing.lss");
    try {
        list = readPathList(missing);
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.message(), "Cannot open file " + missing);
    }
    EXPECT_EQ(list, QStringList({"kept"}));
    EXPECT_THROW(readPathList(dir_.path()), EInOutError);  // a folder is not a list
}

TEST_F(PathListFileTest, FailedSaveRaisesAndKeepsTheOldFile) {
    const QString path = file("show.lss");
    writePathList(path, {"/old.jpg"});
    const QString inMissingFolder = file("no/such/folder/show.lss");
    try {
        writePathList(inMissingFolder, {"/new.jpg"});
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.message(), "Cannot create file " + inMissingFolder);
    }
    // An entry the layout cannot carry would come back as other entries.
    EXPECT_THROW(writePathList(path, {"/new.jpg", "/evil\r\n/injected.jpg"}), EInOutError);
    EXPECT_THROW(writePathList(path, {QStringLiteral("/nul") + QChar(0) + "x"}), EInOutError);
    EXPECT_EQ(bytesOf(path), "/old.jpg\r\n");
}

TEST_F(PathListFileTest, LargeFilesReadCompletely) {
    QByteArray many;
    for (int i = 0; i < 100000; ++i)
        many += "/pictures/folder/picture" + QByteArray::number(i) + ".jpg\r\n";
    const QStringList lines = readPathList(withBytes(many));
    ASSERT_EQ(lines.size(), 100000);
    EXPECT_EQ(lines[12345], "/pictures/folder/picture12345.jpg");
    EXPECT_EQ(lines.last(), "/pictures/folder/picture99999.jpg");

    const QByteArray longLine(10000, 'p');
    const QStringList wide = readPathList(withBytes(longLine + "\r\n" + longLine));
    ASSERT_EQ(wide.size(), 2);
    EXPECT_EQ(wide[1].size(), 10000);
}

}  // namespace
}  // namespace lumora
