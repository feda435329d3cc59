#pragma once
// What the menu hands to the system: documents to the desktop's viewer and
// installers to the system as programs, and the messages it shows. Tests
// replace both seams to see what was asked without anything starting.

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace Kivara {

class Launcher
{
public:
    virtual ~Launcher() = default;
    // Hands a local-file address to the desktop's document opener.
    virtual void openDocument(const QUrl& url) = 0;
    // Whether this system can start the file as a program.
    virtual bool canStart(const QString& program) = 0;
    // Starts the program in `folder` without waiting for it, to outlive the
    // menu; false when it could not be started.
    virtual bool startDetached(const QString& program, const QString& folder) = 0;
};

// The launcher in use: the system's, unless a test set its own.
Launcher& launcher();
// nullptr: the system's again. The caller keeps ownership.
void setLauncher(Launcher* replacement);

enum class MessageIcon { Information, Warning };

// Sees a message instead of the user; tests install one.
using MessageSeam =
    std::function<void(const QString& title, const QString& text, MessageIcon icon)>;
void setMessageSeam(MessageSeam seam);

// A message box over `parent`'s window, titled with its caption.
void showMessage(QWidget* parent, const QString& text, MessageIcon icon);

// Hands the document to the desktop's viewer; the result is not looked at.
void openDocument(const QString& path);

// Starts the installer detached from its own folder, or tells the user over
// `parent` why it did not start.
void startInstaller(QWidget* parent, const QString& path);

} // namespace Kivara
