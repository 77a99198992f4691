#pragma once

#include <QString>
#include <QStringList>

// The text of a PDF file as pdftotext lays it out (pages separated by form feeds).
QString pdfText(const QString &file);
// The same text, one simplified line per entry, for looking up printed lines.
QStringList pdfLines(const QString &file);
