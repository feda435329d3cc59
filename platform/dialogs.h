#pragma once
// Message boxes, prompts, file and printer dialogs and the start of outside
// programs, each behind one seam so a test can answer it and see what was asked.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace Platform {

enum class Icon { None, Information, Warning, Critical, Question };

struct DialogRequest
{
    enum Kind { Message, Input, SaveFile, OpenFile, Printer, Launch };
    Kind kind = Message;
    QString text; // message, prompt, or the command line of a launch
    QString title;
    QString defaultAnswer; // Input: the default answer
    Icon icon = Icon::None;
    QString filter;      // file dialogs: "Name (*.ext)|*.ext|..." as the common dialog takes it
    int filterIndex = 0; // file dialogs: the filter offered first (1-based; 0 = first)
    QString fileName;    // file dialogs: the name offered
    bool confirmOverwrite = false;
    bool modeless = false; // Message: shown by Notify, the caller went on at once
    bool yesNo = false;    // Message: a question, answered Yes (accepted) or No
};

struct DialogAnswer
{
    bool accepted = true; // false: cancel
    QString text;         // Input: the typed text
    QString fileName;     // file dialogs: the full path chosen; Printer: the PDF to print into
    int filterIndex = 1;  // file dialogs: the filter chosen (1-based)
    int copies = 1;       // Printer
    bool landscape = false;
    QString printerName; // Printer: the system printer that the PDF file stands for
};

// Answers instead of real dialogs; tests install one.
using DialogSeam = std::function<DialogAnswer(const DialogRequest&)>;
void setDialogSeam(DialogSeam seam);
bool hasDialogSeam();

// Runs the request through the seam, or shows the real dialog.
DialogAnswer ask(QWidget* parent, const DialogRequest& request);

// Message box with an OK button.
void MsgBox(QWidget* parent, const QString& text, Icon icon, const QString& title);
// A message raised inside a timer tick: it shows without blocking the tick
// (a window of its own, not modal) and the caller goes on at once. One shows
// at a time: a new text waits until the boxes before it are closed, in the
// order raised, and a text already showing or waiting is not added again,
// so a failure met at every tick shows once.
void Notify(QWidget* parent, const QString& text, Icon icon, const QString& title);
// Modal question with Yes and No buttons, No the default; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& title);
// Modal text prompt; the typed text, or an empty text on cancel.
QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                 const QString& defaultAnswer);
// Starts an outside program by its command line, without waiting for it.
void StartProgram(const QString& commandLine);

} // namespace Platform
