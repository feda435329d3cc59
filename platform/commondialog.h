#pragma once
// The common dialog: save and open file dialogs that keep their last name and
// filter between uses, so a command offers what was chosen the time before.

#include <QString>

class QWidget;

class CommonDialog
{
public:
    static constexpr int OverwritePrompt = 2;

    QString FileName;    // full path of the last file chosen
    QString FileTitle;   // its name without the folder
    QString Filter;      // "Name|pattern|Name|pattern|"
    int FilterIndex = 0; // 1-based after a dialog; 0 offers the first
    int Flags = 0;
    QString DialogTitle;

    // Shows the dialog; false on cancel (FileName and FilterIndex then stay).
    bool ShowSave(QWidget* parent);
    bool ShowOpen(QWidget* parent);

private:
    bool show(QWidget* parent, bool save);
};
