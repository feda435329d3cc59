#include "installmenu/launcher.h"

#include "installmenu/medium.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

namespace Kivara {
namespace {

class SystemLauncher : public Launcher
{
public:
    void openDocument(const QUrl& url) override { QDesktopServices::openUrl(url); }

    bool canStart(const QString& program) override
    {
#ifdef Q_OS_WIN
        Q_UNUSED(program);
        return true;
#else
        // A Windows program ("MZ") cannot run here even where the medium
        // marks every file executable.
        if (!QFileInfo(program).isExecutable()) return false;
        QFile file(program);
        return file.open(QIODevice::ReadOnly) && file.read(2) != "MZ";
#endif
    }

    bool startDetached(const QString& program, const QString& folder) override
    {
        QProcess process;
        process.setProgram(program);
        process.setWorkingDirectory(folder);
        return process.startDetached();
    }
};

Launcher* current = nullptr;
MessageSeam messageSeam;

} // namespace

Launcher& launcher()
{
    static SystemLauncher system;
    return current ? *current : system;
}

void setLauncher(Launcher* replacement)
{
    current = replacement;
}

void setMessageSeam(MessageSeam seam)
{
    messageSeam = std::move(seam);
}

void showMessage(QWidget* parent, const QString& text, MessageIcon icon)
{
    const QString title = parent ? parent->window()->windowTitle() : QString();
    if (messageSeam) {
        messageSeam(title, text, icon);
        return;
    }
    QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information
                                                     : QMessageBox::Warning,
                    title, text, QMessageBox::Ok, parent);
    box.exec();
}

void openDocument(const QString& path)
{
    launcher().openDocument(QUrl::fromLocalFile(path));
}

void startInstaller(QWidget* parent, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!fileExists(path)) {
        showMessage(parent, QStringLiteral("File not found:\n") + shown, MessageIcon::Warning);
        return;
    }
    if (!launcher().canStart(path)) {
        showMessage(parent, QStringLiteral("This system cannot start the installer:\n") + shown,
                    MessageIcon::Information);
        return;
    }
    if (!launcher().startDetached(path, QFileInfo(path).absolutePath()))
        showMessage(parent, QStringLiteral("The installer could not be started:\n") + shown,
                    MessageIcon::Warning);
}

} // namespace Kivara
