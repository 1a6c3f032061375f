#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// A file that appears under its name only when it was written whole. The bytes go into a new
// hidden file beside it, which takes the name at commit(), and the folder is flushed after; a
// failed or abandoned file is removed and leaves a file of that name as it was. A symbolic link
// to a file is followed: that file is replaced and the link stays; a link to nothing is
// replaced by the file. Another name of a hard-linked
// file keeps the old content. A device such as /dev/full has no name to keep whole and is
// written directly; a pipe or a socket is refused without waiting for a reader. Every failure
// is kept with its system error number, so that a writer that ignores the results of its
// writes is still caught at commit().
class WholeFile : public QIODevice {
public:
    explicit WholeFile(const QString& path) : path_(path) {}
    ~WholeFile() override;
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Write-only; false, with errorNumber() set, when the file cannot be written at all.
    bool open(OpenMode mode) override;
    // Puts the written file in place of the name. False, with errorNumber() set, when any
    // write failed or the file cannot take its name: then nothing is left under it.
    bool commit();
    // The system's error number of the first failure; 0 while there is none. ENXIO: the name
    // is a pipe or a socket.
    int errorNumber() const { return error_; }
    // Whether that failure was the folder's: the new file could not be made or named there.
    bool folderFailed() const { return folderFailed_; }
    const QString& path() const { return path_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool fail(int error, bool inFolder = false);
    bool writePending();
    void discard();
    QByteArray folder() const;
    void syncFolder();

    QString path_;
    QByteArray target_;  // the name as the system takes it
    QByteArray temp_;    // the file being written, empty when writing the target directly
    int fd_ = -1;
    int error_ = 0;
    bool folderFailed_ = false;
    QByteArray pending_;
};
