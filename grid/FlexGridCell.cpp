#include "grid/FlexGridCell.h"

#include "grid/FlexGrid.h"

QVariant CFlexGridCell::data(int role) const
{
    if (role != Qt::AccessibleTextRole)
        return QTableWidgetItem::data(role);
    const QVariant own = QTableWidgetItem::data(role);
    const auto* grid = qobject_cast<const CFlexGrid*>(tableWidget());
    if (own.isValid() || grid == nullptr || !grid->GetCellNamesFromHeadings())
        return own;
    const QTableWidgetItem* column = grid->horizontalHeaderItem(this->column());
    const QTableWidgetItem* row = grid->verticalHeaderItem(this->row());
    return NameFromHeadings(column != nullptr ? column->text() : QString(),
                            row != nullptr ? row->text() : QString(), text());
}

QTableWidgetItem* CFlexGridCell::clone() const
{
    return new CFlexGridCell(*this);
}

QString CFlexGridCell::NameFromHeadings(const QString& columnHeading, const QString& rowHeading,
                                        const QString& text)
{
    QString name = columnHeading.trimmed();
    const QString row = rowHeading.trimmed();
    if (!row.isEmpty())
        name += (name.isEmpty() ? QString() : QStringLiteral(" ")) + row;
    if (!text.isEmpty())
        name += (name.isEmpty() ? QString() : QStringLiteral(": ")) + text;
    return name;
}
