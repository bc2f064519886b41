#include "ui/port/ComPortDlg.h"
#include "FakePorts.h"
#include "text/TextCatalog.h"
#include "ui/port/PortNaming.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

using Kind = CFakePorts::Kind;

class ComPortDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_texts.SelectLanguage("English"));
        // COM1 and COM3 usable, COM5 a port of another kind, COM12 usable.
        m_ports.Set(1, Kind::Rs232);
        m_ports.Set(3, Kind::Rs232);
        m_ports.Set(5, Kind::NotRs232);
        m_ports.Set(12, Kind::Rs232);
    }

    std::vector<int> EnabledPorts(const CComPortDlg& dialog) const
    {
        std::vector<int> enabled;
        for (int n = 1; n <= CComPortDlg::kPortCount; ++n)
            if (dialog.PortButton(n)->isEnabled())
                enabled.push_back(n);
        return enabled;
    }
    std::vector<int> CheckedPorts(const CComPortDlg& dialog) const
    {
        std::vector<int> checked;
        for (int n = 1; n <= CComPortDlg::kPortCount; ++n)
            if (dialog.PortButton(n)->isChecked())
                checked.push_back(n);
        return checked;
    }

    CTextCatalog m_texts;
    CFakePorts m_ports{3};
};

} // namespace

TEST_F(ComPortDlgTest, StartEnablesOnlyRs232PortsAndSelectsTheSavedOne)
{
    CComPortDlg dialog(m_ports, m_texts);
    EXPECT_EQ(EnabledPorts(dialog), (std::vector<int>{1, 3, 12}));
    EXPECT_EQ(CheckedPorts(dialog), (std::vector<int>{3}));
    EXPECT_EQ(m_ports.PortNumber(), 3);
    EXPECT_FALSE(m_ports.IsOpen());

    // The devices present are numbered first; then each port is opened,
    // tested and closed in turn; a port that does not open is not tested;
    // the saved number comes back at the end.
    const std::vector<std::string> firstPorts(m_ports.calls.begin(), m_ports.calls.begin() + 8);
    EXPECT_EQ(firstPorts, (std::vector<std::string>{"number", "set 1", "open", "rs232", "close",
                                                    "set 2", "open", "set 3"}));
    EXPECT_EQ(m_ports.calls.back(), "set 3");
    EXPECT_TRUE(m_ports.pauses.empty());
}

TEST_F(ComPortDlgTest, SavedPortAbsentSelectsNothingAndOkKeepsTheNumber)
{
    for (const int saved : {4, 5}) { // missing, and present but not RS-232
        CFakePorts ports = m_ports;
        ports.SetPortNumber(saved);
        CComPortDlg dialog(ports, m_texts);
        EXPECT_TRUE(CheckedPorts(dialog).empty()) << saved;
        dialog.OkButton()->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(ports.PortNumber(), saved);
    }
}

TEST_F(ComPortDlgTest, OkTakesTheChosenPortCancelAndCloseKeepTheOldOne)
{
    {
        CComPortDlg dialog(m_ports, m_texts);
        dialog.PortButton(12)->click();
        EXPECT_EQ(CheckedPorts(dialog), (std::vector<int>{12})) << "one group";
        dialog.OkButton()->click();
        EXPECT_EQ(m_ports.PortNumber(), 12);
    }
    {
        CComPortDlg dialog(m_ports, m_texts);
        EXPECT_EQ(CheckedPorts(dialog), (std::vector<int>{12}));
        dialog.PortButton(1)->click();
        dialog.CancelButton()->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(m_ports.PortNumber(), 12);
    }
    {
        CComPortDlg dialog(m_ports, m_texts);
        dialog.show();
        dialog.PortButton(3)->click();
        dialog.close(); // the close box
        EXPECT_EQ(m_ports.PortNumber(), 12);
    }
}

TEST_F(ComPortDlgTest, TextsLayoutAndKeyboardOrder)
{
    CComPortDlg dialog(m_ports, m_texts);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Communication Port"));
    EXPECT_EQ(dialog.GroupBox()->title(), QStringLiteral("Setup Communication Port"));
    EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("&OK"));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("&Cancel"));
    EXPECT_TRUE(dialog.OkButton()->isDefault());

    for (int n = 1; n <= CComPortDlg::kPortCount; ++n) {
        QRadioButton* button = dialog.PortButton(n);
        EXPECT_EQ(button->text(), QStringLiteral("COM%1").arg(n));
        const bool tabStop = n == 1 || n == 6 || n == 11 || n == 16;
        EXPECT_EQ((button->focusPolicy() & Qt::TabFocus) != 0, tabStop) << n;
        EXPECT_EQ(button->toolTip(),
                  kPortNumbersNameDevices ? QStringLiteral("/dev/ttyFAKE%1").arg(n) : QString());
        // Five rows in four columns, all inside the frame.
        EXPECT_TRUE(dialog.GroupBox()->geometry().contains(button->geometry())) << n;
        EXPECT_TRUE(n % 5 == 1 || button->y() > dialog.PortButton(n - 1)->y()) << n;
        EXPECT_TRUE(n <= 5 || button->x() > dialog.PortButton(n - 5)->x()) << n;
        // The whole name fits.
        EXPECT_GE(button->width(), button->sizeHint().width()) << n;
    }
    EXPECT_FALSE(dialog.GroupBox()->geometry().intersects(dialog.OkButton()->geometry()));
    // 243 by 120 dialog units: twice as wide as high, give or take the font.
    const double aspect = double(dialog.width()) / dialog.height();
    EXPECT_GT(aspect, 1.5);
    EXPECT_LT(aspect, 2.6);
}

TEST_F(ComPortDlgTest, RefreshEventProbesAgainAndEnablesNewPorts)
{
    CComPortDlg dialog(m_ports, m_texts);
    m_ports.Set(3, Kind::Missing);
    m_ports.Set(7, Kind::Rs232);
    m_ports.calls.clear();

    QEvent refresh(CComPortDlg::kRefreshPortsEvent);
    QApplication::sendEvent(&dialog, &refresh);

    EXPECT_EQ(EnabledPorts(dialog), (std::vector<int>{1, 7, 12}));
    ASSERT_FALSE(m_ports.calls.empty());
    EXPECT_EQ(m_ports.calls.front(), "number") << "devices plugged in get numbers before the probe";
    EXPECT_EQ(m_ports.pauses, std::vector<int>(CComPortDlg::kPortCount, 50));
    EXPECT_EQ(m_ports.PortNumber(), 3);
    EXPECT_FALSE(m_ports.IsOpen());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor removed";

    // The saved port coming back is selected again.
    dialog.PortButton(1)->click();
    m_ports.Set(3, Kind::Rs232);
    dialog.RefreshPorts();
    EXPECT_EQ(CheckedPorts(dialog), (std::vector<int>{3}));

    // A cable numbered while the dialog is open: its tooltip names it.
    const std::string cable = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";
    m_ports.SetDeviceName(8, cable);
    m_ports.Set(8, Kind::Rs232);
    dialog.RefreshPorts();
    EXPECT_EQ(dialog.PortButton(8)->toolTip().toStdString(),
              kPortNumbersNameDevices ? cable : std::string());
}
