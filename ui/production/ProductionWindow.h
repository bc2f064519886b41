#pragma once
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "link/PortNumbering.h"
#include "text/TextCatalog.h"
#include "ui/production/ProductionArgs.h"
#include "ui/production/ProductionThread.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CProductionTile;
class CShopRecord;
class IProductionDialogs;
class IMessagePresenter;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTreeWidget;

// The production-line window: the data file and its settings, the ports,
// the options of the run, Start and Stop, a tile per port, the summary and
// the last lines of the log. The ports run on their own threads (CProductionThread);
// the window only shows what they report, so it answers at all times.
class CProductionWindow : public QMainWindow
{
    Q_OBJECT
public:
    // `boxes` asks before a run is closed, `dialogs` picks files; both and
    // `clock` must outlive the window. `setup` says where the ports are.
    CProductionWindow(IMessagePresenter& boxes, IProductionDialogs& dialogs,
                      const ILocalClock& clock, CProductionSetup setup, QWidget* parent = nullptr);
    ~CProductionWindow() override;

    // Takes the command line's file, ports and options.
    void Apply(const CProductionArgs& args);
    // Brings back the file, the ports and the options of the last run (or
    // of the window last closed), kept in the program's settings.
    void Restore();
    // Keeps the file, the ports and the options for the next time.
    void Remember() const;
    // Loads the data file to write and lists its settings; false (and said
    // in the status line) when it cannot be loaded.
    bool LoadDataFile(const std::string& path);
    // Starts on the ports ticked; false (said in the status line) without a
    // data file or a port, or when the log cannot be written.
    bool Start();
    // Lets the transfers in progress finish, starts no new one.
    void Stop();
    bool Running() const { return m_run.Running(); }
    // Closes without asking once the run has ended (a system shutdown).
    void CloseWithoutAsking();

    // What tests and screen readers look at.
    QPushButton* StartButton() const { return m_start; }
    QPushButton* StopButton() const { return m_stop; }
    QCheckBox* VerifyBox() const { return m_verify; }
    QCheckBox* SkipSameBox() const { return m_skipSame; }
    QSpinBox* QuantityBox() const { return m_quantity; }
    QCheckBox* AskLabelBox() const { return m_askLabel; }
    QLineEdit* SerialField() const { return m_serial; }
    QLineEdit* RecordField() const { return m_record; }
    QListWidget* PortList() const { return m_ports; }
    QTreeWidget* SettingsList() const { return m_settings; }
    const std::vector<CProductionTile*>& Tiles() const { return m_tiles; }
    QString StatusText() const;
    QString SummaryText() const;
    // The run's progress in large type ("37 of 50"), and its pace beside it:
    // put aside, failed, units per hour and the expected end.
    QString ProgressText() const;
    QString PaceText() const;
    // Whether the column of choices is shown (it folds away during a run).
    bool ChoicesShown() const;
    // The log's last microphones as the table shows them, a row each:
    // time, port, label, result and why.
    QString LogText() const;
    // What the log of the run adds up to (as `qzm530rx-cli report` sums
    // it); empty without a log.
    QString ReportText() const;
    QList<QWidget*> Controls() const;

signals:
    // A microphone is done: "COM3: microphone 2: verified", as the
    // command-line tool prints it.
    void ResultLine(const QString& line);
    // The run has ended and the window shows its summary.
    void RunEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The lines of the log shown.
    static constexpr int kLogLines = 8;

    QWidget* BuildFileArea();
    QWidget* BuildPortArea();
    QWidget* BuildOptionArea();
    QWidget* BuildRunArea();
    void ChooseDataFile();
    void ChooseBackupFolder();
    void ChooseLogFile();
    void ListPorts(const std::vector<std::string>& wanted);
    std::vector<std::string> ChosenPorts() const;
    void MakeTiles(const std::vector<std::string>& ports);
    void OnResult(int port, const CMicRecord& record);
    void OnEnded();
    void CheckPorts();
    void ShowProgress();
    void ShowLog();
    void ShowReport();
    void ShowRunning();
    void UpdateButtons();

    IMessagePresenter& m_boxes;
    const ILocalClock& m_clock;
    std::function<std::unique_ptr<CMicLink>(const std::string& port)> m_makeLink;
    std::function<void(CProductionSetup::Sound)> m_sound;
    IProductionDialogs& m_dialogs;
    CTextCatalog m_texts;
    CConfigStore m_store;
    CConfigStore::Image m_image{};
    bool m_loaded = false;
    QString m_loadFailure; // why the last data file did not load; empty when it did
    std::function<std::string(const std::string& port)> m_whyNotOpen;
    CProductionThread m_run;
    std::vector<std::string> m_runPorts;
    CPortTable m_portTable; // the numbering the port list was made from
    bool m_runVerify = true;
    bool m_noQuestion = false;
    bool m_closeWhenEnded = false;
    int m_runQuantity = 0;
    CLocalTime m_runStarted;

    QWidget* m_choices = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_open = nullptr;
    QTreeWidget* m_settings = nullptr;
    QListWidget* m_ports = nullptr;
    QPushButton* m_refresh = nullptr;
    QCheckBox* m_verify = nullptr;
    QCheckBox* m_skipSame = nullptr;
    QSpinBox* m_quantity = nullptr;
    QCheckBox* m_askLabel = nullptr;
    QLineEdit* m_serial = nullptr;
    QLineEdit* m_backup = nullptr;
    QPushButton* m_chooseBackup = nullptr;
    QLineEdit* m_log = nullptr;
    QLineEdit* m_record = nullptr;
    std::unique_ptr<CShopRecord> m_shopRecord; // of the run; kept until the next
    int m_shopToday = -1;                      // done well today on every station; -1: not known
    int m_stationToday = -1;                   // and on this one
    QPushButton* m_chooseLog = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QGridLayout* m_tileGrid = nullptr;
    std::vector<CProductionTile*> m_tiles;
    QLabel* m_status = nullptr;
    QLabel* m_progress = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_pace = nullptr;
    QLabel* m_summary = nullptr;
    QTableWidget* m_logTail = nullptr;
    QLabel* m_report = nullptr;
    // The run's microphones: the log table without a log file, and the sums.
    std::vector<CMicRecord> m_records;
};
