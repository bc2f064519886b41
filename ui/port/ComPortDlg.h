#pragma once
#include <QDialog>
#include <QEvent>

#include <array>

class CTextCatalog;
class IPortProbe;
class IPortWatcher;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The modal dialog in which the user picks the COM port of the programming
// cable. COM1 to COM20 are radio buttons; only ports that open and are
// RS-232 ports can be chosen. The dialog keeps no port number of its own:
// OK sets the probe's (the device link's) number, Cancel leaves it.
class CComPortDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 132;
    static constexpr int kGroupBoxId = 1043;
    static constexpr int kFirstPortButtonId = 1044; // + (n - 1) for port n
    static constexpr int kFirstPort = 1;
    static constexpr int kPortCount = 20;
    // Asks an open dialog to probe the ports again.
    static constexpr QEvent::Type kRefreshPortsEvent = static_cast<QEvent::Type>(QEvent::User + 32);

    // Probes every port at once, so the dialog is ready when it is shown.
    CComPortDlg(IPortProbe& ports, const CTextCatalog& texts, QWidget* parent = nullptr);

    // Port n's radio button, n from 1 to 20.
    QRadioButton* PortButton(int number) const;
    QGroupBox* GroupBox() const { return m_groupBox; }
    QPushButton* OkButton() const { return m_okButton; }
    QPushButton* CancelButton() const { return m_cancelButton; }

    // Probes the ports again under the wait cursor, enabling the ports that
    // have become available and disabling those that have gone.
    void RefreshPorts();
    // Refreshes whenever `watcher` sees the system's serial devices change,
    // so that a cable plugged in while the dialog is open can be chosen.
    // The watcher must outlive the dialog's run.
    void WatchPorts(IPortWatcher& watcher);

    // OK: the selected port becomes the port number; none selected keeps it.
    void accept() override;

protected:
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void ProbePorts();
    // Each port's tooltip names the device its number leads to (after the
    // probe, which numbers devices seen for the first time).
    void ShowDeviceNames();
    // Opens port n and tells whether it is an RS-232 port; leaves it closed.
    bool ProbeOne(int number);

    IPortProbe& m_ports;
    const CTextCatalog& m_texts;
    const int m_savedPort;
    QGroupBox* m_groupBox = nullptr;
    QButtonGroup* m_portGroup = nullptr;
    std::array<QRadioButton*, kPortCount> m_portButtons{};
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
