#pragma once

#include <QByteArray>
#include <QString>

namespace lumora {

// A file type as the program's class keys describe it.
struct FileTypeClass {
    QString extension;  // with its dot: ".lss"
    QString typeName;   // "lss_auto_file"
    QString description;
    QString icon;  // "file,number"; empty or a number naming no icon: none
    QString program;
};

// What the desktop calls the type: "application/x-" + the type name in
// lower case, "_" as "-" ("application/x-lss-auto-file").
QString mimeTypeFor(const QString& typeName);

// The shared-mime-info package that gives extension its own type.
QByteArray mimePackageXml(const QString& mimeType, const QString& description,
                          const QString& extension, const QString& iconName);

// The value of a desktop entry's Exec key that runs program with one file:
// the path double-quoted with " ` $ \ escaped, backslashes doubled for the key
// file, "%" as "%%". GLib looks the program up before it undoes "%%" and
// would drop the entry, so a path holding "%" runs through env.
QString desktopExecValue(const QString& program);

// The hidden application entry that opens mimeType's files with program.
QByteArray desktopEntryText(const QString& program, const QString& description,
                            const QString& iconName, const QString& mimeType);

// mimeapps.list with desktopId first for mimeType in [Default Applications]
// and [Added Associations] and out of [Removed Associations] (every time a
// section is given); every other line kept as it was, line ends included.
QByteArray withDefaultApplication(const QByteArray& mimeAppsList, const QString& mimeType,
                                  const QString& desktopId);

// Exports the class to the desktop, only below $XDG_DATA_HOME and
// $XDG_CONFIG_HOME: a new MIME type for the extension unless an installed
// type already claims it, the icon in the hicolor theme, a desktop entry for
// the program, the program as the type's default in mimeapps.list, and the
// MIME and desktop databases brought up to date. Empty on success, else the
// file that failed and why.
QString exportFileType(const FileTypeClass& type);

}  // namespace lumora
