#pragma once
// Lines of text on a printer in one face and size, top to bottom from the
// printable area's top, with a new page whenever one is full; all lines go
// into one document until it is ended.

#include <QFont>
#include <QPainter>
#include <QString>

class QPrinter;

class LinePrinter
{
public:
    explicit LinePrinter(QPrinter& printer);
    // A document begun and not ended is aborted.
    ~LinePrinter();
    LinePrinter(const LinePrinter&) = delete;
    LinePrinter& operator=(const LinePrinter&) = delete;

    // Starts the document in family at points, or in the system's
    // fixed-pitch face when family is missing or not fixed-pitch. False when
    // the printer (or the PDF file) cannot be opened.
    bool begin(const QString& family, double points);
    bool printLine(const QString& text);
    // Ends the document: it goes to the printer. False when that failed.
    bool end();
    // Throws the document away: a PDF file is removed, a printer job is
    // cancelled as far as its driver allows.
    void abort();

    // family at points when it is a fixed-pitch face here, else the system's
    // fixed-pitch face at points.
    static QFont fixedPitchFont(const QString& family, double points);

private:
    QPrinter& printer_;
    QPainter painter_;
    qreal y_ = 0;
    qreal lineHeight_ = 0;
    qreal ascent_ = 0;
    qreal pageHeight_ = 0;
    bool open_ = false;    // lines may be printed
    bool started_ = false; // begun, and neither ended nor aborted
};
