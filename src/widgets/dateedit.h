#pragma once

#include <QDate>
#include <QLineEdit>

// A date field in the program's format yyyy-mm-dd that may be emptied: when empty it shows the
// blank mask "    -  -  ".
class DateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget *parent = nullptr);

    static QString emptyMask() { return QStringLiteral("    -  -  "); }
    // True when the field shows the blank mask (nothing typed).
    bool isBlank() const;
    void setDate(const QDate &date);
    // The date shown; invalid when blank or not a real date.
    QDate date() const;
    // The text as the program writes it, "yyyy-mm-dd" (or the blank mask).
    QString dateText() const { return displayText(); }
};
