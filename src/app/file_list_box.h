#pragma once

#include <QListWidget>
#include <QString>

namespace lumora {

// The file list: the entries of one directory matching a ";"-separated mask,
// subdirectories as "[name]".
class TFileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget* parent = nullptr);

    // Attribute kinds of the entries listed; empty lists nothing.
    enum FileType : unsigned {
        ftReadOnly = 1,
        ftHidden = 2,
        ftSystem = 4,
        ftVolumeID = 8,
        ftDirectory = 16,
        ftArchive = 32,
        ftNormal = 64,
        ftAll = 127,
    };

    QString Directory() const { return directory_; }
    void setDirectory(const QString& directory);
    QString Mask() const { return mask_; }
    // Re-reads only when the mask differs from the current one.
    void setMask(const QString& mask);
    unsigned FileType() const { return fileType_; }
    void setFileType(unsigned fileType);

    // Full path of the selected entry, empty when nothing is selected.
    QString FileName() const;
    int Count() const { return count(); }

    // Re-reads the directory with the current mask.
    void Update();

signals:
    void Change();

private:
    QString directory_;
    QString mask_ = QStringLiteral("*.*");
    unsigned fileType_ = ftAll;
};

}  // namespace lumora
