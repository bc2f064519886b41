#include "ui/form/QZM530RXView.h"

#include "core/ConfigStore.h"
#include "grid/GridEditor.h"

#include <QComboBox>

// Editing the effect-preset table: the row's list is laid over the cell.

namespace {
// The most of a cell's text that is handed to the list.
constexpr int kMaxCellText = 50;
constexpr int kGiveFocus = 1;
} // namespace

QComboBox* CQZM530RXView::RowList(int row) const
{
    const int id = PresetRowList(row);
    return id != 0 ? List(id) : nullptr;
}

void CQZM530RXView::OnTableMouseDown(int16_t button, int16_t shift, int32_t, int32_t)
{
    if (button != CFlexGrid::kButtonLeft)
        return;
    m_table->SetRowSelect(false);
    const int mouseRow = m_table->GetMouseRow();
    if ((shift & CFlexGrid::kShiftMask) && mouseRow > 0)
        m_table->SetRow(mouseRow);
    BeginPresetEdit();
}

void CQZM530RXView::BeginPresetEdit()
{
    const int row = m_table->GetRow();
    const int col = m_table->GetCol();
    QComboBox* list = RowList(row);
    if (col == 0 || list == nullptr || !m_store.IsPresetEditable(PresetRowList(row)))
        return;
    const QString text = m_table->GetTextMatrix(row, col).left(kMaxCellText);
    if (m_table->OpenListEditor(list, text, kGiveFocus, this))
        CentreListOnCell(list);
    m_refocus = m_table;
}

void CQZM530RXView::CentreListOnCell(QComboBox* list)
{
    // The grid editor lays the list across the cell; a closed list is as
    // high as its font needs, so it is centred on the cell's row.
    const int top =
        m_table->y() + m_table->frameWidth() + m_table->TwipsToPixelsY(m_table->GetCellTop());
    const int rowHeight = m_table->TwipsToPixelsY(m_table->GetCellHeight());
    const int listHeight = list->sizeHint().height();
    list->setGeometry(list->x(), top + (rowHeight - listHeight) / 2, list->width(), listHeight);
}
