#pragma once
// The printer dialog and the printer behind it. Through the dialog seam a
// test answers with a PDF file in place of a printer (DialogAnswer::fileName).

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

namespace Platform {

struct PrintJob
{
    std::unique_ptr<QPrinter> printer; // its own copy count is 1: callers print each copy
    int copies = 1;                    // as the dialog set it; 0 prints nothing
    bool landscape = false;
};

// Shows the printer dialog, portrait offered. A job on OK, an empty one (no
// printer) on cancel.
PrintJob ShowPrinterDialog(QWidget* parent);

// The default printer, for a print that shows no dialog; an empty job when
// there is none. Through the dialog seam a test is asked a Printer request
// with the text "Default printer": a file name answers it, a cancel says
// there is no printer.
PrintJob DefaultPrinter(QWidget* parent);

} // namespace Platform
