#pragma once

// The shortcut fixtures of tests/shell/lnk_fixtures/ and lnkinfo
// (liblnk-utils), the independent reader that checks what we write.

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>

namespace lumora::test {

inline QString lnkFixture(const char* name) {
    return qEnvironmentVariable("LUMORA_SOURCE_DIR") +
           QStringLiteral("/tests/shell/lnk_fixtures/") + QLatin1String(name);
}

// The fixture copied into folder under its own name; its path there.
inline QString copyLnkFixture(const char* name, const QString& folder) {
    const QString path = folder + u'/' + QLatin1String(name);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(lnkFixture(name), path)) << name;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// The "name : value" lines of lnkinfo's report, by name (the first of a name
// wins); empty when lnkinfo fails.
inline QMap<QString, QString> lnkinfo(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("lnkinfo"), {path});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    QMap<QString, QString> fields;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n')) {
        const qsizetype colon = line.indexOf(QLatin1String("\t: "));
        if (colon < 0)
            continue;
        const QString name = line.left(colon).trimmed();
        if (!fields.contains(name))
            fields.insert(name, line.mid(colon + 3));
    }
    return fields;
}

}  // namespace lumora::test
