#pragma once
// Every window but the main one is a single instance reached by its name
// (its class) through this registry: created and loaded on first use,
// unloaded by closing and deleting it later. Code that waits keeps a
// QPointer and checks it afterwards, since a window can be unloaded while
// one of its handlers waits.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace Windows {

namespace detail {
QHash<QString, QPointer<QWidget>>& table();
QWidget* find(const QString& name);
void add(const QString& name, QWidget* window);
void unload(const QString& name);
} // namespace detail

template <class W> QString nameOf()
{
    return QString::fromLatin1(W::staticMetaObject.className());
}

// The loaded window, or nullptr.
template <class W> W* find()
{
    return static_cast<W*>(detail::find(nameOf<W>()));
}

// The loaded window, loaded now when it is not (its constructor is its load).
template <class W> W* get()
{
    if (W* w = find<W>()) return w;
    auto* w = new W();
    w->setAttribute(Qt::WA_DeleteOnClose);
    detail::add(nameOf<W>(), w);
    return w;
}

// Closes and deletes the window, if loaded; a later get() loads a new one.
template <class W> void unload()
{
    detail::unload(nameOf<W>());
}

// Unloads every window: the program ends.
void unloadAll();

} // namespace Windows
