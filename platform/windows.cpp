#include "platform/windows.h"

namespace Windows {

namespace detail {

QHash<QString, QPointer<QWidget>>& table()
{
    static QHash<QString, QPointer<QWidget>> windows;
    return windows;
}

QWidget* find(const QString& name)
{
    auto& t = table();
    const auto it = t.find(name);
    if (it == t.end()) return nullptr;
    if (!it.value()) {
        t.erase(it);
        return nullptr;
    }
    return it.value().data();
}

void add(const QString& name, QWidget* window)
{
    table().insert(name, window);
}

void unload(const QString& name)
{
    QPointer<QWidget> w = table().take(name);
    if (!w) return;
    // Closed at once, so nothing more reaches it; deleted once the handler
    // that unloaded it has returned.
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->close();
    w->deleteLater();
}

} // namespace detail

void unloadAll()
{
    const auto names = detail::table().keys();
    for (const QString& name : names)
        detail::unload(name);
}

} // namespace Windows
