#pragma once
// Small helpers shared by the tests.

#include <QTest>

// QFETCH as an expression.
template <typename T> T fetch(const char* name)
{
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

#include <QDir>
#include <QFile>

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray fileContents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Where tests leave the pictures of the windows they render, for a person
// to look at: a folder in the system's temporary folder (or DORVI_RENDER_DIR).
inline QString renderFile(const QString& name)
{
    QString dir = qEnvironmentVariable("DORVI_RENDER_DIR");
    if (dir.isEmpty()) dir = QDir::temp().filePath(QStringLiteral("dorvi-renders"));
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}
