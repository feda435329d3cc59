#pragma once
// Printing a window's image: its client area as it is shown, one page per
// copy, with every graph in it drawn by its own painter output.

#include "platform/printer.h"

class QPrinter;
class QWidget;

namespace Platform {

// The default printer, for a print that shows no dialog; an empty job when
// there is none. Through the dialog seam a test is asked a Printer request
// with the text "Default printer": a file name answers it, a cancel says
// there is no printer.
PrintJob DefaultPrinter(QWidget* parent);

// Prints window's client area once per copy (0 copies print nothing), at
// its size on the screen, shrunk to the page when it is larger. False when
// the printer could not be started or a page not begun.
bool PrintWindowImage(QPrinter& printer, QWidget* window, int copies);

} // namespace Platform
