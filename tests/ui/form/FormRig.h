#pragma once
// The settings form in a main window, for the form's widget tests.
#include "link/LinkRig.h"

#include "core/ConfigStore.h"
#include "grid/GridEditor.h"
#include "support/RecordingPresenter.h"
#include "support/WidgetTestSupport.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "ui/form/QZM530RXView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMainWindow>
#include <QPushButton>

#include <memory>

// The form in a main window over a store, a catalogue and a link to a
// virtual microphone, shown and active so that the focus moves as it would
// for a user. Message boxes are answered by the recording presenter.
struct CFormRig : CLinkRig
{
    CFormRig() : boxes(texts, &presenter), store(&texts)
    {
        texts.SelectLanguage("English");
        link.SetPortNumber(1);
        frame = std::make_unique<QMainWindow>();
        frame->resize(900, 700);
        view = new CQZM530RXView(CViewParts{store, texts, boxes, link});
        frame->setCentralWidget(view);
    }

    void Show()
    {
        frame->show();
        QApplication::setActiveWindow(frame.get());
        DeliverPosted();
    }

    CGridEditor* Table() const { return view->PresetTable(); }
    QComboBox* List(int id) const { return view->List(id); }
    QCheckBox* Check(int id) const { return view->CheckBox(id); }
    QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(view->Control(id)); }

    // The current cell of the table moved to (row, 1) and the table focused.
    void FocusCell(int row)
    {
        Table()->setFocus();
        Table()->SetRow(row);
        Table()->SetCol(1);
    }

    // Enter on preset row 1 begins an edit: its list, open if all went well.
    QComboBox* OpenFirstPresetList()
    {
        FocusCell(1);
        SendKey(Table(), Qt::Key_Return);
        return List(SettingId::kPreset1);
    }

    // Whether preset row `row` shows the disabled look; the current row stays.
    bool RowShaded(int row) const
    {
        const int current = Table()->GetRow();
        Table()->SetRow(row);
        const bool shaded = Table()->GetCellBackColor() != CFlexGrid::kDefaultColor;
        Table()->SetRow(current);
        return shaded;
    }

    QString Cell(int row) const { return Table()->GetTextMatrix(row, 1); }

    CTextCatalog texts;
    CRecordingPresenter presenter;
    CMessageBoxes boxes;
    CConfigStore store;
    std::unique_ptr<QMainWindow> frame;
    CQZM530RXView* view = nullptr;
};
