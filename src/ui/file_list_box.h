#pragma once

#include "platform/dir_watch.h"
#include "ui/file_mask.h"

#include <QListView>
#include <QString>
#include <memory>
#include <vector>

namespace lumora {

class TFileListModel;

// The file list: the entries of one directory matching a ";"-separated mask,
// subdirectories first as "[name]". A list view over a flat model, so that
// folders of 100,000 files list quickly. A hidden list reads its directory
// only when it is shown or asked for its entries: windows that are created at
// start-up and never shown read nothing, and a run of changes to the mask
// and folder before the first show reads once.
class TFileListBox : public QListView {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget* parent = nullptr);
    ~TFileListBox() override;

    // Attribute kinds of the entries listed; empty lists nothing.
    enum FileType : unsigned {
        ftReadOnly = file_type::ReadOnly,
        ftHidden = file_type::Hidden,
        ftSystem = file_type::System,
        ftVolumeID = file_type::VolumeID,
        ftDirectory = file_type::Directory,
        ftArchive = file_type::Archive,
        ftNormal = file_type::Normal,
        ftAll = file_type::All,
    };

    QString Directory() const { return directory_; }
    // Lists another directory; the process's current directory follows.
    void setDirectory(const QString& directory);
    QString Mask() const { return mask_; }
    // Re-reads only when the mask differs from the current one.
    void setMask(const QString& mask);
    unsigned FileType() const { return fileType_; }
    void setFileType(unsigned fileType);
    // On: programs are listed too whatever their names, after the mask's files
    // (Linux programs have no extension to match).
    bool ListPrograms() const { return listPrograms_; }
    void setListPrograms(bool on);

    // Full path of the selected entry; empty when nothing or a "[dir]" entry is
    // selected. Names that are not UTF-8 come back exactly via encodeFileName().
    QString FileName() const;
    // The same for the entry at index; empty out of range.
    QString FileNameAt(int index) const;
    // Every entry as listed, in list order. Shared, not copied: a re-read
    // lists into a new one and leaves this as it was.
    using SharedEntries = std::shared_ptr<const std::vector<FileListEntry>>;
    SharedEntries Entries() const;
    int Count() const;
    // Shown text of an entry ("[name]" for a folder); empty out of range.
    QString Item(int index) const;
    // Row of the selected entry, -1 for none. Setting it selects without
    // reporting Click: walks over the list must not preview every entry.
    int ItemIndex() const;
    void setItemIndex(int index);
    // Selects the entry with that shown text; false when there is none.
    bool selectItem(const QString& text);

    // Re-reads the directory with the current mask.
    void Update();
    // Counts the lists listed: a new value means the entries may have changed.
    quint64 listSerial() const { return listSerial_; }

    // While on, the list reads its directory again whenever an entry of it is
    // created, deleted or renamed, keeping the selected entry where it still is.
    void setFollowChanges(bool follow);

signals:
    // The user double-clicked an entry.
    void DblClick();
    // The user picked an entry: a click on one, also on the entry already
    // selected, or a key that moved the selection. Selecting from code does
    // not report.
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Reads the directory now if a change is waiting for it.
    void listNow() const;
    void followChange();

    QString directory_;
    QString mask_ = QStringLiteral("*.*");
    FileMask compiledMask_;
    unsigned fileType_ = ftAll;
    quint64 listSerial_ = 0;
    mutable bool stale_ = true;  // the entries do not yet follow folder, mask and file types
    bool listPrograms_ = false;
    TFileListModel* model_;
    FolderWatcher watcher_;
};

}  // namespace lumora
