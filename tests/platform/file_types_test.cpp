// GLib first: Qt's "signals" keyword would clash with its headers.
#include <gio/gdesktopappinfo.h>
#include <glib.h>

#include "base/file_name.h"
#include "platform/file_types.h"
#include "settings/read_only_folder.h"
#include "support/icon_fixtures.h"
#include "support/qt_print.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::ScratchDir;

const QString kType = QStringLiteral("application/x-lss-auto-file");
const QString kId = QStringLiteral("lumora-lss-auto-file.desktop");

TEST(MimeAppsList, OursComesFirstAndEveryOtherLineStaysAsItWas) {
    const QByteArray before =
        "# kept\r\n"
        "[Default Applications]\r\n"
        "text/plain=gedit.desktop\r\n"
        "\r\n"
        "[Added Associations]\r\n"
        "application/x-lss-auto-file=other.desktop;lumora-lss-auto-file.desktop;\r\n"
        "[Removed Associations]\r\n"
        "application/x-lss-auto-file=lumora-lss-auto-file.desktop;\r\n"
        "image/png=x.desktop;\r\n"
        "[Default Applications]\r\n"
        "application/x-lss-auto-file=other.desktop\r\n"
        "x-scheme-handler/http=firefox.desktop";
    const QByteArray after =
        "# kept\r\n"
        "[Default Applications]\r\n"
        "text/plain=gedit.desktop\r\n"
        "\r\n"
        "[Added Associations]\r\n"
        "application/x-lss-auto-file=lumora-lss-auto-file.desktop;other.desktop;\r\n"
        "[Removed Associations]\r\n"
        "image/png=x.desktop;\r\n"
        "[Default Applications]\r\n"
        "application/x-lss-auto-file=lumora-lss-auto-file.desktop;other.desktop;\r\n"
        "x-scheme-handler/http=firefox.desktop";
    EXPECT_EQ(withDefaultApplication(before, kType, kId).toStdString(), after.toStdString());

    // Sections without the type get it after their last entry; missing ones come last.
    EXPECT_EQ(withDefaultApplication("[Added Associations]\nfoo/bar=a;\n\n[Other]\n", kType, kId)
                  .toStdString(),
              "[Added Associations]\nfoo/bar=a;\napplication/x-lss-auto-file="
              "lumora-lss-auto-file.desktop;\n\n[Other]\n\n[Default Applications]\n"
              "application/x-lss-auto-file=lumora-lss-auto-file.desktop;\n");
    EXPECT_EQ(withDefaultApplication({}, kType, kId).toStdString(),
              "[Default Applications]\napplication/x-lss-auto-file=lumora-lss-auto-file.desktop;"
              "\n\n[Added Associations]\napplication/x-lss-auto-file=lumora-lss-auto-file.desktop;"
              "\n");

    // A big list comes out with one line more, and a second export changes nothing.
    QByteArray big = "[Added Associations]\n";
    for (int i = 0; big.size() < 1024 * 1024; ++i)
        big += "type/x-" + QByteArray::number(i) + "=app.desktop;\n";
    const QByteArray once = withDefaultApplication(big, kType, kId);
    EXPECT_TRUE(once.startsWith(big));
    EXPECT_EQ(withDefaultApplication(once, kType, kId), once);
}

// What GLib runs for an entry: the key file's escapes undone, then "%%" and
// the field codes expanded, then the line split as a shell would.
QStringList commandAsGlibRunsIt(const QString& entryFile, const char* file) {
    GKeyFile* keys = g_key_file_new();
    QStringList argv;
    if (g_key_file_load_from_file(keys, QFile::encodeName(entryFile).constData(), G_KEY_FILE_NONE,
                                  nullptr)) {
        gchar* exec = g_key_file_get_string(keys, "Desktop Entry", "Exec", nullptr);
        QByteArray expanded;
        for (const char* c = exec; c && *c; ++c) {
            if (*c != '%' || !c[1]) {
                expanded += *c;
                continue;
            }
            ++c;
            if (*c == '%') {
                expanded += '%';
            } else if (*c == 'f') {
                gchar* quoted = g_shell_quote(file);
                expanded += quoted;
                g_free(quoted);
            }
        }
        gint argc = 0;
        gchar** words = nullptr;
        if (g_shell_parse_argv(expanded.constData(), &argc, &words, nullptr))
            for (int i = 0; i < argc; ++i)
                argv << decodeFileName(QByteArray(words[i]));
        g_strfreev(words);
        g_free(exec);
    }
    g_key_file_free(keys);
    return argv;
}

TEST(DesktopEntry, ProgramNamesComeBackWholeAsGlibReadsThem) {
    ScratchDir dir;
    const QString names[] = {
        QStringLiteral("plain"),         QStringLiteral("with space"),
        QStringLiteral("q\"uo'te"),      QStringLiteral("$HOME`id`"),
        QStringLiteral("100%d %f %%"),   QStringLiteral("back\\slash\\"),
        QStringLiteral("-leading dash"),
    };
    const QString description = QStringLiteral("Shows <b>&</b> \"x\"\nInjected=1\\");
    for (const QString& name : names) {
        const QString program = dir.filePath(name);
        ASSERT_TRUE(test::writeBytes(program, "#!/bin/sh\n"));
        ::chmod(QFile::encodeName(program).constData(), 0755);
        const QString entry = dir.filePath(QStringLiteral("lumora-test.desktop"));
        ASSERT_TRUE(test::writeBytes(
            entry, desktopEntryText(program, description, QStringLiteral("x-icon"), kType)));

        const QStringList expected =
            (name.contains(u'%') ? QStringList{QStringLiteral("env")} : QStringList{}) +
            QStringList{program, QStringLiteral("/tmp/a b.lss")};
        EXPECT_EQ(commandAsGlibRunsIt(entry, "/tmp/a b.lss"), expected) << name.toStdString();
        // GLib keeps the entry only when it finds the program.
        GDesktopAppInfo* info =
            g_desktop_app_info_new_from_filename(QFile::encodeName(entry).constData());
        EXPECT_NE(info, nullptr) << name.toStdString();
        if (info) {
            EXPECT_EQ(QString::fromUtf8(g_app_info_get_description(G_APP_INFO(info))), description);
            g_object_unref(info);
        }
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {entry});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    }

    const QString xml = dir.filePath(QStringLiteral("package.xml"));
    ASSERT_TRUE(test::writeBytes(
        xml, mimePackageXml(kType, description, QStringLiteral(".lss"), QStringLiteral("x-icon"))));
    QProcess lint;
    lint.start(
        QStringLiteral("xmllint"),
        {QStringLiteral("--xpath"), QStringLiteral("string(//*[local-name()='comment'])"), xml});
    ASSERT_TRUE(lint.waitForFinished(30000));
    EXPECT_EQ(lint.exitCode(), 0);
    QString comment = QString::fromUtf8(lint.readAllStandardOutput());
    if (comment.endsWith(u'\n'))
        comment.chop(1);  // xmllint ends what it prints with a line end
    EXPECT_EQ(comment, description);
}

// A home of the desktop's own for one test: XDG folders below a scratch folder.
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CURRENT_DESKTOP"})
            saved_.emplace_back(name, qgetenv(name));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        QDir().mkpath(data());
        QDir().mkpath(config());
        program_ = dir_.filePath(QStringLiteral("bin/my lumora"));
        QDir().mkpath(dir_.filePath(QStringLiteral("bin")));
        ASSERT_TRUE(test::writeBytes(program_, "#!/bin/sh\n"));
        ::chmod(QFile::encodeName(program_).constData(), 0755);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    QString data() const { return dir_.filePath(QStringLiteral("data")); }
    QString config() const { return dir_.filePath(QStringLiteral("config")); }
    QString xdgMime(const QStringList& arguments) {
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), arguments);
        query.waitForFinished(30000);
        return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    }

    ScratchDir dir_;
    QString program_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(ExportTest, TheDesktopKnowsTheTypeItsIconAndOurProgram) {
    const QString ico = dir_.filePath(QStringLiteral("eye.ico"));
    ASSERT_TRUE(test::magickIcon({QStringLiteral("-size"), QStringLiteral("48x48"),
                                  QStringLiteral("xc:blue"), QStringLiteral("-define"),
                                  QStringLiteral("icon:auto-resize=48,20,16"), ico}));
    // mimeapps.list as a link into a dotfiles folder stays one.
    QDir().mkpath(dir_.filePath(QStringLiteral("dotfiles")));
    ASSERT_TRUE(test::writeBytes(dir_.filePath(QStringLiteral("dotfiles/mimeapps.list")),
                                 "[Default Applications]\r\ntext/plain=gedit.desktop\r\n"));
    ASSERT_TRUE(QFile::link(dir_.filePath(QStringLiteral("dotfiles/mimeapps.list")),
                            config() + QStringLiteral("/mimeapps.list")));

    ASSERT_EQ(
        exportFileType({QStringLiteral(".lss"), QStringLiteral("lss_auto_file"),
                        QStringLiteral("LMR98-Slideshow"), ico + QStringLiteral(",0"), program_}),
        QString());

    const QString sample = dir_.filePath(QStringLiteral("x.lss"));
    ASSERT_TRUE(test::writeBytes(sample, "/a.jpg\r\n"));
    EXPECT_EQ(xdgMime({QStringLiteral("query"), QStringLiteral("filetype"), sample}), kType);
    EXPECT_EQ(xdgMime({QStringLiteral("query"), QStringLiteral("default"), kType}), kId);

    const QString hicolor = data() + QStringLiteral("/icons/hicolor/");
    const QString icon = QStringLiteral("/mimetypes/application-x-lss-auto-file.png");
    EXPECT_EQ(QImage(hicolor + QStringLiteral("16x16") + icon).size(), QSize(16, 16));
    EXPECT_EQ(QImage(hicolor + QStringLiteral("48x48") + icon).size(), QSize(48, 48));
    EXPECT_FALSE(QFile::exists(hicolor + QStringLiteral("32x32") + icon));  // it has no 32
    EXPECT_TRUE(QFileInfo(config() + QStringLiteral("/mimeapps.list")).isSymLink());
    EXPECT_TRUE(test::fileBytes(dir_.filePath(QStringLiteral("dotfiles/mimeapps.list")))
                    .startsWith("[Default Applications]\r\ntext/plain=gedit.desktop\r\n"
                                "application/x-lss-auto-file=lumora-lss-auto-file.desktop;\r\n"));

    // An icon with none of the theme's sizes gives one of 32 pixels; a number
    // naming no icon gives none.
    ASSERT_TRUE(test::magickIcon(
        {QStringLiteral("-size"), QStringLiteral("20x20"), QStringLiteral("xc:red"), ico}));
    ASSERT_EQ(exportFileType({QStringLiteral(".lsx"),
                              QStringLiteral("lsx_auto_file"),
                              {},
                              ico + QStringLiteral(",0"),
                              program_}),
              QString());
    EXPECT_EQ(
        QImage(hicolor + QStringLiteral("32x32/mimetypes/application-x-lsx-auto-file.png")).size(),
        QSize(32, 32));
    ASSERT_EQ(exportFileType({QStringLiteral(".lsy"),
                              QStringLiteral("lsy_auto_file"),
                              {},
                              ico + QStringLiteral(",1"),
                              program_}),
              QString());
    EXPECT_FALSE(
        test::fileBytes(data() + QStringLiteral("/applications/lumora-lsy-auto-file.desktop"))
            .contains("Icon="));
}

TEST_F(ExportTest, AnExtensionAnotherTypeClaimsOnlyGetsOurProgram) {
    ASSERT_EQ(
        exportFileType({QStringLiteral(".txt"), QStringLiteral("txt_auto_file"), {}, {}, program_}),
        QString());
    EXPECT_FALSE(QFile::exists(data() + QStringLiteral("/mime/packages/lumora-txt-auto-file.xml")));
    EXPECT_EQ(
        xdgMime({QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")}),
        QStringLiteral("lumora-txt-auto-file.desktop"));
}

TEST_F(ExportTest, AFolderThatCannotBeWrittenIsNamedAndNothingSucceeds) {
    const QByteArray list = "[Default Applications]\nx/y=z.desktop;\n";
    ASSERT_TRUE(test::writeBytes(config() + QStringLiteral("/mimeapps.list"), list));
    {
        ReadOnlyFolder readOnly(data());
        const QString failure = exportFileType(
            {QStringLiteral(".lss"), QStringLiteral("lss_auto_file"), {}, {}, program_});
        EXPECT_TRUE(failure.startsWith(data())) << failure.toStdString();
    }
    EXPECT_EQ(test::fileBytes(config() + QStringLiteral("/mimeapps.list")), list);

    qputenv("XDG_DATA_HOME", "/usr/share");
    EXPECT_TRUE(
        exportFileType({QStringLiteral(".lss"), QStringLiteral("lss_auto_file"), {}, {}, program_})
            .startsWith(QStringLiteral("/usr/share")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data()));
    EXPECT_FALSE(exportFileType({QStringLiteral(".lss"),
                                 QStringLiteral("lss_auto_file"),
                                 {},
                                 {},
                                 decodeFileName(QByteArray("/opt/caf\xe9"))})
                     .isEmpty());
}

}  // namespace
}  // namespace lumora
