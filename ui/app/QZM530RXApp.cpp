#include "ui/app/QZM530RXApp.h"

#include "ui/app/QZM530RXDoc.h"
#include "ui/form/QZM530RXView.h"
#include "ui/frame/MainFrame.h"
#include "ui/shared/WindowTexts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVector>

CQZM530RXApp* CQZM530RXApp::s_instance = nullptr;

namespace {

IMessagePresenter* ChoosePresenter(const CAppOptions& options, IMessagePresenter* screen)
{
    return options.presenter ? options.presenter : screen;
}

QVector<QRect> ScreenAreas()
{
    QVector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->geometry());
    return areas;
}

} // namespace

CQZM530RXApp::CQZM530RXApp(int argc, const char* const* argv, CAppOptions options)
    : m_options(std::move(options)),
      m_texts(m_options.textTable ? *m_options.textTable : BuiltinTextTable(), argc, argv),
      m_messageBoxes(m_texts, ChoosePresenter(m_options, &m_screenPresenter)), m_store(&m_texts)
{
    m_texts.SetFailurePresenter(m_messageBoxes.Presenter());
    s_instance = this;
}

CQZM530RXApp::~CQZM530RXApp()
{
    m_mainFrame.reset();
    m_document.reset();
    s_instance = nullptr;
}

int CQZM530RXApp::Run()
{
    if (!InitInstance())
        return kStartupFailed;
    const int status = QApplication::exec();
    ExitInstance();
    return status;
}

bool CQZM530RXApp::InitInstance()
{
    // The command line was left to the catalogue: no file named on it is
    // opened and Qt's own switches were never passed on (see main()).
    QCoreApplication::setOrganizationName(QString::fromLatin1(CProfileSettings::kRootKey));
    QCoreApplication::setApplicationName(QString::fromLatin1(CProfileSettings::kProgramName));

    if (!m_texts.SelectLanguage(kLanguage))
        return false;

    m_link.SetPortNumber(static_cast<uint8_t>(m_profile.ReadComPort()));

    m_document = std::make_unique<CQZM530RXDoc>();
    m_filePaths.currentFileName = CFilePaths::kDefaultFileName;
    m_filePaths.currentFolder = InitialFolder();
    m_mainFrame = std::make_unique<CMainFrame>(
        CFrameParts{m_store, m_filePaths, m_texts, m_messageBoxes, FileDialogs(), Clock()});
    auto* view = new CQZM530RXView(CViewParts{m_store, m_texts, m_messageBoxes, m_link});
    m_mainFrame->SetView(view);
    ConnectWindows(*m_mainFrame, *view);
    m_screenPresenter.SetMainWindow(m_mainFrame.get());

    RestoreWindowPlacement();
    m_mainFrame->show();
    m_mainFrame->setWindowTitle(CatalogText(m_texts, TextId::kProductName));

    m_startedUp = true;
    return true;
}

void CQZM530RXApp::ConnectWindows(CMainFrame& frame, CQZM530RXView& view)
{
    QObject::connect(&frame, &CMainFrame::memoryMapRequested, &view, &CQZM530RXView::OnMemoryMap);
    QObject::connect(&frame, &CMainFrame::readRequested, &view, &CQZM530RXView::OnRead);
    QObject::connect(&frame, &CMainFrame::writeRequested, &view, &CQZM530RXView::OnWrite);
    QObject::connect(&frame, &CMainFrame::formRefreshRequested, &view, &CQZM530RXView::Refresh);
    QObject::connect(&view, &CQZM530RXView::exitRequested, &frame, &CMainFrame::RequestClose);
    QObject::connect(&frame, &CMainFrame::closeAccepted, &frame, [this] { SaveWindowPlacement(); });
}

void CQZM530RXApp::ExitInstance()
{
    if (!m_startedUp)
        return;
    m_profile.WriteComPort(m_link.GetPortNumber());
    m_profile.WriteLastFilePath(m_filePaths.currentFolder);
}

void CQZM530RXApp::SaveWindowPlacement()
{
    if (m_mainFrame)
        m_profile.WriteLastWinPos(PlacementToSave(m_mainFrame->CurrentPlacement()));
}

void CQZM530RXApp::RestoreWindowPlacement()
{
    const std::optional<CWindowPlacement> stored = m_profile.ReadLastWinPos();
    if (!stored || !m_mainFrame)
        return;
    const std::optional<CWindowPlacement> placement =
        PlacementToRestore(*stored, m_mainFrame->frameGeometry().size(), ScreenAreas());
    if (placement)
        m_mainFrame->ApplyPlacement(*placement);
}

std::string CQZM530RXApp::InitialFolder() const
{
    const std::string stored = m_profile.ReadLastFilePath();
    const CFolderSources sources =
        m_options.folderSources ? m_options.folderSources(stored) : SystemFolderSources(stored);
    return ::InitialFolder(sources);
}

IFileDialogs& CQZM530RXApp::FileDialogs()
{
    return m_options.fileDialogs ? *m_options.fileDialogs : m_screenDialogs;
}

const ILocalClock& CQZM530RXApp::Clock() const
{
    return m_options.clock ? *m_options.clock : m_systemClock;
}
