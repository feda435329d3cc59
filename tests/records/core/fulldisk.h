#pragma once
// A small disk that fills up: a 64 KiB tmpfs mounted on a temporary folder
// where the system lets the test mount one, otherwise a plain folder with the
// seam that gives our writes only so much room. Either way writes fail as
// on a full disk, with ENOSPC.

#include "records/core/safefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/mount.h>

class FullDisk
{
public:
    explicit FullDisk(bool tryMount)
    {
        if (tryMount)
            mounted_ = ::mount("dorvi-test", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                               MS_NOSUID | MS_NODEV, "size=64k") == 0;
    }
    ~FullDisk()
    {
        DataFile::setRoomLeft(std::nullopt);
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // No room left, or a few bytes at most, so the next write is cut short.
    void fill()
    {
        if (!mounted_) {
            DataFile::setRoomLeft(10);
            return;
        }
        QFile filler(filePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return;
        const QByteArray page(4096, 'x');
        while (filler.write(page) == page.size()) {
        }
        while (filler.write("x", 1) == 1) {
        }
    }
    void makeRoom()
    {
        DataFile::setRoomLeft(std::nullopt);
        if (mounted_) QFile::remove(filePath(QStringLiteral(".filler")));
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};
