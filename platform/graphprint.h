#pragma once
// Printing a window's image: its client area as it is shown, one page per
// copy, with every graph in it drawn by its own painter output.

#include "platform/printer.h"

class QPrinter;
class QWidget;

namespace Platform {

// Prints window's client area once per copy (0 copies print nothing), at
// its size on the screen, shrunk to the page when it is larger. False when
// the printer could not be started or a page not begun.
bool PrintWindowImage(QPrinter& printer, QWidget* window, int copies);

} // namespace Platform
