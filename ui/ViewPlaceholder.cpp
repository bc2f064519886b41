#include "ui/ViewPlaceholder.h"

#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "ui/ComPortDlg.h"
#include "ui/MicLinkPortProbe.h"
#include "ui/QZM530RXApp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Temporary texts until the settings form brings its own.
constexpr const char* kPlaceholderNote = "Settings form (placeholder)";
constexpr const char* kPortButtonText = "COM Port...";
constexpr const char* kPortLabelFormat = " COM%1";
} // namespace

CViewPlaceholder::CViewPlaceholder(CQZM530RXApp& app, QWidget* parent) : QWidget(parent), m_app(app)
{
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QString::fromLatin1(kPlaceholderNote), this);
    note->setAlignment(Qt::AlignCenter);
    layout->addWidget(note, 1);

    auto* portRow = new QHBoxLayout;
    m_portButton = new QPushButton(QString::fromLatin1(kPortButtonText), this);
    m_portLabel = new QLabel(this);
    portRow->addWidget(m_portButton);
    portRow->addWidget(m_portLabel, 1);
    layout->addLayout(portRow);

    connect(m_portButton, &QPushButton::clicked, this, &CViewPlaceholder::ChooseComPort);
}

void CViewPlaceholder::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_app.Store().Reset();
    ShowPortNumber();
}

void CViewPlaceholder::ChooseComPort()
{
    CMicLinkPortProbe probe(m_app.Link());
    CComPortDlg dialog(probe, m_app.Texts(), window());
    dialog.exec();
    ShowPortNumber();
}

void CViewPlaceholder::ShowPortNumber()
{
    m_portLabel->setText(QString::fromLatin1(kPortLabelFormat).arg(m_app.Link().GetPortNumber()));
}
