#pragma once
// The files of the distribution medium, found below the menu folder.

#include <QImage>
#include <QString>

namespace Kivara {

// The path of `relative` ("\picture\setup.ico") below `folder`, joined one
// component at a time with the system's separator. A component not found as
// spelled is looked up ignoring case (an exact match wins), since media may
// change the case of names; one found in neither way keeps its spelling.
QString mediumPath(const QString& folder, const QString& relative);

// A regular file, or a link to one, is there; a folder does not count.
bool fileExists(const QString& path);

// The folder holds at least one file that is not hidden.
bool holdsFile(const QString& folder);

// The picture of the file, of an icon the largest of its images; a null
// image when the file is missing or cannot be decoded.
QImage loadPicture(const QString& path);

} // namespace Kivara
