#pragma once
#include <QTableWidgetItem>

// A data cell of a CFlexGrid. While its grid names cells from their headings
// (CFlexGrid::SetCellNamesFromHeadings), a screen reader gets the cell as
// "<column heading> <row heading>: <text>", e.g. "Environment 1: Normal",
// unless the cell was given an accessible text of its own.
class CFlexGridCell : public QTableWidgetItem
{
public:
    CFlexGridCell() = default;

    QVariant data(int role) const override;
    QTableWidgetItem* clone() const override;

    // The name of a cell whose headings and text are these.
    static QString NameFromHeadings(const QString& columnHeading, const QString& rowHeading,
                                    const QString& text);
};
