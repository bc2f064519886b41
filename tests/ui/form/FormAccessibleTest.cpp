// What a screen reader gets of the settings form, read through Qt's
// accessibility interfaces as the AT-SPI bridge reads them.
#include "ui/form/FormRig.h"

#include "ui/shared/WindowTexts.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

namespace S = SettingId;
namespace F = FormId;

QAccessibleInterface* Accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString Name(QObject* object)
{
    QAccessibleInterface* accessible = Accessible(object);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
}

// The name of the preset table's cell in preset row `row`.
QString PresetCellName(CFormRig& rig, int row)
{
    QAccessibleTableInterface* table = Accessible(rig.Table())->tableInterface();
    if (table == nullptr)
        return QStringLiteral("<no table>");
    QAccessibleInterface* cell = table->cellAt(row - 1, 0);
    return cell != nullptr ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

bool LabelledBy(QObject* control, QObject* label)
{
    for (const auto& relation : Accessible(control)->relations(QAccessible::Label))
        if (relation.first->object() == label)
            return true;
    return false;
}

} // namespace

// Each list is named by the caption that the user reads beside it or
// around it, the catalogue's text; what it shows is its value.
TEST(FormAccessible, ListsAreNamedByTheirCaptionAndShowTheirOptionAsValue)
{
    CFormRig rig;
    rig.Show();
    const struct
    {
        int list;
        int caption;
        const char* name;
        const char* value;
    } lists[] = {
        {S::kAttenuationLevel, F::kAttenuationLabel, "Noise Attenuation Level", "0dB"},
        {S::kTxLed, F::kTxLedGroup, "TX LED", "Normal"},
        {S::kFrontMicSense, F::kFrontMicLabel, "Front Mic Sense", "0dB"},
        {S::kRearMicSense, F::kRearMicLabel, "Rear Mic Sense", "0dB"},
    };
    for (const auto& list : lists) {
        QAccessibleInterface* accessible = Accessible(rig.List(list.list));
        ASSERT_NE(accessible, nullptr) << list.list;
        EXPECT_EQ(accessible->role(), QAccessible::ComboBox) << list.list;
        EXPECT_EQ(accessible->text(QAccessible::Name), list.name) << list.list;
        EXPECT_EQ(accessible->text(QAccessible::Name), CatalogText(rig.texts, list.caption));
        EXPECT_EQ(accessible->text(QAccessible::Value), list.value) << list.list;
        // Screen readers on Linux read what a list shows from its text.
        QAccessibleTextInterface* text = accessible->textInterface();
        ASSERT_NE(text, nullptr) << list.list;
        EXPECT_EQ(text->text(0, text->characterCount()), list.value) << list.list;
    }
    // The labels tell what they label; the TX LED group is no label.
    EXPECT_TRUE(
        LabelledBy(rig.List(S::kAttenuationLevel), rig.view->Control(F::kAttenuationLabel)));
    EXPECT_TRUE(LabelledBy(rig.List(S::kRearMicSense), rig.view->Control(F::kRearMicLabel)));

    // Choosing another option changes the value, never the name.
    QComboBox* attenuation = rig.List(S::kAttenuationLevel);
    attenuation->setCurrentIndex(attenuation->findText("+10dB"));
    EXPECT_EQ(Name(attenuation), "Noise Attenuation Level");
    EXPECT_EQ(Accessible(attenuation)->text(QAccessible::Value), "+10dB");
    EXPECT_EQ(Accessible(attenuation)->textInterface()->text(0, -1), "+10dB");
    EXPECT_EQ(Accessible(attenuation)->textInterface()->text(1, 3), "10");
}

TEST(FormAccessible, PresetListsAndCellsSayWhichPresetTheyAre)
{
    CFormRig rig;
    rig.Show();
    const int lists[] = {S::kPreset1, S::kPreset2, S::kPreset3, S::kPreset4, S::kPreset5};
    for (int row = 1; row <= 5; ++row) {
        const QString preset = QStringLiteral("Environment %1").arg(row);
        EXPECT_EQ(Name(rig.List(lists[row - 1])), preset);
        EXPECT_EQ(PresetCellName(rig, row), preset + (row == 1 ? ": Normal" : ": None"));
    }
    // The cell's name follows what it shows: after a change in the image
    // and after a choice in the row's list.
    rig.store.SetListValue(S::kPreset2, 1);
    rig.view->Refresh();
    EXPECT_EQ(PresetCellName(rig, 2), "Environment 2: Siren Audible");
    QComboBox* list = rig.OpenFirstPresetList();
    ASSERT_TRUE(list->isVisible());
    SendKey(list, Qt::Key_Down);
    SendKey(list, Qt::Key_Tab);
    EXPECT_EQ(PresetCellName(rig, 1), "Environment 1: " + rig.Cell(1));
    EXPECT_NE(rig.Cell(1), "Normal");
    // The headings themselves stay as they read. (Through the table's
    // children: the header cells that a cell hands out are not owned by
    // anyone in Qt 6.4.)
    QAccessibleInterface* table = Accessible(rig.Table());
    QStringList columnHeadings;
    for (int i = 0; i < table->childCount(); ++i)
        if (table->child(i)->role() == QAccessible::ColumnHeader)
            columnHeadings << table->child(i)->text(QAccessible::Name);
    EXPECT_EQ(columnHeadings, QStringList{"Environment"});
}

TEST(FormAccessible, PortButtonAndTableAreNamedByTheirCaptions)
{
    CFormRig rig;
    rig.Show();
    QPushButton* port = rig.Button(F::kPortButton);
    EXPECT_EQ(Accessible(port)->role(), QAccessible::Button);
    EXPECT_EQ(Name(port), "COM port");
    EXPECT_TRUE(LabelledBy(port, rig.view->Control(F::kPortCaption)));
    EXPECT_TRUE(port->text().isEmpty()) << "the button still shows only its icon";
    // The table, too, is named by the group around it.
    EXPECT_EQ(Name(rig.Table()), "Environment");
}

// Every control that takes the focus has a name of its own, and no list is
// named by the option it shows; the list of options stays reachable and the
// list opens by its action.
TEST(FormAccessible, EveryFocusableControlHasANameThatIsNotItsValue)
{
    CFormRig rig;
    rig.Show();
    for (const CFormControlDef* def = FormControlsBegin(); def != FormControlsEnd(); ++def) {
        QWidget* control = rig.view->Control(def->id);
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        const QString name = Name(control).trimmed();
        EXPECT_FALSE(name.isEmpty()) << def->id;
        const auto* list = qobject_cast<QComboBox*>(control);
        EXPECT_TRUE(!list || name != list->currentText()) << def->id;
    }

    QComboBox* txLed = rig.List(S::kTxLed);
    QAccessibleInterface* accessible = Accessible(txLed);
    ASSERT_EQ(accessible->childCount(), 1);
    EXPECT_EQ(accessible->child(0)->object(), txLed->view());
    EXPECT_EQ(accessible->indexOfChild(accessible->child(0)), 0);
    EXPECT_EQ(accessible->child(0)->childCount() > 0, true);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    EXPECT_TRUE(accessible->state().collapsed);
    actions->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(txLed->view()->isVisible());
    EXPECT_TRUE(accessible->state().expanded);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(txLed->view()->isVisible());
}

// Names are for screen readers only: the captions, the lists' options and
// the port label read as before.
TEST(FormAccessible, NamingChangesNothingVisible)
{
    CFormRig rig;
    rig.Show();
    EXPECT_EQ(qobject_cast<QLabel*>(rig.view->Control(F::kAttenuationLabel))->text(),
              "Noise Attenuation Level");
    EXPECT_EQ(qobject_cast<QLabel*>(rig.view->Control(F::kPortCaption))->text(), "COM port");
    EXPECT_EQ(rig.List(S::kTxLed)->currentText(), "Normal");
    EXPECT_EQ(rig.Table()->GetTextMatrix(0, 1), "Environment");
    EXPECT_EQ(rig.Cell(2), "None");
    EXPECT_EQ(rig.Table()->item(1, 0)->text(), "None");
    EXPECT_EQ(rig.Table()->item(1, 0)->data(Qt::DisplayRole).toString(), "None");
}
