#include "platform/commondialog.h"

#include "platform/dialogs.h"

#include <QFileInfo>

bool CommonDialog::ShowSave(QWidget* parent)
{
    return show(parent, true);
}

bool CommonDialog::ShowOpen(QWidget* parent)
{
    return show(parent, false);
}

bool CommonDialog::show(QWidget* parent, bool save)
{
    Platform::DialogRequest r;
    r.kind = save ? Platform::DialogRequest::SaveFile : Platform::DialogRequest::OpenFile;
    r.title = DialogTitle.isEmpty() ? (save ? QStringLiteral("Save As") : QStringLiteral("Open"))
                                    : DialogTitle;
    r.filter = Filter;
    r.filterIndex = FilterIndex;
    r.fileName = FileName;
    r.confirmOverwrite = (Flags & OverwritePrompt) != 0;
    const Platform::DialogAnswer a = Platform::ask(parent, r);
    if (!a.accepted) return false;
    FileName = a.fileName;
    FileTitle = a.fileName.isEmpty() ? QString() : QFileInfo(a.fileName).fileName();
    FilterIndex = a.filterIndex;
    return true;
}
