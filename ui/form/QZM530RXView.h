#pragma once
#include "ui/form/FormLayout.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class CConfigStore;
class CGridEditor;
class CMemoryMapDlg;
class CMessageBoxes;
class CMicLink;
class CTextCatalog;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;

// What the settings form works on: the application's parts, or a test's.
struct CViewParts
{
    CConfigStore& store;
    const CTextCatalog& texts;
    const CMessageBoxes& boxes;
    CMicLink& link;
};

// The settings form, the single view of the main window. It shows every
// setting of the store's working image as a check box, a drop-down list or a
// row of the effect-preset table, writes each change into the working image
// at once, and carries the buttons for reading, writing, the memory map, the
// COM port, help and exit. It keeps no copy of the settings: Refresh brings
// the controls back in line whenever the image changed behind its back.
//
// Its first display (on the first show) fits the main window to the form,
// takes the catalogue texts, starts a new configuration and fills every
// control.
class CQZM530RXView : public QWidget
{
    Q_OBJECT

public:
    explicit CQZM530RXView(const CViewParts& parts, QWidget* parent = nullptr);
    ~CQZM530RXView() override;

    QSize sizeHint() const override;

    // The control of that ID, or nullptr for an ID that is not on the form.
    QWidget* Control(int id) const;
    QCheckBox* CheckBox(int id) const;
    QComboBox* List(int id) const;
    CGridEditor* PresetTable() const { return m_table; }
    QLabel* PortLabel() const;
    // The memory map, made at its first use (its window takes a while to
    // build, and most sessions never open it) and kept from then on.
    CMemoryMapDlg* MemoryMap();
    // The control-value table's entry for a control; 0 when it has none.
    int ControlValue(int id) const;
    // The control that takes the focus when the window is activated with
    // the focus on the form itself; nullptr until a preset edit began.
    QWidget* RefocusTarget() const { return m_refocus; }
    bool FirstDisplayDone() const { return m_firstDisplayDone; }

public slots:
    // Every control in line with the working image: values, preset texts,
    // availability and row shading.
    void Refresh();
    // The buttons (and the frame's accelerators for the first three).
    void OnMemoryMap();
    void OnRead();
    void OnWrite();
    void OnHelp();
    void OnExit();
    void OnComPort();

signals:
    // The Exit button asks the main window to close.
    void exitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct CControl
    {
        const CFormControlDef* def;
        QWidget* widget;
    };

    // Building (FormBuild.cpp).
    void CreateControls();
    QWidget* CreateControl(const CFormControlDef& def);
    void ConnectControl(const CFormControlDef& def, QWidget* widget);
    void SetTabOrder();

    // First display (QZM530RXView.cpp).
    void FirstDisplay();
    void FitFrame();
    void ApplyCatalogTexts();
    void SetCheckBoxWidths();
    void FillLists();
    void FillList(int id);
    void SetUpPresetTable();
    void ConfigureMemoryMap();
    void ApplyVisibility();
    void ShowPortNumber();

    // Names for screen readers (FormNames.cpp).
    void NameControls();

    // Values and changes (FormValues.cpp).
    void LoadValues();
    void ShowPresetTexts();
    void ApplyAvailability();
    void ShadePresetRows();
    void OnSwitchClicked(int id, bool checked);
    void OnListChosen(int id, int index);
    void OnListFocusLost(QComboBox* list, int id);

    // The preset table (FormPresets.cpp).
    void OnTableMouseDown(int16_t button, int16_t shift, int32_t x, int32_t y);
    void BeginPresetEdit();
    void CentreListOnCell(QComboBox* list);
    QComboBox* RowList(int row) const;

    // Keys and focus (FormKeys.cpp).
    bool FilterKey(QWidget* target, QKeyEvent* key);
    bool TableKey(QKeyEvent* key);
    bool InPlaceListKey(QKeyEvent* key);
    bool OtherControlKey(QWidget* target, QKeyEvent* key);
    void FocusOnActivation();

    CConfigStore& m_store;
    const CTextCatalog& m_texts;
    const CMessageBoxes& m_boxes;
    CMicLink& m_link;

    std::vector<CControl> m_controls; // in tab order
    std::array<int, kFormValueCount> m_values{};
    CGridEditor* m_table = nullptr;
    CMemoryMapDlg* m_memoryMap = nullptr;
    bool m_memoryMapConfigured = false; // the first display has taken place
    QPointer<QWidget> m_refocus;
    bool m_firstDisplayDone = false;
};
