#pragma once
// The production-line window on ports inside the test: each port a
// virtual microphone on its own settable clock, boxes and dialogs that the
// test answers.
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "link/FleetRig.h"
#include "support/RecordingPresenter.h"
#include "text/TextCatalog.h"
#include "ui/production/ProductionDialogs.h"
#include "ui/production/ProductionTile.h"
#include "ui/production/ProductionWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

// Dialogs that answer with the paths set in advance; empty: cancelled.
class CAnsweredProductionDialogs : public IProductionDialogs
{
public:
    bool AskDataFile(QWidget*, const std::string&, std::string& path) override
    {
        return Answer(dataFile, path);
    }
    bool AskBackupFolder(QWidget*, const std::string&, std::string& path) override
    {
        return Answer(backupFolder, path);
    }
    bool AskLogFile(QWidget*, const std::string&, std::string& path) override
    {
        return Answer(logFile, path);
    }

    std::string dataFile;
    std::string backupFolder;
    std::string logFile;

private:
    static bool Answer(const std::string& answer, std::string& path)
    {
        path = answer;
        return !answer.empty();
    }
};

// Boxes answered as CRecordingPresenter answers them, after `meanwhile`
// (what happens while the person reads the box).
class CProductionBoxes : public CRecordingPresenter
{
public:
    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override
    {
        if (meanwhile)
            meanwhile();
        return CRecordingPresenter::Present(owner, text, title, style);
    }

    std::function<void()> meanwhile;
};

// Lets the window's events in until `done` holds; false after `timeoutMs`
// (a safety net only: every wait ends with the event it waits for).
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

class ProductionWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(m_texts.SelectLanguage("English"));
        CConfigStore store(&m_texts);
        store.Reset();
        const CVirtualMic::Image image = PatternImage();
        std::copy(image.begin(), image.end(), store.WorkingImage());
        m_dataFile = Path("mic.dat");
        std::error_code error;
        ASSERT_EQ(SaveDataFile(store, m_dataFile, m_clock, error), DataFile::kSaved);
        // What was saved is what a microphone holds once written.
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(store, m_dataFile, foreign), DataFile::kLoaded);
        store.TransferToImage();
        std::copy(store.WorkingImage(), store.WorkingImage() + m_written.size(), m_written.begin());

        NewWindow();
    }

    // A window of its own, as a new start of the program makes it.
    void NewWindow()
    {
        m_window.reset();
        CProductionSetup setup;
        setup.sound = [this](CProductionSetup::Sound sound) { m_sounds.push_back(sound); };
        setup.makeLink = [this](const std::string& port) { return m_ports.at(port)->MakeLink(); };
        setup.pause = [this](const std::string& port, uint32_t ms) {
            m_ports.at(port)->Pause(ms);
            if (m_paused)
                m_paused(*m_ports.at(port));
        };
        // A stand-in for the survey of the machine.
        setup.whyNotOpen = [this](const std::string& port) {
            const auto trouble = m_trouble.find(port);
            return trouble == m_trouble.end() ? std::string() : trouble->second;
        };
        m_window = std::make_unique<CProductionWindow>(m_boxes, m_dialogs, m_clock, setup);
    }

    void TearDown() override
    {
        if (m_window && m_window->Running()) {
            m_window->Stop();
            WaitFor([this] { return !m_window->Running(); });
        }
        m_window.reset();
    }

    std::string Path(const char* name) const
    {
        return m_folder.filePath(QString::fromUtf8(name)).toStdString();
    }

    CFleetRigPort& Port(const std::string& name)
    {
        auto& port = m_ports[name];
        if (!port)
            port = std::make_unique<CFleetRigPort>(name);
        return *port;
    }

    // The window as the command line sets it up, with the ports made.
    void Open(CProductionArgs args)
    {
        for (const std::string& port : args.ports)
            Port(port);
        if (args.dataFile.empty())
            args.dataFile = m_dataFile;
        m_window->Apply(args);
    }

    // The window shown, running on one port of many microphones.
    void StartShownOnOnePort()
    {
        Port("/dev/vmic-a").PlayBatch(2000, 50);
        CProductionArgs args;
        args.ports = {"/dev/vmic-a"};
        Open(args);
        m_window->show();
        ASSERT_TRUE(m_window->Start());
    }

    CProductionTile& Tile(std::size_t index) const { return *m_window->Tiles().at(index); }

    // Clicks Stop and waits for the run's end.
    void StopAndWait()
    {
        m_window->StopButton()->click();
        ASSERT_TRUE(WaitFor([this] { return !m_window->Running(); })) << "the run did not end";
        QCoreApplication::sendPostedEvents();
    }

    QTemporaryDir m_folder;
    CTextCatalog m_texts;
    CFixedClock m_clock{10, 0, 0};
    CProductionBoxes m_boxes;
    CAnsweredProductionDialogs m_dialogs;
    std::string m_dataFile;
    CConfigStore::Image m_written{};
    std::map<std::string, std::unique_ptr<CFleetRigPort>> m_ports;
    std::function<void(CFleetRigPort&)> m_paused; // after each pause, on the port's thread
    std::map<std::string, std::string> m_trouble; // what the survey finds on a port
    std::vector<CProductionSetup::Sound> m_sounds;
    std::unique_ptr<CProductionWindow> m_window;
};
