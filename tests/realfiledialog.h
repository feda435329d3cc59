#pragma once
// Answers the real file dialog, shown with no dialog seam installed, as a
// user would: the filter picked in its "Files of type" box, a name typed into
// its name field, then its Save or Open button clicked.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Call before the command that shows the dialog; filter is 1-based. Offer a
// name that does not exist: offscreen the name field never has the focus, and
// without it the dialog keeps a file it selected at the start beside the
// typed one. A dialog without the expected controls, or still open at the
// end, is cancelled, so the test cannot hang on it.
inline void answerRealFileDialog(QObject* context, int filter, const QString& name)
{
    QTimer::singleShot(0, context, [filter, name] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* combo = dlg ? dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
        auto* edit = dlg ? dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        auto* box = dlg ? dlg->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")) : nullptr;
        if (!combo || !edit || !box || filter > combo->count()) {
            if (dlg) dlg->reject();
            return;
        }
        combo->setCurrentIndex(filter - 1);
        emit combo->activated(filter - 1); // what a pick with the mouse or keys signals
        edit->selectAll();                 // typed over: an emptied field would select the folder
        QTest::keyClicks(edit, name);
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) b->click();
        if (dlg->isVisible()) dlg->reject(); // the name was refused
    });
}
