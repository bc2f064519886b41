#include "ui/form/QZM530RXView.h"

#include "core/ConfigStore.h"
#include "grid/GridEditor.h"

#include <QCheckBox>
#include <QComboBox>

// The exchange between the working image and the controls: Refresh, and
// the changes that the user makes.

namespace {
constexpr int kPresetTextCol = 1;
constexpr int kEnabledLook = 1;
constexpr int kDisabledLook = 0;
} // namespace

void CQZM530RXView::Refresh()
{
    LoadValues();
    ShowPresetTexts();
    ApplyAvailability();
    ShadePresetRows();
}

void CQZM530RXView::LoadValues()
{
    for (std::size_t i = 0; i < kFormValueCount; ++i)
        m_values[i] = m_store.GetValue(FormValuesBegin()[i].id);
    for (std::size_t i = 0; i < kFormValueCount; ++i) {
        const CFormValueDef& value = FormValuesBegin()[i];
        if (value.kind == FormValueKind::Switch) {
            CheckBox(value.id)->setChecked(m_values[i] != 0);
        } else {
            // Outside the list's range selects nothing.
            QComboBox* list = List(value.id);
            list->setCurrentIndex(m_values[i] < list->count() ? m_values[i] : -1);
        }
    }
}

void CQZM530RXView::ShowPresetTexts()
{
    for (int row = 1; row <= kPresetRowCount; ++row) {
        const QComboBox* list = RowList(row);
        m_table->SetTextMatrix(row, kPresetTextCol,
                               list->currentIndex() >= 0 ? list->currentText() : QString());
    }
}

void CQZM530RXView::ApplyAvailability()
{
    for (const CControl& control : m_controls)
        control.widget->setEnabled(m_store.IsAvailable(control.def->id));
}

void CQZM530RXView::ShadePresetRows()
{
    const int current = m_table->GetRow();
    for (int row = 1; row <= kPresetRowCount; ++row) {
        m_table->SetRow(row);
        m_table->SetCellEnabledLook(m_store.IsPresetEditable(PresetRowList(row)) ? kEnabledLook
                                                                                 : kDisabledLook);
    }
    m_table->SetRow(current);
}

void CQZM530RXView::OnSwitchClicked(int id, bool checked)
{
    m_store.SetSwitch(id, checked ? 1 : 0);
    if (id == SettingId::kNoiseCancellation) {
        // "Voice Recognition" is offered only with noise cancellation.
        m_store.FollowTxLed();
        FillList(SettingId::kTxLed);
        LoadValues();
    }
    ApplyAvailability();
    ShadePresetRows();
}

void CQZM530RXView::OnListChosen(int id, int index)
{
    const QComboBox* list = List(id);
    if (list == nullptr || index < 0)
        return;
    m_store.SetListValue(id, list->itemData(index).toInt());
    ApplyAvailability();
}

void CQZM530RXView::OnListFocusLost(QComboBox* list, int id)
{
    const int row = PresetRowOfList(id);
    if (row == 0)
        return;
    m_table->SetTextMatrix(row, kPresetTextCol,
                           list->currentIndex() >= 0 ? list->currentText() : QString());
    // When the window lost the activation, the window still remembers the
    // list as its focus; the focus then comes back to the form, which hands it
    // on (FocusOnActivation).
    const bool windowLeft = window()->focusWidget() == list;
    list->hide();
    list->setEnabled(false);
    if (windowLeft)
        setFocus(Qt::OtherFocusReason);
}
