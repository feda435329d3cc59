#pragma once
// The recording's scratch file "Fake": its lines go in whole and in order.
// A line that finds no room (a full disk) waits in memory, and so does every
// line after it; waiting lines go in first, in order, as soon as there is
// room. So the file never holds part of a line or a line out of its place.

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QString>

class ScratchFile
{
public:
    // Creates the file anew with its title line; false with reason set.
    bool open(const QString& path, const QByteArray& title, QString* reason);
    void close() { file_.close(); }
    QString fileName() const { return file_.fileName(); }

    // Puts the line behind those waiting and writes as many as there is
    // room for. True when none is left waiting.
    bool add(const QByteArray& line);
    // Writes the waiting lines; true when none is left.
    bool writeWaiting();

    // Lines not yet in the file, oldest first.
    const QByteArrayList& waiting() const { return waiting_; }
    // Why the last write failed.
    QString reason() const { return reason_; }

private:
    QFile file_;
    QByteArrayList waiting_;
    QString reason_;
};
