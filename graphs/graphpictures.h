#pragma once
// Toolbar pictures of the graph windows, drawn by hand and sharp at any size.

#include <QIcon>

enum class GraphPicture {
    Track, // the chooser of track modes
    Reset, // back to the opening scale
    Print,
};

QIcon graphPicture(GraphPicture picture);
