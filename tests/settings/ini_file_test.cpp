#include "settings/ini_file.h"
#include "base/file_name.h"
#include "platform/errors.h"
#include "support/fake_dialogs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "read_only_folder.h"

namespace lumora {
namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(IniDocument, NamesCompareWithoutCaseAndWhitespace) {
    const auto doc = IniDocument::parse(
        "  [Preferences]  \n"
        " CheckBox7_Checked =  True \r\n"
        "\n"
        "; a comment=not a key\n"
        "no equals sign here\n"
        "Edit2_Text= c:\\windows\\recent\r"
        "[other]\n"
        "key=other value");
    EXPECT_EQ(doc.readString("preferences", "checkbox7_checked", "x"), "True");
    EXPECT_EQ(doc.readString("PREFERENCES", "EDIT2_TEXT", "x"), "c:\\windows\\recent");
    EXPECT_EQ(doc.readString("Other", "KEY", "x"), "other value");
    EXPECT_EQ(doc.keys("preferences"), QStringList({"CheckBox7_Checked", "Edit2_Text"}));
    EXPECT_EQ(doc.sections(), QStringList({"Preferences", "other"}));
}

TEST(IniDocument, MissingKeyOrSectionGivesTheDefault) {
    const auto doc = IniDocument::parse("[a]\nk=v\n");
    EXPECT_EQ(doc.readString("a", "missing", "def"), "def");
    EXPECT_EQ(doc.readString("b", "k", "def"), "def");
    EXPECT_FALSE(doc.value("a", "missing").has_value());
    EXPECT_TRUE(doc.keys("b").isEmpty());
    // Entries above the first section belong to no section.
    EXPECT_FALSE(IniDocument::parse("k=v\n[a]\n").value("a", "k").has_value());
}

TEST(IniDocument, FirstOfDuplicateSectionsAndKeysWins) {
    auto doc = IniDocument::parse("[a]\nk=1\nK=2\n[A]\nk=3\n");
    EXPECT_EQ(doc.readString("a", "k", ""), "1");
    doc.writeString("a", "k", "9");
    EXPECT_EQ(doc.serialize(), "[a]\r\nk=9\r\nK=2\r\n[A]\r\nk=3\r\n");
    doc.eraseSection("a");
    EXPECT_TRUE(doc.sections().isEmpty());
}

TEST(IniDocument, AClearedSectionKeepsItsPlaceItsCommentsAndTheBlankLineBelow) {
    auto doc = IniDocument::parse(
        "[list]\n; kept\nCount=2\nItem0=a\nItem1=b\n\n[next]\nk=v\n"
        "[LIST]\nCount=9\n");
    doc.clearSection("List");
    doc.writeString("list", "Count", "1");
    doc.writeString("list", "Item0", "c");
    EXPECT_EQ(doc.serialize(), "[list]\r\n; kept\r\nCount=1\r\nItem0=c\r\n\r\n[next]\r\nk=v\r\n");
}

TEST(IniDocument, ValuesAreReadWholeAndSurviveRewrites) {
    const QString longValue = QString(5000, u'x') + QStringLiteral("end");
    IniDocument doc;
    doc = IniDocument::parse({});
    doc.writeString("s", "long", longValue);
    doc.writeString("s", "blanks", "  two sides  ");
    doc.writeString("s", "quoted", "\"in quotes\"");
    doc.writeString("s", "empty", "");
    doc.writeString("s", "umlaut", QString::fromUtf8("Grüße, 東京"));
    doc.writeString("s", "equals", "a=b=c");
    doc.writeString("s", "bom", QChar(0xFEFF) + QStringLiteral("x"));
    const auto again = IniDocument::parse(doc.serialize());
    EXPECT_EQ(again.readString("s", "long", ""), longValue);
    EXPECT_EQ(again.readString("s", "blanks", ""), "  two sides  ");
    EXPECT_EQ(again.readString("s", "quoted", ""), "\"in quotes\"");
    EXPECT_EQ(again.readString("s", "empty", "x"), "");
    EXPECT_EQ(again.readString("s", "umlaut", ""), QString::fromUtf8("Grüße, 東京"));
    EXPECT_EQ(again.readString("s", "equals", ""), "a=b=c");
    EXPECT_EQ(again.readString("s", "bom", ""), QChar(0xFEFF) + QStringLiteral("x"));
}

TEST(IniDocument, BytesThatAreNotUtf8ComeBackUnchanged) {
    // A folder typed in Latin-1 and a multi-byte character cut off at the end.
    const QByteArray text = "[caf\xE9]\r\nkey\xC3=/home/\xE9\xE8\r\n";
    IniDocument doc = IniDocument::parse(text);
    const QString section = decodeFileName(QByteArray("caf\xE9"));
    const QString key = decodeFileName(QByteArray("key\xC3"));
    const QString value = doc.readString(section, key, {});
    EXPECT_EQ(value, decodeFileName(QByteArray("/home/\xE9\xE8")));
    EXPECT_EQ(doc.keys(section), QStringList{key});
    // Written back as a window writes what it read, and once more under a new key.
    doc.writeString(section, key, value);
    doc.writeString(section, QStringLiteral("copy"), value);
    EXPECT_EQ(doc.serialize(), text + "copy=/home/\xE9\xE8\r\n");

    // Names that differ in such a byte are different names; case still does not count.
    const auto names = IniDocument::parse("[s]\nk\xFF\xFF=first\nk\xDF\xFF=second\n");
    EXPECT_EQ(names.keys("s").size(), 2);
    EXPECT_EQ(names.readString("s", decodeFileName(QByteArray("K\xDF\xFF")), {}), "second");
    EXPECT_EQ(names.readString("s", decodeFileName(QByteArray("K\xFF\xFF")), {}), "first");
}

TEST(IniDocument, LineBreaksInValuesCannotForgeEntries) {
    IniDocument doc = IniDocument::parse("[victim]\nkey=old\n");
    doc.writeString("s", "k", "x\r\n[victim]\r\nkey=forged");
    const auto again = IniDocument::parse(doc.serialize());
    EXPECT_EQ(again.readString("victim", "key", ""), "old");
    EXPECT_EQ(again.readString("s", "k", ""), "x  [victim]  key=forged");
}

TEST(IniDocument, RewriteKeepsForeignLinesAndOrder) {
    const QByteArray text = "; written by hand\n[b]\nz = 1\n; keep me\n\n[a]\nk=v\n";
    auto doc = IniDocument::parse(text);
    doc.writeString("b", "y", "2");    // new key: below the last entry of [b]
    doc.writeString("b", "z", "3");    // in place
    doc.writeString("new", "n", "4");  // new section at the end
    EXPECT_EQ(doc.serialize(),
              "; written by hand\r\n[b]\r\nz=3\r\ny=2\r\n; keep me\r\n\r\n[a]\r\nk=v\r\n"
              "\r\n[new]\r\nn=4\r\n");
    // An untouched document comes back byte for byte, apart from CR LF.
    EXPECT_EQ(IniDocument::parse(text).serialize(), QByteArray(text).replace("\n", "\r\n"));
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(folder()).removeRecursively();
        test::fakeDialogs().reset();
    }
    void TearDown() override {
        QFile::setPermissions(
            folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QDir(folder()).removeRecursively();
    }
    static QString folder() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/lumora");
    }
};

TEST_F(IniFileTest, LivesInTheConfigFolderCreatedOnFirstWrite) {
    IniFile ini;
    EXPECT_EQ(ini.path(), test::testHome() + "/config/lumora/lmr1001.ini");
    EXPECT_EQ(ini.readString("a", "k", "default"), "default");
    EXPECT_FALSE(QFileInfo::exists(folder()));
    ini.writeString("a", "k", "v");
    EXPECT_EQ(readBytes(ini.path()), "[a]\r\nk=v\r\n");
    EXPECT_EQ(IniFile().readString("A", "K", ""), "v");
}

TEST_F(IniFileTest, EachOperationReadsTheFileAfresh) {
    IniFile ini;
    ini.writeString("a", "k", "1");
    writeBytes(ini.path(), "[a]\nk=changed behind our back\n");
    EXPECT_EQ(ini.readString("a", "k", ""), "changed behind our back");
    ini.writeString("a", "other", "2");
    EXPECT_EQ(readBytes(ini.path()), "[a]\r\nk=changed behind our back\r\nother=2\r\n");
    EXPECT_EQ(ini.readSectionKeys("A"), QStringList({"k", "other"}));
    ini.eraseSection("A");
    EXPECT_EQ(readBytes(ini.path()), "");
}

TEST_F(IniFileTest, UpdateWritesOnceAndAnAbortedEditLeavesTheFile) {
    IniFile ini;
    ini.writeString("a", "k", "old");
    ini.update([](IniDocument& doc) {
        for (int i = 0; i < 200; ++i)
            doc.writeString("list", QStringLiteral("Item%1").arg(i), "x");
        doc.writeString("a", "k", "new");
    });
    EXPECT_EQ(ini.readSectionKeys("list").size(), 200);
    EXPECT_EQ(ini.readString("a", "k", ""), "new");

    const QByteArray before = readBytes(ini.path());
    EXPECT_THROW(ini.update([](IniDocument& doc) {
        doc.writeString("a", "k", "half");
        throw EError("stop");
    }),
                 EError);
    EXPECT_EQ(readBytes(ini.path()), before);
}

TEST_F(IniFileTest, ReplaceIsAtomicWritesOnlyChangesAndLeavesNoTemporaryFiles) {
    IniFile ini;
    ini.writeString("a", "k", "1");
    const auto inodeBefore = inodeOf(ini.path());
    // The same value again: nothing to write, the file stays as it is.
    ini.writeString("a", "k", "1");
    EXPECT_EQ(inodeOf(ini.path()), inodeBefore);
    ini.writeString("a", "k", "2");
    // A new file took the place of the old one rather than the old being rewritten.
    EXPECT_NE(inodeOf(ini.path()), inodeBefore);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), QStringList({"lmr1001.ini"}));
}

TEST_F(IniFileTest, FailedWritesRaiseAndKeepTheOldFile) {
    IniFile ini;
    ini.writeString("a", "k", "old");
    const QByteArray before = readBytes(ini.path());
    const QString expected = QStringLiteral("Unable to write to ") + ini.path();

    {
        ReadOnlyFolder readOnly(folder());
        try {
            ini.writeString("a", "k", "new");
            FAIL() << "no error";
        } catch (const EError& error) {
            EXPECT_EQ(error.message(), expected);
        }
        EXPECT_THROW(ini.eraseSection("a"), EError);
        // Reading still works.
        EXPECT_EQ(ini.readString("a", "k", ""), "old");
    }
    EXPECT_EQ(readBytes(ini.path()), before);

    // A settings file made read-only by its owner is left alone, too.
    QFile::setPermissions(ini.path(), QFileDevice::ReadOwner);
    {
        ReadOnlyFolder dropPrivilege(QString{});
        EXPECT_THROW(ini.writeString("a", "k", "new"), EError);
    }
    QFile::setPermissions(ini.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(readBytes(ini.path()), before);
}

TEST_F(IniFileTest, AFolderWhereTheFileShouldBeIsAWriteError) {
    IniFile ini;
    QDir().mkpath(ini.path());
    EXPECT_EQ(ini.readString("a", "k", "def"), "def");
    EXPECT_THROW(ini.writeString("a", "k", "v"), EError);
    EXPECT_TRUE(QFileInfo(ini.path()).isDir());
}

}  // namespace
}  // namespace lumora
