#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>

namespace Platform {
namespace {

DialogSeam& seamSlot()
{
    static DialogSeam seam;
    return seam;
}

// "Data Files (*.dvrk)|*.dvrk|All Files (*.*)|*.*|" -> Qt's name filters:
// each name with its patterns in parentheses, which the dialog is told to
// hide, so a name that shows its patterns already is not shown twice. "*.*"
// means every file, as on Windows, also names without a dot.
QStringList qtFilters(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p.trimmed() == QLatin1String("*.*")) p = QStringLiteral("*");
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

// The filter the user picked, 1-based. With the patterns hidden, Qt 6.4
// reports the filter's shown name (its text before the hidden patterns,
// blanks simplified) where later versions and native dialogs report the
// whole filter; either is known here.
int chosenFilter(const QString& filter, const QStringList& qtFilters, const QString& chosen)
{
    const qsizetype whole = qtFilters.indexOf(chosen);
    if (whole >= 0) return int(whole) + 1;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < qtFilters.size(); ++i)
        if (parts[2 * i].simplified() == chosen.simplified()) return int(i) + 1;
    return 1;
}

// Line breaks as the message was written (CR LF, LF CR, CR or LF) shown as such.
QString shownLines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

DialogAnswer realDialog(QWidget* parent, const DialogRequest& r)
{
    DialogAnswer a;
    switch (r.kind) {
    case DialogRequest::Message: {
        QMessageBox box(qtIcon(r.icon), r.title, shownLines(r.text), QMessageBox::Ok, parent);
        box.exec();
        break;
    }
    case DialogRequest::Input: {
        bool ok = false;
        a.text =
            QInputDialog::getText(parent, r.title, r.text, QLineEdit::Normal, r.defaultAnswer, &ok);
        a.accepted = ok;
        if (!ok) a.text.clear();
        break;
    }
    case DialogRequest::SaveFile:
    case DialogRequest::OpenFile: {
        const QStringList filters = qtFilters(r.filter);
        QFileDialog dlg(parent, r.title);
        dlg.setOption(QFileDialog::HideNameFilterDetails);
        dlg.setNameFilters(filters);
        if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
            dlg.selectNameFilter(filters[r.filterIndex - 1]);
        if (r.kind == DialogRequest::SaveFile) {
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            dlg.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
        } else {
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode(QFileDialog::ExistingFile);
        }
        if (!r.fileName.isEmpty()) dlg.selectFile(r.fileName);
        a.accepted = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
        if (a.accepted) {
            a.fileName = dlg.selectedFiles().first();
            a.filterIndex = chosenFilter(r.filter, filters, dlg.selectedNameFilter());
        }
        break;
    }
    case DialogRequest::Printer:
        // The printer dialog is shown by the printing code itself.
        a.accepted = false;
        break;
    case DialogRequest::Launch: {
        QStringList args = QProcess::splitCommand(r.text);
        a.accepted = !args.isEmpty() && QProcess::startDetached(args.takeFirst(), args);
        break;
    }
    }
    return a;
}

// The messages of Notify: the one showing and those waiting for it.
struct Notices
{
    struct Waiting
    {
        QPointer<QWidget> parent;
        bool hadParent = false;
        QString text, title;
        Icon icon = Icon::None;
    };
    QPointer<QMessageBox> showing;
    QList<Waiting> waiting;
};

Notices& notices()
{
    static Notices n;
    return n;
}

void showNextNotice()
{
    Notices& n = notices();
    while (!n.showing && !n.waiting.isEmpty()) {
        const Notices::Waiting w = n.waiting.takeFirst();
        if (w.hadParent && !w.parent) continue; // its window is gone
        auto* box = new QMessageBox(qtIcon(w.icon), w.title, w.text, QMessageBox::Ok, w.parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QObject::connect(box, &QMessageBox::finished, box, [] {
            notices().showing = nullptr;
            showNextNotice();
        });
        n.showing = box;
        box->show();
    }
}

} // namespace

void setDialogSeam(DialogSeam seam)
{
    seamSlot() = std::move(seam);
}

bool hasDialogSeam()
{
    return bool(seamSlot());
}

DialogAnswer ask(QWidget* parent, const DialogRequest& request)
{
    if (seamSlot()) return seamSlot()(request);
    return realDialog(parent, request);
}

void MsgBox(QWidget* parent, const QString& text, Icon icon, const QString& title)
{
    DialogRequest r;
    r.kind = DialogRequest::Message;
    r.text = text;
    r.icon = icon;
    r.title = title;
    ask(parent, r);
}

void Notify(QWidget* parent, const QString& text, Icon icon, const QString& title)
{
    DialogRequest r;
    r.kind = DialogRequest::Message;
    r.text = text;
    r.icon = icon;
    r.title = title;
    r.modeless = true;
    if (seamSlot()) {
        seamSlot()(r);
        return;
    }
    Notices& n = notices();
    const QString shown = shownLines(text);
    if (n.showing && n.showing->text() == shown) return;
    for (const Notices::Waiting& w : n.waiting)
        if (w.text == shown) return;
    n.waiting.append({parent, parent != nullptr, shown, title, icon});
    showNextNotice();
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& title)
{
    DialogRequest r;
    r.kind = DialogRequest::Message;
    r.text = text;
    r.icon = Icon::Question;
    r.title = title;
    r.yesNo = true;
    if (seamSlot()) return seamSlot()(r).accepted;
    QMessageBox box(QMessageBox::Question, title, shownLines(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                 const QString& defaultAnswer)
{
    DialogRequest r;
    r.kind = DialogRequest::Input;
    r.text = prompt;
    r.title = title;
    r.defaultAnswer = defaultAnswer;
    const DialogAnswer a = ask(parent, r);
    return a.accepted ? a.text : QString();
}

void StartProgram(const QString& commandLine)
{
    DialogRequest r;
    r.kind = DialogRequest::Launch;
    r.text = commandLine;
    ask(nullptr, r);
}

} // namespace Platform
